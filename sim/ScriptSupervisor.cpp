// The runner's script mode.
#include "ScriptSupervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>

#include "ControlConnection.h"
#include "RunnerSupport.h"
#include "ScriptParser.h"
#include "ScriptSchedule.h"

namespace corvane_sim {
namespace {

constexpr int kReplyTimeoutMs = 30000;
constexpr int kServerStartMs = 30000;

int g_signalWrite = -1;

// Writes the signal and whether to pass it on to the program: a signal the terminal
// sent to the whole foreground group (SI_KERNEL) has reached the program already.
void onSignal(int sig, siginfo_t* info, void*) {
    const int saved = errno;
    const unsigned char note[2] = {static_cast<unsigned char>(sig),
                                   static_cast<unsigned char>(info != nullptr && info->si_code == SI_KERNEL ? 0 : 1)};
    if (g_signalWrite >= 0) {
        ssize_t n = write(g_signalWrite, note, sizeof note);
        (void)n;
    }
    errno = saved;
}

uint64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

void say(const std::string& text) {
    std::fprintf(stderr, "corvane-sim: %s\n", text.c_str());
}

struct PrivateServer {
    pid_t pid = -1;
    std::string dir;
    std::string socket;
};

std::string privateBase() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return runtime;
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
}

bool startPrivateServer(const std::string& boards, PrivateServer& server) {
    std::string tried;
    const std::string exe = simulatorFile("corvane-sim-server", tried);
    if (exe.empty()) {
        say("cannot find corvane-sim-server (looked for " + tried + ")");
        return false;
    }
    std::string templ = privateBase() + "/corvane-sim-XXXXXX";
    std::vector<char> dir(templ.begin(), templ.end());
    dir.push_back('\0');
    if (mkdtemp(dir.data()) == nullptr) {
        say("cannot create a private directory under " + privateBase() + ": " + std::strerror(errno));
        return false;
    }
    server.dir = dir.data();
    server.socket = server.dir + "/server.sock";
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        say(std::string("cannot create a pipe: ") + std::strerror(errno));
        rmdir(server.dir.c_str());
        return false;
    }
    const std::string readyFd = std::to_string(ready[1]);
    const pid_t pid = fork();
    if (pid == 0) {
        // Its own process group: a Ctrl-C at the terminal is for the program, and the
        // server stays until the runner stops it.
        setpgid(0, 0);
        fcntl(ready[1], F_SETFD, 0);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        unsetenv("CORVANE_SIM_SERVER");
        unsetenv("CORVANE_SIM_BOARDS");
        execl(exe.c_str(), exe.c_str(), "--boards", boards.c_str(), "--socket", server.socket.c_str(), "--ready-fd",
              readyFd.c_str(), static_cast<char*>(nullptr));
        std::fprintf(stderr, "corvane-sim: cannot run %s: %s\n", exe.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(ready[1]);
    if (pid < 0) {
        say(std::string("cannot start the simulator server: ") + std::strerror(errno));
        close(ready[0]);
        rmdir(server.dir.c_str());
        return false;
    }
    server.pid = pid;
    pollfd p{ready[0], POLLIN, 0};
    char buffer[16] = {0};
    ssize_t n = 0;
    if (poll(&p, 1, kServerStartMs) > 0) n = read(ready[0], buffer, sizeof buffer - 1);
    close(ready[0]);
    if (n > 0 && std::strncmp(buffer, "ready", 5) == 0) return true;
    say("the simulator server did not start");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    server.pid = -1;
    unlink(server.socket.c_str());
    rmdir(server.dir.c_str());
    return false;
}

void stopPrivateServer(PrivateServer& server) {
    if (server.pid > 0) {
        kill(server.pid, SIGTERM);
        int status = 0;
        bool gone = false;
        for (int i = 0; i < 500 && !gone; ++i) {  // up to 5 s, then it is killed
            gone = waitpid(server.pid, &status, WNOHANG) == server.pid;
            if (!gone) usleep(10000);
        }
        if (!gone) {
            kill(server.pid, SIGKILL);
            waitpid(server.pid, &status, 0);
        }
        server.pid = -1;
    }
    if (!server.dir.empty()) {
        unlink(server.socket.c_str());
        rmdir(server.dir.c_str());
    }
}

// Asks the server to check every step; prints the first refusal as FILE:LINE: ...
bool checkSteps(ControlConnection& connection, const std::vector<ScriptStep>& steps, const std::string& file) {
    std::vector<std::string> data;
    std::string final;
    std::string error;
    if (!connection.command("format json", data, final, kReplyTimeoutMs, error) || !ControlConnection::isOk(final)) {
        say("the simulator server does not answer: " + (error.empty() ? final : error));
        return false;
    }
    for (const auto& step : steps) {
        if (!connection.command("check " + step.text, data, final, kReplyTimeoutMs, error)) {
            say("the simulator server does not answer: " + error);
            return false;
        }
        if (ControlConnection::isOk(final)) continue;
        // The reply's word counts from "check"; the script's from the line's start.
        const nlohmann::json j = nlohmann::json::parse(final, nullptr, false);
        ScriptError e;
        e.line = step.line;
        e.error.command = step.command.name();
        e.error.reason =
            j.is_object() && j.value("reason", std::string()).size() ? j.value("reason", std::string()) : final;
        const size_t word = j.is_object() ? j.value("word", size_t{2}) : 2;
        const size_t index = step.command.first + (word >= 2 ? word - 2 : 0);
        const auto& words = step.command.words;
        e.error.word = index + 1;
        e.error.column =
            index < words.size() ? words[index].column : words.back().column + words.back().text.size() + 1;
        say(e.text(file));
        return false;
    }
    return true;
}

pid_t startProgram(const std::vector<char*>& program, const std::string& socket) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    std::string error;
    if (!preloadSimulator(error) || setenv("CORVANE_SIM_SERVER", socket.c_str(), 1) != 0) {
        std::fprintf(stderr, "corvane-sim: %s\n", error.empty() ? "cannot set the environment" : error.c_str());
        _exit(127);
    }
    unsetenv("CORVANE_SIM_BOARDS");
    execvp(program[0], program.data());
    std::fprintf(stderr, "corvane-sim: cannot run %s: %s\n", program[0], std::strerror(errno));
    _exit(errno == ENOENT ? 127 : 126);
}

}  // namespace

