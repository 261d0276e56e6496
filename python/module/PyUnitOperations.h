// The operations that timers, counters and watchdogs share: each takes the 8-bit number
// of one unit (named after the kind of unit: timer, counter, watchdog) and raises
// CorvaneError for an unknown unit or a driver failure. One binder writes them and their
// docstrings alike for the three interfaces.
#ifndef CORVANE_PY_UNIT_OPERATIONS_H
#define CORVANE_PY_UNIT_OPERATIONS_H

#include <nanobind/nanobind.h>
#include <nanobind/stl/tuple.h>

#include <cstdint>
#include <string>
#include <tuple>

#include "PyConversions.h"

namespace corvane_python {

namespace nb = nanobind;

template <typename Interface>
class UnitOperations {
public:
    using Action = void (Interface::*)(uint8_t);
    using ValueRead = uint32_t (Interface::*)(uint8_t);
    using StatusRead = void (Interface::*)(uint8_t, uint32_t&, uint8_t&, uint8_t&, uint8_t&);

    // unit: the argument's name and the word used in the docstrings.
    UnitOperations(nb::class_<Interface>& cls, const char* unit) : cls(cls), unit(unit) {}

    // A method that returns None; summary is the docstring's first line.
    UnitOperations& action(const char* name, Action operation, const std::string& summary) {
        cls.def(name, [operation](Interface& i, U8 index) { (i.*operation)(index); }, nb::arg(unit),
                doc(summary, "").c_str());
        return *this;
    }

    UnitOperations& value(const char* name, ValueRead operation) {
        cls.def(name, [operation](Interface& i, U8 index) { return (i.*operation)(index); }, nb::arg(unit),
                doc("Reads a " + std::string(unit) + "'s current value.",
                    "Returns:\n    The value, 0 to 4294967295.\n\n")
                    .c_str());
        return *this;
    }

    // The status read: (32-bit value, three status bytes), the outputs set to 0 first.
    UnitOperations& status(const char* name, StatusRead operation) {
        cls.def(name,
                [operation](Interface& i, U8 index) {
                    uint32_t value = 0;
                    uint8_t status1 = 0;
                    uint8_t status2 = 0;
                    uint8_t status3 = 0;
                    (i.*operation)(index, value, status1, status2, status3);
                    return std::make_tuple(value, status1, status2, status3);
                },
                nb::arg(unit),
                doc("Reads a " + std::string(unit) + "'s value and its three status bytes.",
                    "Returns:\n"
                    "    (value, status1, status2, status3): the 32-bit value and the three status\n"
                    "    bytes as the driver reports them.\n\n")
                    .c_str());
        return *this;
    }

    // The docstring of a method whose only argument is the unit's number.
    std::string doc(const std::string& summary, const std::string& returns) const {
        const std::string u(unit);
        return summary + "\n\nArgs:\n    " + u + ": the " + u + "'s number (8-bit).\n\n" + returns +
               "Raises:\n    CorvaneError: an unknown " + u + " or a driver failure.";
    }

private:
    nb::class_<Interface>& cls;
    const char* unit;
};

}  // namespace corvane_python

#endif
