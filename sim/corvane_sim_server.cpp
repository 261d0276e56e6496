// corvane-sim-server [--boards SPEC] [--socket PATH] [--script FILE] [--ready-fd FD]
// The simulator server, started by "corvane-sim serve" (which finds it beside itself).
// It links the simulator library, so the boards it serves are the boards of this process.
#include <limits.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ControlExecutor.h"
#include "ControlServer.h"
#include "RunnerSupport.h"
#include "ScriptParser.h"
#include "SocketPath.h"
#include "corvane_sim.h"

namespace {

int usage(const std::string& problem) {
    std::fprintf(stderr,
                 "corvane-sim serve: %s\n"
                 "usage: corvane-sim serve [--boards SPEC] [--socket PATH] [--script FILE]\n",
                 problem.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // The server runs its own boards: a board list or a server address in the
    // environment would have been taken by the simulator library as the program
    // started, so the server starts again without them.
    if (std::getenv("CORVANE_SIM_SERVER") != nullptr || std::getenv("CORVANE_SIM_BOARDS") != nullptr) {
        unsetenv("CORVANE_SIM_SERVER");
        unsetenv("CORVANE_SIM_BOARDS");
        execv("/proc/self/exe", argv);
        std::fprintf(stderr, "corvane-sim serve: cannot restart without CORVANE_SIM_SERVER: %s\n",
                     std::strerror(errno));
        return 1;
    }

    std::string boards = corvane_sim::kDefaultBoards;
    std::string socketPath;
    std::string scriptPath;
    int readyFd = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        // "--option=value" as well as "--option value", as the runner takes them.
        const size_t equals = a.find('=');
        if (a.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            const std::string name = a.substr(0, equals);
            std::string* target = name == "--boards"   ? &boards
                                  : name == "--socket" ? &socketPath
                                  : name == "--script" ? &scriptPath
                                                       : nullptr;
            if (target == nullptr) return usage("unknown argument " + a);
            *target = a.substr(equals + 1);
        } else if (a == "--boards") {
            if (!value(boards)) return usage("--boards needs a value");
        } else if (a == "--socket") {
            if (!value(socketPath)) return usage("--socket needs a value");
        } else if (a == "--script") {
            if (!value(scriptPath)) return usage("--script needs a value");
        } else if (a == "--ready-fd") {
            if (!value(v)) return usage("--ready-fd needs a value");
            char* end = nullptr;
            const long fd = std::strtol(v.c_str(), &end, 10);
            if (*end != '\0' || fd < 0 || fd > INT_MAX) return usage("--ready-fd needs a descriptor number");
            readyFd = static_cast<int>(fd);
        } else {
            return usage("unknown argument " + a);
        }
    }

    char message[512] = {0};
    if (corvane_sim_check_boards(boards.c_str(), message, sizeof message) < 0) {
        std::fprintf(stderr, "corvane-sim serve: --boards: %s\n", message);
        return 2;
    }
    corvane_sim_reset(0);
    if (corvane_sim_add_boards(boards.c_str()) < 0) return 2;

    std::vector<corvane_sim::ScriptStep> steps;
    if (!scriptPath.empty()) {
        std::string text;
        std::string error;
        if (!corvane_sim::readTextFile(scriptPath, corvane_sim::kMaxScriptBytes, text, error)) {
            std::fprintf(stderr, "corvane-sim serve: %s\n", error.c_str());
            return 2;
        }
        corvane_sim::ScriptError scriptError;
        if (!corvane_sim::parseScript(text, steps, scriptError)) {
            std::fprintf(stderr, "corvane-sim serve: %s\n", scriptError.text(scriptPath).c_str());
            return 2;
        }
        corvane_sim::ControlExecutor checker;
        for (const auto& step : steps) {
            corvane_sim::ParseError e;
            if (!checker.validate(step.command, e)) {
                scriptError.line = step.line;
                scriptError.error = e;
                std::fprintf(stderr, "corvane-sim serve: %s\n", scriptError.text(scriptPath).c_str());
                return 2;
            }
        }
    }

    if (socketPath.empty()) {
        std::string error;
        if (!corvane_sim::defaultSocketPath(true, socketPath, error)) {
            std::fprintf(stderr, "corvane-sim serve: %s\n", error.c_str());
            return 1;
        }
    }

    // Every open node of every client is a descriptor here.
    rlimit lim{};
    if (getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur < lim.rlim_max) {
        lim.rlim_cur = lim.rlim_max;
        setrlimit(RLIMIT_NOFILE, &lim);
    }

    corvane_sim::ControlServer server(socketPath, std::move(steps), scriptPath);
    std::string error;
    if (!server.listen(error)) {
        std::fprintf(stderr, "corvane-sim serve: %s\n", error.c_str());
        return 1;
    }
    std::printf("corvane-sim: serving %d board%s on %s\n", corvane_sim_board_count(),
                corvane_sim_board_count() == 1 ? "" : "s", socketPath.c_str());
    std::fflush(stdout);
    if (readyFd >= 0) {
        const char ready[] = "ready\n";
        ssize_t n = write(readyFd, ready, sizeof ready - 1);
        (void)n;
        close(readyFd);
    }
    return server.run();
}
