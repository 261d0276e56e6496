// CounterInterface: the counters of a board.
#include <nanobind/nanobind.h>

#include "CounterInterface.h"
#include "PyBindings.h"
#include "PyConversions.h"
#include "PyUnitOperations.h"

namespace corvane_python {

using velmor::corvane::CounterInterface;

void bindCounterInterface(nb::module_& m) {
    nb::class_<CounterInterface> cls(
        m, "CounterInterface",
        "The counters of a board, from Device.counter().\n\n"
        "Counters are numbered from 0 to functions.counter.number_counters - 1 of the\n"
        "board's information. Every method raises CorvaneError when the board refuses the\n"
        "call or its driver fails.");
    cls.def("init_counter",
            [](CounterInterface& c, U8 counter, U32 reload, U32 options) { c.initCounter(counter, reload, options); },
            nb::arg("counter"), nb::arg("reload_value"), nb::arg("options"),
            "Sets up a counter without starting it.\n\n"
            "Args:\n"
            "    counter: the counter's number (8-bit).\n"
            "    reload_value: the counter's reload value, 1 to the board's limit (at most\n"
            "        functions.counter.max_reload_value; 32-bit).\n"
            "    options: VELMOR_TCW_OPTIONS flags combined with | (32-bit); the board's\n"
            "        functions.counter.valid_options lists those it accepts.\n\n"
            "Raises:\n"
            "    CorvaneError: an unknown counter, a reload value out of range, or a driver failure.");
    UnitOperations<CounterInterface>(cls, "counter")
        .action("start_counter", &CounterInterface::startCounter, "Starts a counter set up with init_counter.")
        .action("stop_counter", &CounterInterface::stopCounter, "Stops a counter.")
        .value("read_counter_value", &CounterInterface::readCounterValue)
        .status("read_counter_status", &CounterInterface::readCounterStatus)
        .action("enable_counter_interrupt", &CounterInterface::enableCounterInterrupt, "Enables a counter's interrupt.")
        .action("disable_counter_interrupt", &CounterInterface::disableCounterInterrupt,
                "Disables a counter's interrupt.");
}

}  // namespace corvane_python
