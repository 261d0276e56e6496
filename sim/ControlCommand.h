// The control commands of the simulator server, as one line of words: the parser is a
// pure function (no socket, no simulator), shared by the server, the ctl client and the
// script parser.
//
//   boards | state BOARD | set-inputs BOARD HEX | set-input BOARD CHANNEL 0|1
//   set-port BOARD PORT HEX | interrupt BOARD SOURCE MASK [ARG...]
//   fail BOARD|* COMMAND|* ERRNO [TIMES|always] | clear-failures | advance DURATION
//   clock [real|virtual] | trace [--follow] | stop
//   check COMMAND...      (validates COMMAND against the boards, changes nothing)
#ifndef CORVANE_SIM_CONTROL_COMMAND_H
#define CORVANE_SIM_CONTROL_COMMAND_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane_sim {

// One word of a line and its 1-based column.
struct Word {
    std::string text;
    size_t column = 0;
};

// Splits a line at spaces and tabs.
std::vector<Word> splitWords(const std::string& line);

// Index of the first byte that is not printable ASCII (a tab is allowed), or npos.
size_t findNonText(const std::string& line);

enum class ControlVerb {
    Boards,
    State,
    SetInputs,
    SetInput,
    SetPort,
    Interrupt,
    Fail,
    ClearFailures,
    Advance,
    Clock,
    Trace,
    Stop,
};

constexpr size_t kMaxInterruptArgs = 32;
constexpr unsigned kMaxChannel = 127;  // 16 ports of 8 channels
constexpr unsigned kMaxPort = 15;
constexpr int kMaxErrno = 4095;

struct ControlCommand {
    ControlVerb verb = ControlVerb::Boards;
    std::vector<Word> words;  // every word of the line
    size_t first = 0;         // index of the command word in words
    bool checkOnly = false;   // "check COMMAND...": validate only
    std::string board;        // BOARD; empty for "*" (fail on every board)
    unsigned channel = 0;     // set-input
    unsigned port = 0;        // set-port
    uint32_t value = 0;       // set-inputs word, set-port byte, set-input state
    uint32_t source = 0;      // interrupt
    uint32_t mask = 0;        // interrupt
    std::vector<uint32_t> args;
    uint32_t command = 0;     // fail: command number, 0 for every command
    int error = 0;            // fail: errno value
    int times = 1;            // fail: -1 for every call
    uint64_t durationNs = 0;  // advance
    int clock = -1;           // clock: -1 asks, 0 real, 1 virtual
    bool follow = false;      // trace --follow

    const std::string& name() const { return words[first].text; }
};

struct ParseError {
    std::string command;  // the command word; empty when the line has none
    size_t word = 0;      // 1-based word of the line the error is about
    size_t column = 0;    // 1-based column of that word
    std::string reason;
    // "set-input: word 3 (column 23): channel must be ...".
    std::string text() const;
};

// Parses words[first...] as one command. All or nothing: out is only meaningful when it
// returns true; otherwise error says where and why.
bool parseControlWords(const std::vector<Word>& words, size_t first, ControlCommand& out, ParseError& error);
// Parses a whole line (empty lines and lines holding bytes that are not text are errors).
bool parseControlLine(const std::string& line, ControlCommand& out, ParseError& error);

// Argument index of errorAt that means the command word itself.
constexpr size_t kCommandWord = static_cast<size_t>(-1);

// An error about argument arg of cmd (0 is the first word after the command, kCommandWord
// the command word).
ParseError errorAt(const ControlCommand& cmd, size_t arg, const std::string& reason);

// Names of every command, separated by ", ".
std::string controlCommandNames();

}  // namespace corvane_sim

#endif
