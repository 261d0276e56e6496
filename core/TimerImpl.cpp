#include "TimerImpl.h"

#include "UnitChecks.h"

namespace velmor {
namespace corvane {

namespace {

const char* const invalidIdMessage = "Invalid timer_id: out of range";

}  // namespace

TimerImpl::TimerImpl() = default;

TimerImpl::~TimerImpl() = default;

void TimerImpl::verifyTimerParameters(uint8_t id, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    unitchecks::checkUnitId(id, information.functions.timer.number_timers, invalidIdMessage,
                            VELMOR_DOMAIN_TIMER, function);
}

void TimerImpl::verifyTimerParameters(uint8_t id, TIMEBASE_UNITS timebase, uint16_t reload,
                               VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    const TimerInformations& limits = information.functions.timer;
    unitchecks::checkUnitId(id, limits.number_timers, invalidIdMessage, VELMOR_DOMAIN_TIMER, function);
    unitchecks::checkTimebaseAndReload(limits.min_reload_value, limits.max_reload_value, timebase, reload,
                                       VELMOR_DOMAIN_TIMER, function);
}

bool TimerImpl::isAnyTimerInterruptEventSet() {
    return unitchecks::anyInterruptEventSet(interruptEventMap);
}

}  // namespace corvane
}  // namespace velmor
