// WatchdogInterface: the watchdogs of a board.
#include <nanobind/nanobind.h>

#include "PyBindings.h"
#include "PyConversions.h"
#include "PyUnitOperations.h"
#include "VelmorTypes.h"
#include "WatchdogInterface.h"

namespace corvane_python {

using velmor::corvane::WatchdogInterface;

void bindWatchdogInterface(nb::module_& m) {
    nb::class_<WatchdogInterface> cls(
        m, "WatchdogInterface",
        "The watchdogs of a board, from Device.watchdog().\n\n"
        "Watchdogs are numbered from 0 to functions.watchdog.number_watchdogs - 1 of the\n"
        "board's information. Every method raises CorvaneError when the board refuses the\n"
        "call or its driver fails.");
    cls.def("init_watchdog",
            [](WatchdogInterface& w, U8 watchdog, Member<TIMEBASE_UNITS> timebase, U16 reload, U32 options) {
                w.initWatchdog(watchdog, timebase, reload, options);
            },
            nb::arg("watchdog"), nb::arg("timebase"), nb::arg("reload_value"), nb::arg("options"),
            "Sets up a watchdog without starting it: it expires after reload_value units of\n"
            "timebase unless triggered.\n\n"
            "Args:\n"
            "    watchdog: the watchdog's number (8-bit).\n"
            "    timebase: the unit of reload_value, a TIMEBASE_UNITS member.\n"
            "    reload_value: the delay in timebase units (16-bit), within the board's\n"
            "        functions.watchdog.min_reload_value and max_reload_value for that\n"
            "        timebase (both lists are indexed by the timebase's value).\n"
            "    options: VELMOR_TCW_OPTIONS flags combined with | (32-bit).\n\n"
            "Raises:\n"
            "    CorvaneError: an unknown watchdog, a timebase or reload value the board does\n"
            "        not accept, or a driver failure.");
    UnitOperations<WatchdogInterface>(cls, "watchdog")
        .action("start_watchdog", &WatchdogInterface::startWatchdog, "Starts a watchdog set up with init_watchdog.")
        .action("stop_watchdog", &WatchdogInterface::stopWatchdog, "Stops a watchdog.")
        .action("trigger_watchdog", &WatchdogInterface::triggerWatchdog,
                "Triggers a running watchdog, so that its delay starts again.")
        .value("read_watchdog_value", &WatchdogInterface::readWatchdogValue)
        .status("read_watchdog_status", &WatchdogInterface::readWatchdogStatus)
        .action("enable_watchdog_interrupt", &WatchdogInterface::enableWatchdogInterrupt,
                "Enables a watchdog's interrupt.")
        .action("disable_watchdog_interrupt", &WatchdogInterface::disableWatchdogInterrupt,
                "Disables a watchdog's interrupt.");
}

}  // namespace corvane_python
