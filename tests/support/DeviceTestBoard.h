// Small boards built from the capability mixins, for tests of the device base. They
// open a node of the board simulator themselves and implement the capability operations
// only as far as the tests need.
#ifndef CORVANE_TEST_DEVICE_TEST_BOARD_H
#define CORVANE_TEST_DEVICE_TEST_BOARD_H

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CorvaneException.h"
#include "CounterImpl.h"
#include "DigitalImpl.h"
#include "DigitalPortImpl.h"
#include "IoctlCommands.h"
#include "TestInterface.h"
#include "TimerImpl.h"
#include "WatchdogImpl.h"
#include "corvane_sim.h"

namespace corvane_test {

using namespace velmor::corvane;

// Resets the simulator to the boards described and opens the first board's node.
// Returns the descriptor, or -1.
inline int openSimulatedBoard(const char* boards = "keloe6100") {
    corvane_sim_reset(0);
    if (corvane_sim_add_boards(boards) < 1) {
        return -1;
    }
    char node[64] = {0};
    if (corvane_sim_board_node(0, node, sizeof node) != 0) {
        return -1;
    }
    return ::open((std::string("/dev/") + node).c_str(), O_RDWR);
}

inline std::string simulatedNode(int index = 0) {
    char node[64] = {0};
    corvane_sim_board_node(index, node, sizeof node);
    return node;
}

// What the board constructor saw of its bases while it ran.
struct ConstructionSnapshot {
    int deviceCount = -1;
    bool transportBound = false;
    bool digitalStateReady = false;
    std::string commandName;
};

// A channel board with every mixin except the interrupt engine.
class ChannelTestBoard : public DigitalImpl,
                         public TimerImpl,
                         public CounterImpl,
                         public WatchdogImpl,
                         public TestInterface {
public:
    explicit ChannelTestBoard(int fd) : DeviceInterface(fd), TestInterface(fd) {
        seen.deviceCount = device_count.load();
        seen.commandName = ioctlToString(IoctlGetDigitalInputs);
        seen.digitalStateReady = !isAnyDigitalInterruptEventSet() && channelEventMap.size() == 64;
        try {
            uint32_t inputs = 0;
            ioctlCall(IoctlGetDigitalInputs, &inputs, sizeof inputs);
            seen.transportBound = true;
        } catch (const CorvaneException&) {
            seen.transportBound = false;
        }
    }

    ConstructionSnapshot seen;

    // Base state reached from tests.
    using DeviceInterface::logLine;
    velmor::foundation::Logger& log() { return logger; }
    IoctlInterface& transport() { return *ioctl; }
    std::map<uint8_t, DIGITAL_EVENT_TYPE>& channelEvents() { return channelEventMap; }
    std::map<uint8_t, DIGITAL_EVENT_LOGIC>& portLogic() { return portLogicMap; }
    bool outputMemoryFlag() const { return outputMemory; }
    std::map<char, bool>& timerEvents() { return TimerImpl::interruptEventMap; }
    std::map<char, bool>& counterEvents() { return CounterImpl::interruptEventMap; }
    std::map<char, bool>& watchdogEvents() { return WatchdogImpl::interruptEventMap; }
    const std::vector<void*>& libraries() const { return pluginHandles; }
    size_t pluginCount() const { return plugins.size(); }

    // Digital operations: only what the tests call.
    void enableDigitalInterrupt() override {}
    void disableDigitalInterrupt() override {}
    bool readSingleDigitalInput(uint8_t channel) override {
        return (readAllDigitalInput() >> channel) & 1u;
    }
    uint32_t readAllDigitalInput() override {
        uint32_t inputs = 0;
        ioctlCall(IoctlGetDigitalInputs, &inputs, sizeof inputs);
        return inputs;
    }
    void writeSingleDigitalOutput(uint8_t, bool) override { unused("writeSingleDigitalOutput"); }
    void writeAllDigitalOutput(uint32_t, bool) override { unused("writeAllDigitalOutput"); }
    uint32_t getDigitalOutputStatus() override {
        uint32_t status = 0;
        ioctlCall(IoctlGetDigitalOutputsStatus, &status, sizeof status);
        return status;
    }
    void setInterruptEventForInputs(uint32_t, DIGITAL_EVENT_TYPE) override {
        unused("setInterruptEventForInputs");
    }
    void setInterruptEventForOneInput(uint8_t, DIGITAL_EVENT_TYPE) override {
        unused("setInterruptEventForOneInput");
    }
    void setInterruptLogicForPort(uint8_t, DIGITAL_EVENT_LOGIC) override {
        unused("setInterruptLogicForPort");
    }
    void setOutputInterrupt(bool, bool) override { unused("setOutputInterrupt"); }

    void initTimer(uint8_t, TIMEBASE_UNITS, uint16_t, uint32_t) override { unused("initTimer"); }
    void setCustomTimerFrequency(uint32_t) override { unused("setCustomTimerFrequency"); }
    void startTimer(uint8_t) override { unused("startTimer"); }
    void stopTimer(uint8_t) override { unused("stopTimer"); }
    uint32_t readTimerValue(uint8_t) override { return unused("readTimerValue"), 0; }
    void readTimerStatus(uint8_t, uint32_t&, uint8_t&, uint8_t&, uint8_t&) override {
        unused("readTimerStatus");
    }
    void triggerTimer(uint8_t) override { unused("triggerTimer"); }
    void enableTimerInterrupt(uint8_t timer) override {
        verifyTimerParameters(timer, VELMOR_FUNCTION_ENABLE_INTERRUPT);
        TimerImpl::interruptEventMap[static_cast<char>(timer)] = true;
    }
    void disableTimerInterrupt(uint8_t timer) override {
        verifyTimerParameters(timer, VELMOR_FUNCTION_DISABLE_INTERRUPT);
        TimerImpl::interruptEventMap[static_cast<char>(timer)] = false;
    }

    void initCounter(uint8_t, uint32_t, uint32_t) override { unused("initCounter"); }
    void startCounter(uint8_t) override { unused("startCounter"); }
    void stopCounter(uint8_t) override { unused("stopCounter"); }
    uint32_t readCounterValue(uint8_t) override { return unused("readCounterValue"), 0; }
    void readCounterStatus(uint8_t, uint32_t&, uint8_t&, uint8_t&, uint8_t&) override {
        unused("readCounterStatus");
    }
    void enableCounterInterrupt(uint8_t counter) override {
        verifyCounterParameters(counter, VELMOR_FUNCTION_ENABLE_INTERRUPT);
        CounterImpl::interruptEventMap[static_cast<char>(counter)] = true;
    }
    void disableCounterInterrupt(uint8_t counter) override {
        verifyCounterParameters(counter, VELMOR_FUNCTION_DISABLE_INTERRUPT);
        CounterImpl::interruptEventMap[static_cast<char>(counter)] = false;
    }

    void initWatchdog(uint8_t, TIMEBASE_UNITS, uint16_t, uint32_t) override {
        unused("initWatchdog");
    }
    void startWatchdog(uint8_t) override { unused("startWatchdog"); }
    void stopWatchdog(uint8_t) override { unused("stopWatchdog"); }
    uint32_t readWatchdogValue(uint8_t) override { return unused("readWatchdogValue"), 0; }
    void readWatchdogStatus(uint8_t, uint32_t&, uint8_t&, uint8_t&, uint8_t&) override {
        unused("readWatchdogStatus");
    }
    void triggerWatchdog(uint8_t) override { unused("triggerWatchdog"); }
    void enableWatchdogInterrupt(uint8_t watchdog) override {
        verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_ENABLE_INTERRUPT);
        WatchdogImpl::interruptEventMap[static_cast<char>(watchdog)] = true;
    }
    void disableWatchdogInterrupt(uint8_t watchdog) override {
        verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_DISABLE_INTERRUPT);
        WatchdogImpl::interruptEventMap[static_cast<char>(watchdog)] = false;
    }

