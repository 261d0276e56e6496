// Control connections to the simulator server.
#include "ControlConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SocketPath.h"

namespace corvane_sim {

ControlConnection::~ControlConnection() {
    close();
}

bool ControlConnection::open(const std::string& path, std::string& error) {
    close();
    fd_ = connectSocket(path, error);
    return fd_ >= 0;
}

void ControlConnection::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    buffer_.clear();
}

bool ControlConnection::send(const std::string& line, std::string& error) {
    if (fd_ < 0) {
        error = "not connected";
        return false;
    }
    const std::string out = line + "\n";
    size_t sent = 0;
    while (sent < out.size()) {
        const ssize_t n = ::send(fd_, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::string("cannot send to the server: ") + std::strerror(errno);
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool ControlConnection::readLine(std::string& line, int timeoutMs, std::string& error) {
    for (;;) {
        const size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return true;
        }
        if (fd_ < 0) {
            error = "not connected";
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            error = "the server did not answer within " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        char chunk[65536];
        const ssize_t n = ready < 0 ? -1 : ::recv(fd_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n == 0 ? "the server closed the connection" : std::string("cannot read: ") + std::strerror(errno);
            return false;
        }
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

bool ControlConnection::command(const std::string& line, std::vector<std::string>& data, std::string& final,
                                int timeoutMs, std::string& error) {
    data.clear();
    if (!send(line, error)) return false;
    for (;;) {
        std::string reply;
        if (!readLine(reply, timeoutMs, error)) return false;
        if (isFinal(reply)) {
            final = reply;
            return true;
        }
        data.push_back(reply);
    }
}

bool ControlConnection::isFinal(const std::string& line) {
    return line == "ok" || line.compare(0, 3, "ok ") == 0 || line.compare(0, 6, "error ") == 0 ||
           line.compare(0, 6, "{\"ok\":") == 0;
}

bool ControlConnection::isOk(const std::string& line) {
    return line == "ok" || line.compare(0, 3, "ok ") == 0 || line.compare(0, 10, "{\"ok\":true") == 0;
}

}  // namespace corvane_sim
