// The interrupt engine against the board simulator: the thread's life cycle, delivery of
// queued interrupts to the callback, and the callback stopping or destroying its own
// board, failures on the interrupt thread, descriptors above 1023.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CorvaneException.h"
#include "DeviceTestBoard.h"
#include "InterruptImpl.h"
#include "IoctlCommands.h"
#include "TestInterface.h"
#include "corvane_sim.h"

using namespace velmor::corvane;
using namespace corvane_test;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kWait = std::chrono::seconds(10);  // bound of every wait; never reached when all is well

std::atomic<int> boardsDestroyed{0};

// A board with the interrupt engine and trivial hooks that count their calls.
class InterruptTestBoard : public InterruptImpl, public TestInterface {
public:
    explicit InterruptTestBoard(int fd) : DeviceInterface(fd), TestInterface(fd) { setId("inttest_0"); }
    ~InterruptTestBoard() override {
        stopThread();
        ++boardsDestroyed;
    }

    void setupInterruptConditions() override { ++setupCalls; }
    void clearInterruptConditions() override { ++clearCalls; }

    void setId(const char* id) {
        VelmorDeviceStruct info{};
        std::strncpy(info.id, id, sizeof(info.id) - 1);
        setDeviceInformation(info);
    }
    int currentEventFd() const { return eventFd; }

    std::atomic<int> setupCalls{0};
    std::atomic<int> clearCalls{0};
};

struct Delivery {
    std::thread::id thread;
    std::string deviceId;
    InterruptData data;
};

// Collects callback calls and lets the test wait for a number of them.
class Collector {
public:
    DeviceInterruptCallback callback(std::function<void(const Delivery&)> also = nullptr) {
        return [this, also](const VelmorDeviceStruct& device, const InterruptData& data) {
            Delivery d{std::this_thread::get_id(), device.id, data};
            if (also) {
                also(d);
            }
            std::lock_guard<std::mutex> lock(mutex);
            deliveries.push_back(d);
            changed.notify_all();
        };
    }
    bool waitFor(size_t count, Clock::duration timeout = kWait) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return deliveries.size() >= count; });
    }
    std::vector<Delivery> snapshot() {
        std::lock_guard<std::mutex> lock(mutex);
        return deliveries;
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Delivery> deliveries;
};

template <typename Predicate>
bool eventually(Predicate predicate, Clock::duration timeout = kWait) {
    const auto end = Clock::now() + timeout;
    while (!predicate()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

InterruptData interrupt(uint32_t source, uint32_t mask = 0, uint32_t args = 0) {
    InterruptData data{};
    data.interrupt_source = source;
    data.interrupt_mask = mask;
    data.args_count = args;
    for (uint32_t i = 0; i < args && i < 32; ++i) {
        data.args[i] = source * 100 + i;
    }
    return data;
}

size_t openDescriptorCount() {
    size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

size_t traceCount(uint32_t command) {
    size_t found = 0;
    const size_t total = corvane_sim_trace_count();
    auto entry = std::make_unique<corvane_sim_trace_entry>();
    for (size_t i = 0; i < total; ++i) {
        if (corvane_sim_trace_get(i, entry.get()) == 0 && entry->command == command) {
            ++found;
        }
    }
    return found;
}

class InterruptEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VELMOR_LOG_LEVEL");
        fd = openSimulatedBoard("keloe6100");
        ASSERT_GE(fd, 0);
        node = simulatedNode();
        clearBoardLog();
    }
    void TearDown() override {
        corvane_sim_clear_failures();
        corvane_sim_set_high_descriptors(0);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    void queue(const InterruptData& data) { ASSERT_GT(corvane_sim_queue_interrupt(node.c_str(), &data), 0); }

    int fd = -1;
    std::string node;
};

}  // namespace

TEST_F(InterruptEngineTest, EnableDisableEnableUsesFreshThreadAndEventDescriptor) {
    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    EXPECT_FALSE(board.isInterruptActive());

    corvane_sim_trace_clear();
    board.enableDeviceInterrupts();
    EXPECT_TRUE(board.isInterruptActive());
    EXPECT_EQ(board.setupCalls.load(), 1);
    EXPECT_GE(board.currentEventFd(), 0);
    corvane_sim_board_state state{};
    ASSERT_EQ(corvane_sim_get_state(node.c_str(), &state), 0);
    EXPECT_EQ(state.interrupts_enabled, 1);
    // IoctlEnableInterrupts carries a 4-byte argument of zero.
    ASSERT_EQ(corvane_sim_trace_count(), 1u);
    auto entry = std::make_unique<corvane_sim_trace_entry>();
    ASSERT_EQ(corvane_sim_trace_get(0, entry.get()), 0);
    EXPECT_EQ(entry->command, IoctlEnableInterrupts);
    uint32_t sent = 1;
    std::memcpy(&sent, entry->sent, sizeof sent);
    EXPECT_EQ(sent, 0u);

    queue(interrupt(1));
    ASSERT_TRUE(collector.waitFor(1));

    const auto start = Clock::now();
    board.disableDeviceInterrupts();
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(board.isInterruptActive());
    EXPECT_EQ(board.clearCalls.load(), 1);
    EXPECT_EQ(board.currentEventFd(), -1);

    // A second disable only runs the board's hook.
    board.disableDeviceInterrupts();
    EXPECT_EQ(board.clearCalls.load(), 2);
    EXPECT_FALSE(board.isInterruptActive());

    board.enableDeviceInterrupts();
    EXPECT_TRUE(board.isInterruptActive());
    EXPECT_GE(board.currentEventFd(), 0);
    queue(interrupt(2));
    ASSERT_TRUE(collector.waitFor(2));
    board.disableDeviceInterrupts();

    const auto deliveries = collector.snapshot();
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_EQ(deliveries[0].data.interrupt_source, 1u);
    EXPECT_EQ(deliveries[1].data.interrupt_source, 2u);
}

TEST_F(InterruptEngineTest, SecondEnableFailsAndFirstThreadKeepsServing) {
    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    board.enableDeviceInterrupts();
    corvane_sim_trace_clear();
    try {
        board.enableDeviceInterrupts();
        FAIL() << "second enable accepted";
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x85000502u);
        EXPECT_THAT(e.what(), HasSubstr("Error message : Error in enableDeviceInterrupts : Thread is already running"));
    }
    // The hook ran again, the driver was not asked again.
    EXPECT_EQ(board.setupCalls.load(), 2);
    EXPECT_EQ(traceCount(IoctlEnableInterrupts), 0u);
    EXPECT_TRUE(board.isInterruptActive());

    queue(interrupt(7));
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_EQ(collector.snapshot()[0].data.interrupt_source, 7u);
    board.disableDeviceInterrupts();
}

