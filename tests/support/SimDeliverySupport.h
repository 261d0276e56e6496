// Hands the interrupts a simulated board has queued to the application the way the
// library does: through the board's interrupt engine and its callback.
//
//   VirtualClock clock;  ...  VirtualClock::advanceMs(50);
//   ASSERT_EQ(corvane_sim_pending_interrupts("keloe6100_0"), 5);
//   std::vector<InterruptData> got = deliverQueued(*board, "keloe6100_0");
#ifndef CORVANE_SIM_DELIVERY_SUPPORT_H
#define CORVANE_SIM_DELIVERY_SUPPORT_H

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "InterruptInterface.h"
#include "corvane_sim.h"

namespace corvane_sim_test {

// Enables the board's interrupts with a collecting callback, waits (at most five seconds)
// until every interrupt queued now has reached it, and disables them again (which joins
// the interrupt thread, so nothing arrives afterwards).
inline std::vector<InterruptData> deliverQueued(velmor::corvane::InterruptInterface& board,
                                                const std::string& node) {
    const int queued = corvane_sim_pending_interrupts(node.c_str());
    std::mutex m;
    std::condition_variable cv;
    std::vector<InterruptData> got;
    board.setDeviceInterruptCallback([&](const VelmorDeviceStruct&, const InterruptData& d) {
        std::lock_guard<std::mutex> lock(m);
        got.push_back(d);
        cv.notify_all();
    });
    board.enableDeviceInterrupts();
    {
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, std::chrono::seconds(5), [&] { return got.size() >= static_cast<size_t>(queued); });
    }
    board.disableDeviceInterrupts();
    board.setDeviceInterruptCallback([](const VelmorDeviceStruct&, const InterruptData&) {});
    std::lock_guard<std::mutex> lock(m);
    return got;
}

}  // namespace corvane_sim_test

#endif
