// Input events of the simulated boards, configured through the library's board objects:
// which input changes raise an interrupt under each model's encoding, port logic, the
// interrupt record, the inputs at the ends of each word, and the full queue.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <string>
#include <vector>

#include "BoardTestSupport.h"
#include "IoctlCommands.h"
#include "KELO3100.h"
#include "KELOE5100.h"
#include "KELOE6100.h"
#include "SimDeliverySupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using corvane_board_test::SimBoardTest;

namespace {

// One input event, then a sequence of levels of that input: the interrupts each level
// change must raise (0 or 1).
struct EdgeCase {
    unsigned channel;
    DIGITAL_EVENT_TYPE event;
    std::vector<int> levels;
    std::vector<int> fires;
};

template <typename Board>
void runEdgeCases(const std::string& spec, const std::vector<EdgeCase>& cases) {
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << spec << " input " << c.channel << " event " << c.event);
        SimBoards boards(spec);
        char name[64] = {0};
        ASSERT_EQ(corvane_sim_board_node(0, name, sizeof name), 0);
        SimNode node(name);
        Board board(node.fd());
        board.setInterruptEventForOneInput(static_cast<uint8_t>(c.channel), c.event);
        board.enableDigitalInterrupt();
        for (size_t i = 0; i < c.levels.size(); ++i) {
            ASSERT_EQ(corvane_sim_set_input(name, c.channel, c.levels[i]), 0);
            const std::vector<InterruptData> got = simTakeInterrupts(node.fd());
            ASSERT_EQ(got.size(), static_cast<size_t>(c.fires[i])) << "change " << i;
            if (!got.empty()) {
                EXPECT_EQ(got[0].interrupt_source, CORVANE_SIM_SOURCE_DIGITAL_INPUT);
                EXPECT_EQ(got[0].interrupt_mask, 1u << c.channel);
                EXPECT_EQ(got[0].args[1], c.channel / 8 >= 1 && spec == "kelo3100" ? 1u : 0u);  // the port
            }
        }
    }
}

TEST(SimInputEvents, EdgesOfEachBoardAtItsInterruptibleLimits) {
    runEdgeCases<KELOE6100>("keloe6100", {{4, RISING_EDGE, {1, 0, 1}, {1, 0, 1}},
                                          {19, FALLING_EDGE, {1, 0, 1}, {0, 1, 0}},
                                          {12, ANY_EDGE, {1, 0}, {1, 1}},
                                          {5, UNUSED, {1, 0}, {0, 0}}});
    runEdgeCases<KELOE5100>("keloe5100", {{0, RISING_EDGE, {1, 0}, {1, 0}}, {15, FALLING_EDGE, {1, 0}, {0, 1}}});
    runEdgeCases<KELO3100>("kelo3100", {{0, RISING_EDGE, {1, 0}, {1, 0}},
                                        {13, FALLING_EDGE, {1, 0}, {0, 1}},
                                        {9, ANY_EDGE, {1, 0}, {1, 1}},
                                        {2, ON_ONE, {1, 1, 0, 1}, {1, 0, 0, 1}},  // level comes true
                                        {3, ON_ZERO, {1, 0}, {0, 1}}});
}

