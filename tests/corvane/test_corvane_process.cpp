// The corvane program as users run it: started over the simulated boards by corvane-sim,
// its whole output compared with golden files (text and JSON), and what it prints for
// boards whose texts hold bytes a terminal or a JSON parser would choke on.
//
// CORVANE_UPDATE_GOLDEN=1 rewrites the golden files from the program's output (and
// skips the comparison), for when the output changes on purpose.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "UtilsProcess.h"

using nlohmann::json;
using utils_test::Outcome;
using utils_test::runChild;

namespace {

const char* const kDefaultBoards = "keloe6100,kelo3100,keloe5100,keloe7100,kelo4210";

Outcome runOver(const std::string& boards, const std::vector<std::string>& args) {
    std::vector<std::string> all{"--boards", boards, "--", CORVANE_TOOL};
    all.insert(all.end(), args.begin(), args.end());
    Outcome outcome = runChild(CORVANE_SIM_RUNNER, all);
    EXPECT_FALSE(outcome.timedOut);
    return outcome;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct GoldenCase {
    std::vector<std::string> args;
    std::string file;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.file; }

class Golden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, WholeOutputMatches) {
    const GoldenCase& c = GetParam();
    const Outcome r = runOver(kDefaultBoards, c.args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string path = std::string(CORVANE_GOLDEN_DIR) + "/" + c.file;
    if (std::getenv("CORVANE_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << r.out;
        GTEST_SKIP() << "rewrote " << path;
    }
    EXPECT_EQ(r.out, readFile(path)) << "differs from " << path;
    if (c.file.size() > 5 && c.file.compare(c.file.size() - 5, 5, ".json") == 0) {
        EXPECT_TRUE(json::accept(r.out)) << "not valid JSON";
    }
}

std::vector<GoldenCase> goldenCases() {
    std::vector<GoldenCase> cases{{{"list"}, "list.txt"}, {{"--json", "list"}, "list.json"}};
    for (const char* id : {"kelo3100_0", "kelo4210_0", "keloe5100_0", "keloe6100_0", "keloe7100_0"}) {
        cases.push_back({{"info", id}, std::string("info_") + id + ".txt"});
        cases.push_back({{"info", id, "--json"}, std::string("info_") + id + ".json"});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(DefaultBoards, Golden, ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& info) {
                             std::string name;
                             for (char ch : info.param.file) name += (ch == '.' ? '_' : ch);
                             return name;
                         });

// Driver texts may hold control bytes, bytes that are not UTF-8 and wide characters: the
// text output shows control bytes escaped, the JSON output stays valid JSON, and both
// ends of the 64-bit BARs come through whole.
TEST(ProcessTexts, DriverTextsAreShownSafelyAndBarsWhole) {
    const std::string boards =
        "kelo3100:firmware=%1b[31mX%ff%0a:custom=Z%c3%a4hler:bar0=0xffffffffffffffff:bar5=1:number=255";
    Outcome r = runOver(boards, {"info", "kelo3100_255"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n  Firmware version:     \\x1b[31mX\xff\\x0a\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  Custom id:            Z\xc3\xa4hler\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  BAR0:                 0xffffffffffffffff\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n  BAR5:                 0x0000000000000001\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << "a control byte reached the terminal";

    r = runOver(boards, {"--json", "info", "kelo3100_255"});
    EXPECT_EQ(r.status, 0) << r.err;
    json info;
    ASSERT_NO_THROW(info = json::parse(r.out)) << r.out;
    EXPECT_EQ(info["general"]["firmware_version"], "\x1b[31mX\xef\xbf\xbd\n");
    EXPECT_EQ(info["general"]["custom_id"], "Z\xc3\xa4hler");
    EXPECT_EQ(info["bus"]["base_address_register"][0].get<uint64_t>(), 0xffffffffffffffffull);
    EXPECT_EQ(info["bus"]["base_address_register"][5].get<uint64_t>(), 1u);
    EXPECT_EQ(info["bus"]["number"], 255);

    r = runOver(boards, {"list"});
    EXPECT_EQ(r.out, "kelo3100_255  kelo3100  \\x1b[31mX\xff\\x0a  bus 1 slot 0  PCI  "
                     "digital-io,timer,counter,watchdog,interrupt\n");
}

TEST(ProcessExit, StatusAndStreamsOfTheProgram) {
    Outcome r = runOver(kDefaultBoards, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Looks at and drives the Corvane digital I/O boards", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");

    r = runOver(kDefaultBoards, {"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "corvane: unknown command \"frobnicate\" (expected list, info, get, set, outputs, port, timer, "
              "counter, watchdog, monitor)\nRun 'corvane --help' for more information.\n");

    r = runOver(kDefaultBoards, {"get", "keloe6100_0", "40"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Code: 0x82001004"), std::string::npos) << r.err;

    r = runOver(kDefaultBoards, {"monitor", "keloe6100_0", "--test-interrupts", "2", "--count", "2"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_NE(line.find(" source=0x80000000 mask=0x00000000"), std::string::npos) << line;
    }
    EXPECT_EQ(count, 2);
}

TEST(ProcessExit, NoBoardsAtAll) {
    Outcome r = runOver("", {"list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "corvane: no boards found\n");

    r = runOver("", {"--json", "list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[]\n");

    r = runOver("", {"outputs", "keloe6100_0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("corvane: no board \"keloe6100_0\"; no boards were found\n"), std::string::npos) << r.err;
}

}  // namespace
