// corvane-sim ctl against a running server: what it prints, on which stream, and its
// exit status for each kind of outcome.
#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>
#include <string>

#include "SimServerSupport.h"

using namespace corvane_sim_test;

namespace {

ProcessRun ctl(const std::string& socket, const std::vector<std::string>& args) {
    std::vector<std::string> argv{corvaneSimBinary("corvane-sim"), "ctl", "--socket", socket};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv);
}

}  // namespace

TEST(SimCtl, RepliesAndExitStatus) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100,kelo3100"})) << server.stderrText();
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    };
    const Case cases[] = {
        {{"boards"}, 0, "keloe6100_0 kelo3100_0\n", ""},
        {{"set-inputs", "kelo3100_0", "0xffff"}, 0, "ok\n", ""},
        {{"set-inputs", "kelo3100_0", "0x10000"}, 1, "",
         "error: set-inputs: word 3 (column 23): inputs 0x00010000 reach beyond the 16 inputs of kelo3100_0\n"},
        {{"set-inputs", "kelo3100_0", "0xfffg"}, 2, "",
         "error: set-inputs: word 3 (column 23): inputs must be hexadecimal from 0 to ffffffff, got \"0xfffg\"\n"},
        {{"open", "keloe6100_0"}, 2, "",
         "error: open: word 1 (column 1): unknown command \"open\" (commands: boards, state, set-inputs, set-input, "
         "set-port, interrupt, fail, clear-failures, advance, clock, trace, stop)\n"},
        {{"set-input", "kelo3100_0", "15", "0"}, 0, "ok\n", ""},
        {{"set-input", "kelo3100_0", "16", "0"}, 1, "",
         "error: set-input: word 3 (column 22): channel must be below 16 on kelo3100_0, got 16\n"},
        {{"advance", "1s"}, 1, "",
         "error: advance: word 1 (column 1): the clock is real: advance moves the virtual clock (clock virtual)\n"},
        {{"interrupt", "keloe6100_0", "1", "2"}, 0, "pending=1\n", ""},
        {{"fail", "*", "IoctlGetDigitalInputs", "EIO", "always"}, 0, "ok\n", ""},
        {{"clear-failures"}, 0, "ok\n", ""},
        {{"trace"}, 0, "0 entries\n", ""},
        {{"--json", "set-port", "keloe6100_0", "1", "0"}, 1, "",
         "{\"ok\":false,\"command\":\"set-port\",\"word\":3,\"column\":22,\"reason\":\"port must be below 1 on "
         "keloe6100_0, got 1\",\"error\":\"set-port: word 3 (column 22): port must be below 1 on keloe6100_0, got "
         "1\"}\n"},
        {{"--json", "interrupt", "keloe6100_0", "3", "4"}, 0, "{\"ok\":true,\"pending_interrupts\":2}\n", ""},
        // --json after the command, and a line that does not parse, answered in JSON too.
        {{"interrupt", "keloe6100_0", "3", "4", "--json"}, 0, "{\"ok\":true,\"pending_interrupts\":3}\n", ""},
        {{"--json", "set-port", "keloe6100_0"}, 2, "",
         "{\"ok\":false,\"command\":\"set-port\",\"word\":3,\"column\":22,\"reason\":\"missing arguments (usage: "
         "set-port BOARD PORT HEX)\",\"error\":\"set-port: word 3 (column 22): missing arguments (usage: set-port BOARD "
         "PORT HEX)\"}\n"},
    };
    for (const auto& c : cases) {
        const ProcessRun r = ctl(server.socket(), c.args);
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        EXPECT_EQ(c.status, r.status) << line;
        EXPECT_EQ(c.out, r.out) << line;
        EXPECT_EQ(c.err, r.err) << line;
    }
    const ProcessRun state = ctl(server.socket(), {"--json", "state", "kelo3100_0"});
    EXPECT_EQ(0, state.status);
    const auto j = nlohmann::json::parse(state.out);
    EXPECT_EQ(0x7FFF, j["state"]["inputs"]);
    EXPECT_EQ(16, j["state"]["input_count"]);

    // The virtual clock moves exactly as far as it is advanced.
    const auto clock = nlohmann::json::parse(ctl(server.socket(), {"--json", "clock", "virtual"}).out);
    EXPECT_EQ("virtual", clock["clock"]);
    const auto advanced = nlohmann::json::parse(ctl(server.socket(), {"--json", "advance", "1.5s"}).out);
    EXPECT_EQ(clock["now_ns"].get<uint64_t>() + 1500000000u, advanced["now_ns"].get<uint64_t>());
    EXPECT_EQ(0u, ctl(server.socket(), {"clock"}).out.find("virtual now="));

    const ProcessRun usage = runProcess({corvaneSimBinary("corvane-sim"), "ctl"});
    EXPECT_EQ(2, usage.status);
    EXPECT_EQ(0u, usage.err.find("corvane-sim ctl: no command given\nusage: corvane-sim ctl")) << usage.err;
    TempDir nowhere;
    const ProcessRun unreachable = ctl(nowhere / "s.sock", {"boards"});
    EXPECT_EQ(3, unreachable.status);
    EXPECT_EQ("corvane-sim ctl: cannot connect to " + (nowhere / "s.sock") +
                  ": No such file or directory (is \"corvane-sim serve\" running?)\n",
              unreachable.err);
}

