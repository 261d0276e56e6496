// Device, its plug-ins and DeviceDiscovery.
#include <nanobind/nanobind.h>
#include <nanobind/stl/shared_ptr.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "CounterInterface.h"
#include "Device.h"
#include "DeviceDiscovery.h"
#include "DigitalIOInterface.h"
#include "DigitalIOPortsInterface.h"
#include "InterruptInterface.h"
#include "PluginInterface.h"
#include "PyBindings.h"
#include "PyConversions.h"
#include "TimerInterface.h"
#include "WatchdogInterface.h"

namespace corvane_python {

using namespace velmor::corvane;

namespace {

constexpr uint32_t kUnknownIdCode =
    VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_GET_DEVICES, VELMOR_REASON_INVALID_ID);

// Python's share of a board. Destroying a board stops its interrupt thread, which may be
// waiting for the interpreter lock to deliver a callback; so when Python drops the last
// reference, the board is released with the lock released.
struct ReleaseOutsideInterpreterLock {
    std::shared_ptr<Device> owner;

    void operator()(Device*) {
        // Python's shares are dropped by Python code, which holds the lock while the
        // interpreter runs.
        if (owner.use_count() == 1 && Py_IsInitialized()) {
            nb::gil_scoped_release release;
            owner.reset();
        } else {
            owner.reset();
        }
    }
};

std::shared_ptr<Device> forPython(std::shared_ptr<Device> device) {
    if (!device) {
        return device;
    }
    Device* raw = device.get();
    return std::shared_ptr<Device>(raw, ReleaseOutsideInterpreterLock{std::move(device)});
}

}  // namespace

void bindDevices(nb::module_& m) {
    nb::class_<Device>(
        m, "Device",
        "One board. DeviceDiscovery hands boards out; each capability getter returns the\n"
        "board seen through one interface, or None when the board lacks that capability.\n"
        "A returned interface keeps its Device alive.")
        .def("get_card_information", [](const Device& d) { return d.getDeviceInformation(); },
             "The board's information.\n\n"
             "Returns:\n"
             "    A VelmorDeviceStruct, an independent copy taken now.")
        .def("timer", &Device::timer, nb::rv_policy::reference_internal,
             nb::sig("def timer(self) -> TimerInterface | None"),
             "The board's timers, or None when it has none.")
        .def("counter", &Device::counter, nb::rv_policy::reference_internal,
             nb::sig("def counter(self) -> CounterInterface | None"),
             "The board's counters, or None when it has none.")
        .def("digital_io", &Device::digitalIo, nb::rv_policy::reference_internal,
             nb::sig("def digital_io(self) -> DigitalIOInterface | None"),
             "The board's digital channels, or None when its lines are not addressed as channels.")
        .def("digital_io_port", &Device::digitalIoPorts, nb::rv_policy::reference_internal,
             nb::sig("def digital_io_port(self) -> DigitalIOPortsInterface | None"),
             "The board's digital ports, or None when its lines are not grouped in ports.")
        .def("watchdog", &Device::watchdog, nb::rv_policy::reference_internal,
             nb::sig("def watchdog(self) -> WatchdogInterface | None"),
             "The board's watchdogs, or None when it has none.")
        .def("interrupt", &Device::interrupt, nb::rv_policy::reference_internal,
             nb::sig("def interrupt(self) -> InterruptInterface | None"),
             "The board's hardware interrupts, or None when it has none.")
        .def("plugin", [](Device& d, const std::string& name) { return d.plugin(name); },
             nb::rv_policy::reference_internal, nb::arg("name"),
             "The plug-in registered for this board under a name.\n\n"
             "Args:\n"
             "    name: the plug-in's name, exactly.\n\n"
             "Returns:\n"
             "    An opaque PluginHandle that keeps the board alive.\n\n"
             "Raises:\n"
             "    CorvaneError: no plug-in has that name (0x89000e04).");

    nb::class_<DeviceDiscovery>(
        m, "DeviceDiscovery",
        "The registry of the boards of this process. The first call finds every board\n"
        "under /dev/ once; later calls see the same boards.")
        .def_static("get_devices", []() {
            std::vector<std::shared_ptr<Device>> devices = DeviceDiscovery::getDevices();
            for (std::shared_ptr<Device>& device : devices) {
                device = forPython(std::move(device));
            }
            return devices;
        },
            "Every board found.\n\n"
            "Returns:\n"
            "    A list of Device in the order of their identifiers (empty without boards).\n\n"
            "Raises:\n"
            "    CorvaneError: a board failed to start while the registry was built.")
        .def_static(
            "get_device_from_id",
            [](const std::string& id) -> std::shared_ptr<Device> {
            try {
                return forPython(DeviceDiscovery::getDeviceFromId(id));
            } catch (const CorvaneException& error) {
                if (error.getCode() == kUnknownIdCode) {
                    return nullptr;  // no board with this identifier
                }
                throw;  // the registry itself failed: that is an error, not an absent board
            }
        },
            nb::arg("id"), nb::sig("def get_device_from_id(id: str) -> Device | None"),
            "The board with a device identifier.\n\n"
            "Args:\n"
            "    id: the identifier, for example 'keloe6100_0' (the lower-case product name,\n"
            "        '_' and the board's number).\n\n"
            "Returns:\n"
            "    The Device, or None when no board has that identifier.\n\n"
            "Raises:\n"
            "    CorvaneError: a board failed to start while the registry was built.");
}

// A plug-in has no Python interface of its own: Python gets an opaque handle that keeps
// its board alive. Defined after the module's public types, so that it does not come
// between the capability interfaces and Device.
void bindPluginHandle(nb::module_& m) {
    nb::class_<PluginInterface>(m, "PluginHandle",
                                "A plug-in of a board, from Device.plugin(); it keeps its board alive.");
}

}  // namespace corvane_python
