#include "VelmorErrorFunctions.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "CorvaneException.h"

extern "C" size_t VelmorGetLastError(char* buffer, size_t length) {
    try {
        const std::string text = CorvaneException::getVelmorLastError();
        if (buffer == nullptr || length == 0 || length < text.size()) {
            // Constructing the exception publishes its text as the last error; it is
            // not thrown, so nothing crosses into the C caller.
            CorvaneException failure("error_message is Null",
                                     VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_GENERIC,
                                                       VELMOR_FUNCTION_API_GET_LAST_ERROR,
                                                       VELMOR_REASON_INVALID_PARAMETER));
            return 0;
        }
        std::strncpy(buffer, text.c_str(), length);
        buffer[length] = '\0';
        return std::strlen(buffer);
    } catch (...) {
        return 0;
    }
}

extern "C" int VelmorPrintLastError(void) {
    try {
        const std::string text = CorvaneException::getVelmorLastError();
        std::puts(text.c_str());
    } catch (...) {
    }
    return 0;
}
