#include "CApiFrame.h"

#include <string>

#include "DeviceDiscoverySingleton.h"

namespace velmor {
namespace corvane {
namespace capi {

void raiseNullArgument(const char* function, const char* argument) {
    throw CorvaneException(std::string(function) + ": " + argument + " is null",
                           kInvalidParameterCode);
}

void raiseMissingCapability(const char* deviceName, const char* capability) {
    throw CorvaneException(std::string("Device ") + deviceName + " has no " + capability,
                           kNotSupportedCode);
}

uint32_t reportInternalError(const char* function, const char* what) noexcept {
    try {
        // Constructing the exception publishes its text as the last error.
        CorvaneException failure(std::string(function) + ": internal error: " +
                                     (what != nullptr ? what : "unknown exception"),
                                 kInternalErrorCode);
    } catch (...) {
        // Not even the text could be composed (memory exhausted): the code still tells.
    }
    return kInternalErrorCode;
}

void checkArguments(const char* function, const char* deviceName,
                    std::initializer_list<const void*> outputs) {
    if (deviceName == nullptr) {
        raiseNullArgument(function, "the device name");
    }
    for (const void* output : outputs) {
        if (output == nullptr) {
            raiseNullArgument(function, "an output pointer");
        }
    }
}

std::shared_ptr<DeviceInterface> lookUpDevice(const char* deviceName) {
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    return registry.getDeviceFromID(std::string(deviceName));
}

}  // namespace capi
}  // namespace corvane
}  // namespace velmor
