// The corvane-sim runner with a server: a program run with --connect sees the server's
// boards, and --script plays timed steps while a program runs (on a private server, or
// on the one given with --connect). The runner preloads the simulator, so these run in
// builds without sanitizers only.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>
#include <dirent.h>

#include <string>

#include "SimServerSupport.h"

using namespace corvane_sim_test;

namespace {

std::string scriptFile(const char* name) {
    const char* dir = std::getenv("CORVANE_SIM_TEST_SCRIPTS");
    return std::string(dir != nullptr ? dir : ".") + "/" + name;
}

std::vector<std::string> runner(std::vector<std::string> args) {
    args.insert(args.begin(), corvaneSimBinary("corvane-sim"));
    return args;
}

size_t entries(const std::string& dir) {
    size_t n = 0;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

const char* const kEndToEnd =
    "ready\n"
    "interrupt source=0x00000001 mask=0x00000004 args=1: 7\n"
    "interrupt source=0x00000002 mask=0x00000000 args=0:\n"
    "interrupt source=0x00000002 mask=0x00000000 args=0:\n"
    "interrupt source=0x00000002 mask=0x00000000 args=0:\n"
    "inputs=0x00000005\n";

}  // namespace

TEST(SimRunner, AScriptRunEndToEndOnAPrivateServer) {
    TempDir tmp;
    const std::map<std::string, const char*> env = {{"XDG_RUNTIME_DIR", nullptr}, {"TMPDIR", tmp.path().c_str()}};
    const ProcessRun r = runProcess(runner({"--boards", "keloe6100", "--script", scriptFile("end_to_end.script"), "--",
                                            corvaneSimBinary("sim_shared_client"), "wait-interrupts", "keloe6100_0", "4"}),
                                    env);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(kEndToEnd, r.out);
    EXPECT_EQ("", r.err);
    EXPECT_EQ(0u, entries(tmp.path())) << "the private server and its directory are gone";
}

TEST(SimRunner, AScriptDrivesAServerGivenWithConnect) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "keloe6100"})) << server.stderrText();
    const ProcessRun r = runProcess(runner({"--connect", server.socket(), "--script", scriptFile("end_to_end.script"),
                                            "--", corvaneSimBinary("sim_shared_client"), "wait-interrupts",
                                            "keloe6100_0", "4"}));
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(kEndToEnd, r.out);
    // The server goes on, with the state the script left.
    SimSocketClient control(server.socket());
    EXPECT_NE(std::string::npos, control.ask("state keloe6100_0").find(" inputs=0x00000005 "));
}

TEST(SimRunner, AMalformedScriptIsRefusedBeforeTheProgramStarts) {
    TempDir tmp;
    const std::map<std::string, const char*> env = {{"XDG_RUNTIME_DIR", nullptr}, {"TMPDIR", tmp.path().c_str()}};
    const std::string syntax = tmp / "syntax.script";
    const std::string board = tmp / "board.script";
    ASSERT_EQ(0, std::system(("printf 'at 1s boards\\n# fine so far\\nat 2s set-port keloe6100_0 x 1\\n' > " + syntax +
                              " && printf 'at 1s boards\\nevery 1s set-inputs keloe6100_9 1\\n' > " + board)
                                 .c_str()));
    const std::pair<std::string, std::string> cases[] = {
        {syntax, "corvane-sim: " + syntax + ":3: set-port: word 5 (column 28): port must be a number from 0 to 15, got \"x\"\n"},
        {board, "corvane-sim: " + board + ":2: set-inputs: word 4 (column 21): no board \"keloe6100_9\" (boards: "
                                          "keloe6100_0)\n"},
        {tmp / "missing.script", "corvane-sim: cannot read " + (tmp / "missing.script") + ": No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const ProcessRun r = runProcess(runner({"--boards", "keloe6100", "--script", c.first, "--", "/bin/echo", "started"}), env);
        EXPECT_EQ(2, r.status) << c.first;
        EXPECT_EQ("", r.out) << "the program must not start";
        EXPECT_EQ(c.second, r.err);
        EXPECT_EQ(2u, entries(tmp.path())) << "only the two scripts are left: no private server remains";
    }
}

TEST(SimRunner, ConnectWithoutAPathTakesTheDefaultSocketAndARelativePathHoldsAfterCd) {
    TempDir runtime;
    ASSERT_EQ(0, ::chmod(runtime.path().c_str(), 0700));
    const std::map<std::string, const char*> env{{"XDG_RUNTIME_DIR", runtime.path().c_str()}};
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "kelo3100", "--socket", runtime / "corvane-sim.sock"}, env))
        << server.stderrText();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--connect", "--", "/bin/ls", "/dev/"},
          std::vector<std::string>{"--connect=", "/bin/ls", "/dev/"}}) {
        const ProcessRun r = runProcess(runner(args), env);
        EXPECT_EQ(0, r.status) << r.err;
        EXPECT_EQ("kelo3100_0\n", r.out);
    }
    // A relative path is made absolute before the program can change its directory.
    const ProcessRun r = runProcess({"/bin/sh", "-c",
                                     "cd '" + runtime.path() + "' && '" + corvaneSimBinary("corvane-sim") +
                                         "' --connect corvane-sim.sock -- /bin/sh -c 'cd / && ls /dev/'"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("kelo3100_0\n", r.out);
}

TEST(SimRunner, ConnectListsTheServersBoardsAndStatusesPassThrough) {
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--boards", "kelo3100,kelo4210:node=ports"})) << server.stderrText();
    ProcessRun r = runProcess(runner({"--connect", server.socket(), "--", "/bin/ls", "/dev/"}));
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("kelo3100_0\nports\n", r.out);
    r = runProcess(runner({"--connect", server.socket(), "--boards", "kelo3100", "--", "/bin/true"}));
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(0u, r.err.find("corvane-sim: --boards and --connect do not go together: the server has its boards\n"));

    TempDir tmp;
    const std::string script = tmp / "s.script";
    ASSERT_EQ(0, std::system(("echo 'at 5s boards' > " + script).c_str()));
    r = runProcess(runner({"--connect", server.socket(), "--script", script, "--", "/bin/sh", "-c", "exit 3"}));
    EXPECT_EQ(3, r.status) << "the program's own status";
    r = runProcess(runner({"--connect", server.socket(), "--script", script, "--", "/bin/sh", "-c", "kill -9 $$"}));
    EXPECT_EQ(128 + SIGKILL, r.status);

    // SIGTERM to the runner reaches the program, and the runner ends with it.
    int out = -1;
    const pid_t pid = spawnProcess(runner({"--script", script, "--", "/bin/sh", "-c",
                                           "trap 'echo terminated; exit 5' TERM; echo up; while :; do sleep 0.05; done"}),
                                   {{"XDG_RUNTIME_DIR", nullptr}, {"TMPDIR", tmp.path().c_str()}}, &out, nullptr);
    std::string printed, ignored;
    const uint64_t deadline = nowMs() + 10000;
    while (printed.find("up\n") == std::string::npos && nowMs() < deadline) drainPipes(out, -1, printed, ignored, 50);
    ASSERT_EQ("up\n", printed);
    ::kill(pid, SIGTERM);
    drainPipes(out, -1, printed, ignored, 10000);
    EXPECT_EQ(5, waitStatus(pid, 10000));
    EXPECT_EQ("up\nterminated\n", printed);
    ::close(out);
    EXPECT_EQ(1u, entries(tmp.path())) << "only the script is left";
}
