#include "DeviceHandle.h"

#include <unistd.h>

#include <algorithm>
#include <map>
#include <utility>

namespace velmor {
namespace corvane {

namespace {

// The owned handles by descriptor number. A handle leaves it before its descriptor is
// closed, so a number found here is always open and always this handle's.
struct KnownHandles {
    std::mutex mutex;
    std::map<int, std::pair<const DeviceHandle*, std::weak_ptr<DeviceHandle>>> byDescriptor;
};

KnownHandles& knownHandles() {
    // Never destroyed: handles may be released by static destructors of any order.
    static KnownHandles* const known = new KnownHandles;
    return *known;
}

}  // namespace

DeviceHandle::DeviceHandle(int descriptor, bool owned) : number(descriptor), owned(owned) {}

std::shared_ptr<DeviceHandle> DeviceHandle::adopt(int descriptor) {
    std::shared_ptr<DeviceHandle> handle(new DeviceHandle(descriptor, true));
    KnownHandles& known = knownHandles();
    std::lock_guard<std::mutex> lock(known.mutex);
    known.byDescriptor[descriptor] = {handle.get(), handle};
    return handle;
}

std::shared_ptr<DeviceHandle> DeviceHandle::forDescriptor(int descriptor) {
    {
        KnownHandles& known = knownHandles();
        std::lock_guard<std::mutex> lock(known.mutex);
        const auto found = known.byDescriptor.find(descriptor);
        if (found != known.byDescriptor.end()) {
            if (std::shared_ptr<DeviceHandle> shared = found->second.second.lock()) {
                return shared;
            }
        }
    }
    return std::shared_ptr<DeviceHandle>(new DeviceHandle(descriptor, false));
}

DeviceHandle::~DeviceHandle() {
    if (owned && !isClosed()) {
        forget();
        ::close(number);
    }
}

void DeviceHandle::forget() noexcept {
    KnownHandles& known = knownHandles();
    std::lock_guard<std::mutex> lock(known.mutex);
    const auto found = known.byDescriptor.find(number);
    if (found != known.byDescriptor.end() && found->second.first == this) {
        known.byDescriptor.erase(found);
    }
}

void DeviceHandle::close() noexcept {
    if ((state.fetch_or(kClosed, std::memory_order_acq_rel) & kClosed) != 0) {
        return;
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (const int waker : wakers) {
            const uint64_t one = 1;
            const ssize_t written = ::write(waker, &one, sizeof one);
            (void)written;
        }
        idle.wait(lock, [this] { return (state.load(std::memory_order_acquire) & ~kClosed) == 0; });
    }
    if (owned) {
        forget();
        ::close(number);
    }
}

void DeviceHandle::addWaker(int eventDescriptor) {
    std::lock_guard<std::mutex> lock(mutex);
    wakers.push_back(eventDescriptor);
}

void DeviceHandle::removeWaker(int eventDescriptor) noexcept {
    std::lock_guard<std::mutex> lock(mutex);
    const auto found = std::find(wakers.begin(), wakers.end(), eventDescriptor);
    if (found != wakers.end()) {
        wakers.erase(found);
    }
}

bool DeviceHandle::enter() noexcept {
    if ((state.fetch_add(1, std::memory_order_acquire) & kClosed) != 0) {
        leave();
        return false;
    }
    return true;
}

void DeviceHandle::leave() noexcept {
    if (state.fetch_sub(1, std::memory_order_acq_rel) - 1 == kClosed) {
        // The last use ended after the close began: let the close go on.
        std::lock_guard<std::mutex> lock(mutex);
        idle.notify_all();
    }
}

DeviceHandle::Use::Use(DeviceHandle* handle) noexcept
    : handle(handle), granted(handle == nullptr || handle->enter()) {}

DeviceHandle::Use::~Use() {
    if (handle != nullptr && granted) {
        handle->leave();
    }
}

}  // namespace corvane
}  // namespace velmor
