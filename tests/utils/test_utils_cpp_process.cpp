// The velmor::corvane::utils console helpers: each case runs the C++ helper as a child
// process, feeds its standard input through a pipe and compares what it prints on
// standard output and standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UtilsProcess.h"

using utils_test::Outcome;
using utils_test::RunOptions;

namespace {

Outcome run(const std::vector<std::string>& args, const std::string& input = std::string(),
            bool closeInput = true) {
    RunOptions options;
    options.input = input;
    options.closeInput = closeInput;
    Outcome outcome = utils_test::runChild(UTILS_CPP_CLI, args, options);
    EXPECT_FALSE(outcome.timedOut) << "the helper did not end: " << outcome.out;
    return outcome;
}

const std::string kInvalid = "\n[ERROR] Invalid input. Try again.\n";
const std::string kInvalidHex = "\n[ERROR] Invalid hex value. Try again.\n";

TEST(UtilsPromptString, OneBlankBeforeTheChoicesAndExactMatch) {
    const Outcome r = run({"string", "Pick", "on", "off"}, "of\n\noff\n");
    EXPECT_EQ(r.out, "Pick [on/off]: " + kInvalid + "Pick [on/off]: " + kInvalid +
                         "Pick [on/off]: <ret=[off]>\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run({"string", "Name"}, "\n").out, "Name: <ret=[]>\n");
    EXPECT_EQ(run({"string", "Name"}, "two words").out, "Name: <ret=[two words]>\n");
}

TEST(UtilsPromptString, EndOfInputReturnsEmpty) {
    EXPECT_EQ(run({"string", "Pick", "a"}, "b\n").out,
              "Pick [a]: " + kInvalid + "Pick [a]: <ret=[]>\n");
    EXPECT_EQ(run({"string", "Pick", "a"}, "").out, "Pick [a]: <ret=[]>\n");
}

TEST(UtilsPromptInt, StoiRulesEmptyLineRejectedTrailingLettersIgnored) {
    EXPECT_EQ(run({"int", "Count", "0", "20"}, "\n12abc\n").out,
              "Count [0-20]: " + kInvalid + "Count [0-20]: <ret=12>\n");
    EXPECT_EQ(run({"int", "Count", "0", "20"}, "abc\n99999999999\n21\n  +7 \n").out,
              "Count [0-20]: " + kInvalid + "Count [0-20]: " + kInvalid + "Count [0-20]: " +
                  kInvalid + "Count [0-20]: <ret=7>\n");
    EXPECT_EQ(run({"int", "Count", "-3", "3"}, "-3\n").out, "Count [-3-3]: <ret=-3>\n");
}

TEST(UtilsPromptInt, EndOfInputReturnsMin) {
    EXPECT_EQ(run({"int", "Count", "2", "9"}, "").out, "Count [2-9]: <ret=2>\n");
    EXPECT_EQ(run({"int", "Count", "2", "9"}, "\n").out,
              "Count [2-9]: " + kInvalid + "Count [2-9]: <ret=2>\n");
}

TEST(UtilsPromptHex, LowerCaseRangeAndWholeConversion) {
    EXPECT_EQ(run({"hex", "Mask", "0xa", "0xff"}, "0x1g\n-b\n\nAb\n").out,
              "Mask [0xa - 0xff]: " + kInvalidHex + "Mask [0xa - 0xff]: " + kInvalidHex +
                  "Mask [0xa - 0xff]: " + kInvalidHex + "Mask [0xa - 0xff]: <ret=0xAB>\n");
    EXPECT_EQ(run({"hex", "Mask", "0", "0xff"}, "\n").out, "Mask [0x0 - 0xff]: <ret=0x0>\n");
    EXPECT_EQ(run({"hex", "Mask", "0x5", "0xff"}, "").out, "Mask [0x5 - 0xff]: <ret=0x5>\n");
}

TEST(UtilsGetValidString, OptionValueOrPrompt) {
    EXPECT_EQ(run({"vstring", "name", "Pick", "a", "b", "--", "--name", "b"}).out, "<ret=[b]>\n");
    EXPECT_EQ(run({"vstring", "name", "Pick", "a", "b", "--", "--name", "c"}, "a\n").out,
              kInvalid + "Pick [a/b]: <ret=[a]>\n");
    EXPECT_EQ(run({"vstring", "name", "Pick", "--", "--name=free"}).out, "<ret=[free]>\n");
    EXPECT_EQ(run({"vstring", "name", "Pick", "a"}, "").out, "Pick [a]: <ret=[]>\n");
}

TEST(UtilsGetValidInt, EqualBoundsStoiOptionAndWarning) {
    EXPECT_EQ(run({"vint", "value", "Count", "4", "4", "--", "--value", "9"}, "1\n").out, "<ret=4>\n");
    EXPECT_EQ(run({"vint", "value", "Count", "0", "20", "--", "--value", "12abc"}).out, "<ret=12>\n");
    const Outcome r = run({"vint", "value", "Count", "0", "10", "--", "--value", "x"}, "3\n");
    EXPECT_EQ(r.out, "[WARNING] --value value out of range.\nCount [0-10]: <ret=3>\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run({"vint", "value", "Count", "0", "10", "--", "--value", "11"}, "").out,
              "[WARNING] --value value out of range.\nCount [0-10]: <ret=0>\n");
}

TEST(UtilsGetValidHex, WarningGoesToStandardError) {
    EXPECT_EQ(run({"vhex", "value", "Mask", "0", "0xff", "--", "--value", "1f"}).out, "<ret=0x1F>\n");
    const Outcome r = run({"vhex", "value", "Mask", "0", "0xff", "--", "--value", "0x100"}, "3\n");
    EXPECT_EQ(r.err, "[WARNING] --value value out of range [0x0 - 0xff].\n");
    EXPECT_EQ(r.out, "Mask [0x0 - 0xff]: <ret=0x3>\n");
    EXPECT_EQ(run({"vhex", "value", "Mask", "9", "9", "--", "--value", "0x100"}).out, "<ret=0x9>\n");
}

TEST(UtilsSelectMode, OptionListIndexSingleModeAndEnd) {
    const std::string list = "\n--- Select mode ---\n[0] fast - quick\n[1] slow\n";
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow", "--", "--mode", "slow"}).out, "<ret=[slow]>\n");
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow"}, "1\n").out,
              list + "Select mode index [0-1]: <ret=[slow]>\n");
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow", "--", "--mode", "1"}).out,
              "[WARNING] --mode is invalid: 1\n" + list + "<ret=[slow]>\n");
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow", "--", "--mode", "bogus"}, "0\n").out,
              "[WARNING] --mode is invalid: bogus\n" + list +
                  "[WARNING] --mode value out of range.\nSelect mode index [0-1]: <ret=[fast]>\n");
    EXPECT_EQ(run({"mode", "mode", "only"}).out, "\n--- Select mode ---\n[0] only\n<ret=[only]>\n");
    EXPECT_EQ(run({"mode", "mode", "a", "b"}, "").out,
              "\n--- Select mode ---\n[0] a\n[1] b\nSelect mode index [0-1]: <ret=[]>\n");
    EXPECT_EQ(run({"mode", "mode"}).out, "\n--- Select mode ---\n<ret=[]>\n");
}

