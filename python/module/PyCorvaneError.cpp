// CorvaneError: the Python exception that every library failure raises. It derives from
// RuntimeError (so `except RuntimeError` keeps catching library failures), str() of it is
// the library's readable text, and it carries the 32-bit code, the code's four fields
// decoded and the library's own message.
//
// The class is a plain Python exception class created at import; its attributes are
// read-only properties over two values kept in the instance's dictionary ("_code",
// "_message"), so that the exception pickles and copies like any other.
#include <nanobind/nanobind.h>
#include <nanobind/stl/string.h>
#include <nanobind/stl/variant.h>

#include <cstdint>
#include <exception>
#include <string>

#include "CorvaneException.h"
#include "PyBindings.h"
#include "PyConversions.h"
#include "PyErrorFields.h"

namespace corvane_python {

namespace {

constexpr const char* kCodeKey = "_code";
constexpr const char* kMessageKey = "_message";

uint32_t codeOf(nb::handle self) {
    return nb::cast<uint32_t>(self.attr(kCodeKey));
}

// Raises the library's failure as CorvaneError; `type` is the class, which the module
// holds for as long as it exists. The instance is made without __init__, so that its
// text is exactly the library's, whatever the code.
void raiseCorvaneError(PyObject* type, const CorvaneException& error) {
    try {
        nb::handle cls(type);
        nb::object instance = cls.attr("__new__")(cls, textFromString(error.what()));
        instance.attr(kCodeKey) = nb::int_(error.getCode());
        instance.attr(kMessageKey) = textFromString(error.getMessage());
        PyErr_SetObject(type, instance.ptr());
    } catch (nb::python_error& failure) {
        failure.restore();  // for example MemoryError while building the exception
    }
}

// A read-only attribute of the class: a property over a getter that takes the instance.
template <typename Getter>
void addProperty(nb::handle cls, const char* name, Getter getter, const char* doc) {
    nb::object get = nb::cpp_function(getter, nb::is_method(), nb::name(name), nb::scope(cls), doc);
    nb::object property = nb::module_::import_("builtins").attr("property");
    nb::setattr(cls, name, property(get, nb::none(), nb::none(), doc));
}

template <typename Function, typename... Extra>
void addMethod(nb::handle cls, const char* name, Function function, const Extra&... extra) {
    nb::setattr(cls, name, nb::cpp_function(function, nb::is_method(), nb::name(name), nb::scope(cls), extra...));
}

}  // namespace

void bindCorvaneError(nb::module_& m) {
    PyObject* type = PyErr_NewExceptionWithDoc(
        "corvane.CorvaneError",
        "A failure reported by libCorvane: every library failure raises it.\n\n"
        "It derives from RuntimeError; str() of it is the library's readable text, the same\n"
        "text that CorvaneException.get_velmor_last_error() returns right afterwards and\n"
        "that the C interface's VelmorGetLastError gives for the same failure. Its code is\n"
        "the one the C interface returns. The attributes are read-only:\n\n"
        "    code      the 32-bit error code (int)\n"
        "    source    VelmorSource member (bit 31)\n"
        "    domain    VelmorDomain member, or int without a member (bits 30..24)\n"
        "    function  VelmorFunction member, or int without a member (bits 15..8)\n"
        "    reason    VelmorReason member, or int without a member (bits 7..0)\n"
        "    message   the library's message, without the code's description\n\n"
        "CorvaneError(message, code) makes one with the text composed as the library does;\n"
        "unlike CorvaneException, it leaves the last error alone.",
        PyExc_RuntimeError, nullptr);
    if (type == nullptr) {
        throw nb::python_error();
    }
    nb::object cls = nb::steal(type);

    addMethod(
        cls, "__init__",
        [](nb::handle self, const std::string& message, U32 code) {
            nb::setattr(self, "args", nb::make_tuple(textFromString(CorvaneException::composeText(code, message))));
            nb::setattr(self, kCodeKey, nb::int_(static_cast<uint32_t>(code)));
            nb::setattr(self, kMessageKey, nb::str(message.c_str(), message.size()));
        },
        nb::arg("message"), nb::arg("code"));
    // Rebuilt without __init__, like the library's own instances: the same text, code and
    // message (the state is the instance's dictionary).
    addMethod(
        cls, "__reduce__",
        [](nb::handle self) {
        nb::object newObject = nb::module_::import_("copyreg").attr("__newobj__");
        nb::list arguments;
        arguments.append(nb::handle(reinterpret_cast<PyObject*>(Py_TYPE(self.ptr()))));
        for (nb::handle argument : nb::borrow<nb::tuple>(self.attr("args"))) {
            arguments.append(argument);
        }
        return nb::make_tuple(newObject, nb::steal<nb::tuple>(PyList_AsTuple(arguments.ptr())), self.attr("__dict__"));
        },
        nb::sig("def __reduce__(self) -> tuple[object, ...]"));

    addProperty(cls, "code", [](nb::handle self) { return U32{codeOf(self)}; },
                "The 32-bit error code, as the C interface returns it.");
    addProperty(cls, "source", [](nb::handle self) { return sourceOf(codeOf(self)); },
                "Who detected the failure: a VelmorSource member.");
    addProperty(cls, "domain", [](nb::handle self) { return domainOf(codeOf(self)); },
                "The area of the failure: a VelmorDomain member, or the int when it has none.");
    addProperty(cls, "function", [](nb::handle self) { return functionOf(codeOf(self)); },
                "The operation that failed: a VelmorFunction member, or the int when it has none.");
    addProperty(cls, "reason", [](nb::handle self) { return reasonOf(codeOf(self)); },
                "Why it failed: a VelmorReason member, or the int when it has none.");
    addProperty(cls, "message", [](nb::handle self) { return nb::str(self.attr(kMessageKey)); },
                "The library's message alone (str() gives the whole readable text).");

    m.attr("CorvaneError") = cls;

    // The module keeps the class as long as the translator can run.
    nb::register_exception_translator(
        [](const std::exception_ptr& pointer, void* payload) {
            try {
                std::rethrow_exception(pointer);
            } catch (const CorvaneException& error) {
                raiseCorvaneError(static_cast<PyObject*>(payload), error);
            }
        },
        type);
}

}  // namespace corvane_python
