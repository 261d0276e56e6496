// The control language without a server: control lines, durations and the requests of
// the socket, each as a table of lines and what the parser makes of them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlCommand.h"
#include "ProtocolRequest.h"
#include "SimDuration.h"

using namespace corvane_sim;

namespace {

struct Refusal {
    const char* line;
    const char* text;  // the whole error line
};

void expectRefused(const std::vector<Refusal>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ControlCommand cmd;
        ParseError error;
        ASSERT_FALSE(parseControlLine(c.line, cmd, error));
        EXPECT_EQ(c.text, error.text());
    }
}

ControlCommand parsed(const std::string& line) {
    ControlCommand cmd;
    ParseError error;
    EXPECT_TRUE(parseControlLine(line, cmd, error)) << line << ": " << error.text();
    return cmd;
}

}  // namespace

TEST(SimControlParser, EveryCommandWithItsArguments) {
    auto c = parsed("boards");
    EXPECT_EQ(ControlVerb::Boards, c.verb);
    c = parsed("  state\tkeloe6100_0  ");
    EXPECT_EQ(ControlVerb::State, c.verb);
    EXPECT_EQ("keloe6100_0", c.board);
    c = parsed("set-inputs kelo3100_0 0xFFFFFFFF");
    EXPECT_EQ(0xFFFFFFFFu, c.value);
    c = parsed("set-inputs kelo3100_0 8000");  // hexadecimal without 0x
    EXPECT_EQ(0x8000u, c.value);
    c = parsed("set-input keloe6100_0 127 1");
    EXPECT_EQ(ControlVerb::SetInput, c.verb);
    EXPECT_EQ(127u, c.channel);
    EXPECT_EQ(1u, c.value);
    c = parsed("set-port kelo4210_0 15 ff");
    EXPECT_EQ(15u, c.port);
    EXPECT_EQ(0xFFu, c.value);
    c = parsed("interrupt keloe6100_0 0x80000000 1 0 0xffffffff 07");
    EXPECT_EQ(0x80000000u, c.source);
    EXPECT_EQ(1u, c.mask);
    EXPECT_EQ((std::vector<uint32_t>{0, 0xFFFFFFFFu, 7}), c.args);  // leading zeros are decimal
    c = parsed("fail keloe6100_0 IoctlGetDigitalInputs EIO");
    EXPECT_EQ(0xC0084110u, c.command);
    EXPECT_EQ(5, c.error);
    EXPECT_EQ(1, c.times);
    c = parsed("fail * * 4095 always");
    EXPECT_EQ("", c.board);
    EXPECT_EQ(0u, c.command);
    EXPECT_EQ(4095, c.error);
    EXPECT_EQ(-1, c.times);
    c = parsed("fail kelo3100_0 0xC0084133 ENODEV 2147483647");
    EXPECT_EQ(0xC0084133u, c.command);
    EXPECT_EQ(19, c.error);
    EXPECT_EQ(2147483647, c.times);
    c = parsed("advance 250ms");
    EXPECT_EQ(250000000u, c.durationNs);
    c = parsed("clock virtual");
    EXPECT_EQ(1, c.clock);
    c = parsed("clock");
    EXPECT_EQ(-1, c.clock);
    c = parsed("trace --follow");
    EXPECT_TRUE(c.follow);
    c = parsed("check set-port kelo4210_0 3 0");
    EXPECT_TRUE(c.checkOnly);
    EXPECT_EQ(ControlVerb::SetPort, c.verb);
    EXPECT_EQ("set-port", c.name());
    EXPECT_EQ(ControlVerb::Stop, parsed("stop").verb);
    EXPECT_EQ(ControlVerb::ClearFailures, parsed("clear-failures").verb);
}

