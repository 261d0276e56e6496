// The binding units of the corvane module, called by the module's initialisation in the
// order in which the types are defined.
#ifndef CORVANE_PY_BINDINGS_H
#define CORVANE_PY_BINDINGS_H

#include <nanobind/nanobind.h>

namespace corvane_python {

namespace nb = nanobind;

void bindDeviceEnumerations(nb::module_& m);
void bindRecords(nb::module_& m);
// The capability interfaces, in this order: counter, interrupt, watchdog, common digital,
// channel digital, port digital, timer.
void bindInterfaces(nb::module_& m);
void bindCounterInterface(nb::module_& m);
void bindInterruptInterface(nb::module_& m);
void bindWatchdogInterface(nb::module_& m);
void bindDigitalIOCommonInterface(nb::module_& m);
void bindDigitalIOInterface(nb::module_& m);
void bindDigitalIOPortsInterface(nb::module_& m);
void bindTimerInterface(nb::module_& m);
void bindDevices(nb::module_& m);
void bindCorvaneException(nb::module_& m);
void bindErrorEnumerations(nb::module_& m);
// The bus type of the records, defined after everything else so that the order of the
// other definitions stays as it always was.
void bindDeviceTypeEnumeration(nb::module_& m);
void bindPluginHandle(nb::module_& m);
// CorvaneError, the Python exception that library failures raise.
void bindCorvaneError(nb::module_& m);

}  // namespace corvane_python

#endif
