// The client side of the server mode. Called with the simulator's lock held: only the C
// library's real functions are called here (closing goes through realClose).
#include "SimClient.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SimCommandTable.h"
#include "SimHex.h"
#include "SimInternal.h"

namespace corvane_sim {
namespace {

constexpr size_t kMaxReply = 64 * 1024;

std::vector<std::string> wordsOf(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool parseInt(const std::string& text, long min, long max, long& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    value = v;
    return true;
}

// Waits until fd is ready for events; false (errno ETIMEDOUT or the poll error) otherwise.
bool waitFor(int fd, short events) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = poll(&p, 1, ServerClient::kReplyTimeoutMs);
        if (n > 0) return true;
        if (n == 0) {
            errno = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR) return false;
    }
}

}  // namespace

ServerClient::ServerClient(std::string path) : path_(std::move(path)) {}

bool ServerClient::connectIfNeeded() {
    if (sock_ >= 0) return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.empty() || path_.size() >= sizeof address.sun_path) {
        if (!warned_) {
            std::fprintf(stderr, "corvane-sim: CORVANE_SIM_SERVER: \"%s\" is not a socket path\n", path_.c_str());
            warned_ = true;
        }
        errno = EINVAL;
        return false;
    }
    std::memcpy(address.sun_path, path_.data(), path_.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        const int e = errno;
        realClose(fd);
        if (!warned_) {
            std::fprintf(stderr, "corvane-sim: cannot reach the simulator server at %s: %s\n", path_.c_str(),
                         std::strerror(e));
            warned_ = true;
        }
        errno = e;
        return false;
    }
    fds_.erase(fd);  // a node closed behind our back: the number is the connection's now
    sock_ = fd;
    warned_ = false;
    return true;
}

void ServerClient::disconnect(const std::string& why) {
    if (sock_ < 0) return;
    realClose(sock_);
    sock_ = -1;
    bool any = false;
    for (auto& f : fds_) {
        any = any || f.second.live;
        f.second.live = false;
    }
    std::fprintf(stderr, "corvane-sim: lost the simulator server at %s (%s)%s\n", path_.c_str(), why.c_str(),
                 any ? "; the nodes opened through it are gone" : "");
}

bool ServerClient::request(const std::string& line, std::string& reply, int* fd, bool cloexec) {
    if (fd != nullptr) *fd = -1;
    if (!connectIfNeeded()) return false;
    const std::string out = line + "\n";
    size_t sent = 0;
    while (sent < out.size()) {
        const ssize_t n = send(sock_, out.data() + sent, out.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(sock_, POLLOUT)) continue;
        const int e = errno;
        disconnect(std::string("cannot send: ") + std::strerror(e));
        errno = ENODEV;
        return false;
    }
    reply.clear();
    for (;;) {
        char buffer[8192];
        iovec iov{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(sock_, &msg, MSG_DONTWAIT | (cloexec ? MSG_CMSG_CLOEXEC : 0));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(sock_, POLLIN)) continue;
            const int e = errno;
            disconnect(e == ETIMEDOUT ? std::string("no reply within ") + std::to_string(kReplyTimeoutMs / 1000) + " s"
                                      : std::string("cannot wait: ") + std::strerror(e));
            errno = ENODEV;
            return false;
        }
        // Descriptors that came along: the first is the reply's, any other is closed.
        for (cmsghdr* cm = CMSG_FIRSTHDR(&msg); cm != nullptr; cm = CMSG_NXTHDR(&msg, cm)) {
            if (cm->cmsg_level != SOL_SOCKET || cm->cmsg_type != SCM_RIGHTS) continue;
            const size_t count = (cm->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (size_t i = 0; i < count; ++i) {
                int received = -1;
                std::memcpy(&received, CMSG_DATA(cm) + i * sizeof(int), sizeof(int));
                if (fd != nullptr && *fd < 0) {
                    *fd = received;
                } else {
                    realClose(received);
                }
            }
        }
        if (n <= 0) {
            if (fd != nullptr && *fd >= 0) realClose(*fd);
            disconnect(n == 0 ? std::string("the server closed the connection")
                              : std::string("cannot receive: ") + std::strerror(errno));
            errno = ENODEV;
            return false;
        }
        reply.append(buffer, static_cast<size_t>(n));
        const size_t end = reply.find('\n');
        if (end != std::string::npos) {
            reply.resize(end);
            return true;
        }
        if (reply.size() > kMaxReply) {
            if (fd != nullptr && *fd >= 0) realClose(*fd);
            disconnect("reply too long");
            errno = ENODEV;
            return false;
        }
    }
}

