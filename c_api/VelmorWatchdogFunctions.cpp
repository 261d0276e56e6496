#include "VelmorWatchdogFunctions.h"

#include "CApiFrame.h"
#include "WatchdogInterface.h"

using velmor::corvane::WatchdogInterface;
namespace capi = velmor::corvane::capi;

namespace {
constexpr const char* kCapability = "watchdog";
}

extern "C" uint32_t VelmorInitWatchdog(const char* deviceName, int watchdog,
                                       TIMEBASE_UNITS timebase, uint16_t reloadValue,
                                       uint32_t options) {
    return capi::callOn<WatchdogInterface>(
        __func__, deviceName, kCapability, {}, [&](WatchdogInterface& watchdogs) {
            watchdogs.initWatchdog(capi::low8(watchdog), timebase, reloadValue, options);
        });
}

extern "C" uint32_t VelmorStartWatchdog(const char* deviceName, int watchdog) {
    return capi::callOn<WatchdogInterface>(
        __func__, deviceName, kCapability, {},
        [&](WatchdogInterface& watchdogs) { watchdogs.startWatchdog(capi::low8(watchdog)); });
}

extern "C" uint32_t VelmorStopWatchdog(const char* deviceName, int watchdog) {
    return capi::callOn<WatchdogInterface>(
        __func__, deviceName, kCapability, {},
        [&](WatchdogInterface& watchdogs) { watchdogs.stopWatchdog(capi::low8(watchdog)); });
}

extern "C" uint32_t VelmorTriggerWatchdog(const char* deviceName, int watchdog) {
    return capi::callOn<WatchdogInterface>(
        __func__, deviceName, kCapability, {},
        [&](WatchdogInterface& watchdogs) { watchdogs.triggerWatchdog(capi::low8(watchdog)); });
}

extern "C" uint32_t VelmorReadWatchdogValue(const char* deviceName, int watchdog,
                                            uint32_t* value) {
    return capi::callOn<WatchdogInterface>(__func__, deviceName, kCapability, {value},
                                           [&](WatchdogInterface& watchdogs) {
                                               const uint32_t result = watchdogs.readWatchdogValue(
                                                   capi::low8(watchdog));
                                               *value = result;
                                           });
}

extern "C" uint32_t VelmorReadWatchdogStatus(const char* deviceName, int watchdog,
                                             uint32_t* value, uint8_t* status1, uint8_t* status2,
                                             uint8_t* status3) {
    return capi::callOn<WatchdogInterface>(
        __func__, deviceName, kCapability, {value, status1, status2, status3},
        [&](WatchdogInterface& watchdogs) {
            // The board fills local copies; the caller's variables change only once the
            // whole read succeeded.
            uint32_t v = 0;
            uint8_t s1 = 0, s2 = 0, s3 = 0;
            watchdogs.readWatchdogStatus(capi::low8(watchdog), v, s1, s2, s3);
            *value = v;
            *status1 = s1;
            *status2 = s2;
            *status3 = s3;
        });
}

extern "C" uint32_t VelmorEnableWatchdogInterrupt(const char* deviceName, int watchdog) {
    return capi::callOn<WatchdogInterface>(__func__, deviceName, kCapability, {},
                                           [&](WatchdogInterface& watchdogs) {
                                               watchdogs.enableWatchdogInterrupt(
                                                   capi::low8(watchdog));
                                           });
}

extern "C" uint32_t VelmorDisableWatchdogInterrupt(const char* deviceName, int watchdog) {
    return capi::callOn<WatchdogInterface>(__func__, deviceName, kCapability, {},
                                           [&](WatchdogInterface& watchdogs) {
                                               watchdogs.disableWatchdogInterrupt(
                                                   capi::low8(watchdog));
                                           });
}
