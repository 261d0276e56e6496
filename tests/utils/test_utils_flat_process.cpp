// The flat console helpers as a C program sees them: each case runs the C11 helper as a
// child process, feeds its standard input through a pipe and compares everything it
// prints.
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
    Outcome outcome = utils_test::runChild(UTILS_FLAT_CLI, args, options);
    EXPECT_FALSE(outcome.timedOut) << "the helper did not end: " << outcome.out;
    EXPECT_EQ(outcome.err, "");
    return outcome;
}

const std::string kInvalid = "\n[ERROR] Invalid input. Try again.\n";
const std::string kInvalidHex = "[ERROR] Invalid hex value. Try again.\n";

TEST(FlatPromptString, AcceptsOnlyAChoiceAndShowsTwoBlanksBeforeTheChoices) {
    const Outcome r = run({"string", "Pick", "on", "off"}, "of\n\nOn\noff\n");
    EXPECT_EQ(r.out, "Pick  [on/off]: " + kInvalid + "Pick  [on/off]: " + kInvalid +
                         "Pick  [on/off]: " + kInvalid + "Pick  [on/off]: <ret=1 out=[off]>\n");
    EXPECT_EQ(r.status, 0);
}

TEST(FlatPromptString, WithoutChoicesAcceptsAnyLineEvenEmpty) {
    EXPECT_EQ(run({"string", "Name"}, "\n").out, "Name : <ret=1 out=[]>\n");
    EXPECT_EQ(run({"string", "Name"}, "hello world\nnext\n").out,
              "Name : <ret=1 out=[hello world]>\n");
    // A last line without its newline still counts.
    EXPECT_EQ(run({"string", "Name"}, "tail").out, "Name : <ret=1 out=[tail]>\n");
}

TEST(FlatPromptString, EndOfInputReturnsZeroAndANegativeCountRejectsEverything) {
    EXPECT_EQ(run({"string", "Pick", "a"}, "").out, "Pick  [a]: <ret=0 out=[]>\n");
    EXPECT_EQ(run({"string", "Pick", "a"}, "b\n").out,
              "Pick  [a]: " + kInvalid + "Pick  [a]: <ret=0 out=[]>\n");
    EXPECT_EQ(run({"string-neg", "Pick"}, "a\n\n").out,
              "Pick : " + kInvalid + "Pick : " + kInvalid + "Pick : <ret=0>\n");
}

TEST(FlatPromptString, CopyIsCutToTheBufferAndNeverOverruns) {
    // out size 4: three characters and the zero; the byte after the buffer is untouched.
    EXPECT_EQ(run({"string-out", "4", "Name"}, "abcdef\n").out,
              "Name : <ret=1 out=[abc] next=X>\n");
}

TEST(FlatPromptString, ALongLineIsOneEntry) {
    const std::string longLine(300, 'a');
    const Outcome r = run({"string", "Name"}, longLine + "\nsecond\n");
    EXPECT_EQ(r.out, "Name : <ret=1 out=[" + longLine.substr(0, 255) + "]>\n");
}

TEST(FlatPromptInt, WholeLineMustConvertAndEmptyCountsAsZero) {
    EXPECT_EQ(run({"int", "Count", "0", "10"}, "\n").out, "Count [0-10]: <ret=0>\n");
    EXPECT_EQ(run({"int", "Count", "1", "10"}, "\n12abc\n12\n-1\n 3\n").out,
              "Count [1-10]: " + kInvalid + "Count [1-10]: " + kInvalid + "Count [1-10]: " +
                  kInvalid + "Count [1-10]: " + kInvalid + "Count [1-10]: <ret=3>\n");
    EXPECT_EQ(run({"int", "Count", "-5", "5"}, "-5\n").out, "Count [-5-5]: <ret=-5>\n");
    EXPECT_EQ(run({"int", "Count", "0", "10"}, "3 \n99999999999\n10\n").out,
              "Count [0-10]: " + kInvalid + "Count [0-10]: " + kInvalid + "Count [0-10]: <ret=10>\n");
}

TEST(FlatPromptInt, ALongLineIsRejectedOnceAndItsTailIsNotTakenAsAnEntry) {
    // 70 characters: read by 64-byte pieces, the tail "05" would otherwise pass as 5.
    const std::string longLine = std::string(68, '9') + "05";
    EXPECT_EQ(run({"int", "Count", "0", "10"}, longLine + "\n7\n").out,
              "Count [0-10]: " + kInvalid + "Count [0-10]: <ret=7>\n");
}

TEST(FlatPromptInt, EndOfInputReturnsMin) {
    EXPECT_EQ(run({"int", "Count", "3", "10"}, "x\n").out,
              "Count [3-10]: " + kInvalid + "Count [3-10]: <ret=3>\n");
    EXPECT_EQ(run({"int", "Count", "3", "10"}, "").out, "Count [3-10]: <ret=3>\n");
}

