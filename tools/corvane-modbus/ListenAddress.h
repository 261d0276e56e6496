// Where the gateway listens (--listen ADDR:PORT) and how it names socket addresses in
// its log.
#ifndef CORVANE_MODBUS_LISTEN_ADDRESS_H
#define CORVANE_MODBUS_LISTEN_ADDRESS_H

#include <sys/socket.h>

#include <cstdint>
#include <string>

namespace corvane_modbus {

struct ListenAddress {
    std::string host = "127.0.0.1";  // numeric IPv4 or IPv6 address, without brackets
    uint16_t port = 1502;            // 0: any free port (the log names the one taken)
};

// "127.0.0.1:1502", "0.0.0.0:502", "[::1]:1502", "[::]:1502". Numeric addresses only
// (a host name could resolve to several addresses, or to none when the network is down).
// On failure returns false with the reason in error.
bool parseListenAddress(const std::string& text, ListenAddress& address, std::string& error);

// "127.0.0.1:53422" or "[::1]:53422"; an IPv4-mapped IPv6 address is shown as IPv4.
std::string formatSocketAddress(const sockaddr_storage& address);

}  // namespace corvane_modbus

#endif
