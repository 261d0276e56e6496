#include "PyCallbackBridge.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "Device.h"
#include "DeviceDiscovery.h"

namespace corvane_python {

using velmor::corvane::Device;
using velmor::corvane::DeviceDiscovery;
using velmor::corvane::InterruptInterface;

namespace {

// Set when the interpreter starts to exit: from then on the bridge leaves Python alone.
std::atomic<bool> interpreterExiting{false};

// The boards on which Python installed a callback. Boards come from the registry, which
// keeps them until the process ends, so the pointers stay valid while Python runs.
std::mutex bridgedMutex;
std::set<InterruptInterface*> bridgedBoards;

bool pythonUsable() {
    return !interpreterExiting.load() && Py_IsInitialized();
}

}  // namespace

PythonReference::PythonReference(nb::object object) : object(object.release().ptr()) {}

PythonReference::~PythonReference() {
    if (object == nullptr || !Py_IsInitialized()) {
        // The interpreter is gone (the board outlived it): the reference is left alone.
        return;
    }
    PyGILState_STATE state = PyGILState_Ensure();
    Py_DECREF(object);
    PyGILState_Release(state);
}

InterruptBridge::InterruptBridge(nb::callable callable)
    : callable(std::make_shared<PythonReference>(std::move(callable))) {}

void InterruptBridge::operator()(const VelmorDeviceStruct& device, const InterruptData& data) const {
    if (!pythonUsable()) {
        return;
    }
    PyGILState_STATE state = PyGILState_Ensure();
    if (!interpreterExiting.load()) {
        nb::handle target(callable->get());
        try {
            nb::object deviceCopy = nb::cast(device, nb::rv_policy::copy);
            nb::object dataCopy = nb::cast(data, nb::rv_policy::copy);
            target(deviceCopy, dataCopy);
        } catch (nb::python_error& error) {
            error.discard_as_unraisable(target);
        } catch (const std::exception& error) {
            PyErr_SetString(PyExc_RuntimeError, error.what());
            PyErr_WriteUnraisable(target.ptr());
        }
    }
    PyGILState_Release(state);
}

void setInterruptCallback(InterruptInterface& board, nb::callable callable) {
    board.setDeviceInterruptCallback(InterruptBridge(std::move(callable)));
    std::lock_guard<std::mutex> lock(bridgedMutex);
    bridgedBoards.insert(&board);
}

void registerExitHandler(nb::module_&) {
    nb::module_ atexit = nb::module_::import_("atexit");
    nb::object handler = nb::cpp_function([]() {
        interpreterExiting.store(true);
        std::vector<InterruptInterface*> boards;
        {
            std::lock_guard<std::mutex> lock(bridgedMutex);
            boards.assign(bridgedBoards.begin(), bridgedBoards.end());
        }
        if (boards.empty()) {
            return;
        }
        std::vector<std::shared_ptr<Device>> devices;
        {
            // The interrupt threads may be waiting for the interpreter lock: it is
            // released while they are joined.
            nb::gil_scoped_release release;
            try {
                devices = DeviceDiscovery::getDevices();
            } catch (const std::exception&) {
                return;  // no registry: no board can deliver to Python
            }
            for (const std::shared_ptr<Device>& device : devices) {
                InterruptInterface* board = device ? device->interrupt() : nullptr;
                if (board != nullptr && std::find(boards.begin(), boards.end(), board) != boards.end() &&
                    board->isInterruptActive()) {
                    board->disableDeviceInterrupts();
                }
            }
        }
        // The boards outlive the interpreter (the registry keeps them until the process
        // ends): they give back their Python callables now, so that the interpreter can
        // still collect them and everything they refer to.
        for (const std::shared_ptr<Device>& device : devices) {
            InterruptInterface* board = device ? device->interrupt() : nullptr;
            if (board != nullptr && std::find(boards.begin(), boards.end(), board) != boards.end()) {
                board->setDeviceInterruptCallback([](const VelmorDeviceStruct&, const InterruptData&) {});
            }
        }
        {
            std::lock_guard<std::mutex> lock(bridgedMutex);
            bridgedBoards.clear();
        }
    });
    atexit.attr("register")(handler);
}

}  // namespace corvane_python
