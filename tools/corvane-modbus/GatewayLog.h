// The gateway's log: one line per event, "2025-01-31T12:00:00.123 message", written
// whole with one write() to standard error or appended to a file.
#ifndef CORVANE_MODBUS_GATEWAY_LOG_H
#define CORVANE_MODBUS_GATEWAY_LOG_H

#include <string>

namespace corvane_modbus {

class GatewayLog {
public:
    // Standard error.
    GatewayLog() = default;
    ~GatewayLog();
    GatewayLog(const GatewayLog&) = delete;
    GatewayLog& operator=(const GatewayLog&) = delete;

    // Appends to path from now on (created with mode 0640 when missing); false with the
    // system's reason when it cannot be opened.
    bool openFile(const std::string& path, std::string& error);

    // One line; a line break inside the message is written as a blank so that every
    // event stays one line.
    void write(const std::string& message);

private:
    int fd = 2;
    bool ownsFd = false;
};

}  // namespace corvane_modbus

#endif
