// No simulated boards; the discovery log is written from level INFO on.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "DeviceDiscovery.h"
#include "DeviceDiscoverySingleton.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

TEST(RegistryEmpty, NoBoardsGiveAnEmptyRegistryAndFailingLookups) {
    ASSERT_EQ(corvane_sim_board_count(), 0);
    removeDiscoveryLog();
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getNumberOfDevices(), 0);
    EXPECT_TRUE(registry.getDevicesId().empty());
    EXPECT_TRUE(DeviceDiscovery::getDevices().empty());
    EXPECT_EQ(raised([] { DeviceDiscovery::getDeviceFromId("keloe6100_0"); }).getCode(), 0x80002810u);
    // Every model's scan says once that it found nothing, naming its first prefix.
    const auto info = discoveryLog("INFO");
    EXPECT_EQ(std::count(info.begin(), info.end(), "No matching devices found with prefix: keloe6100"), 1);
    EXPECT_EQ(std::count(info.begin(), info.end(), "No matching devices found with prefix: kelo6100"), 0);
    EXPECT_TRUE(discoveryLog("ERROR").empty());
}

}  // namespace
