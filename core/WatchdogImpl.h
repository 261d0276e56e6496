#ifndef CORVANE_WATCHDOG_IMPL_H
#define CORVANE_WATCHDOG_IMPL_H

#include <cstdint>
#include <map>

#include "CorvaneErrors.h"
#include "DeviceInterface.h"
#include "WatchdogInterface.h"

namespace velmor {
namespace corvane {

// Parameter checks against the board's watchdog limits, and which watchdogs have their
// interrupt enabled.
class CORVANE_EXPORT WatchdogImpl : public virtual DeviceInterface, public virtual WatchdogInterface {
public:
    WatchdogImpl();
    ~WatchdogImpl() override;

    void verifyWatchdogParameters(uint8_t id, VelmorFunction function);
    void verifyWatchdogParameters(uint8_t id, TIMEBASE_UNITS timebase, uint16_t reload,
                                  VelmorFunction function);
    bool isAnyWatchdogInterruptEventSet();

protected:
    std::map<char, bool> interruptEventMap;
};

}  // namespace corvane
}  // namespace velmor

#endif
