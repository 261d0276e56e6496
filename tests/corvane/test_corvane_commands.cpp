// corvane's commands run in-process over the default simulated boards (one of each
// model): what they print, what the driver received byte for byte, and the exit status
// and text of every failure.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BoardTestSupport.h"
#include "IoctlCommands.h"
#include "SimTestSupport.h"
#include "ToolTestSupport.h"
#include "corvane_sim.h"

using corvane_board_test::callsOf;
using corvane_board_test::initRecord;
using corvane_board_test::outputsRecord;
using corvane_board_test::unitRecord;
using corvane_sim_test::bytesOf;
using corvane_sim_test::simClearTrace;
using corvane_sim_test::simState;
using corvane_sim_test::simTrace;
using corvane_tool_test::libraryFailure;
using corvane_tool_test::runTool;
using corvane_tool_test::ToolRun;
using corvane_tool_test::usageFailure;
using nlohmann::json;
using namespace velmor::corvane;

namespace {

const char* const kBoards = "kelo3100_0, kelo4210_0, keloe5100_0, keloe6100_0, keloe7100_0";

class ToolTest : public corvane_tool_test::ToolTest {
protected:
    static void expectQuietSuccess(const ToolRun& r) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
    }
};

std::vector<uint8_t> portRecord(uint8_t port, uint8_t mask, uint8_t memory, uint8_t state) {
    return {port, mask, memory, state};
}

std::vector<uint8_t> readRecord(uint8_t index, uint8_t readStatus) {
    IoctlReadTimerCounterWatchdogStruct r;
    std::memset(&r, 0, sizeof r);
    r.index = index;
    r.read_status = readStatus;
    return bytesOf(r);
}

// ---- get, set, outputs ----------------------------------------------------------------------

TEST_F(ToolTest, GetPrintsTheInputWordOrEachChannelInTheOrderGiven) {
    ASSERT_EQ(corvane_sim_set_inputs("keloe6100_0", 0x80000001u), 0);
    ToolRun r = runTool({"get", "keloe6100_0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0x80000001\n");
    EXPECT_EQ(r.err, "");

    r = runTool({"get", "keloe6100_0", "31", "0", "1", "0x1f"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "31=1\n0=1\n1=0\n31=1\n");
    EXPECT_EQ(callsOf(IoctlGetDigitalInputs, "keloe6100_0").size(), 5u);

    r = runTool({"--json", "get", "keloe6100_0", "31", "1"});
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"board":"keloe6100_0","channels":[{"channel":31,"state":1},
                                                  {"channel":1,"state":0}]})"));
    r = runTool({"get", "keloe6100_0", "--json"});
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"board":"keloe6100_0","inputs":2147483649})"));
}

TEST_F(ToolTest, SetSwitchesChannelsOneAfterTheOtherAndOutputsReadsThemBack) {
    expectQuietSuccess(runTool({"set", "keloe6100_0", "0=1", "31=1"}));
    auto writes = callsOf(IoctlSetDigitalOutputs, "keloe6100_0");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].sent, outputsRecord(0x00000001, 1, 1));
    EXPECT_EQ(writes[1].sent, outputsRecord(0x80000000, 1, 1));
    EXPECT_EQ(simState("keloe6100_0").output_word, 0x80000001u);

    ToolRun r = runTool({"outputs", "keloe6100_0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0x80000001\n");

    simClearTrace();
    expectQuietSuccess(runTool({"set", "keloe6100_0", "0=0"}));
    writes = callsOf(IoctlSetDigitalOutputs, "keloe6100_0");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].sent, outputsRecord(0x00000001, 1, 0));
    r = runTool({"--json", "outputs", "keloe6100_0"});
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"board":"keloe6100_0","outputs":2147483648})"));
}

