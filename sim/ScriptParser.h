// Scripts of timed control steps, one step a line:
//
//   # comment
//   at 250ms set-input keloe6100_0 3 1
//   every 1s set-port kelo4210_0 2 0xff
//   every 500ms from 1s until 3s interrupt keloe6100_0 0x1 0x8
//
// The command after the timing is a control command (ControlCommand.h); trace and check
// cannot run in a script. The parser is a pure function: no socket, no simulator.
#ifndef CORVANE_SIM_SCRIPT_PARSER_H
#define CORVANE_SIM_SCRIPT_PARSER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ControlCommand.h"

namespace corvane_sim {

constexpr size_t kMaxScriptBytes = 1024 * 1024;
constexpr size_t kMaxScriptSteps = 10000;
constexpr uint64_t kMinScriptPeriodNs = 1000000;  // every: at least 1ms

struct ScriptStep {
    size_t line = 0;        // 1-based line of the script
    uint64_t atNs = 0;      // first run, from the start of the script
    uint64_t periodNs = 0;  // 0: runs once; else every periodNs after atNs
    uint64_t untilNs = 0;   // periodic steps: last time a run may happen
    ControlCommand command;
    std::string text;  // the command as written, words joined by one space
};

struct ScriptError {
    size_t line = 0;
    ParseError error;
    // "FILE:LINE: at: word 2 (column 4): reason".
    std::string text(const std::string& file) const;
};

// Parses a whole script. Steps come back in file order. All or nothing.
bool parseScript(const std::string& script, std::vector<ScriptStep>& steps, ScriptError& error);

}  // namespace corvane_sim

#endif
