// Scripts without a server: what a script parses into, how a malformed one is refused
// (with its line), and when the schedule runs each step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptParser.h"
#include "ScriptSchedule.h"

using namespace corvane_sim;

namespace {

constexpr uint64_t kMs = 1000000;

std::vector<ScriptStep> parsedScript(const std::string& text) {
    std::vector<ScriptStep> steps;
    ScriptError error;
    EXPECT_TRUE(parseScript(text, steps, error)) << error.text("s");
    return steps;
}

// Lines of the steps due at each time, in order.
std::vector<size_t> runsAt(ScriptSchedule& schedule, uint64_t t) {
    std::vector<size_t> lines;
    for (const ScriptStep* s : schedule.takeDue(t)) lines.push_back(s->line);
    return lines;
}

}  // namespace

TEST(SimScriptParser, StepsCommentsAndBlankLines) {
    const auto steps = parsedScript(
        "# a demo\r\n"
        "\n"
        "at 250ms set-input keloe6100_0 3 1   # input 3 on\n"
        "every 1s set-port kelo4210_0 2 0xff\n"
        "\t every 500ms from 1s until 3s interrupt keloe6100_0 0x1 0x8 5\n"
        "at 0s stop");
    ASSERT_EQ(4u, steps.size());
    EXPECT_EQ(3u, steps[0].line);
    EXPECT_EQ(250 * kMs, steps[0].atNs);
    EXPECT_EQ(0u, steps[0].periodNs);
    EXPECT_EQ(ControlVerb::SetInput, steps[0].command.verb);
    EXPECT_EQ("set-input keloe6100_0 3 1", steps[0].text);
    EXPECT_EQ(4u, steps[1].line);
    EXPECT_EQ(1000 * kMs, steps[1].atNs);  // the first run after one period
    EXPECT_EQ(1000 * kMs, steps[1].periodNs);
    EXPECT_EQ(5u, steps[2].line);
    EXPECT_EQ(1000 * kMs, steps[2].atNs);
    EXPECT_EQ(500 * kMs, steps[2].periodNs);
    EXPECT_EQ(3000 * kMs, steps[2].untilNs);
    EXPECT_EQ((std::vector<uint32_t>{5}), steps[2].command.args);
    EXPECT_EQ("interrupt keloe6100_0 0x1 0x8 5", steps[2].text);
    EXPECT_EQ(6u, steps[3].line);
    EXPECT_EQ(ControlVerb::Stop, steps[3].command.verb);
    EXPECT_TRUE(parsedScript("").empty());
    EXPECT_TRUE(parsedScript("# nothing but a comment \xc3\xa9\n\n   \n").empty());
}

