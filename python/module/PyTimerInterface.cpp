// TimerInterface: the timers of a board.
#include <nanobind/nanobind.h>

#include "PyBindings.h"
#include "PyConversions.h"
#include "PyUnitOperations.h"
#include "TimerInterface.h"
#include "VelmorTypes.h"

namespace corvane_python {

using velmor::corvane::TimerInterface;

void bindTimerInterface(nb::module_& m) {
    nb::class_<TimerInterface> cls(
        m, "TimerInterface",
        "The timers of a board, from Device.timer().\n\n"
        "Timers are numbered from 0 to functions.timer.number_timers - 1 of the board's\n"
        "information. Every method raises CorvaneError when the board refuses the call or\n"
        "its driver fails.");
    cls.def("init_timer",
            [](TimerInterface& t, U8 timer, Member<TIMEBASE_UNITS> timebase, U16 reload, U32 options) {
                t.initTimer(timer, timebase, reload, options);
            },
            nb::arg("timer"), nb::arg("timebase"), nb::arg("reload_value"), nb::arg("options"),
            "Sets up a timer without starting it: its period is reload_value units of\n"
            "timebase.\n\n"
            "Args:\n"
            "    timer: the timer's number (8-bit).\n"
            "    timebase: the unit of reload_value, a TIMEBASE_UNITS member (CUSTOM counts\n"
            "        periods of the frequency set with set_custom_timer_frequency).\n"
            "    reload_value: the period in timebase units (16-bit), within the board's\n"
            "        functions.timer.min_reload_value and max_reload_value for that timebase\n"
            "        (both lists are indexed by the timebase's value).\n"
            "    options: VELMOR_TCW_OPTIONS flags combined with | (32-bit).\n\n"
            "Raises:\n"
            "    CorvaneError: an unknown timer, a timebase or reload value the board does not\n"
            "        accept, or a driver failure.");
    cls.def("set_custom_timer_frequency", [](TimerInterface& t, U32 frequency) { t.setCustomTimerFrequency(frequency); },
            nb::arg("frequency"),
            "Sets the frequency that the CUSTOM timebase counts.\n\n"
            "Args:\n"
            "    frequency: the custom clock's frequency (32-bit), passed to the driver as given.\n\n"
            "Raises:\n"
            "    CorvaneError: the board has no custom frequency, or a driver failure.");
    UnitOperations<TimerInterface>(cls, "timer")
        .action("start_timer", &TimerInterface::startTimer, "Starts a timer set up with init_timer.")
        .action("stop_timer", &TimerInterface::stopTimer, "Stops a timer.")
        .action("trigger_timer", &TimerInterface::triggerTimer, "Sends a software trigger to a timer.")
        .value("read_timer_value", &TimerInterface::readTimerValue)
        .status("read_timer_status", &TimerInterface::readTimerStatus)
        .action("enable_timer_interrupt", &TimerInterface::enableTimerInterrupt, "Enables a timer's interrupt.")
        .action("disable_timer_interrupt", &TimerInterface::disableTimerInterrupt, "Disables a timer's interrupt.");
}

}  // namespace corvane_python
