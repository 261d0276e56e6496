// corvane monitor as a technician runs it against the simulator server: interrupts
// queued from outside with corvane-sim ctl (or raised by an input the simulator switches)
// arrive as lines while the monitor runs, --count ends it, SIGINT ends it with status 0
// and the simulator shows the board's input interrupt stopped and its node closed, and
// --json lines parse one by one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "UtilsProcess.h"

using nlohmann::json;
using utils_test::Outcome;
using utils_test::runChild;

namespace {

// A program running in the background whose standard output is read line by line while
// it runs. Killed and reaped on destruction if still running.
class Background {
public:
    explicit Background(const std::vector<std::string>& args) {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
        std::vector<std::string> copies = args;
        std::vector<char*> argv;
        for (auto& a : copies) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Background() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    // The next whole line of standard output (without its newline), or false when none
    // came within the time or the output ended.
    bool readLine(std::string& line, int timeoutMs = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            const size_t newline = buffer_.find('\n');
            if (newline != std::string::npos) {
                line = buffer_.substr(0, newline);
                buffer_.erase(0, newline + 1);
                return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
            char chunk[4096];
            const ssize_t got = read(out_, chunk, sizeof chunk);
            if (got <= 0) return false;
            buffer_.append(chunk, static_cast<size_t>(got));
        }
    }
    void signal(int number) { kill(pid_, number); }
    // The exit status, or -1 when it did not exit normally within the time (then killed).
    int wait(int timeoutMs = 10000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                reaped_ = true;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // What is left of standard output, and all of standard error (after wait()).
    std::string restOfOutput() { return buffer_ + drain(out_); }
    std::string errors() { return drain(err_); }

private:
    static std::string drain(int fd) {
        std::string text;
        char chunk[4096];
        ssize_t got = 0;
        while ((got = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, static_cast<size_t>(got));
        return text;
    }
    pid_t pid_ = -1;
    bool reaped_ = false;
    int out_ = -1;
    int err_ = -1;
    std::string buffer_;
};

// One simulator server with one KELOE6100 on a socket in a private directory.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/corvane-tool-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        directory_ = dir;
        socket_ = directory_ + "/server.sock";
        server_ = std::make_unique<Background>(
            std::vector<std::string>{CORVANE_SIM_RUNNER, "serve", "--boards", "keloe6100", "--socket", socket_});
        std::string line;
        ASSERT_TRUE(server_->readLine(line)) << server_->errors();
        ASSERT_EQ(line, "corvane-sim: serving 1 board on " + socket_);
    }
    void TearDown() override {
        ctl({"stop"});
        EXPECT_EQ(server_->wait(), 0);
        rmdir(directory_.c_str());
    }
    Outcome ctl(const std::vector<std::string>& command) {
        std::vector<std::string> args{"ctl", "--socket", socket_};
        args.insert(args.end(), command.begin(), command.end());
        return runChild(CORVANE_SIM_RUNNER, args);
    }
    std::unique_ptr<Background> monitor(const std::vector<std::string>& options) {
        std::vector<std::string> args{CORVANE_SIM_RUNNER, "--connect", socket_, "--", CORVANE_TOOL};
        args.insert(args.end(), options.begin(), options.end());
        return std::make_unique<Background>(args);
    }
    // Waits until the board's state line holds every one of `words`.
    bool stateShows(const std::vector<std::string>& words) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            const Outcome state = ctl({"state", "keloe6100_0"});
            bool all = state.status == 0;
            for (const std::string& word : words) all = all && state.out.find(word) != std::string::npos;
            if (all) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

private:
    std::string directory_;
    std::string socket_;
    std::unique_ptr<Background> server_;
};

// The line without its time stamp.
std::string afterTime(const std::string& line) {
    const size_t blank = line.find(' ');
    EXPECT_NE(blank, std::string::npos) << line;
    EXPECT_GT(blank, 0u) << line;
    for (size_t i = 0; i < blank && i < line.size(); ++i) EXPECT_TRUE(line[i] >= '0' && line[i] <= '9') << line;
    return blank == std::string::npos ? line : line.substr(blank + 1);
}

TEST_F(ServerTest, InterruptsQueuedFromOutsideArriveAsLinesAndCountEndsAfterThree) {
    auto m = monitor({"monitor", "keloe6100_0", "--count", "3", "--timeout", "60s"});
    ASSERT_TRUE(stateShows({"interrupts=enabled", "open=1"}));
    const std::vector<std::vector<std::string>> interrupts{
        {"interrupt", "keloe6100_0", "0x80000000", "0x1"},
        {"interrupt", "keloe6100_0", "0x1", "0x80000000", "42"},
        {"interrupt", "keloe6100_0", "0x2", "0x8", "1", "2"},
        {"interrupt", "keloe6100_0", "0x3", "0x3"}};
    const std::vector<std::string> expected{"source=0x80000000 mask=0x00000001",
                                            "source=0x00000001 mask=0x80000000 args=0x0000002a",
                                            "source=0x00000002 mask=0x00000008 args=0x00000001,0x00000002"};
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(ctl(interrupts[i]).status, 0);
        std::string line;
        ASSERT_TRUE(m->readLine(line)) << "no line for interrupt " << i;
        EXPECT_EQ(afterTime(line), expected[i]);
    }
    EXPECT_EQ(m->wait(), 0);
    EXPECT_EQ(m->restOfOutput(), "");
    EXPECT_EQ(m->errors(), "");
    // Queued after the end: nobody takes it any more.
    ASSERT_EQ(ctl(interrupts[3]).status, 0);
    EXPECT_TRUE(stateShows({"interrupts=disabled", "pending=1", "open=0"}));
}

TEST_F(ServerTest, SigintEndsCleanlyAndTheSimulatorShowsTheInterruptStopped) {
    auto m = monitor({"monitor", "keloe6100_0", "--inputs", "0x10", "--event", "rising"});
    ASSERT_TRUE(stateShows({"interrupts=enabled", "input-interrupt=started", "open=1"}));
    // A rising edge on input 4, switched in the simulator, arrives while the monitor runs.
    ASSERT_EQ(ctl({"set-input", "keloe6100_0", "4", "1"}).status, 0);
    std::string line;
    ASSERT_TRUE(m->readLine(line));
    EXPECT_NE(afterTime(line).find("mask=0x00000010"), std::string::npos) << line;
    m->signal(SIGINT);
    EXPECT_EQ(m->wait(), 0);
    EXPECT_EQ(m->restOfOutput(), "");
    EXPECT_EQ(m->errors(), "");
    EXPECT_TRUE(stateShows({"interrupts=disabled", "input-interrupt=stopped", "open=0"}));
}

TEST_F(ServerTest, JsonLinesParseOneByOne) {
    auto m = monitor({"--json", "monitor", "keloe6100_0", "--count", "2", "--timeout", "60s"});
    ASSERT_TRUE(stateShows({"interrupts=enabled", "open=1"}));
    ASSERT_EQ(ctl({"interrupt", "keloe6100_0", "0xffffffff", "0x0", "7"}).status, 0);
    ASSERT_EQ(ctl({"interrupt", "keloe6100_0", "0x0", "0x1"}).status, 0);
    std::vector<json> lines;
    for (int i = 0; i < 2; ++i) {
        std::string line;
        ASSERT_TRUE(m->readLine(line));
        json parsed;
        ASSERT_NO_THROW(parsed = json::parse(line)) << line;
        EXPECT_TRUE(parsed["time_us"].is_number_unsigned()) << line;
        parsed.erase("time_us");
        lines.push_back(parsed);
    }
    EXPECT_EQ(lines[0], json::parse(R"({"source":4294967295,"mask":0,"args":[7]})"));
    EXPECT_EQ(lines[1], json::parse(R"({"source":0,"mask":1,"args":[]})"));
    EXPECT_EQ(m->wait(), 0);
    EXPECT_EQ(m->restOfOutput(), "");
}

}  // namespace
