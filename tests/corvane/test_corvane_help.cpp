// corvane --help, every command's own help, the README's "Command-line tool" section and
// the manual page agree: the README shows the program's help verbatim, names every usage
// line and description of every command, and names no command line the program does not
// have; the manual page lists every command with its description.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "CommandTable.h"
#include "ToolTestSupport.h"

using corvane_tool::CommandTable;
using corvane_tool_test::runTool;
using corvane_tool_test::ToolRun;

namespace {

std::string readFile(const char* path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string readmeSection() {
    const std::string text = readFile(CORVANE_README);
    const size_t begin = text.find("\n## Command-line tool\n");
    if (begin == std::string::npos) return std::string();
    const size_t end = text.find("\n## ", begin + 1);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

// The command words a user types to reach `command`'s help: a board word stands before
// an action.
std::vector<std::string> helpArgs(const CLI::App* command) {
    std::vector<std::string> words;
    for (const CLI::App* app = command; app->get_parent() != nullptr; app = app->get_parent()) {
        words.insert(words.begin(), app->get_name());
    }
    if (words.size() == 2) words.insert(words.begin() + 1, "BOARD");  // an action of a family
    words.push_back("--help");
    return words;
}

class HelpAgreement : public ::testing::Test {
protected:
    void SetUp() override {
        corvane_tool::addAllCommands(table);
        section = readmeSection();
        ASSERT_FALSE(section.empty()) << "README.md has no \"## Command-line tool\" section";
    }
    CommandTable table;
    std::string section;
};

TEST_F(HelpAgreement, TheReadmeShowsTheProgramsHelpVerbatim) {
    const ToolRun r = runTool({"--help"});
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(section.find("```text\n" + r.out + "```\n"), std::string::npos)
        << "the README's help block differs from corvane --help:\n"
        << r.out;
}

TEST_F(HelpAgreement, EveryCommandsUsageAndDescriptionAreInItsHelpAndInTheReadme) {
    int commands = 0;
    for (const CLI::App* command : table.allCommands()) {
        if (command->get_parent() == nullptr) continue;
        ++commands;
        const std::vector<std::string> args = helpArgs(command);
        SCOPED_TRACE(::testing::PrintToString(args));
        const ToolRun help = runTool(args);
        EXPECT_EQ(help.status, 0) << help.err;
        EXPECT_EQ(help.out.rfind(command->get_description() + "\nUsage: ", 0), 0u) << help.out;
        EXPECT_NE(section.find(command->get_description()), std::string::npos)
            << "README lacks the description of " << table.pathOf(command);
        ASSERT_FALSE(table.usageOf(command).empty());
        for (const std::string& usage : table.usageOf(command)) {
            EXPECT_NE(help.out.find(usage + "\n"), std::string::npos) << help.out;
            EXPECT_NE(section.find("`" + usage + "`"), std::string::npos) << "README lacks `" << usage << "`";
        }
    }
    EXPECT_EQ(commands, 32);
}

TEST_F(HelpAgreement, EveryCommandLineTheReadmeNamesExists) {
    std::set<std::string> usages;
    for (const CLI::App* command : table.allCommands()) {
        for (const std::string& usage : table.usageOf(command)) usages.insert(usage);
    }
    int named = 0;
    for (size_t open = section.find('`'); open != std::string::npos; open = section.find('`', open + 1)) {
        if (section.compare(open, 3, "```") == 0) {  // skip fenced blocks
            open = section.find("```", open + 3) + 2;
            continue;
        }
        const size_t close = section.find('`', open + 1);
        ASSERT_NE(close, std::string::npos);
        const std::string span = section.substr(open + 1, close - open - 1);
        open = close;
        // Command lines, not shell pipelines.
        if (span.rfind("corvane ", 0) != 0 || span.find(" | ") != std::string::npos) continue;
        ++named;
        EXPECT_EQ(usages.count(span), 1u) << "README names `" << span << "`, which no command's usage has";
    }
    EXPECT_EQ(named, 29);
}

TEST_F(HelpAgreement, TheManualPageListsEveryCommandWithItsDescription) {
    const std::string page = readFile(CORVANE_MANUAL_PAGE);
    ASSERT_FALSE(page.empty());
    int listed = 0;
    for (const CLI::App* command : table.root().get_subcommands([](const CLI::App*) { return true; })) {
        ++listed;
        EXPECT_NE(page.find(".TP\n.B " + command->get_name() + "\n" + command->get_description() + "\n"),
                  std::string::npos)
            << "the manual page lacks " << command->get_name() << " with its description";
    }
    EXPECT_EQ(listed, 10);
}

}  // namespace
