#include "ListenAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

#include "NumberText.h"

namespace corvane_modbus {

bool parseListenAddress(const std::string& text, ListenAddress& address, std::string& error) {
    std::string host;
    std::string port;
    if (!text.empty() && text[0] == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            error = "an IPv6 address is written [ADDRESS]:PORT";
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        in6_addr probe{};
        if (inet_pton(AF_INET6, host.c_str(), &probe) != 1) {
            error = "\"" + host + "\" is not an IPv6 address";
            return false;
        }
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos) {
            error = "expected ADDRESS:PORT";
            return false;
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        in_addr probe{};
        if (inet_pton(AF_INET, host.c_str(), &probe) != 1) {
            error = "\"" + host + "\" is not an IPv4 address (IPv6: [ADDRESS]:PORT)";
            return false;
        }
    }
    uint64_t number = 0;
    if (!parseUnsigned(port, 65535, number)) {
        error = "port \"" + port + "\" is not a number from 0 to 65535";
        return false;
    }
    address.host = host;
    address.port = static_cast<uint16_t>(number);
    return true;
}

std::string formatSocketAddress(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (address.ss_family == AF_INET) {
        sockaddr_in in{};
        std::memcpy(&in, &address, sizeof in);
        inet_ntop(AF_INET, &in.sin_addr, text, sizeof text);
        return std::string(text) + ":" + std::to_string(ntohs(in.sin_port));
    }
    if (address.ss_family == AF_INET6) {
        sockaddr_in6 in6{};
        std::memcpy(&in6, &address, sizeof in6);
        const unsigned port = ntohs(in6.sin6_port);
        if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
            inet_ntop(AF_INET, &in6.sin6_addr.s6_addr[12], text, sizeof text);
            return std::string(text) + ":" + std::to_string(port);
        }
        inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        return "[" + std::string(text) + "]:" + std::to_string(port);
    }
    return "(unknown address family " + std::to_string(address.ss_family) + ")";
}

}  // namespace corvane_modbus
