#include "GatewayServer.h"

#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace corvane_modbus {

namespace {

constexpr int kListenBacklog = 64;
constexpr size_t kReadChunk = 4096;
constexpr int kClientSendBuffer = 65536;

// The exception reply to a function code of 128 or more, which libmodbus would garble
// (it adds 0x80 to the code in a byte): the code is sent back as it came, bit 7 set.
int replyExceptionToExceptionCode(int fd, const std::vector<uint8_t>& frame, uint8_t exception) {
    const uint8_t reply[9] = {frame[0], frame[1], 0, 0, 0, 3, frame[6], frame[7], exception};
    const ssize_t sent = ::send(fd, reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent == static_cast<ssize_t>(sizeof reply)) return static_cast<int>(sent);
    if (sent >= 0) errno = EMBBADDATA;  // a short send, as libmodbus reports one
    return -1;
}

std::string exceptionName(uint8_t code) {
    switch (code) {
        case kIllegalFunction: return "exception 1, illegal function";
        case kIllegalDataAddress: return "exception 2, illegal data address";
        case kIllegalDataValue: return "exception 3, illegal data value";
        case kServerDeviceFailure: return "exception 4, server device failure";
        case kGatewayTargetFailed: return "exception 0x0B, gateway target failed to respond";
        default: return "exception " + std::to_string(code);
    }
}

std::string durationText(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

}  // namespace

GatewayServer::GatewayServer(const GatewayOptions& options, RequestHandler& handler, GatewayLog& log)
    : options(options), handler(handler), log(log) {}

GatewayServer::~GatewayServer() {
    for (const Client& client : clients) ::close(client.fd);
    if (listenFd >= 0) ::close(listenFd);
    if (mapping != nullptr) modbus_mapping_free(mapping);
    if (context != nullptr) modbus_free(context);
}

bool GatewayServer::listen(std::string& error) {
    const std::string port = std::to_string(options.listen.port);
    context = modbus_new_tcp_pi(options.listen.host.c_str(), port.c_str());
    // Every address of every table, so that libmodbus never refuses what the map allows.
    mapping = modbus_mapping_new_start_address(0, 65536, 0, 65536, 0, 65536, 0, 65536);
    if (context == nullptr || mapping == nullptr) {
        error = std::string("cannot set up libmodbus: ") + modbus_strerror(errno);
        return false;
    }
    listenFd = modbus_tcp_pi_listen(context, kListenBacklog);
    const std::string shown = options.listen.host.find(':') == std::string::npos
                                  ? options.listen.host + ":" + port
                                  : "[" + options.listen.host + "]:" + port;
    if (listenFd < 0) {
        error = "cannot listen on " + shown + ": " + modbus_strerror(errno);
        if (options.listen.port != 0 && options.listen.port < 1024 && errno == EACCES) {
            error += " (ports below 1024 need privileges)";
        }
        return false;
    }
    ::fcntl(listenFd, F_SETFL, ::fcntl(listenFd, F_GETFL) | O_NONBLOCK);
    ::fcntl(listenFd, F_SETFD, FD_CLOEXEC);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(listenFd, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
        boundAddress = formatSocketAddress(bound);
    } else {
        boundAddress = shown;
    }
    return true;
}

int GatewayServer::pollTimeoutMs() const {
    const auto now = Clock::now();
    Clock::time_point next = Clock::time_point::max();
    if (options.idleTimeout.count() > 0) {
        for (const Client& client : clients) {
            const auto due = client.lastRequest + options.idleTimeout;
            if (due < next) next = due;
        }
    }
    if (acceptPausedUntil > now && acceptPausedUntil < next) next = acceptPausedUntil;
    if (next == Clock::time_point::max()) return -1;
    if (next <= now) return 0;
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1;
    return wait > 60000 ? 60000 : static_cast<int>(wait);
}

void GatewayServer::closeClient(std::list<Client>::iterator client, const std::string& why) {
    log.write("client " + client->peer + " " + why);
    ::close(client->fd);
    clients.erase(client);
}

void GatewayServer::acceptClients() {
    for (;;) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&peer), &length,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The connection stays queued; try again in a second rather than spin.
                log.write(std::string("cannot accept a client: ") + std::strerror(errno) +
                          "; accepting again in 1 s");
                acceptPausedUntil = Clock::now() + std::chrono::seconds(1);
            }
            return;  // EAGAIN: nothing more; others (ECONNABORTED ...): the client gave up
        }
        const std::string text = formatSocketAddress(peer);
        if (!options.allow.allows(peer)) {
            log.write("client " + text + " refused: not in an --allow network");
            ::close(fd);
            continue;
        }
        if (clients.size() >= options.maxClients) {
            log.write("client " + text + " refused: " + std::to_string(clients.size()) +
                      " clients connected, the most --max-clients allows");
            ::close(fd);
            continue;
        }
        // Replies are at most 260 bytes: a client that stops reading is dropped once
        // 64 KiB of them wait, rather than letting the kernel queue megabytes for it.
        const int sendBuffer = kClientSendBuffer;
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        clients.push_back(Client{fd, text, FrameAssembler{}, Clock::now()});
        log.write("client " + text + " connected (" + std::to_string(clients.size()) + " of " +
                  std::to_string(options.maxClients) + ")");
    }
}

