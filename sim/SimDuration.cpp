// Parsing and printing of durations.
#include "SimDuration.h"

namespace corvane_sim {
namespace {

struct Unit {
    const char* name;
    uint64_t ns;
};

// From the finest unit to the coarsest; formatDuration walks them backwards.
const Unit kUnits[] = {{"ns", 1}, {"us", 1000}, {"ms", 1000000}, {"s", 1000000000}};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool parseDuration(const std::string& text, uint64_t& ns, std::string& reason) {
    const std::string form = "\"" + text + "\" is not a duration (a number and a unit: ns, us, ms or s, as in 250ms)";
    size_t i = 0;
    std::string whole;
    std::string fraction;
    while (i < text.size() && isDigit(text[i])) whole += text[i++];
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) fraction += text[i++];
        if (fraction.empty()) {
            reason = form;
            return false;
        }
    }
    if (whole.empty()) {
        reason = form;
        return false;
    }
    const std::string unitName = text.substr(i);
    const Unit* unit = nullptr;
    for (const auto& u : kUnits) {
        if (unitName == u.name) unit = &u;
    }
    if (unit == nullptr) {
        reason = form;
        return false;
    }
    const std::string tooLong =
        "duration \"" + text + "\" is longer than the longest one accepted (" + formatDuration(kMaxDurationNs) + ")";
    // whole * unit, checked against the limit at each step.
    uint64_t value = 0;
    for (char c : whole) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (kMaxDurationNs - digit) / 10) {
            reason = tooLong;
            return false;
        }
        value = value * 10 + digit;
    }
    if (value != 0 && value > kMaxDurationNs / unit->ns) {
        reason = tooLong;
        return false;
    }
    value *= unit->ns;
    // The fraction: each digit is worth unit/10^k nanoseconds, which must stay whole.
    uint64_t scale = unit->ns;
    for (char c : fraction) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (scale % 10 != 0) {
            if (digit != 0) {
                reason = "duration \"" + text + "\" is finer than a nanosecond";
                return false;
            }
            continue;
        }
        scale /= 10;
        if (value > kMaxDurationNs - digit * scale) {
            reason = tooLong;
            return false;
        }
        value += digit * scale;
    }
    ns = value;
    return true;
}

std::string formatDuration(uint64_t ns) {
    if (ns == 0) return "0s";
    for (int i = 3; i >= 0; --i) {
        if (ns % kUnits[i].ns == 0) return std::to_string(ns / kUnits[i].ns) + kUnits[i].name;
    }
    return std::to_string(ns) + "ns";
}

}  // namespace corvane_sim
