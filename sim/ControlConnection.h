// A control client's connection to the simulator server: sends command lines and reads
// the replies (data lines, such as trace entries, then one final "ok"/"error" line, or
// their JSON spellings). Used by "corvane-sim ctl", by the runner playing a script, and
// by the tests.
#ifndef CORVANE_SIM_CONTROL_CONNECTION_H
#define CORVANE_SIM_CONTROL_CONNECTION_H

#include <string>
#include <vector>

namespace corvane_sim {

class ControlConnection {
public:
    ControlConnection() = default;
    ~ControlConnection();
    ControlConnection(const ControlConnection&) = delete;
    ControlConnection& operator=(const ControlConnection&) = delete;

    // Connects to the server at path. False with a message.
    bool open(const std::string& path, std::string& error);
    void close();
    int fd() const { return fd_; }

    // Sends one line (the newline is added).
    bool send(const std::string& line, std::string& error);
    // Reads one line (without its newline); timeoutMs < 0 waits for ever. False at the
    // end of the connection, on a timeout or an error, with a message.
    bool readLine(std::string& line, int timeoutMs, std::string& error);
    // Sends a command and reads its reply: data lines into data, the final line into
    // final.
    bool command(const std::string& line, std::vector<std::string>& data, std::string& final, int timeoutMs,
                 std::string& error);

    // Whether a reply line is the final one of its command, and whether it says ok.
    static bool isFinal(const std::string& line);
    static bool isOk(const std::string& line);

private:
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace corvane_sim

#endif
