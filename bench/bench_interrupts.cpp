// What an interrupt costs: the time from queueing an interrupt in the simulator to the
// start of the C callback on the board's interrupt thread, and the rate at which a burst
// is delivered, each against a bare loop (a thread of the benchmark's own that polls its
// own descriptor of the same node and fetches InterruptData with ioctl). The two take
// turns in blocks, so that both see the same load of the machine, and both run with the
// same two descriptors open on the node.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include <corvane/Corvane.h>
#include <corvane/IoctlCommands.h>

#include "BenchSupport.h"
#include "corvane_sim.h"

namespace {

using corvane_bench::kBoard;
using corvane_bench::monotonicNs;

// Arrival times of the interrupts of one run, written by whichever thread delivers them.
struct Arrivals {
    std::mutex mutex;
    std::condition_variable reached;
    std::vector<uint64_t> times;
    std::atomic<size_t> count{0};
    size_t target = 0;

    void reset(size_t size) {
        std::lock_guard<std::mutex> lock(mutex);
        times.assign(size, 0);
        count.store(0);
        target = 0;
    }
    // Called first thing where the interrupt is handed over.
    void arrived(uint64_t now) {
        const size_t index = count.fetch_add(1);
        if (index < times.size()) {
            times[index] = now;
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (index + 1 >= target) {
            reached.notify_all();
        }
    }
    // Waits until `total` interrupts arrived; false after 10 s without them.
    bool waitFor(size_t total) {
        std::unique_lock<std::mutex> lock(mutex);
        target = total;
        return reached.wait_for(lock, std::chrono::seconds(10),
                                [&] { return count.load() >= total; });
    }
};

Arrivals arrivals;

void libraryCallback(VelmorDeviceStruct device, InterruptData data) {
    arrivals.arrived(monotonicNs());
    benchmark::DoNotOptimize(&device);
    benchmark::DoNotOptimize(&data);
}

// One of the two receivers: the library's interrupt thread, or the bare loop.
class Receiver {
public:
    virtual ~Receiver() = default;
    virtual bool start() = 0;
    virtual void stop() = 0;
};

class LibraryReceiver : public Receiver {
public:
    bool start() override {
        return VelmorSetDeviceInterruptCallback(kBoard, libraryCallback) == 0 &&
               VelmorEnableDeviceInterrupts(kBoard) == 0;
    }
    void stop() override { VelmorDisableDeviceInterrupts(kBoard); }
};

// Its descriptor stays open while the library receives too: the simulated driver signals
// every descriptor of a node, so both receivers run with the same descriptors open.
class BareReceiver : public Receiver {
public:
    BareReceiver() : node(corvane_bench::openNode(kBoard)) {}
    ~BareReceiver() override { close(node); }

    bool start() override {
        stopEvent = eventfd(0, EFD_CLOEXEC);
        if (stopEvent < 0) {
            return false;
        }
        thread = std::thread([this] { loop(); });
        return true;
    }
    void stop() override {
        const uint64_t one = 1;
        const ssize_t written = write(stopEvent, &one, sizeof one);
        (void)written;
        thread.join();
        close(stopEvent);
    }

private:
    void loop() {
        struct pollfd waits[2] = {{node, POLLIN, 0}, {stopEvent, POLLIN, 0}};
        for (;;) {
            if (poll(waits, 2, -1) < 0) {
                continue;
            }
            if ((waits[1].revents & POLLIN) != 0) {
                return;
            }
            if ((waits[0].revents & POLLIN) != 0) {
                InterruptData data;
                if (ioctl(node, velmor::corvane::IoctlGetInterruptInformations, &data) != 0) {
                    return;
                }
                arrivals.arrived(monotonicNs());
                benchmark::DoNotOptimize(&data);
            }
        }
    }

