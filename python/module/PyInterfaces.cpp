// The capability interfaces. None has a Python constructor: a Device hands them out, and
// each method calls one library operation after the arguments have been converted.
#include "PyBindings.h"

namespace corvane_python {

void bindInterfaces(nb::module_& m) {
    bindCounterInterface(m);
    bindInterruptInterface(m);
    bindWatchdogInterface(m);
    bindDigitalIOCommonInterface(m);
    bindDigitalIOInterface(m);
    bindDigitalIOPortsInterface(m);
    bindTimerInterface(m);
}

}  // namespace corvane_python
