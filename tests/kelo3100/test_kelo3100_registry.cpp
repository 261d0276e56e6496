// KELO3100 boards as the registry finds them, reached through the C interface and the
// free set-up functions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Corvane.h"
#include "CorvaneException.h"
#include "DeviceDiscovery.h"
#include "DeviceDiscoverySingleton.h"
#include "IoctlCommands.h"
#include "KELO3100.h"
#include "SimTestSupport.h"
#include "VelmorTimerFunctions.h"
#include "VelmorWatchdogFunctions.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using ::testing::HasSubstr;

namespace {

std::vector<uint8_t> lastInit(const std::string& node) {
    std::vector<uint8_t> sent;
    for (const auto& call : simTrace(node)) {
        if (call.command == IoctlInitTimerCounterWatchdog) sent = call.sent;
    }
    return sent;
}

TEST(Kelo3100Registry, BoardsOfBothVariantsAreFoundAndDriven) {
    auto& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ((std::vector<std::string>{"kelo3100_0", "keloe3100_1", "keloe6100_0"}),
              registry.getDevicesId());
    simClearTrace();

    // Through the C interface: timer 2 at 75 s, the watchdog on unit 2 in mode 3.
    EXPECT_EQ(0u, VelmorInitTimer("kelo3100_0", 2, SECOND, 75, 0xFF));
    EXPECT_EQ((std::vector<uint8_t>{2, 2, 0, 0, 0xE9, 0xFF, 0, 0, 0x0A, 0, 0, 0}),
              lastInit("kelo3100_0"));
    EXPECT_EQ(0u, VelmorInitWatchdog("keloe3100_1", 0, MILLISECOND, 100, 0x0E));
    EXPECT_EQ((std::vector<uint8_t>{2, 1, 3, 0, 175, 0, 0, 0, 0x0A, 0, 0, 0}),
              lastInit("keloe3100_0"));
    EXPECT_EQ(0x83001203u, VelmorInitTimer("kelo3100_0", 0, MICROSECOND, 17, 0));

    // The free functions on the registry's boards.
    auto board = std::dynamic_pointer_cast<DeviceInterface>(DeviceDiscovery::getDeviceFromId("kelo3100_0"));
    ASSERT_NE(nullptr, board);
    EXPECT_EQ(0u, init3100Timer(board, 1, 3490, 100, 0xFF));
    EXPECT_EQ((std::vector<uint8_t>{1, 1, 0, 0, 100, 0, 0, 0, 0x0E, 0, 0, 0}), lastInit("kelo3100_0"));
    auto other = std::dynamic_pointer_cast<DeviceInterface>(DeviceDiscovery::getDeviceFromId("keloe6100_0"));
    EXPECT_EQ(0x80000E05u, init3100Watchdog(other, 0, 3490, 100, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(), HasSubstr("keloe6100_0 is not a KELO3100"));
}

}  // namespace
