// Driver failures through the C interface: every command each exported function sends is
// made to fail once, alone and with the follow-up fetch of the driver's error record
// failing too. The code, the last error, the caller's outputs and the next call are checked.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <corvane/Corvane.h>
#include <corvane/IoctlCommandTable.h>
#include <corvane/IoctlCommands.h>
#include <corvane/corvane_sim.h>

#include "FaultMatrixTable.h"

namespace {

using fault_matrix::Outputs;
using fault_matrix::Row;
using velmor::corvane::IoctlGetLastError;

std::string commandName(uint32_t command) {
    for (const auto& entry : velmor::corvane::ioctlCommandTable()) {
        if (entry.first == command) return entry.second;
    }
    return "command " + std::to_string(command);
}

std::string names(const std::vector<uint32_t>& commands) {
    std::string text;
    for (uint32_t command : commands) text += (text.empty() ? "" : ", ") + commandName(command);
    return "{" + text + "}";
}

std::string lastError() {
    std::vector<char> text(65536, '\0');
    VelmorGetLastError(text.data(), text.size() - 1);
    return text.data();
}

struct Traced {
    uint32_t command;
    int result;
};

// What the driver of node heard since the trace was last cleared.
std::vector<Traced> heard(const std::string& node) {
    std::vector<Traced> commands;
    static corvane_sim_trace_entry entry;
    for (size_t i = 0; i < corvane_sim_trace_count(); ++i) {
        if (corvane_sim_trace_get(i, &entry) == 0 && node == entry.node) {
            commands.push_back({entry.command, entry.result});
        }
    }
    return commands;
}

std::vector<uint32_t> commandsOf(const std::vector<Traced>& traced) {
    std::vector<uint32_t> commands;
    for (const Traced& t : traced) commands.push_back(t.command);
    return commands;
}

// Every exported function whose name begins with "Velmor", from the dynamic symbol table
// of the libCorvane.so this program runs with.
std::set<std::string> exportedFunctions() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&VelmorGetLastError), &info) == 0 ||
        info.dli_fname == nullptr) {
        ADD_FAILURE() << "libCorvane.so not found";
        return {};
    }
    const char* nm = std::getenv("CORVANE_TEST_NM");
    const std::string command = std::string(nm != nullptr ? nm : "nm") +
                                " -D --defined-only --format=posix '" + info.dli_fname + "'";
    std::set<std::string> functions;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return {};
    }
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char name[512], type[8];
        if (std::sscanf(line, "%511s %7s", name, type) == 2 &&
            std::strncmp(name, "Velmor", 6) == 0 && (type[0] == 'T' || type[0] == 't')) {
            // Names carry their version node: VelmorGetLastError@@CORVANE_1.0.
            functions.insert(std::string(name).substr(0, std::strcspn(name, "@")));
        }
    }
    EXPECT_EQ(pclose(pipe), 0) << command;
    return functions;
}

class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        // Nothing runs by itself: started timers and watchdogs wait for a clock that
        // never moves, so only the calls of the matrix reach the drivers.
        ASSERT_EQ(corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL), 0);
        unsigned char count = 0;
        ASSERT_EQ(VelmorGetNumberOfDevices(&count), 0u);  // builds the registry
        ASSERT_EQ(count, 5u);
    }
};

TEST_F(FaultMatrix, EveryExportedFunctionHasARow) {
    std::set<std::string> inTable;
    for (const Row& row : fault_matrix::rows()) {
        inTable.insert(row.function);
        EXPECT_TRUE(!row.board.empty() || !row.why.empty())
            << row.function << ": no board, no reason";
    }
    const std::set<std::string> exported = exportedFunctions();
    for (const std::string& name : exported) {
        EXPECT_EQ(inTable.count(name), 1u) << name << " has no row";
    }
    for (const std::string& name : inTable) {
        EXPECT_EQ(exported.count(name), 1u) << name << " is not exported";
    }
    std::printf("%zu exported functions, %zu rows\n", exported.size(), fault_matrix::rows().size());
}

TEST_F(FaultMatrix, FunctionsWithoutCommandsSendNone) {
    for (const Row& row : fault_matrix::rows()) {
        if (!row.board.empty() || !row.call) continue;
        SCOPED_TRACE(row.function);
        Outputs outputs{};
        corvane_sim_trace_clear();
        EXPECT_EQ(row.call(outputs), row.ordinary);
        EXPECT_EQ(corvane_sim_trace_count(), 0u);
    }
}

// A row's set-up or tear-down (0 when it has none).
uint32_t step(const fault_matrix::Call& call) {
    Outputs scratch{};
    return call ? call(scratch) : 0u;
}

