// The parser's paths that end the process, and the C functions as a C program sees them
// through libCorvane.so: each case runs the C11 helper program as a child process and
// compares its exit status, standard output and standard error exactly.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct Outcome {
    int status = -1;  // exit status, or -1 when the child did not exit normally
    std::string out;
    std::string err;
};

// Runs the helper with the given arguments (the first names the scenario) and collects
// everything it writes until it ends.
Outcome runHelper(const std::vector<std::string>& args) {
    Outcome outcome;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        ADD_FAILURE() << "pipe failed";
        return outcome;
    }
    std::vector<char*> argv;
    static char program[] = ARGPARSER_CLI_PATH;
    argv.push_back(program);
    std::vector<std::string> copies(args);
    for (auto& arg : copies) {
        argv.push_back(&arg[0]);
    }
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        dup2(outPipe[1], STDOUT_FILENO);
        dup2(errPipe[1], STDERR_FILENO);
        close(outPipe[0]);
        close(outPipe[1]);
        close(errPipe[0]);
        close(errPipe[1]);
        execv(program, argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        close(outPipe[0]);
        close(errPipe[0]);
        return outcome;
    }

    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&outcome.out, &outcome.err};
    int openPipes = 2;
    while (openPipes > 0) {
        if (poll(fds, 2, 10000) <= 0) {
            ADD_FAILURE() << "helper produced no output and did not end within 10 s";
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char chunk[4096];
            const ssize_t got = read(fds[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --openPipes;
            }
        }
    }
    for (auto& fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    int status = 0;
    if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.status = WEXITSTATUS(status);
    }
    return outcome;
}

const char* const kUnknownTail = "Use -h or --help to see available options.\n";

std::string fullReport(const std::string& device, const std::string& timebase,
                       const std::string& name, const std::string& port, int verbose,
                       int dryRun, int quiet) {
    const auto option = [](const char* key, const std::string& value) {
        const int set = value.empty() ? 0 : 1;
        return std::string(key) + " set=" + std::to_string(set) + " value=" +
               std::to_string(set) + ":" + value + "\n";
    };
    return option("device", device) + option("timebase", timebase) + option("name", name) +
           option("port", port) + "verbose set=" + std::to_string(verbose) + "\n" +
           "dry-run set=" + std::to_string(dryRun) + "\n" + "quiet set=" + std::to_string(quiet) +
           "\n";
}

TEST(ArgParserProcess, CProgramParsesEveryAcceptedForm) {
    for (const std::vector<std::string>& line :
         std::vector<std::vector<std::string>>{{"-d", "3"}, {"-d3"}, {"--device", "3"},
                                               {"--device=3"}, {"--dev", "3"}}) {
        std::vector<std::string> args{"full"};
        args.insert(args.end(), line.begin(), line.end());
        const Outcome run = runHelper(args);
        EXPECT_EQ(run.status, 0) << line[0];
        EXPECT_EQ(run.out, fullReport("3", "", "", "", 0, 0, 0)) << line[0];
        EXPECT_EQ(run.err, "") << line[0];
    }
}

TEST(ArgParserProcess, CProgramSeesRepeatsEntriesWithoutShortFormAndIgnoresPositionals) {
    const Outcome run = runHelper({"full", "-d", "3", "pos", "--name=abc", "-vv", "--dry-run",
                                   "-t", "9", "-d4", "--quiet", "extra", "--port", "7"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, fullReport("4", "9", "abc", "7", 1, 1, 1));
    EXPECT_EQ(run.err, "");

    // After "--" everything is positional, even what looks like a flag.
    const Outcome stopped = runHelper({"full", "--dev", "3", "--", "-v", "--quiet"});
    EXPECT_EQ(stopped.status, 0);
    EXPECT_EQ(stopped.out, fullReport("3", "", "", "", 0, 0, 0));
}

TEST(ArgParserProcess, CProgramBufferRules) {
    const Outcome run = runHelper({"values", "-d", "12345", "-e", ""});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "cut=1:123 len=3\n"
              "size0=0:canary\n"
              "empty=0:canary set=1\n"
              "undeclared=0:canary\n"
              "null=0:canary flag=0 option=0\n"
              "cleared=0\n");
    EXPECT_EQ(run.err, "");
}

