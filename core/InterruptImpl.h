#ifndef CORVANE_INTERRUPT_IMPL_H
#define CORVANE_INTERRUPT_IMPL_H

#include <atomic>
#include <functional>
#include <thread>

#include "DeviceInterface.h"
#include "InterruptInterface.h"

namespace velmor {
namespace corvane {

// Delivers a board's hardware interrupts: while enabled, one thread per board waits on
// the board's descriptor and an event descriptor of its own, fetches InterruptData from
// the driver at each wake-up and calls the stored callback with copies of the device
// structure and the interrupt record. Boards supply the two hooks.
class CORVANE_EXPORT InterruptImpl : public virtual DeviceInterface,
                                     public virtual InterruptInterface {
public:
    InterruptImpl();

    void setDeviceInterruptCallback(DeviceInterruptCallback callback) override;
    void enableDeviceInterrupts() override;
    void disableDeviceInterrupts() override;
    void clearInterruptFifo() override;
    bool isInterruptActive() override;

    ~InterruptImpl() override;

    // Board hooks: prepare the interrupt sources before enabling; clear them when
    // disabling (never throws).
    virtual void setupInterruptConditions() = 0;
    virtual void clearInterruptConditions() = 0;

    virtual void handleInterrupt();
    virtual bool waitInterrupt();

    void threadMethod();
    void stopThread();
    void testInterrupt();

protected:
    std::thread interruptThread;
    std::atomic<bool> threadRunning;
    std::function<void(VelmorDeviceStruct, InterruptData)> interruptCallback;
    InterruptData interruptData;
    int eventFd;
};

}  // namespace corvane
}  // namespace velmor

#endif