TEST(SimCtl, TraceShowsTheBytesTheDriverReceivedAndFollowsNewOnes) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100:inputs=0x12345678"})) << server.stderrText();
    SimSocketClient program(server.socket());
    ASSERT_EQ("ok 1", program.ask("open keloe6100_0"));
    ASSERT_EQ("ok 0 0 78563412", program.ask("ioctl 1 3221766416 00000000"));
    ASSERT_EQ("ok 0 0 -", program.ask("ioctl 1 3221766407 -"));

    ProcessRun r = ctl(server.socket(), {"trace"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("keloe6100_0 IoctlGetDigitalInputs 0xc0084110 result=0 errno=0 sent=00000000 returned=78563412\n"
              "keloe6100_0 IoctlTestInterrupts 0xc0084107 result=0 errno=0 sent=- returned=-\n"
              "2 entries\n",
              r.out);
    r = ctl(server.socket(), {"--json", "trace"});
    EXPECT_EQ("{\"trace\":{\"node\":\"keloe6100_0\",\"command\":3221766416,\"name\":\"IoctlGetDigitalInputs\","
              "\"result\":0,\"errno\":0,\"sent\":\"00000000\",\"returned\":\"78563412\"}}\n"
              "{\"trace\":{\"node\":\"keloe6100_0\",\"command\":3221766407,\"name\":\"IoctlTestInterrupts\","
              "\"result\":0,\"errno\":0,\"sent\":\"\",\"returned\":\"\"}}\n"
              "{\"ok\":true,\"entries\":2}\n",
              r.out);

    // --follow: the backlog, the "following" line, then each new command as it comes.
    int out = -1;
    const pid_t follower = spawnProcess(
        {corvaneSimBinary("corvane-sim"), "ctl", "--socket", server.socket(), "trace", "--follow"}, {}, &out, nullptr);
    std::string seen, ignored;
    auto waitFor = [&](const std::string& text) {
        const uint64_t deadline = nowMs() + 10000;
        while (seen.find(text) == std::string::npos && nowMs() < deadline) drainPipes(out, -1, seen, ignored, 50);
        return seen.find(text) != std::string::npos;
    };
    EXPECT_TRUE(waitFor("2 entries, following\n")) << seen;
    ASSERT_EQ("ok -1 5 00000000", [&] {
        SimSocketClient control(server.socket());
        control.ask("fail keloe6100_0 IoctlGetDigitalInputs EIO");
        return program.ask("ioctl 1 3221766416 00000000");
    }());
    EXPECT_TRUE(waitFor("result=-1 errno=5 sent=00000000 returned=00000000\n")) << seen;
    EXPECT_EQ(3u, std::count(seen.begin(), seen.end(), '\n') - 1u) << seen;
    ::kill(follower, SIGTERM);
    waitStatus(follower, 5000);
    ::close(out);
}

TEST(SimCtl, ServeRefusesAMalformedScriptAndRunsAGoodOneFromTheStart) {
    TempDir dir;
    const std::string bad = dir / "bad.script";
    ASSERT_EQ(0, std::system(("printf 'at 10ms boards\\n\\nat 20ms set-input keloe6100_0 32 1\\n' > " + bad).c_str()));
    ProcessRun r = runProcess({corvaneSimBinary("corvane-sim"), "serve", "--boards", "keloe6100", "--socket",
                               dir / "s.sock", "--script", bad});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("corvane-sim serve: " + bad +
                  ":3: set-input: word 5 (column 31): channel must be below 32 on keloe6100_0, got 32\n",
              r.err);
    EXPECT_NE(0, ::access((dir / "s.sock").c_str(), F_OK)) << "nothing started";

    const std::string good = dir / "good.script";
    ASSERT_EQ(0, std::system(("printf 'at 20ms set-inputs keloe6100_0 0x3\\nat 30ms interrupt keloe6100_0 9 9\\n' > " +
                              good).c_str()));
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100", "--script", good})) << server.stderrText();
    std::string state;
    for (int i = 0; i < 500 && state.find(" pending=1 ") == std::string::npos; ++i) {
        ::usleep(10000);
        state = ctl(server.socket(), {"state", "keloe6100_0"}).out;
    }
    EXPECT_NE(std::string::npos, state.find(" inputs=0x00000003 ")) << state;
    EXPECT_NE(std::string::npos, state.find(" pending=1 ")) << state;
}