int runWithScript(const SupervisorOptions& options) {
    std::string text;
    std::string error;
    if (!readTextFile(options.scriptPath, kMaxScriptBytes, text, error)) {
        say(error);
        return 2;
    }
    std::vector<ScriptStep> steps;
    ScriptError scriptError;
    if (!parseScript(text, steps, scriptError)) {
        say(scriptError.text(options.scriptPath));
        return 2;
    }

    PrivateServer server;
    std::string socket = options.connect;
    if (socket.empty()) {
        if (!startPrivateServer(options.boards, server)) return 1;
        socket = server.socket;
    }
    ControlConnection connection;
    if (!connection.open(socket, error)) {
        say(error);
        stopPrivateServer(server);
        return 1;
    }
    if (!checkSteps(connection, steps, options.scriptPath)) {
        stopPrivateServer(server);
        return 2;
    }

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        say(std::string("cannot create a pipe: ") + std::strerror(errno));
        stopPrivateServer(server);
        return 1;
    }
    g_signalWrite = pipeFds[1];
    struct sigaction action {};
    action.sa_sigaction = onSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART | SA_NOCLDSTOP;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGCHLD, SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);

    const pid_t child = startProgram(options.program, socket);
    if (child < 0) {
        say(std::string("cannot start the program: ") + std::strerror(errno));
        stopPrivateServer(server);
        return 126;
    }
    ScriptSchedule schedule(std::move(steps));
    schedule.start(nowNs());
    bool playing = true;
    int status = 0;
    bool exited = false;
    while (!exited) {
        int timeout = -1;
        uint64_t when = 0;
        if (playing && schedule.next(when)) {
            const uint64_t now = nowNs();
            timeout = when <= now ? 0 : static_cast<int>(std::min<uint64_t>((when - now + 999999) / 1000000, 60000));
        }
        pollfd fds[2] = {{pipeFds[0], POLLIN, 0}, {connection.fd(), static_cast<short>(playing ? POLLIN : 0), 0}};
        const int n = poll(fds, playing ? 2 : 1, timeout);
        if (n < 0 && errno != EINTR) break;
        unsigned char note[2];
        while (read(pipeFds[0], note, sizeof note) == static_cast<ssize_t>(sizeof note)) {
            if (note[0] != SIGCHLD && note[1] != 0) kill(child, note[0]);
        }
        if (waitpid(child, &status, WNOHANG) == child) exited = true;
        if (server.pid > 0 && waitpid(server.pid, nullptr, WNOHANG) == server.pid) server.pid = -1;
        if (exited) break;
        if (playing && n > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            say("the simulator server went away; the rest of the script is not played");
            playing = false;
            connection.close();
            continue;
        }
        if (!playing) continue;
        for (const ScriptStep* step : schedule.takeDue(nowNs())) {
            std::vector<std::string> data;
            std::string final;
            if (!connection.command(step->text, data, final, kReplyTimeoutMs, error)) {
                say("script " + options.scriptPath + ":" + std::to_string(step->line) + ": " + error +
                    "; the rest of the script is not played");
                playing = false;
                connection.close();
                break;
            }
            if (!ControlConnection::isOk(final)) {
                const nlohmann::json j = nlohmann::json::parse(final, nullptr, false);
                say("script " + options.scriptPath + ":" + std::to_string(step->line) + ": " +
                    (j.is_object() ? j.value("error", final) : final));
            }
        }
    }
    connection.close();
    stopPrivateServer(server);
    g_signalWrite = -1;
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (!exited) {
        waitpid(child, &status, 0);
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return 1;
}

}  // namespace corvane_sim