TEST_F(ToolTest, SetAllWritesOneMaskAndMemoryDecidesWhetherOutputsMaySwitchOff) {
    // KELOX7100 starts with output memory off: switching on works, switching off is refused.
    expectQuietSuccess(runTool({"set", "keloe7100_0", "--all", "0xffffffff=1"}));
    ToolRun r = runTool({"set", "keloe7100_0", "--all", "0xffffffff=0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, libraryFailure(0x82001909, "Cannot write output to 0 when DigitalOutputMemory is disabled"));
    expectQuietSuccess(runTool({"set", "keloe7100_0", "--memory", "on", "--all", "0x0000ffff=0"}));
    auto writes = callsOf(IoctlSetDigitalOutputs, "keloe7100_0");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].sent, outputsRecord(0xffffffff, 0, 1));
    EXPECT_EQ(writes[1].sent, outputsRecord(0x0000ffff, 1, 0));
    EXPECT_EQ(simState("keloe7100_0").output_word, 0xffff0000u);

    simClearTrace();
    expectQuietSuccess(runTool({"set", "keloe6100_0", "--memory", "off", "5=1"}));
    writes = callsOf(IoctlSetDigitalOutputs, "keloe6100_0");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].sent, outputsRecord(0x20, 0, 1));
}

// ---- port ----------------------------------------------------------------------------------

TEST_F(ToolTest, PortDirectionsValuesAndInputsOfThePortBoard) {
    expectQuietSuccess(runTool({"port", "kelo4210_0", "dir", "0x801"}));
    auto directions = callsOf(IoctlSetAllDigitalPortsDirections, "kelo4210_0");
    ASSERT_EQ(directions.size(), 1u);
    EXPECT_EQ(directions[0].sent, bytesOf(uint32_t{0x801}));
    EXPECT_EQ(simState("kelo4210_0").port_directions, 0x801u);
    ToolRun r = runTool({"port", "kelo4210_0", "dir"});
    EXPECT_EQ(r.out, "0x0801\n");
    r = runTool({"port", "kelo4210_0", "dir", "--json"});
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"board":"kelo4210_0","directions":2049})"));

    // A value is written as the outputs to switch off, then those to switch on.
    simClearTrace();
    expectQuietSuccess(runTool({"port", "kelo4210_0", "set", "11", "0xa5"}));
    expectQuietSuccess(runTool({"port", "kelo4210_0", "set", "0", "0xff"}));
    expectQuietSuccess(runTool({"port", "kelo4210_0", "set", "1", "0"}));
    auto writes = callsOf(IoctlSetDigitalOutputsOnPort, "kelo4210_0");
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[0].sent, portRecord(11, 0x5a, 1, 0));
    EXPECT_EQ(writes[1].sent, portRecord(11, 0xa5, 1, 1));
    EXPECT_EQ(writes[2].sent, portRecord(0, 0xff, 1, 1));
    EXPECT_EQ(writes[3].sent, portRecord(1, 0xff, 1, 0));
    uint8_t value = 0;
    ASSERT_EQ(corvane_sim_get_port_outputs("kelo4210_0", 11, &value), 0);
    EXPECT_EQ(value, 0xa5);
    r = runTool({"port", "kelo4210_0", "outputs", "11"});
    EXPECT_EQ(r.out, "0xa5\n");

    ASSERT_EQ(corvane_sim_set_port_inputs("kelo4210_0", 11, 0x81), 0);
    r = runTool({"port", "kelo4210_0", "get", "11"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0x81\n");
    r = runTool({"--json", "port", "kelo4210_0", "get", "11"});
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"board":"kelo4210_0","port":11,"inputs":129})"));
    r = runTool({"port", "kelo4210_0", "get", "12"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, libraryFailure(0x82002E10, "Invalid port_number: out of range. Valid is 0 to 11"));
}

// ---- timer, counter, watchdog: the records the driver receives --------------------------------

struct UnitCase {
    std::vector<std::string> args;
    const char* node;
    uint32_t command;
    std::vector<uint8_t> sent;
};

void PrintTo(const UnitCase& c, std::ostream* os) { *os << c.args.size() << " arguments"; }

class UnitRecords : public ToolTest, public ::testing::WithParamInterface<UnitCase> {};

TEST_P(UnitRecords, OneDriverCallWithTheExactRecord) {
    const UnitCase& c = GetParam();
    expectQuietSuccess(runTool(c.args));
    const auto calls = simTrace(c.node);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, c.command) << std::hex << calls[0].command;
    EXPECT_EQ(calls[0].sent, c.sent);
    EXPECT_EQ(simTrace().size(), 1u) << "another board received a command";
}

