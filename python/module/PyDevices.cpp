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
    nb::class_<Device>(m, "Device")
        .def("get_card_information", [](const Device& d) { return d.getDeviceInformation(); })
        .def("timer", &Device::timer, nb::rv_policy::reference_internal,
             nb::sig("def timer(self) -> TimerInterface | None"))
        .def("counter", &Device::counter, nb::rv_policy::reference_internal,
             nb::sig("def counter(self) -> CounterInterface | None"))
        .def("digital_io", &Device::digitalIo, nb::rv_policy::reference_internal,
             nb::sig("def digital_io(self) -> DigitalIOInterface | None"))
        .def("digital_io_port", &Device::digitalIoPorts, nb::rv_policy::reference_internal,
             nb::sig("def digital_io_port(self) -> DigitalIOPortsInterface | None"))
        .def("watchdog", &Device::watchdog, nb::rv_policy::reference_internal,
             nb::sig("def watchdog(self) -> WatchdogInterface | None"))
        .def("interrupt", &Device::interrupt, nb::rv_policy::reference_internal,
             nb::sig("def interrupt(self) -> InterruptInterface | None"))
        .def("plugin", [](Device& d, const std::string& name) { return d.plugin(name); },
             nb::rv_policy::reference_internal);

    nb::class_<DeviceDiscovery>(m, "DeviceDiscovery")
        .def_static("get_devices", []() {
            std::vector<std::shared_ptr<Device>> devices = DeviceDiscovery::getDevices();
            for (std::shared_ptr<Device>& device : devices) {
                device = forPython(std::move(device));
            }
            return devices;
        })
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
            nb::sig("def get_device_from_id(arg: str, /) -> Device | None"));
}

// A plug-in has no Python interface of its own: Python gets an opaque handle that keeps
// its board alive. Defined after the module's public types, so that it does not come
// between the capability interfaces and Device.
void bindPluginHandle(nb::module_& m) {
    nb::class_<PluginInterface>(m, "PluginHandle");
}

}  // namespace corvane_python