bool ServerClient::nodes(std::vector<std::pair<std::string, bool>>& out) {
    std::string reply;
    if (!request("nodes", reply, nullptr, false)) return false;
    const std::vector<std::string> words = wordsOf(reply);
    if (words.empty() || words[0] != "ok") {
        errno = EPROTO;
        return false;
    }
    nodes_.clear();
    for (size_t i = 1; i < words.size(); ++i) {
        const bool dir = words[i].back() == '/';
        nodes_.emplace_back(dir ? words[i].substr(0, words[i].size() - 1) : words[i], dir);
    }
    listed_ = true;
    out = nodes_;
    return true;
}

bool ServerClient::isNode(const std::string& name, bool& directory) {
    if (!listed_) {
        std::vector<std::pair<std::string, bool>> unused;
        if (!nodes(unused)) return false;
    }
    for (const auto& n : nodes_) {
        if (n.first == name) {
            directory = n.second;
            return true;
        }
    }
    return false;
}

int ServerClient::open(const std::string& node, int flags) {
    std::string reply;
    int fd = -1;
    if (!request("open " + node, reply, &fd, (flags & O_CLOEXEC) != 0)) return -1;
    const std::vector<std::string> words = wordsOf(reply);
    long value = 0;
    if (words.size() == 2 && words[0] == "fail" && parseInt(words[1], 1, 4095, value)) {
        if (fd >= 0) realClose(fd);
        errno = static_cast<int>(value);
        return -1;
    }
    if (words.size() != 2 || words[0] != "ok" || !parseInt(words[1], 1, 0xFFFFFFFFl, value) || fd < 0) {
        if (fd >= 0) realClose(fd);
        errno = EPROTO;
        return -1;
    }
    Node n;
    n.handle = static_cast<uint32_t>(value);
    fds_[fd] = n;
    return fd;
}

int ServerClient::ioctl(int fd, uint32_t command, void* arg) {
    auto it = fds_.find(fd);
    if (it == fds_.end() || !it->second.live) {
        errno = ENODEV;
        return -1;
    }
    const uint32_t size = arg != nullptr ? recordSize(command) : 0;
    std::string line = "ioctl " + std::to_string(it->second.handle) + " " + std::to_string(command) + " ";
    line += size != 0 ? hexEncode(static_cast<const uint8_t*>(arg), size) : std::string("-");
    std::string reply;
    if (!request(line, reply, nullptr, false)) return -1;
    const std::vector<std::string> words = wordsOf(reply);
    long result = 0;
    long error = 0;
    if (words.size() != 4 || words[0] != "ok" || !parseInt(words[1], -2147483647l - 1, 2147483647l, result) ||
        !parseInt(words[2], 0, 4095, error)) {
        errno = EPROTO;
        return -1;
    }
    if (size != 0) {
        if (!hexDecode(words[3].data(), words[3].size(), static_cast<uint8_t*>(arg), size)) {
            errno = EPROTO;
            return -1;
        }
    }
    if (result != 0) errno = static_cast<int>(error);
    return static_cast<int>(result);
}

int ServerClient::close(int fd) {
    auto it = fds_.find(fd);
    if (it != fds_.end()) {
        if (it->second.live && sock_ >= 0) {
            std::string reply;
            request("close " + std::to_string(it->second.handle), reply, nullptr, false);
        }
        fds_.erase(fd);
    }
    return realClose(fd);
}

void ServerClient::forget(int fd) {
    fds_.erase(fd);
    if (fd == sock_) {
        // Our connection was closed behind our back (the number came back from the C
        // library): never write to whatever holds the number now.
        sock_ = -1;
        for (auto& f : fds_) f.second.live = false;
    }
}

void ServerClient::afterFork() {
    if (sock_ >= 0) realClose(sock_);
    sock_ = -1;
    for (auto& f : fds_) f.second.live = false;
}

}  // namespace corvane_sim
