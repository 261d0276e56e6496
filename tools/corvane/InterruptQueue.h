// Interrupts handed from the library's interrupt thread to the thread that prints them.
// The callback side only stamps the time, copies the record and wakes the reader through
// an event descriptor; it never blocks on output. The queue is bounded: when the reader
// falls that far behind, further interrupts are counted as dropped, never silently lost.
#ifndef CORVANE_TOOL_INTERRUPT_QUEUE_H
#define CORVANE_TOOL_INTERRUPT_QUEUE_H

#include <corvane/VelmorTypes.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace corvane_tool {

struct ReceivedInterrupt {
    uint64_t timeUs = 0;  // CLOCK_MONOTONIC when the callback ran, in microseconds
    uint32_t source = 0;
    uint32_t mask = 0;
    std::vector<uint32_t> args;  // the first args_count values, at most 32
};

class InterruptQueue {
public:
    explicit InterruptQueue(size_t capacity = 65536);
    ~InterruptQueue();
    InterruptQueue(const InterruptQueue&) = delete;
    InterruptQueue& operator=(const InterruptQueue&) = delete;

    // Called on the interrupt thread.
    void push(const InterruptData& data);
    // Readable while interrupts wait.
    int fd() const { return eventFd_; }
    // Everything waiting, oldest first, and the number dropped since the last call.
    std::vector<ReceivedInterrupt> takeAll(uint64_t& dropped);

    static uint64_t monotonicMicroseconds();

private:
    const size_t capacity_;
    int eventFd_ = -1;
    std::mutex mutex_;
    std::deque<ReceivedInterrupt> waiting_;
    uint64_t dropped_ = 0;
};

}  // namespace corvane_tool

#endif
