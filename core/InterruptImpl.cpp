#include "InterruptImpl.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DeviceHandle.h"
#include "InterruptThreadStart.h"
#include "IoctlCommands.h"

namespace velmor {
namespace corvane {

namespace {

constexpr uint32_t kCallbackNullCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_INTERRUPT_CALLBACK, VELMOR_REASON_NOT_INITIALIZED);
constexpr uint32_t kAlreadyRunningCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_ENABLE_INTERRUPT, VELMOR_REASON_ALREADY_INITIALIZED);
constexpr uint32_t kEventFdCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_EVENT_FD, VELMOR_REASON_INIT_FAILURE);
constexpr uint32_t kThreadStartCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_CREATE_INTERRUPT, VELMOR_REASON_INIT_FAILURE);
constexpr uint32_t kSelectErrorCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_SELECT_EVENT, VELMOR_REASON_INVALID_RETURN_VAL);
constexpr uint32_t kUnknownEventCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_SELECT_EVENT, VELMOR_REASON_UNKNOWN);

// The transport's code for a descriptor that is closed.
constexpr uint32_t kInvalidDescriptorCode = VELMOR_ERROR_CODE(
    VELMOR_API, VELMOR_DOMAIN_LINUX_IOCTL, VELMOR_FUNCTION_CALL, VELMOR_REASON_INVALID_PARAMETER);

constexpr std::chrono::milliseconds kStopDelay(100);

// The control block of the enabling period whose thread is the current thread; null on
// every other thread. Lets stopThread() recognise a call made from the callback.
thread_local const void* currentThreadControl = nullptr;

// How the user's callable is stored: shared, so that the interrupt thread takes a copy of
// the pointer (no allocation) for each call and keeps the callable alive while it runs, even
// if the callback replaces itself or destroys the board.
struct SharedCallback {
    std::shared_ptr<DeviceInterruptCallback> callable;

    void operator()(VelmorDeviceStruct device, InterruptData data) const { (*callable)(device, data); }
};

}  // namespace

struct InterruptImpl::ThreadControl {
    // Set by stopThread(): the thread leaves its loop and, from then on, touches nothing
    // of the board (which may already be destroyed when the stop came from the callback).
    std::atomic<bool> stopRequested{false};
};

InterruptImpl::InterruptImpl() : threadRunning(false), interruptCallback(), interruptData(), eventFd(-1) {
    std::memset(&interruptData, 0, sizeof(interruptData));
}

InterruptImpl::~InterruptImpl() {
    try {
        stopThread();
        // Joins the thread, or releases it when the board is destroyed from its callback.
        reapEndedThread();
    } catch (...) {
        // Destruction must go on; joining only fails on a broken thread runtime.
    }
    std::function<void(VelmorDeviceStruct, InterruptData)> callback;
    {
        std::lock_guard<std::mutex> lock(callbackMutex);
        callback.swap(interruptCallback);
    }
}

void InterruptImpl::setDeviceInterruptCallback(DeviceInterruptCallback callback) {
    if (!callback) {
        throw CorvaneException("Error in setDeviceInterruptCallback : interrupt_callback is Null",
                               kCallbackNullCode);
    }
    std::function<void(VelmorDeviceStruct, InterruptData)> stored =
        SharedCallback{std::make_shared<DeviceInterruptCallback>(std::move(callback))};
    {
        std::lock_guard<std::mutex> lock(callbackMutex);
        interruptCallback.swap(stored);
    }
    // The previous callback (now in `stored`) is destroyed here, outside the lock.
}

