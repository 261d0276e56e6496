// Boards: 256 KELOE6100 numbered 0 to 255 (see registry.cmake).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceDiscoverySingleton.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

// The 8-bit count stops at 255 instead of wrapping to 0; the object interface still sees
// every board, and the discovery log says once what the C count and list leave out.
TEST(RegistryMany, TheCountOf256BoardsStopsAt255) {
    ASSERT_EQ(corvane_sim_board_count(), 256);
    removeDiscoveryLog();
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getNumberOfDevices(), 255);
    EXPECT_EQ(discoveryLog("WARNING"),
              (std::vector<std::string>{"256 boards found: the C interface counts and lists only "
                                        "the first 255 (in identifier order) and leaves 1 out"}));
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
