#include "CommandLine.h"

#include <corvane/CorvaneException.h>

#include <exception>

#include "CommandTable.h"
#include "Commands.h"
#include "Names.h"
#include "Text.h"
#include "ToolErrors.h"

namespace corvane_tool {

namespace {

// The deepest command the parse selected.
const CLI::App* chosenCommand(const CLI::App& root) {
    const CLI::App* command = &root;
    while (true) {
        const std::vector<CLI::App*> selected = command->get_subcommands();
        if (selected.empty()) return command;
        command = selected.front();
    }
}

bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// The arguments after `command`'s own name on the command line, without the options
// that may stand among them (the global --json and help).
std::vector<std::string> wordsAfter(const CLI::App* command, const std::vector<std::string>& args) {
    std::vector<std::string> names;
    for (const CLI::App* app = command; app->get_parent() != nullptr; app = app->get_parent()) {
        names.insert(names.begin(), app->get_name());
    }
    std::vector<std::string> words;
    size_t matched = 0;
    for (const std::string& arg : args) {
        if (isOption(arg)) continue;
        if (matched < names.size()) {
            if (arg == names[matched]) ++matched;
            continue;
        }
        words.push_back(arg);
    }
    return words;
}

std::vector<std::string> subcommandNames(const CLI::App* command) {
    std::vector<std::string> names;
    for (const CLI::App* sub : command->get_subcommands([](const CLI::App*) { return true; })) {
        names.push_back(sub->get_name());
    }
    return names;
}

bool contains(const std::vector<std::string>& items, const std::string& item) {
    for (const std::string& i : items) {
        if (i == item) return true;
    }
    return false;
}

// CLI11 reports a missing or unknown command (or action) as "A subcommand is required";
// say which word is missing or not known.
std::string explainMissingCommand(const CLI::App* command, const std::vector<std::string>& args) {
    const std::vector<std::string> names = subcommandNames(command);
    const std::string kind = command->get_parent() == nullptr ? "command" : "action";
    std::vector<std::string> words = wordsAfter(command, args);
    if (command->get_parent() != nullptr) {
        // The board comes before the action.
        if (words.empty() || contains(names, words.front())) return "BOARD is required";
        words.erase(words.begin());
    } else {
        for (const std::string& arg : args) {
            if (isOption(arg) && arg != "--json") return "unknown option \"" + arg + "\"";
        }
    }
    if (words.empty()) return std::string(kind == "action" ? "an " : "a ") + kind + " is required (" + joined(names, ", ") + ")";
    return "unknown " + kind + " \"" + words.front() + "\" (expected " + joined(names, ", ") + ")";
}

int usageFailure(const CommandTable& table, const CLI::App* command, const std::string& message,
                 std::ostream& err) {
    const std::string path = table.pathOf(command);
    std::string helpPath = path;
    // An action's help is reached with a board word before the action.
    if (command->get_parent() != nullptr && command->get_parent()->get_parent() != nullptr) {
        helpPath = table.pathOf(command->get_parent()) + " BOARD " + command->get_name();
    }
    err << path << ": " << message << "\n"
        << "Run '" << helpPath << " --help' for more information.\n";
    err.flush();
    return kExitUsage;
}

}  // namespace

void addAllCommands(CommandTable& table) {
    addListCommands(table);
    addInfoCommands(table);
    addDigitalCommands(table);
    addPortCommands(table);
    addUnitCommands(table);
    addMonitorCommands(table);
}

int runCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<const char*> argv{"corvane"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    return runCommandLine(static_cast<int>(args.size() + 1), argv.data(), out, err);
}

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CommandTable table;
    addAllCommands(table);
    CLI::App& root = table.root();
    const std::vector<std::string> args(argv + 1, argv + argc);

    try {
        root.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << root.help();
        out.flush();
        return kExitSuccess;
    } catch (const CLI::CallForAllHelp&) {
        out << root.help("", CLI::AppFormatMode::All);
        out.flush();
        return kExitSuccess;
    } catch (const CLI::ParseError& failure) {
        const CLI::App* command = chosenCommand(root);
        std::string message = failure.what();
        const bool missingCommand = message == "A subcommand is required";
        if (missingCommand) message = explainMissingCommand(command, args);
        // An unknown option is the first mistake even when it made a required argument
        // look missing ("get --frob"): name it.
        if (!missingCommand && dynamic_cast<const CLI::RequiredError*>(&failure) != nullptr) {
            for (const std::string& extra : root.remaining(true)) {
                if (extra.size() > 1 && extra[0] == '-') {
                    message = "The following argument was not expected: " + extra;
                    break;
                }
            }
        }
        return usageFailure(table, command, message, err);
    }

    const CLI::App* command = chosenCommand(root);
    const Action* action = table.actionOf(command);
    if (action == nullptr) {
        return usageFailure(table, command, explainMissingCommand(command, args), err);
    }
    Context context{out, err, table.json()};
    try {
        (*action)(context);
        out.flush();
        return kExitSuccess;
    } catch (const UsageError& failure) {
        out.flush();
        return usageFailure(table, command, failure.what(), err);
    } catch (const UnknownBoardError& failure) {
        out.flush();
        err << "corvane: " << failure.what() << "\n";
        // Identifiers come from the drivers: shown with control bytes escaped.
        std::vector<std::string> known;
        for (const std::string& id : failure.known()) known.push_back(printable(id));
        err << "corvane: no board \"" << printable(failure.id()) << "\"; "
            << (known.empty() ? "no boards were found" : "boards: " + joined(known, ", ")) << "\n";
    } catch (const CommandFailure& failure) {
        out.flush();
        err << "corvane: " << failure.what() << "\n";
    } catch (const CorvaneException& failure) {
        out.flush();
        err << "corvane: " << failure.what() << "\n";
    } catch (const std::exception& failure) {
        out.flush();
        err << "corvane: internal error: " << failure.what() << "\n";
    }
    err.flush();
    return kExitFailure;
}

}  // namespace corvane_tool
