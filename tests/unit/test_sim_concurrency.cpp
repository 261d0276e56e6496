// The simulator under threads: an interrupt consumer waiting with poll and fetching
// interrupts while another thread issues commands, opens and closes nodes and drives
// the control interface, all at once.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "IoctlCommands.h"
#include "SimTestSupport.h"

using namespace corvane_sim_test;
namespace vc = velmor::corvane;

TEST(SimConcurrency, InterruptThreadAndCallerThreadAtOnce) {
    SimBoards boards("keloe6100,kelo3100");
    SimNode node("keloe6100_0");
    ASSERT_TRUE(node.isOpen());
    constexpr uint32_t kInterrupts = 2000;

    std::atomic<bool> producerDone{false};
    std::vector<uint32_t> seen;
    std::atomic<int> consumerErrors{0};

    // The "interrupt thread": waits for readability, takes one interrupt per wake-up.
    std::thread consumer([&] {
        while (seen.size() < kInterrupts) {
            pollfd p{node.fd(), POLLIN, 0};
            int n = ::poll(&p, 1, 1000);
            if (n < 0) {
                ++consumerErrors;
                return;
            }
            if (n == 0) {
                if (producerDone) return;  // nothing more will come
                continue;
            }
            InterruptData d{};
            if (::ioctl(node.fd(), vc::IoctlGetInterruptInformations, &d) != 0) {
                ++consumerErrors;  // readable must mean an interrupt is queued
                continue;
            }
            seen.push_back(d.interrupt_source);
        }
    });

    // The caller's thread: queues interrupts and issues other commands on the same
    // descriptor and on another node, opening and closing descriptors meanwhile.
    std::thread caller([&] {
        for (uint32_t i = 0; i < kInterrupts; ++i) {
            InterruptData d{};
            d.interrupt_source = i;
            while (corvane_sim_queue_interrupt("keloe6100_0", &d) < 0) std::this_thread::yield();
            uint32_t v = 0;
            ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v);
            corvane_sim_set_inputs("kelo3100_0", i);
            if (i % 50 == 0) {
                int fd = ::open("/dev/kelo3100_0", O_RDWR);
                if (fd >= 0) {
                    ::ioctl(fd, vc::IoctlGetDigitalInputs, &v);
                    ::close(fd);
                }
                corvane_sim_trace_clear();
            }
        }
        producerDone = true;
    });
    caller.join();
    consumer.join();

    EXPECT_EQ(0, consumerErrors.load());
    ASSERT_EQ(kInterrupts, seen.size());
    for (uint32_t i = 0; i < kInterrupts; ++i) ASSERT_EQ(i, seen[i]) << "interrupts in queue order";
    EXPECT_EQ(0, corvane_sim_pending_interrupts("keloe6100_0"));
    pollfd p{node.fd(), POLLIN, 0};
    EXPECT_EQ(0, ::poll(&p, 1, 0));
    EXPECT_EQ(1u, simState("keloe6100_0").open_descriptors);
    EXPECT_EQ(0u, simState("kelo3100_0").open_descriptors);
}

TEST(SimConcurrency, ManyThreadsOpenCommandAndClose) {
    SimBoards boards("keloe6100,kelo4210");
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const char* path = t % 2 ? "/dev/keloe6100_0" : "/dev/kelo4210_0";
            for (int i = 0; i < kRounds; ++i) {
                int fd = ::open(path, O_RDWR);
                if (fd < 0) {
                    ++failures;
                    continue;
                }
                IoctlGetDeviceInformationsStruct info{};
                if (::ioctl(fd, vc::IoctlGetDeviceInformations, &info) != 0) ++failures;
                // A real descriptor in between must never be taken for a simulated one.
                int real = ::open("/dev/null", O_RDONLY);
                if (real >= 0 && corvane_sim_is_simulated(real, nullptr, 0)) ++failures;
                if (real >= 0) ::close(real);
                if (::close(fd) != 0) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(static_cast<size_t>(kThreads * kRounds), corvane_sim_trace_count());
    EXPECT_EQ(0u, simState("keloe6100_0").open_descriptors);
    EXPECT_EQ(0u, simState("kelo4210_0").open_descriptors);
}
