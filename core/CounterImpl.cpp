#include "CounterImpl.h"

#include <string>

#include "CorvaneException.h"
#include "UnitChecks.h"

namespace velmor {
namespace corvane {

namespace {

const char* const invalidIdMessage = "Invalid counter_id: out of range";

}  // namespace

CounterImpl::CounterImpl() = default;

CounterImpl::~CounterImpl() = default;

void CounterImpl::verifyCounterParameters(uint8_t id, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    unitchecks::checkUnitId(id, information.functions.counter.number_counters, invalidIdMessage,
                            VELMOR_DOMAIN_COUNTER, function);
}

void CounterImpl::verifyCounterParameters(uint8_t id, uint32_t reload, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    const CounterInformations& limits = information.functions.counter;
    unitchecks::checkUnitId(id, limits.number_counters, invalidIdMessage, VELMOR_DOMAIN_COUNTER, function);
    if (reload == 0 || reload > limits.max_reload_value) {
        throw CorvaneException("Invalid reload value between [1; " +
                                   std::to_string(limits.max_reload_value) + "]",
                               unitchecks::unitErrorCode(VELMOR_DOMAIN_COUNTER, function,
                                                         VELMOR_REASON_INVALID_PARAMETER));
    }
}

bool CounterImpl::isAnyCounterInterruptEventSet() {
    return unitchecks::anyInterruptEventSet(interruptEventMap);
}

}  // namespace corvane
}  // namespace velmor
