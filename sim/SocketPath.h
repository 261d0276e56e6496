// Where the simulator server listens, and the rules for its socket.
//
// Default: $XDG_RUNTIME_DIR/corvane-sim.sock; without XDG_RUNTIME_DIR,
// <TMPDIR or /tmp>/corvane-sim-<uid>/server.sock, whose directory is created with mode
// 0700 and must be a directory (not a link) owned by the user that no one else may enter.
#ifndef CORVANE_SIM_SOCKET_PATH_H
#define CORVANE_SIM_SOCKET_PATH_H

#include <sys/socket.h>
#include <sys/un.h>

#include <string>

namespace corvane_sim {

// The default socket path. With create, the private directory in /tmp is made when
// missing. On failure returns false with a message.
bool defaultSocketPath(bool create, std::string& path, std::string& error);

// Fills a socket address for path; false with a message when the path is empty or
// longer than a socket address holds.
bool socketAddress(const std::string& path, sockaddr_un& address, socklen_t& length, std::string& error);

// Connects a stream socket (close-on-exec) to path; -1 with a message.
int connectSocket(const std::string& path, std::string& error);

}  // namespace corvane_sim

#endif