TEST(UtilsSelectDevice, OneSeveralNoneAndByOption) {
    EXPECT_EQ(run({"select", "card", "timer", "a_0/alpha/1", "b_0/beta/0", "empty"}).out,
              "[INFO] One matching device found: alpha\n\n<ret=0>\n");
    EXPECT_EQ(run({"select", "card", "timer", "b_0/beta/0"}).out,
              "[ERROR] No timer compatible device found.\n<ret=-1>\n");
    EXPECT_EQ(run({"select", "card", "timer", "a_0/alpha/1", "b_0/beta/0", "c_0/gamma/2"}, "5\n1x\n").out,
              "\n--- Available devices with timer ---\n[0] a_0 (alpha)\n[1] c_0 (gamma)\n"
              "Select device index [0-1]: " + kInvalid + "Select device index [0-1]: <ret=2>\n");
    EXPECT_EQ(run({"select", "card", "timer", "a_0/alpha/1", "c_0/gamma/1"}, "").out,
              "\n--- Available devices with timer ---\n[0] a_0 (alpha)\n[1] c_0 (gamma)\n"
              "Select device index [0-1]: <ret=-1>\n");
    EXPECT_EQ(run({"select", "card", "timer", "b_0/same/0", "c_0/same/1", "d_0/same/1", "--", "-csame"}).out,
              "<ret=1>\n");
    EXPECT_EQ(run({"select", "card", "timer", "b_0/beta/0", "--", "--card", "beta"}).out,
              "[WARNING] --card does not match any card.\n<ret=-1>\n");
}

