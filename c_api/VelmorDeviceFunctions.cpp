#include "VelmorDeviceFunctions.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "CApiFrame.h"
#include "DeviceDiscoverySingleton.h"
#include "TestInterface.h"

using velmor::corvane::DeviceDiscoverySingleton;
using velmor::corvane::DeviceInterface;
using velmor::corvane::TestInterface;
namespace capi = velmor::corvane::capi;

extern "C" uint32_t VelmorGetNumberOfDevices(unsigned char* count) {
    const char* const function = __func__;  // inside the lambda __func__ names the lambda
    return capi::guarded(function, [&] {
        // The registry first: a failed build reports its own code whatever the argument.
        const unsigned char number =
            DeviceDiscoverySingleton::getInstance("/dev/").getNumberOfDevices();
        if (count == nullptr) {
            capi::raiseNullArgument(function, "count");
        }
        *count = number;
    });
}

extern "C" uint32_t VelmorGetDeviceList(VelmorDeviceStruct* list) {
    const char* const function = __func__;
    return capi::guarded(function, [&] {
        DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
        // Every copy is taken before the first byte reaches the caller's buffer.
        const std::vector<VelmorDeviceStruct> all = registry.getAllDevicesInformation();
        // Never more records than VelmorGetNumberOfDevices reports (it stops at 255),
        // so that a buffer sized from the count is always enough: the first ones in
        // identifier order.
        const size_t listed = std::min<size_t>(all.size(), registry.getNumberOfDevices());
        // Without boards nothing is written, so no buffer is needed either.
        if (list == nullptr && listed != 0) {
            capi::raiseNullArgument(function, "list");
        }
        std::copy(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(listed), list);
    });
}

extern "C" uint32_t VelmorGetDeviceStructFromDeviceName(const char* deviceName,
                                                        VelmorDeviceStruct* information) {
    const char* const function = __func__;
    return capi::guarded(function, [&] {
        const std::shared_ptr<DeviceInterface> device = capi::lookUpDevice(function, deviceName);
        capi::checkOutputs(function, {information});
        const VelmorDeviceStruct copy = device->getDeviceInformation();
        *information = copy;
    });
}

extern "C" uint32_t VelmorTestError(const char* deviceName) {
    return capi::callOn<TestInterface>(__func__, deviceName, "test interface", {},
                                       [](TestInterface& test) { test.testError(); });
}