void InterruptImpl::enableDeviceInterrupts() {
    setupInterruptConditions();
    if (threadRunning.load()) {
        throw CorvaneException("Error in enableDeviceInterrupts : Thread is already running",
                               kAlreadyRunningCode);
    }
    // A thread that ended after a failure, or was stopped from its callback, is joined
    // (released, when this is that callback) before a new period starts.
    reapEndedThread();

    const int fd = ::eventfd(0, 0);
    if (fd < 0) {
        throw CorvaneException("Failed to create eventfd", kEventFdCode);
    }
    eventFd = fd;

    std::shared_ptr<ThreadControl> control;
    try {
        // Closing the board's descriptor wakes the thread through the event descriptor.
        if (deviceHandle) {
            deviceHandle->addWaker(fd);
        }
        uint32_t argument = 0;
        ioctlCall(IoctlEnableInterrupts, &argument, sizeof(argument));
        control = std::make_shared<ThreadControl>();
    } catch (...) {
        closeEventFd();
        throw;
    }

    threadControl = control;
    threadRunning.exchange(true);
    try {
        interruptThread = startInterruptThread([this, control] { threadMain(control); });
    } catch (const std::system_error& error) {
        abandonEnabling();
        throw CorvaneException(std::string("Failed to start the interrupt thread: ") + error.what(),
                               kThreadStartCode);
    } catch (...) {
        abandonEnabling();
        throw;
    }
}

void InterruptImpl::abandonEnabling() noexcept {
    threadRunning.exchange(false);
    threadControl.reset();
    // The driver was told to enable interrupts: the board's interrupt conditions are
    // cleared (its hook tells the driver to stop the sources), as a disable would.
    try {
        clearInterruptConditions();
    } catch (...) {
        // The board hooks swallow their own failures.
    }
    closeEventFd();
}

void InterruptImpl::disableDeviceInterrupts() {
    try {
        clearInterruptConditions();
    } catch (...) {
        // The board hooks swallow their own failures; nothing may leave a disable.
    }
    try {
        stopThread();
    } catch (...) {
        // Disabling never fails.
    }
}

void InterruptImpl::clearInterruptFifo() {
    uint32_t argument = 0;
    ioctlCall(IoctlClearInterruptFIFO, &argument, sizeof(argument));
}

bool InterruptImpl::isInterruptActive() {
    return threadRunning.load();
}

void InterruptImpl::handleInterrupt() {
    ioctlCall(IoctlGetInterruptInformations, &interruptData, sizeof(interruptData));
}

bool InterruptImpl::waitInterrupt() {
    // The board's descriptor stays open (its number is not reused) while the wait lasts;
    // a close wakes the wait through the event descriptor and ends it as a failure.
    const DeviceHandle::Use use(deviceHandle.get());
    if (!use) {
        throw CorvaneException("File Descriptor is invalid", kInvalidDescriptorCode);
    }
    // poll rather than select: it has no limit on descriptor numbers.
    struct pollfd descriptors[2];
    descriptors[0].fd = getHandle();
    descriptors[0].events = POLLIN;
    descriptors[0].revents = 0;
    descriptors[1].fd = eventFd;
    descriptors[1].events = POLLIN;
    descriptors[1].revents = 0;

    int result;
    do {
        result = ::poll(descriptors, 2, -1);
    } while (result < 0 && errno == EINTR);  // a signal is not a failure: wait again
    if (result < 0) {
        throw CorvaneException("Error selecting events." + std::to_string(result), kSelectErrorCode);
    }
    if (deviceHandle && deviceHandle->isClosed()) {
        throw CorvaneException("File Descriptor is invalid", kInvalidDescriptorCode);
    }
    // A descriptor that is not open is a failed wait, as select reports it (-1, EBADF);
    // it must not be taken as an event, or the thread would spin.
    if ((descriptors[0].revents & POLLNVAL) != 0 || (descriptors[1].revents & POLLNVAL) != 0) {
        throw CorvaneException("Error selecting events.-1", kSelectErrorCode);
    }
    // Error and hang-up count as readable, as with select: the driver read that follows
    // reports the failure.
    const short readable = POLLIN | POLLERR | POLLHUP;
    if ((descriptors[0].revents & readable) != 0) {
        return true;
    }
    if ((descriptors[1].revents & readable) != 0) {
        uint64_t count = 0;
        const ssize_t got = ::read(eventFd, &count, sizeof(count));
        (void)got;
        return false;
    }
    throw CorvaneException("Unknown event from select.", kUnknownEventCode);
}

void InterruptImpl::threadMethod() {
    std::shared_ptr<ThreadControl> control = threadControl;
    if (control) {
        threadMain(control);
    }
}

