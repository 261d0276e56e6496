// corvane monitor in-process over the simulated boards: interrupts queued in the
// simulator arrive as lines, --count, --timeout and signals end it, and afterwards the
// board's interrupts are disabled. The library's interrupt thread meets the printing
// thread here, so these tests carry the concurrency label.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BoardTestSupport.h"
#include "DeviceDiscovery.h"
#include "InterruptInterface.h"
#include "InterruptQueue.h"
#include "IoctlCommands.h"
#include "SimTestSupport.h"
#include "ToolTestSupport.h"
#include "corvane_sim.h"

using corvane_board_test::callsOf;
using corvane_board_test::interruptRecord;
using corvane_sim_test::simClearTrace;
using corvane_sim_test::simState;
using corvane_sim_test::simTrace;
using corvane_tool_test::libraryFailure;
using corvane_tool_test::runTool;
using corvane_tool_test::ToolRun;
using nlohmann::json;
using namespace velmor::corvane;

namespace {

uint64_t nowUs() { return corvane_tool::InterruptQueue::monotonicMicroseconds(); }

InterruptData interrupt(uint32_t source, uint32_t mask, std::vector<uint32_t> args = {}, uint32_t count = 0) {
    InterruptData d;
    std::memset(&d, 0, sizeof d);
    d.interrupt_source = source;
    d.interrupt_mask = mask;
    for (size_t i = 0; i < args.size() && i < 32; ++i) d.args[i] = args[i];
    d.args_count = count != 0 ? count : static_cast<uint32_t>(args.size());
    return d;
}

void queue(const char* node, const InterruptData& d) { ASSERT_GT(corvane_sim_queue_interrupt(node, &d), 0); }

bool interruptsActive(const std::string& id) {
    return DeviceDiscovery::getDeviceFromId(id)->interrupt()->isInterruptActive();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The line without its time stamp; checks that the stamp lies within [from, to].
std::string withoutTime(const std::string& line, uint64_t from, uint64_t to) {
    const size_t blank = line.find(' ');
    EXPECT_NE(blank, std::string::npos) << line;
    if (blank == std::string::npos) return line;
    const uint64_t time = std::stoull(line.substr(0, blank));
    EXPECT_GE(time, from);
    EXPECT_LE(time, to);
    return line.substr(blank + 1);
}

using MonitorTest = corvane_tool_test::ToolTest;

TEST_F(MonitorTest, QueuedInterruptsArriveAsLinesAndCountEndsAfterN) {
    queue("keloe6100_0", interrupt(0x80000001, 0x00000001, {0, 1, 0xffffffff}));
    queue("keloe6100_0", interrupt(0x00000001, 0x80000000));
    // A driver that claims more arguments than the record holds: 32 are shown.
    queue("keloe6100_0", interrupt(0x2, 0x0, std::vector<uint32_t>(32, 7), 40));
    queue("keloe6100_0", interrupt(0x3, 0x3));
    const uint64_t before = nowUs();
    const ToolRun r = runTool({"monitor", "keloe6100_0", "--count", "3"});
    const uint64_t after = nowUs();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<std::string> lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(withoutTime(lines[0], before, after), "source=0x80000001 mask=0x00000001 args=0x00000000,0x00000001,0xffffffff");
    EXPECT_EQ(withoutTime(lines[1], before, after), "source=0x00000001 mask=0x80000000");
    std::string args;
    for (int i = 0; i < 32; ++i) args += (i == 0 ? " args=" : ",") + std::string("0x00000007");
    EXPECT_EQ(withoutTime(lines[2], before, after), "source=0x00000002 mask=0x00000000" + args);
    EXPECT_LE(std::stoull(lines[0]), std::stoull(lines[1]));
    EXPECT_LE(std::stoull(lines[1]), std::stoull(lines[2]));
    EXPECT_FALSE(interruptsActive("keloe6100_0"));
    EXPECT_EQ(callsOf(IoctlEnableInterrupts, "keloe6100_0").size(), 1u);
}

TEST_F(MonitorTest, JsonLinesParseOneByOne) {
    queue("keloe7100_0", interrupt(0x80000000, 0xffffffff, {5}));
    queue("keloe7100_0", interrupt(0x1, 0x1));
    const uint64_t before = nowUs();
    const ToolRun r = runTool({"--json", "monitor", "keloe7100_0", "--count", "2"});
    const uint64_t after = nowUs();
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    json first = json::parse(lines[0]);
    json second = json::parse(lines[1]);
    EXPECT_GE(first["time_us"].get<uint64_t>(), before);
    EXPECT_LE(second["time_us"].get<uint64_t>(), after);
    first.erase("time_us");
    second.erase("time_us");
    EXPECT_EQ(first, json::parse(R"({"source":2147483648,"mask":4294967295,"args":[5]})"));
    EXPECT_EQ(second, json::parse(R"({"source":1,"mask":1,"args":[]})"));
}

TEST_F(MonitorTest, TimeoutEndsCleanlyWhenNothingArrives) {
    const auto start = std::chrono::steady_clock::now();
    const ToolRun r = runTool({"monitor", "keloe6100_0", "--timeout", "300ms"});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_FALSE(interruptsActive("keloe6100_0"));
}

void ignoreSignal(int) {}

class MonitorSignals : public MonitorTest, public ::testing::WithParamInterface<int> {};

// The helper thread waits until the input interrupt is started in the simulated driver,
// then signals the process; the monitor ends with status 0, the driver shows the input
// interrupt stopped, and the signal's previous disposition is back.
TEST_P(MonitorSignals, SignalEndsCleanlyAndTheDriverShowsInterruptsDisabled) {
    const int number = GetParam();
    struct sigaction mine {};
    mine.sa_handler = ignoreSignal;
    sigemptyset(&mine.sa_mask);
    struct sigaction saved {};
    ASSERT_EQ(sigaction(number, &mine, &saved), 0);

    std::atomic<bool> sent{false};
    std::thread helper([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            const corvane_sim_board_state state = simState("keloe6100_0");
            if (state.interrupts_enabled && state.digital_interrupt_started == 1) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(getpid(), number);
        sent = true;
    });
    const ToolRun r = runTool({"monitor", "keloe6100_0", "--inputs", "0x10", "--event", "rising", "--timeout", "20s"});
    helper.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(simState("keloe6100_0").digital_interrupt_started, 0);
    EXPECT_FALSE(interruptsActive("keloe6100_0"));
    struct sigaction now {};
    ASSERT_EQ(sigaction(number, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, &ignoreSignal) << "the previous disposition was not restored";
    sigaction(number, &saved, nullptr);
}

INSTANTIATE_TEST_SUITE_P(SigintAndSigterm, MonitorSignals, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

TEST_F(MonitorTest, InputEventsReachTheDriverAndAreClearedAtTheEnd) {
    const ToolRun r = runTool({"monitor", "keloe6100_0", "--inputs", "0x000ffff0", "--event", "any-edge",
                               "--test-interrupts", "1", "--count", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(linesOf(r.out).size(), 1u);
    EXPECT_NE(r.out.find(" source=0x80000000 mask=0x00000000\n"), std::string::npos) << r.out;
    std::vector<uint32_t> commands;
    for (const auto& call : simTrace("keloe6100_0")) commands.push_back(call.command);
    // The board rebuilds its configuration twice for an event change.
    const std::vector<uint32_t> expected{IoctlInitDigitalInputInterrupt, IoctlInitDigitalInputInterrupt,
                                         IoctlEnableInterrupts,          IoctlStartStopDigitalInterrupt,
                                         IoctlTestInterrupts,            IoctlGetInterruptInformations,
                                         IoctlStartStopDigitalInterrupt};
    EXPECT_EQ(commands, expected);
    const auto configs = callsOf(IoctlInitDigitalInputInterrupt, "keloe6100_0");
    ASSERT_FALSE(configs.empty());
    EXPECT_EQ(configs.back().sent, interruptRecord(0, 0x000ffff0, 0x000ffff0));
    const auto startStop = callsOf(IoctlStartStopDigitalInterrupt, "keloe6100_0");
    ASSERT_EQ(startStop.size(), 2u);
    EXPECT_EQ(startStop[0].sent, std::vector<uint8_t>{1});
    EXPECT_EQ(startStop[1].sent, std::vector<uint8_t>{0});
}

struct EventCase {
    std::vector<std::string> args;
    const char* node;
    std::vector<uint8_t> lastConfiguration;
};

TEST_F(MonitorTest, EventsAndLogicBecomeEachBoardsRecord) {
    const EventCase cases[] = {
        {{"monitor", "keloe6100_0", "--inputs", "0x30", "--event", "rising", "--logic", "and"}, "keloe6100_0",
         interruptRecord(1, 0x30, 0)},
        {{"monitor", "keloe6100_0", "--inputs", "0x80000", "--event", "falling"}, "keloe6100_0",
         interruptRecord(0, 0, 0x80000)},
        // KELO3100: one pattern word per port; port 0 with AND and a rising edge on input 0.
        {{"monitor", "kelo3100_0", "--inputs", "0x1", "--event", "rising", "--logic", "and"}, "kelo3100_0",
         interruptRecord(0, 0x01010102, 0x00000084)},
        {{"monitor", "kelo3100_0", "--inputs", "0x2000", "--event", "high"}, "kelo3100_0",
         interruptRecord(0, 0x00000004, 0x20002084)},
        {{"monitor", "keloe5100_0", "--inputs", "0x8001", "--event", "falling"}, "keloe5100_0",
         interruptRecord(0, 0, 0x8001)},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        simClearTrace();
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--test-interrupts", "1", "--count", "1"});
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.status, 0) << r.err;
        const auto configs = callsOf(IoctlInitDigitalInputInterrupt, c.node);
        ASSERT_FALSE(configs.empty());
        EXPECT_EQ(configs.back().sent, c.lastConfiguration);
        EXPECT_FALSE(interruptsActive(c.node));
        EXPECT_EQ(simState(c.node).digital_interrupt_started, 0);
    }
}

TEST_F(MonitorTest, RefusedEventEndsBeforeInterruptsAreEnabled) {
    const ToolRun r = runTool({"monitor", "keloe5100_0", "--inputs", "0x10000", "--event", "rising"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, libraryFailure(0x82001A06, "Only the first 16 channels are available for interrupt on this card"));
    EXPECT_TRUE(callsOf(IoctlEnableInterrupts, "keloe5100_0").empty());
    EXPECT_FALSE(interruptsActive("keloe5100_0"));
}

TEST_F(MonitorTest, InterruptThreadFailureEndsTheMonitorWithItsText) {
    ASSERT_EQ(corvane_sim_fail("keloe6100_0", IoctlGetInterruptInformations, -1, EIO, 1, nullptr), 0);
    const auto start = std::chrono::steady_clock::now();
    const ToolRun r = runTool({"monitor", "keloe6100_0", "--test-interrupts", "1"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "corvane: interrupt delivery stopped: [CorvaneException] Code: 0x86000f08 [Error got from VELMOR_API "
              "source , on domain :VELMOR_DOMAIN_LINUX_IOCTL, with function :VELMOR_FUNCTION_HANDLE_RETURN, due to "
              "reason :VELMOR_REASON_HARDWARE_FAILURE] Error message : Error happened with IOCTL "
              "IoctlGetInterruptInformations. [CorvaneException] Code: 0x86000f08 [Error got from VELMOR_API source , "
              "on domain :VELMOR_DOMAIN_LINUX_IOCTL, with function :VELMOR_FUNCTION_HANDLE_RETURN, due to reason "
              ":VELMOR_REASON_HARDWARE_FAILURE] Error message : Ioctl Command IoctlGetInterruptInformations failed "
              "with errno message: Unknown error -1keloe6100_0 generated error 5. Function used was "
              "IoctlGetInterruptInformations.. Error message was Injected failure.\n");
    EXPECT_FALSE(interruptsActive("keloe6100_0"));
}

TEST_F(MonitorTest, AnOutputThatCannotBeWrittenStopsTheMonitor) {
    queue("keloe6100_0", interrupt(0x1, 0x1));
    std::ostream closed(nullptr);  // every write fails
    std::ostringstream err;
    const int status = corvane_tool::runCommandLine({"monitor", "keloe6100_0", "--count", "2"}, closed, err);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err.str(), "corvane: cannot write the output; monitor stopped\n");
    EXPECT_FALSE(interruptsActive("keloe6100_0"));
}

TEST(InterruptQueue, ABoundedQueueCountsWhatItDropsAndNeverReadsPastTheRecord) {
    corvane_tool::InterruptQueue q(3);
    for (uint32_t i = 0; i < 5; ++i) q.push(interrupt(i, i, {}, i == 0 ? 0xffffffffu : 0));
    uint64_t dropped = 0;
    const auto items = q.takeAll(dropped);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(dropped, 2u);
    EXPECT_EQ(items[0].args.size(), 32u);
    EXPECT_EQ(items[2].source, 2u);
    EXPECT_TRUE(q.takeAll(dropped).empty());
    EXPECT_EQ(dropped, 0u);
}

}  // namespace
