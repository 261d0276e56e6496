// Boards built and destroyed on many threads at once keep the live-board count exact.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "DeviceTestBoard.h"

using namespace corvane_test;

TEST(DeviceCountConcurrencyTest, CountStaysExactAcrossThreads) {
    const int fd = openSimulatedBoard("keloe6100");
    ASSERT_GE(fd, 0);
    const int before = DeviceInterface::device_count.load();
    constexpr int threads = 8;
    constexpr int rounds = 25;
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    std::vector<std::shared_ptr<ChannelTestBoard>> kept(threads);
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            try {
                for (int round = 0; round < rounds; ++round) {
                    auto board = std::make_shared<ChannelTestBoard>(fd);
                    if (round == rounds - 1) {
                        kept[t] = board;  // one board per thread stays alive
                    }
                }
            } catch (...) {
                ++failures;
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(DeviceInterface::device_count.load(), before + threads);
    kept.clear();
    EXPECT_EQ(DeviceInterface::device_count.load(), before);
    ::close(fd);
}
