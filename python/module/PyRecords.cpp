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
constexpr const char* kZeroed = "An all-zero record.";

std::vector<int> reloadList(const uint16_t (&values)[4]) {
    return std::vector<int>(values, values + 4);
}

// Timer and watchdog records share one layout; only the name of the count differs.
template <typename Record>
void bindReloadRecord(nb::module_& m, const char* name, const char* doc, const char* countName,
                      const char* countDoc, uint8_t Record::*count) {
    nb::class_<Record>(m, name, doc)
        .def(nb::init<>(), kZeroed)
        .def_prop_ro(countName, [count](const Record& r) { return static_cast<int>(r.*count); }, countDoc)
        .def_prop_ro("max_reload_value", [](const Record& r) { return reloadList(r.max_reload_value); },
                     "The largest reload value per time base: four 16-bit ints indexed by\n"
                     "TIMEBASE_UNITS (MICROSECOND, MILLISECOND, SECOND, CUSTOM).")
        .def_prop_ro("valid_options", [](const Record& r) { return r.valid_options; },
                     "The VELMOR_TCW_OPTIONS flags the board accepts (32-bit mask).")
        .def_prop_ro("min_reload_value", [](const Record& r) { return reloadList(r.min_reload_value); },
                     "The smallest reload value per time base: four 16-bit ints indexed by\n"
                     "TIMEBASE_UNITS.");
}

}  // namespace

