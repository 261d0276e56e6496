// The corvane extension module: the object interface of libCorvane for Python.
#include <nanobind/nanobind.h>

#include "PyBindings.h"
#include "PyCallbackBridge.h"

NB_MODULE(corvane, m) {
    m.doc() = "Digital I/O boards of the KELO family through libCorvane";
    corvane_python::bindDeviceEnumerations(m);
    corvane_python::bindRecords(m);
    corvane_python::bindInterfaces(m);
    corvane_python::bindDevices(m);
    corvane_python::bindCorvaneException(m);
    corvane_python::bindErrorEnumerations(m);
    corvane_python::bindPluginHandle(m);
    corvane_python::registerExitHandler(m);
}
