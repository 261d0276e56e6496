// corvane-sim [--boards SPEC] -- PROGRAM ARGS...
// Runs PROGRAM over simulated boards: libcorvane_sim.so (see simulatorLibrary) is put
// first in LD_PRELOAD and CORVANE_SIM_BOARDS is set to SPEC (default: one board of
// each model).
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kDefaultBoards = "keloe6100,kelo3100,keloe5100,keloe7100,kelo4210";

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: corvane-sim [--boards SPEC] -- PROGRAM [ARGS...]\n"
                 "Runs PROGRAM with the board simulator preloaded.\n"
                 "  --boards SPEC  boards to simulate (CORVANE_SIM_BOARDS syntax),\n"
                 "                 default \"%s\"\n"
                 "  -h, --help     show this text\n",
                 kDefaultBoards);
}

std::string selfDirectory() {
    std::vector<char> buf(PATH_MAX + 1, '\0');
    ssize_t n = readlink("/proc/self/exe", buf.data(), PATH_MAX);
    if (n <= 0) return ".";
    std::string path(buf.data(), static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

#ifndef CORVANE_SIM_LIBRARY_DIR
#define CORVANE_SIM_LIBRARY_DIR "../lib"
#endif

bool isFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The simulator library: beside the runner (a build tree), else in the library directory
// of the install the runner belongs to (CORVANE_SIM_LIBRARY_DIR, relative to the runner's
// directory). Empty when neither holds it; tried lists the places looked at.
std::string simulatorLibrary(std::string& tried) {
    const std::string name = "/libcorvane_sim.so";
    const std::string self = selfDirectory();
    const std::string candidates[] = {self + name, self + "/" CORVANE_SIM_LIBRARY_DIR + name};
    tried.clear();
    for (const std::string& candidate : candidates) {
        if (isFile(candidate)) return candidate;
        tried += (tried.empty() ? "" : " or ") + candidate;
    }
    return std::string();
}

}  // namespace

int main(int argc, char** argv) {
    std::string boards = kDefaultBoards;
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
        if (a == "--boards") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "corvane-sim: --boards needs a value\n");
                usage(stderr);
                return 2;
            }
            boards = argv[++i];
        } else if (a.compare(0, 9, "--boards=") == 0) {
            boards = a.substr(9);
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "corvane-sim: unknown option %s\n", a.c_str());
            usage(stderr);
            return 2;
        } else {
            break;  // the program, without "--"
        }
    }
    if (i >= argc) {
        std::fprintf(stderr, "corvane-sim: no program given\n");
        usage(stderr);
        return 2;
    }

    std::string tried;
    const std::string lib = simulatorLibrary(tried);
    if (lib.empty()) {
        std::fprintf(stderr, "corvane-sim: cannot find libcorvane_sim.so (looked for %s)\n", tried.c_str());
        return 127;
    }
    std::string preload = lib;
    const char* existing = std::getenv("LD_PRELOAD");
    if (existing != nullptr && *existing != '\0') preload += ":" + std::string(existing);
    if (setenv("LD_PRELOAD", preload.c_str(), 1) != 0 || setenv("CORVANE_SIM_BOARDS", boards.c_str(), 1) != 0) {
        std::fprintf(stderr, "corvane-sim: cannot set the environment: %s\n", std::strerror(errno));
        return 127;
    }
    execvp(argv[i], argv + i);
    std::fprintf(stderr, "corvane-sim: cannot run %s: %s\n", argv[i], std::strerror(errno));
    return errno == ENOENT ? 127 : 126;
}
