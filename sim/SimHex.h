// Bytes as lower-case hexadecimal text and back, for the records on the server socket.
#ifndef CORVANE_SIM_HEX_H
#define CORVANE_SIM_HEX_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane_sim {

inline std::string hexEncode(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text(size * 2, '0');
    for (size_t i = 0; i < size; ++i) {
        text[2 * i] = kDigits[bytes[i] >> 4];
        text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

inline int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes exactly size bytes from text (2*size digits) into out; false on any other input.
inline bool hexDecode(const char* text, size_t length, uint8_t* out, size_t size) {
    if (length != 2 * size) return false;
    for (size_t i = 0; i < size; ++i) {
        const int hi = hexDigitValue(text[2 * i]);
        const int lo = hexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

}  // namespace corvane_sim

#endif