TEST(FlatPromptHex, UpperCaseRangeWholeConversionAndNoMinus) {
    EXPECT_EQ(run({"hex", "Mask", "0x0", "0xff"}, "0x1g\n-1\n100\n0xaB\n").out,
              "Mask [0x0 - 0xFF]: " + kInvalidHex + "Mask [0x0 - 0xFF]: " + kInvalidHex +
                  "Mask [0x0 - 0xFF]: " + kInvalidHex + "Mask [0x0 - 0xFF]: <ret=0xAB>\n");
    EXPECT_EQ(run({"hex", "Mask", "0", "0xff"}, "\n").out, "Mask [0x0 - 0xFF]: <ret=0x0>\n");
    EXPECT_EQ(run({"hex", "Mask", "0x10", "0xffffffff"}, "ffffffff\n").out,
              "Mask [0x10 - 0xFFFFFFFF]: <ret=0xFFFFFFFF>\n");
    // -FFFFFFFFFFFFFFFF would wrap to 1 through strtoul.
    EXPECT_EQ(run({"hex", "Mask", "0", "0xff"}, "-FFFFFFFFFFFFFFFF\n").out,
              "Mask [0x0 - 0xFF]: " + kInvalidHex + "Mask [0x0 - 0xFF]: <ret=0x0>\n");
    EXPECT_EQ(run({"hex", "Mask", "0x10", "0xff"}, "100000000\n").out,
              "Mask [0x10 - 0xFF]: " + kInvalidHex + "Mask [0x10 - 0xFF]: <ret=0x10>\n");
}

TEST(FlatGetValidString, OptionValueOrPrompt) {
    EXPECT_EQ(run({"vstring", "name", "Pick", "a", "b", "--", "--name", "b"}).out,
              "<ret=1 out=[b]>\n");
    EXPECT_EQ(run({"vstring", "name", "Pick", "a", "b", "--", "-nc"}, "a\n").out,
              kInvalid + "Pick  [a/b]: <ret=1 out=[a]>\n");
    EXPECT_EQ(run({"vstring", "name", "Pick", "--", "--name=anything"}).out,
              "<ret=1 out=[anything]>\n");
    // Absent, or given empty: the prompt at once.
    EXPECT_EQ(run({"vstring", "name", "Pick", "a"}, "a\n").out, "Pick  [a]: <ret=1 out=[a]>\n");
    EXPECT_EQ(run({"vstring", "name", "Pick", "a", "--", "--name="}, "a\n").out,
              "Pick  [a]: <ret=1 out=[a]>\n");
    EXPECT_EQ(run({"vstring-neg", "name", "Pick", "--", "--name", "a"}, "").out,
              kInvalid + "Pick : <ret=0>\n");
}

TEST(FlatGetValidInt, EqualBoundsOptionAndWarning) {
    EXPECT_EQ(run({"vint", "value", "Count", "5", "5", "--", "--value", "9"}, "1\n").out,
              "<ret=5>\n");
    EXPECT_EQ(run({"vint", "value", "Count", "0", "10", "--", "--value", "7"}).out, "<ret=7>\n");
    EXPECT_EQ(run({"vint", "value", "Count", "0", "20", "--", "--value", "12abc"}, "4\n").out,
              "[WARNING] --value value out of range .\nCount [0-20]: <ret=4>\n");
    EXPECT_EQ(run({"vint", "value", "Count", "0", "10", "--", "--value", "11"}, "").out,
              "[WARNING] --value value out of range .\nCount [0-10]: <ret=0>\n");
    EXPECT_EQ(run({"vint", "value", "Count", "0", "10"}, "2\n").out, "Count [0-10]: <ret=2>\n");
}

TEST(FlatGetValidHex, OptionAndWarningWithTheRange) {
    EXPECT_EQ(run({"vhex", "value", "Mask", "0", "0xff", "--", "--value", "0x1F"}).out,
              "<ret=0x1F>\n");
    EXPECT_EQ(run({"vhex", "value", "Mask", "0", "0xff", "--", "--value", "0x100"}, "3\n").out,
              "[WARNING] --value value out of range [0x0 - 0xFF].\nMask [0x0 - 0xFF]: <ret=0x3>\n");
    EXPECT_EQ(run({"vhex", "value", "Mask", "7", "7", "--", "--value", "0x100"}).out, "<ret=0x7>\n");
}

