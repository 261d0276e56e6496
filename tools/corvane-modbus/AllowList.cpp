#include "AllowList.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>

#include "NumberText.h"

namespace corvane_modbus {

namespace {

std::array<uint8_t, 16> mappedIpv4(const in_addr& v4) {
    std::array<uint8_t, 16> bytes{};
    bytes[10] = 0xff;
    bytes[11] = 0xff;
    std::memcpy(&bytes[12], &v4, 4);
    return bytes;
}

bool prefixMatches(const std::array<uint8_t, 16>& a, const std::array<uint8_t, 16>& b, unsigned bits) {
    for (unsigned i = 0; i < 16 && bits > 0; ++i) {
        const unsigned take = bits >= 8 ? 8 : bits;
        const uint8_t mask = static_cast<uint8_t>(0xff00u >> take);
        if ((a[i] & mask) != (b[i] & mask)) return false;
        bits -= take;
    }
    return true;
}

}  // namespace

bool parseNetwork(const std::string& text, Network& network, std::string& error) {
    const auto slash = text.find('/');
    const std::string host = text.substr(0, slash);
    Network result;
    result.text = text;
    unsigned maxBits = 0;
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        result.address = mappedIpv4(v4);
        maxBits = 32;
    } else if (inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
        std::memcpy(result.address.data(), &v6, 16);
        maxBits = 128;
    } else {
        error = "\"" + host + "\" is not an IPv4 or IPv6 address";
        return false;
    }
    uint64_t bits = maxBits;
    if (slash != std::string::npos && !parseUnsigned(text.substr(slash + 1), maxBits, bits)) {
        error = "prefix length \"" + text.substr(slash + 1) + "\" is not a number from 0 to " +
                std::to_string(maxBits);
        return false;
    }
    // IPv4 prefixes count from the start of the mapped address's last four bytes.
    result.prefixBits = static_cast<unsigned>(bits) + (maxBits == 32 ? 96 : 0);
    std::array<uint8_t, 16> masked = result.address;
    for (unsigned i = 0; i < 16; ++i) {
        const unsigned before = i * 8;
        if (before >= result.prefixBits) {
            masked[i] = 0;
        } else if (result.prefixBits - before < 8) {
            masked[i] &= static_cast<uint8_t>(0xff00u >> (result.prefixBits - before));
        }
    }
    if (masked != result.address) {
        error = "\"" + text + "\" has address bits set beyond its prefix length";
        return false;
    }
    network = result;
    return true;
}

bool AllowList::allows(const sockaddr_storage& address) const {
    if (networks.empty()) return true;
    std::array<uint8_t, 16> bytes{};
    if (address.ss_family == AF_INET) {
        sockaddr_in in{};
        std::memcpy(&in, &address, sizeof in);
        bytes = mappedIpv4(in.sin_addr);
    } else if (address.ss_family == AF_INET6) {
        sockaddr_in6 in6{};
        std::memcpy(&in6, &address, sizeof in6);
        std::memcpy(bytes.data(), &in6.sin6_addr, 16);
    } else {
        return false;
    }
    for (const Network& network : networks) {
        if (prefixMatches(bytes, network.address, network.prefixBits)) return true;
    }
    return false;
}

}  // namespace corvane_modbus
