// Helpers shared by the board tests that drive a board class over the simulated driver
// (see SimTestSupport.h for the simulator itself).
//
//   class Keloe5100Test : public corvane_board_test::SimBoardTest<KELOE5100> {
//   protected:
//       void SetUp() override { start("keloe5100:number=2"); }
//   };
//   EXPECT_REFUSED(board->getTimerValue(7), code, "Invalid timer_id: out of range");
//   EXPECT_EQ(callsOf(IoctlInitTimerCounterWatchdog).back().sent, initRecord(0, 0, 10, 0));
#ifndef CORVANE_BOARD_TEST_SUPPORT_H
#define CORVANE_BOARD_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ios>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneException.h"
#include "SimTestSupport.h"
#include "VelmorTypes.h"
#include "corvane_sim.h"

namespace corvane_board_test {

// Runs the call and returns the CorvaneException it raised; fails the test if none.
template <typename Call>
CorvaneException raised(Call&& call) {
    try {
        call();
    } catch (const CorvaneException& e) {
        return e;
    }
    ADD_FAILURE() << "no CorvaneException raised";
    return CorvaneException();
}

// The commands of this number in the trace, oldest first; with a node name only that
// node's commands.
inline std::vector<corvane_sim_test::SimCall> callsOf(uint32_t command,
                                                      const std::string& node = std::string()) {
    std::vector<corvane_sim_test::SimCall> selected;
    for (const corvane_sim_test::SimCall& c : corvane_sim_test::simTrace(node)) {
        if (c.command == command) selected.push_back(c);
    }
    return selected;
}

// ---- Driver records as the board must send them -----------------------------------------

inline std::vector<uint8_t> outputsRecord(uint32_t mask, uint8_t memory, uint8_t state) {
    IoctlSetDigitalOutputsStruct r;
    std::memset(&r, 0, sizeof r);
    r.mask = mask;
    r.memory = memory;
    r.state = state;
    return corvane_sim_test::bytesOf(r);
}

inline std::vector<uint8_t> interruptRecord(uint8_t logicAnd, uint32_t first, uint32_t second) {
    IoctlInitDigitalInputInterruptStruct r;
    std::memset(&r, 0, sizeof r);
    r.logic_and = logicAnd;
    r.first_mask = first;
    r.second_mask = second;
    return corvane_sim_test::bytesOf(r);
}

inline std::vector<uint8_t> initRecord(uint8_t index, uint8_t timebase, uint16_t mode, uint32_t reload,
                                       uint32_t options) {
    IoctlInitTimerCounterWatchdogStruct r;
    std::memset(&r, 0, sizeof r);
    r.index = index;
    r.timebase = timebase;
    r.mode = mode;
    r.reload_value = reload;
    r.options = options;
    return corvane_sim_test::bytesOf(r);
}

// The same for the first unit (index 0), as boards with a single timer or watchdog send it.
inline std::vector<uint8_t> initRecord(uint8_t timebase, uint16_t mode, uint32_t reload, uint32_t options) {
    return initRecord(0, timebase, mode, reload, options);
}

inline std::vector<uint8_t> readRecord(uint8_t readStatus) {
    IoctlReadTimerCounterWatchdogStruct r;
    std::memset(&r, 0, sizeof r);
    r.read_status = readStatus;
    return corvane_sim_test::bytesOf(r);
}

// Start, stop or trigger of one unit: index, action, interrupt.
inline std::vector<uint8_t> unitRecord(uint8_t index, uint8_t action, uint8_t interrupt) {
    return {index, action, interrupt};
}

// ---- Fixture -------------------------------------------------------------------------------

// Configures the simulator with spec, opens the first board's node and builds a Board on
// it; the trace is cleared afterwards, so a test sees only its own commands. start() may
// be called again within a test to switch to other boards.
template <typename Board>
class SimBoardTest : public ::testing::Test {
protected:
    void start(const std::string& spec) {
        board.reset();
        nodeHandle.reset();
        boards.reset();
        boards = std::make_unique<corvane_sim_test::SimBoards>(spec);
        char name[64] = {0};
        ASSERT_EQ(corvane_sim_board_node(0, name, sizeof name), 0);
        node = name;
        nodeHandle = std::make_unique<corvane_sim_test::SimNode>(node);
        ASSERT_TRUE(nodeHandle->isOpen()) << std::strerror(nodeHandle->openError());
        board = std::make_shared<Board>(nodeHandle->fd());
        corvane_sim_test::simClearTrace();
    }
    void TearDown() override {
        board.reset();
        nodeHandle.reset();
        boards.reset();
    }
    // Changes the board's own device structure.
    template <typename Edit>
    void editInformation(Edit edit) {
        VelmorDeviceStruct info = board->getDeviceInformation();
        edit(info);
        board->setDeviceInformation(info);
    }

    std::unique_ptr<corvane_sim_test::SimBoards> boards;
    std::unique_ptr<corvane_sim_test::SimNode> nodeHandle;
    std::string node;
    std::shared_ptr<Board> board;
};

}  // namespace corvane_board_test

// The call fails with this code and message and sends nothing to the driver.
#define EXPECT_REFUSED(call, expectedCode, expectedMessage)                                       \
    do {                                                                                          \
        corvane_sim_test::simClearTrace();                                                        \
        ::CorvaneException e_ = ::corvane_board_test::raised([&] { call; });     \
        EXPECT_EQ(e_.getCode(), static_cast<uint32_t>(expectedCode)) << std::hex << e_.getCode(); \
        EXPECT_EQ(e_.getMessage(), std::string(expectedMessage));                                 \
        EXPECT_EQ(corvane_sim_trace_count(), 0u) << #call " reached the driver";                 \
    } while (0)

#endif
