#ifndef CORVANE_INTERRUPT_INTERFACE_H
#define CORVANE_INTERRUPT_INTERFACE_H

#include <functional>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

using DeviceInterruptCallback =
    std::function<void(const VelmorDeviceStruct&, const InterruptData&)>;

class CORVANE_EXPORT InterruptInterface {
public:
    virtual void setDeviceInterruptCallback(DeviceInterruptCallback callback) = 0;
    virtual void enableDeviceInterrupts() = 0;
    virtual void disableDeviceInterrupts() = 0;
    virtual void clearInterruptFifo() = 0;
    virtual bool isInterruptActive() = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
