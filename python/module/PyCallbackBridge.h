// Carries the library's interrupt callbacks into Python.
//
// The library calls the bridge on a board's interrupt thread. The bridge takes the
// interpreter lock, hands independent copies of the device structure and the interrupt
// record to the Python callable and releases the lock. An exception raised by the callable
// is reported through sys.unraisablehook and never reaches the library's thread.
//
// The reference to the callable is shared by every copy of the bridge and released, with
// the interpreter lock held, by whichever thread drops the last copy. Once the interpreter
// has started to exit, nothing is delivered and nothing is released into it any more.
#ifndef CORVANE_PY_CALLBACK_BRIDGE_H
#define CORVANE_PY_CALLBACK_BRIDGE_H

#include <nanobind/nanobind.h>

#include <memory>

#include "InterruptInterface.h"
#include "VelmorTypes.h"

namespace corvane_python {

namespace nb = nanobind;

// One strong reference to a Python object, released under the interpreter lock.
class PythonReference {
public:
    explicit PythonReference(nb::object object);
    ~PythonReference();
    PythonReference(const PythonReference&) = delete;
    PythonReference& operator=(const PythonReference&) = delete;

    PyObject* get() const { return object; }

private:
    PyObject* object;
};

class InterruptBridge {
public:
    explicit InterruptBridge(nb::callable callable);
    void operator()(const VelmorDeviceStruct& device, const InterruptData& data) const;

private:
    std::shared_ptr<PythonReference> callable;
};

// Installs a Python callable as the board's interrupt callback and remembers the board,
// so that its interrupts can be stopped when the interpreter exits.
void setInterruptCallback(velmor::corvane::InterruptInterface& board, nb::callable callable);

// Registers the exit handler: when the interpreter exits, interrupt delivery into Python
// stops and the boards that deliver to Python have their interrupts disabled (their
// threads joined) while the interpreter can still run their pending callbacks.
void registerExitHandler(nb::module_& m);

}  // namespace corvane_python

#endif