TEST(FlatSelectMode, OptionListIndexAndSingleMode) {
    const std::string list = "\n--- Select mode ---\n[0] fast - quick\n[1] slow\n";
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow", "--", "--mode", "slow"}).out,
              "<ret=1 out=[slow]>\n");
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow"}, "2\n1\n").out,
              list + "Select mode index [0-1]: " + kInvalid + "Select mode index [0-1]: <ret=1 out=[slow]>\n");
    // A valid index as option value: the warning, the list, then no prompt.
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow", "--", "--mode", "0"}).out,
              "[WARNING] --mode is invalid: 0\n" + list + "<ret=1 out=[fast]>\n");
    EXPECT_EQ(run({"mode", "mode", "fast:quick", "slow", "--", "-mbogus"}, "1\n").out,
              "[WARNING] --mode is invalid: bogus\n" + list +
                  "[WARNING] --mode value out of range .\nSelect mode index [0-1]: <ret=1 out=[slow]>\n");
    EXPECT_EQ(run({"mode", "mode", "only"}).out, "\n--- Select mode ---\n[0] only\n<ret=1 out=[only]>\n");
    EXPECT_EQ(run({"mode-nodesc", "mode", "a:x", "b"}, "0\n").out,
              "\n--- Select mode ---\n[0] a\n[1] b\nSelect mode index [0-1]: <ret=1 out=[a]>\n");
}

TEST(FlatSelectMode, EndOfInputAndNoModes) {
    EXPECT_EQ(run({"mode", "mode", "a", "b"}, "").out,
              "\n--- Select mode ---\n[0] a\n[1] b\nSelect mode index [0-1]: <ret=0 out=[]>\n");
    EXPECT_EQ(run({"mode", "mode"}).out, "\n--- Select mode ---\n<ret=0 out=[]>\n");
}

TEST(FlatSelectDevice, OneSeveralNoneAndByOption) {
    EXPECT_EQ(run({"select", "card", "timer", "a_0/alpha/1", "b_0/beta/0"}).out,
              "[INFO] One matching device found: alpha\n\n<ret=0>\n");
    EXPECT_EQ(run({"select", "card", "timer", "b_0/beta/0"}).out,
              "[ERROR] No timer compatible device found.\n<ret=-1>\n");
    EXPECT_EQ(run({"select", "card", "timer"}).out, "[ERROR] No timer compatible device found.\n<ret=-1>\n");
    EXPECT_EQ(run({"select", "card", "timer", "a_0/alpha/1", "b_0/beta/0", "c_0/gamma/2"}, "2\n1\n").out,
              "\n--- Available devices with timer ---\n[0] a_0 (alpha)\n[1] c_0 (gamma)\n"
              "Select device index [0-1]: " + kInvalid + "Select device index [0-1]: <ret=2>\n");
    // By option: the first qualifying device of that product name, silently.
    EXPECT_EQ(run({"select", "card", "timer", "b_0/same/0", "c_0/same/1", "d_0/same/1", "--", "--card", "same"}).out,
              "<ret=1>\n");
    EXPECT_EQ(run({"select", "card", "timer", "b_0/beta/0", "c_0/gamma/1", "--", "--card", "beta"}).out,
              "[WARNING] --card does not match any card.\n<ret=-1>\n");
    EXPECT_EQ(run({"select", "card", "timer", "--", "--card", "x"}).out,
              "[WARNING] --card does not match any card.\n<ret=-1>\n");
}

TEST(FlatSelectDevice, MoreThanThirtyTwoAreAllListedAndSelectable) {
    const Outcome r = run({"select", "card", "timer", "many:40"}, "39\n");
    std::string expected = "\n--- Available devices with timer ---\n";
    for (int i = 0; i < 40; ++i) {
        expected += "[" + std::to_string(i) + "] dev_" + std::to_string(i) + " (prod" + std::to_string(i) + ")\n";
    }
    EXPECT_EQ(r.out, expected + "Select device index [0-39]: <ret=39>\n");
}

TEST(FlatSelectDevice, EndOfInputGivesNull) {
    EXPECT_EQ(run({"select", "card", "timer", "a_0/alpha/1", "c_0/gamma/1"}, "").out,
              "\n--- Available devices with timer ---\n[0] a_0 (alpha)\n[1] c_0 (gamma)\n"
              "Select device index [0-1]: <ret=-1>\n");
}

TEST(FlatTimebase, ExactNamesOnly) {
    EXPECT_EQ(run({"timebase", "us"}).out, "<ret=0>\n");
    EXPECT_EQ(run({"timebase", "ms"}).out, "<ret=1>\n");
    EXPECT_EQ(run({"timebase", "s"}).out, "<ret=2>\n");
    EXPECT_EQ(run({"timebase", "c"}).out, "<ret=3>\n");
    EXPECT_EQ(run({"timebase", "MS"}).out,
              "[ERROR] Invalid timebase: MS. Use one of: us | ms | s | c\n<ret=0>\n");
}

