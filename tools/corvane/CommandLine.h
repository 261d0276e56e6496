// The corvane command line: parses the arguments, runs the chosen command and turns
// every outcome into an exit status (0 success, 1 library refusal or failure, 2 usage
// error). Writes only to the two streams it is given, so commands can run in-process.
#ifndef CORVANE_TOOL_COMMAND_LINE_H
#define CORVANE_TOOL_COMMAND_LINE_H

#include <ostream>
#include <string>
#include <vector>

namespace corvane_tool {

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// argv[0] is the program name; it is not used.
int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
// The same with the arguments after the program name.
int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

class CommandTable;
// Every command of the tool, registered in `table` (used by the help checks too).
void addAllCommands(CommandTable& table);

}  // namespace corvane_tool

#endif
