#include "Names.h"

#include <utility>

#include "Text.h"
#include "ToolErrors.h"

namespace corvane_tool {

namespace {

struct OptionName {
    const char* name;
    uint32_t bits;
};

// Accepted names; "both" is accepted but never printed (its two bits print by name).
const OptionName kOptions[] = {
    {"up", COUNT_DIRECTION_UP},
    {"single-cycle", SINGLE_CYCLE},
    {"external-trigger", EXTERNAL_TRIGGER},
    {"gate", HARDWARE_GATE},
    {"falling", COUNTER_FALLING_EDGE_COUNT},
    {"rising", COUNTER_RISING_EDGE_COUNT},
    {"both", COUNTER_BOTH_EDGE_COUNT},
};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t begin = 0;
    while (true) {
        const size_t end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    return parts;
}


}  // namespace

std::string joined(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += separator;
        text += items[i];
    }
    return text;
}

const std::vector<std::string>& timebaseNames() {
    static const std::vector<std::string> names{"us", "ms", "s", "custom"};
    return names;
}

TIMEBASE_UNITS parseTimebase(const std::string& text) {
    const std::vector<std::string>& names = timebaseNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == text) return static_cast<TIMEBASE_UNITS>(i);
    }
    throw UsageError("time base \"" + text + "\" is not one of " + joined(names, ", "));
}

uint32_t parseOptions(const std::string& text) {
    uint32_t options = 0;
    for (const std::string& part : split(text, ',')) {
        bool found = false;
        for (const OptionName& option : kOptions) {
            if (part == option.name) {
                options |= option.bits;
                found = true;
            }
        }
        if (!found) {
            throw UsageError("option \"" + part +
                             "\" is not one of up, single-cycle, external-trigger, gate, rising, falling, both");
        }
    }
    return options;
}

std::vector<std::string> optionNames(uint32_t options) {
    std::vector<std::string> names;
    for (const OptionName& option : kOptions) {
        if (option.bits != COUNTER_BOTH_EDGE_COUNT && (options & option.bits) != 0) {
            names.emplace_back(option.name);
            options &= ~option.bits;
        }
    }
    for (unsigned bit = 0; bit < 32; ++bit) {
        if ((options >> bit) & 1u) names.push_back(hexText(uint64_t{1} << bit, 0));
    }
    return names;
}

std::string optionText(uint32_t options) {
    const std::vector<std::string> names = optionNames(options);
    return names.empty() ? "none" : joined(names, ",");
}

DIGITAL_EVENT_TYPE parseEvent(const std::string& text) {
    static const std::pair<const char*, DIGITAL_EVENT_TYPE> kEvents[] = {
        {"rising", RISING_EDGE}, {"falling", FALLING_EDGE}, {"any-edge", ANY_EDGE}, {"high", ON_ONE}, {"low", ON_ZERO}};
    for (const auto& event : kEvents) {
        if (text == event.first) return event.second;
    }
    throw UsageError("event \"" + text + "\" is not one of rising, falling, any-edge, high, low");
}

DIGITAL_EVENT_LOGIC parseLogic(const std::string& text) {
    if (text == "or") return OR;
    if (text == "and") return AND;
    throw UsageError("logic \"" + text + "\" is not one of or, and");
}

}  // namespace corvane_tool
