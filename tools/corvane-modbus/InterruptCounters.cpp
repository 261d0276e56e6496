#include "InterruptCounters.h"

namespace corvane_modbus {

void InterruptCounters::record(const InterruptData& data) {
    std::lock_guard<std::mutex> guard(lock);
    values.total += 1u;
    values.lastSource = data.interrupt_source;
    values.lastMask = data.interrupt_mask;
}

InterruptCounters::Snapshot InterruptCounters::snapshot() const {
    std::lock_guard<std::mutex> guard(lock);
    return values;
}

}  // namespace corvane_modbus
