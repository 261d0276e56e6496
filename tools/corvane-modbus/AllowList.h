// The networks whose clients may connect (--allow CIDR, repeatable). An empty list
// allows every client.
#ifndef CORVANE_MODBUS_ALLOW_LIST_H
#define CORVANE_MODBUS_ALLOW_LIST_H

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane_modbus {

// One network: IPv4 addresses are kept as IPv4-mapped IPv6 addresses, so that one
// comparison serves both families (and IPv4 clients of a dual-stack socket).
struct Network {
    std::array<uint8_t, 16> address{};
    unsigned prefixBits = 0;  // of the 128
    std::string text;         // as given
};

// "192.168.1.0/24", "10.1.2.3" (a single address), "::1/128", "fd00::/8". Bits of the
// address beyond the prefix must be zero ("192.168.1.7/24" is refused: it is almost
// always a typing error).
bool parseNetwork(const std::string& text, Network& network, std::string& error);

class AllowList {
public:
    void add(const Network& network) { networks.push_back(network); }
    bool empty() const { return networks.empty(); }
    // True when the list is empty or a network holds the address.
    bool allows(const sockaddr_storage& address) const;

private:
    std::vector<Network> networks;
};

}  // namespace corvane_modbus

#endif
