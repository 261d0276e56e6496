#include "FrameAssembler.h"

#include <cstdio>

namespace corvane_modbus {

void FrameAssembler::append(const uint8_t* data, size_t length) {
    if (start > 0 && start == buffer.size()) {
        buffer.clear();
        start = 0;
    }
    buffer.insert(buffer.end(), data, data + length);
}

FrameStatus FrameAssembler::next(std::vector<uint8_t>& frame, std::string& reason) {
    if (!malformed.empty()) {
        reason = malformed;
        return FrameStatus::Malformed;
    }
    const size_t available = buffer.size() - start;
    if (available < kHeaderLength) return FrameStatus::Incomplete;
    const uint8_t* header = buffer.data() + start;
    const unsigned protocol = static_cast<unsigned>(header[2] << 8 | header[3]);
    const unsigned length = static_cast<unsigned>(header[4] << 8 | header[5]);
    char text[96];
    if (protocol != 0) {
        std::snprintf(text, sizeof text, "protocol identifier 0x%04x is not Modbus (0)", protocol);
        malformed = text;
    } else if (length < 2 || length > kMaxFrameLength - kHeaderLength + 1) {
        std::snprintf(text, sizeof text, "length field %u is outside 2 to %zu", length,
                      kMaxFrameLength - kHeaderLength + 1);
        malformed = text;
    }
    if (!malformed.empty()) {
        reason = malformed;
        return FrameStatus::Malformed;
    }
    const size_t total = kHeaderLength - 1 + length;
    if (available < total) return FrameStatus::Incomplete;
    frame.assign(buffer.begin() + static_cast<std::ptrdiff_t>(start),
                 buffer.begin() + static_cast<std::ptrdiff_t>(start + total));
    start += total;
    if (start == buffer.size()) {
        buffer.clear();
        start = 0;
    } else if (start > 4096) {
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(start));
        start = 0;
    }
    return FrameStatus::Complete;
}

}  // namespace corvane_modbus
