// The simulator server against clients that misbehave, and the rules of its socket.
// Every case runs a real server process and talks to its socket; after each, another
// client must still be served.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "SimServerSupport.h"

using namespace corvane_sim_test;

namespace {

// The server still answers a newcomer.
void expectServing(const SimServerProcess& server) {
    SimSocketClient other(server.socket());
    ASSERT_TRUE(other.connected());
    EXPECT_EQ("ok keloe6100_0", other.ask("boards"));
}

std::string stateOf(const SimServerProcess& server) {
    SimSocketClient c(server.socket());
    return c.ask("state keloe6100_0");
}

// Polls the board's state until it holds text (the server handles a vanished client in
// its next round).
bool eventuallyIn(const SimServerProcess& server, const std::string& text) {
    for (int i = 0; i < 500; ++i) {
        if (stateOf(server).find(text) != std::string::npos) return true;
        ::usleep(10000);
    }
    return false;
}

}  // namespace

TEST(SimServer, AClientSendingGarbageGetsOneErrorLineAndIsDropped) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    const std::pair<std::string, std::string> cases[] = {
        {std::string("state keloe6100_0\x01\n"), "error state: word 2 (column 18): byte 0x01 is not text"},
        {std::string("\x00\x01\x02\n", 4), "error word 1 (column 1): byte 0x00 is not text"},
        {"\xff\xfe garbage\n", "error word 1 (column 1): byte 0xff is not text"},
        {"boards\x1b[2J\n", "error boards: word 1 (column 7): byte 0x1b is not text"},
    };
    for (const auto& c : cases) {
        SimSocketClient client(server.socket());
        ASSERT_TRUE(client.connected());
        ASSERT_TRUE(client.send(c.first));
        EXPECT_EQ(c.second, client.readLine());
        EXPECT_EQ("<closed>", client.readLine()) << "dropped after the error line";
        expectServing(server);
    }
}

TEST(SimServer, MalformedCommandsGetAnErrorLineAndTheClientStays) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100:inputs=0x5"})) << server.stderrText();
    SimSocketClient client(server.socket());
    EXPECT_EQ("error set-inputs: word 3 (column 24): inputs must be hexadecimal from 0 to ffffffff, got \"zz\"",
              client.ask("set-inputs keloe6100_0 zz"));
    EXPECT_EQ("error word 1 (column 1): no command given (commands: boards, state, set-inputs, set-input, set-port, "
              "interrupt, fail, clear-failures, advance, clock, trace, stop)",
              client.ask(""));
    EXPECT_EQ("error close: word 2 (column 7): no open handle 9", client.ask("close 9"));
    EXPECT_NE(std::string::npos, client.ask("state keloe6100_0").find(" inputs=0x00000005 ")) << "nothing changed";
}

TEST(SimServer, ALineLongerThanTheLimitDropsTheClient) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    {
        // Exactly at the limit (65536 bytes before the newline) is still read as a line.
        SimSocketClient client(server.socket());
        ASSERT_TRUE(client.send(std::string(65536, ' ') + "\n"));
        EXPECT_EQ(0u, client.readLine().find("error word 1 (column 1): no command given"));
        EXPECT_EQ("ok keloe6100_0", client.ask("boards"));
    }
    // 1 MB without a newline: the server reads no further than the limit past a line.
    SimSocketClient client(server.socket());
    ASSERT_TRUE(client.connected());
    client.send(std::string(1024 * 1024, 'a'));  // may fail part way: the server drops us
    EXPECT_EQ("error word 1 (column 1): line longer than 65536 bytes", client.readLine());
    EXPECT_EQ("<closed>", client.readLine());
    expectServing(server);
}

