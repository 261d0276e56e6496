// Strict parsing of the numbers and durations given on the command line: decimal or
// 0x hexadecimal, no sign, no blanks, nothing after the number, nothing beyond the
// caller's limit (never silently truncated).
#ifndef CORVANE_MODBUS_NUMBER_TEXT_H
#define CORVANE_MODBUS_NUMBER_TEXT_H

#include <chrono>
#include <cstdint>
#include <string>

namespace corvane_modbus {

// "42", "0x2a": true and the value when the text is such a number not above max.
bool parseUnsigned(const std::string& text, uint64_t max, uint64_t& value);

// "60", "1.5", "1.5s", "250ms", "2m", "1h" (seconds without a unit, as the corvane
// tool reads durations): a duration of whole milliseconds (a fraction of a millisecond
// is refused), not above max.
bool parseDuration(const std::string& text, std::chrono::milliseconds max,
                   std::chrono::milliseconds& value);

}  // namespace corvane_modbus

#endif
