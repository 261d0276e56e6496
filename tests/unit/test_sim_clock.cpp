// The simulator's clock: the control functions, the virtual clock that moves only when
// advanced and runs what falls due in time order, and the real clock that runs a started
// timer by itself.
#include <gtest/gtest.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "BoardTestSupport.h"
#include "KELOE6100.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;

namespace {

TEST(SimClock, ControlFunctionsCheckTheirArguments) {
    SimBoards boards;
    EXPECT_EQ(corvane_sim_get_clock(), CORVANE_SIM_CLOCK_REAL);
    struct Case {
        int result;
        int error;
    };
    auto call = [](int result) { return Case{result, result == 0 ? 0 : errno}; };
    errno = 0;
    Case real = call(corvane_sim_advance_ns(1));
    Case unknown = call(corvane_sim_set_clock(2));
    Case negative = call(corvane_sim_set_clock(-1));
    EXPECT_EQ(std::vector<int>({real.result, real.error, unknown.result, unknown.error, negative.result, negative.error}),
              std::vector<int>({-1, EINVAL, -1, EINVAL, -1, EINVAL}));

    ASSERT_EQ(corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL), 0);
    const uint64_t start = corvane_sim_now_ns();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(corvane_sim_now_ns(), start);  // nothing moves by itself
    EXPECT_EQ(corvane_sim_advance_ns(0), 0);
    EXPECT_EQ(corvane_sim_advance_ns(7), 0);
    EXPECT_EQ(corvane_sim_now_ns(), start + 7);
    errno = 0;
    EXPECT_EQ(corvane_sim_advance_ns(UINT64_MAX), -1);
    EXPECT_EQ(errno, EOVERFLOW);
    EXPECT_EQ(corvane_sim_now_ns(), start + 7);

    corvane_sim_reset(0);  // back to the real clock; the time never goes back
    EXPECT_EQ(corvane_sim_get_clock(), CORVANE_SIM_CLOCK_REAL);
    EXPECT_GE(corvane_sim_now_ns(), start + 7);
}

TEST(SimClock, SwitchingClocksKeepsTheTime) {
    SimBoards boards;
    const uint64_t before = corvane_sim_now_ns();
    ASSERT_EQ(corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL), 0);
    const uint64_t frozen = corvane_sim_now_ns();
    EXPECT_GE(frozen, before);
    ASSERT_EQ(corvane_sim_advance_ns(3000000000u), 0);  // three seconds on
    ASSERT_EQ(corvane_sim_set_clock(CORVANE_SIM_CLOCK_REAL), 0);
    const uint64_t after = corvane_sim_now_ns();
    EXPECT_GE(after, frozen + 3000000000u);
    EXPECT_LT(after, frozen + 4000000000u);
    EXPECT_EQ(corvane_sim_set_clock(CORVANE_SIM_CLOCK_REAL), 0);  // already selected
}

// Two timers of one board with periods 3 ms and 5 ms: the expiries are queued in time
// order; at 15 ms both fall due and the lower unit comes first.
TEST(SimClock, AdvanceRunsWhatFallsDueInTimeOrder) {
    SimBoards boards("keloe6100");
    SimNode node("keloe6100_0");
    KELOE6100 board(node.fd());
    VirtualClock clock;
    board.initTimer(0, MILLISECOND, 3, 0);
    board.initTimer(1, MILLISECOND, 5, 0);
    board.enableTimerInterrupt(0);
    board.startTimer(0);
    board.startTimer(1);
    VirtualClock::advanceMs(15);
    std::vector<uint32_t> order;
    for (const InterruptData& d : simTakeInterrupts(node.fd())) order.push_back(d.interrupt_mask * 100 + d.args[1]);
    EXPECT_EQ(order, std::vector<uint32_t>({101, 201, 102, 103, 202, 104, 105, 203}));
}

// Bounded and tolerant: a 5 ms timer on the real clock runs by itself and wakes a waiter
// on the board's descriptor, as a board does.
TEST(SimClock, RealClockRunsAStartedTimerByItself) {
    SimBoards boards("keloe6100");
    SimNode node("keloe6100_0");
    KELOE6100 board(node.fd());
    board.initTimer(0, MILLISECOND, 5, 0);
    board.enableTimerInterrupt(0);
    const uint64_t start = corvane_sim_now_ns();
    board.startTimer(0);
    pollfd p{node.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1) << "no interrupt within two seconds";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (corvane_sim_pending_interrupts("keloe6100_0") < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    board.stopTimer(0);
    const std::vector<InterruptData> got = simTakeInterrupts(node.fd());
    ASSERT_GE(got.size(), 3u);
    EXPECT_GE(corvane_sim_now_ns() - start, 15000000u);
    for (uint32_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].args[1], i + 1);
    const uint32_t value = board.readTimerValue(0);
    EXPECT_GE(value, 1u);
    EXPECT_LE(value, 5u);
}

}  // namespace
