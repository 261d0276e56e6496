// The commands of the tool as a tree of CLI11 subcommands, each with its usage lines and
// the action that runs it once the command line is parsed. Command families add their
// commands here; the dispatcher (CommandLine) parses, finds the chosen command and runs
// its action.
#ifndef CORVANE_TOOL_COMMAND_TABLE_H
#define CORVANE_TOOL_COMMAND_TABLE_H

#include <CLI/CLI.hpp>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace corvane_tool {

// Where a command writes and how.
struct Context {
    std::ostream& out;
    std::ostream& err;
    bool json = false;
};

using Action = std::function<void(Context&)>;

class CommandTable {
public:
    CommandTable();
    CommandTable(const CommandTable&) = delete;
    CommandTable& operator=(const CommandTable&) = delete;

    CLI::App& root() { return *root_; }
    bool json() const { return json_; }

    // A command under `parent` with its description, its usage lines (each a whole
    // command line such as "corvane get BOARD [CHANNEL...]") and its action (none for a
    // command that only groups others).
    CLI::App* add(CLI::App& parent, const std::string& name, const std::string& description,
                  const std::vector<std::string>& usage, Action action = Action());

    // Further explanation shown in the command's own help only.
    void details(CLI::App* command, const std::string& text);

    // The action of a command, or null.
    const Action* actionOf(const CLI::App* command) const;
    // The command words from the program name down to `command` ("corvane timer init").
    std::string pathOf(const CLI::App* command) const;
    // The usage lines of a command ("corvane timer BOARD init UNIT ...").
    const std::vector<std::string>& usageOf(const CLI::App* command) const;

    // Every command in definition order, depth first (the root first).
    std::vector<const CLI::App*> allCommands() const;

private:
    std::unique_ptr<CLI::App> root_;
    bool json_ = false;
    std::map<const CLI::App*, Action> actions_;
    std::shared_ptr<std::map<const CLI::App*, std::vector<std::string>>> usage_;
};

// A positional argument without CLI11's type label.
CLI::Option* positional(CLI::App& command, const std::string& name, std::string& value, const std::string& help);
CLI::Option* positional(CLI::App& command, const std::string& name, std::vector<std::string>& values,
                        const std::string& help);

}  // namespace corvane_tool

#endif
