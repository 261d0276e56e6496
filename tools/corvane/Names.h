// The names the command line uses for the library's enumerations: time bases, timer,
// counter and watchdog options, input events and port logic.
#ifndef CORVANE_TOOL_NAMES_H
#define CORVANE_TOOL_NAMES_H

#include <corvane/VelmorTypes.h>

#include <cstdint>
#include <string>
#include <vector>

namespace corvane_tool {

// us, ms, s, custom (index = TIMEBASE_UNITS value).
const std::vector<std::string>& timebaseNames();
TIMEBASE_UNITS parseTimebase(const std::string& text);

// Option names combined with commas (up, single-cycle, external-trigger, gate, rising,
// falling, both) as VELMOR_TCW_OPTIONS bits.
uint32_t parseOptions(const std::string& text);
// The names of the single bits set in `options` (both edges appear as falling and
// rising); bits without a name appear as their 0x value.
std::vector<std::string> optionNames(uint32_t options);
// "up,gate", or "none" for 0.
std::string optionText(uint32_t options);

// rising, falling, any-edge, high, low.
DIGITAL_EVENT_TYPE parseEvent(const std::string& text);
// or, and.
DIGITAL_EVENT_LOGIC parseLogic(const std::string& text);

// Joins texts with a separator.
std::string joined(const std::vector<std::string>& items, const std::string& separator);

}  // namespace corvane_tool

#endif
