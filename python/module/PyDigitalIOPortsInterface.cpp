// DigitalIOPortsInterface: digital lines grouped in 8-bit ports.
#include <nanobind/nanobind.h>

#include "DigitalIOCommonInterface.h"
#include "DigitalIOPortsInterface.h"
#include "PyBindings.h"
#include "PyConversions.h"

namespace corvane_python {

using velmor::corvane::DigitalIOCommonInterface;
using velmor::corvane::DigitalIOPortsInterface;

void bindDigitalIOPortsInterface(nb::module_& m) {
    nb::class_<DigitalIOPortsInterface, DigitalIOCommonInterface>(
        m, "DigitalIOPortsInterface",
        "Digital lines grouped in 8-bit ports, from Device.digital_io_port().\n\n"
        "Ports run from 0 to functions.digital.number_of_ports - 1 of the board's\n"
        "information; port p holds the lines 8 * p to 8 * p + 7, addressed by their position\n"
        "0 to 7 in the port (bit n of a port value). Every method raises CorvaneError when the\n"
        "board refuses the call or its driver fails.")
        .def("set_all_digital_ports_directions",
             [](DigitalIOPortsInterface& d, U32 directions) { d.setAllDigitalPortsDirections(directions); },
             nb::arg("directions"),
             "Sets the direction of every port at once.\n\n"
             "Args:\n"
             "    directions: bit n for port n, 1 output (PORT_DIRECTION.PORT_OUTPUT) and 0\n"
             "        input (32-bit).\n\n"
             "Raises:\n"
             "    CorvaneError: a driver failure.")
        .def("get_all_digital_port_directions",
             [](DigitalIOPortsInterface& d) { return d.getAllDigitalPortDirections(); },
             "Reads the direction of every port.\n\n"
             "Returns:\n"
             "    The direction word, bit n set when port n is an output.\n\n"
             "Raises:\n"
             "    CorvaneError: a driver failure.")
        .def("read_all_digital_inputs_from_port",
             [](DigitalIOPortsInterface& d, U8 port) { return static_cast<int>(d.readAllDigitalInputsFromPort(port)); },
             nb::arg("port"),
             "Reads the inputs of one port.\n\n"
             "Args:\n"
             "    port: the port's number (8-bit).\n\n"
             "Returns:\n"
             "    The port's 8-bit input value, bit n set when line n of the port is on.\n\n"
             "Raises:\n"
             "    CorvaneError: a port out of range (0x82002e10) or a driver failure.")
        .def("write_single_digital_output_on_port",
             [](DigitalIOPortsInterface& d, U8 channel, U8 state, U8 port) {
                 d.writeSingleDigitalOutputOnPort(channel, state, port);
             },
             nb::arg("channel"), nb::arg("state"), nb::arg("port"),
             "Switches one output line of a port on or off.\n\n"
             "Args:\n"
             "    channel: the line's position in the port, 0 to 7 (8-bit).\n"
             "    state: 1 for on, 0 for off (8-bit).\n"
             "    port: the port's number (8-bit).\n\n"
             "Raises:\n"
             "    CorvaneError: a port, position or state out of range, off while output memory\n"
             "        is off (0x82001909), or a driver failure.")
        .def("write_all_digital_outputs_on_port",
             [](DigitalIOPortsInterface& d, U8 mask, U8 state, U8 port) {
                 d.writeAllDigitalOutputsOnPort(mask, state, port);
             },
             nb::arg("mask"), nb::arg("state"), nb::arg("port"),
             "Switches the output lines of a mask on one port on or off.\n\n"
             "Args:\n"
             "    mask: the lines, bit n for position n in the port (8-bit).\n"
             "    state: 1 for on, 0 for off (8-bit).\n"
             "    port: the port's number (8-bit); the driver answers for a port it lacks.\n\n"
             "Raises:\n"
             "    CorvaneError: a state above 1, a mask beyond the port's lines, or a driver\n"
             "        failure.")
        .def("get_digital_outputs_status_from_port",
             [](DigitalIOPortsInterface& d, U8 port) {
                 return static_cast<int>(d.getDigitalOutputsStatusOnPort(port));
             },
             nb::arg("port"),
             "Reads the state of the output lines of one port.\n\n"
             "Args:\n"
             "    port: the port's number (8-bit).\n\n"
             "Returns:\n"
             "    The port's 8-bit output value, bit n set when line n of the port is on.\n\n"
             "Raises:\n"
             "    CorvaneError: a port out of range (0x82002e10) or a driver failure.");
}

}  // namespace corvane_python
