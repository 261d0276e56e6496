#include "WatchdogImpl.h"

#include <cstring>
#include <string>

#include "CorvaneException.h"

namespace velmor {
namespace corvane {

namespace {

// A time base that no timer or watchdog knows; this reason has no name of its own.
constexpr uint32_t invalidTimebaseReason = 18;

uint32_t watchdogCode(VelmorFunction function, uint32_t reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_WATCHDOG, static_cast<uint32_t>(function) & 0xFFu,
                             reason);
}

}  // namespace

WatchdogImpl::WatchdogImpl() = default;

WatchdogImpl::~WatchdogImpl() = default;

void WatchdogImpl::verifyWatchdogParameters(uint8_t id, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    if (id >= information.functions.watchdog.number_watchdogs) {
        throw CorvaneException("Invalid watchdog_id: out of range",
                               watchdogCode(function, VELMOR_REASON_INVALID_ID));
    }
}

void WatchdogImpl::verifyWatchdogParameters(uint8_t id, TIMEBASE_UNITS timebase, uint16_t reload,
                               VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    const auto& limits = information.functions.watchdog;
    if (id >= limits.number_watchdogs) {
        throw CorvaneException("Invalid watchdog_id: out of range",
                               watchdogCode(function, VELMOR_REASON_INVALID_ID));
    }
    // Callers of the C interface can pass any number here, so the value is read as raw
    // bits rather than as the enumeration; compared as unsigned so that negative values
    // fail too, printed signed.
    unsigned int unit = 0;
    static_assert(sizeof unit == sizeof timebase, "TIMEBASE_UNITS is 32 bits wide");
    std::memcpy(&unit, &timebase, sizeof unit);
    if (unit > static_cast<unsigned int>(CUSTOM)) {
        throw CorvaneException(std::to_string(static_cast<int>(unit)) +
                                   " is not a valid timebase.",
                               watchdogCode(function, invalidTimebaseReason));
    }
    const uint16_t minimum = limits.min_reload_value[unit];
    const uint16_t maximum = limits.max_reload_value[unit];
    if (reload < minimum || reload > maximum) {
        throw CorvaneException("Invalid reload value. Value should be between [" +
                                   std::to_string(minimum) + "; " + std::to_string(maximum) +
                                   "] for this timebase.",
                               watchdogCode(function, VELMOR_REASON_INVALID_PARAMETER));
    }
}

bool WatchdogImpl::isAnyWatchdogInterruptEventSet() {
    for (const auto& entry : interruptEventMap) {
        if (entry.second) {
            return true;
        }
    }
    return false;
}

}  // namespace corvane
}  // namespace velmor
