// Boards as for registry_order. Concurrent first calls build the registry once.
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceDiscoverySingleton.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

TEST(RegistryConcurrency, ConcurrentFirstCallsBuildOneRegistry) {
    constexpr int kThreads = 8;
    std::vector<DeviceDiscoverySingleton*> seen(kThreads, nullptr);
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([i, &seen] {
            DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
            seen[i] = &registry;
            // Readers take no lock: the map never changes after construction.
            for (int n = 0; n < 50; ++n) {
                EXPECT_EQ(registry.getNumberOfDevices(), 3);
                EXPECT_EQ(registry.getAllDevicesInformation().size(), 3u);
                EXPECT_EQ(registry.getAllDevices("6100", VELMOR_DEVICE_PCIE).size(), 2u);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (DeviceDiscoverySingleton* registry : seen) {
        EXPECT_EQ(registry, seen[0]);
    }
    EXPECT_EQ(DeviceInterface::device_count.load(), 3);
    for (const std::string& node : allNodes()) {
        EXPECT_EQ(openDescriptors(node), 1u) << node;
    }
}

}  // namespace
