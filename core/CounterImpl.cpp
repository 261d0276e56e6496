#include "CounterImpl.h"

#include <string>

#include "CorvaneException.h"

namespace velmor {
namespace corvane {

namespace {

uint32_t counterCode(VelmorFunction function, uint32_t reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_COUNTER,
                             static_cast<uint32_t>(function) & 0xFFu, reason);
}

}  // namespace

CounterImpl::CounterImpl() = default;

CounterImpl::~CounterImpl() = default;

void CounterImpl::verifyCounterParameters(uint8_t id, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    if (id >= information.functions.counter.number_counters) {
        throw CorvaneException("Invalid counter_id: out of range",
                               counterCode(function, VELMOR_REASON_INVALID_ID));
    }
}

void CounterImpl::verifyCounterParameters(uint8_t id, uint32_t reload, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    const CounterInformations& limits = information.functions.counter;
    if (id >= limits.number_counters) {
        throw CorvaneException("Invalid counter_id: out of range",
                               counterCode(function, VELMOR_REASON_INVALID_ID));
    }
    if (reload == 0 || reload > limits.max_reload_value) {
        throw CorvaneException("Invalid reload value between [1; " +
                                   std::to_string(limits.max_reload_value) + "]",
                               counterCode(function, VELMOR_REASON_INVALID_PARAMETER));
    }
}

bool CounterImpl::isAnyCounterInterruptEventSet() {
    for (const auto& entry : interruptEventMap) {
        if (entry.second) {
            return true;
        }
    }
    return false;
}

}  // namespace corvane
}  // namespace velmor
