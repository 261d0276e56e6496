// Every descriptor that discovery opens is closed exactly once: by its discoverer, never
// by a board. Linked with --wrap=close, so every close() of the library and of this test
// passes through the counter below.
#include <unistd.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceDiscoverySingleton.h"
#include "IoctlCommands.h"
#include "KELOE6100Discovery.h"
#include "RegistrySupport.h"

extern "C" int __real_close(int fd);

namespace {

std::mutex closedMutex;
std::vector<std::string> closedNodes;  // node of every simulated descriptor closed

}  // namespace

extern "C" int __wrap_close(int fd) {
    char node[64] = {0};
    if (corvane_sim_is_simulated(fd, node, sizeof node) == 1) {
        std::lock_guard<std::mutex> lock(closedMutex);
        closedNodes.push_back(node);
    }
    return __real_close(fd);
}

using namespace velmor::corvane;
using namespace registry_test;

namespace {

std::map<std::string, int> closesPerNode() {
    std::lock_guard<std::mutex> lock(closedMutex);
    std::map<std::string, int> counts;
    for (const std::string& node : closedNodes) {
        ++counts[node];
    }
    closedNodes.clear();
    return counts;
}

const std::map<std::string, int> kEachOnce = {{"kelo6100_0", 1}, {"keloe6100_0", 1}};

TEST(DiscoveryClose, ADiscovererClosesEachOfItsDescriptorsOnce) {
    closesPerNode();
    {
        KELOE6100Discovery discovery;
        ASSERT_TRUE(discovery.discoverDevices());
        ASSERT_EQ(discovery.getDeviceHandles().size(), 2u);
        EXPECT_TRUE(closesPerNode().empty());
    }
    EXPECT_EQ(closesPerNode(), kEachOnce);
}

TEST(DiscoveryClose, TheRegistryClosesEachDescriptorOnceAndBoardsCloseNone) {
    closesPerNode();
    std::shared_ptr<DeviceInterface> kept;
    {
        DeviceDiscoverySingleton registry("/dev/");
        ASSERT_EQ(registry.getNumberOfDevices(), 2);
        kept = registry.getDeviceFromID("kelo6100_1");
        EXPECT_TRUE(closesPerNode().empty());
    }
    EXPECT_EQ(closesPerNode(), kEachOnce);
    kept.reset();
    EXPECT_TRUE(closesPerNode().empty());
}

TEST(DiscoveryClose, AFailedConstructionClosesEachDescriptorOnce) {
    closesPerNode();
    ASSERT_EQ(corvane_sim_fail("keloe6100_0", IoctlGetDeviceInformations, -1, EIO, 1, nullptr), 0);
    EXPECT_THROW(DeviceDiscoverySingleton registry("/dev/"), CorvaneException);
    EXPECT_EQ(closesPerNode(), kEachOnce);
    EXPECT_EQ(openDescriptors("keloe6100_0"), 0u);
    EXPECT_EQ(openDescriptors("kelo6100_0"), 0u);
    EXPECT_EQ(DeviceInterface::device_count.load(), 0);
}

}  // namespace
