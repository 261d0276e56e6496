// CorvaneException as a Python class for decoding error codes and reading the last
// error. (Library failures raise CorvaneError, a Python exception: PyCorvaneError.cpp.)
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/variant.h>

#include <cstdint>
#include <string>

#include "CorvaneException.h"
#include "PyBindings.h"
#include "PyConversions.h"
#include "PyErrorFields.h"

namespace corvane_python {

void bindCorvaneException(nb::module_& m) {
    nb::class_<CorvaneException>(
        m, "CorvaneException",
        "The library's exception object, for decoding error codes and reading the last error.\n\n"
        "It is not a Python exception (library failures raise CorvaneError). Constructing\n"
        "one and set_message() replace the process-wide last error, as in the library.\n"
        "Error code layout: bit 31 source, bits 30..24 domain, bits 15..8 function, bits\n"
        "7..0 reason.")
        .def("__init__",
             [](CorvaneException* self, const std::string& message, U32 code) {
                 new (self) CorvaneException(message, code);
             },
             nb::arg("message"), nb::arg("code"),
             "Makes an exception object and publishes its readable text as the last error.\n\n"
             "Args:\n"
             "    message: the free text (UTF-8).\n"
             "    code: the 32-bit error code.")
        .def("get_code", [](const CorvaneException& e) { return e.getCode(); },
             "The object's 32-bit error code.")
        // Decoding needs no object (constructing one replaces the last error), so these
        // are static; they can still be called on an instance.
        .def_static("get_source", [](U32 code) { return sourceOf(code); }, nb::arg("code"),
                    "Decodes the source field (bit 31) of a 32-bit code.\n\n"
                    "Args:\n"
                    "    code: the 32-bit error code.\n\n"
                    "Returns:\n"
                    "    A VelmorSource member.")
        .def_static("get_domain", [](U32 code) { return domainOf(code); }, nb::arg("code"),
                    "Decodes the domain field (bits 30..24) of a 32-bit code.\n\n"
                    "Args:\n"
                    "    code: the 32-bit error code.\n\n"
                    "Returns:\n"
                    "    A VelmorDomain member, or the plain int for a value without one.")
        .def_static("get_function", [](U32 code) { return functionOf(code); }, nb::arg("code"),
                    "Decodes the function field (bits 15..8) of a 32-bit code.\n\n"
                    "Args:\n"
                    "    code: the 32-bit error code.\n\n"
                    "Returns:\n"
                    "    A VelmorFunction member, or the plain int for a value without one\n"
                    "    (for example 46, the port range of the port board).")
        .def_static("get_reason", [](U32 code) { return reasonOf(code); }, nb::arg("code"),
                    "Decodes the reason field (bits 7..0) of a 32-bit code.\n\n"
                    "Args:\n"
                    "    code: the 32-bit error code.\n\n"
                    "Returns:\n"
                    "    A VelmorReason member, or the plain int for a value without one\n"
                    "    (for example 18, a time base that is not valid).")
        .def("what", [](const CorvaneException& e) { return textFromString(e.what()); },
             "The readable text: the code described, then the message.")
        .def("set_message", [](CorvaneException& e, const std::string& message) { e.setMessage(message); },
             nb::arg("message"),
             "Replaces the message, composes the readable text again and publishes it as the\n"
             "last error.\n\n"
             "Args:\n"
             "    message: the free text (UTF-8).")
        .def("set_error_code", [](CorvaneException& e, U32 code) { e.setErrorCode(code); }, nb::arg("code"),
             "Replaces the code only; the readable text stays until the next set_message.\n\n"
             "Args:\n"
             "    code: the 32-bit error code.")
        .def_static("get_velmor_last_error", []() { return textFromString(CorvaneException::getVelmorLastError()); },
                    "The readable text of the most recent library failure in any thread (empty\n"
                    "before the first).");
}

}  // namespace corvane_python