// The flat picker's list for the available mask 0x3F with the given selection.
std::string flatList(unsigned selection) {
    const char* names[] = {"COUNT_DIRECTION_UP", "SINGLE_CYCLE", "EXTERNAL_TRIGGER", "HARDWARE_GATE",
                           "COUNTER_FALLING_EDGE_COUNT", "COUNTER_RISING_EDGE_COUNT",
                           "COUNTER_BOTH_EDGE_COUNT"};
    const unsigned values[] = {1, 2, 4, 8, 16, 32, 48};
    std::string text = "Select the tcw options: (empty to exit)\n";
    for (int i = 0; i < 7; ++i) {
        text += "  " + std::to_string(i + 1) + ") " + ((values[i] & selection) ? "[x] " : "[ ] ") + names[i];
        if (values[i] == 1) text += " (default : COUNT_DIRECTION_DOWN)";
        text += "\n";
    }
    return text;
}

TEST(FlatTcwPicker, ListsSevenEntriesAndNeverCountDirectionDown) {
    EXPECT_EQ(run({"tcw", "0x3F"}, "\n").out, flatList(0) + "> [1-7]: Exiting option selection.\n<ret=0x0>\n");
    EXPECT_EQ(run({"tcw", "0"}, "1\n").out, "<ret=0x0>\n");
    // Only entries sharing a bit with the mask, numbered from 1.
    EXPECT_EQ(run({"tcw", "0x10"}, "").out,
              "Select the tcw options: (empty to exit)\n  1) [ ] COUNTER_FALLING_EDGE_COUNT\n"
              "  2) [ ] COUNTER_BOTH_EDGE_COUNT\n> [1-2]: Exiting option selection.\n<ret=0x0>\n");
}

TEST(FlatTcwPicker, TogglesMarksAndRejectsOtherLines) {
    const std::string prompt = "> [1-7]: ";
    const std::string invalid = "[ERROR] Invalid choice. Try again.\n";
    const Outcome r = run({"tcw", "0x3F"}, "7\n5\n1\n8\n1x\n 2\n\n");
    EXPECT_EQ(r.out, flatList(0) + prompt + flatList(48) + prompt + flatList(32) + prompt +
                         flatList(33) + prompt + invalid + prompt + invalid + prompt + flatList(35) +
                         prompt + "Exiting option selection.\n<ret=0x23>\n");
    // Both edges toggled while one edge bit is set clears both.
    EXPECT_EQ(run({"tcw", "0x3F"}, "6\n7\n").out,
              flatList(0) + prompt + flatList(32) + prompt + flatList(0) + prompt +
                  "Exiting option selection.\n<ret=0x0>\n");
}

TEST(FlatPortTable, TwoPortExampleByteForByte) {
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
}

TEST(FlatPortTable, NullArraysNoPortsAndPortsFromSixteen) {
    EXPECT_EQ(run({"ports", "0", "0", "null", "null"}).out,
              "\n=\n  Digital Ports Configuration (none)\n=\n|\n|\n|\n|\n=\n\n<done>\n");
    const Outcome r = run({"ports", "0xFFFF", "17", "null", "1,2,3,4,5,6,7,8,9,a,b,c,d,e,f,10,11"});
    const std::string rule(11 * 17 + 1, '=');
    std::string modes = "|";
    std::string values = "|";
    for (int p = 0; p < 16; ++p) {
        modes += " OUTPUT   |";
        char cell[16];
        snprintf(cell, sizeof cell, " 0x%02X     |", p + 1);
        values += cell;
    }
    modes += " INPUT    |";
    values += " 0x00     |";  // port 16 is an input and the input array is null
    EXPECT_NE(r.out.find("\n" + rule + "\n  Digital Ports Configuration (0..16)\n" + rule + "\n"), std::string::npos);
    EXPECT_NE(r.out.find("| Port #9  | Port #10 |"), std::string::npos);
    EXPECT_NE(r.out.find("\n" + modes + "\n" + values + "\n" + rule + "\n\n<done>\n"), std::string::npos);
}

TEST(FlatExitOnUserInput, EndsWithTheStatusOnEnterOrEndOfInput) {
    Outcome r = run({"exit", "3"}, "\n", false);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "\nPress ENTER to exit ...\n");
    r = run({"exit", "4"}, "");
    EXPECT_EQ(r.status, 4);
}

TEST(FlatExitOnUserInput, ALineAlreadyBufferedCounts) {
    // Both lines arrive at once: the prompt's read takes them into the stream's buffer,
    // and the pipe stays open.
    const Outcome r = run({"int-exit", "5"}, "5\n\n", false);
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out, "Value [0-9]: <ret=5>\n\nPress ENTER to exit ...\n");
}

TEST(FlatExitOnUserInput, WaitsWhileNoInputArrives) {
    RunOptions options;
    options.closeInput = false;
    options.timeoutMs = 1500;
    const Outcome r = utils_test::runChild(UTILS_FLAT_CLI, {"exit", "0"}, options);
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.out, "\nPress ENTER to exit ...\n");
}

}  // namespace
