// Device selection over simulated boards found by the registry, in both families. The
// registry is built once per process, so every case runs the helper as its own child
// process with its own CORVANE_SIM_BOARDS.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UtilsProcess.h"

using utils_test::Outcome;
using utils_test::RunOptions;

namespace {

class SimSelection : public ::testing::TestWithParam<const char*> {
protected:
    Outcome select(const std::string& boards, const std::string& capability,
                   const std::vector<std::string>& options = {}, const std::string& input = "") {
        RunOptions run;
        run.input = input;
        if (!boards.empty()) run.env.emplace_back("CORVANE_SIM_BOARDS", boards);
        std::vector<std::string> args{"select-sim", "card", capability, capability};
        if (!options.empty()) {
            args.push_back("--");
            args.insert(args.end(), options.begin(), options.end());
        }
        Outcome outcome = utils_test::runChild(GetParam(), args, run);
        EXPECT_FALSE(outcome.timedOut) << outcome.out;
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        return outcome;
    }
};

TEST_P(SimSelection, OneMatchingBoardIsTakenWithoutAsking) {
    EXPECT_EQ(select("keloe6100,kelo4210", "timer").out,
              "[INFO] One matching device found: keloe6100\n\n<ret=keloe6100_0>\n");
    EXPECT_EQ(select("kelo4210,keloe7100", "watchdog").out,
              "[INFO] One matching device found: keloe7100\n\n<ret=keloe7100_0>\n");
}

TEST_P(SimSelection, SeveralBoardsAreListedInIdentifierOrder) {
    // The node keloe6100_0 carries the number 1: the list follows the identifiers.
    EXPECT_EQ(select("keloe6100:number=1,keloe7100,keloe6100:number=0", "timer", {}, "1\n").out,
              "\n--- Available devices with timer ---\n[0] keloe6100_0 (keloe6100)\n"
              "[1] keloe6100_1 (keloe6100)\nSelect device index [0-1]: <ret=keloe6100_1>\n");
    EXPECT_EQ(select("keloe6100:number=1,keloe6100:number=0", "timer", {}, "").out,
              "\n--- Available devices with timer ---\n[0] keloe6100_0 (keloe6100)\n"
              "[1] keloe6100_1 (keloe6100)\nSelect device index [0-1]: <ret=(null)>\n");
}

TEST_P(SimSelection, NoneMatchesOrNoBoardsAtAll) {
    EXPECT_EQ(select("kelo4210", "timer").out,
              "[ERROR] No timer compatible device found.\n<ret=(null)>\n");
    EXPECT_EQ(select("", "counter").out,
              "[ERROR] No counter compatible device found.\n<ret=(null)>\n");
}

TEST_P(SimSelection, ByOptionTheFirstQualifyingBoardOfThatProduct) {
    EXPECT_EQ(select("keloe6100:number=1,keloe6100:number=0,kelo4210", "timer", {"--card", "keloe6100"}).out,
              "<ret=keloe6100_0>\n");
    EXPECT_EQ(select("keloe6100,kelo4210", "timer", {"--card", "kelo4210"}).out,
              "[WARNING] --card does not match any card.\n<ret=(null)>\n");
    EXPECT_EQ(select("", "timer", {"--card", "keloe6100"}).out,
              "[WARNING] --card does not match any card.\n<ret=(null)>\n");
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, SimSelection, ::testing::Values(UTILS_FLAT_CLI, UTILS_CPP_CLI),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.index == 0 ? "Flat" : "Utils");
                         });

}  // namespace
