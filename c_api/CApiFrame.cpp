#include "CApiFrame.h"

#include <string>

#include "CApiBoardIndex.h"
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

void checkOutputs(const char* function, std::initializer_list<const void*> outputs) {
    for (const void* output : outputs) {
        if (output == nullptr) {
            raiseNullArgument(function, "an output pointer");
        }
    }
}

BoardView lookUpBoard(const char* function, const char* deviceName) {
    static const std::string devicePath("/dev/");
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance(devicePath);
    if (deviceName == nullptr) {
        raiseNullArgument(function, "the device name");
    }
    // Built once, after the registry: the registry's map never changes afterwards. Being
    // built later, it is destroyed earlier at exit, so the registry still releases the
    // boards last, as it always did.
    static const BoardIndex index(registry);
    if (const BoardView* board = index.find(deviceName)) {
        return *board;
    }
    return BoardView::of(registry.getDeviceFromID(std::string(deviceName)));
}

std::shared_ptr<DeviceInterface> lookUpDevice(const char* function, const char* deviceName) {
    return lookUpBoard(function, deviceName).device;
}

}  // namespace capi
}  // namespace corvane
}  // namespace velmor
