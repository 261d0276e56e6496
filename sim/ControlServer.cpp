// The simulator server's loop. It runs in a process that links the simulator library,
// so open, ioctl and close of "/dev/<node>" below reach the simulated boards of this
// process: the boards of every client are the same boards.
#include "ControlServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "SimHex.h"
#include "SocketPath.h"
#include "corvane_sim.h"

namespace corvane_sim {
namespace {

constexpr size_t kTraceFill = 256 * 1024;  // stream trace entries while fewer bytes wait

int g_wakeFd = -1;  // write end of the signal pipe
volatile sig_atomic_t g_signalled = 0;

void onSignal(int) {
    const int saved = errno;
    g_signalled = 1;
    if (g_wakeFd >= 0) {
        const char c = 1;
        ssize_t n = write(g_wakeFd, &c, 1);
        (void)n;
    }
    errno = saved;
}

void say(const std::string& text) {
    std::fprintf(stderr, "corvane-sim serve: %s\n", text.c_str());
}

}  // namespace

uint64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

ControlServer::ControlServer(std::string socketPath, std::vector<ScriptStep> script, std::string scriptName)
    : path_(std::move(socketPath)), schedule_(std::move(script)), scriptName_(std::move(scriptName)) {}

ControlServer::~ControlServer() {
    for (auto& c : clients_) release(*c);
    if (listenFd_ >= 0) close(listenFd_);
}

bool ControlServer::listen(std::string& error) {
    sockaddr_un address;
    socklen_t length = 0;
    if (!socketAddress(path_, address, length, error)) return false;
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0) {
        error = path_ + " exists; not replacing it (remove it if no server uses it)";
        return false;
    }
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return false;
    }
    const mode_t old = umask(0177);  // the socket is created with mode 0600
    const int bound = bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length);
    const int bindError = errno;
    umask(old);
    if (bound != 0) {
        error = bindError == EADDRINUSE ? path_ + " exists; not replacing it (remove it if no server uses it)"
                                        : "cannot create " + path_ + ": " + std::strerror(bindError);
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    if (chmod(path_.c_str(), 0600) != 0 || ::listen(listenFd_, 64) != 0 || stat(path_.c_str(), &st) != 0) {
        error = "cannot listen on " + path_ + ": " + std::strerror(errno);
        unlink(path_.c_str());
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    socketDev_ = st.st_dev;
    socketIno_ = st.st_ino;
    return true;
}

int ControlServer::run() {
    int wake[2] = {-1, -1};
    if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        say(std::string("cannot create a pipe: ") + std::strerror(errno));
        return 1;
    }
    g_signalled = 0;
    g_wakeFd = wake[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {
    }, oldTerm{}, oldPipe{};
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &oldPipe);

    schedule_.start(monotonicNs());
    std::vector<pollfd> fds;
    while (!stopping_ && !g_signalled) {
        fds.clear();
        fds.push_back({wake[0], POLLIN, 0});
        fds.push_back({listenFd_, POLLIN, 0});
        int timeout = pollTimeout();
        for (const auto& c : clients_) {
            short events = c->closing || c->inputEnded ? 0 : POLLIN;
            if (!c->out.empty()) events |= POLLOUT;
            // A trace whose last slice the socket took whole has nothing waiting to wake
            // the loop: go round at once to send the next slice.
            if (c->out.empty() && traceWaiting(*c)) timeout = 0;
            fds.push_back({c->fd, events, 0});
        }
        const int n = poll(fds.data(), fds.size(), timeout);
        if (n < 0 && errno != EINTR) {
            say(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (n > 0) {
            if (fds[0].revents != 0) {
                char drain[64];
                while (read(wake[0], drain, sizeof drain) > 0) {
                }
            }
            // Clients accepted now are not in fds yet: only the first ones are polled.
            const size_t polled = fds.size() - 2;
            for (size_t i = 0; i < polled && i < clients_.size(); ++i) {
                Client& c = *clients_[i];
                const short re = fds[i + 2].revents;
                if (c.fd < 0 || re == 0) continue;
                if (c.inputEnded) {
                    if (re & (POLLHUP | POLLERR)) release(c);  // gone before its replies
                } else if (re & (POLLIN | POLLHUP | POLLERR)) {
                    readClient(c);
                }
                if (c.fd >= 0 && (re & POLLOUT)) flush(c);
            }
            if (fds[1].revents & POLLIN) acceptClients();
        }
        runScript();
        for (auto& c : clients_) {
            if (c->fd >= 0 && c->tracing) {
                fillTrace(*c);
                flush(*c);
            }
            // A client that shut its sending side is closed once everything it asked
            // for has gone out.
            if (c->fd >= 0 && c->inputEnded && c->out.empty() && !c->tracing) release(*c);
        }
        for (size_t i = 0; i < clients_.size();) {
            if (clients_[i]->fd < 0) {
                clients_.erase(clients_.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        if (executor_.stopRequested()) stopping_ = true;
    }

    // Last replies (the "ok stopping" of a stop command) go out if the socket takes them.
    for (auto& c : clients_) {
        if (c->fd >= 0) flush(*c);
        release(*c);
    }
    clients_.clear();
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
    }
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0 && st.st_dev == socketDev_ && st.st_ino == socketIno_) unlink(path_.c_str());
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    sigaction(SIGPIPE, &oldPipe, nullptr);
    g_wakeFd = -1;
    close(wake[0]);
    close(wake[1]);
    return 0;
}

int ControlServer::pollTimeout() const {
    uint64_t when = 0;
    if (!schedule_.next(when)) return -1;
    const uint64_t now = monotonicNs();
    if (when <= now) return 0;
    const uint64_t ms = (when - now + 999999) / 1000000;
    return ms > 60000 ? 60000 : static_cast<int>(ms);
}

void ControlServer::acceptClients() {
    for (;;) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;  // EAGAIN: all taken; other errors: the next round retries
        ucred cred{};
        socklen_t len = sizeof cred;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != getuid()) {
            say("refused a client of another user");
            close(fd);
            continue;
        }
        if (clients_.size() >= kMaxClients) {
            const std::string why = std::to_string(kMaxClients) + " clients are connected";
            say("refused a client (pid " + std::to_string(cred.pid) + "): " + why);
            // One line that says why, if the socket takes it, so that ctl can tell.
            const std::string line = "error the server is full: " + why + "; try again when one leaves\n";
            ssize_t sent = send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            (void)sent;
            close(fd);
            continue;
        }
        auto c = std::make_unique<Client>();
        c->fd = fd;
        c->pid = cred.pid;
        clients_.push_back(std::move(c));
    }
}

void ControlServer::readClient(Client& c) {
    // One small read per client and round: a client that sends thousands of commands at
    // once is served a slice at a time, so the others are answered between its slices.
    char buffer[4 * 1024];
    const ssize_t n = recv(c.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0) {  // nothing more comes: an unfinished line is discarded, replies still go
        c.inputEnded = true;
        c.in.clear();
        return;
    }
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) release(c);
        return;
    }
    c.in.append(buffer, static_cast<size_t>(n));
    size_t start = 0;
    for (;;) {
        if (c.closing || c.fd < 0) return;
        const size_t end = c.in.find('\n', start);
        if (end == std::string::npos) break;
        std::string line = c.in.substr(start, end - start);
        start = end + 1;
        handleLine(c, std::move(line));
    }
    c.in.erase(0, start);
    if (c.in.size() > kMaxLine) {
        ParseError e;
        e.word = 1;
        e.column = 1;
        e.reason = "line longer than " + std::to_string(kMaxLine) + " bytes";
        reply(c, ControlReply::failure(e));
        drop(c, e.reason);
    }
}