TEST(SimControlParser, LimitsAtTheLimitAndOnePast) {
    std::vector<uint32_t> args(32, 9);
    std::string line = "interrupt b 1 2";
    for (size_t i = 0; i < 32; ++i) line += " 9";
    EXPECT_EQ(args, parsed(line).args);
    expectRefused({
        {"set-input b 128 1", "set-input: word 3 (column 13): channel must be a number from 0 to 127, got \"128\""},
        {"set-port b 16 0", "set-port: word 3 (column 12): port must be a number from 0 to 15, got \"16\""},
        {"set-port b 0 100", "set-port: word 4 (column 14): port value must be hexadecimal from 0 to ff, got \"100\""},
        {"set-inputs b 100000000",
         "set-inputs: word 3 (column 14): inputs must be hexadecimal from 0 to ffffffff, got \"100000000\""},
        {"interrupt b 0x100000000 0",
         "interrupt: word 3 (column 13): SOURCE must be a number from 0 to 0xffffffff, got \"0x100000000\""},
        {"interrupt b 0 4294967296",
         "interrupt: word 4 (column 15): MASK must be a number from 0 to 0xffffffff, got \"4294967296\""},
        {(line + " 9").c_str(),
         "interrupt: word 37 (column 81): unexpected word \"9\" (usage: interrupt BOARD SOURCE MASK [ARG...])"},
        {"fail b * 4096",
         "fail: word 4 (column 10): \"4096\" is not an errno (a number from 1 to 4095 or a name such as EIO)"},
        {"fail b * 0", "fail: word 4 (column 10): \"0\" is not an errno (a number from 1 to 4095 or a name such as EIO)"},
        {"fail b * EIO 2147483648",
         "fail: word 5 (column 14): times must be a number from 1 to 2147483647 or always, got \"2147483648\""},
        {"fail b * EIO 0", "fail: word 5 (column 14): times must be a number from 1 to 2147483647 or always, got \"0\""},
        {"state abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcd",
         "state: word 2 (column 7): \"abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcd\" is not a board "
         "name (letters, digits, _, - and ., 1 to 63 of them)"},
    });
    EXPECT_EQ(63u, parsed("state abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabc").board.size());
}

TEST(SimControlParser, MalformedLinesNameCommandPositionAndReason) {
    expectRefused({
        {"", "word 1 (column 1): no command given (commands: boards, state, set-inputs, set-input, set-port, "
             "interrupt, fail, clear-failures, advance, clock, trace, stop)"},
        {"toggle b 1", "toggle: word 1 (column 1): unknown command \"toggle\" (commands: boards, state, set-inputs, "
                       "set-input, set-port, interrupt, fail, clear-failures, advance, clock, trace, stop)"},
        {"State b", "State: word 1 (column 1): unknown command \"State\" (commands: boards, state, set-inputs, "
                    "set-input, set-port, interrupt, fail, clear-failures, advance, clock, trace, stop)"},
        {"state", "state: word 2 (column 7): missing arguments (usage: state BOARD)"},
        {"boards x", "boards: word 2 (column 8): unexpected word \"x\" (usage: boards)"},
        {"set-input b 3", "set-input: word 4 (column 15): missing arguments (usage: set-input BOARD CHANNEL 0|1)"},
        {"set-input b 3 2", "set-input: word 4 (column 15): state must be 0 or 1, got \"2\""},
        {"set-input b -1 1", "set-input: word 3 (column 13): channel must be a number from 0 to 127, got \"-1\""},
        {"set-input b/c 1 1", "set-input: word 2 (column 11): \"b/c\" is not a board name (letters, digits, _, - and "
                              "., 1 to 63 of them)"},
        {"set-inputs b 0x", "set-inputs: word 3 (column 14): inputs must be hexadecimal from 0 to ffffffff, got \"0x\""},
        {"fail b IoctlNothing EIO",
         "fail: word 3 (column 8): \"IoctlNothing\" is not a driver command (a name such as IoctlGetDigitalInputs, a "
         "number from 1 to 0xffffffff, or * for every command)"},
        {"fail b ioctlgetdigitalinputs EIO",
         "fail: word 3 (column 8): \"ioctlgetdigitalinputs\" is not a driver command (a name such as "
         "IoctlGetDigitalInputs, a number from 1 to 0xffffffff, or * for every command)"},
        {"fail b * EBOGUS", "fail: word 4 (column 10): \"EBOGUS\" is not an errno (a number from 1 to 4095 or a name "
                            "such as EIO)"},
        {"advance 10", "advance: word 2 (column 9): \"10\" is not a duration (a number and a unit: ns, us, ms or s, as "
                       "in 250ms)"},
        {"clock fast", "clock: word 2 (column 7): clock must be real or virtual, got \"fast\""},
        {"trace --all", "trace: word 2 (column 7): unexpected word \"--all\" (usage: trace [--follow])"},
        {"check", "word 2 (column 7): check needs a command to check"},
        {"check stop now", "stop: word 3 (column 12): unexpected word \"now\" (usage: stop)"},
        {"state b\x01", "state: word 2 (column 8): byte 0x01 is not text"},
        {"state b \xc3\xa9", "state: word 3 (column 9): byte 0xc3 is not text"},
    });
    // A NUL inside the line is a byte that is not text, like any other control byte.
    ControlCommand cmd;
    ParseError error;
    ASSERT_FALSE(parseControlLine(std::string("state \0b", 8), cmd, error));
    EXPECT_EQ("state: word 2 (column 7): byte 0x00 is not text", error.text());
}

