// CORVANE_SIM_BOARDS as a program sees it: each case runs the probe program (linked
// with the simulator) in a child process with its own environment and reads what it
// printed on standard output and standard error.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct ProbeRun {
    int status = -1;
    std::string out;
    std::string err;
};

// The probe is built into <build>/tests/sim/, beside this test's own folder.
std::string probePath() {
    const char* dir = std::getenv("CORVANE_TEST_BINARY_DIR");
    if (dir != nullptr && *dir != '\0') return std::string(dir) + "/tests/sim/sim_probe";
    char self[4096] = {};
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/')) + "/sim/sim_probe";
}

// Runs the probe; boards == nullptr runs it without the variable.
ProbeRun runProbe(const char* boards) {
    ProbeRun r;
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return r;
    const std::string path = probePath();
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        if (boards) {
            ::setenv("CORVANE_SIM_BOARDS", boards, 1);
        } else {
            ::unsetenv("CORVANE_SIM_BOARDS");
        }
        ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int remaining = 2;
    while (remaining > 0 && ::poll(fds, 2, 10000) > 0) {
        for (auto& f : fds) {
            if (f.fd < 0 || !(f.revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            ssize_t n = ::read(f.fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(f.fd);
                f.fd = -1;
                --remaining;
            } else {
                (f.fd == out[0] ? r.out : r.err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    for (auto& f : fds) {
        if (f.fd >= 0) ::close(f.fd);
    }
    ::waitpid(pid, &r.status, 0);
    return r;
}

TEST(SimEnvironment, WithoutVariableNoBoards) {
    ProbeRun r = runProbe(nullptr);
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("boards=0\n", r.out);
    EXPECT_EQ("", r.err);
}

TEST(SimEnvironment, GoodValuesConfigureEveryBoard) {
    ProbeRun r = runProbe("keloe6100,kelo3100:number=1,kelo4210:product=kelo4210,kelo4220:node=kelo4220_0");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("", r.err);
    EXPECT_NE(std::string::npos, r.out.find("boards=4\n")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("keloe6100_0 number=0 pcie=1 product=keloe6100 ")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("kelo3100_0 number=1 pcie=0 product=kelo3100 ")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("kelo4210_0 number=0 pcie=0 product=kelo4210 ")) << r.out;
    EXPECT_NE(std::string::npos, r.out.find("kelo4220_0 number=0 pcie=0 product=kelo4220 ")) << r.out;

    r = runProbe("kelo7100:node=watchdog_a:pcie=1:number=12:firmware=V%202.5:vendor=0xABCD:device=17:"
                 "bus=3:slot=4:irq=9:bar0=0x123456789A, keloe5100:open=fail");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos,
              r.out.find("watchdog_a number=12 pcie=1 product=kelo7100 firmware=V 2.5 vendor=0xabcd "
                         "device=0x0011 bus=3 slot=4 irq=9 bar0=0x123456789a"))
        << r.out;
    EXPECT_NE(std::string::npos, r.out.find("keloe5100_0 open-error=Permission denied")) << r.out;
}

TEST(SimEnvironment, MalformedValueNamesTheItemAndGivesNoBoards) {
    const char* cases[][2] = {
        {"keloe6100,kelo3100:number=x", "kelo3100:number=x"},
        {"keloe6100,kelo3100,kelo8100", "kelo8100"},
        {"keloe6100:speed=fast", "keloe6100:speed=fast"},
        {"keloe6100,", "\"\""},
        {"kelo4210:pcie=maybe", "kelo4210:pcie=maybe"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c[0]);
        ProbeRun r = runProbe(c[0]);
        EXPECT_EQ(0, r.status);
        EXPECT_EQ("boards=0\n", r.out);
        EXPECT_NE(std::string::npos, r.err.find("CORVANE_SIM_BOARDS: bad item")) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c[1])) << r.err;
    }
}

}  // namespace