TEST_F(InterruptEngineTest, EmptyCallbackIsRefusedAndTheStoredOneKept) {
    InterruptTestBoard board(fd);
    Collector first;
    board.setDeviceInterruptCallback(first.callback());
    try {
        board.setDeviceInterruptCallback(DeviceInterruptCallback());
        FAIL() << "empty callback accepted";
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x85000201u);
        EXPECT_THAT(e.what(),
                    HasSubstr("Error message : Error in setDeviceInterruptCallback : interrupt_callback is Null"));
    }
    board.enableDeviceInterrupts();
    queue(interrupt(3));
    ASSERT_TRUE(first.waitFor(1));
    board.disableDeviceInterrupts();
    EXPECT_EQ(first.snapshot()[0].data.interrupt_source, 3u);
}

TEST_F(InterruptEngineTest, QueuedInterruptsArriveInOrderOnTheInterruptThreadWithCopies) {
    constexpr uint32_t kCount = 40;
    InterruptTestBoard board(fd);
    Collector collector;
    // Each callback changes the board's structure; the next call must see the change,
    // so the structure is copied at each interrupt, not once.
    std::atomic<uint32_t> calls{0};
    board.setDeviceInterruptCallback(collector.callback([&](const Delivery&) {
        const std::string id = "gen_" + std::to_string(++calls);
        board.setId(id.c_str());
    }));
    for (uint32_t i = 0; i < kCount / 2; ++i) {
        queue(interrupt(i, 1u << (i % 32), i % 33));
    }
    board.enableDeviceInterrupts();
    for (uint32_t i = kCount / 2; i < kCount; ++i) {
        queue(interrupt(i, 1u << (i % 32), i % 33));
    }
    ASSERT_TRUE(collector.waitFor(kCount));
    EXPECT_TRUE(eventually([&] { return corvane_sim_pending_interrupts(node.c_str()) == 0; }));
    board.disableDeviceInterrupts();

    const auto deliveries = collector.snapshot();
    ASSERT_EQ(deliveries.size(), kCount);
    for (uint32_t i = 0; i < kCount; ++i) {
        const InterruptData& d = deliveries[i].data;
        EXPECT_EQ(d.interrupt_source, i);
        EXPECT_EQ(d.interrupt_mask, 1u << (i % 32));
        ASSERT_EQ(d.args_count, i % 33);
        for (uint32_t a = 0; a < d.args_count; ++a) {
            EXPECT_EQ(d.args[a], i * 100 + a);
        }
        EXPECT_EQ(deliveries[i].deviceId, i == 0 ? std::string("inttest_0") : "gen_" + std::to_string(i));
        EXPECT_NE(deliveries[i].thread, std::this_thread::get_id());
        EXPECT_EQ(deliveries[i].thread, deliveries[0].thread);
    }
}