// One failing call, the command failing where the call sends it for the time given (0:
// the first): the code, the text, the untouched outputs and the driver's side.
void failOnce(const Row& row, uint32_t command, int time, bool fetchFails) {
    const std::string name = commandName(command);
    SCOPED_TRACE(row.function + " on " + row.board + ", " + name + " fails (send " +
                 std::to_string(time + 1) + ")" +
                 (fetchFails ? ", the error record cannot be fetched" : ""));
    ASSERT_EQ(step(row.setup), 0u) << lastError();
    auto outputs = std::make_unique<Outputs>();
    std::memset(outputs.get(), 0xA5, sizeof *outputs);
    const auto canary = std::make_unique<Outputs>(*outputs);
    corvane_sim_trace_clear();
    ASSERT_EQ(corvane_sim_fail_after(row.board.c_str(), command, time, -1, EIO, 1, nullptr), 0);
    if (fetchFails) {
        ASSERT_EQ(corvane_sim_fail(row.board.c_str(), IoctlGetLastError, -1, EIO, 1, nullptr), 0);
    }

    EXPECT_EQ(row.call(*outputs), row.failure);
    if (row.failure != 0) {
        char code[48];
        std::snprintf(code, sizeof code, "[CorvaneException] Code: 0x%x ", row.failure);
        const std::string text = lastError();
        EXPECT_EQ(text.rfind(code, 0), 0u) << text;
        EXPECT_NE(text.find("Error happened with IOCTL " + name + ". "), std::string::npos) << text;
        // The driver's account is quoted only when it could be fetched.
        EXPECT_EQ(text.find("Injected failure") != std::string::npos, !fetchFails) << text;
    }
    EXPECT_EQ(std::memcmp(outputs.get(), canary.get(), sizeof *outputs), 0)
        << "an output was written";

    const std::vector<Traced> traced = heard(row.board);
    std::vector<int> results;  // of command, in order
    size_t fetchesFailed = 0;
    for (const Traced& t : traced) {
        if (t.command == command) results.push_back(t.result);
        fetchesFailed += t.command == IoctlGetLastError && t.result != 0;
    }
    std::vector<int> expected(static_cast<size_t>(time), 0);  // the earlier sends succeed
    expected.push_back(-1);                                    // and the call stops here
    EXPECT_EQ(results, expected) << names(commandsOf(traced));
    EXPECT_EQ(fetchesFailed, fetchFails ? 1u : 0u) << names(commandsOf(traced));
    corvane_sim_clear_failures();

    // The rule fired once: the very next call behaves as an undisturbed one.
    EXPECT_EQ(row.call(*outputs), row.ordinary) << lastError();
    EXPECT_EQ(step(row.teardown), 0u) << lastError();
}

TEST_F(FaultMatrix, EveryCommandOfEveryFunctionFails) {
    std::set<std::string> functions;
    size_t commandRows = 0, cases = 0;
    for (const Row& row : fault_matrix::rows()) {
        if (row.board.empty()) continue;
        SCOPED_TRACE(row.function + " on " + row.board);
        // An undisturbed call first: the commands it sends are the ones to fail.
        auto outputs = std::make_unique<Outputs>();
        ASSERT_EQ(step(row.setup), 0u) << lastError();
        corvane_sim_trace_clear();
        ASSERT_EQ(row.call(*outputs), row.ordinary) << lastError();
        const std::vector<uint32_t> sent = commandsOf(heard(row.board));
        EXPECT_EQ(names(sent), names(row.commands));
        ASSERT_EQ(step(row.teardown), 0u) << lastError();

        std::map<uint32_t, int> times;  // sends of each command so far
        functions.insert(row.function);
        for (uint32_t command : sent) {
            // Failures of the error-record fetch are the second half of every case.
            if (command == IoctlGetLastError) continue;
            ++commandRows;
            const int time = times[command]++;
            for (bool fetchFails : {false, true}) {
                failOnce(row, command, time, fetchFails);
                ++cases;
            }
        }
    }
    std::printf("%zu functions, %zu command rows, %zu cases\n", functions.size(), commandRows,
                cases);
}

std::atomic<int> interruptsDelivered{0};
void countInterrupt(VelmorDeviceStruct, InterruptData) { ++interruptsDelivered; }