TEST(SimInputEvents, AndLogicFiresOnlyWhenEveryInputOfThePortMatches) {
    {
        // Levels on the 3100: inputs 0 and 1 both at one.
        SimBoards boards("kelo3100");
        SimNode node("kelo3100_0");
        KELO3100 board(node.fd());
        board.setInterruptLogicForPort(0, AND);
        board.setInterruptEventForInputs(0x3, ON_ONE);
        board.enableDigitalInterrupt();
        corvane_sim_set_input("kelo3100_0", 0, 1);
        EXPECT_EQ(simTakeInterrupts(node.fd()).size(), 0u);
        corvane_sim_set_input("kelo3100_0", 8, 1);  // the other port changes nothing
        EXPECT_EQ(simTakeInterrupts(node.fd()).size(), 0u);
        corvane_sim_set_input("kelo3100_0", 1, 1);
        std::vector<InterruptData> got = simTakeInterrupts(node.fd());
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].interrupt_mask, 0x3u);
        EXPECT_EQ(got[0].args[0], 0x103u);  // the inputs after the change
        corvane_sim_set_input("kelo3100_0", 2, 1);  // still both at one: no new match
        EXPECT_EQ(simTakeInterrupts(node.fd()).size(), 0u);
    }
    {
        // Edges on the 6100: both rising edges in the same change.
        SimBoards boards("keloe6100");
        SimNode node("keloe6100_0");
        KELOE6100 board(node.fd());
        board.setInterruptLogicForPort(0, AND);
        board.setInterruptEventForInputs(0x30, RISING_EDGE);
        board.enableDigitalInterrupt();
        corvane_sim_set_input("keloe6100_0", 4, 1);
        corvane_sim_set_input("keloe6100_0", 4, 0);
        EXPECT_EQ(simTakeInterrupts(node.fd()).size(), 0u);
        corvane_sim_set_inputs("keloe6100_0", 0x30);
        std::vector<InterruptData> got = deliverQueued(board, "keloe6100_0");
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].interrupt_source, CORVANE_SIM_SOURCE_DIGITAL_INPUT);
        EXPECT_EQ(got[0].interrupt_mask, 0x30u);
        ASSERT_EQ(got[0].args_count, 2u);
        EXPECT_EQ(got[0].args[0], 0x30u);
        EXPECT_EQ(got[0].args[1], 0u);
    }
}

TEST(SimInputEvents, NothingFiresWhileTheDigitalInterruptIsStopped) {
    SimBoards boards("keloe6100");
    SimNode node("keloe6100_0");
    KELOE6100 board(node.fd());
    board.setInterruptEventForInputs(0x000FFFF0u, ANY_EDGE);
    corvane_sim_set_inputs("keloe6100_0", 0x000FFFF0u);  // never started
    board.enableDigitalInterrupt();
    board.disableDigitalInterrupt();
    corvane_sim_set_inputs("keloe6100_0", 0);
    EXPECT_EQ(corvane_sim_pending_interrupts("keloe6100_0"), 0);
    board.enableDigitalInterrupt();
    corvane_sim_set_port_inputs("keloe6100_0", 1, 0xFF);  // inputs 8 to 15
    std::vector<InterruptData> got = simTakeInterrupts(node.fd());
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].interrupt_mask, 0xFF00u);
}

// The driver refuses a configuration naming inputs that cannot raise interrupts.
TEST(SimInputEvents, DriverRefusesInputsThatCannotInterrupt) {
    SimBoards boards("keloe6100,kelo3100");
    SimNode e6100("keloe6100_0");
    SimNode k3100("kelo3100_0");
    struct Case {
        int fd;
        IoctlInitDigitalInputInterruptStruct record;
        int result;
    } cases[] = {{e6100.fd(), {0, {0, 0, 0}, 0x10, 0x80000}, 0},        // inputs 4 and 19
                 {e6100.fd(), {0, {0, 0, 0}, 0x08, 0}, -1},             // input 3
                 {e6100.fd(), {0, {0, 0, 0}, 0, 0x100000}, -1},         // input 20
                 {k3100.fd(), {0, {0, 0, 0}, 0x01000104, 0x00200084}, 0},  // inputs 0 and 13
                 {k3100.fd(), {0, {0, 0, 0}, 0, 0x00004084}, -1}};      // input 14
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_EQ(::ioctl(c.fd, IoctlInitDigitalInputInterrupt, &c.record), c.result) << std::hex << c.record.first_mask;
        if (c.result != 0) {
            EXPECT_EQ(errno, EINVAL);
            VelmorErrorType e{};
            ASSERT_EQ(::ioctl(c.fd, IoctlGetLastError, &e), 0);
            EXPECT_STREQ(e.message, "Input cannot raise interrupts");
            EXPECT_STREQ(e.function_name, "IoctlInitDigitalInputInterrupt");
        }
    }
}

