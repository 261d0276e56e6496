// CorvaneException as a Python class for decoding error codes and reading the last
// error, and the translation of library exceptions into Python exceptions.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/variant.h>

#include <cstdint>
#include <string>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "PyBindings.h"
#include "PyConversions.h"
#include "PyErrorFields.h"

namespace corvane_python {

namespace {

// The library's texts may carry driver bytes that are not UTF-8; they are decoded with
// replacement characters instead of letting the translation itself fail.
void setRuntimeError(const char* text) {
    nb::str message = textFromString(text);
    PyErr_SetObject(PyExc_RuntimeError, message.ptr());
}

}  // namespace

void bindCorvaneException(nb::module_& m) {
    nb::register_exception_translator([](const std::exception_ptr& pointer, void*) {
        try {
            std::rethrow_exception(pointer);
        } catch (const CorvaneException& error) {
            setRuntimeError(error.what());
        }
    });

    nb::class_<CorvaneException>(m, "CorvaneException")
        .def("__init__",
             [](CorvaneException* self, const std::string& message, U32 code) {
                 new (self) CorvaneException(message, code);
             },
             nb::arg("message"), nb::arg("code"))
        .def("get_code", [](const CorvaneException& e) { return e.getCode(); })
        // Decoding needs no object (constructing one replaces the last error), so these
        // are static; they can still be called on an instance.
        .def_static("get_source", [](U32 code) { return sourceOf(code); })
        .def_static("get_domain", [](U32 code) { return domainOf(code); })
        .def_static("get_function", [](U32 code) { return functionOf(code); })
        .def_static("get_reason", [](U32 code) { return reasonOf(code); })
        .def("what", [](const CorvaneException& e) { return textFromString(e.what()); })
        .def("set_message", [](CorvaneException& e, const std::string& message) { e.setMessage(message); })
        .def("set_error_code", [](CorvaneException& e, U32 code) { e.setErrorCode(code); })
        .def_static("get_velmor_last_error", []() { return textFromString(CorvaneException::getVelmorLastError()); });
}

}  // namespace corvane_python
