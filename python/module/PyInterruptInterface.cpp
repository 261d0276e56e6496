// InterruptInterface: a board's hardware interrupts, delivered to a Python callable.
#include <nanobind/nanobind.h>

#include <cstring>
#include <string>
#include <utility>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DeviceInterface.h"
#include "InterruptImpl.h"
#include "InterruptInterface.h"
#include "PyBindings.h"
#include "PyCallbackBridge.h"
#include "VelmorTypes.h"

namespace corvane_python {

using velmor::corvane::DeviceInterface;
using velmor::corvane::InterruptImpl;
using velmor::corvane::InterruptInterface;

namespace {

constexpr uint32_t kNotSupportedCode =
    VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL, VELMOR_REASON_NOT_SUPPORTED);

// The test interrupt belongs to the library's shared interrupt engine, which serves the
// interrupts of every board model. An interface implemented otherwise fails as the C
// interface's VelmorTestDeviceInterrupts does for a board without interrupts.
void testInterrupts(InterruptInterface& interrupts) {
    auto* engine = dynamic_cast<InterruptImpl*>(&interrupts);
    if (engine == nullptr) {
        auto* device = dynamic_cast<DeviceInterface*>(&interrupts);
        std::string id;
        if (device != nullptr) {
            const VelmorDeviceStruct info = device->getDeviceInformation();
            id.assign(info.id, ::strnlen(info.id, sizeof info.id));
        }
        throw CorvaneException("Device " + id + " has no interrupts", kNotSupportedCode);
    }
    engine->testInterrupt();
}

}  // namespace

void bindInterruptInterface(nb::module_& m) {
    nb::class_<InterruptInterface>(
        m, "InterruptInterface",
        "The hardware interrupts of a board, from Device.interrupt().\n\n"
        "Set a callback, then enable interrupts: each interrupt calls the callback on the\n"
        "board's own interrupt thread (holding the interpreter lock) with two independent\n"
        "copies, the board's VelmorDeviceStruct and the InterruptData. What raises\n"
        "interrupts is set up through the other interfaces (for example\n"
        "DigitalIOInterface.set_interrupt_event_for_one_input).")
        .def("set_card_interrupt_callback",
             [](InterruptInterface& i, nb::typed<nb::callable, void(VelmorDeviceStruct, InterruptData)> callback) {
                 setInterruptCallback(i, std::move(callback));
             },
             nb::arg("callback"),
             "Sets the callable that receives the board's interrupts, replacing the previous one.\n\n"
             "Args:\n"
             "    callback: called as callback(device, data) with a VelmorDeviceStruct and an\n"
             "        InterruptData; its result is ignored. An exception it raises is reported\n"
             "        through sys.unraisablehook and the next interrupt is delivered normally.")
        // Both may wait for the interrupt thread (disabling joins it; enabling joins a thread
        // that was stopped from its own callback and may still be returning from it), and
        // that thread may be waiting for the interpreter lock: the lock is released meanwhile.
        .def("enable_card_interrupts", [](InterruptInterface& i) { i.enableDeviceInterrupts(); },
             nb::call_guard<nb::gil_scoped_release>(),
             "Prepares the board's interrupt sources, tells the driver to raise interrupts\n"
             "and starts the board's interrupt thread.\n\n"
             "Raises:\n"
             "    CorvaneError: interrupts are already enabled (0x85000502), or the board or\n"
             "        its driver fails.")
        .def("disable_card_interrupts", [](InterruptInterface& i) { i.disableDeviceInterrupts(); },
             nb::call_guard<nb::gil_scoped_release>(),
             "Clears the board's interrupt sources and stops its interrupt thread (at least\n"
             "100 ms). Never raises; may be called when interrupts are not enabled and from\n"
             "the callback itself.")
        .def("is_interrupt_active", [](InterruptInterface& i) { return i.isInterruptActive(); },
             "Whether the board's interrupt thread runs.\n\n"
             "Returns:\n"
             "    True between enable_card_interrupts and disable_card_interrupts (False\n"
             "    once the thread ended after a driver failure).")
        .def("test_card_interrupts", [](InterruptInterface& i) { testInterrupts(i); },
             "Asks the driver to raise one test interrupt. With interrupts enabled, the\n"
             "callback receives it like any other, so a callback can be checked end to end.\n\n"
             "Raises:\n"
             "    CorvaneError: the driver fails (for example when its interrupt queue is full).");
}

}  // namespace corvane_python