TEST(UtilsTimebase, ErrorOnStandardError) {
    Outcome r = run({"timebase", "ms"});
    EXPECT_EQ(r.out, "<ret=1>\n");
    r = run({"timebase", "MS"});
    EXPECT_EQ(r.out, "<ret=0>\n");
    EXPECT_EQ(r.err, "[ERROR] Invalid timebase: MS. Use one of: us | ms | s | c\n");
}

// The utils picker lists in the byte order of the names.
std::string utilsList(unsigned selection) {
    const char* names[] = {"COUNTER_BOTH_EDGE_COUNT", "COUNTER_FALLING_EDGE_COUNT",
                           "COUNTER_RISING_EDGE_COUNT", "COUNT_DIRECTION_UP", "EXTERNAL_TRIGGER",
                           "HARDWARE_GATE", "SINGLE_CYCLE"};
    const unsigned values[] = {48, 16, 32, 1, 4, 8, 2};
    std::string text = "Select the tcw options: (empty to exit)\n";
    for (int i = 0; i < 7; ++i) {
        text += "  " + std::to_string(i + 1) + ") " + ((values[i] & selection) ? "[x] " : "[ ] ") + names[i] + "\n";
    }
    return text;
}

TEST(UtilsTcwPicker, MapOrderMarksToggleAndFinalMask) {
    const std::string prompt = "> [1-7]: ";
    const Outcome r = run({"tcw", "0x3F"}, "1\nabc\n9\n2x\n4\n");
    EXPECT_EQ(r.out, utilsList(0) + prompt + utilsList(48) + prompt +
                         "[ERROR] Invalid input. Try again.\n" + prompt +
                         "[ERROR] Invalid choice. Try again.\n" + prompt + utilsList(32) + prompt +
                         utilsList(33) + prompt +
                         "Exiting option selection.\nFinal selection mask: 0x21\n<ret=0x21>\n");
    EXPECT_EQ(run({"tcw", "0"}, "1\n").out, "<ret=0x0>\n");
    EXPECT_EQ(run({"tcw", "0x3"}, "2\n1\n\n").out,
              "Select the tcw options: (empty to exit)\n  1) [ ] COUNT_DIRECTION_UP\n  2) [ ] SINGLE_CYCLE\n"
              "> [1-2]: Select the tcw options: (empty to exit)\n  1) [ ] COUNT_DIRECTION_UP\n  2) [x] SINGLE_CYCLE\n"
              "> [1-2]: Select the tcw options: (empty to exit)\n  1) [x] COUNT_DIRECTION_UP\n  2) [x] SINGLE_CYCLE\n"
              "> [1-2]: Exiting option selection.\nFinal selection mask: 0x3\n<ret=0x3>\n");
}

TEST(UtilsPortTable, TwoPortExampleByteForByte) {
    EXPECT_EQ(run({"ports", "1", "2", "12,34", "AB,CD"}).out,
              "\n"
              "=======================\n"
              "  Digital Ports Configuration (0..1)\n"
              "=======================\n"
              "| Port #0  | Port #1  |\n"
              "|----------|----------|\n"
              "| OUTPUT   | INPUT    |\n"
              "| 0xAB     | 0x34     |\n"
              "=======================\n"
              "\n<done>\n");
    EXPECT_EQ(run({"ports", "3", "2", "12,34", "null"}).out,
              "\n=======================\n  Digital Ports Configuration (0..1)\n=======================\n"
              "| Port #0  | Port #1  |\n|----------|----------|\n| OUTPUT   | OUTPUT   |\n"
              "| 0x00     | 0x00     |\n=======================\n\n<done>\n");
    EXPECT_EQ(run({"ports", "0", "0", "null", "null"}).out,
              "\n=\n  Digital Ports Configuration (none)\n=\n|\n|\n|\n|\n=\n\n<done>\n");
}

TEST(UtilsExitOnUserInput, EnterBufferedLineAndEndOfInput) {
    Outcome r = run({"exit", "3"}, "\n", false);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "\nPress ENTER to exit ...\n");
    r = run({"exit", "6"}, "");
    EXPECT_EQ(r.status, 6);
    r = run({"int-exit", "5"}, "5\n\n", false);
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out, "Value [0-9]: <ret=5>\n\nPress ENTER to exit ...\n");
}

}  // namespace
