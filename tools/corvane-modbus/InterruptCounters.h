// The interrupts one board delivered since the gateway enabled them. The library's
// interrupt thread records each one; the server's thread reads a consistent snapshot.
#ifndef CORVANE_MODBUS_INTERRUPT_COUNTERS_H
#define CORVANE_MODBUS_INTERRUPT_COUNTERS_H

#include <cstdint>
#include <mutex>

#include <corvane/VelmorTypes.h>

namespace corvane_modbus {

class InterruptCounters {
public:
    struct Snapshot {
        uint32_t total = 0;  // wraps at 2^32
        uint32_t lastSource = 0;
        uint32_t lastMask = 0;
    };

    // Called by the library's interrupt thread: a few stores under the lock, nothing else.
    void record(const InterruptData& data);

    Snapshot snapshot() const;

private:
    mutable std::mutex lock;
    Snapshot values;
};

}  // namespace corvane_modbus

#endif
