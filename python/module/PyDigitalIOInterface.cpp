// DigitalIOInterface: digital lines addressed as numbered channels.
#include <nanobind/nanobind.h>

#include "DigitalIOCommonInterface.h"
#include "DigitalIOInterface.h"
#include "PyBindings.h"
#include "PyConversions.h"
#include "VelmorTypes.h"

namespace corvane_python {

using velmor::corvane::DigitalIOCommonInterface;
using velmor::corvane::DigitalIOInterface;

void bindDigitalIOInterface(nb::module_& m) {
    nb::class_<DigitalIOInterface, DigitalIOCommonInterface>(
        m, "DigitalIOInterface",
        "Digital inputs and outputs addressed as numbered channels, from Device.digital_io().\n\n"
        "Channels run from 0 to functions.digital.number_inputs - 1 (inputs) or\n"
        "number_outputs - 1 (outputs) of the board's information; in a mask, bit n stands for\n"
        "channel n. Every method raises CorvaneError when the board refuses the call or its\n"
        "driver fails.")
        .def("read_single_digital_input",
             [](DigitalIOInterface& d, U8 channel) { return d.readSingleDigitalInput(channel); }, nb::arg("channel"),
             "Reads one input.\n\n"
             "Args:\n"
             "    channel: the input's number (8-bit).\n\n"
             "Returns:\n"
             "    True when the input is on.\n\n"
             "Raises:\n"
             "    CorvaneError: a channel out of range (0x82001004) or a driver failure.")
        .def("read_all_digital_input", [](DigitalIOInterface& d) { return d.readAllDigitalInput(); },
             "Reads every input at once.\n\n"
             "Returns:\n"
             "    The 32-bit input word, bit n set when input n is on.\n\n"
             "Raises:\n"
             "    CorvaneError: a driver failure.")
        .def("write_single_digital_output",
             [](DigitalIOInterface& d, U8 channel, bool state) { d.writeSingleDigitalOutput(channel, state); },
             nb::arg("channel"), nb::arg("state"),
             "Switches one output on or off.\n\n"
             "Args:\n"
             "    channel: the output's number (8-bit).\n"
             "    state: True for on, False for off (only True or False).\n\n"
             "Raises:\n"
             "    CorvaneError: a channel out of range, off while output memory is off\n"
             "        (0x82001909), a board without outputs, or a driver failure.")
        .def("write_all_digital_output",
             [](DigitalIOInterface& d, U32 mask, bool state) { d.writeAllDigitalOutput(mask, state); },
             nb::arg("mask"), nb::arg("state"),
             "Switches the outputs of a mask on or off (with output memory on, the others keep\n"
             "their state).\n\n"
             "Args:\n"
             "    mask: the outputs to switch, bit n for output n (32-bit).\n"
             "    state: True for on, False for off (only True or False).\n\n"
             "Raises:\n"
             "    CorvaneError: a mask bit beyond the board's outputs, off while output memory\n"
             "        is off (0x82001909), a board without outputs, or a driver failure.")
        .def("set_interrupt_event_for_inputs",
             [](DigitalIOInterface& d, U32 mask, Member<DIGITAL_EVENT_TYPE> event) {
                 d.setInterruptEventForInputs(mask, event);
             },
             nb::arg("mask"), nb::arg("event"),
             "Sets the event that raises an interrupt on every input of a mask and sends the\n"
             "board's whole interrupt set-up to the driver.\n\n"
             "Args:\n"
             "    mask: the inputs, bit n for input n (32-bit).\n"
             "    event: a DIGITAL_EVENT_TYPE member (UNUSED raises none).\n\n"
             "Raises:\n"
             "    CorvaneError: inputs without interrupts, an event the board lacks, or a\n"
             "        driver failure.")
        .def("set_interrupt_event_for_one_input",
             [](DigitalIOInterface& d, U8 channel, Member<DIGITAL_EVENT_TYPE> event) {
                 d.setInterruptEventForOneInput(channel, event);
             },
             nb::arg("channel"), nb::arg("event"),
             "Sets the event that raises an interrupt on one input and sends the board's\n"
             "whole interrupt set-up to the driver.\n\n"
             "Args:\n"
             "    channel: the input's number (8-bit).\n"
             "    event: a DIGITAL_EVENT_TYPE member (UNUSED raises none).\n\n"
             "Raises:\n"
             "    CorvaneError: an input without interrupts, an event the board lacks, or a\n"
             "        driver failure.")
        .def("set_interrupt_logic_for_port",
             [](DigitalIOInterface& d, U8 port, Member<DIGITAL_EVENT_LOGIC> logic) {
                 d.setInterruptLogicForPort(port, logic);
             },
             nb::arg("port"), nb::arg("logic"),
             "Sets how the input events of a port combine into one interrupt and sends the\n"
             "board's whole interrupt set-up to the driver.\n\n"
             "Args:\n"
             "    port: the port's number (8-bit).\n"
             "    logic: a DIGITAL_EVENT_LOGIC member, OR (any event) or AND (all events).\n\n"
             "Raises:\n"
             "    CorvaneError: a port or logic the board lacks, or a driver failure.")
        .def("get_digital_output_status", [](DigitalIOInterface& d) { return d.getDigitalOutputStatus(); },
             "Reads the state of every output.\n\n"
             "Returns:\n"
             "    The 32-bit output word, bit n set when output n is on.\n\n"
             "Raises:\n"
             "    CorvaneError: a board without outputs, or a driver failure.")
        .def("set_output_interrupt",
             [](DigitalIOInterface& d, bool first, bool second) { d.setOutputInterrupt(first, second); },
             nb::arg("first_enable"), nb::arg("second_enable"),
             "Sets the board's two output-interrupt flags, sent to the driver in this order.\n\n"
             "Args:\n"
             "    first_enable: the first flag (only True or False).\n"
             "    second_enable: the second flag (only True or False).\n\n"
             "Raises:\n"
             "    CorvaneError: a board without output interrupts, or a driver failure.");
}

}  // namespace corvane_python
