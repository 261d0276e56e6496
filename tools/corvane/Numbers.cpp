#include "Numbers.h"

#include <limits>

#include "ToolErrors.h"

namespace corvane_tool {

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string rangeText(unsigned bits) {
    const uint64_t max = bits >= 64 ? std::numeric_limits<uint64_t>::max() : (uint64_t{1} << bits) - 1;
    return "0 to " + std::to_string(max);
}

int digitValue(char c, unsigned base) {
    int v = -1;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
    }
    return v;
}

// Digits of `base` from position `begin` to the end; false on junk. Sets `overflow` when
// the value does not fit in 64 bits (and stops accumulating).
bool readDigits(const std::string& text, size_t begin, unsigned base, uint64_t& value, bool& overflow) {
    if (begin >= text.size()) return false;
    value = 0;
    overflow = false;
    for (size_t i = begin; i < text.size(); ++i) {
        const int d = digitValue(text[i], base);
        if (d < 0) return false;
        if (value > (std::numeric_limits<uint64_t>::max() - static_cast<uint64_t>(d)) / base) overflow = true;
        if (!overflow) value = value * base + static_cast<uint64_t>(d);
    }
    return true;
}

}  // namespace

uint64_t parseNumber(const std::string& text, unsigned bits, const std::string& what) {
    if (!text.empty() && text[0] == '-') {
        throw UsageError(what + " " + quoted(text) + " is negative; expected " + rangeText(bits));
    }
    const bool hex = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    uint64_t value = 0;
    bool overflow = false;
    if (!readDigits(text, hex ? 2 : 0, hex ? 16 : 10, value, overflow)) {
        throw UsageError(what + " " + quoted(text) + " is not a number (decimal or 0x hexadecimal)");
    }
    const bool tooWide = overflow || (bits < 64 && (value >> bits) != 0);
    if (tooWide) {
        throw UsageError(what + " " + quoted(text) + " does not fit in " + std::to_string(bits) + " bits (" +
                         rangeText(bits) + ")");
    }
    return value;
}

bool parseState(const std::string& text, const std::string& what) {
    if (text == "0") return false;
    if (text == "1") return true;
    throw UsageError(what + " " + quoted(text) + " is not 0 or 1");
}

Assignment parseAssignment(const std::string& text, unsigned bits, const std::string& what) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || text.find('=', eq + 1) != std::string::npos) {
        throw UsageError(quoted(text) + " is not " + what + "=0|1");
    }
    Assignment a;
    a.target = parseNumber(text.substr(0, eq), bits, what);
    a.state = parseState(text.substr(eq + 1), "state of " + what + " " + text.substr(0, eq));
    return a;
}

uint64_t parseDurationMs(const std::string& text, const std::string& what) {
    size_t end = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    const std::string unit = text.substr(end);
    uint64_t scale = 0;
    if (unit.empty() || unit == "s") {
        scale = 1000;
    } else if (unit == "ms") {
        scale = 1;
    } else if (unit == "m") {
        scale = 60 * 1000;
    } else if (unit == "h") {
        scale = 60 * 60 * 1000;
    }
    uint64_t value = 0;
    bool overflow = false;
    if (end == 0 || scale == 0 || !readDigits(text.substr(0, end), 0, 10, value, overflow)) {
        throw UsageError(what + " " + quoted(text) + " is not a duration (a whole number with ms, s, m or h)");
    }
    const uint64_t limit = std::numeric_limits<uint32_t>::max();
    if (overflow || value > limit / scale) {
        throw UsageError(what + " " + quoted(text) + " is too long (at most " + std::to_string(limit) + "ms)");
    }
    if (value == 0) throw UsageError(what + " " + quoted(text) + " must be longer than 0");
    return value * scale;
}

}  // namespace corvane_tool