TEST(SimServer, AClientThatNeverReadsIsDroppedWithoutBlockingTheOthers) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    SimSocketClient greedy(server.socket());
    ASSERT_TRUE(greedy.connected());
    ::fcntl(greedy.fd(), F_SETFL, O_NONBLOCK);
    // Requests without ever reading a reply, until the server gives up on us; between
    // rounds another client must be answered at once.
    std::string burst;
    for (int i = 0; i < 1000; ++i) burst += "state keloe6100_0\n";
    bool dropped = false;
    uint64_t lastCheck = 0;
    const uint64_t deadline = nowMs() + 60000;  // sanitized builds on a busy machine are slow
    while (!dropped && nowMs() < deadline) {
        size_t sent = 0;
        while (sent < burst.size()) {
            const ssize_t n = ::send(greedy.fd(), burst.data() + sent, burst.size() - sent, MSG_NOSIGNAL);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && (errno == EPIPE || errno == ECONNRESET)) dropped = true;
            break;
        }
        if (nowMs() - lastCheck > 200) {
            expectServing(server);
            lastCheck = nowMs();
        }
        if (!dropped && sent < burst.size()) ::usleep(2000);  // the server is behind: let it catch up
    }
    EXPECT_TRUE(dropped);
    expectServing(server);
    server.stop(SIGTERM);
    EXPECT_NE(std::string::npos, server.stderrText().find("does not read its replies")) << server.stderrText();
}

TEST(SimServer, AClientLeavingMidCommandChangesNothing) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    const char* partial[] = {
        "set-inputs keloe6100_0 0xff",
        "set-input keloe6100_0 3",
        "interrupt keloe6100_0 1",
        "open keloe6100_0\nioctl 1 3221766433 ff000000010",  // IoctlSetDigitalOutputs, record cut short
    };
    for (const char* p : partial) {
        SimSocketClient client(server.socket());
        ASSERT_TRUE(client.send(p));
        client.close();
        ASSERT_TRUE(eventuallyIn(server, " open=0")) << p;
        const std::string state = stateOf(server);
        EXPECT_NE(std::string::npos, state.find(" inputs=0x00000000 outputs=0x00000000 ")) << p << ": " << state;
        EXPECT_NE(std::string::npos, state.find(" pending=0 ")) << p << ": " << state;
    }
}

TEST(SimServer, AClientThatDiesHasItsNodesClosedAndTheOthersGoOn) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    SimSocketClient survivor(server.socket());
    ASSERT_EQ("ok 1", survivor.ask("open keloe6100_0"));
    const pid_t child = ::fork();
    if (child == 0) {
        SimSocketClient client(server.socket());
        bool ok = client.ask("open keloe6100_0") == "ok 1" && client.ask("open keloe6100_0") == "ok 2";
        ::_exit(ok ? 0 : 1);  // without closing anything
    }
    ASSERT_EQ(0, waitStatus(child, 10000));
    EXPECT_TRUE(eventuallyIn(server, " open=1")) << stateOf(server);
    EXPECT_EQ("ok 0 0 00000000", survivor.ask("ioctl 1 3221766416 00000000"));
    EXPECT_EQ("ok", survivor.ask("close 1"));
    EXPECT_TRUE(eventuallyIn(server, " open=0"));
}

TEST(SimServer, ClientsUpToTheLimitAreServedOnePastIsRefused) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    std::vector<std::unique_ptr<SimSocketClient>> clients;
    for (int i = 0; i < 256; ++i) {
        clients.push_back(std::make_unique<SimSocketClient>(server.socket()));
        ASSERT_TRUE(clients.back()->connected()) << i;
    }
    EXPECT_EQ("ok keloe6100_0", clients.front()->ask("boards"));
    EXPECT_EQ("ok keloe6100_0", clients.back()->ask("boards"));
    SimSocketClient extra(server.socket());  // told why as soon as it is accepted
    EXPECT_EQ("error the server is full: 256 clients are connected; try again when one leaves", extra.readLine());
    EXPECT_EQ("<closed>", extra.readLine());
    const ProcessRun r = runProcess({corvaneSimBinary("corvane-sim"), "ctl", "--socket", server.socket(), "boards"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("error: the server is full: 256 clients are connected; try again when one leaves\n", r.err);
    clients.pop_back();
    EXPECT_TRUE([&] {  // the server notices the departure in its next round
        for (int i = 0; i < 500; ++i) {
            SimSocketClient next(server.socket());
            if (next.ask("boards") == "ok keloe6100_0") return true;
            ::usleep(10000);
        }
        return false;
    }());
}

TEST(SimServer, SocketIsPrivateAndAnExistingPathIsNotReplaced) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    struct stat st{};
    ASSERT_EQ(0, ::lstat(server.socket().c_str(), &st));
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(0600u, st.st_mode & 07777);

    // A second server on the same path: refused, the first goes on.
    SimServerProcess second;
    EXPECT_FALSE(second.start({"--boards", "kelo3100", "--socket", server.socket()}));
    EXPECT_EQ(1, second.stop(0));
    EXPECT_EQ("corvane-sim serve: " + server.socket() + " exists; not replacing it (remove it if no server uses it)\n",
              second.stderrText());
    expectServing(server);

    // A file that is not a socket: left as it was.
    const std::string file = server.dir() / "file";
    ASSERT_EQ(0, std::system(("echo keep > '" + file + "'").c_str()));
    SimServerProcess third;
    EXPECT_FALSE(third.start({"--socket", file}));
    EXPECT_NE(std::string::npos, third.stderrText().find(file + " exists; not replacing it"));
    EXPECT_EQ("keep\n", runProcess({"/bin/cat", file}).out);

    const std::string tooLong = server.dir().path() + "/" + std::string(120, 's');
    SimServerProcess fourth;
    EXPECT_FALSE(fourth.start({"--socket", tooLong}));
    EXPECT_NE(std::string::npos, fourth.stderrText().find("is longer than 107 bytes")) << fourth.stderrText();
}

