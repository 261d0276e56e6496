#include "NumberText.h"

#include <cctype>

namespace corvane_modbus {

namespace {

bool digitValue(char c, unsigned base, unsigned& digit) {
    if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
        digit = static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    } else {
        return false;
    }
    return digit < base;
}

// Digits of one base, accumulated without overflow past max.
bool accumulate(const std::string& digits, unsigned base, uint64_t max, uint64_t& value) {
    if (digits.empty()) return false;
    uint64_t result = 0;
    for (char c : digits) {
        unsigned digit = 0;
        if (!digitValue(c, base, digit)) return false;
        if (result > (max - digit) / base) return false;
        result = result * base + digit;
    }
    value = result;
    return true;
}

}  // namespace

bool parseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return accumulate(text.substr(2), 16, max, value);
    }
    return accumulate(text, 10, max, value);
}

bool parseDuration(const std::string& text, std::chrono::milliseconds max,
                   std::chrono::milliseconds& value) {
    std::string number = text;
    uint64_t scale = 1000;  // milliseconds per unit; seconds without a unit
    if (number.size() > 2 && number.compare(number.size() - 2, 2, "ms") == 0) {
        number.resize(number.size() - 2);
        scale = 1;
    } else if (number.size() > 1 && (number.back() == 's' || number.back() == 'm' || number.back() == 'h')) {
        scale = number.back() == 's' ? 1000 : number.back() == 'm' ? 60000 : 3600000;
        number.pop_back();
    }
    const auto point = number.find('.');
    const std::string whole = number.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : number.substr(point + 1);
    if (point != std::string::npos && fraction.empty()) return false;
    const uint64_t limit = static_cast<uint64_t>(max.count());
    uint64_t units = 0;
    if (!accumulate(whole, 10, limit / scale, units)) return false;
    uint64_t total = units * scale;
    // The fraction counts in thousandths of a second (or of a millisecond, refused).
    uint64_t part = 0;
    uint64_t weight = scale;
    for (char c : fraction) {
        if (c < '0' || c > '9') return false;
        if (weight % 10 != 0) {
            if (c != '0') return false;  // finer than a millisecond
            continue;
        }
        weight /= 10;
        part += static_cast<uint64_t>(c - '0') * weight;
    }
    if (total > limit - part) return false;
    value = std::chrono::milliseconds(static_cast<int64_t>(total + part));
    return true;
}

}  // namespace corvane_modbus
