#include "VelmorInterruptFunctions.h"

#include "CApiFrame.h"
#include "InterruptImpl.h"
#include "InterruptInterface.h"

using velmor::corvane::DeviceInterruptCallback;
using velmor::corvane::InterruptImpl;
using velmor::corvane::InterruptInterface;
namespace capi = velmor::corvane::capi;

namespace {
constexpr const char* kCapability = "interrupts";

// The callback of the object interface that forwards to a plain C function: the C
// function receives its own copies of both records, by value (the by-value arguments are
// the copies, made once).
DeviceInterruptCallback adapt(VelmorInterruptCallback callback) {
    if (callback == nullptr) {
        return DeviceInterruptCallback();  // empty: the engine rejects it
    }
    return [callback](const VelmorDeviceStruct& device, const InterruptData& data) {
        callback(device, data);
    };
}
}  // namespace

extern "C" uint32_t VelmorSetDeviceInterruptCallback(const char* deviceName,
                                                     VelmorInterruptCallback callback) {
    return capi::callOn<InterruptInterface>(
        __func__, deviceName, kCapability, {},
        [&](InterruptInterface& interrupts) { interrupts.setDeviceInterruptCallback(adapt(callback)); });
}

extern "C" uint32_t VelmorEnableDeviceInterrupts(const char* deviceName) {
    return capi::callOn<InterruptInterface>(
        __func__, deviceName, kCapability, {},
        [](InterruptInterface& interrupts) { interrupts.enableDeviceInterrupts(); });
}

extern "C" uint32_t VelmorDisableDeviceInterrupts(const char* deviceName) {
    return capi::callOn<InterruptInterface>(
        __func__, deviceName, kCapability, {},
        [](InterruptInterface& interrupts) { interrupts.disableDeviceInterrupts(); });
}

extern "C" uint32_t VelmorTestDeviceInterrupts(const char* deviceName) {
    // The test interrupt belongs to the shared interrupt engine, not to the interface.
    return capi::callOn<InterruptImpl>(__func__, deviceName, kCapability, {},
                                       [](InterruptImpl& interrupts) { interrupts.testInterrupt(); });
}

extern "C" uint32_t VelmorClearInterruptFifo(const char* deviceName) {
    // Like the test interrupt, served by the shared interrupt engine.
    return capi::callOn<InterruptImpl>(__func__, deviceName, kCapability, {},
                                       [](InterruptImpl& interrupts) { interrupts.clearInterruptFifo(); });
}