TEST(SimServer, DefaultSocketPaths) {
    const std::string uid = std::to_string(::getuid());
    // Starts a server without --socket and returns what it printed first (its socket).
    auto startDefault = [](const std::map<std::string, const char*>& env, pid_t& pid, int& out) {
        pid = spawnProcess({corvaneSimBinary("corvane-sim-server"), "--boards", "keloe6100"}, env, &out, nullptr);
        std::string printed, ignored;
        const uint64_t deadline = nowMs() + 10000;
        while (printed.find('\n') == std::string::npos && nowMs() < deadline) drainPipes(out, -1, printed, ignored, 100);
        return printed;
    };
    auto stopDefault = [](pid_t pid, int out) {
        ::kill(pid, SIGTERM);
        EXPECT_EQ(0, waitStatus(pid, 10000));
        ::close(out);
    };
    {  // Under XDG_RUNTIME_DIR.
        TempDir runtime;
        ASSERT_EQ(0, ::chmod(runtime.path().c_str(), 0700));
        const std::map<std::string, const char*> env = {{"XDG_RUNTIME_DIR", runtime.path().c_str()}};
        pid_t pid = -1;
        int out = -1;
        EXPECT_EQ("corvane-sim: serving 1 board on " + runtime / "corvane-sim.sock" + "\n", startDefault(env, pid, out));
        const ProcessRun ctl = runProcess({corvaneSimBinary("corvane-sim"), "ctl", "boards"}, env);
        EXPECT_EQ(0, ctl.status) << ctl.err;
        EXPECT_EQ("keloe6100_0\n", ctl.out);
        stopDefault(pid, out);
        EXPECT_NE(0, ::access((runtime / "corvane-sim.sock").c_str(), F_OK)) << "the socket is removed";
    }
    {  // Without it: a private directory under TMPDIR (or /tmp), created with mode 0700.
        TempDir tmp;
        const std::map<std::string, const char*> env = {{"XDG_RUNTIME_DIR", nullptr}, {"TMPDIR", tmp.path().c_str()}};
        const std::string socket = tmp / ("corvane-sim-" + uid) + "/server.sock";
        pid_t pid = -1;
        int out = -1;
        EXPECT_EQ("corvane-sim: serving 1 board on " + socket + "\n", startDefault(env, pid, out));
        struct stat st{};
        ASSERT_EQ(0, ::lstat((tmp / ("corvane-sim-" + uid)).c_str(), &st));
        EXPECT_EQ(0700u, st.st_mode & 07777);
        const ProcessRun ctl = runProcess({corvaneSimBinary("corvane-sim"), "ctl", "boards"}, env);
        EXPECT_EQ(0, ctl.status) << ctl.err;
        EXPECT_EQ("keloe6100_0\n", ctl.out);
        stopDefault(pid, out);
        EXPECT_NE(0, ::access(socket.c_str(), F_OK)) << "the socket is removed";
        const ProcessRun gone = runProcess({corvaneSimBinary("corvane-sim"), "ctl", "boards"}, env);
        EXPECT_EQ(3, gone.status);
        EXPECT_NE(std::string::npos, gone.err.find("cannot connect to " + socket)) << gone.err;
    }
    {  // A directory others may enter is not used.
        TempDir tmp;
        const std::string dir = tmp / ("corvane-sim-" + uid);
        ASSERT_EQ(0, ::mkdir(dir.c_str(), 0755));
        ASSERT_EQ(0, ::chmod(dir.c_str(), 0755));
        const ProcessRun r = runProcess({corvaneSimBinary("corvane-sim-server")},
                                        {{"XDG_RUNTIME_DIR", nullptr}, {"TMPDIR", tmp.path().c_str()}});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("corvane-sim serve: " + dir + " can be entered by other users (mode 0755); not using it\n", r.err);
    }
}

