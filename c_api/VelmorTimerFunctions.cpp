#include "VelmorTimerFunctions.h"

#include "CApiFrame.h"
#include "TimerInterface.h"

using velmor::corvane::TimerInterface;
namespace capi = velmor::corvane::capi;

namespace {
constexpr const char* kCapability = "timer";
}

extern "C" uint32_t VelmorInitTimer(const char* deviceName, int timer, TIMEBASE_UNITS timebase,
                                    uint16_t reloadValue, uint32_t options) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {}, [&](TimerInterface& timers) {
            timers.initTimer(capi::low8(timer), timebase, reloadValue, options);
        });
}

extern "C" uint32_t VelmorSetCustomTimerFrequency(const char* deviceName, uint32_t frequency) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {},
        [&](TimerInterface& timers) { timers.setCustomTimerFrequency(frequency); });
}

extern "C" uint32_t VelmorStartTimer(const char* deviceName, int timer) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {},
        [&](TimerInterface& timers) { timers.startTimer(capi::low8(timer)); });
}

extern "C" uint32_t VelmorStopTimer(const char* deviceName, int timer) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {},
        [&](TimerInterface& timers) { timers.stopTimer(capi::low8(timer)); });
}

extern "C" uint32_t VelmorTriggerTimer(const char* deviceName, int timer) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {},
        [&](TimerInterface& timers) { timers.triggerTimer(capi::low8(timer)); });
}

extern "C" uint32_t VelmorReadTimerValue(const char* deviceName, int timer, uint32_t* value) {
    return capi::callOn<TimerInterface>(__func__, deviceName, kCapability, {value},
                                        [&](TimerInterface& timers) {
                                            const uint32_t result =
                                                timers.readTimerValue(capi::low8(timer));
                                            *value = result;
                                        });
}

extern "C" uint32_t VelmorReadTimerStatus(const char* deviceName, int timer, uint32_t* value,
                                          uint8_t* status1, uint8_t* status2, uint8_t* status3) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {value, status1, status2, status3},
        [&](TimerInterface& timers) {
            // The board fills local copies; the caller's variables change only once the
            // whole read succeeded.
            uint32_t v = 0;
            uint8_t s1 = 0, s2 = 0, s3 = 0;
            timers.readTimerStatus(capi::low8(timer), v, s1, s2, s3);
            *value = v;
            *status1 = s1;
            *status2 = s2;
            *status3 = s3;
        });
}

extern "C" uint32_t VelmorEnableTimerInterrupt(const char* deviceName, int timer) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {},
        [&](TimerInterface& timers) { timers.enableTimerInterrupt(capi::low8(timer)); });
}

extern "C" uint32_t VelmorDisableTimerInterrupt(const char* deviceName, int timer) {
    return capi::callOn<TimerInterface>(
        __func__, deviceName, kCapability, {},
        [&](TimerInterface& timers) { timers.disableTimerInterrupt(capi::low8(timer)); });
}
