#include "TimerImpl.h"

#include <cstring>
#include <string>

#include "CorvaneException.h"

namespace velmor {
namespace corvane {

namespace {

// A time base that no timer or watchdog knows; this reason has no name of its own.
constexpr uint32_t invalidTimebaseReason = 18;

uint32_t timerCode(VelmorFunction function, uint32_t reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_TIMER, static_cast<uint32_t>(function) & 0xFFu,
                             reason);
}

}  // namespace

TimerImpl::TimerImpl() = default;

TimerImpl::~TimerImpl() = default;

void TimerImpl::verifyTimerParameters(uint8_t id, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    if (id >= information.functions.timer.number_timers) {
        throw CorvaneException("Invalid timer_id: out of range",
                               timerCode(function, VELMOR_REASON_INVALID_ID));
    }
}

void TimerImpl::verifyTimerParameters(uint8_t id, TIMEBASE_UNITS timebase, uint16_t reload,
                               VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    const auto& limits = information.functions.timer;
    if (id >= limits.number_timers) {
        throw CorvaneException("Invalid timer_id: out of range",
                               timerCode(function, VELMOR_REASON_INVALID_ID));
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
                               timerCode(function, invalidTimebaseReason));
    }
    const uint16_t minimum = limits.min_reload_value[unit];
    const uint16_t maximum = limits.max_reload_value[unit];
    if (reload < minimum || reload > maximum) {
        throw CorvaneException("Invalid reload value. Value should be between [" +
                                   std::to_string(minimum) + "; " + std::to_string(maximum) +
                                   "] for this timebase.",
                               timerCode(function, VELMOR_REASON_INVALID_PARAMETER));
    }
}

bool TimerImpl::isAnyTimerInterruptEventSet() {
    for (const auto& entry : interruptEventMap) {
        if (entry.second) {
            return true;
        }
    }
    return false;
}

}  // namespace corvane
}  // namespace velmor
