#include "PyConversions.h"

#include <cstring>

namespace corvane_python {

namespace {

nb::str decodeUtf8(const char* text, size_t length) {
    PyObject* decoded = PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(length), "replace");
    if (decoded == nullptr) {
        throw nb::python_error();
    }
    return nb::steal<nb::str>(decoded);
}

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

nb::str textFromField(const char* field, size_t size) {
    return decodeUtf8(field, ::strnlen(field, size));
}

nb::str textFromWide(const wchar_t* field, size_t size) {
    std::string utf8;
    for (size_t i = 0; i < size && field[i] != 0; ++i) {
        uint32_t code = static_cast<uint32_t>(field[i]);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            code = 0xFFFD;
        }
        appendUtf8(utf8, code);
    }
    return decodeUtf8(utf8.data(), utf8.size());
}

nb::str textFromString(const std::string& text) {
    return decodeUtf8(text.data(), text.size());
}

}  // namespace corvane_python
