// Boards: keloe6100_0 and kelo6100_0 (see registry.cmake). A board that fails to start
// makes the whole construction fail; nothing is kept and the next call starts over.
#include <string>

#include <gtest/gtest.h>

#include "DeviceDiscovery.h"
#include "DeviceDiscoverySingleton.h"
#include "IoctlCommands.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

void expectNothingKept() {
    EXPECT_EQ(openDescriptors("keloe6100_0"), 0u);
    EXPECT_EQ(openDescriptors("kelo6100_0"), 0u);
    EXPECT_EQ(DeviceInterface::device_count.load(), 0);
}

TEST(RegistryFailure, ABoardFailingAtStartMakesGetInstanceRaiseAndTheNextCallSucceed) {
    ASSERT_EQ(corvane_sim_fail("kelo6100_0", IoctlGetDeviceInformations, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([] { DeviceDiscoverySingleton::getInstance("/dev/"); });
    EXPECT_EQ(e.getCode(), 0x0000110Du);
    EXPECT_EQ(e.getMessage().rfind("Ioctl exception ", 0), 0u) << e.getMessage();
    expectNothingKept();

    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getDevicesId(), (std::vector<std::string>{"kelo6100_0", "keloe6100_0"}));
    EXPECT_EQ(openDescriptors("keloe6100_0"), 1u);
    EXPECT_EQ(openDescriptors("kelo6100_0"), 1u);
    EXPECT_EQ(DeviceInterface::device_count.load(), 2);
    EXPECT_EQ(&registry, &DeviceDiscoverySingleton::getInstance("/dev/"));
}

TEST(RegistryFailure, EveryFailedTryStartsCleanAgain) {
    ASSERT_EQ(corvane_sim_fail("keloe6100_0", IoctlGetDeviceInformations, -1, EIO,
                               CORVANE_SIM_ALWAYS, nullptr), 0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_EQ(raised([] { DeviceDiscovery::getDevices(); }).getCode(), 0x0000110Du);
        expectNothingKept();
    }
    corvane_sim_clear_failures();
    EXPECT_EQ(DeviceDiscovery::getDevices().size(), 2u);
}

}  // namespace
