// Boards shared between processes through the simulator server, as real boards are
// shared: process A switches an output, process B reads it, process C waits for an input
// interrupt through the library while "corvane-sim ctl set-input" raises it, and A is
// killed in the middle of its calls while B and C go on. The programs are separate
// processes linked with the simulator (so sanitizers see their threads: the library's
// interrupt thread and the caller's thread share one connection to the server).
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "SimServerSupport.h"

using namespace corvane_sim_test;

namespace {

// A client program running in the background; its output is read line by line.
class Program {
public:
    Program(const std::vector<std::string>& args, const std::string& socket) {
        std::vector<std::string> argv{corvaneSimBinary("sim_shared_client")};
        argv.insert(argv.end(), args.begin(), args.end());
        pid_ = spawnProcess(argv, {{"CORVANE_SIM_SERVER", socket.c_str()}}, &out_, nullptr);
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitStatus(pid_, 5000);
        }
        if (out_ >= 0) ::close(out_);
    }
    // The next line it printed ("<end>" when it ended, "<timeout>").
    std::string line(int timeoutMs = 20000) {
        const uint64_t deadline = nowMs() + static_cast<uint64_t>(timeoutMs);
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string l = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return l;
            }
            if (nowMs() >= deadline) return "<timeout>";
            std::string more, ignored;
            drainPipes(out_, -1, more, ignored, 50);
            if (more.empty()) {
                pollfd p{out_, POLLIN, 0};
                if (::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) && !(p.revents & POLLIN)) return "<end>";
            }
            buffer_ += more;
        }
    }
    int kill(int sig) {
        ::kill(pid_, sig);
        const int status = waitStatus(pid_, 10000);
        pid_ = -1;
        return status;
    }
    int wait() {
        const int status = waitStatus(pid_, 30000);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

ProcessRun ctl(const SimServerProcess& server, const std::vector<std::string>& args) {
    std::vector<std::string> argv{corvaneSimBinary("corvane-sim"), "ctl", "--socket", server.socket()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv);
}

ProcessRun client(const SimServerProcess& server, const std::vector<std::string>& args) {
    std::vector<std::string> argv{corvaneSimBinary("sim_shared_client")};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProcess(argv, {{"CORVANE_SIM_SERVER", server.socket().c_str()}});
}

}  // namespace

TEST(SimSharedBoards, OutputsInterruptsAndAKilledClient) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();

    // A switches output 5 on and keeps calling the driver.
    Program a({"write-then-hammer", "keloe6100_0", "5"}, server.socket());
    ASSERT_EQ("ready", a.line());

    // B, another process, reads the output A switched.
    ProcessRun b = client(server, {"read-outputs", "keloe6100_0"});
    EXPECT_EQ(0, b.status) << b.out << b.err;
    EXPECT_EQ("outputs=0x00000020\n", b.out);

    // C waits for the rising edge of input 5 through the library; the input is switched
    // from outside.
    Program c({"wait-interrupts", "keloe6100_0", "3", "5"}, server.socket());
    ASSERT_EQ("ready", c.line());
    ProcessRun raised = ctl(server, {"set-input", "keloe6100_0", "5", "1"});
    EXPECT_EQ(0, raised.status) << raised.err;
    EXPECT_EQ("ok\n", raised.out);
    EXPECT_EQ("interrupt source=0x00000001 mask=0x00000020 args=2: 32 0", c.line());

    // A dies in the middle of its calls; B and C go on.
    EXPECT_EQ(128 + SIGKILL, a.kill(SIGKILL));
    b = client(server, {"read-outputs", "keloe6100_0"});
    EXPECT_EQ("outputs=0x00000020\n", b.out) << b.err;
    EXPECT_EQ(0, ctl(server, {"set-input", "keloe6100_0", "5", "0"}).status);  // a falling edge: nothing
    EXPECT_EQ(0, ctl(server, {"set-input", "keloe6100_0", "5", "1"}).status);
    EXPECT_EQ("interrupt source=0x00000001 mask=0x00000020 args=2: 32 0", c.line());
    raised = ctl(server, {"interrupt", "keloe6100_0", "0x10", "0x8", "1", "4294967295"});
    EXPECT_EQ(0, raised.status) << raised.err;
    EXPECT_EQ("pending=1\n", raised.out);
    EXPECT_EQ("interrupt source=0x00000010 mask=0x00000008 args=2: 1 4294967295", c.line());
    EXPECT_EQ("inputs=0x00000020", c.line());
    EXPECT_EQ(0, c.wait());

    // Every node the clients opened is closed again, A's by the server.
    ProcessRun state = ctl(server, {"state", "keloe6100_0"});
    EXPECT_NE(std::string::npos, state.out.find(" outputs=0x00000020 ")) << state.out;
    for (int i = 0; i < 500 && state.out.find(" open=0") == std::string::npos; ++i) {
        ::usleep(10000);
        state = ctl(server, {"state", "keloe6100_0"});
    }
    EXPECT_NE(std::string::npos, state.out.find(" pending=0 dropped=0 open=0")) << state.out;
    EXPECT_EQ(0, server.stop(SIGTERM));
    EXPECT_EQ(std::string::npos, server.stderrText().find("dropped")) << server.stderrText();
}

TEST(SimSharedBoards, AForkedChildFailsCleanlyOnItsParentsNodesAndOpensItsOwn) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100:inputs=0x81"})) << server.stderrText();
    ProcessRun r = client(server, {"fork", "keloe6100_0"});
    EXPECT_EQ(0, r.status) << r.out << r.err;
    EXPECT_EQ("child inherited: 0x86000f08\n"
              "child own: fd=yes result=0 inputs=0x00000081\n"
              "parent after: 0x00000000 inputs=0x00000081\n",
              r.out);
}

TEST(SimSharedBoards, WithoutAServerTheProgramSeesNoBoardsAndSaysWhy) {
    TempDir dir;
    ProcessRun r = runProcess({corvaneSimBinary("sim_shared_client"), "read-outputs", "keloe6100_0"},
                              {{"CORVANE_SIM_SERVER", (dir / "none.sock").c_str()}});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0u, r.out.find("VelmorGetDigitalOutputsStatus failed: 0x80002810 ")) << r.out;
    EXPECT_EQ("corvane-sim: cannot reach the simulator server at " + (dir / "none.sock") +
                  ": No such file or directory\n",
              r.err);
}