// Waits up to five seconds for condition.
template <typename Condition>
bool eventually(Condition condition) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// The command the thread that VelmorEnableDeviceInterrupts starts sends for each
// interrupt fails: the thread ends without calling back, disabling still returns 0,
// enabling works again and no interrupt is lost.
TEST_F(FaultMatrix, InterruptReadOfTheThreadFails) {
    const uint32_t read = velmor::corvane::IoctlGetInterruptInformations;
    size_t cases = 0;
    for (const char* board : {"keloe6100_0", "kelo3100_0", "keloe5100_0", "keloe7100_0"}) {
        for (bool fetchFails : {false, true}) {
            SCOPED_TRACE(std::string(board) +
                         (fetchFails ? ", the error record cannot be fetched" : ""));
            interruptsDelivered = 0;
            ASSERT_EQ(VelmorSetDeviceInterruptCallback(board, countInterrupt), 0u);
            ASSERT_EQ(VelmorEnableDeviceInterrupts(board), 0u);
            corvane_sim_trace_clear();
            ASSERT_EQ(corvane_sim_fail(board, read, -1, EIO, 1, nullptr), 0);
            if (fetchFails) {
                ASSERT_EQ(corvane_sim_fail(board, IoctlGetLastError, -1, EIO, 1, nullptr), 0);
            }
            ASSERT_EQ(VelmorTestDeviceInterrupts(board), 0u);
            // The thread fetches the driver's account after the failed read (or fails to).
            EXPECT_TRUE(eventually([&] {
                const std::vector<Traced> traced = heard(board);
                return !traced.empty() && traced.back().command == IoctlGetLastError;
            })) << names(commandsOf(heard(board)));
            const std::vector<Traced> traced = heard(board);
            ASSERT_EQ(names(commandsOf(traced)),
                      names({velmor::corvane::IoctlTestInterrupts, read, IoctlGetLastError}));
            EXPECT_NE(traced[1].result, 0);
            EXPECT_EQ(traced[2].result != 0, fetchFails);
            corvane_sim_clear_failures();

            EXPECT_EQ(VelmorDisableDeviceInterrupts(board), 0u);
            EXPECT_EQ(interruptsDelivered.load(), 0);
            ASSERT_EQ(VelmorEnableDeviceInterrupts(board), 0u);
            ASSERT_EQ(VelmorTestDeviceInterrupts(board), 0u);
            // The interrupt whose read failed stayed in the board's queue: it arrives now,
            // before the new one.
            EXPECT_TRUE(eventually([] { return interruptsDelivered.load() == 2; }))
                << interruptsDelivered.load();
            EXPECT_EQ(corvane_sim_pending_interrupts(board), 0);
            EXPECT_EQ(VelmorDisableDeviceInterrupts(board), 0u);
            ++cases;
        }
    }
    std::printf("%zu interrupt-thread cases\n", cases);
}

// The first call of a process builds the registry: one information request per board.
// Run as a CTest test of its own per function (see faultmatrix.cmake), with the function,
// the board whose request fails, the code that board's model raises and whether the
// error record can be fetched in the environment. The failure must not stick: the next call builds
// the registry.
TEST(RegistryBuild, FirstCallFailsAndTheNextBuildsIt) {
    const char* function = std::getenv("CORVANE_FAULT_FIRST_CALL");
    const char* board = std::getenv("CORVANE_FAULT_BOARD");
    const char* code = std::getenv("CORVANE_FAULT_CODE");
    ASSERT_TRUE(function != nullptr && board != nullptr && code != nullptr) << "run by CTest";
    const uint32_t expected = static_cast<uint32_t>(std::strtoul(code, nullptr, 16));
    const bool fetchFails = std::getenv("CORVANE_FAULT_FETCH_FAILS") != nullptr;
    const Row* row = nullptr;
    for (const Row& candidate : fault_matrix::rows()) {
        if (candidate.function == function && candidate.call) row = &candidate;
    }
    ASSERT_NE(row, nullptr) << function;
    ASSERT_EQ(
        corvane_sim_fail(board, velmor::corvane::IoctlGetDeviceInformations, -1, EIO, 1, nullptr),
        0);
    if (fetchFails) {
        ASSERT_EQ(corvane_sim_fail(board, IoctlGetLastError, -1, EIO, 1, nullptr), 0);
    }

    auto outputs = std::make_unique<Outputs>();
    std::memset(outputs.get(), 0xA5, sizeof *outputs);
    const auto canary = std::make_unique<Outputs>(*outputs);
    EXPECT_EQ(row->call(*outputs), expected);
    char prefix[48];
    std::snprintf(prefix, sizeof prefix, "[CorvaneException] Code: 0x%x ", expected);
    const std::string text = lastError();
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    EXPECT_NE(text.find("Error happened with IOCTL IoctlGetDeviceInformations. "),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Injected failure") != std::string::npos, !fetchFails) << text;
    EXPECT_EQ(std::memcmp(outputs.get(), canary.get(), sizeof *outputs), 0)
        << "an output was written";

    corvane_sim_clear_failures();
    EXPECT_EQ(row->call(*outputs), row->ordinary) << lastError();
    unsigned char count = 0;
    EXPECT_EQ(VelmorGetNumberOfDevices(&count), 0u);
    EXPECT_EQ(count, 5u);
}

}  // namespace
