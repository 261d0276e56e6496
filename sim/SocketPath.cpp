// Socket paths and connecting.
#include "SocketPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corvane_sim {
namespace {

bool privateDirectory(const std::string& dir, bool create, std::string& error) {
    if (create && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) {
        error = "cannot use " + dir + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = dir + " is not a directory; not using it";
        return false;
    }
    if (st.st_uid != getuid()) {
        error = dir + " belongs to another user; not using it";
        return false;
    }
    if ((st.st_mode & 0077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        error = dir + " can be entered by other users (mode " + mode + "); not using it";
        return false;
    }
    return true;
}

}  // namespace

bool defaultSocketPath(bool create, std::string& path, std::string& error) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        if (runtime[0] != '/') {
            error = "XDG_RUNTIME_DIR is not an absolute path";
            return false;
        }
        if (!privateDirectory(runtime, false, error)) return false;
        path = std::string(runtime) + "/corvane-sim.sock";
        return true;
    }
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
    const std::string dir = base + "/corvane-sim-" + std::to_string(getuid());
    if (!privateDirectory(dir, create, error)) return false;
    path = dir + "/server.sock";
    return true;
}

bool socketAddress(const std::string& path, sockaddr_un& address, socklen_t& length, std::string& error) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty()) {
        error = "the socket path is empty";
        return false;
    }
    if (path.size() >= sizeof address.sun_path) {
        error = "the socket path " + path + " is longer than " + std::to_string(sizeof address.sun_path - 1) + " bytes";
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return true;
}

int connectSocket(const std::string& path, std::string& error) {
    sockaddr_un address;
    socklen_t length = 0;
    if (!socketAddress(path, address, length, error)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return -1;
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        error = "cannot connect to " + path + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace corvane_sim
