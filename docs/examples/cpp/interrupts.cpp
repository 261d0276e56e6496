// Interrupts from C++: an input event and a timer, delivered to a callback.
//
// The callback runs on the board's interrupt thread. It only copies the record into a
// queue and wakes the main thread, which prints; so the callback never blocks and the
// output comes in order.
//
// On a board, raise input 4 yourself when the program asks. Over simulated boards in its
// own process the program raises it through the simulator's control function, which
// exists only there; over a simulator server it asks, and corvane-sim ctl answers.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <corvane/CorvaneException.h>
#include <corvane/DeviceDiscovery.h>
#include <corvane/DigitalIOInterface.h>
#include <corvane/InterruptInterface.h>
#include <corvane/TimerInterface.h>
#include <corvane/corvane_sim.h>

// Present only when the program runs over the simulator (null otherwise).
#pragma weak corvane_sim_set_input

using namespace velmor::corvane;

namespace {

// What the interrupt thread hands to the main thread.
class InterruptQueue {
public:
    void push(const InterruptData& data) {
        std::lock_guard<std::mutex> guard(lock);
        records.push_back(data);
        arrived.notify_one();
    }
    // Waits until at least count records arrived, at most 5 s.
    bool waitFor(size_t count) {
        std::unique_lock<std::mutex> guard(lock);
        return arrived.wait_for(guard, std::chrono::seconds(5), [&] { return records.size() >= count; });
    }
    InterruptData at(size_t index) {
        std::lock_guard<std::mutex> guard(lock);
        return records.at(index);
    }

private:
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<InterruptData> records;
};

void print(const char* what, const InterruptData& data) {
    std::printf("%s: source 0x%08X, mask 0x%08X, args [", what, data.interrupt_source, data.interrupt_mask);
    for (uint32_t i = 0; i < data.args_count && i < 32; ++i) {
        std::printf(i == 0 ? "%u" : ", %u", data.args[i]);
    }
    std::printf("]\n");
}

}  // namespace

int main(int argc, char** argv) {
    const std::string id = argc > 1 ? argv[1] : "keloe6100_0";
    InterruptQueue queue;
    std::shared_ptr<Device> board;
    InterruptInterface* interrupts = nullptr;
    try {
        board = DeviceDiscovery::getDeviceFromId(id);
        interrupts = board->interrupt();
        DigitalIOInterface* digital = board->digitalIo();
        TimerInterface* timer = board->timer();
        if (interrupts == nullptr || digital == nullptr || timer == nullptr) {
            std::printf("%s has no interrupts, inputs or timer\n", id.c_str());
            return 1;
        }

        // 1. The callback, then the board's interrupt thread.
        interrupts->setDeviceInterruptCallback(
            [&queue](const VelmorDeviceStruct&, const InterruptData& data) { queue.push(data); });
        interrupts->enableDeviceInterrupts();

        // 2. An input event: a rising edge on input 4, started on the driver.
        digital->setInterruptEventForOneInput(4, RISING_EDGE);
        digital->enableDigitalInterrupt();
        // The simulated machine raises input 4; a board (or a simulator server) waits for it.
        if (corvane_sim_set_input == nullptr || corvane_sim_set_input(id.c_str(), 4, 1) != 0) {
            std::printf("Raise input 4 of %s now.\n", id.c_str());
            std::fflush(stdout);
        }
        if (!queue.waitFor(1)) {
            std::printf("No input interrupt within 5 s.\n");
            interrupts->disableDeviceInterrupts();
            return 1;
        }
        print("input event", queue.at(0));

        // 3. Timer 1: every 50 ms, its interrupt enabled before it starts.
        timer->initTimer(1, MILLISECOND, 50, 0);
        timer->enableTimerInterrupt(1);
        timer->startTimer(1);
        const bool timerOk = queue.waitFor(4);
        timer->stopTimer(1);
        if (!timerOk) {
            std::printf("Fewer than 3 timer interrupts within 5 s.\n");
            interrupts->disableDeviceInterrupts();
            return 1;
        }
        for (size_t i = 1; i < 4; ++i) {
            print("timer", queue.at(i));
        }

        // 4. Stop the thread; this also clears the input event and the timer's interrupt.
        interrupts->disableDeviceInterrupts();
        std::printf("done\n");
        return 0;
    } catch (const CorvaneException& e) {
        std::printf("%s\n", e.what());
        if (interrupts != nullptr) {
            interrupts->disableDeviceInterrupts();  // never throws
        }
        return 1;
    }
}
