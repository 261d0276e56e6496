// The binding units of the corvane module, called by the module's initialisation in the
// order in which the types are defined.
#ifndef CORVANE_PY_BINDINGS_H
#define CORVANE_PY_BINDINGS_H

#include <nanobind/nanobind.h>

namespace corvane_python {

namespace nb = nanobind;

void bindDeviceEnumerations(nb::module_& m);
void bindRecords(nb::module_& m);
void bindInterfaces(nb::module_& m);
void bindDevices(nb::module_& m);
void bindCorvaneException(nb::module_& m);
void bindErrorEnumerations(nb::module_& m);
void bindPluginHandle(nb::module_& m);

}  // namespace corvane_python

#endif
