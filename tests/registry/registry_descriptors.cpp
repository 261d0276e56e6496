// Boards: kelo3100_0 and keloe6100_0 (see registry.cmake). A board object reaches its own
// node and no other, whatever happens to the registry or discoverer that opened it: a
// second build, a second scan, destruction, and later opens that reuse descriptor numbers.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DeviceDiscoverySingleton.h"
#include "DigitalIOInterface.h"
#include "InterruptInterface.h"
#include "IoctlCommands.h"
#include "KELO3100Discovery.h"
#include "RegistrySupport.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace registry_test;
using corvane_sim_test::simTrace;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

uint32_t outputsOf(const std::string& node) {
    uint32_t word = 0;
    EXPECT_EQ(corvane_sim_get_outputs(node.c_str(), &word), 0);
    return word;
}

// Switches one output per board on through its board object and checks that each
// command reached the board's own node (the identifier names the node here).
void expectEveryBoardOnItsOwnNode(const std::map<std::string, std::shared_ptr<DeviceInterface>>& boards) {
    uint32_t bit = 1;
    for (const auto& entry : boards) {
        SCOPED_TRACE(entry.first);
        corvane_sim_trace_clear();
        entry.second->digitalIo()->writeAllDigitalOutput(bit, true);
        const auto calls = simTrace();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].node, entry.first);
        EXPECT_EQ(calls[0].command, IoctlSetDigitalOutputs);
        IoctlSetDigitalOutputsStruct record;
        std::memset(&record, 0, sizeof record);
        record.mask = bit;
        record.memory = 1;  // both models start with output memory on
        record.state = 1;
        EXPECT_EQ(calls[0].sent, corvane_sim_test::bytesOf(record));
        EXPECT_EQ(outputsOf(entry.first), bit);
        bit <<= 1;
    }
}

TEST(RegistryDescriptors, ASecondBuildIsIgnoredAndEveryBoardKeepsItsNode) {
    removeDiscoveryLog();
    // A free descriptor below the boards' ones, so that any reopening would hand the
    // boards' numbers out in another order.
    const int hole = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(hole, 0);
    DeviceDiscoverySingleton registry("/dev/");
    ::close(hole);
    const auto before = registry.getAllDevices();
    ASSERT_EQ(before.size(), 2u);

    registry.initDeviceMap();
    registry.initDeviceMap();
    // The readers see the same map, with the same board objects.
    EXPECT_EQ(registry.getAllDevices(), before);
    EXPECT_EQ(openDescriptors("kelo3100_0"), 1u);
    EXPECT_EQ(openDescriptors("keloe6100_0"), 1u);
    EXPECT_EQ(DeviceInterface::device_count.load(), 2);
    expectEveryBoardOnItsOwnNode(before);
    const std::string ignored =
        "The device map is already built; initDeviceMap() is ignored (the registry never rescans)";
    EXPECT_EQ(discoveryLog("WARNING"), (std::vector<std::string>{ignored, ignored}));
}

TEST(RegistryDescriptors, ABoardKeptAfterItsRegistryReachesNoOtherNode) {
    std::shared_ptr<DeviceInterface> kept;
    {
        DeviceDiscoverySingleton registry("/dev/");
        kept = registry.getDeviceFromID("kelo3100_0");
    }
    EXPECT_EQ(openDescriptors("kelo3100_0"), 0u);
    // Later opens take the freed numbers.
    corvane_sim_test::SimNode other("keloe6100_0");
    corvane_sim_test::SimNode another("keloe6100_0");
    ASSERT_TRUE(other.isOpen() && another.isOpen());
    corvane_sim_trace_clear();

    DigitalIOInterface* io = kept->digitalIo();
    const std::vector<std::pair<const char*, std::function<void()>>> calls = {
        {"IoctlSetDigitalOutputs", [&] { io->writeAllDigitalOutput(0xFFFF, true); }},
        {"IoctlGetDigitalInputs", [&] { io->readAllDigitalInput(); }},
        {"IoctlGetDigitalOutputsStatus", [&] { io->getDigitalOutputStatus(); }},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.first);
        const CorvaneException e = raised(call.second);
        EXPECT_EQ(e.getCode(), 0x86000E03u);
        EXPECT_THAT(e.getMessage(), StartsWith(std::string("Error happened with IOCTL ") + call.first + ". "));
        EXPECT_THAT(e.getMessage(), HasSubstr("File Descriptor is invalid"));
    }
    // Nothing reached any driver.
    EXPECT_TRUE(simTrace().empty());
    EXPECT_EQ(outputsOf("keloe6100_0"), 0u);
    kept.reset();
    EXPECT_EQ(openDescriptors("keloe6100_0"), 2u);
}

TEST(RegistryDescriptors, ASecondScanLeavesTheDescriptorsOfLiveBoardsOpen) {
    KELO3100Discovery discovery;
    ASSERT_TRUE(discovery.discoverDevices());
    std::shared_ptr<DeviceInterface> board =
        discovery.createCardFromHandle(discovery.getDeviceHandles().at(0));
    ASSERT_TRUE(discovery.discoverDevices());
    // The board keeps the first scan's descriptor; the second scan opened its own.
    EXPECT_EQ(openDescriptors("kelo3100_0"), 2u);
    EXPECT_NE(discovery.getDeviceHandles().at(0), board->getHandle());
    corvane_sim_test::SimNode other("keloe6100_0");
    expectEveryBoardOnItsOwnNode({{"kelo3100_0", board}});

    // The first descriptor closes with the last board holding it, the second with the
    // discoverer.
    board.reset();
    EXPECT_EQ(openDescriptors("kelo3100_0"), 1u);
    ASSERT_TRUE(discovery.discoverDevices());
    EXPECT_EQ(openDescriptors("kelo3100_0"), 1u);
}

TEST(RegistryDescriptors, AnInterruptThreadEndsWhenItsDescriptorIsClosed) {
    std::remove(logPath("velmor").c_str());
    std::shared_ptr<DeviceInterface> kept;
    std::atomic<int> delivered{0};
    {
        DeviceDiscoverySingleton registry("/dev/");
        kept = registry.getDeviceFromID("keloe6100_0");
        InterruptInterface* interrupts = kept->interrupt();
        interrupts->setDeviceInterruptCallback(
            [&](const VelmorDeviceStruct&, const InterruptData&) { ++delivered; });
        interrupts->enableDeviceInterrupts();
        ASSERT_TRUE(interrupts->isInterruptActive());
    }
    // The thread, waiting on the descriptor, ends with a logged failure.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (kept->interrupt()->isInterruptActive() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_FALSE(kept->interrupt()->isInterruptActive());
    const auto errors = logMessages("velmor", "ERROR");
    const auto ended = std::count_if(errors.begin(), errors.end(), [](const std::string& line) {
        return line.rfind("Interrupt thread ended after a failure: ", 0) == 0 &&
               line.find("File Descriptor is invalid") != std::string::npos;
    });
    EXPECT_EQ(ended, 1);

    // An interrupt of the node that now holds the number never reaches the kept board.
    corvane_sim_test::SimNode other("kelo3100_0");
    InterruptData data{};
    data.interrupt_source = 7;
    ASSERT_GT(corvane_sim_queue_interrupt("kelo3100_0", &data), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(corvane_sim_pending_interrupts("kelo3100_0"), 1);
    EXPECT_EQ(delivered.load(), 0);
    kept->interrupt()->disableDeviceInterrupts();
}

}  // namespace