TEST(SimControlParser, Durations) {
    struct Case {
        const char* text;
        uint64_t ns;
    };
    const Case good[] = {
        {"0s", 0},
        {"5ns", 5},
        {"10us", 10000},
        {"250ms", 250000000},
        {"1s", 1000000000},
        {"1.5s", 1500000000},
        {"0.000000001s", 1},
        {"1.0000000000s", 1000000000},
        {"0.5us", 500},
        {"007ms", 7000000},
        {"9223372036854775807ns", 9223372036854775807ull},
        {"9223372036.854775807s", 9223372036854775807ull},
    };
    for (const auto& c : good) {
        uint64_t ns = 1;
        std::string reason;
        EXPECT_TRUE(parseDuration(c.text, ns, reason)) << c.text << ": " << reason;
        EXPECT_EQ(c.ns, ns) << c.text;
    }
    const std::string form = " is not a duration (a number and a unit: ns, us, ms or s, as in 250ms)";
    const std::pair<const char*, std::string> bad[] = {
        {"", "\"\"" + form},
        {"10", "\"10\"" + form},
        {"ms", "\"ms\"" + form},
        {"-1s", "\"-1s\"" + form},
        {"1.s", "\"1.s\"" + form},
        {".5s", "\".5s\"" + form},
        {"1e3ms", "\"1e3ms\"" + form},
        {"1min", "\"1min\"" + form},
        {"1 s", "\"1 s\"" + form},
        {"1S", "\"1S\"" + form},
        {"0.5ns", "duration \"0.5ns\" is finer than a nanosecond"},
        {"1.0000000001s", "duration \"1.0000000001s\" is finer than a nanosecond"},
        {"9223372036854775808ns", "duration \"9223372036854775808ns\" is longer than the longest one accepted "
                                  "(9223372036854775807ns)"},
        {"9223372037s", "duration \"9223372037s\" is longer than the longest one accepted (9223372036854775807ns)"},
        {"99999999999999999999999s", "duration \"99999999999999999999999s\" is longer than the longest one accepted "
                                     "(9223372036854775807ns)"},
    };
    for (const auto& c : bad) {
        uint64_t ns = 42;
        std::string reason;
        EXPECT_FALSE(parseDuration(c.first, ns, reason)) << c.first;
        EXPECT_EQ(c.second, reason);
        EXPECT_EQ(42u, ns) << "nothing written on failure";
    }
    EXPECT_EQ("0s", formatDuration(0));
    EXPECT_EQ("1500ms", formatDuration(1500000000));
    EXPECT_EQ("2s", formatDuration(2000000000));
    EXPECT_EQ("10us", formatDuration(10000));
    EXPECT_EQ("1001ns", formatDuration(1001));
}

