// The simulator's clock against the application's threads: the real-time thread queuing
// timer interrupts while the library's interrupt thread takes them and caller threads
// issue commands and control calls; and the virtual clock advanced from one thread while
// others drive the same boards.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "BoardTestSupport.h"
#include "IoctlCommands.h"
#include "KELOE6100.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;

namespace {

TEST(SimClockConcurrency, RealTimeThreadAgainstInterruptAndCallerThreads) {
    SimBoards boards("keloe6100,kelo3100");
    SimNode timerNode("keloe6100_0");
    SimNode callerNode("keloe6100_0");
    KELOE6100 timerBoard(timerNode.fd());
    KELOE6100 callerBoard(callerNode.fd());

    std::mutex m;
    std::vector<uint32_t> sequence;
    timerBoard.setDeviceInterruptCallback([&](const VelmorDeviceStruct&, const InterruptData& d) {
        std::lock_guard<std::mutex> lock(m);
        sequence.push_back(d.args[1]);
    });
    timerBoard.enableDeviceInterrupts();
    timerBoard.initTimer(0, MILLISECOND, 1, 0);
    timerBoard.enableTimerInterrupt(0);
    timerBoard.startTimer(0);

    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    callers.emplace_back([&] {
        callerBoard.initCounter(0, 4095, COUNTER_RISING_EDGE_COUNT | COUNT_DIRECTION_UP);
        callerBoard.startCounter(0);
        uint32_t pulses = 0;
        while (!stop) {
            corvane_sim_set_input("keloe6100_0", 0, 1);
            corvane_sim_set_input("keloe6100_0", 0, 0);
            ++pulses;
            if (callerBoard.readCounterValue(0) != pulses % 4095) ++failures;
            if (callerBoard.readTimerValue(0) != 1) ++failures;  // a 1 ms timer reads 1 all along
        }
    });
    callers.emplace_back([&] {
        corvane_sim_board_state state{};
        while (!stop) {
            corvane_sim_set_inputs("kelo3100_0", 0x5555);
            if (corvane_sim_get_state("keloe6100_0", &state) != 0 || state.units[0].running != 1) ++failures;
            corvane_sim_now_ns();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
    for (auto& t : callers) t.join();
    timerBoard.stopTimer(0);
    const corvane_sim_board_state state = simState("keloe6100_0");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m);
            if (sequence.size() >= state.units[0].expiries || std::chrono::steady_clock::now() > deadline) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    timerBoard.disableDeviceInterrupts();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(state.dropped_interrupts, 0u);
    std::lock_guard<std::mutex> lock(m);
    EXPECT_GE(state.units[0].expiries, 10u);
    ASSERT_EQ(sequence.size(), state.units[0].expiries);  // every expiry reached the callback
    for (uint32_t i = 0; i < sequence.size(); ++i) ASSERT_EQ(sequence[i], i + 1) << "in order, none lost";
}

TEST(SimClockConcurrency, VirtualClockAdvancedWhileOtherThreadsDriveTheBoard) {
    SimBoards boards("keloe6100");
    SimNode advancerNode("keloe6100_0");
    SimNode triggerNode("keloe6100_0");
    KELOE6100 board(advancerNode.fd());
    KELOE6100 triggerBoard(triggerNode.fd());
    VirtualClock clock;
    board.initTimer(1, MICROSECOND, 10, 0);
    board.enableTimerInterrupt(1);
    board.startTimer(1);
    triggerBoard.initWatchdog(0, SECOND, 1, 0);
    triggerBoard.startWatchdog(0);

    constexpr int kSteps = 500;
    std::atomic<bool> done{false};
    std::thread advancer([&] {
        for (int i = 0; i < kSteps; ++i) corvane_sim_advance_ns(100000);  // 0.1 ms, 10 expiries
        done = true;
    });
    std::thread trigger([&] {
        while (!done) triggerBoard.triggerWatchdog(0);
    });
    std::atomic<size_t> taken{0};
    std::thread taker([&] {
        InterruptData d{};
        while (!done) {
            if (::ioctl(triggerNode.fd(), IoctlGetInterruptInformations, &d) == 0) ++taken;
        }
    });
    advancer.join();
    trigger.join();
    taker.join();

    const corvane_sim_board_state state = simState("keloe6100_0");
    EXPECT_EQ(state.units[1].expiries, 10u * kSteps);
    // Every expiry was taken, is still queued, or was dropped while the queue was full.
    EXPECT_EQ(taken + simTakeInterrupts(advancerNode.fd()).size() + state.dropped_interrupts, 10u * kSteps);
    EXPECT_EQ(state.units[0].running, 1);  // 50 ms of virtual time: the watchdog never ran out
    // Stopped before the descriptors close: nothing runs on when the real clock returns.
    board.stopTimer(1);
    triggerBoard.stopWatchdog(0);
}

}  // namespace
