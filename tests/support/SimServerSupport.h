// Helpers for tests that run the simulator server (corvane-sim-server) and its clients
// as processes of their own.
//
//   SimServerProcess server;
//   ASSERT_TRUE(server.start({"--boards", "keloe6100"}));   // waits until it listens
//   SimSocketClient client(server.socket());
//   client.send("boards\n");
//   EXPECT_EQ("ok keloe6100_0", client.readLine());
//   ProcessRun r = runProcess({corvaneSimBinary("corvane-sim"), "ctl", "--socket", server.socket(), "boards"});
#ifndef CORVANE_SIM_SERVER_SUPPORT_H
#define CORVANE_SIM_SERVER_SUPPORT_H

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace corvane_sim_test {

// A program of the build's top directory (corvane-sim, corvane-sim-server) or of tests/sim.
inline std::string corvaneSimBinary(const std::string& name) {
    const char* dir = std::getenv("CORVANE_TEST_BINARY_DIR");
    const std::string top = dir != nullptr && *dir != '\0' ? dir : ".";
    return name.compare(0, 4, "sim_") == 0 ? top + "/tests/sim/" + name : top + "/" + name;
}

// A private directory removed (with what is in it) on destruction.
class TempDir {
public:
    TempDir() {
        const char* tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/corvane-sim-test-XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (::mkdtemp(buf.data()) != nullptr) path_ = buf.data();
    }
    ~TempDir() {
        if (!path_.empty()) {
            const std::string cmd = "rm -rf '" + path_ + "'";
            int r = std::system(cmd.c_str());
            (void)r;
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline uint64_t nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

// Reads everything from fds until both end or the deadline passes.
inline void drainPipes(int out, int err, std::string& outText, std::string& errText, int timeoutMs) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    int open = (out >= 0) + (err >= 0);
    if (out < 0) fds[0].fd = -1;
    if (err < 0) fds[1].fd = -1;
    const uint64_t deadline = nowMs() + static_cast<uint64_t>(timeoutMs);
    while (open > 0) {
        const uint64_t now = nowMs();
        if (now >= deadline) break;
        if (::poll(fds, 2, static_cast<int>(deadline - now)) <= 0) break;
        for (auto& f : fds) {
            if (f.fd < 0 || !(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[4096];
            const ssize_t n = ::read(f.fd, buf, sizeof buf);
            if (n <= 0) {
                f.fd = -1;
                --open;
            } else {
                (&f == &fds[0] ? outText : errText).append(buf, static_cast<size_t>(n));
            }
        }
    }
}

struct ProcessRun {
    int status = -1;  // exit status, 128 + signal, or -1 when it did not end in time
    std::string out;
    std::string err;
};

// Starts argv with extra environment (a value of nullptr removes the variable); stdout
// and stderr are pipes when out/err are given.
inline pid_t spawnProcess(const std::vector<std::string>& argv, const std::map<std::string, const char*>& env,
                          int* out, int* err) {
    int o[2] = {-1, -1}, e[2] = {-1, -1};
    if ((out && ::pipe2(o, O_CLOEXEC) != 0) || (err && ::pipe2(e, O_CLOEXEC) != 0)) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (out) ::dup2(o[1], 1);
        if (err) ::dup2(e[1], 2);
        for (const auto& kv : env) {
            if (kv.second) {
                ::setenv(kv.first.c_str(), kv.second, 1);
            } else {
                ::unsetenv(kv.first.c_str());
            }
        }
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (out) {
        ::close(o[1]);
        *out = o[0];
    }
    if (err) {
        ::close(e[1]);
        *err = e[0];
    }
    return pid;
}

inline int waitStatus(pid_t pid, int timeoutMs) {
    const uint64_t deadline = nowMs() + static_cast<uint64_t>(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (r < 0) return -1;
        if (nowMs() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        ::usleep(2000);
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Runs argv to its end (at most timeoutMs) and collects what it printed.
inline ProcessRun runProcess(const std::vector<std::string>& argv,
                             const std::map<std::string, const char*>& env = {}, int timeoutMs = 30000) {
    ProcessRun r;
    int out = -1, err = -1;
    const pid_t pid = spawnProcess(argv, env, &out, &err);
    if (pid < 0) return r;
    drainPipes(out, err, r.out, r.err, timeoutMs);
    ::close(out);
    ::close(err);
    r.status = waitStatus(pid, 2000);
    return r;
}

// corvane-sim-server as a child process, stopped (SIGTERM) on destruction.
class SimServerProcess {
public:
    SimServerProcess() = default;
    ~SimServerProcess() { stop(SIGTERM); }
    SimServerProcess(const SimServerProcess&) = delete;
    SimServerProcess& operator=(const SimServerProcess&) = delete;

    // Starts it with args (a --socket in the private directory is added unless args
    // has one) and waits until it listens. False when it ends first; stderr() says why.
    bool start(std::vector<std::string> args, const std::map<std::string, const char*>& env = {}) {
        bool hasSocket = false;
        for (size_t i = 0; i + 1 < args.size(); ++i) {
            if (args[i] == "--socket") socket_ = args[i + 1], hasSocket = true;
        }
        if (!hasSocket) {
            socket_ = dir_ / "server.sock";
            args.push_back("--socket");
            args.push_back(socket_);
        }
        int ready[2];
        if (::pipe(ready) != 0) return false;
        args.insert(args.begin(), corvaneSimBinary("corvane-sim-server"));
        args.push_back("--ready-fd");
        args.push_back(std::to_string(ready[1]));
        ::fcntl(ready[0], F_SETFD, FD_CLOEXEC);
        pid_ = spawnProcess(args, env, nullptr, &err_);
        ::close(ready[1]);
        pollfd p{ready[0], POLLIN, 0};
        char buf[16] = {0};
        const bool ok = ::poll(&p, 1, 30000) > 0 && ::read(ready[0], buf, sizeof buf) > 0;
        ::close(ready[0]);
        if (!ok) stop(0);
        return ok;
    }
    const std::string& socket() const { return socket_; }
    const TempDir& dir() const { return dir_; }
    pid_t pid() const { return pid_; }
    // Sends sig (0: none, just waits) and returns the exit status; what it wrote on
    // standard error is in stderrText() afterwards.
    int stop(int sig, int timeoutMs = 10000) {
        if (pid_ <= 0) return status_;
        if (sig != 0) ::kill(pid_, sig);
        std::string ignored;
        drainPipes(-1, err_, ignored, errText_, timeoutMs);
        ::close(err_);
        err_ = -1;
        status_ = waitStatus(pid_, timeoutMs);
        pid_ = -1;
        return status_;
    }
    const std::string& stderrText() const { return errText_; }

private:
    TempDir dir_;
    std::string socket_;
    pid_t pid_ = -1;
    int err_ = -1;
    int status_ = -1;
    std::string errText_;
};

// A raw client of the server's socket.
class SimSocketClient {
public:
    explicit SimSocketClient(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~SimSocketClient() { close(); }
    SimSocketClient(const SimSocketClient&) = delete;
    SimSocketClient& operator=(const SimSocketClient&) = delete;
    bool connected() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Sends all of data (false when the server is gone).
    bool send(const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }
    // One line without its newline; "<closed>" at the end, "<timeout>" when none came.
    std::string readLine(int timeoutMs = 10000) {
        const uint64_t deadline = nowMs() + static_cast<uint64_t>(timeoutMs);
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            const uint64_t now = nowMs();
            if (now >= deadline) return "<timeout>";
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(deadline - now)) <= 0) return "<timeout>";
            char buf[65536];
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return "<closed>";
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }
    // Sends one line and returns the reply line.
    std::string ask(const std::string& line) {
        if (!send(line + "\n")) return "<closed>";
        return readLine();
    }

private:
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace corvane_sim_test

#endif
