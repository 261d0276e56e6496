// Many threads failing while others read the last error: every text read is whole.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "CorvaneException.h"
#include "VelmorErrorFunctions.h"

TEST(LastErrorConcurrency, TextsAreNeverTorn) {
    constexpr int kWriters = 4;
    constexpr int kRounds = 2000;
    std::set<std::string> valid;
    valid.insert("");
    for (int w = 0; w < kWriters; ++w) {
        // Texts of different lengths make a torn copy detectable.
        valid.insert(CorvaneException::composeText(0x86000F08u, std::string(10 + 50 * w, char('a' + w))));
    }
    valid.insert(CorvaneException::composeText(0x80002603u, "error_message is Null"));

    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([w] {
            for (int i = 0; i < kRounds; ++i) {
                try {
                    throw CorvaneException(std::string(10 + 50 * w, char('a' + w)), 0x86000F08u);
                } catch (const CorvaneException&) {
                }
            }
        });
    }
    for (int r = 0; r < 2; ++r) {
        threads.emplace_back([&] {
            char buffer[1024];
            while (!stop.load()) {
                if (valid.count(CorvaneException::getVelmorLastError()) == 0) ++bad;
                size_t n = VelmorGetLastError(buffer, sizeof buffer - 1);
                if (n != 0 && valid.count(std::string(buffer, n)) == 0) ++bad;
            }
        });
    }
    for (int w = 0; w < kWriters; ++w) threads[w].join();
    stop = true;
    for (size_t t = kWriters; t < threads.size(); ++t) threads[t].join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_EQ(valid.count(CorvaneException::getVelmorLastError()), 1u);
}
