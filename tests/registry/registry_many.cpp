// Boards: 256 KELOE6100 numbered 0 to 255 (see registry.cmake).
#include <string>

#include <gtest/gtest.h>

#include "DeviceDiscoverySingleton.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

TEST(RegistryMany, TheCountOf256BoardsWrapsTo0) {
    ASSERT_EQ(corvane_sim_board_count(), 256);
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getNumberOfDevices(), 0);
    const auto ids = registry.getDevicesId();
    ASSERT_EQ(ids.size(), 256u);
    EXPECT_EQ(registry.getAllDevicesInformation().size(), 256u);
    // Byte-wise order: keloe6100_0, keloe6100_1, keloe6100_10, keloe6100_100, ...
    EXPECT_EQ(ids[0], "keloe6100_0");
    EXPECT_EQ(ids[1], "keloe6100_1");
    EXPECT_EQ(ids[2], "keloe6100_10");
    EXPECT_EQ(ids[3], "keloe6100_100");
    EXPECT_EQ(ids.back(), "keloe6100_99");
    EXPECT_EQ(registry.getDeviceFromID("keloe6100_255")->getDeviceInformation().bus.number, 255u);
}

}  // namespace
