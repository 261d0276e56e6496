// Timers, counters and watchdogs of the simulated boards under the virtual clock, set up
// through the library's board objects: exact expiry counts at the limits, the records of
// their interrupts, status bytes, wiring, and the set-ups the simulated driver refuses.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BoardTestSupport.h"
#include "KELO3100.h"
#include "KELOE6100.h"
#include "KELOX7100.h"
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

TEST_F(Sim6100Units, StatusShowsRunningAndExpiriesSinceTheLastStatusRead) {
    board->initTimer(0, MILLISECOND, 10, 0);  // no interrupt: nothing is queued
    board->startTimer(0);
    VirtualClock::advanceMs(55);
    uint32_t value = 0;
    uint8_t running = 0, expired = 0, expiries = 0;
    board->readTimerStatus(0, value, running, expired, expiries);
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({1, 1, 5}));
    board->readTimerStatus(0, value, running, expired, expiries);
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({1, 0, 0}));
    board->stopTimer(0);
    VirtualClock::advanceMs(100);
    EXPECT_EQ(board->readTimerValue(0), 5u);  // stopped: the count stays
    board->readTimerStatus(0, value, running, expired, expiries);
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({0, 0, 0}));
    EXPECT_EQ(pending(node), 0);
}

TEST_F(Sim3100Units, PeriodicAndSingleCycleTimers) {
    // 10 ms on the 3490 Hz clock: reload 17, one expiry every 17 * 2 / 3490 s (9.742 ms).
    board->initTimer(0, MILLISECOND, 10, 0);
    board->initTimer(1, MILLISECOND, 10, SINGLE_CYCLE);
    board->enableTimerInterrupt(0);
    board->startTimer(0);
    board->startTimer(1);
    VirtualClock::advanceMs(50);
    const std::vector<InterruptData> got = simTakeInterrupts(nodeHandle->fd());
    std::vector<uint32_t> masks;
    for (const InterruptData& d : got) masks.push_back(d.interrupt_mask);
    EXPECT_EQ(masks, std::vector<uint32_t>({1, 2, 1, 1, 1, 1}));  // timer 1 once, in time order
    EXPECT_EQ(board->readTimerValue(1), 0u);
    uint32_t value = 0;
    uint8_t running = 1, expired = 0, expiries = 0;
    board->readTimerStatus(1, value, running, expired, expiries);
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({0, 1, 1}));
}