void ControlServer::handleLine(Client& c, std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ControlCommand cmd;
    ParseError error;
    if (findNonText(line) != std::string::npos) {
        parseControlLine(line, cmd, error);
        reply(c, ControlReply::failure(error));
        drop(c, "sent a byte that is not text");
        return;
    }
    const std::vector<Word> words = splitWords(line);
    if (isProtocolRequest(words)) {
        ProtocolRequest request;
        if (!parseProtocolRequest(words, request, error)) {
            reply(c, ControlReply::failure(error));
            return;
        }
        handleRequest(c, request);
        return;
    }
    if (!parseControlWords(words, 0, cmd, error)) {
        reply(c, ControlReply::failure(error));
        return;
    }
    handleControl(c, cmd);
}

void ControlServer::handleRequest(Client& c, const ProtocolRequest& r) {
    switch (r.verb) {
    case RequestVerb::Format:
        c.json = r.json;
        reply(c, ControlReply());
        return;
    case RequestVerb::Nodes: {
        std::string line = "ok";
        const int count = corvane_sim_board_count();
        for (int i = 0; i < count; ++i) {
            char node[64] = {0};
            corvane_sim_board_state s{};
            if (corvane_sim_board_node(i, node, sizeof node) != 0 || corvane_sim_get_state(node, &s) != 0) continue;
            line += std::string(" ") + node + (s.directory ? "/" : "");
        }
        queue(c, line);
        return;
    }
    case RequestVerb::Open: {
        corvane_sim_board_state s{};
        if (corvane_sim_get_state(r.node.c_str(), &s) != 0) {
            queue(c, "fail " + std::to_string(ENOENT));
            return;
        }
        if (s.directory) {
            queue(c, "fail " + std::to_string(EISDIR));
            return;
        }
        if (c.handles.size() >= kMaxHandles) {
            queue(c, "fail " + std::to_string(EMFILE));
            return;
        }
        const int fd = ::open(("/dev/" + r.node).c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            queue(c, "fail " + std::to_string(errno));
            return;
        }
        if (corvane_sim_is_simulated(fd, nullptr, 0) != 1) {  // never hand out anything else
            ::close(fd);
            queue(c, "fail " + std::to_string(ENODEV));
            return;
        }
        // The reply carries its own copy, so that a close pipelined behind the open
        // cannot free the number before the reply leaves.
        const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (copy < 0) {
            const int e = errno;
            ::close(fd);
            queue(c, "fail " + std::to_string(e));
            return;
        }
        const uint32_t handle = c.nextHandle++;
        c.handles[handle] = fd;
        queue(c, "ok " + std::to_string(handle), copy);
        return;
    }
    case RequestVerb::Ioctl: {
        auto it = c.handles.find(r.handle);
        if (it == c.handles.end()) {
            noHandle(c, "ioctl", r.handle);
            return;
        }
        uint8_t record[CORVANE_SIM_MAX_RECORD] = {};
        if (r.hasRecord) std::memcpy(record, r.record.data(), r.record.size());
        errno = 0;
        const int result = ::ioctl(it->second, static_cast<unsigned long>(r.command), r.hasRecord ? record : nullptr);
        const int error = result != 0 ? errno : 0;
        ++traceSequence_;
        queue(c, "ok " + std::to_string(result) + " " + std::to_string(error) + " " +
                     (r.hasRecord ? hexEncode(record, r.record.size()) : std::string("-")));
        return;
    }
    case RequestVerb::Close: {
        auto it = c.handles.find(r.handle);
        if (it == c.handles.end()) {
            noHandle(c, "close", r.handle);
            return;
        }
        ::close(it->second);
        c.handles.erase(it);
        queue(c, "ok");
        return;
    }
    }
}