TEST(SimInputEvents, SetInputChecksChannelAndStateAtTheEndsOfEachBoard) {
    SimBoards boards("keloe6100,kelo3100,keloe7100,kelo4210");
    struct Case {
        const char* node;
        unsigned channel;
        int state;
        int error;  // 0: accepted
    } cases[] = {{"keloe6100_0", 0, 1, 0},        {"keloe6100_0", 31, 1, 0},   {"keloe6100_0", 32, 1, ERANGE},
                 {"kelo3100_0", 15, 1, 0},        {"kelo3100_0", 16, 1, ERANGE}, {"keloe7100_0", 0, 1, ERANGE},
                 {"kelo4210_0", 95, 1, 0},        {"kelo4210_0", 96, 1, ERANGE}, {"keloe6100_0", 1, 2, EINVAL},
                 {"nosuchboard_0", 0, 1, ENOENT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.node << " channel " << c.channel);
        errno = 0;
        EXPECT_EQ(corvane_sim_set_input(c.node, c.channel, c.state), c.error ? -1 : 0);
        EXPECT_EQ(errno, c.error);
    }
    EXPECT_EQ(simState("keloe6100_0").input_word, 0x80000001u);
    EXPECT_EQ(simState("kelo3100_0").inputs[1], 0x80);
    EXPECT_EQ(simState("kelo4210_0").inputs[11], 0x80);
}

TEST(SimInputEvents, FullQueueDropsAndCountsWhatTheBoardRaises) {
    SimBoards boards("keloe6100");
    SimNode node("keloe6100_0");
    KELOE6100 board(node.fd());
    VirtualClock clock;
    board.setInterruptEventForOneInput(4, ANY_EDGE);
    board.enableDigitalInterrupt();
    board.initTimer(0, MICROSECOND, 1, 0);
    board.enableTimerInterrupt(0);
    board.startTimer(0);
    VirtualClock::advanceUs(CORVANE_SIM_INTERRUPT_QUEUE_SIZE);
    EXPECT_EQ(corvane_sim_pending_interrupts("keloe6100_0"), static_cast<int>(CORVANE_SIM_INTERRUPT_QUEUE_SIZE));
    EXPECT_EQ(corvane_sim_dropped_interrupts("keloe6100_0"), 0);
    VirtualClock::advanceUs(1000);
    corvane_sim_set_input("keloe6100_0", 4, 1);
    EXPECT_EQ(corvane_sim_dropped_interrupts("keloe6100_0"), 1001);
    EXPECT_EQ(simState("keloe6100_0").dropped_interrupts, 1001u);
    InterruptData test{};
    EXPECT_EQ(corvane_sim_queue_interrupt("keloe6100_0", &test), -1);  // told, not counted
    EXPECT_EQ(errno, ENOSPC);
    board.stopTimer(0);
    // Taken from the queue: what comes next is queued again, in order.
    std::vector<InterruptData> got = simTakeInterrupts(node.fd());
    ASSERT_EQ(got.size(), CORVANE_SIM_INTERRUPT_QUEUE_SIZE);
    EXPECT_EQ(got.back().args[1], CORVANE_SIM_INTERRUPT_QUEUE_SIZE);
    corvane_sim_set_input("keloe6100_0", 4, 0);
    EXPECT_EQ(corvane_sim_pending_interrupts("keloe6100_0"), 1);
    EXPECT_EQ(corvane_sim_dropped_interrupts("keloe6100_0"), 1001);
    EXPECT_EQ(corvane_sim_dropped_interrupts("nosuchboard_0"), -1);
    EXPECT_EQ(errno, ENOENT);
}

}  // namespace