TEST_F(Sim3100Units, GateAndTriggerInputsOfUnit1) {
    board->initTimer(1, MILLISECOND, 10, HARDWARE_GATE | EXTERNAL_TRIGGER);  // gate 11, trigger 10
    board->enableTimerInterrupt(1);
    board->startTimer(1);
    VirtualClock::advanceMs(30);
    EXPECT_EQ(pending(node), 0);  // waits for its trigger
    corvane_sim_set_input(node.c_str(), 10, 1);
    VirtualClock::advanceMs(30);
    EXPECT_EQ(pending(node), 0);  // triggered, but the gate is closed
    corvane_sim_set_input(node.c_str(), 11, 1);
    VirtualClock::advanceMs(20);
    EXPECT_EQ(pending(node), 2);  // 9.742 ms per expiry while the gate is open
    corvane_sim_set_input(node.c_str(), 11, 0);
    VirtualClock::advanceMs(50);
    EXPECT_EQ(pending(node), 2);
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

TEST_F(Sim6100Units, WatchdogExpiresOnlyWhenTriggersStopAndSwitchesOutputsOff) {
    board->writeAllDigitalOutput(0x80000001u, true);
    board->initWatchdog(0, MILLISECOND, 50, 0);
    board->enableWatchdogInterrupt(0);
    board->startWatchdog(0);
    for (int i = 0; i < 10; ++i) {
        VirtualClock::advanceMs(40);
        board->triggerWatchdog(0);
    }
    EXPECT_EQ(pending(node), 0);
    EXPECT_EQ(board->getDigitalOutputStatus(), 0x80000001u);
    VirtualClock::advanceMs(49);
    EXPECT_EQ(pending(node), 0);
    VirtualClock::advanceMs(1);
    VirtualClock::advanceMs(500);
    EXPECT_EQ(board->getDigitalOutputStatus(), 0u);
    uint32_t value = 0;
    uint8_t running = 1, expired = 0, expiries = 0;
    board->readWatchdogStatus(0, value, running, expired, expiries);
    EXPECT_EQ(std::vector<int>({running, expired, expiries}), std::vector<int>({0, 1, 1}));
    const std::vector<InterruptData> got = deliverQueued(*board, node);
    ASSERT_EQ(got.size(), 1u);  // once
    EXPECT_EQ(got[0].interrupt_source, CORVANE_SIM_SOURCE_WATCHDOG);
    EXPECT_EQ(got[0].interrupt_mask, 1u);
    EXPECT_EQ(got[0].args[0], 0u);
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

// Set-ups the model cannot run are refused by the start, as the driver refuses them:
// the call fails and the driver's error record says why.
TEST(SimUnitRefusals, StartRefusesWhatCannotRun) {
    struct Case {
        const char* boards;
        uint32_t code;
        const char* message;
        std::function<void(DeviceInterface&)> setUpAndStart;
    } cases[] = {
        {"kelo6100", 0x86000F08u, "Reload value 0 cannot run",
         [](DeviceInterface& d) {
             auto& b = dynamic_cast<KELOE6100&>(d);
             b.initWatchdog(0, MICROSECOND, 19, 0);  // 19 / 20 = 0
             b.startWatchdog(0);
         }},
        {"keloe6100", 0x86000F08u, "Custom time base not available on this board",
         [](DeviceInterface& d) {
             auto& b = dynamic_cast<KELOE6100&>(d);
             b.initTimer(0, CUSTOM, 0, 0);
             b.startTimer(0);
         }},
        {"kelo3100", 0x83001310u, "Custom frequency not set",  // re-coded by the board
         [](DeviceInterface& d) {
             auto& b = dynamic_cast<KELO3100&>(d);
             b.initTimer(1, CUSTOM, 1001, 0);
             b.startTimer(1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.boards);
        SimBoards boards(c.boards);
        char name[64] = {0};
        ASSERT_EQ(corvane_sim_board_node(0, name, sizeof name), 0);
        SimNode node(name);
        std::shared_ptr<DeviceInterface> board;
        if (std::string(c.boards) == "kelo3100") {
            board = std::make_shared<KELO3100>(node.fd());
        } else {
            board = std::make_shared<KELOE6100>(node.fd());
        }
        CorvaneException e = raised([&] { c.setUpAndStart(*board); });
        EXPECT_EQ(e.getCode(), c.code) << std::hex << e.getCode();
        const std::string expected = std::string(". Function used was IoctlStartStopTriggerTimerCounterWatchdog.. "
                                                 "Error message was ") + c.message + ".";
        EXPECT_EQ(e.getMessage().substr(e.getMessage().size() - expected.size()), expected);
        const corvane_sim_board_state s = simState(name);
        EXPECT_EQ(s.last_error.error_code, 22u);  // EINVAL
        EXPECT_EQ(s.units[s.last_unit].running, 0);
    }
}

TEST(SimUnitOutputs, Kelox7100WatchdogSwitchesOutputsOff) {
    SimBoards boards("keloe7100");
    SimNode node("keloe7100_0");
    KELOX7100 board(node.fd());
    VirtualClock clock;  // after the boards: setting boards up returns to the real clock
    board.writeAllDigitalOutput(0xFFFFFFFFu, true);
    board.initWatchdog(0, MICROSECOND, 1, 0);
    board.startWatchdog(0);
    corvane_sim_advance_ns(999);
    EXPECT_EQ(board.getDigitalOutputStatus(), 0xFFFFFFFFu);
    corvane_sim_advance_ns(1);
    EXPECT_EQ(board.getDigitalOutputStatus(), 0u);
    EXPECT_EQ(corvane_sim_pending_interrupts("keloe7100_0"), 0);  // its interrupt was not enabled
}

}  // namespace