TEST_F(InterruptEngineTest, DescriptorAbove1023IsWaitedOn) {
    ::close(fd);
    fd = -1;
    corvane_sim_set_high_descriptors(1);
    fd = ::open(("/dev/" + node).c_str(), O_RDWR);
    ASSERT_GE(fd, 1024);

    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    board.enableDeviceInterrupts();
    queue(interrupt(11));
    queue(interrupt(12));
    ASSERT_TRUE(collector.waitFor(2));
    board.disableDeviceInterrupts();
    EXPECT_FALSE(board.isInterruptActive());
    const auto deliveries = collector.snapshot();
    EXPECT_EQ(deliveries[0].data.interrupt_source, 11u);
    EXPECT_EQ(deliveries[1].data.interrupt_source, 12u);
}

TEST_F(InterruptEngineTest, CallbackMayDisableItsOwnBoard) {
    InterruptTestBoard board(fd);
    Collector collector;
    std::atomic<bool> disabledInside{false};
    board.setDeviceInterruptCallback(collector.callback([&](const Delivery& d) {
        if (d.data.interrupt_source == 1) {
            board.disableDeviceInterrupts();
            disabledInside = true;
        }
    }));
    board.enableDeviceInterrupts();
    queue(interrupt(1));
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_TRUE(disabledInside.load());
    EXPECT_FALSE(board.isInterruptActive());
    EXPECT_EQ(board.clearCalls.load(), 1);

    // No thread serves the board any more.
    queue(interrupt(2));
    EXPECT_FALSE(collector.waitFor(2, std::chrono::milliseconds(300)));
    EXPECT_EQ(corvane_sim_pending_interrupts(node.c_str()), 1);

    // A disable from this thread joins the ended thread; enabling works again.
    board.disableDeviceInterrupts();
    board.enableDeviceInterrupts();
    ASSERT_TRUE(collector.waitFor(2));
    board.disableDeviceInterrupts();
    const auto deliveries = collector.snapshot();
    EXPECT_EQ(deliveries[1].data.interrupt_source, 2u);
}

TEST_F(InterruptEngineTest, CallbackMayDisableAndEnableAgain) {
    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback([&](const Delivery& d) {
        if (d.data.interrupt_source == 1) {
            board.disableDeviceInterrupts();
            board.enableDeviceInterrupts();
        }
    }));
    board.enableDeviceInterrupts();
    queue(interrupt(1));
    ASSERT_TRUE(collector.waitFor(1));
    queue(interrupt(2));
    queue(interrupt(3));
    ASSERT_TRUE(collector.waitFor(3));
    EXPECT_TRUE(board.isInterruptActive());
    board.disableDeviceInterrupts();
    const auto deliveries = collector.snapshot();
    ASSERT_EQ(deliveries.size(), 3u);
    EXPECT_EQ(deliveries[1].data.interrupt_source, 2u);
    EXPECT_EQ(deliveries[2].data.interrupt_source, 3u);
    // The second period has a thread of its own (the first one was still in its
    // callback when it started, so the two cannot share an id).
    EXPECT_NE(deliveries[0].thread, deliveries[1].thread);
    EXPECT_EQ(deliveries[1].thread, deliveries[2].thread);
}

