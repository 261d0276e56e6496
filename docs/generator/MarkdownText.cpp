#include "MarkdownText.h"

#include <cstdio>

namespace docgen {

std::string hex32(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string channelRanges(uint32_t mask) {
    std::string text;
    unsigned channel = 0;
    while (channel < 32) {
        if ((mask & (1u << channel)) == 0) {
            ++channel;
            continue;
        }
        unsigned last = channel;
        while (last + 1 < 32 && (mask & (1u << (last + 1))) != 0) {
            ++last;
        }
        if (!text.empty()) {
            text += ", ";
        }
        text += std::to_string(channel);
        if (last != channel) {
            text += "–" + std::to_string(last);
        }
        channel = last + 1;
    }
    return text.empty() ? "none" : text;
}

std::string countWithIds(unsigned count) {
    if (count == 0) {
        return "none";
    }
    if (count == 1) {
        return "1 (0)";
    }
    return std::to_string(count) + " (0–" + std::to_string(count - 1) + ")";
}

std::string optionNames(uint32_t options) {
    static const struct {
        uint32_t bit;
        const char* name;
    } kOptions[] = {{1, "COUNT_DIRECTION_UP"},        {2, "SINGLE_CYCLE"},
                    {4, "EXTERNAL_TRIGGER"},          {8, "HARDWARE_GATE"},
                    {16, "COUNTER_FALLING_EDGE_COUNT"}, {32, "COUNTER_RISING_EDGE_COUNT"}};
    if (options == 0) {
        return "none";
    }
    std::string text;
    uint32_t named = 0;
    for (const auto& option : kOptions) {
        if ((options & option.bit) != 0) {
            text += (text.empty() ? "`" : ", `") + std::string(option.name) + "`";
            named |= option.bit;
        }
    }
    if ((options & ~named) != 0) {
        text += (text.empty() ? "" : ", ") + std::string("other bits");
    }
    char value[16];
    std::snprintf(value, sizeof value, "0x%02X", static_cast<unsigned>(options));
    return text + " (" + value + ")";
}

std::string cell(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '|') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

}  // namespace docgen
