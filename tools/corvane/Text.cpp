#include "Text.h"

#include <cstring>

namespace corvane_tool {

namespace {

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string fieldText(const char* field, size_t size) {
    const void* zero = std::memchr(field, 0, size);
    const size_t length = zero == nullptr ? size : static_cast<size_t>(static_cast<const char*>(zero) - field);
    return std::string(field, length);
}

std::string wideFieldText(const wchar_t* field, size_t count) {
    std::string text;
    for (size_t i = 0; i < count && field[i] != 0; ++i) {
        appendUtf8(text, static_cast<uint32_t>(field[i]));
    }
    return text;
}

std::string printable(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

std::string hexText(uint64_t value, unsigned digits) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    const size_t minimum = digits == 0 ? 1 : digits;
    while (value != 0 || text.size() < minimum) {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    }
    return "0x" + text;
}

}  // namespace corvane_tool
