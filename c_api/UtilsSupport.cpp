#include "UtilsSupport.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velmor {
namespace corvane {
namespace utils_support {

namespace {

std::string padded(const char* value) {
    char cell[32];
    std::snprintf(cell, sizeof cell, " %-9s|", value);
    return cell;
}

}  // namespace

bool parseWholeHex(const std::string& value, unsigned long& result) {
    const std::size_t first = value.find_first_not_of(" \t\n\v\f\r");
    if (first != std::string::npos && value[first] == '-') {
        return false;
    }
    const char* begin = value.c_str();
    char* end = nullptr;
    errno = 0;
    const unsigned long converted = std::strtoul(begin, &end, 16);
    if (end != begin + value.size() || errno == ERANGE) {
        return false;
    }
    result = converted;
    return true;
}

std::string field(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, '\0', size);
    return std::string(data, zero != nullptr ? static_cast<std::size_t>(
                                                   static_cast<const char*>(zero) - data)
                                             : size);
}

std::string productName(const VelmorDeviceStruct& device) {
    return field(device.general.product_name, sizeof device.general.product_name);
}

std::string portTable(uint16_t directions, const uint8_t* inputValues,
                      const uint8_t* outputValues, uint8_t portCount) {
    const unsigned int ports = portCount;
    const std::string rule(11 * ports + 1, '=');
    std::string table = "\n" + rule + "\n";
    char cell[64];
    if (ports == 0) {
        table += "  Digital Ports Configuration (none)\n";
    } else {
        std::snprintf(cell, sizeof cell, "  Digital Ports Configuration (0..%u)\n", ports - 1);
        table += cell;
    }
    table += rule + "\n";
    std::string names = "|";
    std::string dashes = "|";
    std::string modes = "|";
    std::string values = "|";
    for (unsigned int p = 0; p < ports; ++p) {
        std::snprintf(cell, sizeof cell, "Port #%u", p);
        names += padded(cell);
        dashes += "----------|";
        const bool output = p < 16 && ((static_cast<unsigned int>(directions) >> p) & 1U) != 0;
        modes += padded(output ? "OUTPUT" : "INPUT");
        const uint8_t* source = output ? outputValues : inputValues;
        std::snprintf(cell, sizeof cell, "0x%02X", source != nullptr ? source[p] : 0U);
        values += padded(cell);
    }
    table += names + "\n" + dashes + "\n" + modes + "\n" + values + "\n" + rule + "\n\n";
    return table;
}

void waitForInput(bool alreadyReady) {
    bool ready = alreadyReady;
#if defined(__GLIBC__)
    // A line already read ahead into the stream's buffer would never wake poll.
    ready = ready || stdin->_IO_read_ptr < stdin->_IO_read_end;
#endif
    if (!ready) {
        pollfd input = {STDIN_FILENO, POLLIN, 0};
        while (poll(&input, 1, -1) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace utils_support
}  // namespace corvane
}  // namespace velmor
