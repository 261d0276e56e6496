// Argument converters and text helpers shared by the binding units of the corvane module.
#ifndef CORVANE_PY_CONVERSIONS_H
#define CORVANE_PY_CONVERSIONS_H

#include <nanobind/nanobind.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace corvane_python {

namespace nb = nanobind;

// An unsigned integer argument of a fixed width. Only Python ints (and their subclasses,
// such as members of VELMOR_TCW_OPTIONS) that fit the width match; negative values, values
// out of range, str, float and every other object do not, so the call raises TypeError
// before the library is reached.
template <typename T>
struct UInt {
    T value;
    operator T() const { return value; }
};
using U8 = UInt<uint8_t>;
using U16 = UInt<uint16_t>;
using U32 = UInt<uint32_t>;

// An enumeration argument that accepts only the members of its own Python enumeration
// (plain ints, even with a matching value, do not match).
template <typename E>
struct Member {
    E value;
    operator E() const { return value; }
};

// Text of a fixed char field: the bytes up to the first zero, never past the field, decoded
// as UTF-8 (bytes that are not valid UTF-8 become U+FFFD rather than failing).
nb::str textFromField(const char* field, size_t size);

// Text of a fixed wide-character field: the characters up to the first zero, never past the
// field; values that are not Unicode scalar values become U+FFFD.
nb::str textFromWide(const wchar_t* field, size_t size);

// A library string decoded like textFromField.
nb::str textFromString(const std::string& text);

}  // namespace corvane_python

namespace nanobind {
namespace detail {

template <typename T>
struct type_caster<corvane_python::UInt<T>> {
    NB_TYPE_CASTER(corvane_python::UInt<T>, const_name("int"))

    bool from_python(handle src, uint8_t, cleanup_list*) noexcept {
        PyObject* object = src.ptr();
        if (!PyLong_Check(object)) {
            return false;
        }
        const unsigned long long converted = PyLong_AsUnsignedLongLong(object);
        if (converted == static_cast<unsigned long long>(-1) && PyErr_Occurred()) {
            PyErr_Clear();  // negative or wider than 64 bits
            return false;
        }
        if (converted > std::numeric_limits<T>::max()) {
            return false;
        }
        value.value = static_cast<T>(converted);
        return true;
    }

    static handle from_cpp(const corvane_python::UInt<T>& source, rv_policy,
                           cleanup_list*) noexcept {
        return PyLong_FromUnsignedLongLong(source.value);
    }
};

template <typename E>
struct type_caster<corvane_python::Member<E>> {
    using Inner = make_caster<E>;
    NB_TYPE_CASTER(corvane_python::Member<E>, Inner::Name)

    bool from_python(handle src, uint8_t flags, cleanup_list* cleanup) noexcept {
        Inner inner;
        // Without the conversion flag nanobind accepts only the enumeration's own members.
        const uint8_t strict = static_cast<uint8_t>(flags & ~static_cast<uint8_t>(cast_flags::convert));
        if (!inner.from_python(src, strict, cleanup)) {
            return false;
        }
        value.value = inner.value;
        return true;
    }

    static handle from_cpp(const corvane_python::Member<E>& source, rv_policy policy,
                           cleanup_list* cleanup) noexcept {
        return Inner::from_cpp(source.value, policy, cleanup);
    }
};

}  // namespace detail
}  // namespace nanobind

#endif
