#ifndef CORVANE_COUNTER_IMPL_H
#define CORVANE_COUNTER_IMPL_H

#include <cstdint>
#include <map>

#include "CorvaneErrors.h"
#include "CounterInterface.h"
#include "DeviceInterface.h"

namespace velmor {
namespace corvane {

// Parameter checks against the board's counter limits, and which counters have their
// interrupt enabled.
class CORVANE_EXPORT CounterImpl : public virtual DeviceInterface, public virtual CounterInterface {
public:
    CounterImpl();
    ~CounterImpl() override;

    void verifyCounterParameters(uint8_t id, VelmorFunction function);
    void verifyCounterParameters(uint8_t id, uint32_t reload, VelmorFunction function);
    bool isAnyCounterInterruptEventSet();

protected:
    std::map<char, bool> interruptEventMap;
};

}  // namespace corvane
}  // namespace velmor

#endif