void ControlServer::noHandle(Client& c, const char* request, uint32_t handle) {
    ParseError e;
    e.command = request;
    e.word = 2;
    e.column = std::strlen(request) + 2;
    e.reason = "no open handle " + std::to_string(handle);
    queue(c, replyText(ControlReply::failure(e)));
}

void ControlServer::handleControl(Client& c, const ControlCommand& cmd) {
    if (cmd.verb == ControlVerb::Trace && !cmd.checkOnly) {
        if (c.tracing) {
            reply(c,
                  ControlReply::failure(errorAt(cmd, kCommandWord, "a trace is already streaming on this connection")));
            return;
        }
        const uint64_t count = corvane_sim_trace_count();
        c.tracing = true;
        c.following = cmd.follow;
        c.announced = false;
        c.sent = 0;
        c.cursor = traceSequence_ >= count ? traceSequence_ - count : 0;
        c.end = traceSequence_;
        fillTrace(c);
        return;
    }
    reply(c, executor_.execute(cmd));
    if (executor_.stopRequested()) stopping_ = true;
}

bool ControlServer::traceWaiting(const Client& c) const {
    if (!c.tracing || c.fd < 0 || c.closing) return false;
    return c.cursor < (c.following ? traceSequence_ : c.end);
}

void ControlServer::fillTrace(Client& c) {
    static corvane_sim_trace_entry entry;  // large: one buffer for the whole server
    while (c.tracing && c.fd >= 0 && !c.closing && c.pending < kTraceFill) {
        const uint64_t target = c.following ? traceSequence_ : c.end;
        const uint64_t count = corvane_sim_trace_count();
        const uint64_t first = traceSequence_ >= count ? traceSequence_ - count : 0;
        if (c.cursor < first) c.cursor = first;  // fell out of the kept trace
        if (c.cursor >= target) break;
        if (corvane_sim_trace_get(static_cast<size_t>(c.cursor - first), &entry) != 0) {
            c.cursor = target;
            break;
        }
        queue(c, c.json ? traceJson(entry) : traceText(entry));
        ++c.cursor;
        ++c.sent;
    }
    if (!c.tracing || c.fd < 0 || c.closing) return;
    if (!c.following && c.cursor >= c.end) {
        ControlReply r;
        r.text = std::to_string(c.sent) + " entries";
        r.data["entries"] = c.sent;
        c.tracing = false;
        reply(c, r);
    } else if (c.following && !c.announced && c.cursor >= traceSequence_) {
        ControlReply r;
        r.text = std::to_string(c.sent) + " entries, following";
        r.data["entries"] = c.sent;
        r.data["following"] = true;
        c.announced = true;
        reply(c, r);
    }
}