void InterruptImpl::threadMain(const std::shared_ptr<ThreadControl>& control) {
    currentThreadControl = control.get();
    bool warnedNoCallback = false;
    std::string failure;

    while (!control->stopRequested.load()) {
        try {
            if (!waitInterrupt()) {
                break;
            }
            handleInterrupt();
            // The copies the callback receives (made once, straight from the board).
            const VelmorDeviceStruct device = getDeviceInformation();
            const InterruptData data = interruptData;

            // The callable set through setDeviceInterruptCallback is called directly, with
            // the copies by reference; one stored otherwise is copied and called as it is.
            std::shared_ptr<DeviceInterruptCallback> callable;
            std::function<void(VelmorDeviceStruct, InterruptData)> callback;
            {
                std::lock_guard<std::mutex> lock(callbackMutex);
                if (const auto* stored = interruptCallback.target<SharedCallback>()) {
                    callable = stored->callable;
                } else {
                    callback = interruptCallback;
                }
            }
            if (!callable && !callback) {
                if (!warnedNoCallback) {
                    warnedNoCallback = true;
                    logLine(foundation::Logger::WARNING,
                            "Interrupt received while no callback is set; interrupts are read "
                            "from the driver and dropped until one is set.");
                } else {
                    logLine(foundation::Logger::DEBUG, "Interrupt dropped: no callback is set.");
                }
                continue;
            }

            // Whatever the callback raises stays here: the thread keeps serving.
            try {
                if (callable) {
                    (*callable)(device, data);
                } else {
                    callback(device, data);
                }
            } catch (const std::exception& error) {
                if (control->stopRequested.load()) {
                    return;  // the callback stopped the thread; the board may be gone
                }
                logLine(foundation::Logger::ERROR,
                        std::string("Interrupt callback raised an exception: ") + error.what());
            } catch (...) {
                if (control->stopRequested.load()) {
                    return;
                }
                logLine(foundation::Logger::ERROR, "Interrupt callback raised an unknown exception.");
            }
            // If the callback disabled interrupts or destroyed the board, the loop test ends
            // the thread here without touching the board.
        } catch (const std::exception& error) {
            failure = error.what();
            break;
        } catch (...) {
            failure = "unknown exception";
            break;
        }
    }

    if (failure.empty()) {
        if (control->stopRequested.load()) {
            return;
        }
        failure = "the wait ended without a stop request";
    }
    // The board is alive here: a failure happens outside the callback, and whoever stops
    // the thread from another thread joins it before the board goes away.
    logLine(foundation::Logger::ERROR, "Interrupt thread ended after a failure: " + failure);
    if (!control->stopRequested.load()) {
        threadRunning.store(false);
    }
}

bool InterruptImpl::onOwnInterruptThread() const {
    return threadControl && currentThreadControl == threadControl.get();
}

void InterruptImpl::stopThread() {
    const bool own = onOwnInterruptThread();
    if (threadRunning.exchange(false)) {
        if (threadControl) {
            threadControl->stopRequested.store(true);
        }
        if (!own && eventFd >= 0) {
            const uint64_t one = 1;
            const ssize_t written = ::write(eventFd, &one, sizeof(one));
            (void)written;
        }
    } else if (!interruptThread.joinable() || own) {
        // Idle; or stopped already from this very callback, whose thread ends as soon as
        // the callback returns.
        return;
    }
    std::this_thread::sleep_for(kStopDelay);
    if (!own) {
        reapEndedThread();
    }
    // From the callback the thread cannot join itself: it stays joinable and is joined
    // by the next disable, enable or destruction on another thread (or released when the
    // board is destroyed or re-enabled from the callback).
}

void InterruptImpl::reapEndedThread() {
    if (threadRunning.load()) {
        return;
    }
    if (interruptThread.joinable()) {
        if (onOwnInterruptThread()) {
            interruptThread.detach();
        } else {
            interruptThread.join();
        }
    }
    closeEventFd();
    threadControl.reset();
}

void InterruptImpl::closeEventFd() noexcept {
    if (eventFd >= 0) {
        if (deviceHandle) {
            deviceHandle->removeWaker(eventFd);
        }
        ::close(eventFd);
        eventFd = -1;
    }
}

void InterruptImpl::testInterrupt() {
    ioctlCall(IoctlTestInterrupts, nullptr, 0);
}

}  // namespace corvane
}  // namespace velmor
