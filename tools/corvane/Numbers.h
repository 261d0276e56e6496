// Numbers on the command line: decimal or 0x hexadecimal, never negative, never wider
// than the argument they feed. Anything else is a usage error, so that no value is ever
// truncated on its way to a board.
#ifndef CORVANE_TOOL_NUMBERS_H
#define CORVANE_TOOL_NUMBERS_H

#include <cstdint>
#include <string>

namespace corvane_tool {

// The value of text as an unsigned number of at most `bits` bits (1 to 64). `what`
// names the argument in the message of the UsageError raised otherwise.
uint64_t parseNumber(const std::string& text, unsigned bits, const std::string& what);

// A 0|1 state ("0" or "1" only).
bool parseState(const std::string& text, const std::string& what);

// "LEFT=STATE" split at its only '='; LEFT is parsed with `bits` bits.
struct Assignment {
    uint64_t target = 0;
    bool state = false;
};
Assignment parseAssignment(const std::string& text, unsigned bits, const std::string& what);

// A positive duration in milliseconds: digits with an optional unit ms, s, m or h
// (seconds when none), at most 2^32 - 1 milliseconds (about 49 days).
uint64_t parseDurationMs(const std::string& text, const std::string& what);

}  // namespace corvane_tool

#endif
