// DigitalIOCommonInterface: what channel and port boards share.
#include <nanobind/nanobind.h>

#include "DigitalIOCommonInterface.h"
#include "PyBindings.h"

namespace corvane_python {

using velmor::corvane::DigitalIOCommonInterface;

void bindDigitalIOCommonInterface(nb::module_& m) {
    nb::class_<DigitalIOCommonInterface>(
        m, "DigitalIOCommonInterface",
        "The digital operations that channel boards (DigitalIOInterface) and port boards\n"
        "(DigitalIOPortsInterface) share.")
        .def("set_output_memory_on", [](DigitalIOCommonInterface& d) { d.setOutputMemoryOn(); },
             "Turns output memory on: outputs already on stay on while others are written.\n"
             "The setting goes to the driver with every output write, and writes that switch\n"
             "outputs off need it on. No driver call, never raises.")
        .def("set_output_memory_off", [](DigitalIOCommonInterface& d) { d.setOutputMemoryOff(); },
             "Turns output memory off: writes that switch outputs off are then refused with\n"
             "CorvaneError 0x82001909. No driver call, never raises.")
        .def("enable_digital_interrupt", [](DigitalIOCommonInterface& d) { d.enableDigitalInterrupt(); },
             "Starts the interrupts of the digital inputs on the driver.\n\n"
             "Raises:\n"
             "    CorvaneError: the board has no input interrupts, or a driver failure.")
        .def("disable_digital_interrupt", [](DigitalIOCommonInterface& d) { d.disableDigitalInterrupt(); },
             "Stops the interrupts of the digital inputs on the driver.\n\n"
             "Raises:\n"
             "    CorvaneError: the board has no input interrupts, or a driver failure.");
}

}  // namespace corvane_python