void ControlServer::reply(Client& c, const ControlReply& r) {
    queue(c, c.json ? replyJson(r) : replyText(r));
}

void ControlServer::queue(Client& c, std::string line, int fd) {
    if (c.closing || c.fd < 0) {
        if (fd >= 0) ::close(fd);
        return;
    }
    line += '\n';
    c.pending += line.size();
    if (fd < 0 && !c.out.empty()) {
        c.out.back().data += line;
    } else {
        Chunk chunk;
        chunk.data = std::move(line);
        chunk.fd = fd;
        c.out.push_back(std::move(chunk));
    }
    if (c.pending > kMaxPending) drop(c, "does not read its replies (" + std::to_string(c.pending) + " bytes wait)");
}

void ControlServer::flush(Client& c) {
    while (c.fd >= 0 && !c.out.empty()) {
        Chunk& chunk = c.out.front();
        const char* data = chunk.data.data() + chunk.offset;
        const size_t size = chunk.data.size() - chunk.offset;
        ssize_t n;
        if (chunk.fd >= 0) {
            iovec iov{const_cast<char*>(data), size};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
            msghdr msg{};
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            msg.msg_control = control;
            msg.msg_controllen = sizeof control;
            cmsghdr* cm = CMSG_FIRSTHDR(&msg);
            cm->cmsg_level = SOL_SOCKET;
            cm->cmsg_type = SCM_RIGHTS;
            cm->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(cm), &chunk.fd, sizeof(int));
            n = sendmsg(c.fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                ::close(chunk.fd);
                chunk.fd = -1;
            }
        } else {
            n = send(c.fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) release(c);
            return;
        }
        chunk.offset += static_cast<size_t>(n);
        c.pending -= static_cast<size_t>(n);
        if (chunk.offset == chunk.data.size()) c.out.pop_front();
    }
}

void ControlServer::drop(Client& c, const std::string& why) {
    if (c.fd < 0) return;
    say("dropped a client (pid " + std::to_string(c.pid) + "): " + why);
    flush(c);  // the error line, if the socket takes it
    c.closing = true;
    release(c);
}

void ControlServer::release(Client& c) {
    for (auto& h : c.handles) ::close(h.second);
    c.handles.clear();
    for (auto& chunk : c.out) {
        if (chunk.fd >= 0) ::close(chunk.fd);
    }
    c.out.clear();
    c.pending = 0;
    c.tracing = false;
    if (c.fd >= 0) ::close(c.fd);
    c.fd = -1;
    c.closing = true;
}

void ControlServer::runScript() {
    for (const ScriptStep* step : schedule_.takeDue(monotonicNs())) {
        const ControlReply r = executor_.execute(step->command);
        if (!r.ok) say("script " + scriptName_ + ":" + std::to_string(step->line) + ": " + r.error.text());
        if (executor_.stopRequested()) {
            stopping_ = true;
            return;
        }
    }
}

}  // namespace corvane_sim