TEST_F(InterruptEngineTest, CallbackMayDropTheLastReferenceToItsBoard) {
    auto board = std::make_shared<InterruptTestBoard>(fd);
    std::shared_ptr<InterruptTestBoard> holder = board;
    board.reset();
    const int destroyedBefore = boardsDestroyed.load();
    const size_t descriptorsBefore = openDescriptorCount();

    std::atomic<bool> destroyedInside{false};
    std::thread::id callbackThread;
    holder->setDeviceInterruptCallback([&](const VelmorDeviceStruct&, const InterruptData&) {
        callbackThread = std::this_thread::get_id();
        holder.reset();  // the board is destroyed here, on its own interrupt thread
        destroyedInside = boardsDestroyed.load() == destroyedBefore + 1;
    });
    holder->enableDeviceInterrupts();
    queue(interrupt(1));
    ASSERT_TRUE(eventually([&] { return boardsDestroyed.load() == destroyedBefore + 1; }));
    ASSERT_TRUE(eventually([&] { return destroyedInside.load(); }));
    EXPECT_NE(callbackThread, std::this_thread::get_id());
    // The event descriptor went with the board.
    EXPECT_TRUE(eventually([&] { return openDescriptorCount() == descriptorsBefore; }));
    // The released thread is gone and did not touch the board: a second interrupt on
    // the node stays queued.
    queue(interrupt(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(corvane_sim_pending_interrupts(node.c_str()), 1);
}

TEST_F(InterruptEngineTest, DestructionWaitsForTheRunningCallback) {
    auto board = std::make_unique<InterruptTestBoard>(fd);
    std::mutex mutex;
    std::condition_variable started;
    bool inCallback = false;
    std::atomic<bool> callbackFinished{false};
    board->setDeviceInterruptCallback([&](const VelmorDeviceStruct&, const InterruptData&) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            inCallback = true;
        }
        started.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        callbackFinished = true;
    });
    board->enableDeviceInterrupts();
    queue(interrupt(1));
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(started.wait_for(lock, kWait, [&] { return inCallback; }));
    }
    const auto start = Clock::now();
    board.reset();
    EXPECT_TRUE(callbackFinished.load());
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(100));
}

TEST_F(InterruptEngineTest, DestructionWithInterruptsEnabledAndIdleThread) {
    const int destroyedBefore = boardsDestroyed.load();
    {
        InterruptTestBoard board(fd);
        Collector collector;
        board.setDeviceInterruptCallback(collector.callback());
        board.enableDeviceInterrupts();
        queue(interrupt(1));
        ASSERT_TRUE(collector.waitFor(1));
    }
    EXPECT_EQ(boardsDestroyed.load(), destroyedBefore + 1);
    // Nothing serves the node any more.
    queue(interrupt(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(corvane_sim_pending_interrupts(node.c_str()), 1);
}

// A board whose first wait only starts once the stop request has been written to the
// event descriptor, so that the device descriptor and the stop request are readable at
// the same moment.
class WaitAfterStopBoard : public InterruptTestBoard {
public:
    explicit WaitAfterStopBoard(int fd) : DeviceInterface(fd), InterruptTestBoard(fd) {}
    bool waitInterrupt() override {
        if (!firstWaitDone.exchange(true)) {
            eventually([this] {
                struct pollfd stop = {eventFd, POLLIN, 0};
                return ::poll(&stop, 1, 0) == 1;
            });
        }
        return InterruptImpl::waitInterrupt();
    }
    std::atomic<bool> firstWaitDone{false};
};

TEST_F(InterruptEngineTest, InterruptReadableWithTheStopRequestIsServedOnceMore) {
    WaitAfterStopBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    queue(interrupt(9));
    board.enableDeviceInterrupts();
    ASSERT_TRUE(eventually([&] { return board.firstWaitDone.load(); }));

    board.disableDeviceInterrupts();
    // The device descriptor is looked at first: the pending interrupt was served, then the
    // thread saw the stop request and ended.
    const auto deliveries = collector.snapshot();
    ASSERT_EQ(deliveries.size(), 1u);
    EXPECT_EQ(deliveries[0].data.interrupt_source, 9u);
    EXPECT_EQ(corvane_sim_pending_interrupts(node.c_str()), 0);
    EXPECT_FALSE(board.isInterruptActive());
    EXPECT_EQ(board.currentEventFd(), -1);
}

TEST_F(InterruptEngineTest, DriverFailureEndsTheThreadAndEnablingWorksAgain) {
    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetInterruptInformations, -1, EIO, 1, nullptr), 0);
    board.enableDeviceInterrupts();
    queue(interrupt(5));

    // The thread ends; the board reports interrupts as no longer active.
    ASSERT_TRUE(eventually([&] { return !board.isInterruptActive(); }));
    const auto errors = logMessages("ERROR", "Interrupt thread ended after a failure: ");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(errors[0], HasSubstr("IoctlGetInterruptInformations"));
    EXPECT_TRUE(collector.snapshot().empty());
    // The failed read left the interrupt queued.
    EXPECT_EQ(corvane_sim_pending_interrupts(node.c_str()), 1);

    // A disable joins the ended thread and closes its event descriptor.
    board.disableDeviceInterrupts();
    EXPECT_EQ(board.currentEventFd(), -1);
    EXPECT_EQ(board.clearCalls.load(), 1);

    board.enableDeviceInterrupts();
    EXPECT_TRUE(board.isInterruptActive());
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_EQ(collector.snapshot()[0].data.interrupt_source, 5u);

    // A failure again, and this time enabling directly (without a disable) also works.
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetInterruptInformations, -1, EIO, 1, nullptr), 0);
    queue(interrupt(6));
    ASSERT_TRUE(eventually([&] { return !board.isInterruptActive(); }));
    board.enableDeviceInterrupts();
    ASSERT_TRUE(collector.waitFor(2));
    EXPECT_EQ(collector.snapshot()[1].data.interrupt_source, 6u);
    board.disableDeviceInterrupts();
    EXPECT_FALSE(board.isInterruptActive());
}

