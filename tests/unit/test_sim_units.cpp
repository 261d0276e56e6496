// Timers, counters and watchdogs of the simulated boards under the virtual clock, set up
// through the library's board objects: exact expiry counts at the limits, the records of
// their interrupts, status bytes, wiring, and the set-ups the simulated driver refuses.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <string>
#include <vector>

#include "BoardTestSupport.h"
#include "IoctlCommands.h"
#include "KELO3100.h"
#include "KELOE6100.h"
#include "SimDeliverySupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using corvane_board_test::raised;
using corvane_board_test::SimBoardTest;

namespace {

int pending(const std::string& node) { return corvane_sim_pending_interrupts(node.c_str()); }

// Each start() sets up fresh boards on the real clock; the tests run on the virtual one.
class Sim6100Units : public SimBoardTest<KELOE6100> {
protected:
    void SetUp() override { startVirtual("keloe6100"); }
    void startVirtual(const char* spec) {
        start(spec);
        corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL);
    }
};

class Sim3100Units : public SimBoardTest<KELO3100> {
protected:
    void SetUp() override {
        start("kelo3100");
        corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL);
    }
};

TEST_F(Sim6100Units, MillisecondTimerFiresOncePerReloadAndReachesTheCallback) {
    board->initTimer(0, MILLISECOND, 10, 0);
    board->enableTimerInterrupt(0);
    board->startTimer(0);
    corvane_sim_advance_ns(10000000u - 1);
    EXPECT_EQ(pending(node), 0);
    EXPECT_EQ(board->readTimerValue(0), 1u);
    corvane_sim_advance_ns(1);
    EXPECT_EQ(pending(node), 1);
    EXPECT_EQ(board->readTimerValue(0), 10u);  // reloaded at zero
    VirtualClock::advanceMs(40);
    EXPECT_EQ(pending(node), 5);  // 50 ms: exactly five expiries
    VirtualClock::advanceMs(3);
    EXPECT_EQ(board->readTimerValue(0), 7u);
    uint32_t value = 0;
    uint8_t running = 0, expired = 0, expiries = 0;
    board->readTimerStatus(0, value, running, expired, expiries);
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({1, 1, 5}));
    EXPECT_EQ(value, 7u);  // a status read answers the count too
    board->stopTimer(0);
    VirtualClock::advanceMs(100);
    EXPECT_EQ(board->readTimerValue(0), 7u);  // stopped: the count stays
    board->readTimerStatus(0, value, running, expired, expiries);  // the expiries were read
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({0, 0, 0}));

    const std::vector<InterruptData> got = deliverQueued(*board, node);
    ASSERT_EQ(got.size(), 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_EQ(got[i].interrupt_source, CORVANE_SIM_SOURCE_TIMER);
        EXPECT_EQ(got[i].interrupt_mask, 1u);  // timer 0
        ASSERT_EQ(got[i].args_count, 2u);
        EXPECT_EQ(got[i].args[0], 0u);         // unit 0
        EXPECT_EQ(got[i].args[1], i + 1);      // expiry number since the start
    }
}

// Each time base at its smallest and largest reload: expiries at the reload and one tick
// before it.
TEST_F(Sim6100Units, ReloadLimitsOfEachTimeBase) {
    struct Case {
        TIMEBASE_UNITS timebase;
        uint16_t reload;
        uint64_t tickNs;
    } cases[] = {{MICROSECOND, 1, 1000},        {MICROSECOND, 4095, 1000},       {MILLISECOND, 1, 1000000},
                 {MILLISECOND, 4095, 1000000}, {SECOND, 1, 1000000000},      {SECOND, 4095, 1000000000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "timebase " << c.timebase << " reload " << c.reload);
        simTakeInterrupts(nodeHandle->fd());
        board->initTimer(1, c.timebase, c.reload, 0);
        board->enableTimerInterrupt(1);
        board->startTimer(1);
        corvane_sim_advance_ns(c.reload * c.tickNs - 1);
        EXPECT_EQ(pending(node), 0);
        corvane_sim_advance_ns(1);
        corvane_sim_advance_ns(2 * c.reload * c.tickNs);
        const std::vector<InterruptData> got = simTakeInterrupts(nodeHandle->fd());
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[2].interrupt_mask, 2u);  // timer 1
        EXPECT_EQ(got[2].args[0], 1u);
        EXPECT_EQ(got[2].args[1], 3u);
        board->stopTimer(1);
    }
}

// 10 ms on the 3490 Hz clock: reload 17, one expiry every 17 * 2 / 3490 s (9.742 ms).
TEST_F(Sim3100Units, PeriodicSingleCycleGatedAndTriggeredTimers) {
    board->initTimer(0, MILLISECOND, 10, 0);
    board->initTimer(1, MILLISECOND, 10, SINGLE_CYCLE);
    board->enableTimerInterrupt(0);
    board->startTimer(0);
    board->startTimer(1);
    VirtualClock::advanceMs(50);
    std::vector<uint32_t> masks;
    for (const InterruptData& d : simTakeInterrupts(nodeHandle->fd())) masks.push_back(d.interrupt_mask);
    EXPECT_EQ(masks, std::vector<uint32_t>({1, 2, 1, 1, 1, 1}));  // timer 1 once, in time order
    EXPECT_EQ(board->readTimerValue(1), 0u);
    board->stopTimer(0);

    board->initTimer(1, MILLISECOND, 10, HARDWARE_GATE | EXTERNAL_TRIGGER);  // gate 11, trigger 10
    board->startTimer(1);
    corvane_sim_set_input(node.c_str(), 11, 1);  // gate open
    VirtualClock::advanceMs(30);
    EXPECT_EQ(pending(node), 0);  // waits for its trigger
    corvane_sim_set_input(node.c_str(), 10, 1);
    VirtualClock::advanceMs(20);
    corvane_sim_set_input(node.c_str(), 11, 0);
    VirtualClock::advanceMs(50);
    EXPECT_EQ(pending(node), 2);  // triggered, and only while the gate was open
}