TEST(ArgParserProcess, HelpPrintsFiveLinesAndExitsZero) {
    const std::string help =
        "Available options:\n"
        "  -d, --device <value>\n"
        "\tBoard index\n"
        "  -h, --help\n"
        "\tShow help\n";
    for (const char* asked : {"-h", "--help", "--he"}) {
        const Outcome run = runHelper({"help1", "-d", "1", asked, "-d", "2"});
        EXPECT_EQ(run.status, 0) << asked;
        EXPECT_EQ(run.out, help) << asked;
        EXPECT_EQ(run.err, "") << asked;
    }
}

TEST(ArgParserProcess, EntryWithShortCharacterHPrintsTheHelp) {
    const Outcome run = runHelper({"hshort", "--hidden"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "Available options:\n"
              "  -h, --hidden\n"
              "\tNever reached\n"
              "  -h, --help\n"
              "\tShow help\n");
    EXPECT_EQ(run.err, "");
}

TEST(ArgParserProcess, DuplicateShortCharacterExitsOne) {
    const Outcome run = runHelper({"dup"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "[ERROR] Duplicate short option: -d already mapped to --device\n");

    // A parse maps 'h' to help, so a later declaration of 'h' is a duplicate.
    const Outcome afterParse = runHelper({"dup-h"});
    EXPECT_EQ(afterParse.status, 1);
    EXPECT_EQ(afterParse.out, "parsed\n");
    EXPECT_EQ(afterParse.err, "[ERROR] Duplicate short option: -h already mapped to --help\n");
}

TEST(ArgParserProcess, FaultyDeclarationsExitOne) {
    const Outcome nullName = runHelper({"null-name"});
    EXPECT_EQ(nullName.status, 1);
    EXPECT_EQ(nullName.out, "");
    EXPECT_EQ(nullName.err, "[ERROR] Invalid option declaration: null long name or description\n");

    const Outcome colon = runHelper({"bad-short"});
    EXPECT_EQ(colon.status, 1);
    EXPECT_EQ(colon.out, "");
    EXPECT_EQ(colon.err, "[ERROR] Invalid short option for --colon: character code 58\n");
}

TEST(ArgParserProcess, UnknownOptionsExitOneAfterTheGetoptDiagnostic) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"full", "-x"}, "full: invalid option -- 'x'\n[ERROR] Unknown option: -x\n"},
        {{"full", "--bogus"}, "full: unrecognized option '--bogus'\n[ERROR] Unknown option: --bogus\n"},
        {{"full", "--bogus=3"},
         "full: unrecognized option '--bogus=3'\n[ERROR] Unknown option: --bogus=3\n"},
        // A flag given a value, with and without a short form.
        {{"full", "--verbose=1"},
         "full: option '--verbose' doesn't allow an argument\n[ERROR] Unknown option: -v\n"},
        {{"full", "--dry-run=1"},
         "full: option '--dry-run' doesn't allow an argument\n[ERROR] Unknown option: --dry-run=1\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = runHelper(c.args);
        EXPECT_EQ(run.status, 1) << c.args[1];
        EXPECT_EQ(run.out, "") << c.args[1];
        EXPECT_EQ(run.err, c.err + kUnknownTail) << c.args[1];
    }

    // The possibilities of an ambiguous prefix come in table order.
    const Outcome ambiguous = runHelper({"full", "--d", "3"});
    EXPECT_EQ(ambiguous.status, 1);
    EXPECT_EQ(ambiguous.out, "");
    EXPECT_EQ(ambiguous.err.rfind("full: option '--d' is ambiguous; possibilities:", 0), 0u)
        << ambiguous.err;
    const std::string tail = std::string("\n[ERROR] Unknown option: --d\n") + kUnknownTail;
    ASSERT_GE(ambiguous.err.size(), tail.size());
    EXPECT_EQ(ambiguous.err.substr(ambiguous.err.size() - tail.size()), tail);
}

TEST(ArgParserProcess, MissingValueIsReportedAsUnknownOption) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"full", "-d"}, "full: option requires an argument -- 'd'\n[ERROR] Unknown option: -d\n"},
        {{"full", "--device"},
         "full: option '--device' requires an argument\n[ERROR] Unknown option: -d\n"},
        // An option declared without takes-value still needs its value.
        {{"full", "-t"}, "full: option requires an argument -- 't'\n[ERROR] Unknown option: -t\n"},
        // Without a short form the offending argument is named.
        {{"full", "--na"}, "full: option '--name' requires an argument\n[ERROR] Unknown option: --na\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = runHelper(c.args);
        EXPECT_EQ(run.status, 1) << c.args[1];
        EXPECT_EQ(run.out, "") << c.args[1];
        EXPECT_EQ(run.err, c.err + kUnknownTail) << c.args[1];
    }
}

}  // namespace
