#include "WatchdogImpl.h"

#include "UnitChecks.h"

namespace velmor {
namespace corvane {

namespace {

const char* const invalidIdMessage = "Invalid watchdog_id: out of range";

}  // namespace

WatchdogImpl::WatchdogImpl() = default;

WatchdogImpl::~WatchdogImpl() = default;

void WatchdogImpl::verifyWatchdogParameters(uint8_t id, VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    unitchecks::checkUnitId(id, information.functions.watchdog.number_watchdogs, invalidIdMessage,
                            VELMOR_DOMAIN_WATCHDOG, function);
}

void WatchdogImpl::verifyWatchdogParameters(uint8_t id, TIMEBASE_UNITS timebase, uint16_t reload,
                               VelmorFunction function) {
    const VelmorDeviceStruct information = getDeviceInformation();
    const WatchdogInformations& limits = information.functions.watchdog;
    unitchecks::checkUnitId(id, limits.number_watchdogs, invalidIdMessage, VELMOR_DOMAIN_WATCHDOG, function);
    unitchecks::checkTimebaseAndReload(limits.min_reload_value, limits.max_reload_value, timebase, reload,
                                       VELMOR_DOMAIN_WATCHDOG, function);
}

bool WatchdogImpl::isAnyWatchdogInterruptEventSet() {
    return unitchecks::anyInterruptEventSet(interruptEventMap);
}

}  // namespace corvane
}  // namespace velmor
