#include "ErrorCodeTables.h"

#include <cstdint>
#include <cstdio>

#include <corvane/CorvaneException.h>

namespace docgen {

namespace {

// Every value of the field that has a name (the library prints a fallback word for the
// others), with the value in decimal and hexadecimal.
std::string table(const char* (*name)(uint32_t), uint32_t last, const char* fallback) {
    std::string text = "| Value | Hex | Name |\n|---|---|---|\n";
    for (uint32_t value = 0; value <= last; ++value) {
        const std::string named = name(value);
        if (named == fallback) {
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(value));
        text += "| " + std::to_string(value) + " | " + hex + " | `" + named + "` |\n";
    }
    return text;
}

}  // namespace

std::string errorFieldTable(const std::string& field) {
    using namespace velmor::corvane;
    if (field == "sources") {
        return table(sourceName, 1, "");
    }
    if (field == "domains") {
        return table(domainName, 0x7F, "UNKNOWN_DOMAIN");
    }
    if (field == "functions") {
        return table(functionName, 0xFF, "UNKNOWN_FUNCTION");
    }
    if (field == "reasons") {
        return table(reasonName, 0xFF, "UNKNOWN_REASON");
    }
    return "";
}

}  // namespace docgen
