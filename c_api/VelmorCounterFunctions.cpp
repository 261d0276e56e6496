#include "VelmorCounterFunctions.h"

#include "CApiFrame.h"
#include "CounterInterface.h"

using velmor::corvane::CounterInterface;
namespace capi = velmor::corvane::capi;

namespace {
constexpr const char* kCapability = "counter";
}

extern "C" uint32_t VelmorInitCounter(const char* deviceName, int counter, uint32_t reloadValue,
                                      uint32_t options) {
    return capi::callOn<CounterInterface>(__func__, deviceName, kCapability, {},
                                          [&](CounterInterface& counters) {
                                              counters.initCounter(capi::low8(counter),
                                                                   reloadValue, options);
                                          });
}

extern "C" uint32_t VelmorStartCounter(const char* deviceName, int counter) {
    return capi::callOn<CounterInterface>(
        __func__, deviceName, kCapability, {},
        [&](CounterInterface& counters) { counters.startCounter(capi::low8(counter)); });
}

extern "C" uint32_t VelmorStopCounter(const char* deviceName, int counter) {
    return capi::callOn<CounterInterface>(
        __func__, deviceName, kCapability, {},
        [&](CounterInterface& counters) { counters.stopCounter(capi::low8(counter)); });
}

extern "C" uint32_t VelmorReadCounterValue(const char* deviceName, int counter, uint32_t* value) {
    return capi::callOn<CounterInterface>(__func__, deviceName, kCapability, {value},
                                          [&](CounterInterface& counters) {
                                              const uint32_t result =
                                                  counters.readCounterValue(capi::low8(counter));
                                              *value = result;
                                          });
}

extern "C" uint32_t VelmorReadCounterStatus(const char* deviceName, int counter, uint32_t* value,
                                            uint8_t* status1, uint8_t* status2,
                                            uint8_t* status3) {
    return capi::callOn<CounterInterface>(
        __func__, deviceName, kCapability, {value, status1, status2, status3},
        [&](CounterInterface& counters) {
            // The board fills local copies; the caller's variables change only once the
            // whole read succeeded.
            uint32_t v = 0;
            uint8_t s1 = 0, s2 = 0, s3 = 0;
            counters.readCounterStatus(capi::low8(counter), v, s1, s2, s3);
            *value = v;
            *status1 = s1;
            *status2 = s2;
            *status3 = s3;
        });
}

extern "C" uint32_t VelmorEnableCounterInterrupt(const char* deviceName, int counter) {
    return capi::callOn<CounterInterface>(
        __func__, deviceName, kCapability, {},
        [&](CounterInterface& counters) { counters.enableCounterInterrupt(capi::low8(counter)); });
}

extern "C" uint32_t VelmorDisableCounterInterrupt(const char* deviceName, int counter) {
    return capi::callOn<CounterInterface>(
        __func__, deviceName, kCapability, {},
        [&](CounterInterface& counters) { counters.disableCounterInterrupt(capi::low8(counter)); });
}
