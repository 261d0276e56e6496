#include "IoctlCommandTable.h"

#include "IoctlCommands.h"

namespace velmor {
namespace corvane {

const std::vector<std::pair<unsigned int, std::string>>& ioctlCommandTable() {
    static const std::vector<std::pair<unsigned int, std::string>> table = {
        {IoctlGetDeviceInformations, "IoctlGetDeviceInformations"},
        {IoctlGetLastError, "IoctlGetLastError"},
        {IoctlTestError, "IoctlTestError"},
        {IoctlTestDeviceIdentifier, "IoctlTestDeviceIdentifier"},
        {IoctlGetDeviceVersion, "IoctlGetDeviceVersion"},
        {IoctlClearInterruptFIFO, "IoctlClearInterruptFIFO"},
        {IoctlEnableInterrupts, "IoctlEnableInterrupts"},
        {IoctlTestInterrupts, "IoctlTestInterrupts"},
        {IoctlGetInterruptInformations, "IoctlGetInterruptInformations"},
        {IoctlGetDigitalInputs, "IoctlGetDigitalInputs"},
        {IoctlInitDigitalInputInterrupt, "IoctlInitDigitalInputInterrupt"},
        {IoctlStartStopDigitalInterrupt, "IoctlStartStopDigitalInterrupt"},
        {IoctlGetAllDigitalInputsFromPort, "IoctlGetAllDigitalInputsFromPort"},
        {IoctlSetDigitalOutputs, "IoctlSetDigitalOutputs"},
        {IoctlGetDigitalOutputsStatus, "IoctlGetDigitalOutputsStatus"},
        {IoctlSetDigitalOutputInterrupt, "IoctlSetDigitalOutputInterrupt"},
        {IoctlSetAllDigitalPortsDirections, "IoctlSetAllDigitalPortsDirections"},
        {IoctlGetAllPortsConfiguration, "IoctlGetAllPortsConfiguration"},
        {IoctlSetDigitalOutputsOnPort, "IoctlSetDigitalOutputsOnPort"},
        {IoctlGetDigitalOutputsStatusOnPort, "IoctlGetDigitalOutputsStatusOnPort"},
        {IoctlInitTimerCounterWatchdog, "IoctlInitTimerCounterWatchdog"},
        {IoctlStartStopTriggerTimerCounterWatchdog, "IoctlStartStopTriggerTimerCounterWatchdog"},
        {IoctlReadTimerCounterWatchdog, "IoctlReadTimerCounterWatchdog"},
        {IoctlSetCustomTimerFrequency, "IoctlSetCustomTimerFrequency"},
        {IoctlDirectAccess, "IoctlDirectAccess"},
    };
    return table;
}

}  // namespace corvane
}  // namespace velmor