TEST(SimScriptParser, MalformedScriptsAreRefusedWithTheirLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"at 1s boards\nat 2x set-input b 3 1\n",
         "s:2: at: word 2 (column 4): \"2x\" is not a duration (a number and a unit: ns, us, ms or s, as in 250ms)"},
        {"at 1s set-input b 300 1", "s:1: set-input: word 5 (column 19): channel must be a number from 0 to 127, got \"300\""},
        {"\n\nsometime 1s stop", "s:3: word 1 (column 1): a step starts with at TIME or every PERIOD, not \"sometime\""},
        {"at 1s", "s:1: at: word 3 (column 7): a command must follow the time"},
        {"at", "s:1: at: word 2 (column 4): a duration must follow"},
        {"at 1s trace", "s:1: at: word 3 (column 7): trace cannot run in a script"},
        {"at 1s check stop", "s:1: at: word 3 (column 7): check cannot run in a script"},
        {"every 999us boards", "s:1: every: word 2 (column 7): the period must be at least 1ms"},
        {"every 1s until 500ms boards", "s:1: every: word 4 (column 16): until comes before the first run"},
        {"every 1s from boards", "s:1: every: word 4 (column 15): \"boards\" is not a duration (a number and a unit: "
                                 "ns, us, ms or s, as in 250ms)"},
        {"at 1s state b\x07", "s:1: at: word 4 (column 14): byte 0x07 is not text"},
        {"at 1s jump", "s:1: jump: word 3 (column 7): unknown command \"jump\" (commands: boards, state, set-inputs, "
                       "set-input, set-port, interrupt, fail, clear-failures, advance, clock, trace, stop)"},
    };
    for (const auto& c : cases) {
        std::vector<ScriptStep> steps{ScriptStep()};
        ScriptError error;
        EXPECT_FALSE(parseScript(c.first, steps, error)) << c.first;
        EXPECT_EQ(c.second, error.text("s")) << c.first;
        EXPECT_EQ(1u, steps.size()) << "nothing written on failure";
    }
    EXPECT_EQ(1u, parsedScript("every 1ms boards").size());  // the shortest period

    // Size limits: at most 1 MiB and 10000 steps.
    std::string many;
    for (size_t i = 0; i < kMaxScriptSteps; ++i) many += "at 1s boards\n";
    EXPECT_EQ(kMaxScriptSteps, parsedScript(many).size());
    std::vector<ScriptStep> steps;
    ScriptError error;
    EXPECT_FALSE(parseScript(many + "at 1s boards\n", steps, error));
    EXPECT_EQ("s:10001: word 1 (column 1): a script holds at most 10000 steps", error.text("s"));
    EXPECT_FALSE(parseScript(std::string(kMaxScriptBytes + 1, '#'), steps, error));
    EXPECT_EQ("s:1: word 1 (column 1): the script is larger than 1048576 bytes", error.text("s"));
}

TEST(SimScriptSchedule, StepsRunInTimeThenFileOrderAndPeriodsCatchUp) {
    ScriptSchedule schedule(parsedScript(
        "at 20ms boards\n"                          // line 1
        "every 10ms until 35ms stop\n"              // line 2: 10, 20, 30
        "at 10ms clear-failures\n"                  // line 3
        "every 5ms from 0s until 5ms boards\n"));   // line 4: 0, 5
    uint64_t when = 0;
    EXPECT_FALSE(schedule.next(when)) << "nothing before the start";
    EXPECT_TRUE(schedule.takeDue(1000 * kMs).empty());
    const uint64_t t0 = 7 * kMs;
    schedule.start(t0);
    ASSERT_TRUE(schedule.next(when));
    EXPECT_EQ(t0, when);
    EXPECT_EQ((std::vector<size_t>{4}), runsAt(schedule, t0));
    EXPECT_EQ((std::vector<size_t>{}), runsAt(schedule, t0 + 4 * kMs));
    ASSERT_TRUE(schedule.next(when));
    EXPECT_EQ(t0 + 5 * kMs, when);
    // Late: everything due by 25ms, in time order, ties in file order.
    EXPECT_EQ((std::vector<size_t>{4, 2, 3, 1, 2}), runsAt(schedule, t0 + 25 * kMs));
    ASSERT_TRUE(schedule.next(when));
    EXPECT_EQ(t0 + 30 * kMs, when);
    EXPECT_EQ((std::vector<size_t>{2}), runsAt(schedule, t0 + 1000 * kMs));  // until 35ms: no run at 40ms
    EXPECT_FALSE(schedule.next(when));
}

TEST(SimScriptSchedule, EndlessPeriodsAreTakenAtMostLimitAtATime) {
    ScriptSchedule schedule(parsedScript("every 1ms boards\n"));
    schedule.start(0);
    EXPECT_EQ(1000u, schedule.takeDue(5000 * kMs).size());  // the default limit
    EXPECT_EQ(3u, schedule.takeDue(5000 * kMs, 3).size());
    uint64_t when = 0;
    ASSERT_TRUE(schedule.next(when));
    EXPECT_EQ(1004 * kMs, when);
}
