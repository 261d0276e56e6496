// The command-line parser in process: the accepted forms, repeats, re-parsing, queries
// and the help text. Paths that end the process are covered by the argparser child
// process tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "ArgParser.h"
#include "CorvaneArgParser.h"
#include "VelmorArgParserFunctions.h"

namespace {

using velmor::foundation::ArgParser;

// An argv that getopt_long may reorder, owning its strings.
class CommandLine {
public:
    CommandLine(std::initializer_list<const char*> args) : texts(args.begin(), args.end()) {
        texts.insert(texts.begin(), "program");
        for (auto& text : texts) {
            pointers.push_back(&text[0]);
        }
        pointers.push_back(nullptr);
    }
    int argc() const { return static_cast<int>(texts.size()); }
    char** argv() { return pointers.data(); }

private:
    std::vector<std::string> texts;
    std::vector<char*> pointers;
};

class ArgParserTest : public ::testing::Test {
protected:
    void SetUp() override { parser().clear(); }
    void TearDown() override { parser().clear(); }

    static ArgParser& parser() { return ArgParser::instance(); }

    static void parse(std::initializer_list<const char*> args) {
        CommandLine line(args);
        parser().parse(line.argc(), line.argv());
    }
};

TEST_F(ArgParserTest, OneInstancePerProcessSharedByFacadeAndCFunctions) {
    EXPECT_EQ(&ArgParser::instance(), &ArgParser::instance());
    velmor::corvane::ArgParser::init();
    VelmorArgParserInit();
    velmor::corvane::ArgParser::addOption("device", 'd', "Board index", true);
    VelmorArgParserAddFlag("verbose", 'v', "More output");
    parse({"-v", "-d", "5"});
    EXPECT_TRUE(parser().isFlagSet("verbose"));
    EXPECT_EQ(velmor::corvane::ArgParser::getOptionValue("device"), "5");
    EXPECT_TRUE(velmor::corvane::ArgParser::isFlagSet("verbose"));
    EXPECT_TRUE(velmor::corvane::ArgParser::isOptionSet("device"));
    EXPECT_EQ(VelmorArgParserIsOptionSet("device"), 1);
    velmor::corvane::ArgParser::clear();
    EXPECT_FALSE(parser().isOptionSet("device"));
    EXPECT_EQ(VelmorArgParserIsFlagSet("verbose"), 0);
}

TEST_F(ArgParserTest, EveryAcceptedFormOfAnOptionGivesItsValue) {
    const std::vector<std::vector<const char*>> forms{
        {"-d", "3"}, {"-d3"}, {"--device", "3"}, {"--device=3"}, {"--dev", "3"}};
    for (const auto& form : forms) {
        parser().clear();
        parser().addOption("device", 'd', "Board index", true);
        std::vector<std::string> texts{"program"};
        texts.insert(texts.end(), form.begin(), form.end());
        std::vector<char*> argv;
        for (auto& text : texts) {
            argv.push_back(&text[0]);
        }
        argv.push_back(nullptr);
        parser().parse(static_cast<int>(texts.size()), argv.data());
        EXPECT_TRUE(parser().isOptionSet("device")) << form[0];
        EXPECT_EQ(parser().getOptionValue("device"), "3") << form[0];
    }
}

TEST_F(ArgParserTest, RepeatedFlagStaysSetAndRepeatedOptionKeepsLastValue) {
    parser().addOption("device", 'd', "Board index", true);
    parser().addFlag("verbose", 'v', "More output");
    parser().addFlag("quiet", 'q', "Less output");
    parse({"-v", "-d", "1", "--verbose", "-vv", "--device=2", "-d3"});
    EXPECT_TRUE(parser().isFlagSet("verbose"));
    EXPECT_FALSE(parser().isFlagSet("quiet"));
    EXPECT_EQ(parser().getOptionValue("device"), "3");

    // Clusters of flags, ending with an option that takes the rest as its value.
    parse({"-qvd7"});
    EXPECT_TRUE(parser().isFlagSet("quiet"));
    EXPECT_TRUE(parser().isFlagSet("verbose"));
    EXPECT_EQ(parser().getOptionValue("device"), "7");
}

TEST_F(ArgParserTest, ParsingAgainClearsEarlierResultsAndKeepsDeclarations) {
    parser().addOption("device", 'd', "Board index", true);
    parser().addOption("port", 'p', "Port", true);
    parser().addFlag("verbose", 'v', "More output");
    parse({"-d", "3", "-v", "-p", "1"});
    ASSERT_TRUE(parser().isOptionSet("device"));

    parse({"-p", "2"});
    EXPECT_FALSE(parser().isOptionSet("device"));
    EXPECT_EQ(parser().getOptionValue("device"), "");
    EXPECT_FALSE(parser().isFlagSet("verbose"));
    EXPECT_EQ(parser().getOptionValue("port"), "2");

    parse({});
    EXPECT_FALSE(parser().isOptionSet("port"));

    // The scan restarts at the first argument even when the earlier scan stopped at
    // "--" or inside a cluster.
    parse({"x", "--", "-v"});
    EXPECT_FALSE(parser().isFlagSet("verbose"));
    parse({"-vd9"});
    parse({"-vd", "8"});
    EXPECT_TRUE(parser().isFlagSet("verbose"));
    EXPECT_EQ(parser().getOptionValue("device"), "8");

    // An empty argv only clears the results.
    parser().parse(0, nullptr);
    EXPECT_FALSE(parser().isFlagSet("verbose"));
    EXPECT_FALSE(parser().isOptionSet("device"));
}

TEST_F(ArgParserTest, UndeclaredAndNotGivenNamesAreEmpty) {
    parser().addOption("device", 'd', "Board index", true);
    parser().addFlag("verbose", 'v', "More output");
    parse({"-v"});
    EXPECT_FALSE(parser().isOptionSet("nothing"));
    EXPECT_FALSE(parser().isFlagSet("nothing"));
    EXPECT_FALSE(parser().isOptionSet("verbose"));  // a flag is no option
    EXPECT_FALSE(parser().isFlagSet("device"));
    EXPECT_EQ(parser().getOptionValue("nothing"), "");
    EXPECT_EQ(parser().getOptionValue("device"), "");

    char buffer[8] = "canary";
    EXPECT_EQ(VelmorArgParserGetOptionValue("nothing", buffer, sizeof buffer), 0);
    EXPECT_EQ(VelmorArgParserGetOptionValue("device", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "canary");
}

TEST_F(ArgParserTest, COptionValueIsCutToTheBuffer) {
    VelmorArgParserAddOption("device", 'd', "Board index", 1);
    parse({"-d", "12345"});
    char four[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(VelmorArgParserGetOptionValue("device", four, sizeof four), 1);
    EXPECT_EQ(std::string(four, 4), std::string("123\0", 4));

    char exact[6];
    std::memset(exact, 'x', sizeof exact);
    EXPECT_EQ(VelmorArgParserGetOptionValue("device", exact, sizeof exact), 1);
    EXPECT_STREQ(exact, "12345");

    char one[1] = {'x'};
    EXPECT_EQ(VelmorArgParserGetOptionValue("device", one, sizeof one), 1);
    EXPECT_EQ(one[0], '\0');

    // Size 0 and a null buffer write nothing.
    char untouched[2] = {'x', 'y'};
    EXPECT_EQ(VelmorArgParserGetOptionValue("device", untouched, 0), 0);
    EXPECT_EQ(VelmorArgParserGetOptionValue("device", nullptr, 16), 0);
    EXPECT_EQ(untouched[0], 'x');
    EXPECT_EQ(untouched[1], 'y');
}

TEST_F(ArgParserTest, EmptyValueIsGivenButNotCopied) {
    VelmorArgParserAddOption("name", 'n', "Name", 1);
    parse({"--name="});
    EXPECT_EQ(VelmorArgParserIsOptionSet("name"), 1);
    char buffer[4] = "abc";
    EXPECT_EQ(VelmorArgParserGetOptionValue("name", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "abc");
}

TEST_F(ArgParserTest, PositionalArgumentsAreIgnored) {
    parser().addOption("device", 'd', "Board index", true);
    parser().addFlag("verbose", 'v', "More output");
    CommandLine line({"first", "-d", "2", "second", "-v", "third"});
    parser().parse(line.argc(), line.argv());
    EXPECT_EQ(parser().getOptionValue("device"), "2");
    EXPECT_TRUE(parser().isFlagSet("verbose"));
    EXPECT_FALSE(parser().isOptionSet("first"));
}

TEST_F(ArgParserTest, EntriesWithoutShortFormAreReachedByLongName) {
    parser().addOption("name", 0, "Board name", true);
    parser().addOption("port", 0, "Port", false);
    parser().addFlag("dry-run", 0, "Change nothing");
    parser().addFlag("quiet", 0, "Less output");
    parser().addFlag("verbose", 'v', "More output");
    parse({"--name", "a", "--port=4", "--quiet", "-v"});
    EXPECT_EQ(parser().getOptionValue("name"), "a");
    EXPECT_EQ(parser().getOptionValue("port"), "4");
    EXPECT_TRUE(parser().isFlagSet("quiet"));
    EXPECT_FALSE(parser().isFlagSet("dry-run"));
    EXPECT_TRUE(parser().isFlagSet("verbose"));
}

TEST_F(ArgParserTest, RedeclaringALongNameReplacesItAndReleasesItsShortCharacter) {
    parser().addOption("device", 'd', "Board index", true);
    parser().addOption("device", 'b', "Board", true);
    parser().addFlag("debug", 'd', "Debug output");  // 'd' is free again
    parse({"-b", "4", "-d"});
    EXPECT_EQ(parser().getOptionValue("device"), "4");
    EXPECT_TRUE(parser().isFlagSet("debug"));
}

// The help lines of the entries, whose order follows the tables.
std::vector<std::string> helpEntries(const std::string& text) {
    std::vector<std::string> entries;
    std::size_t start = text.find('\n') + 1;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = text.find('\n', end + 1);
        entries.push_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    return entries;
}

TEST_F(ArgParserTest, HelpTextOfOneOptionIsFiveLines) {
    parser().addOption("device", 'd', "Board index", true);
    testing::internal::CaptureStdout();
    parser().handleHelpFlag();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Available options:\n"
              "  -d, --device <value>\n"
              "\tBoard index\n"
              "  -h, --help\n"
              "\tShow help\n");
}

TEST_F(ArgParserTest, HelpListsOptionsThenFlagsWithTheirShortForms) {
    parser().addOption("device", 'd', "Board index", true);
    parser().addOption("timebase", 't', "Time base", false);
    parser().addOption("name", 0, "Board name", true);
    parser().addFlag("verbose", 'v', "More output");
    parser().addFlag("dry-run", 0, "Change nothing");
    testing::internal::CaptureStdout();
    parser().handleHelpFlag();
    const std::string text = testing::internal::GetCapturedStdout();
    ASSERT_EQ(text.rfind("Available options:\n", 0), 0u);

    std::vector<std::string> entries = helpEntries(text);
    ASSERT_EQ(entries.size(), 6u) << text;
    EXPECT_EQ(entries.back(), "  -h, --help\n\tShow help\n");
    entries.pop_back();
    std::vector<std::string> options(entries.begin(), entries.begin() + 3);
    std::vector<std::string> flags(entries.begin() + 3, entries.end());
    std::sort(options.begin(), options.end());
    std::sort(flags.begin(), flags.end());
    EXPECT_EQ(options, (std::vector<std::string>{"  --name <value>\n\tBoard name\n",
                                                 "  -d, --device <value>\n\tBoard index\n",
                                                 "  -t, --timebase\n\tTime base\n"}));
    EXPECT_EQ(flags, (std::vector<std::string>{"  --dry-run\n\tChange nothing\n",
                                               "  -v, --verbose\n\tMore output\n"}));
}

}  // namespace
