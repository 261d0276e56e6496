#include "CommandTable.h"

#include <sstream>

namespace corvane_tool {

namespace {

// CLI11's help layout with our own usage lines: a command's positionals before its
// subcommand (corvane timer BOARD init ...) are part of the command line the user
// types, which CLI11's generated usage line would leave out.
class UsageFormatter : public CLI::Formatter {
public:
    explicit UsageFormatter(std::shared_ptr<std::map<const CLI::App*, std::vector<std::string>>> usage)
        : usage_(std::move(usage)) {
        column_width(34);
    }

    std::string make_usage(const CLI::App* app, std::string name) const override {
        const auto found = usage_->find(app);
        if (found == usage_->end() || found->second.empty()) return CLI::Formatter::make_usage(app, name);
        std::ostringstream out;
        for (size_t i = 0; i < found->second.size(); ++i) {
            out << (i == 0 ? "Usage: " : "       ") << found->second[i] << "\n";
        }
        return out.str();
    }

private:
    std::shared_ptr<std::map<const CLI::App*, std::vector<std::string>>> usage_;
};

const char* const kCommonFooter =
    "Numbers are decimal or 0x hexadecimal. --json, before or after the command, gives\n"
    "machine-readable output. Exit status: 0 success, 1 the library refused or failed (its\n"
    "text and code on standard error), 2 usage error.";

void collect(const CLI::App* app, std::vector<const CLI::App*>& all) {
    all.push_back(app);
    for (const CLI::App* sub : app->get_subcommands([](const CLI::App*) { return true; })) collect(sub, all);
}

}  // namespace

CommandTable::CommandTable()
    : root_(std::make_unique<CLI::App>("Looks at and drives the Corvane digital I/O boards through libCorvane.",
                                       "corvane")),
      usage_(std::make_shared<std::map<const CLI::App*, std::vector<std::string>>>()) {
    // Set before any subcommand is added: subcommands copy the formatter and the
    // fall-through setting (so that --json is accepted after the command too).
    root_->formatter(std::make_shared<UsageFormatter>(usage_));
    root_->fallthrough();
    root_->require_subcommand(1);
    root_->add_flag("--json", json_, "Machine-readable output: one JSON document (JSON Lines for monitor)");
    (*usage_)[root_.get()] = {"corvane [--json] COMMAND [ARGUMENTS...]", "corvane COMMAND --help"};
    root_->footer(kCommonFooter);
}

CLI::App* CommandTable::add(CLI::App& parent, const std::string& name, const std::string& description,
                            const std::vector<std::string>& usage, Action action) {
    CLI::App* command = parent.add_subcommand(name, description);
    command->fallthrough();
    command->group(&parent == root_.get() ? "Commands" : "Actions");
    (*usage_)[command] = usage;
    if (action) actions_[command] = std::move(action);
    return command;
}

void CommandTable::details(CLI::App* command, const std::string& text) {
    command->footer(text + "\n\n" + kCommonFooter);
}

const Action* CommandTable::actionOf(const CLI::App* command) const {
    const auto found = actions_.find(command);
    return found == actions_.end() ? nullptr : &found->second;
}

std::string CommandTable::pathOf(const CLI::App* command) const {
    std::string path;
    for (const CLI::App* app = command; app != nullptr; app = app->get_parent()) {
        path = path.empty() ? app->get_name() : app->get_name() + " " + path;
    }
    return path;
}

const std::vector<std::string>& CommandTable::usageOf(const CLI::App* command) const {
    static const std::vector<std::string> none;
    const auto found = usage_->find(command);
    return found == usage_->end() ? none : found->second;
}

std::vector<const CLI::App*> CommandTable::allCommands() const {
    std::vector<const CLI::App*> all;
    collect(root_.get(), all);
    return all;
}

CLI::Option* positional(CLI::App& command, const std::string& name, std::string& value, const std::string& help) {
    return command.add_option(name, value, help)->type_name("");
}

CLI::Option* positional(CLI::App& command, const std::string& name, std::vector<std::string>& values,
                        const std::string& help) {
    return command.add_option(name, values, help)->type_name("");
}

}  // namespace corvane_tool
