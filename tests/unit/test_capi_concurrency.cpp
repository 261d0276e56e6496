// Many threads on the C interface at once, over several boards, while their interrupt
// threads deliver callbacks: every call returns its own result, every interrupt reaches
// its board's C callback once, and the last error is always one whole text.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Corvane.h"
#include "corvane_sim.h"

namespace {

const char* const kBoards[] = {"kelo3100_0", "keloe5100_0", "keloe6100_0", "keloe6100_1"};
constexpr int kBoardCount = 4;
constexpr int kInterruptsPerBoard = 200;

std::atomic<int> callbackCount[kBoardCount];
std::atomic<int> callbackMismatch{0};

int boardIndex(const char* id) {
    for (int i = 0; i < kBoardCount; ++i) {
        if (std::strcmp(id, kBoards[i]) == 0) return i;
    }
    return -1;
}

// A plain C callback, as a C program would register it.
extern "C" void countInterrupt(VelmorDeviceStruct device, InterruptData data) {
    const int index = boardIndex(device.id);
    if (index < 0 || data.interrupt_source != 0x100u + static_cast<uint32_t>(index)) {
        callbackMismatch.fetch_add(1);
        return;
    }
    callbackCount[index].fetch_add(1);
}

bool waitForCallbacks(int target) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        bool done = true;
        for (int i = 0; i < kBoardCount; ++i) done = done && callbackCount[i].load() >= target;
        if (done) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class CApiConcurrency : public ::testing::Test {
protected:
    // The registry is built by the first call of the process: the boards must exist first.
    static void SetUpTestSuite() {
        corvane_sim_reset(0);
        ASSERT_EQ(corvane_sim_add_boards("keloe6100,keloe6100:number=1,kelo3100,keloe5100"), 4);
        for (int i = 0; i < kBoardCount; ++i) {
            ASSERT_EQ(corvane_sim_set_inputs(kBoards[i], 0x5A50u + static_cast<uint32_t>(i)), 0);
        }
    }
};

TEST_F(CApiConcurrency, CallersAndInterruptThreadsOnSeveralBoards) {
    unsigned char count = 0;
    ASSERT_EQ(VelmorGetNumberOfDevices(&count), 0u);
    ASSERT_EQ(count, kBoardCount);
    for (int i = 0; i < kBoardCount; ++i) {
        ASSERT_EQ(VelmorSetDeviceInterruptCallback(kBoards[i], countInterrupt), 0u);
        ASSERT_EQ(VelmorEnableDeviceInterrupts(kBoards[i]), 0u);
    }

    std::atomic<int> wrongResults{0};
    std::atomic<int> tornTexts{0};
    auto expect = [&](bool ok) {
        if (!ok) wrongResults.fetch_add(1);
    };

    std::vector<std::thread> threads;
    // Callers: reads on every board, writes on one board each, failures in between.
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const char* own = kBoards[2 + t % 2];  // the two KELOE6100 boards take the writes
            for (int round = 0; round < 150; ++round) {
                for (int i = 0; i < kBoardCount; ++i) {
                    uint32_t inputs = 0;
                    expect(VelmorReadAllDigitalInputs(kBoards[i], &inputs) == 0 &&
                           inputs == 0x5A50u + static_cast<uint32_t>(i));
                    VelmorDeviceStruct info;
                    expect(VelmorGetDeviceStructFromDeviceName(kBoards[i], &info) == 0 &&
                           std::strcmp(info.id, kBoards[i]) == 0);
                }
                expect(VelmorWriteSingleDigitalOutput(own, 8 + t, 1) == 0);
                uint32_t value = 0;
                expect(VelmorReadCounterValue(own, t % 3, &value) == 0);
                expect(VelmorTestError(kBoards[round % kBoardCount]) == 0x86000F08u);
                expect(VelmorReadCounterValue("keloe5100_0", 0, &value) == 0x80000E05u);
                char text[2048];
                if (VelmorGetLastError(text, sizeof text - 1) > 0) {
                    const std::string s(text);
                    // Whichever failure it belongs to, the text is whole.
                    if (s.rfind("[CorvaneException] Code: 0x", 0) != 0 ||
                        s.find(" Error message : ") == std::string::npos) {
                        tornTexts.fetch_add(1);
                    }
                }
            }
        });
    }
    // The drivers raise interrupts meanwhile.
    threads.emplace_back([] {
        for (int n = 0; n < kInterruptsPerBoard; ++n) {
            for (int i = 0; i < kBoardCount; ++i) {
                InterruptData data{};
                data.interrupt_source = 0x100u + static_cast<uint32_t>(i);
                data.interrupt_mask = static_cast<uint32_t>(n);
                while (corvane_sim_queue_interrupt(kBoards[i], &data) < 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
            if (n % 20 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    for (auto& thread : threads) thread.join();

    EXPECT_TRUE(waitForCallbacks(kInterruptsPerBoard));
    for (int i = 0; i < kBoardCount; ++i) {
        EXPECT_EQ(VelmorDisableDeviceInterrupts(kBoards[i]), 0u);
        EXPECT_EQ(callbackCount[i].load(), kInterruptsPerBoard) << kBoards[i];
    }
    EXPECT_EQ(callbackMismatch.load(), 0);
    EXPECT_EQ(wrongResults.load(), 0);
    EXPECT_EQ(tornTexts.load(), 0);

    uint32_t outputs = 0;
    ASSERT_EQ(VelmorGetDigitalOutputsStatus("keloe6100_0", &outputs), 0u);
    EXPECT_EQ(outputs & 0xF00u, 0x500u);  // channels 8 and 10
    ASSERT_EQ(VelmorGetDigitalOutputsStatus("keloe6100_1", &outputs), 0u);
    EXPECT_EQ(outputs & 0xF00u, 0xA00u);  // channels 9 and 11
}

}  // namespace
