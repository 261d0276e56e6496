// The interrupt counters, written by the library's interrupt thread while the server's
// thread reads them: nothing lost, every snapshot whole.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "BoardInterrupts.h"
#include "RequestHandler.h"
#include <corvane/InterruptInterface.h>

#include "SimServerSupport.h"
#include "SimTestSupport.h"

using namespace corvane_modbus;

namespace {

TEST(ModbusInterruptCounters, SnapshotsAreWholeWhileAThreadRecords) {
    InterruptCounters counters;
    constexpr uint32_t kInterrupts = 200000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (uint32_t i = 1; i <= kInterrupts; ++i) {
            InterruptData data{};
            data.interrupt_source = i;
            data.interrupt_mask = ~i;
            counters.record(data);
        }
        done = true;
    });
    uint32_t previous = 0;
    size_t torn = 0;
    size_t backwards = 0;
    while (!done) {
        const InterruptCounters::Snapshot s = counters.snapshot();
        torn += s.total != 0 && (s.total != s.lastSource || s.lastMask != ~s.lastSource);
        backwards += s.total < previous;
        previous = s.total;
    }
    writer.join();
    EXPECT_EQ(0u, torn);
    EXPECT_EQ(0u, backwards);
    const InterruptCounters::Snapshot last = counters.snapshot();
    EXPECT_EQ(kInterrupts, last.total);
    EXPECT_EQ(kInterrupts, last.lastSource);
}

std::vector<uint8_t> readCounters(uint8_t unit) {
    return {0x00, 0x01, 0x00, 0x00, 0x00, 0x06, unit, 0x04, 0x01, 0x90, 0x00, 0x06};  // 400-405
}

// Over a simulated board (CORVANE_SIM_BOARDS=keloe6100,kelo4210): interrupts queued on
// the driver reach the registers 400-405 while the server thread keeps reading them.
TEST(ModbusInterruptCounters, DriverInterruptsReachTheRegisters) {
    GatewayOptions options;
    options.interrupts = true;
    std::vector<ServedBoard> served;
    std::string error;
    ASSERT_TRUE(serveBoards(options, served, error)) << error;
    ASSERT_EQ(2u, served.size());
    ASSERT_EQ("keloe6100_0", served[1].id);
    EXPECT_EQ(nullptr, served[0].counters);  // kelo4210_0: no interrupts
    corvane_sim_test::TempDir dir;
    GatewayLog log;
    ASSERT_TRUE(log.openFile(dir / "gateway.log", error)) << error;
    ASSERT_TRUE(enableBoardInterrupts(served, log, error)) << error;
    RequestHandler handler(served, false);
    constexpr uint32_t kInterrupts = 300;
    std::thread driver([] {
        for (uint32_t i = 1; i <= kInterrupts; ++i) {
            InterruptData data{};
            data.interrupt_source = 0x80000000u | i;
            data.interrupt_mask = 0x00000001u << (i % 32);
            while (corvane_sim_queue_interrupt("keloe6100_0", &data) < 0) std::this_thread::yield();
        }
    });
    uint32_t total = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::vector<uint16_t> values;
    while (total < kInterrupts && std::chrono::steady_clock::now() < deadline) {
        const HandledRequest h = handler.handle(readCounters(2));
        ASSERT_EQ(kNoException, h.exception) << h.reason;
        values = h.values;
        total = static_cast<uint32_t>(values[0]) << 16 | values[1];
    }
    driver.join();
    disableBoardInterrupts(served, log);
    ASSERT_EQ(kInterrupts, total);
    EXPECT_EQ((std::vector<uint16_t>{0, static_cast<uint16_t>(kInterrupts), 0x8000, static_cast<uint16_t>(kInterrupts),
                                     static_cast<uint16_t>(1u << (kInterrupts % 32) >> 16),
                                     static_cast<uint16_t>(1u << (kInterrupts % 32))}),
              values);
    EXPECT_EQ(kIllegalDataAddress, handler.handle(readCounters(1)).exception);
    EXPECT_FALSE(served[1].device->interrupt()->isInterruptActive());
}

}  // namespace
