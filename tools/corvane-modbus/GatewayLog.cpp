#include "GatewayLog.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace corvane_modbus {

GatewayLog::~GatewayLog() {
    if (ownsFd) ::close(fd);
}

bool GatewayLog::openFile(const std::string& path, std::string& error) {
    const int opened = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (opened < 0) {
        error = "cannot open the log file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (ownsFd) ::close(fd);
    fd = opened;
    ownsFd = true;
    return true;
}

void GatewayLog::write(const std::string& message) {
    timeval now{};
    ::gettimeofday(&now, nullptr);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    char stamp[40];
    const size_t length = std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    std::string line(stamp, length);
    char millis[24];
    std::snprintf(millis, sizeof millis, ".%03ld ", static_cast<long>(now.tv_usec / 1000));
    line += millis;
    for (char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;  // the log must never stop the gateway
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
}

}  // namespace corvane_modbus
