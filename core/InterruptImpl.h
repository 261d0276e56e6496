#ifndef CORVANE_INTERRUPT_IMPL_H
#define CORVANE_INTERRUPT_IMPL_H

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "DeviceInterface.h"
#include "InterruptInterface.h"

namespace velmor {
namespace corvane {

// Delivers a board's hardware interrupts: while enabled, one thread per board waits on
// the board's descriptor and an event descriptor of its own, fetches InterruptData from
// the driver at each wake-up and calls the stored callback with copies of the device
// structure and the interrupt record. Boards supply the two hooks.
//
// Threading rules:
// - Enabling, disabling and setting the callback are configuration calls: callers
//   serialise them per board. The callback may nevertheless be replaced while the
//   thread runs; the new one serves the next interrupt.
// - The callback runs on the interrupt thread, one call at a time. It may disable
//   interrupts on its own board, enable them again, or drop the last reference to the
//   board: the thread cannot join itself, so it ends when the callback returns and
//   touches nothing of the board afterwards. A later disable, enable or destruction on
//   another thread joins it; destruction from the callback releases (detaches) it.
// - An interrupt that arrives while no callback is set is read from the driver and
//   dropped (one WARNING line per enabling, then DEBUG lines).
// - A driver or wait failure on the interrupt thread is logged at ERROR and ends the
//   thread; isInterruptActive() then reports false. The next disable (or enable, or
//   destruction) joins the ended thread and closes its event descriptor. The discoverer
//   closing the board's descriptor is such a failure ("File Descriptor is invalid"): the
//   close wakes the wait, which never goes on with a number that may be reused.
// - When the thread cannot be started, enabling is undone (the board's interrupt
//   conditions cleared, the event descriptor closed) before 0x8500060E is raised.
// - A callback that throws is logged at ERROR; the thread keeps serving.
// - Boards call stopThread() first thing in their own destructor, so that the thread
//   never runs while the board part of the object is being torn down; this destructor
//   calls it again as a safety net.
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

private:
    // State of one enabling period, shared by the board and its thread, so that the
    // thread can tell that it was stopped (and its board possibly destroyed) without
    // touching the board.
    struct ThreadControl;

    void threadMain(const std::shared_ptr<ThreadControl>& control);
    bool onOwnInterruptThread() const;
    // When no thread is running: joins a thread that ended (after a failure, or stopped
    // from its callback) or releases it when called on that thread itself, then closes the
    // event descriptor.
    void reapEndedThread();
    // Undoes an enabling whose thread could not start: no thread, the board's interrupt
    // conditions cleared, the event descriptor closed.
    void abandonEnabling() noexcept;
    void closeEventFd() noexcept;

    std::shared_ptr<ThreadControl> threadControl;
    std::mutex callbackMutex;
};

}  // namespace corvane
}  // namespace velmor

#endif
