#ifndef CORVANE_COUNTER_INTERFACE_H
#define CORVANE_COUNTER_INTERFACE_H

#include <cstdint>

#include "CorvaneExport.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT CounterInterface {
public:
    virtual void initCounter(uint8_t counter, uint32_t reloadValue, uint32_t options) = 0;
    virtual void startCounter(uint8_t counter) = 0;
    virtual void stopCounter(uint8_t counter) = 0;
    virtual uint32_t readCounterValue(uint8_t counter) = 0;
    virtual void readCounterStatus(uint8_t counter, uint32_t& value, uint8_t& status1,
                                   uint8_t& status2, uint8_t& status3) = 0;
    virtual void enableCounterInterrupt(uint8_t counter) = 0;
    virtual void disableCounterInterrupt(uint8_t counter) = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