bool GatewayServer::answer(Client& client, const std::vector<uint8_t>& frame) {
    const HandledRequest handled = handler.handle(frame);
    const ModbusRequest& request = handled.request;
    modbus_set_socket(context, client.fd);
    int sent = 0;
    if (handled.exception != kNoException) {
        log.write("client " + client.peer + " unit " + std::to_string(request.unit) + " " +
                  request.describe() + ": " + exceptionName(handled.exception) + ": " + handled.reason);
        sent = request.function >= 0x80 ? replyExceptionToExceptionCode(client.fd, frame, handled.exception)
                                         : modbus_reply_exception(context, frame.data(), handled.exception);
    } else {
        for (size_t i = 0; i < handled.values.size(); ++i) {
            const size_t address = request.address + i;
            switch (request.table) {
                case Table::Coils: mapping->tab_bits[address] = static_cast<uint8_t>(handled.values[i]); break;
                case Table::DiscreteInputs: mapping->tab_input_bits[address] = static_cast<uint8_t>(handled.values[i]); break;
                case Table::InputRegisters: mapping->tab_input_registers[address] = handled.values[i]; break;
                case Table::HoldingRegisters: mapping->tab_registers[address] = handled.values[i]; break;
            }
        }
        sent = modbus_reply(context, frame.data(), static_cast<int>(frame.size()), mapping);
    }
    if (sent < 0) {
        const int error = errno;
        // A full send buffer (libmodbus reports a short send as "Invalid data"): the
        // client has stopped reading its replies.
        if (error == EAGAIN || error == EWOULDBLOCK || error == EMBBADDATA) {
            log.write("client " + client.peer + " dropped: it does not read its replies (" +
                      std::to_string(kClientSendBuffer / 1024) + " KiB of them wait)");
        } else {
            log.write("client " + client.peer + " dropped: the reply cannot be sent (" +
                      modbus_strerror(error) + ")");
        }
        return false;
    }
    return true;
}

bool GatewayServer::serveClient(Client& client) {
    uint8_t buffer[kReadChunk];
    const ssize_t got = ::recv(client.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got == 0) {
        log.write("client " + client.peer + " disconnected" +
                  (client.frames.pending() > 0
                       ? " in the middle of a frame (" + std::to_string(client.frames.pending()) +
                             " bytes discarded)"
                       : std::string()));
        return false;
    }
    if (got < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return true;
        log.write("client " + client.peer + " dropped: " + std::strerror(errno));
        return false;
    }
    client.frames.append(buffer, static_cast<size_t>(got));
    std::vector<uint8_t> frame;
    std::string reason;
    for (;;) {
        const FrameStatus status = client.frames.next(frame, reason);
        if (status == FrameStatus::Incomplete) return true;
        if (status == FrameStatus::Malformed) {
            log.write("client " + client.peer + " dropped: malformed frame: " + reason);
            return false;
        }
        client.lastRequest = Clock::now();
        if (!answer(client, frame)) return false;
    }
}

int GatewayServer::run(int signalFd) {
    std::vector<pollfd> fds;
    std::vector<std::list<Client>::iterator> polled;
    for (;;) {
        fds.clear();
        polled.clear();
        fds.push_back({signalFd, POLLIN, 0});
        const bool accepting = Clock::now() >= acceptPausedUntil;
        fds.push_back({accepting ? listenFd : -1, POLLIN, 0});
        for (auto it = clients.begin(); it != clients.end(); ++it) {
            fds.push_back({it->fd, POLLIN, 0});
            polled.push_back(it);
        }
        const int ready = ::poll(fds.data(), fds.size(), pollTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            log.write(std::string("poll failed: ") + std::strerror(errno) + ": closing " +
                      std::to_string(clients.size()) + " connection(s)");
            while (!clients.empty()) closeClient(clients.begin(), "closed: the gateway stops");
            return -1;
        }
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            signalfd_siginfo info{};
            const ssize_t got = ::read(signalFd, &info, sizeof info);
            const int signal = got == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : SIGTERM;
            log.write(std::string("stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") + ": closing " +
                      std::to_string(clients.size()) + " connection(s)");
            while (!clients.empty()) closeClient(clients.begin(), "closed: the gateway stops");
            return signal;
        }
        for (size_t i = 0; i < polled.size(); ++i) {
            if (fds[i + 2].revents == 0) continue;
            if (!serveClient(*polled[i])) {
                ::close(polled[i]->fd);
                clients.erase(polled[i]);
            }
        }
        if (options.idleTimeout.count() > 0) {
            const auto now = Clock::now();
            for (auto it = clients.begin(); it != clients.end();) {
                auto current = it++;
                if (now - current->lastRequest >= options.idleTimeout) {
                    closeClient(current, "dropped: no complete request for " + durationText(options.idleTimeout) +
                                             (current->frames.pending() > 0 ? " (in the middle of a frame)" : ""));
                }
            }
        }
        if (ready > 0 && (fds[1].revents & POLLIN)) acceptClients();
    }
}

}  // namespace corvane_modbus