TEST(SimServer, StopsOnStopSigintAndSigtermAndRemovesItsSocket) {
    for (int how : {0, SIGINT, SIGTERM}) {
        SCOPED_TRACE(how);
        SimServerProcess server;
        ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
        SimSocketClient holder(server.socket());
        ASSERT_EQ("ok 1", holder.ask("open keloe6100_0"));
        if (how == 0) {
            SimSocketClient client(server.socket());
            EXPECT_EQ("ok stopping", client.ask("stop"));
        }
        EXPECT_EQ(0, server.stop(how));
        EXPECT_NE(0, ::access(server.socket().c_str(), F_OK)) << "the socket is removed";
        EXPECT_EQ("<closed>", holder.readLine());
    }
}

TEST(SimServer, ALongTraceStreamsToItsEnd) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    // Enough relayed commands with large records (each traced entry is a line of about
    // 11 KiB) that the trace goes out in many slices.
    constexpr int kCalls = 2000;
    SimSocketClient driver(server.socket());
    ASSERT_EQ("ok 1", driver.ask("open keloe6100_0"));
    const std::string call = "ioctl 1 " + std::to_string(0xC0084100u) + " " + std::string(2 * 2840, '0') + "\n";
    for (int sent = 0; sent < kCalls; sent += 50) {
        std::string burst;
        for (int i = 0; i < 50; ++i) burst += call;
        ASSERT_TRUE(driver.send(burst));
        for (int i = 0; i < 50; ++i) ASSERT_EQ(0u, driver.readLine().rfind("ok 0 0 ", 0));
    }
    for (int round = 0; round < 5; ++round) {
        SimSocketClient reader(server.socket());
        ASSERT_TRUE(reader.send("trace\n"));
        int lines = 0;
        std::string line;
        for (;;) {
            line = reader.readLine();
            if (line.rfind("ok", 0) == 0 || line.rfind("<", 0) == 0) break;
            ++lines;
        }
        EXPECT_EQ(line, "ok " + std::to_string(kCalls) + " entries") << "after " << lines << " lines";
        EXPECT_EQ(lines, kCalls);
    }
}

TEST(SimServer, AClientThatShutsItsSendingSideGetsEveryReply) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    SimSocketClient client(server.socket());
    ASSERT_TRUE(client.send("set-inputs keloe6100_0 0x5\nboards\ntrace\nstate"));  // the last is unfinished
    ASSERT_EQ(0, ::shutdown(client.fd(), SHUT_WR));
    EXPECT_EQ("ok", client.readLine());
    EXPECT_EQ("ok keloe6100_0", client.readLine());
    EXPECT_EQ("ok 0 entries", client.readLine());
    EXPECT_EQ("<closed>", client.readLine()) << "closed once answered; the unfinished line is dropped";
    EXPECT_NE(std::string::npos, stateOf(server).find("inputs=0x00000005"));
    expectServing(server);
}

TEST(SimServer, OptionsTakeTheirValueAfterAnEqualsSignToo) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards=kelo3100"})) << server.stderrText();
    SimSocketClient client(server.socket());
    EXPECT_EQ("ok kelo3100_0", client.ask("boards"));
}