TEST(SimControlParser, SocketRequests) {
    auto parse = [](const std::string& line, ProtocolRequest& r, ParseError& e) {
        const auto words = splitWords(line);
        EXPECT_TRUE(isProtocolRequest(words)) << line;
        return parseProtocolRequest(words, r, e);
    };
    ProtocolRequest r;
    ParseError e;
    ASSERT_TRUE(parse("ioctl 7 3221766416 0a0b0c0D", r, e)) << e.text();
    EXPECT_EQ(RequestVerb::Ioctl, r.verb);
    EXPECT_EQ(7u, r.handle);
    EXPECT_EQ(0xC0084110u, r.command);
    EXPECT_TRUE(r.hasRecord);
    EXPECT_EQ((std::vector<uint8_t>{0x0a, 0x0b, 0x0c, 0x0d}), r.record);
    ASSERT_TRUE(parse("ioctl 4294967295 3221766407 -", r, e));  // IoctlTestInterrupts, no argument
    EXPECT_EQ(4294967295u, r.handle);
    EXPECT_FALSE(r.hasRecord);
    ASSERT_TRUE(parse("ioctl 1 3221766416 -", r, e));  // a null argument where a record belongs
    EXPECT_FALSE(r.hasRecord);
    ASSERT_TRUE(parse("open keloe6100_0", r, e));
    EXPECT_EQ("keloe6100_0", r.node);
    ASSERT_TRUE(parse("format json", r, e));
    EXPECT_TRUE(r.json);
    ASSERT_TRUE(parse("close 3", r, e));
    EXPECT_EQ(3u, r.handle);

    const std::pair<const char*, const char*> bad[] = {
        {"ioctl 1 3221766416 0a0b0c", "ioctl: word 4 (column 20): the record of IoctlGetDigitalInputs is 4 bytes in "
                                      "hexadecimal"},
        {"ioctl 1 3221766416 0a0b0c0d0e", "ioctl: word 4 (column 20): the record of IoctlGetDigitalInputs is 4 bytes in "
                                          "hexadecimal"},
        {"ioctl 1 3221766416 0a0b0c0g", "ioctl: word 4 (column 20): the record of IoctlGetDigitalInputs is 4 bytes in "
                                        "hexadecimal"},
        {"ioctl 1 3221766407 00", "ioctl: word 4 (column 20): the record of IoctlTestInterrupts is - (no argument)"},
        {"ioctl 1 5 00", "ioctl: word 4 (column 11): the record of unknown command is - (no argument)"},
        {"ioctl 4294967296 3221766416 -", "ioctl: word 2 (column 7): handle must be a decimal number, got "
                                          "\"4294967296\""},
        {"ioctl 1 0xC0084110 -", "ioctl: word 3 (column 9): command must be a decimal number, got \"0xC0084110\""},
        {"ioctl 1 3221766416", "ioctl: word 4 (column 20): wrong number of words (usage: ioctl HANDLE COMMAND HEX|-)"},
        {"close", "close: word 2 (column 7): wrong number of words (usage: close HANDLE)"},
        {"close 1 2", "close: word 3 (column 9): wrong number of words (usage: close HANDLE)"},
        {"format xml", "format: word 2 (column 8): format must be json or text, got \"xml\""},
        {"nodes all", "nodes: word 2 (column 7): wrong number of words (usage: nodes)"},
    };
    for (const auto& c : bad) {
        ProtocolRequest untouched;
        untouched.handle = 99;
        EXPECT_FALSE(parse(c.first, untouched, e)) << c.first;
        EXPECT_EQ(c.second, e.text()) << c.first;
        EXPECT_EQ(99u, untouched.handle);
    }
    EXPECT_FALSE(isProtocolRequest(splitWords("boards")));
    EXPECT_FALSE(isProtocolRequest(splitWords("")));
}
