// Texts and numbers as the tool prints them. Texts of the device structure come from the
// driver: they are read only within their fields, wide texts become UTF-8, and the text
// output shows control bytes as \xNN so that no driver text can steer a terminal.
#ifndef CORVANE_TOOL_TEXT_H
#define CORVANE_TOOL_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane_tool {

// The text of a char field of `size` bytes, up to its first zero byte or its end.
std::string fieldText(const char* field, size_t size);
template <size_t N>
std::string fieldText(const char (&field)[N]) {
    return fieldText(field, N);
}

// The text of a wide field of `count` characters, as UTF-8, up to its first zero. Values
// that are not Unicode scalar values become U+FFFD.
std::string wideFieldText(const wchar_t* field, size_t count);
template <size_t N>
std::string wideFieldText(const wchar_t (&field)[N]) {
    return wideFieldText(field, N);
}

// The text with bytes below 0x20 and 0x7f written as \xNN (and a backslash as \\).
std::string printable(const std::string& text);

// 0x followed by exactly `digits` lower-case hexadecimal digits (more when the value
// needs them).
std::string hexText(uint64_t value, unsigned digits);

}  // namespace corvane_tool

#endif