private:
    [[noreturn]] static void unused(const char* name) { throw NotImplementedException(name); }
};

// A port board: the port mixin and the test interface only.
class PortTestBoard : public DigitalPortImpl, public TestInterface {
public:
    explicit PortTestBoard(int fd) : DeviceInterface(fd), TestInterface(fd) {}

    bool outputMemoryFlag() const { return outputMemory; }

    void enableDigitalInterrupt() override {}
    void disableDigitalInterrupt() override {}
    void setAllDigitalPortsDirections(uint32_t) override {}
    uint32_t getAllDigitalPortDirections() override { return 0; }
    uint8_t readAllDigitalInputsFromPort(uint8_t) override { return 0; }
    void writeSingleDigitalOutputOnPort(uint8_t, uint8_t, uint8_t) override {}
    void writeAllDigitalOutputsOnPort(uint8_t, uint8_t, uint8_t) override {}
    uint8_t getDigitalOutputsStatusOnPort(uint8_t) override { return 0; }
};

// The board log: $HOME/.velmor/velmor/velmor.log.
inline std::string boardLogPath() {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.velmor/velmor/velmor.log";
}

inline std::vector<std::string> readLogLines() {
    std::vector<std::string> lines;
    std::ifstream in(boardLogPath());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline void clearBoardLog() { ::unlink(boardLogPath().c_str()); }

// Lines whose message part (after "<time> - <LEVEL> - ") starts with prefix at level.
inline std::vector<std::string> logMessages(const std::string& level,
                                            const std::string& prefix = "") {
    std::vector<std::string> found;
    const std::string marker = " - " + level + " - ";
    for (const std::string& line : readLogLines()) {
        auto at = line.find(marker);
        if (at == std::string::npos) {
            continue;
        }
        std::string message = line.substr(at + marker.size());
        if (message.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(message);
        }
    }
    return found;
}

// Sets VELMOR_LOG_LEVEL for the boards built while it lives.
class ScopedLogLevel {
public:
    explicit ScopedLogLevel(const char* level) { ::setenv("VELMOR_LOG_LEVEL", level, 1); }
    ~ScopedLogLevel() { ::unsetenv("VELMOR_LOG_LEVEL"); }
};

}  // namespace corvane_test

#endif