TEST_F(Sim6100Units, CounterCountsTheEdgesOfItsInput) {
    struct Case {
        unsigned counter;
        uint32_t options;
        uint32_t reload;
        uint32_t value;  // after 7 pulses 0-1-0 on input = counter id
        int interrupts;
    } cases[] = {{0, COUNTER_RISING_EDGE_COUNT | COUNT_DIRECTION_UP, 100, 7, 0},
                 {1, COUNTER_FALLING_EDGE_COUNT | COUNT_DIRECTION_UP, 100, 7, 0},
                 {2, COUNTER_BOTH_EDGE_COUNT | COUNT_DIRECTION_UP, 5, 4, 2},
                 {0, 0, 3, 2, 2},                                   // down, rising edges
                 {1, COUNTER_RISING_EDGE_COUNT, 4095, 4088, 0}};    // largest reload
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "counter " << c.counter << " options " << c.options);
        board->initCounter(c.counter, c.reload, c.options);
        board->enableCounterInterrupt(c.counter);
        board->startCounter(c.counter);
        for (int i = 0; i < 7; ++i) {
            corvane_sim_set_input(node.c_str(), c.counter, 1);
            corvane_sim_set_input(node.c_str(), c.counter, 0);
        }
        corvane_sim_set_inputs(node.c_str(), 0xFFFFFFF8u);  // other inputs are not counted
        corvane_sim_set_inputs(node.c_str(), 0);
        EXPECT_EQ(board->readCounterValue(c.counter), c.value);
        const std::vector<InterruptData> got = simTakeInterrupts(nodeHandle->fd());
        ASSERT_EQ(got.size(), static_cast<size_t>(c.interrupts));
        for (const InterruptData& d : got) {
            EXPECT_EQ(d.interrupt_source, CORVANE_SIM_SOURCE_COUNTER);
            EXPECT_EQ(d.interrupt_mask, 1u << c.counter);
            EXPECT_EQ(d.args[0], c.counter + 2);  // units 2 to 4
        }
        board->stopCounter(c.counter);
        board->disableCounterInterrupt(c.counter);
    }
}

TEST_F(Sim6100Units, PciWatchdogCountsInStepsOfTwentyTimeBaseUnits) {
    startVirtual("kelo6100");
    board->initWatchdog(0, MILLISECOND, 1000, 0);  // the board sends 50
    board->enableWatchdogInterrupt(0);
    board->startWatchdog(0);
    VirtualClock::advanceMs(999);
    EXPECT_EQ(pending(node), 0);
    VirtualClock::advanceMs(1);
    EXPECT_EQ(pending(node), 1);
}

// Set-ups the model cannot run are accepted as sent and refused by the start, as the
// driver refuses them: the call fails with EINVAL and the error record says why.
TEST(SimUnitRefusals, StartRefusesWhatCannotRun) {
    SimBoards boards("kelo6100,keloe6100,kelo3100");
    struct Case {
        const char* node;
        IoctlInitTimerCounterWatchdogStruct init;
        const char* message;
    } cases[] = {{"kelo6100_0", {0, MILLISECOND, 0, 0, 0}, "Reload value 0 cannot run"},
                 {"keloe6100_0", {4, 0, 0, 0, 0}, "Reload value 0 cannot run"},
                 {"keloe6100_0", {1, CUSTOM, 1, 5, 0}, "Custom time base not available on this board"},
                 {"keloe6100_0", {1, 4, 1, 5, 0}, "Unknown time base"},
                 {"keloe6100_0", {1, MILLISECOND, 0, 5, 0}, "Unit cannot run in this mode"},
                 {"kelo3100_0", {1, 3, 0, 5, 0}, "Custom frequency not set"},
                 {"kelo3100_0", {1, 4, 0, 5, 0}, "Unknown clock selection"},
                 {"kelo3100_0", {0, 0, 3, 5, 0}, "Unit cannot run in this mode"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SimNode node(c.node);
        IoctlStartStopTriggerTimerCounterWatchdogStruct start{c.init.index, 1, 1};
        ASSERT_EQ(::ioctl(node.fd(), IoctlInitTimerCounterWatchdog, &c.init), 0);
        errno = 0;
        EXPECT_EQ(::ioctl(node.fd(), IoctlStartStopTriggerTimerCounterWatchdog, &start), -1);
        EXPECT_EQ(errno, EINVAL);
        const corvane_sim_board_state s = simState(c.node);
        EXPECT_STREQ(s.last_error.message, c.message);
        EXPECT_STREQ(s.last_error.function_name, "IoctlStartStopTriggerTimerCounterWatchdog");
        EXPECT_EQ(s.units[c.init.index].running, 0);
    }
    // Through the library: a PCI watchdog of 19 us is sent as reload 19 / 20 = 0.
    SimNode node("kelo6100_0");
    KELOE6100 board(node.fd());
    board.initWatchdog(0, MICROSECOND, 19, 0);
    CorvaneException e = raised([&] { board.startWatchdog(0); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    const std::string tail = "kelo6100_0 generated error 22. Function used was "
                             "IoctlStartStopTriggerTimerCounterWatchdog.. Error message was Reload value 0 cannot run.";
    EXPECT_EQ(e.getMessage().substr(e.getMessage().size() - tail.size()), tail);
}

}  // namespace
