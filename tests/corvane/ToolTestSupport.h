// Runs corvane commands in-process over the simulated boards of CORVANE_SIM_BOARDS and
// gives their exit status and both outputs.
//
//   ToolRun r = runTool({"get", "keloe6100_0", "3"});
//   EXPECT_EQ(r.status, 0);
//   EXPECT_EQ(r.out, "3=1\n");
//
// The registry is built once per process, so every test case runs in a process of its
// own (CTest runs each discovered case alone) with the board set of its executable.
#ifndef CORVANE_TOOL_TEST_SUPPORT_H
#define CORVANE_TOOL_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "CorvaneException.h"
#include "SimTestSupport.h"

namespace corvane_tool_test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline ToolRun runTool(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    ToolRun run;
    run.status = corvane_tool::runCommandLine(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// What the tool writes to standard error for a library failure with this code and message.
inline std::string libraryFailure(uint32_t code, const std::string& message) {
    return "corvane: " + CorvaneException::composeText(code, message) + "\n";
}

// What it writes for a usage error of `command` ("corvane get").
inline std::string usageFailure(const std::string& command, const std::string& message,
                                const std::string& helpCommand = std::string()) {
    return command + ": " + message + "\nRun '" + (helpCommand.empty() ? command : helpCommand) +
           " --help' for more information.\n";
}

// Builds the registry first (with corvane list), so that the trace afterwards holds only
// the driver calls of the commands a test runs.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runTool({"list"}).status, 0);
        corvane_sim_test::simClearTrace();
    }
};

}  // namespace corvane_tool_test

#endif
