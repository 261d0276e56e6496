// The two failures of the command line itself, beside the library's CorvaneException:
// a usage error (exit status 2) and an unknown board identifier (exit status 1).
#ifndef CORVANE_TOOL_ERRORS_H
#define CORVANE_TOOL_ERRORS_H

#include <stdexcept>
#include <string>
#include <vector>

namespace corvane_tool {

// A malformed, missing or out-of-range argument. The message is one line without the
// program name; the dispatcher adds the command and the pointer to --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command that cannot go on for a reason of its own (not a library refusal), for
// example interrupt delivery that stopped; exit status 1 with the message.
class CommandFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The registry has no board with this identifier. Carries the library's own readable
// text of the failed look-up and the identifiers that do exist.
class UnknownBoardError : public std::runtime_error {
public:
    UnknownBoardError(const std::string& id, const std::string& libraryText, std::vector<std::string> known)
        : std::runtime_error(libraryText), id_(id), known_(std::move(known)) {}
    const std::string& id() const { return id_; }
    const std::vector<std::string>& known() const { return known_; }

private:
    std::string id_;
    std::vector<std::string> known_;
};

}  // namespace corvane_tool

#endif
