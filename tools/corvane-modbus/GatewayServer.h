// The Modbus TCP server: one thread, one poll loop over the listening socket, the
// signal descriptor and every client. Client sockets are non-blocking and their bytes
// are framed by FrameAssembler, so a client that sends garbage, stops in the middle of
// a frame or never sends at all never holds up the others; libmodbus answers each
// complete request (modbus_reply, modbus_reply_exception) on the client's socket.
#ifndef CORVANE_MODBUS_GATEWAY_SERVER_H
#define CORVANE_MODBUS_GATEWAY_SERVER_H

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "FrameAssembler.h"
#include "GatewayLog.h"
#include "GatewayOptions.h"
#include "RequestHandler.h"

typedef struct _modbus modbus_t;
typedef struct _modbus_mapping_t modbus_mapping_t;

namespace corvane_modbus {

class GatewayServer {
public:
    GatewayServer(const GatewayOptions& options, RequestHandler& handler, GatewayLog& log);
    ~GatewayServer();
    GatewayServer(const GatewayServer&) = delete;
    GatewayServer& operator=(const GatewayServer&) = delete;

    // Creates the listening socket; false with the reason when it cannot.
    bool listen(std::string& error);
    // "127.0.0.1:1502" once listening (the port taken when 0 was asked for).
    const std::string& address() const { return boundAddress; }

    // Serves until signalFd (a signalfd) delivers a signal; then closes every client and
    // returns the signal's number (-1 when waiting itself fails).
    int run(int signalFd);

private:
    using Clock = std::chrono::steady_clock;
    struct Client {
        int fd = -1;
        std::string peer;
        FrameAssembler frames;
        Clock::time_point lastRequest;
    };

    void acceptClients();
    // False when the client is to be closed (the reason already logged).
    bool serveClient(Client& client);
    bool answer(Client& client, const std::vector<uint8_t>& frame);
    void closeClient(std::list<Client>::iterator client, const std::string& why);
    int pollTimeoutMs() const;

    const GatewayOptions& options;
    RequestHandler& handler;
    GatewayLog& log;
    modbus_t* context = nullptr;
    modbus_mapping_t* mapping = nullptr;
    int listenFd = -1;
    std::string boundAddress;
    std::list<Client> clients;
    Clock::time_point acceptPausedUntil{};
};

}  // namespace corvane_modbus

#endif