void bindRecords(nb::module_& m) {
    bindReloadRecord<TimerInformations>(m, "TimerInformations", "What a board's timers offer.", "number_timers",
                                        "How many timers the board has (8-bit).",
                                        &TimerInformations::number_timers);
    bindReloadRecord<WatchdogInformations>(m, "WatchdogInformations", "What a board's watchdogs offer.",
                                           "number_watchdogs", "How many watchdogs the board has (8-bit).",
                                           &WatchdogInformations::number_watchdogs);

    nb::class_<CounterInformations>(m, "CounterInformations", "What a board's counters offer.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("number_counters", [](const CounterInformations& r) { return static_cast<int>(r.number_counters); },
                     "How many counters the board has (8-bit).")
        .def_prop_ro("max_reload_value", [](const CounterInformations& r) { return r.max_reload_value; },
                     "The largest reload value of a counter (32-bit).")
        .def_prop_ro("valid_options", [](const CounterInformations& r) { return r.valid_options; },
                     "The VELMOR_TCW_OPTIONS flags the board accepts (32-bit mask).");

    nb::class_<DigitalInformations>(m, "DigitalInformations", "What a board's digital lines offer.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("number_inputs", [](const DigitalInformations& r) { return static_cast<int>(r.number_inputs); },
                     "How many digital inputs the board has (8-bit).")
        .def_prop_ro("number_outputs", [](const DigitalInformations& r) { return static_cast<int>(r.number_outputs); },
                     "How many digital outputs the board has (8-bit).")
        .def_prop_ro("number_of_ports", [](const DigitalInformations& r) { return static_cast<int>(r.number_of_ports); },
                     "How many 8-bit ports the board has (8-bit).")
        .def_prop_ro("interrupt_mask", [](const DigitalInformations& r) { return r.interrupt_mask; },
                     "The inputs that can raise interrupts, bit n for input n (32-bit).");

    nb::class_<InterruptData>(m, "InterruptData", "One interrupt as the driver reports it.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("interrupt_source", [](const InterruptData& r) { return r.interrupt_source; },
                     "What raised the interrupt, as the board's driver numbers it (32-bit).")
        .def_prop_ro("interrupt_mask", [](const InterruptData& r) { return r.interrupt_mask; },
                     "The driver's interrupt mask, for example the inputs concerned (32-bit).")
        // The driver's count is trusted only up to the 32 entries the record has.
        .def_prop_ro("args", [](const InterruptData& r) {
            const size_t count = std::min<size_t>(r.args_count, kArgsCapacity);
            return std::vector<uint32_t>(r.args, r.args + count);
        }, "The driver's further values: a list of at most 32 ints (32-bit each).")
        .def("__repr__", [](const InterruptData& r) {
            return "InterruptData(interrupt_source=" + std::to_string(r.interrupt_source) +
                   ", interrupt_mask=" + std::to_string(r.interrupt_mask) + ")";
        });

    nb::class_<VelmorFunctionInformations>(m, "VelmorFunctionInformations",
                                           "What a board offers, per capability.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("digital", [](VelmorFunctionInformations& r) -> DigitalInformations& { return r.digital; },
                     nb::rv_policy::reference_internal, "The digital lines (a view into this record).")
        .def_prop_ro("timer", [](VelmorFunctionInformations& r) -> TimerInformations& { return r.timer; },
                     nb::rv_policy::reference_internal, "The timers (a view into this record).")
        .def_prop_ro("watchdog", [](VelmorFunctionInformations& r) -> WatchdogInformations& { return r.watchdog; },
                     nb::rv_policy::reference_internal, "The watchdogs (a view into this record).")
        .def_prop_ro("counter", [](VelmorFunctionInformations& r) -> CounterInformations& { return r.counter; },
                     nb::rv_policy::reference_internal, "The counters (a view into this record).");

    using B = VelmorPCIBusInformations;
    nb::class_<B>(m, "VelmorPCIBusInformations", "Where a board sits on the PCI bus.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("vendor_id", [](const B& r) { return static_cast<int>(r.vendor_id); },
                     "The PCI vendor id (16-bit).")
        .def_prop_ro("device_id", [](const B& r) { return static_cast<int>(r.device_id); },
                     "The PCI device id (16-bit).")
        .def_prop_ro("number", [](const B& r) { return r.number; },
                     "The board's number, the one its device identifier ends with (32-bit).")
        .def_prop_ro("device_number", [](const B& r) { return r.device_number; }, "The PCI device (slot) number (32-bit).")
        .def_prop_ro("bus_number", [](const B& r) { return r.bus_number; }, "The PCI bus number (32-bit).")
        .def_prop_ro("base_address_register", [](const B& r) { return r.base_address_register[0]; },
                     "The first base address register, BAR0 (64-bit).")
        .def_prop_ro("interrupt_number", [](const B& r) { return static_cast<int>(r.interrupt_number); },
                     "The board's interrupt line (8-bit).")
        .def_prop_ro("is_pcie", [](const B& r) { return static_cast<int>(r.is_pcie); },
                     "1 for a PCI Express board, 0 for PCI (an int).");

    using G = VelmorGeneralInformations;
    nb::class_<G>(m, "VelmorGeneralInformations", "A board's names and versions.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("serial_number", [](const G& r) { return textFromField(r.serial_number, sizeof(r.serial_number)); },
                     "The serial number.")
        .def_prop_ro("product_name", [](const G& r) { return textFromField(r.product_name, sizeof(r.product_name)); },
                     "The product name, for example 'keloe6100'.")
        .def_prop_ro("firmware_version",
                     [](const G& r) { return textFromField(r.firmware_version, sizeof(r.firmware_version)); },
                     "The firmware version the driver reports.")
        .def_prop_ro("library_version",
                     [](const G& r) { return textFromField(r.library_version, sizeof(r.library_version)); },
                     "The library version recorded for the board.")
        .def_prop_ro("driver_version", [](const G& r) { return textFromField(r.driver_version, sizeof(r.driver_version)); },
                     "The driver version.")
        .def_prop_ro("device_path", [](const G& r) { return textFromField(r.device_path, sizeof(r.device_path)); },
                     "The board's device node.")
        .def_prop_ro("custom_id", [](const G& r) {
            return textFromWide(r.custom_id, sizeof(r.custom_id) / sizeof(r.custom_id[0]));
        }, "The custom identifier stored on the board (wide characters decoded to str).");

    nb::class_<VelmorDeviceStruct>(m, "VelmorDeviceStruct",
                                   "Everything known about a board: its identifier, names, capabilities and\n"
                                   "bus position. Device.get_card_information() returns one.")
        .def(nb::init<>(), kZeroed)
        .def_prop_ro("id", [](const VelmorDeviceStruct& r) { return textFromField(r.id, sizeof(r.id)); },
                     "The device identifier, for example 'keloe6100_0'.")
        .def_prop_ro("general", [](VelmorDeviceStruct& r) -> G& { return r.general; },
                     nb::rv_policy::reference_internal, "Names and versions (a view into this record).")
        .def_prop_ro("functions", [](VelmorDeviceStruct& r) -> VelmorFunctionInformations& { return r.functions; },
                     nb::rv_policy::reference_internal, "Capabilities (a view into this record).")
        .def_prop_ro("bus", [](VelmorDeviceStruct& r) -> VelmorPCIBusInformations& { return r.bus; },
                     nb::rv_policy::reference_internal, "Bus position (a view into this record).")
        .def("__repr__", [](const VelmorDeviceStruct& r) {
            nb::str id = textFromField(r.id, sizeof(r.id));
            return nb::str("VelmorDeviceStruct(id={!r})").format(id);
        });
}

}  // namespace corvane_python