TEST_F(InterruptEngineTest, InvalidDeviceDescriptorEndsTheWaitWithoutSpinning) {
    InterruptTestBoard board(fd);
    Collector collector;
    const int boardFd = fd;
    // The callback closes the board's descriptor: the next wait finds it invalid.
    board.setDeviceInterruptCallback(collector.callback([&](const Delivery&) { ::close(boardFd); }));
    fd = -1;
    board.enableDeviceInterrupts();
    queue(interrupt(1));
    ASSERT_TRUE(collector.waitFor(1));
    ASSERT_TRUE(eventually([&] { return !board.isInterruptActive(); }));
    const auto errors = logMessages("ERROR", "Interrupt thread ended after a failure: ");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(errors[0], HasSubstr("Error selecting events.-1"));
    EXPECT_THAT(errors[0], HasSubstr("0x85000a0f"));
    board.disableDeviceInterrupts();
    EXPECT_EQ(board.currentEventFd(), -1);
}

TEST_F(InterruptEngineTest, InterruptsWithoutCallbackAreReadAndDropped) {
    ScopedLogLevel level("2");  // WARNING
    InterruptTestBoard board(fd);
    board.enableDeviceInterrupts();
    queue(interrupt(1));
    queue(interrupt(2));
    queue(interrupt(3));
    ASSERT_TRUE(eventually([&] { return corvane_sim_pending_interrupts(node.c_str()) == 0; }));
    EXPECT_TRUE(board.isInterruptActive());
    EXPECT_EQ(traceCount(IoctlGetInterruptInformations), 3u);
    EXPECT_EQ(logMessages("WARNING", "Interrupt received while no callback is set").size(), 1u);

    // A callback set now serves the next interrupt.
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    queue(interrupt(4));
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_EQ(collector.snapshot()[0].data.interrupt_source, 4u);
    board.disableDeviceInterrupts();
}

TEST_F(InterruptEngineTest, ThrowingCallbackIsLoggedAndTheThreadGoesOn) {
    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback([](const Delivery& d) {
        if (d.data.interrupt_source == 1) {
            throw std::runtime_error("callback broke");
        }
    }));
    board.enableDeviceInterrupts();
    queue(interrupt(1));
    queue(interrupt(2));
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_TRUE(board.isInterruptActive());
    board.disableDeviceInterrupts();
    EXPECT_EQ(collector.snapshot()[0].data.interrupt_source, 2u);
    const auto errors = logMessages("ERROR", "Interrupt callback raised an exception: callback broke");
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(InterruptEngineTest, FailedEnableStartsNoThread) {
    InterruptTestBoard board(fd);
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlEnableInterrupts, -1, EIO, 1, nullptr), 0);
    const size_t descriptorsBefore = openDescriptorCount();
    EXPECT_THROW(board.enableDeviceInterrupts(), CorvaneException);
    EXPECT_FALSE(board.isInterruptActive());
    EXPECT_EQ(board.currentEventFd(), -1);
    EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
    board.enableDeviceInterrupts();
    EXPECT_TRUE(board.isInterruptActive());
    board.disableDeviceInterrupts();
}

TEST_F(InterruptEngineTest, ClearFifoAndTestInterruptReachTheDriver) {
    InterruptTestBoard board(fd);
    Collector collector;
    board.setDeviceInterruptCallback(collector.callback());
    board.enableDeviceInterrupts();
    corvane_sim_trace_clear();
    board.testInterrupt();
    ASSERT_TRUE(collector.waitFor(1));
    EXPECT_EQ(collector.snapshot()[0].data.interrupt_source, CORVANE_SIM_TEST_INTERRUPT_SOURCE);
    board.clearInterruptFifo();
    EXPECT_EQ(traceCount(IoctlTestInterrupts), 1u);
    EXPECT_EQ(traceCount(IoctlClearInterruptFIFO), 1u);
    board.disableDeviceInterrupts();
}
