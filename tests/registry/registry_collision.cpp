// Boards: two KELOE6100 with the same bus number 5 and different firmware texts (see
// registry.cmake); the discovery log is written from level INFO on.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "DeviceDiscoverySingleton.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

TEST(RegistryCollision, TheFirstBoardFoundKeepsTheIdentifier) {
    removeDiscoveryLog();
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getDevicesId(), std::vector<std::string>{"keloe6100_5"});
    EXPECT_EQ(registry.getNumberOfDevices(), 1);

    // Which node the scan met first (index 0) is in the discovery log.
    std::string firstNode;
    for (const std::string& line : discoveryLog("INFO")) {
        const std::string marker = "Device discovered (ID: 0): /dev/";
        if (line.rfind(marker, 0) == 0) {
            firstNode = line.substr(marker.size());
        }
    }
    ASSERT_FALSE(firstNode.empty());
    const auto board = registry.getDeviceFromID("keloe6100_5");
    EXPECT_EQ(nodeOf(board->getHandle()), firstNode);
    EXPECT_STREQ(board->getDeviceInformation().general.firmware_version,
                 firstNode == "keloe6100_0" ? "FIRST" : "SECOND");

    // The second board object was released at once; its descriptor stays with discovery.
    EXPECT_EQ(DeviceInterface::device_count.load(), 1);
    EXPECT_EQ(openDescriptors("keloe6100_0"), 1u);
    EXPECT_EQ(openDescriptors("keloe6100_1"), 1u);
}

}  // namespace