const UnitCase kUnitCases[] = {
    // Options are masked by the board: KELOE6100 timers keep none.
    {{"timer", "keloe6100_0", "init", "1", "ms", "4095", "up"}, "keloe6100_0", IoctlInitTimerCounterWatchdog,
     initRecord(1, 1, 1, 4095, 0)},
    {{"timer", "kelo3100_0", "init", "2", "s", "75"}, "kelo3100_0", IoctlInitTimerCounterWatchdog,
     initRecord(2, 2, 0, 65513, 0)},
    {{"timer", "kelo3100_0", "init", "0", "us", "18", "up,single-cycle,external-trigger,gate,rising,falling"},
     "kelo3100_0", IoctlInitTimerCounterWatchdog, initRecord(0, 0, 0, 1, 0x02)},
    {{"timer", "kelo3100_0", "init", "1", "custom", "1001", "both,gate"}, "kelo3100_0",
     IoctlInitTimerCounterWatchdog, initRecord(1, 3, 0, 500, 0x08)},
    {{"timer", "kelo3100_0", "frequency", "0xffffffff"}, "kelo3100_0", IoctlSetCustomTimerFrequency,
     bytesOf(uint32_t{0xffffffff})},
    {{"counter", "keloe6100_0", "init", "2", "1", "both,up"}, "keloe6100_0", IoctlInitTimerCounterWatchdog,
     initRecord(4, 0, 0, 1, 0x31)},
    {{"counter", "kelo3100_0", "init", "1", "500", "gate,single-cycle"}, "kelo3100_0",
     IoctlInitTimerCounterWatchdog, initRecord(1, 0, 2, 500, 0x0A)},
    {{"watchdog", "keloe7100_0", "init", "0", "s", "4095"}, "keloe7100_0", IoctlInitTimerCounterWatchdog,
     initRecord(0, 2, 2, 4095, 0)},
    {{"watchdog", "keloe6100_0", "init", "0", "ms", "1000"}, "keloe6100_0", IoctlInitTimerCounterWatchdog,
     initRecord(0, 1, 0, 1000, 0)},
    {{"watchdog", "kelo3100_0", "init", "0", "ms", "100", "gate,external-trigger"}, "kelo3100_0",
     IoctlInitTimerCounterWatchdog, initRecord(2, 1, 3, 175, 0x08)},
    {{"timer", "keloe6100_0", "start", "1"}, "keloe6100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(1, 1, 0)},
    {{"timer", "keloe6100_0", "start", "1", "--interrupt"}, "keloe6100_0",
     IoctlStartStopTriggerTimerCounterWatchdog, unitRecord(1, 1, 1)},
    {{"timer", "keloe5100_0", "start", "0", "--interrupt"}, "keloe5100_0",
     IoctlStartStopTriggerTimerCounterWatchdog, unitRecord(0, 1, 1)},
    {{"counter", "keloe6100_0", "start", "0"}, "keloe6100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(2, 1, 0)},
    {{"counter", "keloe6100_0", "stop", "2"}, "keloe6100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(4, 0, 0)},
    {{"timer", "keloe6100_0", "stop", "1"}, "keloe6100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(1, 0, 0)},
    {{"timer", "keloe6100_0", "trigger", "0"}, "keloe6100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(0, 2, 0)},
    {{"watchdog", "keloe7100_0", "trigger", "0"}, "keloe7100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(0, 2, 0)},
    {{"watchdog", "kelo3100_0", "start", "0", "--interrupt"}, "kelo3100_0",
     IoctlStartStopTriggerTimerCounterWatchdog, unitRecord(2, 1, 1)},
    {{"watchdog", "kelo3100_0", "stop", "0"}, "kelo3100_0", IoctlStartStopTriggerTimerCounterWatchdog,
     unitRecord(2, 0, 0)},
};

// Short names (the test's home directory is named after it): the case number and the
// command words, for example c03_timer_kelo3100_0_init.
std::string caseName(const ::testing::TestParamInfo<UnitCase>& info) {
    std::string name = "c" + std::to_string(info.index / 10) + std::to_string(info.index % 10);
    for (size_t i = 0; i < 3 && i < info.param.args.size(); ++i) name += "_" + info.param.args[i];
    return name;
}

INSTANTIATE_TEST_SUITE_P(Commands, UnitRecords, ::testing::ValuesIn(kUnitCases), caseName);

// With --json a command that only acts still prints one document: what it did.
TEST_F(ToolTest, ActionsPrintOneJsonDocument) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--json", "set", "keloe6100_0", "0=1", "31=0", "--memory", "on"},
         R"({"board":"keloe6100_0","written":[{"channel":0,"state":1},{"channel":31,"state":0}],"memory":"on"})"},
        {{"set", "keloe6100_0", "--all", "0xffffffff=1", "--json"},
         R"({"board":"keloe6100_0","written":[{"mask":4294967295,"state":1}]})"},
        {{"--json", "port", "kelo4210_0", "set", "11", "0x81"}, R"({"board":"kelo4210_0","port":11,"outputs":129})"},
        {{"--json", "port", "kelo4210_0", "dir", "0x801"}, R"({"board":"kelo4210_0","directions":2049})"},
        {{"--json", "timer", "keloe6100_0", "init", "1", "ms", "10"}, R"({"board":"keloe6100_0","timer":1,"done":"init"})"},
        {{"--json", "timer", "kelo3100_0", "frequency", "1000"}, R"({"board":"kelo3100_0","frequency":1000})"},
        {{"--json", "counter", "keloe6100_0", "start", "2"}, R"({"board":"keloe6100_0","counter":2,"done":"start"})"},
        {{"--json", "timer", "keloe6100_0", "stop", "0"}, R"({"board":"keloe6100_0","timer":0,"done":"stop"})"},
        {{"--json", "watchdog", "keloe7100_0", "trigger", "0"},
         R"({"board":"keloe7100_0","watchdog":0,"done":"trigger"})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first[1] + " " + c.first[2]);
        const ToolRun r = runTool(c.first);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        json parsed;
        ASSERT_NO_THROW(parsed = json::parse(r.out)) << r.out;
        EXPECT_EQ(parsed, json::parse(c.second));
    }
    uint8_t port = 0;
    ASSERT_EQ(corvane_sim_get_port_outputs("kelo4210_0", 11, &port), 0);
    EXPECT_EQ(port, 0x81);
}

TEST_F(ToolTest, ReadAndStatusPrintWhatTheDriverReturns) {
    ASSERT_EQ(corvane_sim_set_unit_value("keloe6100_0", 1, 0xffffffffu), 0);
    ToolRun r = runTool({"timer", "keloe6100_0", "read", "1"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "4294967295\n");
    r = runTool({"timer", "keloe6100_0", "read", "1", "--json"});
    EXPECT_EQ(json::parse(r.out), json::parse(R"({"board":"keloe6100_0","timer":1,"value":4294967295})"));

    // A status read returns the value and the three status bytes.
    ASSERT_EQ(corvane_sim_set_unit_value("keloe6100_0", 4, 7), 0);
    ASSERT_EQ(corvane_sim_set_unit_status("keloe6100_0", 4, 0x01, 0x80, 0xff), 0);
    r = runTool({"counter", "keloe6100_0", "status", "2"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "value 7 status 0x01 0x80 0xff\n");
    r = runTool({"--json", "counter", "keloe6100_0", "status", "2"});
    EXPECT_EQ(json::parse(r.out),
              json::parse(R"({"board":"keloe6100_0","counter":2,"value":7,"status":[1,128,255]})"));
    r = runTool({"watchdog", "keloe7100_0", "read", "0"});
    EXPECT_EQ(r.out, "0\n");

    const auto reads = callsOf(IoctlReadTimerCounterWatchdog);
    ASSERT_EQ(reads.size(), 5u);
    EXPECT_EQ(reads[0].sent, readRecord(1, 0));
    EXPECT_EQ(reads[2].sent, readRecord(4, 1));
    EXPECT_EQ(reads[4].node, "keloe7100_0");
    EXPECT_EQ(reads[4].sent, readRecord(0, 0));
}

// ---- limits: at the argument's width the library decides, one past it is a usage error -----

struct LimitCase {
    std::vector<std::string> args;
    int status;
    std::string err;
};

TEST_F(ToolTest, EveryArgumentAtItsWidthReachesTheLibraryAndOnePastIsAUsageError) {
    const LimitCase cases[] = {
        {{"get", "keloe6100_0", "255"}, 1, libraryFailure(0x82001004, "Wrong channel range. Valid is from 0 to 31.")},
        {{"get", "keloe6100_0", "256"}, 2,
         usageFailure("corvane get", "channel \"256\" does not fit in 8 bits (0 to 255)")},
        {{"set", "keloe6100_0", "0xff=1"}, 1,
         libraryFailure(0x82001004, "Wrong channel range. Valid is from 0 to 31.")},
        {{"set", "keloe6100_0", "0x100=1"}, 2,
         usageFailure("corvane set", "channel \"0x100\" does not fit in 8 bits (0 to 255)")},
        {{"set", "kelo3100_0", "--all", "0xffffffff=1"}, 1,
         libraryFailure(0x82001904, "Invalid output mask: out of range")},
        {{"set", "kelo3100_0", "--all", "0x100000000=1"}, 2,
         usageFailure("corvane set", "mask \"0x100000000\" does not fit in 32 bits (0 to 4294967295)")},
        {{"timer", "keloe6100_0", "init", "0", "ms", "65535"}, 1,
         libraryFailure(0x83001203, "Invalid reload value. Value should be between [1; 4095] for this timebase.")},
        {{"timer", "keloe6100_0", "init", "0", "ms", "65536"}, 2,
         usageFailure("corvane timer init", "reload value \"65536\" does not fit in 16 bits (0 to 65535)",
                      "corvane timer BOARD init")},
        {{"timer", "keloe6100_0", "start", "255"}, 1, libraryFailure(0x83001310, "Invalid timer_id: out of range")},
        {{"timer", "keloe6100_0", "start", "256"}, 2,
         usageFailure("corvane timer start", "timer \"256\" does not fit in 8 bits (0 to 255)",
                      "corvane timer BOARD start")},
        {{"counter", "keloe6100_0", "init", "0", "0xffffffff"}, 1,
         libraryFailure(0x81001204, "Reload value must be between 1 and 4095")},
        {{"counter", "keloe6100_0", "init", "0", "0x100000000"}, 2,
         usageFailure("corvane counter init", "reload value \"0x100000000\" does not fit in 32 bits (0 to 4294967295)",
                      "corvane counter BOARD init")},
        {{"timer", "kelo3100_0", "frequency", "4294967296"}, 2,
         usageFailure("corvane timer frequency", "frequency \"4294967296\" does not fit in 32 bits (0 to 4294967295)",
                      "corvane timer BOARD frequency")},
        {{"port", "kelo4210_0", "get", "255"}, 1,
         libraryFailure(0x82002E10, "Invalid port_number: out of range. Valid is 0 to 11")},
        {{"port", "kelo4210_0", "get", "256"}, 2,
         usageFailure("corvane port get", "port \"256\" does not fit in 8 bits (0 to 255)", "corvane port BOARD get")},
        {{"port", "kelo4210_0", "set", "0", "0x100"}, 2,
         usageFailure("corvane port set", "value \"0x100\" does not fit in 8 bits (0 to 255)", "corvane port BOARD set")},
        {{"port", "kelo4210_0", "dir", "0x100000000"}, 2,
         usageFailure("corvane port dir", "directions \"0x100000000\" does not fit in 32 bits (0 to 4294967295)",
                      "corvane port BOARD dir")},
        {{"monitor", "keloe6100_0", "--count", "0x100000000"}, 2,
         usageFailure("corvane monitor", "count \"0x100000000\" does not fit in 32 bits (0 to 4294967295)")},
        {{"monitor", "keloe6100_0", "--count", "0"}, 2,
         usageFailure("corvane monitor", "count \"0\" must be at least 1")},
        {{"monitor", "keloe6100_0", "--timeout", "4294967296ms"}, 2,
         usageFailure("corvane monitor", "timeout \"4294967296ms\" is too long (at most 4294967295ms)")},
        {{"monitor", "keloe6100_0", "--timeout", "1.5s"}, 2,
         usageFailure("corvane monitor", "timeout \"1.5s\" is not a duration (a whole number with ms, s, m or h)")},
        {{"monitor", "keloe6100_0", "--test-interrupts", "65536"}, 2,
         usageFailure("corvane monitor", "test interrupt count \"65536\" does not fit in 16 bits (0 to 65535)")},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        simClearTrace();
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(corvane_sim_trace_count(), 0u) << "the driver was reached";
    }
}

// ---- failures ------------------------------------------------------------------------------

TEST_F(ToolTest, UnknownBoardGivesTheLibraryTextAndTheBoardsThatExist) {
    const ToolRun r = runTool({"get", "keloe6100_9"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "corvane: [CorvaneException] Code: 0x80002810 [Error got from VELMOR_API source , on domain "
              ":VELMOR_DOMAIN_GENERIC, with function :VELMOR_FUNCTION_GET_DEVICES, due to reason "
              ":VELMOR_REASON_INVALID_ID] Error message : map::at\n"
              "corvane: no board \"keloe6100_9\"; boards: " +
                  std::string(kBoards) + "\n");
}

TEST_F(ToolTest, LibraryRefusalGivesItsTextAndCode) {
    const ToolRun r = runTool({"get", "keloe6100_0", "40"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "corvane: [CorvaneException] Code: 0x82001004 [Error got from VELMOR_API source , on domain "
              ":VELMOR_DOMAIN_DIGIO, with function :VELMOR_FUNCTION_CHANNEL_RANGE, due to reason "
              ":VELMOR_REASON_OUT_OF_BOUNDS] Error message : Wrong channel range. Valid is from 0 to 31.\n");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(ToolTest, DriverFailureGivesTheTransportText) {
    ASSERT_EQ(corvane_sim_fail("keloe6100_0", IoctlGetDigitalInputs, -1, EIO, 1, nullptr), 0);
    const ToolRun r = runTool({"get", "keloe6100_0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "corvane: [CorvaneException] Code: 0x86000f08 [Error got from VELMOR_API source , on domain "
              ":VELMOR_DOMAIN_LINUX_IOCTL, with function :VELMOR_FUNCTION_HANDLE_RETURN, due to reason "
              ":VELMOR_REASON_HARDWARE_FAILURE] Error message : Error happened with IOCTL IoctlGetDigitalInputs. "
              "[CorvaneException] Code: 0x86000f08 [Error got from VELMOR_API source , on domain "
              ":VELMOR_DOMAIN_LINUX_IOCTL, with function :VELMOR_FUNCTION_HANDLE_RETURN, due to reason "
              ":VELMOR_REASON_HARDWARE_FAILURE] Error message : Ioctl Command IoctlGetDigitalInputs failed with "
              "errno message: Unknown error -1keloe6100_0 generated error 5. Function used was "
              "IoctlGetDigitalInputs.. Error message was Injected failure.\n");
    // The failure was the driver's: the call reached it once.
    EXPECT_EQ(callsOf(IoctlGetDigitalInputs, "keloe6100_0").size(), 1u);
}

TEST_F(ToolTest, BoardsWithoutTheCapabilityAreRefusedLikeTheCInterfaceDoes) {
    const LimitCase cases[] = {
        {{"outputs", "kelo4210_0"}, 1, libraryFailure(0x80000E05, "Device kelo4210_0 has no digital-io")},
        {{"port", "keloe6100_0", "dir"}, 1, libraryFailure(0x80000E05, "Device keloe6100_0 has no ports")},
        {{"counter", "keloe5100_0", "read", "0"}, 1, libraryFailure(0x80000E05, "Device keloe5100_0 has no counter")},
        {{"timer", "keloe7100_0", "start", "0"}, 1, libraryFailure(0x80000E05, "Device keloe7100_0 has no timer")},
        {{"watchdog", "keloe5100_0", "start", "0"}, 1,
         libraryFailure(0x80000E05, "Device keloe5100_0 has no watchdog")},
        {{"monitor", "kelo4210_0"}, 1, libraryFailure(0x80000E05, "Device kelo4210_0 has no interrupts")},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(ToolTest, UsageErrorsGiveOneLineAndThePointerToHelp) {
    const std::string commands = "list, info, get, set, outputs, port, timer, counter, watchdog, monitor";
    const LimitCase cases[] = {
        {{}, 2, usageFailure("corvane", "a command is required (" + commands + ")")},
        {{"frobnicate", "keloe6100_0"}, 2,
         usageFailure("corvane", "unknown command \"frobnicate\" (expected " + commands + ")")},
        {{"--frobnicate"}, 2, usageFailure("corvane", "unknown option \"--frobnicate\"")},
        {{"--frobnicate", "list"}, 2,
         usageFailure("corvane list", "The following argument was not expected: --frobnicate")},
        {{"get"}, 2, usageFailure("corvane get", "BOARD is required")},
        {{"get", "--frob"}, 2, usageFailure("corvane get", "The following argument was not expected: --frob")},
        {{"info"}, 2, usageFailure("corvane info", "BOARD is required")},
        {{"set", "keloe6100_0", "3=2"}, 2, usageFailure("corvane set", "state of channel 3 \"2\" is not 0 or 1")},
        {{"set", "keloe6100_0", "3"}, 2, usageFailure("corvane set", "\"3\" is not channel=0|1")},
        {{"set", "keloe6100_0", "3=1=1"}, 2, usageFailure("corvane set", "\"3=1=1\" is not channel=0|1")},
        {{"set", "keloe6100_0"}, 2, usageFailure("corvane set", "CHANNEL=0|1 is required")},
        {{"set", "keloe6100_0", "--memory", "maybe", "3=1"}, 2,
         usageFailure("corvane set", "--memory \"maybe\" is not on or off")},
        {{"set", "keloe6100_0", "--all", "1=1", "2=1"}, 2, usageFailure("corvane set", "--all takes exactly one MASK=0|1")},
        {{"get", "keloe6100_0", "0x1ff"}, 2,
         usageFailure("corvane get", "channel \"0x1ff\" does not fit in 8 bits (0 to 255)")},
        {{"get", "keloe6100_0", "-1"}, 2, usageFailure("corvane get", "channel \"-1\" is negative; expected 0 to 255")},
        {{"get", "keloe6100_0", "3x"}, 2,
         usageFailure("corvane get", "channel \"3x\" is not a number (decimal or 0x hexadecimal)")},
        {{"get", "keloe6100_0", "0x"}, 2,
         usageFailure("corvane get", "channel \"0x\" is not a number (decimal or 0x hexadecimal)")},
        {{"get", "keloe6100_0", ""}, 2,
         usageFailure("corvane get", "channel \"\" is not a number (decimal or 0x hexadecimal)")},
        {{"list", "extra"}, 2, usageFailure("corvane list", "The following argument was not expected: extra")},
        {{"timer", "keloe6100_0"}, 2,
         usageFailure("corvane timer", "an action is required (init, frequency, start, stop, trigger, read, status)")},
        {{"timer", "init", "0", "ms", "10"}, 2, usageFailure("corvane timer", "BOARD is required")},
        {{"counter", "keloe6100_0", "trigger", "0"}, 2,
         usageFailure("corvane counter", "unknown action \"trigger\" (expected init, start, stop, read, status)")},
        {{"timer", "keloe6100_0", "init", "0", "minutes", "10"}, 2,
         usageFailure("corvane timer init", "time base \"minutes\" is not one of us, ms, s, custom",
                      "corvane timer BOARD init")},
        {{"counter", "keloe6100_0", "init", "0", "10", "up,sideways"}, 2,
         usageFailure("corvane counter init",
                      "option \"sideways\" is not one of up, single-cycle, external-trigger, gate, rising, falling, both",
                      "corvane counter BOARD init")},
        {{"watchdog", "keloe6100_0", "start"}, 2,
         usageFailure("corvane watchdog start", "UNIT is required", "corvane watchdog BOARD start")},
        {{"monitor", "keloe6100_0", "--inputs", "0x10"}, 2, usageFailure("corvane monitor", "--inputs requires --event")},
        {{"monitor", "keloe6100_0", "--logic", "and"}, 2, usageFailure("corvane monitor", "--logic requires --inputs")},
        {{"monitor", "keloe6100_0", "--inputs", "0x10", "--event", "sometimes"}, 2,
         usageFailure("corvane monitor", "event \"sometimes\" is not one of rising, falling, any-edge, high, low")},
        {{"monitor", "keloe6100_0", "--inputs", "0x10", "--event", "rising", "--logic", "xor"}, 2,
         usageFailure("corvane monitor", "logic \"xor\" is not one of or, and")},
    };
    for (const LimitCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(corvane_sim_trace_count(), 0u) << "a usage error reached the driver";
}

}  // namespace
