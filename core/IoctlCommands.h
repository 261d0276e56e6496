// The driver command numbers: read-write ioctl requests of type 'A' with an 8-byte
// argument (the address of the argument record), number = 0xC0084100 + index.
#ifndef CORVANE_IOCTL_COMMANDS_H
#define CORVANE_IOCTL_COMMANDS_H

namespace velmor {
namespace corvane {

constexpr unsigned int IoctlGetDeviceInformations = 0xC0084100u;
constexpr unsigned int IoctlGetLastError = 0xC0084101u;
constexpr unsigned int IoctlTestError = 0xC0084102u;
constexpr unsigned int IoctlTestDeviceIdentifier = 0xC0084103u;
constexpr unsigned int IoctlGetDeviceVersion = 0xC0084104u;
constexpr unsigned int IoctlClearInterruptFIFO = 0xC0084105u;
constexpr unsigned int IoctlEnableInterrupts = 0xC0084106u;
constexpr unsigned int IoctlTestInterrupts = 0xC0084107u;
constexpr unsigned int IoctlGetInterruptInformations = 0xC0084108u;
constexpr unsigned int IoctlGetDigitalInputs = 0xC0084110u;
constexpr unsigned int IoctlInitDigitalInputInterrupt = 0xC0084111u;
constexpr unsigned int IoctlStartStopDigitalInterrupt = 0xC0084112u;
constexpr unsigned int IoctlGetAllDigitalInputsFromPort = 0xC0084113u;
constexpr unsigned int IoctlSetDigitalOutputs = 0xC0084121u;
constexpr unsigned int IoctlGetDigitalOutputsStatus = 0xC0084122u;
constexpr unsigned int IoctlSetDigitalOutputInterrupt = 0xC0084123u;
constexpr unsigned int IoctlSetAllDigitalPortsDirections = 0xC0084125u;
constexpr unsigned int IoctlGetAllPortsConfiguration = 0xC0084127u;
constexpr unsigned int IoctlSetDigitalOutputsOnPort = 0xC0084128u;
constexpr unsigned int IoctlGetDigitalOutputsStatusOnPort = 0xC0084129u;
constexpr unsigned int IoctlInitTimerCounterWatchdog = 0xC0084131u;
constexpr unsigned int IoctlStartStopTriggerTimerCounterWatchdog = 0xC0084132u;
constexpr unsigned int IoctlReadTimerCounterWatchdog = 0xC0084133u;
constexpr unsigned int IoctlSetCustomTimerFrequency = 0xC0084134u;
constexpr unsigned int IoctlDirectAccess = 0xC00841FFu;

}  // namespace corvane
}  // namespace velmor

#endif
