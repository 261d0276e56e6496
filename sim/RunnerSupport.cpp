// Shared pieces of the runner.
#include "RunnerSupport.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace corvane_sim {

std::string selfDirectory() {
    std::vector<char> buf(PATH_MAX + 1, '\0');
    const ssize_t n = readlink("/proc/self/exe", buf.data(), PATH_MAX);
    if (n <= 0) return ".";
    const std::string path(buf.data(), static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

#ifndef CORVANE_SIM_LIBRARY_DIR
#define CORVANE_SIM_LIBRARY_DIR "../lib"
#endif

std::string simulatorFile(const std::string& name, std::string& tried) {
    const std::string self = selfDirectory();
    const std::string candidates[] = {self + "/" + name, self + "/" CORVANE_SIM_LIBRARY_DIR "/" + name};
    tried.clear();
    for (const std::string& candidate : candidates) {
        struct stat st{};
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return candidate;
        tried += (tried.empty() ? "" : " or ") + candidate;
    }
    return std::string();
}

bool preloadSimulator(std::string& error) {
    std::string tried;
    const std::string lib = simulatorFile("libcorvane_sim.so", tried);
    if (lib.empty()) {
        error = "cannot find libcorvane_sim.so (looked for " + tried + ")";
        return false;
    }
    std::string preload = lib;
    const char* existing = std::getenv("LD_PRELOAD");
    if (existing != nullptr && *existing != '\0') preload += ":" + std::string(existing);
    if (setenv("LD_PRELOAD", preload.c_str(), 1) != 0) {
        error = std::string("cannot set the environment: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool readTextFile(const std::string& path, size_t limit, std::string& text, std::string& error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > limit) {
            text.resize(limit + 1);
            break;
        }
    }
    close(fd);
    return true;
}

}  // namespace corvane_sim
