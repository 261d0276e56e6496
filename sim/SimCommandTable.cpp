// The driver command table of the simulator.
#include "SimCommandTable.h"

namespace corvane_sim {
namespace {

const CommandInfo kCommands[] = {
    {0xC0084100u, "IoctlGetDeviceInformations", 2840},
    {0xC0084101u, "IoctlGetLastError", 456},
    {0xC0084102u, "IoctlTestError", 0},
    {0xC0084103u, "IoctlTestDeviceIdentifier", 0},
    {0xC0084104u, "IoctlGetDeviceVersion", 0},
    {0xC0084105u, "IoctlClearInterruptFIFO", 4},
    {0xC0084106u, "IoctlEnableInterrupts", 4},
    {0xC0084107u, "IoctlTestInterrupts", 0},
    {0xC0084108u, "IoctlGetInterruptInformations", 140},
    {0xC0084110u, "IoctlGetDigitalInputs", 4},
    {0xC0084111u, "IoctlInitDigitalInputInterrupt", 12},
    {0xC0084112u, "IoctlStartStopDigitalInterrupt", 1},
    {0xC0084113u, "IoctlGetAllDigitalInputsFromPort", 2},
    {0xC0084121u, "IoctlSetDigitalOutputs", 8},
    {0xC0084122u, "IoctlGetDigitalOutputsStatus", 4},
    {0xC0084123u, "IoctlSetDigitalOutputInterrupt", 2},
    {0xC0084125u, "IoctlSetAllDigitalPortsDirections", 4},
    {0xC0084127u, "IoctlGetAllPortsConfiguration", 2},
    {0xC0084128u, "IoctlSetDigitalOutputsOnPort", 4},
    {0xC0084129u, "IoctlGetDigitalOutputsStatusOnPort", 2},
    {0xC0084131u, "IoctlInitTimerCounterWatchdog", 12},
    {0xC0084132u, "IoctlStartStopTriggerTimerCounterWatchdog", 3},
    {0xC0084133u, "IoctlReadTimerCounterWatchdog", 12},
    {0xC0084134u, "IoctlSetCustomTimerFrequency", 4},
    {0xC00841FFu, "IoctlDirectAccess", 0},
};

}  // namespace

const CommandInfo* findCommand(uint32_t command) {
    for (const auto& c : kCommands) {
        if (c.number == command) return &c;
    }
    return nullptr;
}

const CommandInfo* findCommandByName(const std::string& name) {
    for (const auto& c : kCommands) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

const CommandInfo* commandTable(size_t& count) {
    count = sizeof kCommands / sizeof kCommands[0];
    return kCommands;
}

uint32_t recordSize(uint32_t command) {
    const CommandInfo* c = findCommand(command);
    return c ? c->size : 0;
}

const char* commandName(uint32_t command) {
    const CommandInfo* c = findCommand(command);
    return c ? c->name : "unknown command";
}

}  // namespace corvane_sim
