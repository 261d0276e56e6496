// The client side of the server mode, inside the interposer: with CORVANE_SIM_SERVER set,
// the program's "/dev/" listing, and open, ioctl and close of simulated nodes, go to the
// simulator server over its socket. Each open node is the event descriptor the server
// passes over the socket, so it is readable exactly while the board has interrupts
// queued, and the program's own poll or select works unchanged.
//
// Every member is called with the simulator's lock held, which also serialises the
// requests of the program's threads on the one connection. With the lock held it calls
// only the C library's real functions (socket, connect, sendmsg, recvmsg, poll and the
// real close), never an interposed one.
#ifndef CORVANE_SIM_CLIENT_H
#define CORVANE_SIM_CLIENT_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace corvane_sim {

class ServerClient {
public:
    // A reply that takes longer than this ends the connection.
    static constexpr int kReplyTimeoutMs = 30000;

    explicit ServerClient(std::string path);

    const std::string& path() const { return path_; }
    // The server's nodes (name, is a directory). False with errno when the server
    // cannot be reached.
    bool nodes(std::vector<std::pair<std::string, bool>>& out);
    // Whether name is one of the server's nodes (asks the server once when no listing is
    // known yet). False when the server cannot be reached.
    bool isNode(const std::string& name, bool& directory);
    // Opens a node on the server: the descriptor, or -1 with errno.
    int open(const std::string& node, int flags);
    // Whether fd is a descriptor this client opened.
    bool owns(int fd) const { return fds_.count(fd) != 0; }
    // A command on one of its descriptors: the driver's result, errno set on failure.
    int ioctl(int fd, uint32_t command, void* arg);
    // Closes one of its descriptors (on the server, then here).
    int close(int fd);
    // The C library handed out fd for something else: it is not ours any more.
    void forget(int fd);
    // In a forked child: the connection and the nodes open on it are the parent's. The
    // child's copies stay descriptors, but every command on them fails with ENODEV; a
    // node the child opens gets a connection of its own.
    void afterFork();

private:
    struct Node {
        uint32_t handle = 0;
        bool live = true;  // false: its connection is gone
    };

    bool connectIfNeeded();
    // Sends one request line and reads one reply line (and a descriptor passed with it,
    // into *fd when fd is not null). False (errno set) when the connection failed; the
    // connection is then closed.
    bool request(const std::string& line, std::string& reply, int* fd, bool cloexec);
    void disconnect(const std::string& why);

    std::string path_;
    int sock_ = -1;
    std::map<int, Node> fds_;
    std::vector<std::pair<std::string, bool>> nodes_;
    bool listed_ = false;
    bool warned_ = false;
};

}  // namespace corvane_sim

#endif
