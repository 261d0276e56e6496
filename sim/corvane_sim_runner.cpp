// corvane-sim: runs programs over simulated boards, serves boards to several programs,
// and controls a running server.
//
//   corvane-sim [--boards SPEC] -- PROGRAM ARGS...            boards of the program's own
//   corvane-sim --connect PATH -- PROGRAM ARGS...             the boards of a server
//   corvane-sim [--boards SPEC | --connect PATH] --script FILE -- PROGRAM ARGS...
//   corvane-sim serve [--boards SPEC] [--socket PATH] [--script FILE]
//   corvane-sim ctl [--socket PATH] [--json] COMMAND...
//
// The simulator library (libcorvane_sim.so) and the server (corvane-sim-server) are
// found beside the runner, or in the simulator's folder of the install (simulatorFile).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "RunnerCtl.h"
#include "RunnerSupport.h"
#include "ScriptSupervisor.h"
#include "SocketPath.h"

namespace {

using corvane_sim::kDefaultBoards;

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: corvane-sim [--boards SPEC] -- PROGRAM [ARGS...]\n"
                 "       corvane-sim --connect PATH -- PROGRAM [ARGS...]\n"
                 "       corvane-sim [--boards SPEC | --connect PATH] --script FILE -- PROGRAM [ARGS...]\n"
                 "       corvane-sim serve [--boards SPEC] [--socket PATH] [--script FILE]\n"
                 "       corvane-sim ctl [--socket PATH] [--json] COMMAND [ARGS...]\n"
                 "Runs PROGRAM with the board simulator preloaded.\n"
                 "  --boards SPEC   boards to simulate (CORVANE_SIM_BOARDS syntax),\n"
                 "                  default \"%s\"\n"
                 "  --connect PATH  use the boards of the server listening on PATH (without PATH,\n"
                 "                  or with --connect=, the default socket of \"corvane-sim serve\")\n"
                 "  --script FILE   send the timed steps of FILE to the boards while PROGRAM runs\n"
                 "                  (without --connect, on a private server of the program's own)\n"
                 "  serve           run a server of boards shared by programs and controls\n"
                 "  ctl             send one control command to a server\n"
                 "  -h, --help      show this text\n",
                 kDefaultBoards);
}

int usageError(const std::string& problem) {
    std::fprintf(stderr, "corvane-sim: %s\n", problem.c_str());
    usage(stderr);
    return 2;
}

// serve: the server is its own program beside the runner.
int serve(int argc, char** argv) {
    std::string tried;
    const std::string exe = corvane_sim::simulatorFile("corvane-sim-server", tried);
    if (exe.empty()) {
        std::fprintf(stderr, "corvane-sim: cannot find corvane-sim-server (looked for %s)\n", tried.c_str());
        return 127;
    }
    std::vector<char*> args;
    args.push_back(const_cast<char*>(exe.c_str()));
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            std::printf(
                "usage: corvane-sim serve [--boards SPEC] [--socket PATH] [--script FILE]\n"
                "Runs simulated boards in one server process, shared by every program run with\n"
                "\"corvane-sim --connect PATH\" and controlled with \"corvane-sim ctl\".\n"
                "  --boards SPEC  boards to simulate, default \"%s\"\n"
                "  --socket PATH  where to listen (default $XDG_RUNTIME_DIR/corvane-sim.sock, else\n"
                "                 /tmp/corvane-sim-<uid>/server.sock); an existing path is refused\n"
                "  --script FILE  timed control steps to run from the start\n"
                "Stops on \"corvane-sim ctl stop\", SIGINT or SIGTERM.\n",
                kDefaultBoards);
            return 0;
        }
        args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    unsetenv("CORVANE_SIM_SERVER");
    unsetenv("CORVANE_SIM_BOARDS");
    execv(exe.c_str(), args.data());
    std::fprintf(stderr, "corvane-sim: cannot run %s: %s\n", exe.c_str(), std::strerror(errno));
    return 127;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "serve") == 0) return serve(argc - 1, argv + 1);
    if (argc >= 2 && std::strcmp(argv[1], "ctl") == 0) return corvane_sim::runCtl(argc - 1, argv + 1);

    std::string boards = kDefaultBoards;
    bool boardsGiven = false;  // "--boards ''" asks for no boards at all
    std::string connect;
    std::string script;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        }
        if (a == "--connect" && (i + 1 >= argc || argv[i + 1][0] == '-')) {
            connect = "-";  // no path: the default socket
            continue;
        }
        if (a == "--boards" || a == "--connect" || a == "--script") {
            if (i + 1 >= argc) return usageError(a + " needs a value");
            std::string* target = a == "--boards" ? &boards : a == "--connect" ? &connect : &script;
            *target = argv[++i];
            boardsGiven = boardsGiven || a == "--boards";
        } else if (a.compare(0, 9, "--boards=") == 0) {
            boards = a.substr(9);
            boardsGiven = true;
        } else if (a.compare(0, 10, "--connect=") == 0) {
            connect = a.size() > 10 ? a.substr(10) : "-";
        } else if (a.compare(0, 9, "--script=") == 0) {
            script = a.substr(9);
        } else if (!a.empty() && a[0] == '-') {
            return usageError("unknown option " + a);
        } else {
            break;  // the program, without "--"
        }
    }
    if (i >= argc) return usageError("no program given");
    if (boardsGiven && !connect.empty()) {
        return usageError("--boards and --connect do not go together: the server has its boards");
    }
    if (connect == "-") {
        std::string error;
        if (!corvane_sim::defaultSocketPath(false, connect, error)) {
            std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
            return 2;
        }
    } else if (!connect.empty() && connect[0] != '/') {
        // The program may change its directory: it gets the path from the root.
        char* cwd = getcwd(nullptr, 0);
        if (cwd != nullptr) {
            connect = std::string(cwd) + "/" + connect;
            std::free(cwd);
        }
    }

    if (!script.empty()) {
        corvane_sim::SupervisorOptions options;
        options.boards = boards;
        options.connect = connect;
        options.scriptPath = script;
        options.program.assign(argv + i, argv + argc);
        options.program.push_back(nullptr);
        return corvane_sim::runWithScript(options);
    }

    std::string error;
    if (!corvane_sim::preloadSimulator(error)) {
        std::fprintf(stderr, "corvane-sim: %s\n", error.c_str());
        return 127;
    }
    const bool ok = connect.empty()
                        ? setenv("CORVANE_SIM_BOARDS", boards.c_str(), 1) == 0 && unsetenv("CORVANE_SIM_SERVER") == 0
                        : setenv("CORVANE_SIM_SERVER", connect.c_str(), 1) == 0 && unsetenv("CORVANE_SIM_BOARDS") == 0;
    if (!ok) {
        std::fprintf(stderr, "corvane-sim: cannot set the environment: %s\n", std::strerror(errno));
        return 127;
    }
    execvp(argv[i], argv + i);
    std::fprintf(stderr, "corvane-sim: cannot run %s: %s\n", argv[i], std::strerror(errno));
    return errno == ENOENT ? 127 : 126;
}
