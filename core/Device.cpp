#include "Device.h"

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "CounterInterface.h"
#include "DigitalIOInterface.h"
#include "DigitalIOPortsInterface.h"
#include "InterruptInterface.h"
#include "PluginInterface.h"
#include "TimerInterface.h"
#include "WatchdogInterface.h"

namespace velmor {
namespace corvane {

Device::Device() = default;

// The plug-in objects are shut down and deleted by DeviceInterface, which also holds
// the libraries their code lives in.
Device::~Device() = default;

TimerInterface* Device::timer() { return dynamic_cast<TimerInterface*>(this); }

DigitalIOInterface* Device::digitalIo() { return dynamic_cast<DigitalIOInterface*>(this); }

DigitalIOPortsInterface* Device::digitalIoPorts() {
    return dynamic_cast<DigitalIOPortsInterface*>(this);
}

InterruptInterface* Device::interrupt() { return dynamic_cast<InterruptInterface*>(this); }

CounterInterface* Device::counter() { return dynamic_cast<CounterInterface*>(this); }

WatchdogInterface* Device::watchdog() { return dynamic_cast<WatchdogInterface*>(this); }

PluginInterface* Device::plugin(const std::string& name) {
    auto found = plugins.find(name);
    if (found == plugins.end()) {
        throw CorvaneException("Plugin " + name + " not found in plugin map.",
                               VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_PLUGIN,
                                                 VELMOR_FUNCTION_CALL,
                                                 VELMOR_REASON_OUT_OF_BOUNDS));
    }
    return found->second;
}

}  // namespace corvane
}  // namespace velmor
