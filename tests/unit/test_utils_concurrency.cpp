// The printing interrupt callbacks run on a board's interrupt thread while the main
// thread polls and resets the flag: the flag and the time stamps are shared by both.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <cstdio>
#include <cstring>
#include <thread>

#include "CorvaneUtils.h"
#include "VelmorUtils.h"

namespace {

VelmorDeviceStruct anyDevice() {
    VelmorDeviceStruct device;
    std::memset(&device, 0, sizeof device);
    return device;
}

InterruptData anyData() {
    InterruptData data;
    std::memset(&data, 0, sizeof data);
    return data;
}

TEST(UtilsCallbackConcurrency, CallbacksAgainstPollingAndResets) {
    // The callbacks' lines go to /dev/null, not to the test's output.
    std::fflush(stdout);
    std::cout.flush();
    const int savedOut = dup(STDOUT_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    ASSERT_GE(savedOut, 0);
    ASSERT_GE(devNull, 0);
    dup2(devNull, STDOUT_FILENO);
    close(devNull);
    VelmorUtilsResetInterruptFlag();
    velmor::corvane::utils::resetInterruptFlag();
    std::atomic<bool> done{false};
    constexpr int kCalls = 2000;
    constexpr int kHandshakes = 50;
    std::thread interruptThread([&] {
        // First a ping-pong: each flag raised here must be seen and cleared there.
        for (int i = 0; i < kHandshakes; ++i) {
            VelmorUtilsInterruptCallback(anyDevice(), anyData());
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (VelmorUtilsHasInterruptHappened() != 0 &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::yield();
            }
        }
        for (int i = 0; i < kCalls; ++i) {
            VelmorUtilsInterruptCallback(anyDevice(), anyData());
            velmor::corvane::utils::interruptCallback(anyDevice(), anyData());
        }
        done = true;
    });
    int resets = 0;
    while (!done) {
        if (VelmorUtilsHasInterruptHappened() != 0) {
            VelmorUtilsResetInterruptFlag();
            ++resets;
        }
        if (velmor::corvane::utils::hasInterruptHappened()) {
            velmor::corvane::utils::resetInterruptFlag();
        }
    }
    interruptThread.join();
    // The main thread may have cleared the flags after the last callbacks: one more each.
    VelmorUtilsInterruptCallback(anyDevice(), anyData());
    velmor::corvane::utils::interruptCallback(anyDevice(), anyData());
    std::fflush(stdout);
    std::cout.flush();
    dup2(savedOut, STDOUT_FILENO);
    close(savedOut);
    EXPECT_GE(resets, kHandshakes) << "flags raised on the interrupt thread went unseen";
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 1);
    EXPECT_TRUE(velmor::corvane::utils::hasInterruptHappened());
    VelmorUtilsResetInterruptFlag();
    velmor::corvane::utils::resetInterruptFlag();
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 0);
    EXPECT_FALSE(velmor::corvane::utils::hasInterruptHappened());
}

}  // namespace
