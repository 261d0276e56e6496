// The enumerations of the driver records and of the error model.
#include <nanobind/nanobind.h>

#include "CorvaneErrors.h"
#include "PyBindings.h"
#include "VelmorTypes.h"

namespace corvane_python {

void bindDeviceEnumerations(nb::module_& m) {
    nb::enum_<DIGIO_COUNTER_TIMER_SOURCE>(m, "DIGIO_COUNTER_TIMER_SOURCE",
                                          "The inputs of a counter/timer unit.")
        .value("SIGNAL_INPUT", SIGNAL_INPUT, "The signal (count) input.")
        .value("TRIGGER_INPUT", TRIGGER_INPUT, "The trigger input.")
        .value("GATE_INPUT", GATE_INPUT, "The gate input.");

    nb::enum_<DIGITAL_EVENT_TYPE>(m, "DIGITAL_EVENT_TYPE", "The input event that raises a digital interrupt.")
        .value("UNUSED", UNUSED, "No interrupt from this input.")
        .value("ON_ZERO", ON_ZERO, "While the input is 0.")
        .value("ON_ONE", ON_ONE, "While the input is 1.")
        .value("FALLING_EDGE", FALLING_EDGE, "When the input goes from 1 to 0.")
        .value("RISING_EDGE", RISING_EDGE, "When the input goes from 0 to 1.")
        .value("ANY_EDGE", ANY_EDGE, "When the input changes.");

    nb::enum_<DIGITAL_EVENT_LOGIC>(m, "DIGITAL_EVENT_LOGIC",
                                   "How the input events of a port combine into one interrupt.")
        .value("OR", OR, "An interrupt when any input event of the port occurs.")
        .value("AND", AND, "An interrupt when all input events of the port occur together.");

    nb::enum_<TIMEBASE_UNITS>(m, "TIMEBASE_UNITS",
                              "The unit of a timer's or watchdog's reload value; int() gives its value.")
        .value("MICROSECOND", MICROSECOND, "Microseconds.")
        .value("MILLISECOND", MILLISECOND, "Milliseconds.")
        .value("SECOND", SECOND, "Seconds.")
        .value("CUSTOM", CUSTOM, "Periods of the frequency set with TimerInterface.set_custom_timer_frequency.")
        .def("__int__", [](TIMEBASE_UNITS unit) { return static_cast<int>(unit); }, "The member's value.");

    // An IntEnum, so that options combine with | into plain ints.
    nb::enum_<VELMOR_TCW_OPTIONS>(m, "VELMOR_TCW_OPTIONS",
                                  "Options of timers, counters and watchdogs: an IntEnum whose members\n"
                                  "combine with | into the int that the init methods take.",
                                  nb::is_arithmetic())
        .value("COUNT_DIRECTION_DOWN", COUNT_DIRECTION_DOWN, "Count down (the value 0: no flag).")
        .value("COUNT_DIRECTION_UP", COUNT_DIRECTION_UP, "Count up.")
        .value("SINGLE_CYCLE", SINGLE_CYCLE, "Run one cycle, then stop.")
        .value("EXTERNAL_TRIGGER", EXTERNAL_TRIGGER, "Start on the external trigger input.")
        .value("HARDWARE_GATE", HARDWARE_GATE, "Run only while the gate input is active.")
        .value("COUNTER_FALLING_EDGE_COUNT", COUNTER_FALLING_EDGE_COUNT, "Count falling edges.")
        .value("COUNTER_RISING_EDGE_COUNT", COUNTER_RISING_EDGE_COUNT, "Count rising edges.")
        .value("COUNTER_BOTH_EDGE_COUNT", COUNTER_BOTH_EDGE_COUNT, "Count both edges.");

    nb::enum_<PORT_DIRECTION>(m, "PORT_DIRECTION",
                              "The direction of a port; int() gives its value.")
        .value("PORT_INPUT", PORT_INPUT, "The port's lines are inputs (its bit of a direction word is 0).")
        .value("PORT_OUTPUT", PORT_OUTPUT, "The port's lines are outputs (its bit of a direction word is 1).")
        .def("__int__", [](PORT_DIRECTION direction) { return static_cast<int>(direction); }, "The member's value.");
}

void bindErrorEnumerations(nb::module_& m) {
    nb::enum_<VelmorSource>(m, "VelmorSource", "The source field of an error code (bit 31): who detected the failure.")
        .value("VELMOR_DRIVER", VELMOR_DRIVER, "The kernel driver (or the board's start-up).")
        .value("VELMOR_API", VELMOR_API, "The library.");

    nb::enum_<VelmorDomain>(m, "VelmorDomain",
                            "The domain field of an error code (bits 30..24): the area of the failure.\n"
                            "Values 10 and above have no member; decoding gives them as int.")
        .value("VELMOR_DOMAIN_GENERIC", VELMOR_DOMAIN_GENERIC, "No particular area: boards, registry, calls.")
        .value("VELMOR_DOMAIN_COUNTER", VELMOR_DOMAIN_COUNTER, "Counters.")
        .value("VELMOR_DOMAIN_DIGIO", VELMOR_DOMAIN_DIGIO, "Digital inputs and outputs.")
        .value("VELMOR_DOMAIN_TIMER", VELMOR_DOMAIN_TIMER, "Timers.")
        .value("VELMOR_DOMAIN_WATCHDOG", VELMOR_DOMAIN_WATCHDOG, "Watchdogs.")
        .value("VELMOR_DOMAIN_INTERRUPTS", VELMOR_DOMAIN_INTERRUPTS, "Interrupts and the interrupt thread.")
        .value("VELMOR_DOMAIN_LINUX_IOCTL", VELMOR_DOMAIN_LINUX_IOCTL, "The driver call (ioctl) on Linux.")
        .value("VELMOR_DOMAIN_WIN_IOCTL", VELMOR_DOMAIN_WIN_IOCTL, "The driver call on Windows (not used on Linux).")
        .value("VELMOR_DOMAIN_DIG_EVENT", VELMOR_DOMAIN_DIG_EVENT, "Digital input events.")
        .value("VELMOR_DOMAIN_PLUGIN", VELMOR_DOMAIN_PLUGIN, "Plug-ins.");

    nb::enum_<VelmorFunction>(m, "VelmorFunction",
                              "The function field of an error code (bits 15..8): the operation in which the\n"
                              "failure was detected. Values 45 and above have no member (the library raises\n"
                              "46 for a port out of range); decoding gives them as int.")
        .value("VELMOR_FUNCTION_NONE", VELMOR_FUNCTION_NONE, "No particular operation.")
        .value("VELMOR_FUNCTION_READ", VELMOR_FUNCTION_READ, "A read.")
        .value("VELMOR_FUNCTION_INTERRUPT_CALLBACK", VELMOR_FUNCTION_INTERRUPT_CALLBACK, "Setting the interrupt callback.")
        .value("VELMOR_FUNCTION_IOCTL_CALL", VELMOR_FUNCTION_IOCTL_CALL, "A driver call.")
        .value("VELMOR_FUNCTION_IOCTL_INIT", VELMOR_FUNCTION_IOCTL_INIT, "Setting up the driver's command set.")
        .value("VELMOR_FUNCTION_ENABLE_INTERRUPT", VELMOR_FUNCTION_ENABLE_INTERRUPT, "Enabling an interrupt.")
        .value("VELMOR_FUNCTION_CREATE_INTERRUPT", VELMOR_FUNCTION_CREATE_INTERRUPT, "Starting the interrupt thread.")
        .value("VELMOR_FUNCTION_KILL_INTERRUPT", VELMOR_FUNCTION_KILL_INTERRUPT, "Stopping the interrupt thread.")
        .value("VELMOR_FUNCTION_EVENT_FD", VELMOR_FUNCTION_EVENT_FD, "Creating the interrupt thread's event descriptor.")
        .value("VELMOR_FUNCTION_WAIT_INTERRUPT", VELMOR_FUNCTION_WAIT_INTERRUPT, "Waiting for an interrupt.")
        .value("VELMOR_FUNCTION_SELECT_EVENT", VELMOR_FUNCTION_SELECT_EVENT, "Waiting on the board's descriptors.")
        .value("VELMOR_FUNCTION_CHECK_RELOAD_VALUE", VELMOR_FUNCTION_CHECK_RELOAD_VALUE, "Checking a reload value.")
        .value("VELMOR_FUNCTION_CHECK_TIMEBASE", VELMOR_FUNCTION_CHECK_TIMEBASE, "Checking a time base.")
        .value("VELMOR_FUNCTION_SET_DEVICE_HANDLE", VELMOR_FUNCTION_SET_DEVICE_HANDLE, "Binding a board to its descriptor.")
        .value("VELMOR_FUNCTION_CALL", VELMOR_FUNCTION_CALL, "A call of the interface (its arguments, the board's capabilities).")
        .value("VELMOR_FUNCTION_HANDLE_RETURN", VELMOR_FUNCTION_HANDLE_RETURN, "The result of a driver call.")
        .value("VELMOR_FUNCTION_CHANNEL_RANGE", VELMOR_FUNCTION_CHANNEL_RANGE, "Checking a channel number.")
        .value("VELMOR_FUNCTION_INFO", VELMOR_FUNCTION_INFO, "Reading the board's information.")
        .value("VELMOR_FUNCTION_INIT", VELMOR_FUNCTION_INIT, "Setting up a unit or a board.")
        .value("VELMOR_FUNCTION_START", VELMOR_FUNCTION_START, "Starting a unit.")
        .value("VELMOR_FUNCTION_TRIGGER", VELMOR_FUNCTION_TRIGGER, "Triggering a unit.")
        .value("VELMOR_FUNCTION_CONVERT_FREQ", VELMOR_FUNCTION_CONVERT_FREQ, "Converting a frequency.")
        .value("VELMOR_FUNCTION_STOP", VELMOR_FUNCTION_STOP, "Stopping a unit.")
        .value("VELMOR_FUNCTION_READ_VALUE", VELMOR_FUNCTION_READ_VALUE, "Reading a unit's value.")
        .value("VELMOR_FUNCTION_READ_STATUS", VELMOR_FUNCTION_READ_STATUS, "Reading a unit's status.")
        .value("VELMOR_FUNCTION_WRITE_DIGOUT", VELMOR_FUNCTION_WRITE_DIGOUT, "Writing digital outputs.")
        .value("VELMOR_FUNCTION_INTERRUPT_EVENT", VELMOR_FUNCTION_INTERRUPT_EVENT, "Setting an input's interrupt event.")
        .value("VELMOR_FUNCTION_INTERRUPT_LOGIC", VELMOR_FUNCTION_INTERRUPT_LOGIC, "Setting a port's interrupt logic.")
        .value("VELMOR_FUNCTION_UPDATE_DIGITAL_INTERRUPT", VELMOR_FUNCTION_UPDATE_DIGITAL_INTERRUPT,
               "Sending the digital interrupt set-up to the driver.")
        .value("VELMOR_FUNCTION_GET_DIGOUT_STATUS", VELMOR_FUNCTION_GET_DIGOUT_STATUS, "Reading the outputs' state.")
        .value("VELMOR_FUNCTION_ENSURE_ID", VELMOR_FUNCTION_ENSURE_ID, "Checking an identifier.")
        .value("VELMOR_FUNCTION_TEST", VELMOR_FUNCTION_TEST, "A test operation.")
        .value("VELMOR_FUNCTION_ZILOG_INIT_EVENT", VELMOR_FUNCTION_ZILOG_INIT_EVENT,
               "Setting up the events of the counter/timer chip.")
        .value("VELMOR_FUNCTION_INIT_DIGIT_INTERRUPT", VELMOR_FUNCTION_INIT_DIGIT_INTERRUPT,
               "Setting up the digital interrupts.")
        .value("VELMOR_FUNCTION_START_STOP_TCW", VELMOR_FUNCTION_START_STOP_TCW,
               "Starting or stopping a timer, counter or watchdog.")
        .value("VELMOR_FUNCTION_SET_OUTPUT_MEMORY", VELMOR_FUNCTION_SET_OUTPUT_MEMORY, "Setting output memory.")
        .value("VELMOR_FUNCTION_INIT_EVENT_LOGIC", VELMOR_FUNCTION_INIT_EVENT_LOGIC, "Setting up the event logic.")
        .value("VELMOR_FUNCTION_INIT_TCW_COMPATIBILITY", VELMOR_FUNCTION_INIT_TCW_COMPATIBILITY,
               "Checking the timer, counter and watchdog set-up.")
        .value("VELMOR_FUNCTION_API_GET_LAST_ERROR", VELMOR_FUNCTION_API_GET_LAST_ERROR,
               "Reading the last error (VelmorGetLastError).")
        .value("VELMOR_FUNCTION_DISABLE_INTERRUPT", VELMOR_FUNCTION_DISABLE_INTERRUPT, "Disabling an interrupt.")
        .value("VELMOR_FUNCTION_GET_DEVICES", VELMOR_FUNCTION_GET_DEVICES, "Listing or finding boards.")
        .value("VELMOR_FUNCTION_GET_STRING", VELMOR_FUNCTION_GET_STRING, "Reading a text.")
        .value("VELMOR_FUNCTION_GET_INSTANCE", VELMOR_FUNCTION_GET_INSTANCE, "Building the registry of boards.")
        .value("VELMOR_FUNCTION_DIRECT_ACCESS", VELMOR_FUNCTION_DIRECT_ACCESS, "Direct access to the board.")
        .value("VELMOR_FUNCTION_OUTPUT_INTERRUPT", VELMOR_FUNCTION_OUTPUT_INTERRUPT, "Setting the output interrupts.");

    nb::enum_<VelmorReason>(m, "VelmorReason",
                            "The reason field of an error code (bits 7..0): why the operation failed.\n"
                            "18 (a time base that is not valid) and values 20 and above have no member;\n"
                            "decoding gives them as int.")
        .value("VELMOR_REASON_NONE", VELMOR_REASON_NONE, "No particular reason.")
        .value("VELMOR_REASON_NOT_INITIALIZED", VELMOR_REASON_NOT_INITIALIZED, "Something needed was not set.")
        .value("VELMOR_REASON_ALREADY_INITIALIZED", VELMOR_REASON_ALREADY_INITIALIZED, "Already set up or running.")
        .value("VELMOR_REASON_INVALID_PARAMETER", VELMOR_REASON_INVALID_PARAMETER, "An argument is not valid.")
        .value("VELMOR_REASON_OUT_OF_BOUNDS", VELMOR_REASON_OUT_OF_BOUNDS, "A number is out of range.")
        .value("VELMOR_REASON_NOT_SUPPORTED", VELMOR_REASON_NOT_SUPPORTED, "The board does not support it.")
        .value("VELMOR_REASON_OVERFLOW", VELMOR_REASON_OVERFLOW, "A value overflowed.")
        .value("VELMOR_REASON_UNDERFLOW", VELMOR_REASON_UNDERFLOW, "A value underflowed.")
        .value("VELMOR_REASON_HARDWARE_FAILURE", VELMOR_REASON_HARDWARE_FAILURE, "The driver or the hardware failed.")
        .value("VELMOR_REASON_INVALID_STATE", VELMOR_REASON_INVALID_STATE, "Not allowed in the current state.")
        .value("VELMOR_REASON_CONFIG_ERROR", VELMOR_REASON_CONFIG_ERROR, "A configuration error.")
        .value("VELMOR_REASON_INTERNAL_ERROR", VELMOR_REASON_INTERNAL_ERROR, "An unexpected internal failure.")
        .value("VELMOR_REASON_UNKNOWN", VELMOR_REASON_UNKNOWN, "An unknown cause.")
        .value("VELMOR_REASON_INFO_UNAVAILABLE", VELMOR_REASON_INFO_UNAVAILABLE, "The information is not available.")
        .value("VELMOR_REASON_INIT_FAILURE", VELMOR_REASON_INIT_FAILURE, "Setting up failed.")
        .value("VELMOR_REASON_INVALID_RETURN_VAL", VELMOR_REASON_INVALID_RETURN_VAL,
               "An unexpected result from the system.")
        .value("VELMOR_REASON_INVALID_ID", VELMOR_REASON_INVALID_ID, "An unknown identifier or number.")
        .value("VELMOR_REASON_INVALID_OPTION", VELMOR_REASON_INVALID_OPTION, "An option is not valid.")
        .value("VELMOR_REASON_HANDLE_ERROR", VELMOR_REASON_HANDLE_ERROR, "The device descriptor is not valid.");
}

void bindDeviceTypeEnumeration(nb::module_& m) {
    nb::enum_<VELMOR_DEVICE_TYPE>(m, "VELMOR_DEVICE_TYPE",
                                  "The bus of a board, as the driver's records give it: PCI or PCI Express.")
        .value("VELMOR_DEVICE_PCI", VELMOR_DEVICE_PCI, "A PCI board.")
        .value("VELMOR_DEVICE_PCIE", VELMOR_DEVICE_PCIE, "A PCI Express board.");
}

}  // namespace corvane_python
