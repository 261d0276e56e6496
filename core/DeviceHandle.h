// One open descriptor of a board's device node, shared by the discoverer that opened it
// and the board objects built on it. Internal to the library.
//
// The descriptor number is never reused while anything can still send through it: a
// discoverer closes its handles explicitly (marking them closed, waiting for the driver
// calls in flight, then closing the descriptor), and a handle that nobody closed closes
// its descriptor when its last holder lets it go. From the close on, every use fails, so a
// board kept after its discoverer reaches no node at all instead of whichever node later
// receives the same number.
//
// Per driver call a board takes a Use: two atomic operations, no lock, no system call.
// Threads that wait on the descriptor (the interrupt engine's poll) register an event
// descriptor that the close writes to, so that they stop waiting and let the close go on.
#ifndef CORVANE_DEVICE_HANDLE_H
#define CORVANE_DEVICE_HANDLE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace velmor {
namespace corvane {

class DeviceHandle {
public:
    // Takes ownership of an open descriptor (a discoverer's) and makes it known, so that
    // boards built on that number share this handle.
    static std::shared_ptr<DeviceHandle> adopt(int descriptor);
    // The handle owning this number, or a borrowed one for a descriptor opened by the
    // caller: the library never closes a borrowed descriptor.
    static std::shared_ptr<DeviceHandle> forDescriptor(int descriptor);

    ~DeviceHandle();
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;

    int descriptor() const { return number; }
    bool isOwned() const { return owned; }
    bool isClosed() const { return (state.load(std::memory_order_acquire) & kClosed) != 0; }

    // Marks the handle closed, wakes the registered waiters, waits until no Use is left
    // and closes an owned descriptor. Only the first call does anything.
    void close() noexcept;

    // Event descriptors written (an 8-byte 1) when the handle closes. A waiter removes its
    // descriptor before closing it.
    void addWaker(int eventDescriptor);
    void removeWaker(int eventDescriptor) noexcept;

    // Keeps the descriptor open for the duration of one driver call or one wait. False
    // (and nothing kept) once the handle is closed. A null handle is a use of nothing,
    // always granted.
    class Use {
    public:
        explicit Use(DeviceHandle* handle) noexcept;
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        explicit operator bool() const noexcept { return granted; }

    private:
        DeviceHandle* handle;
        bool granted;
    };

private:
    DeviceHandle(int descriptor, bool owned);
    bool enter() noexcept;
    void leave() noexcept;
    void forget() noexcept;

    static constexpr uint32_t kClosed = 0x80000000u;

    const int number;
    const bool owned;
    std::atomic<uint32_t> state{0};  // kClosed, plus the number of uses in progress
    std::mutex mutex;
    std::condition_variable idle;
    std::vector<int> wakers;
};

}  // namespace corvane
}  // namespace velmor

#endif
