// The capability interfaces. None has a Python constructor: a Device hands them out, and
// each method calls one library operation after the arguments have been converted.
#include <nanobind/nanobind.h>
#include <nanobind/stl/tuple.h>

#include <cstdint>
#include <tuple>

#include "CounterInterface.h"
#include "DigitalIOCommonInterface.h"
#include "DigitalIOInterface.h"
#include "DigitalIOPortsInterface.h"
#include "InterruptInterface.h"
#include "PyBindings.h"
#include "PyCallbackBridge.h"
#include "PyConversions.h"
#include "TimerInterface.h"
#include "VelmorTypes.h"
#include "WatchdogInterface.h"

namespace corvane_python {

using namespace velmor::corvane;

namespace {

// (value, first status byte, second, third), as the status reads return them.
using StatusTuple = std::tuple<uint32_t, uint8_t, uint8_t, uint8_t>;

template <typename Interface, typename Read>
StatusTuple readStatus(Interface& interface, Read read, uint8_t index) {
    uint32_t value = 0;
    uint8_t status1 = 0;
    uint8_t status2 = 0;
    uint8_t status3 = 0;
    (interface.*read)(index, value, status1, status2, status3);
    return StatusTuple(value, status1, status2, status3);
}

}  // namespace

void bindInterfaces(nb::module_& m) {
    nb::class_<CounterInterface>(m, "CounterInterface")
        .def("init_counter", [](CounterInterface& c, U8 counter, U32 reload, U32 options) {
            c.initCounter(counter, reload, options);
        })
        .def("start_counter", [](CounterInterface& c, U8 counter) { c.startCounter(counter); })
        .def("stop_counter", [](CounterInterface& c, U8 counter) { c.stopCounter(counter); })
        .def("read_counter_value", [](CounterInterface& c, U8 counter) { return c.readCounterValue(counter); })
        .def("read_counter_status", [](CounterInterface& c, U8 counter) {
            return readStatus(c, &CounterInterface::readCounterStatus, counter);
        })
        .def("enable_counter_interrupt", [](CounterInterface& c, U8 counter) { c.enableCounterInterrupt(counter); })
        .def("disable_counter_interrupt", [](CounterInterface& c, U8 counter) { c.disableCounterInterrupt(counter); });

    nb::class_<InterruptInterface>(m, "InterruptInterface")
        .def("set_card_interrupt_callback",
             [](InterruptInterface& i, nb::typed<nb::callable, void(VelmorDeviceStruct, InterruptData)> callback) {
                 setInterruptCallback(i, std::move(callback));
             })
        // Both may wait for the interrupt thread (disabling joins it; enabling joins a thread
        // that was stopped from its own callback and may still be returning from it), and
        // that thread may be waiting for the interpreter lock: the lock is released meanwhile.
        .def("enable_card_interrupts", [](InterruptInterface& i) { i.enableDeviceInterrupts(); },
             nb::call_guard<nb::gil_scoped_release>())
        .def("disable_card_interrupts", [](InterruptInterface& i) { i.disableDeviceInterrupts(); },
             nb::call_guard<nb::gil_scoped_release>())
        .def("is_interrupt_active", [](InterruptInterface& i) { return i.isInterruptActive(); });

    nb::class_<WatchdogInterface>(m, "WatchdogInterface")
        .def("init_watchdog", [](WatchdogInterface& w, U8 watchdog, Member<TIMEBASE_UNITS> timebase, U16 reload,
                                 U32 options) { w.initWatchdog(watchdog, timebase, reload, options); })
        .def("start_watchdog", [](WatchdogInterface& w, U8 watchdog) { w.startWatchdog(watchdog); })
        .def("stop_watchdog", [](WatchdogInterface& w, U8 watchdog) { w.stopWatchdog(watchdog); })
        .def("trigger_watchdog", [](WatchdogInterface& w, U8 watchdog) { w.triggerWatchdog(watchdog); })
        .def("read_watchdog_value", [](WatchdogInterface& w, U8 watchdog) { return w.readWatchdogValue(watchdog); })
        .def("read_watchdog_status", [](WatchdogInterface& w, U8 watchdog) {
            return readStatus(w, &WatchdogInterface::readWatchdogStatus, watchdog);
        })
        .def("enable_watchdog_interrupt", [](WatchdogInterface& w, U8 watchdog) { w.enableWatchdogInterrupt(watchdog); })
        .def("disable_watchdog_interrupt", [](WatchdogInterface& w, U8 watchdog) { w.disableWatchdogInterrupt(watchdog); });

    nb::class_<DigitalIOCommonInterface>(m, "DigitalIOCommonInterface")
        .def("set_output_memory_on", [](DigitalIOCommonInterface& d) { d.setOutputMemoryOn(); })
        .def("set_output_memory_off", [](DigitalIOCommonInterface& d) { d.setOutputMemoryOff(); })
        .def("enable_digital_interrupt", [](DigitalIOCommonInterface& d) { d.enableDigitalInterrupt(); })
        .def("disable_digital_interrupt", [](DigitalIOCommonInterface& d) { d.disableDigitalInterrupt(); });

    nb::class_<DigitalIOInterface, DigitalIOCommonInterface>(m, "DigitalIOInterface")
        .def("read_single_digital_input", [](DigitalIOInterface& d, U8 channel) { return d.readSingleDigitalInput(channel); })
        .def("read_all_digital_input", [](DigitalIOInterface& d) { return d.readAllDigitalInput(); })
        .def("write_single_digital_output",
             [](DigitalIOInterface& d, U8 channel, bool state) { d.writeSingleDigitalOutput(channel, state); })
        .def("write_all_digital_output",
             [](DigitalIOInterface& d, U32 mask, bool state) { d.writeAllDigitalOutput(mask, state); })
        .def("set_interrupt_event_for_inputs", [](DigitalIOInterface& d, U32 mask, Member<DIGITAL_EVENT_TYPE> event) {
            d.setInterruptEventForInputs(mask, event);
        })
        .def("set_interrupt_event_for_one_input",
             [](DigitalIOInterface& d, U8 channel, Member<DIGITAL_EVENT_TYPE> event) {
                 d.setInterruptEventForOneInput(channel, event);
             })
        .def("set_interrupt_logic_for_port", [](DigitalIOInterface& d, U8 port, Member<DIGITAL_EVENT_LOGIC> logic) {
            d.setInterruptLogicForPort(port, logic);
        })
        .def("get_digital_output_status", [](DigitalIOInterface& d) { return d.getDigitalOutputStatus(); })
        .def("set_output_interrupt", [](DigitalIOInterface& d, bool first, bool second) {
            d.setOutputInterrupt(first, second);
        });

    nb::class_<DigitalIOPortsInterface, DigitalIOCommonInterface>(m, "DigitalIOPortsInterface")
        .def("set_all_digital_ports_directions",
             [](DigitalIOPortsInterface& d, U32 directions) { d.setAllDigitalPortsDirections(directions); })
        .def("get_all_digital_port_directions", [](DigitalIOPortsInterface& d) { return d.getAllDigitalPortDirections(); })
        .def("read_all_digital_inputs_from_port",
             [](DigitalIOPortsInterface& d, U8 port) { return static_cast<int>(d.readAllDigitalInputsFromPort(port)); })
        .def("write_single_digital_output_on_port", [](DigitalIOPortsInterface& d, U8 channel, U8 state, U8 port) {
            d.writeSingleDigitalOutputOnPort(channel, state, port);
        })
        .def("write_all_digital_outputs_on_port", [](DigitalIOPortsInterface& d, U8 mask, U8 state, U8 port) {
            d.writeAllDigitalOutputsOnPort(mask, state, port);
        })
        .def("get_digital_outputs_status_from_port",
             [](DigitalIOPortsInterface& d, U8 port) { return static_cast<int>(d.getDigitalOutputsStatusOnPort(port)); });

    nb::class_<TimerInterface>(m, "TimerInterface")
        .def("init_timer", [](TimerInterface& t, U8 timer, Member<TIMEBASE_UNITS> timebase, U16 reload, U32 options) {
            t.initTimer(timer, timebase, reload, options);
        })
        .def("set_custom_timer_frequency", [](TimerInterface& t, U32 frequency) { t.setCustomTimerFrequency(frequency); })
        .def("start_timer", [](TimerInterface& t, U8 timer) { t.startTimer(timer); })
        .def("stop_timer", [](TimerInterface& t, U8 timer) { t.stopTimer(timer); })
        .def("trigger_timer", [](TimerInterface& t, U8 timer) { t.triggerTimer(timer); })
        .def("read_timer_value", [](TimerInterface& t, U8 timer) { return t.readTimerValue(timer); })
        .def("read_timer_status", [](TimerInterface& t, U8 timer) {
            return readStatus(t, &TimerInterface::readTimerStatus, timer);
        })
        .def("enable_timer_interrupt", [](TimerInterface& t, U8 timer) { t.enableTimerInterrupt(timer); })
        .def("disable_timer_interrupt", [](TimerInterface& t, U8 timer) { t.disableTimerInterrupt(timer); });
}

}  // namespace corvane_python
