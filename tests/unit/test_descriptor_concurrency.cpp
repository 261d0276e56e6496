// A discoverer closes its descriptors while a board built on one of them is in the middle
// of driver calls on another thread, and the freed number is opened again at once for
// another node: no call of the board ever reaches that other node; the board's calls
// fail with the transport's "File Descriptor is invalid" from the close on.
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CorvaneException.h"
#include "DeviceInterface.h"
#include "DigitalIOInterface.h"
#include "KELOE6100Discovery.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;

namespace {

constexpr int kRounds = 40;
constexpr int kCallsBound = 200000;  // a round never runs longer than this many calls

TEST(DescriptorConcurrency, CallsRacingTheCloseNeverReachAReusedNumber) {
    SimBoards boards("keloe6100,kelo3100");
    int failedRounds = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto discovery = std::make_unique<KELOE6100Discovery>();
        ASSERT_TRUE(discovery->discoverDevices());
        std::shared_ptr<DeviceInterface> board =
            discovery->createCardFromHandle(discovery->getDeviceHandles().at(0));
        DigitalIOInterface* io = board->digitalIo();
        simClearTrace();

        std::atomic<bool> started{false};
        std::atomic<uint32_t> failureCode{0};
        std::thread caller([&] {
            for (int i = 0; i < kCallsBound; ++i) {
                try {
                    io->readAllDigitalInput();
                } catch (const CorvaneException& e) {
                    failureCode = e.getCode();
                    return;
                }
                started = true;
            }
        });
        while (!started) {
            std::this_thread::yield();
        }
        // Close, then take the freed numbers for another node at once.
        discovery.reset();
        std::vector<std::unique_ptr<SimNode>> others;
        for (int i = 0; i < 4; ++i) {
            others.push_back(std::make_unique<SimNode>("kelo3100_0"));
        }
        caller.join();

        EXPECT_EQ(failureCode.load(), 0x86000E03u) << "round " << round;
        const auto stray = simTrace("kelo3100_0");
        EXPECT_TRUE(stray.empty()) << "round " << round << ": " << stray.size()
                                   << " calls reached kelo3100_0";
        if (failureCode.load() != 0x86000E03u || !stray.empty()) {
            ++failedRounds;
        }
    }
    EXPECT_EQ(failedRounds, 0);
}

}  // namespace
