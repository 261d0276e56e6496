#ifndef CORVANE_TIMER_IMPL_H
#define CORVANE_TIMER_IMPL_H

#include <cstdint>
#include <map>

#include "CorvaneErrors.h"
#include "DeviceInterface.h"
#include "TimerInterface.h"

namespace velmor {
namespace corvane {

// Parameter checks against the board's timer limits, and which timers have their
// interrupt enabled. The caller's function code goes into the error code.
class CORVANE_EXPORT TimerImpl : public virtual TimerInterface, public virtual DeviceInterface {
public:
    TimerImpl();
    ~TimerImpl() override;

    void verifyTimerParameters(uint8_t id, VelmorFunction function);
    void verifyTimerParameters(uint8_t id, TIMEBASE_UNITS timebase, uint16_t reload,
                               VelmorFunction function);
    bool isAnyTimerInterruptEventSet();

protected:
    std::map<char, bool> interruptEventMap;
};

}  // namespace corvane
}  // namespace velmor

#endif
