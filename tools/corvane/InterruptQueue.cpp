#include "InterruptQueue.h"

#include <sys/eventfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace corvane_tool {

namespace {
constexpr uint32_t kMaxArgs = 32;  // the size of InterruptData::args
}

InterruptQueue::InterruptQueue(size_t capacity)
    : capacity_(capacity), eventFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (eventFd_ < 0) throw std::runtime_error(std::string("cannot create an event descriptor: ") + std::strerror(errno));
}

InterruptQueue::~InterruptQueue() { close(eventFd_); }

uint64_t InterruptQueue::monotonicMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u + static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

void InterruptQueue::push(const InterruptData& data) {
    ReceivedInterrupt item;
    item.timeUs = monotonicMicroseconds();
    item.source = data.interrupt_source;
    item.mask = data.interrupt_mask;
    // The driver fills args_count; never read past the record whatever it says.
    item.args.assign(data.args, data.args + std::min(data.args_count, kMaxArgs));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waiting_.size() >= capacity_) {
            ++dropped_;
        } else {
            waiting_.push_back(std::move(item));
        }
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(eventFd_, &one, sizeof one);
}

std::vector<ReceivedInterrupt> InterruptQueue::takeAll(uint64_t& dropped) {
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(eventFd_, &count, sizeof count);
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<ReceivedInterrupt> items(std::make_move_iterator(waiting_.begin()),
                                         std::make_move_iterator(waiting_.end()));
    waiting_.clear();
    dropped = dropped_;
    dropped_ = 0;
    return items;
}

}  // namespace corvane_tool
