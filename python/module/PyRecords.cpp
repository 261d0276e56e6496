// The information records and the interrupt record. Every attribute is read-only; an
// attribute that is itself a record is a view into its parent and keeps the parent alive.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "PyBindings.h"
#include "PyConversions.h"
#include "VelmorTypes.h"

namespace corvane_python {

namespace {

constexpr size_t kArgsCapacity = sizeof(InterruptData::args) / sizeof(InterruptData::args[0]);

std::vector<int> reloadList(const uint16_t (&values)[4]) {
    return std::vector<int>(values, values + 4);
}

// Timer and watchdog records share one layout; only the name of the count differs.
template <typename Record>
void bindReloadRecord(nb::module_& m, const char* name, const char* countName,
                      uint8_t Record::*count) {
    nb::class_<Record>(m, name)
        .def(nb::init<>())
        .def_prop_ro(countName, [count](const Record& r) { return static_cast<int>(r.*count); })
        .def_prop_ro("max_reload_value", [](const Record& r) { return reloadList(r.max_reload_value); })
        .def_prop_ro("valid_options", [](const Record& r) { return r.valid_options; })
        .def_prop_ro("min_reload_value", [](const Record& r) { return reloadList(r.min_reload_value); });
}

}  // namespace

void bindRecords(nb::module_& m) {
    bindReloadRecord<TimerInformations>(m, "TimerInformations", "number_timers",
                                        &TimerInformations::number_timers);
    bindReloadRecord<WatchdogInformations>(m, "WatchdogInformations", "number_watchdogs",
                                           &WatchdogInformations::number_watchdogs);

    nb::class_<CounterInformations>(m, "CounterInformations")
        .def(nb::init<>())
        .def_prop_ro("number_counters", [](const CounterInformations& r) { return static_cast<int>(r.number_counters); })
        .def_prop_ro("max_reload_value", [](const CounterInformations& r) { return r.max_reload_value; })
        .def_prop_ro("valid_options", [](const CounterInformations& r) { return r.valid_options; });

    nb::class_<DigitalInformations>(m, "DigitalInformations")
        .def(nb::init<>())
        .def_prop_ro("number_inputs", [](const DigitalInformations& r) { return static_cast<int>(r.number_inputs); })
        .def_prop_ro("number_outputs", [](const DigitalInformations& r) { return static_cast<int>(r.number_outputs); })
        .def_prop_ro("number_of_ports", [](const DigitalInformations& r) { return static_cast<int>(r.number_of_ports); })
        .def_prop_ro("interrupt_mask", [](const DigitalInformations& r) { return r.interrupt_mask; });

    nb::class_<InterruptData>(m, "InterruptData")
        .def(nb::init<>())
        .def_prop_ro("interrupt_source", [](const InterruptData& r) { return r.interrupt_source; })
        .def_prop_ro("interrupt_mask", [](const InterruptData& r) { return r.interrupt_mask; })
        // The driver's count is trusted only up to the 32 entries the record has.
        .def_prop_ro("args", [](const InterruptData& r) {
            const size_t count = std::min<size_t>(r.args_count, kArgsCapacity);
            return std::vector<uint32_t>(r.args, r.args + count);
        })
        .def("__repr__", [](const InterruptData& r) {
            return "InterruptData(interrupt_source=" + std::to_string(r.interrupt_source) +
                   ", interrupt_mask=" + std::to_string(r.interrupt_mask) + ")";
        });

    nb::class_<VelmorFunctionInformations>(m, "VelmorFunctionInformations")
        .def(nb::init<>())
        .def_prop_ro("digital", [](VelmorFunctionInformations& r) -> DigitalInformations& { return r.digital; },
                     nb::rv_policy::reference_internal)
        .def_prop_ro("timer", [](VelmorFunctionInformations& r) -> TimerInformations& { return r.timer; },
                     nb::rv_policy::reference_internal)
        .def_prop_ro("watchdog", [](VelmorFunctionInformations& r) -> WatchdogInformations& { return r.watchdog; },
                     nb::rv_policy::reference_internal)
        .def_prop_ro("counter", [](VelmorFunctionInformations& r) -> CounterInformations& { return r.counter; },
                     nb::rv_policy::reference_internal);

    nb::class_<VelmorPCIBusInformations>(m, "VelmorPCIBusInformations")
        .def(nb::init<>())
        .def_prop_ro("vendor_id", [](const VelmorPCIBusInformations& r) { return static_cast<int>(r.vendor_id); })
        .def_prop_ro("device_id", [](const VelmorPCIBusInformations& r) { return static_cast<int>(r.device_id); })
        .def_prop_ro("number", [](const VelmorPCIBusInformations& r) { return r.number; })
        .def_prop_ro("device_number", [](const VelmorPCIBusInformations& r) { return r.device_number; })
        .def_prop_ro("bus_number", [](const VelmorPCIBusInformations& r) { return r.bus_number; })
        .def_prop_ro("base_address_register",
                     [](const VelmorPCIBusInformations& r) { return r.base_address_register[0]; })
        .def_prop_ro("interrupt_number", [](const VelmorPCIBusInformations& r) { return static_cast<int>(r.interrupt_number); })
        .def_prop_ro("is_pcie", [](const VelmorPCIBusInformations& r) { return static_cast<int>(r.is_pcie); });

    using G = VelmorGeneralInformations;
    nb::class_<G>(m, "VelmorGeneralInformations")
        .def(nb::init<>())
        .def_prop_ro("serial_number", [](const G& r) { return textFromField(r.serial_number, sizeof(r.serial_number)); })
        .def_prop_ro("product_name", [](const G& r) { return textFromField(r.product_name, sizeof(r.product_name)); })
        .def_prop_ro("firmware_version", [](const G& r) { return textFromField(r.firmware_version, sizeof(r.firmware_version)); })
        .def_prop_ro("library_version", [](const G& r) { return textFromField(r.library_version, sizeof(r.library_version)); })
        .def_prop_ro("driver_version", [](const G& r) { return textFromField(r.driver_version, sizeof(r.driver_version)); })
        .def_prop_ro("device_path", [](const G& r) { return textFromField(r.device_path, sizeof(r.device_path)); })
        .def_prop_ro("custom_id", [](const G& r) {
            return textFromWide(r.custom_id, sizeof(r.custom_id) / sizeof(r.custom_id[0]));
        });

    nb::class_<VelmorDeviceStruct>(m, "VelmorDeviceStruct")
        .def(nb::init<>())
        .def_prop_ro("id", [](const VelmorDeviceStruct& r) { return textFromField(r.id, sizeof(r.id)); })
        .def_prop_ro("general", [](VelmorDeviceStruct& r) -> G& { return r.general; },
                     nb::rv_policy::reference_internal)
        .def_prop_ro("functions", [](VelmorDeviceStruct& r) -> VelmorFunctionInformations& { return r.functions; },
                     nb::rv_policy::reference_internal)
        .def_prop_ro("bus", [](VelmorDeviceStruct& r) -> VelmorPCIBusInformations& { return r.bus; },
                     nb::rv_policy::reference_internal)
        .def("__repr__", [](const VelmorDeviceStruct& r) {
            nb::str id = textFromField(r.id, sizeof(r.id));
            return nb::str("VelmorDeviceStruct(id={!r})").format(id);
        });
}

}  // namespace corvane_python
