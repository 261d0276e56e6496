// The simulator server: one process that runs the simulated boards (the simulator
// library linked into it) and serves them on a Unix socket to programs (through the
// interposer's driver requests) and to control clients (ctl, Python, scripts).
//
// One thread, one poll loop; every socket is non-blocking, every buffer bounded, so no
// client can make the server block or grow without limit: a client that sends a byte
// that is not text or a line longer than kMaxLine gets one error line and is dropped; a
// client whose unread replies pass kMaxPending bytes is dropped; a client that goes
// away (or is dropped) has every node it opened closed for it.
#ifndef CORVANE_SIM_CONTROL_SERVER_H
#define CORVANE_SIM_CONTROL_SERVER_H

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ControlExecutor.h"
#include "ProtocolRequest.h"
#include "ScriptSchedule.h"

namespace corvane_sim {

class ControlServer {
public:
    static constexpr size_t kMaxLine = 64 * 1024;
    static constexpr size_t kMaxPending = 1024 * 1024;
    static constexpr size_t kMaxClients = 256;
    static constexpr size_t kMaxHandles = 1024;  // open nodes per client

    // script (may be empty) runs from the moment run() starts; scriptName names it in
    // messages.
    ControlServer(std::string socketPath, std::vector<ScriptStep> script, std::string scriptName);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Creates the socket (mode 0600; an existing path is refused). False with a message.
    bool listen(std::string& error);
    // Serves until a stop command, SIGINT or SIGTERM; removes the socket. Returns 0.
    int run();

private:
    struct Chunk {
        std::string data;
        size_t offset = 0;
        int fd = -1;  // descriptor sent with the chunk's first byte (owned by the chunk)
    };
    struct Client {
        int fd = -1;
        pid_t pid = 0;
        std::string in;
        std::deque<Chunk> out;
        size_t pending = 0;  // bytes in out
        bool json = false;
        bool closing = false;             // dropped: nothing more is read or answered
        bool inputEnded = false;          // sent all it will: answered, then closed
        std::map<uint32_t, int> handles;  // handle -> the server's descriptor of the node
        uint32_t nextHandle = 1;
        bool tracing = false;    // a trace is being streamed
        bool following = false;  // ... and goes on with new entries
        bool announced = false;  // the "ok following" line was sent
        uint64_t cursor = 0;     // next trace sequence number to send
        uint64_t end = 0;        // trace without --follow: sequence to stop at
        uint64_t sent = 0;       // entries streamed
    };

    void acceptClients();
    void readClient(Client& c);
    void handleLine(Client& c, std::string line);
    void handleRequest(Client& c, const ProtocolRequest& r);
    void handleControl(Client& c, const ControlCommand& cmd);
    void noHandle(Client& c, const char* request, uint32_t handle);
    void reply(Client& c, const ControlReply& r);
    void queue(Client& c, std::string line, int fd = -1);
    void flush(Client& c);
    void fillTrace(Client& c);
    // Entries of a streaming trace that are not queued yet.
    bool traceWaiting(const Client& c) const;
    void drop(Client& c, const std::string& why);
    void release(Client& c);
    void runScript();
    int pollTimeout() const;

    std::string path_;
    int listenFd_ = -1;
    dev_t socketDev_ = 0;
    ino_t socketIno_ = 0;
    std::vector<std::unique_ptr<Client>> clients_;
    ControlExecutor executor_;
    ScriptSchedule schedule_;
    std::string scriptName_;
    uint64_t traceSequence_ = 0;  // trace entries the relayed commands have added
    bool stopping_ = false;
};

// Monotonic time in nanoseconds.
uint64_t monotonicNs();

}  // namespace corvane_sim

#endif