    const int node;
    int stopEvent = -1;
    std::thread thread;
};

InterruptData testRecord(uint32_t index) {
    InterruptData data;
    std::memset(&data, 0, sizeof data);
    data.interrupt_source = 1;
    data.interrupt_mask = 1u << (index % 32);
    return data;
}

// Lets the receiver go back to waiting before the next interrupt (1 us timer slack).
void pause() {
    struct timespec gap = {0, 20000};
    nanosleep(&gap, nullptr);
}

// Queues `count` interrupts one at a time and appends their latencies; false on failure.
bool latencies(Receiver& receiver, size_t count, std::vector<uint64_t>& out) {
    arrivals.reset(count);
    if (!receiver.start()) {
        return false;
    }
    std::vector<uint64_t> queued(count);
    bool ok = true;
    for (size_t i = 0; i < count && ok; ++i) {
        const InterruptData data = testRecord(static_cast<uint32_t>(i));
        queued[i] = monotonicNs();
        ok = corvane_sim_queue_interrupt(kBoard, &data) >= 0 && arrivals.waitFor(i + 1);
        pause();
    }
    receiver.stop();
    for (size_t i = 0; i < count && ok; ++i) {
        out.push_back(arrivals.times[i] - queued[i]);
    }
    return ok;
}

// Queues a burst of `count` interrupts at once; the rate (per second) from the first
// queueing to the last arrival, or 0 on failure.
double burstRate(Receiver& receiver, size_t count) {
    arrivals.reset(count);
    if (!receiver.start()) {
        return 0;
    }
    bool ok = true;
    const uint64_t begin = monotonicNs();
    for (size_t i = 0; i < count && ok; ++i) {
        const InterruptData data = testRecord(static_cast<uint32_t>(i));
        ok = corvane_sim_queue_interrupt(kBoard, &data) >= 0;
    }
    ok = ok && arrivals.waitFor(count);
    receiver.stop();
    if (!ok) {
        return 0;
    }
    const uint64_t end = *std::max_element(arrivals.times.begin(), arrivals.times.end());
    return static_cast<double>(count) * 1e9 / static_cast<double>(end - begin);
}

void interrupt_latency(benchmark::State& state) {
    const size_t total = corvane_bench::environmentCount("CORVANE_BENCH_INTERRUPTS", 20000);
    const size_t blocks = std::min<size_t>(10, total);
    LibraryReceiver library;
    BareReceiver bare;
    std::vector<uint64_t> libraryNs;
    std::vector<uint64_t> bareNs;
    for (auto _ : state) {
        for (size_t block = 0; block < blocks; ++block) {
            const size_t count = total / blocks + (block < total % blocks ? 1 : 0);
            // Alternate which one goes first.
            const bool libraryFirst = block % 2 == 0;
            Receiver& first = libraryFirst ? static_cast<Receiver&>(library) : bare;
            Receiver& second = libraryFirst ? static_cast<Receiver&>(bare) : library;
            std::vector<uint64_t>& firstNs = libraryFirst ? libraryNs : bareNs;
            std::vector<uint64_t>& secondNs = libraryFirst ? bareNs : libraryNs;
            if (!latencies(first, count, firstNs) || !latencies(second, count, secondNs)) {
                state.SkipWithError("an interrupt did not arrive");
                return;
            }
        }
    }
    state.counters["interrupts"] = static_cast<double>(libraryNs.size());
    for (auto* entry : {&libraryNs, &bareNs}) {
        const std::string who = entry == &libraryNs ? "library" : "bare";
        auto put = [&](const char* label, double fraction) {
            state.counters[who + label] =
                static_cast<double>(corvane_bench::percentile(*entry, fraction));
        };
        put("_p50_ns", 0.50);
        put("_p99_ns", 0.99);
        put("_p99.9_ns", 0.999);
        put("_max_ns", 1.0);
    }
}

void interrupt_throughput(benchmark::State& state) {
    const size_t burst = std::min<unsigned long>(
        corvane_bench::environmentCount("CORVANE_BENCH_BURST", 4000),
        CORVANE_SIM_INTERRUPT_QUEUE_SIZE);
    const size_t rounds = corvane_bench::environmentCount("CORVANE_BENCH_BURSTS", 15);
    LibraryReceiver library;
    BareReceiver bare;
    std::vector<double> libraryRates;
    std::vector<double> bareRates;
    for (auto _ : state) {
        for (size_t round = 0; round < rounds; ++round) {
            // Alternate which one goes first.
            const bool libraryFirst = round % 2 == 0;
            Receiver& first = libraryFirst ? static_cast<Receiver&>(library) : bare;
            Receiver& second = libraryFirst ? static_cast<Receiver&>(bare) : library;
            const double firstRate = burstRate(first, burst);
            const double secondRate = burstRate(second, burst);
            if (firstRate <= 0 || secondRate <= 0) {
                state.SkipWithError("a burst was not delivered");
                return;
            }
            (libraryFirst ? libraryRates : bareRates).push_back(firstRate);
            (libraryFirst ? bareRates : libraryRates).push_back(secondRate);
        }
    }
    auto median = [](std::vector<double>& rates) {
        std::sort(rates.begin(), rates.end());
        return rates[rates.size() / 2];
    };
    state.counters["burst"] = static_cast<double>(burst);
    state.counters["library_median_per_s"] = median(libraryRates);
    state.counters["library_best_per_s"] = libraryRates.back();
    state.counters["bare_median_per_s"] = median(bareRates);
    state.counters["bare_best_per_s"] = bareRates.back();
}

}  // namespace

BENCHMARK(interrupt_latency)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(interrupt_throughput)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    corvane_bench::useOneBoard();
    // Short pauses between interrupts: a timer slack of 1 us instead of 50 us.
    prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
    return corvane_bench::runBenchmarks(argc, argv);
}
