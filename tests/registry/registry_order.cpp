// Boards: node keloe6100_0 with bus number 1, kelo6100_3 with number 3, node keloe6100_1
// with number 0 (see registry.cmake).
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceDiscovery.h"
#include "DeviceDiscoverySingleton.h"
#include "DigitalIOInterface.h"
#include "RegistrySupport.h"

using namespace velmor::corvane;
using namespace registry_test;

namespace {

const std::vector<std::string> kSorted = {"kelo6100_3", "keloe6100_0", "keloe6100_1"};

TEST(RegistryOrder, IdentifiersAreSortedWhateverTheNodeOrder) {
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getDevicesId(), kSorted);
    EXPECT_EQ(registry.getNumberOfDevices(), 3);
    const auto informations = registry.getAllDevicesInformation();
    ASSERT_EQ(informations.size(), 3u);
    for (size_t i = 0; i < informations.size(); ++i) {
        EXPECT_EQ(std::string(informations[i].id), kSorted[i]);
    }
    // The identifier comes from the bus number, not from the node name.
    EXPECT_EQ(nodeOf(registry.getDeviceFromID("keloe6100_0")->getHandle()), "keloe6100_1");
    EXPECT_EQ(nodeOf(registry.getDeviceFromID("keloe6100_1")->getHandle()), "keloe6100_0");

    const auto devices = DeviceDiscovery::getDevices();
    ASSERT_EQ(devices.size(), 3u);
    for (size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(std::string(devices[i]->getDeviceInformation().id), kSorted[i]);
    }
    for (const std::string& node : allNodes()) {
        EXPECT_EQ(openDescriptors(node), 1u) << node;
    }
}

TEST(RegistryOrder, TheFirstCallBuildsWithAnyPathAndLaterCallsReturnTheSameRegistry) {
    DeviceDiscoverySingleton& first = DeviceDiscoverySingleton::getInstance("/somewhere/else/");
    EXPECT_EQ(first.getDevicesId(), kSorted);  // "/dev/" was scanned all the same
    EXPECT_EQ(first.getDevicePath(), "/somewhere/else/");
    DeviceDiscoverySingleton& second = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.getDevicePath(), "/somewhere/else/");
    second.setDevicePath("/dev/");
    EXPECT_EQ(second.getDevicePath(), "/dev/");
    EXPECT_EQ(second.getNumberOfDevices(), 3);  // nothing rescanned
    EXPECT_EQ(DeviceInterface::device_count.load(), 3);
}

TEST(RegistryOrder, LookupsMatchExactly) {
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    const auto board = registry.getDeviceFromID("kelo6100_3");
    EXPECT_EQ(board, registry.getAllDevices().at("kelo6100_3"));
    EXPECT_EQ(std::static_pointer_cast<Device>(board), DeviceDiscovery::getDeviceFromId("kelo6100_3"));
    for (const std::string id : {"kelo6100_3 ", " kelo6100_3", "KELO6100_3", "kelo6100", "kelo6100_", ""}) {
        const CorvaneException e = raised([&] { registry.getDeviceFromID(id); });
        EXPECT_EQ(e.getCode(), 0x80002810u) << id;
        EXPECT_EQ(e.getMessage(), "map::at");
        EXPECT_EQ(raised([&] { DeviceDiscovery::getDeviceFromId(id); }).getCode(), 0x80002810u);
    }
}

TEST(RegistryOrder, TypedSelectionMatchesTheTextAnywhereAndTheDeviceType) {
    DeviceDiscoverySingleton& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    auto idsOf = [](const std::map<std::string, std::shared_ptr<DeviceInterface>>& map) {
        std::vector<std::string> ids;
        for (const auto& entry : map) ids.push_back(entry.first);
        return ids;
    };
    EXPECT_EQ(idsOf(registry.getAllDevices("6100", VELMOR_DEVICE_PCIE)),
              (std::vector<std::string>{"keloe6100_0", "keloe6100_1"}));
    EXPECT_EQ(idsOf(registry.getAllDevices("6100", VELMOR_DEVICE_PCI)),
              (std::vector<std::string>{"kelo6100_3"}));
    EXPECT_EQ(idsOf(registry.getAllDevices("", VELMOR_DEVICE_PCIE)),
              (std::vector<std::string>{"keloe6100_0", "keloe6100_1"}));
    EXPECT_EQ(idsOf(registry.getAllDevices("_1", VELMOR_DEVICE_PCIE)),
              (std::vector<std::string>{"keloe6100_1"}));
    EXPECT_EQ(idsOf(registry.getAllDevices("0_", VELMOR_DEVICE_PCI)),
              (std::vector<std::string>{"kelo6100_3"}));
    EXPECT_TRUE(registry.getAllDevices("keloe", VELMOR_DEVICE_PCI).empty());
    EXPECT_TRUE(registry.getAllDevices("6100_9", VELMOR_DEVICE_PCIE).empty());
    // The selection shares the registry's boards.
    EXPECT_EQ(registry.getAllDevices("_3", VELMOR_DEVICE_PCI).at("kelo6100_3"),
              registry.getDeviceFromID("kelo6100_3"));
}

TEST(RegistryOrder, BoardsFromTheRegistryDriveTheSimulatedBoards) {
    auto board = DeviceDiscovery::getDeviceFromId("keloe6100_0");
    ASSERT_NE(board->digitalIo(), nullptr);
    board->digitalIo()->writeSingleDigitalOutput(7, true);
    uint32_t outputs = 0;
    ASSERT_EQ(corvane_sim_get_outputs("keloe6100_1", &outputs), 0);
    EXPECT_EQ(outputs, 0x80u);
}

TEST(RegistryOrder, DestructionClosesTheDescriptorsBeforeReleasingTheBoards) {
    std::shared_ptr<DeviceInterface> kept;
    {
        DeviceDiscoverySingleton local("/dev/");
        EXPECT_EQ(local.getDevicesId(), kSorted);
        kept = local.getDeviceFromID("keloe6100_1");
        EXPECT_EQ(DeviceInterface::device_count.load(), 3);
    }
    for (const std::string& node : allNodes()) {
        EXPECT_EQ(openDescriptors(node), 0u) << node;
    }
    // Only the board still held survives, and its descriptor is gone.
    EXPECT_EQ(DeviceInterface::device_count.load(), 1);
    auto* digital = kept->digitalIo();
    ASSERT_NE(digital, nullptr);
    EXPECT_EQ(raised([&] { digital->readAllDigitalInput(); }).getCode(), 0x86000E03u);
    kept.reset();
    EXPECT_EQ(DeviceInterface::device_count.load(), 0);
}

TEST(RegistryOrder, TheDefaultRegistryIsEmptyAndScansNothing) {
    DeviceDiscoverySingleton empty;
    EXPECT_EQ(empty.getNumberOfDevices(), 0);
    EXPECT_TRUE(empty.getDevicesId().empty());
    EXPECT_TRUE(empty.getAllDevicesInformation().empty());
    EXPECT_TRUE(empty.getAllDevices().empty());
    EXPECT_EQ(empty.getDevicePath(), "");
    for (const std::string& node : allNodes()) {
        EXPECT_EQ(openDescriptors(node), 0u) << node;
    }
    EXPECT_EQ(raised([&] { empty.getDeviceFromID("keloe6100_0"); }).getCode(), 0x80002810u);
}

}  // namespace
