// The corvane extension module: the object interface of libCorvane for Python.
#include <nanobind/nanobind.h>

#include "PyBindings.h"
#include "PyCallbackBridge.h"

#ifndef CORVANE_VERSION
#error "CORVANE_VERSION (the library's version) must be defined by the build"
#endif

namespace {

constexpr const char* kModuleDoc =
    "Digital I/O boards of the KELO family through libCorvane.\n"
    "\n"
    "Boards\n"
    "    DeviceDiscovery.get_devices() lists every board found under /dev/ (the registry is\n"
    "    built on the first call and never rescans); DeviceDiscovery.get_device_from_id(\n"
    "    'keloe6100_0') finds one by its identifier, or returns None. A Device describes\n"
    "    itself with get_card_information() and hands out one interface per capability:\n"
    "    digital_io(), digital_io_port(), timer(), counter(), watchdog() and interrupt(),\n"
    "    each None when the board lacks it.\n"
    "\n"
    "Arguments\n"
    "    Every argument can be passed by position or by name, for example\n"
    "    write_single_digital_output(channel=3, state=True). Integers must fit their\n"
    "    unsigned width (8, 16 or 32 bits), flags are True or False only, enumeration\n"
    "    arguments take members of their enumeration; anything else raises TypeError\n"
    "    and the board is not called.\n"
    "\n"
    "Errors\n"
    "    A library failure raises CorvaneError, a RuntimeError whose str() is the\n"
    "    library's readable text and whose code, source, domain, function, reason and\n"
    "    message describe it. CorvaneException decodes any 32-bit code and reads the\n"
    "    last error.\n"
    "\n"
    "Interrupts\n"
    "    InterruptInterface.set_card_interrupt_callback(callback), then\n"
    "    enable_card_interrupts(): the callback runs on the board's interrupt thread\n"
    "    with copies of the VelmorDeviceStruct and the InterruptData.\n"
    "    test_card_interrupts() asks the driver for a test interrupt.\n"
    "\n"
    "Threads\n"
    "    Every method holds the interpreter lock, except enable_card_interrupts and\n"
    "    disable_card_interrupts, which release it while they wait for the interrupt\n"
    "    thread. Calls that configure one board from several threads must be serialised\n"
    "    by the caller.";

}  // namespace

NB_MODULE(corvane, m) {
    m.doc() = kModuleDoc;
    m.attr("__version__") = CORVANE_VERSION;
    corvane_python::bindDeviceEnumerations(m);
    corvane_python::bindRecords(m);
    corvane_python::bindInterfaces(m);
    corvane_python::bindDevices(m);
    corvane_python::bindCorvaneException(m);
    corvane_python::bindErrorEnumerations(m);
    corvane_python::bindPluginHandle(m);
    corvane_python::bindCorvaneError(m);
    corvane_python::bindDeviceTypeEnumeration(m);
    corvane_python::registerExitHandler(m);
}
