#ifndef CORVANE_WATCHDOG_INTERFACE_H
#define CORVANE_WATCHDOG_INTERFACE_H

#include <cstdint>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT WatchdogInterface {
public:
    virtual void initWatchdog(uint8_t watchdog, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                              uint32_t options) = 0;
    virtual void startWatchdog(uint8_t watchdog) = 0;
    virtual void stopWatchdog(uint8_t watchdog) = 0;
    virtual uint32_t readWatchdogValue(uint8_t watchdog) = 0;
    virtual void readWatchdogStatus(uint8_t watchdog, uint32_t& value, uint8_t& status1,
                                    uint8_t& status2, uint8_t& status3) = 0;
    virtual void triggerWatchdog(uint8_t watchdog) = 0;
    virtual void enableWatchdogInterrupt(uint8_t watchdog) = 0;
    virtual void disableWatchdogInterrupt(uint8_t watchdog) = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
