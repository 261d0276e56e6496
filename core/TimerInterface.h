#ifndef CORVANE_TIMER_INTERFACE_H
#define CORVANE_TIMER_INTERFACE_H

#include <cstdint>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT TimerInterface {
public:
    virtual ~TimerInterface() = default;
    virtual void initTimer(uint8_t timer, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                           uint32_t options) = 0;
    virtual void setCustomTimerFrequency(uint32_t frequency) = 0;
    virtual void startTimer(uint8_t timer) = 0;
    virtual void stopTimer(uint8_t timer) = 0;
    virtual uint32_t readTimerValue(uint8_t timer) = 0;
    virtual void readTimerStatus(uint8_t timer, uint32_t& value, uint8_t& status1,
                                 uint8_t& status2, uint8_t& status3) = 0;
    virtual void triggerTimer(uint8_t timer) = 0;
    virtual void enableTimerInterrupt(uint8_t timer) = 0;
    virtual void disableTimerInterrupt(uint8_t timer) = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
