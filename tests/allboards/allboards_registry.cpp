// One board of every model, found by the registry: identifier order, the class built for
// each node, the capabilities each model offers, the device-type selection, and a driver
// operation of each channel-less or port model through the C interface.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Corvane.h"
#include "DeviceDiscovery.h"
#include "DeviceDiscoverySingleton.h"
#include "IoctlCommands.h"
#include "KELO3100.h"
#include "KELO42XX.h"
#include "KELOE5100.h"
#include "KELOE6100.h"
#include "KELOX7100.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;

namespace {

// The set configured in allboards.cmake, in identifier order.
const std::vector<std::string> kIds = {"kelo3100_2",  "kelo4210_0",  "kelo4220_3",
                                       "keloe5100_0", "keloe6100_4", "keloe7100_1"};

std::vector<std::string> keysOf(const std::map<std::string, std::shared_ptr<DeviceInterface>>& map) {
    std::vector<std::string> keys;
    for (const auto& entry : map) keys.push_back(entry.first);
    return keys;
}

TEST(AllBoardsRegistry, EveryModelIsFoundInIdentifierOrderAsItsOwnClass) {
    auto& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    EXPECT_EQ(registry.getDevicesId(), kIds);
    EXPECT_EQ(registry.getNumberOfDevices(), kIds.size());

    EXPECT_NE(dynamic_cast<KELO3100*>(registry.getDeviceFromID("kelo3100_2").get()), nullptr);
    EXPECT_NE(dynamic_cast<KELO42XX*>(registry.getDeviceFromID("kelo4210_0").get()), nullptr);
    EXPECT_NE(dynamic_cast<KELO42XX*>(registry.getDeviceFromID("kelo4220_3").get()), nullptr);
    EXPECT_NE(dynamic_cast<KELOE5100*>(registry.getDeviceFromID("keloe5100_0").get()), nullptr);
    EXPECT_NE(dynamic_cast<KELOE6100*>(registry.getDeviceFromID("keloe6100_4").get()), nullptr);
    EXPECT_NE(dynamic_cast<KELOX7100*>(registry.getDeviceFromID("keloe7100_1").get()), nullptr);

    const std::vector<VelmorDeviceStruct> all = registry.getAllDevicesInformation();
    ASSERT_EQ(all.size(), kIds.size());
    for (size_t i = 0; i < all.size(); ++i) EXPECT_EQ(std::string(all[i].id), kIds[i]);
    EXPECT_EQ(all[1].functions.digital.number_of_ports, 12);
    EXPECT_EQ(all[2].functions.digital.number_of_ports, 6);
    EXPECT_EQ(all[3].functions.timer.number_timers, 1);
    EXPECT_EQ(all[5].functions.watchdog.max_reload_value[1], 4095);
}

TEST(AllBoardsRegistry, DeviceDiscoveryHandsOutTheSameBoardsInTheSameOrder) {
    const auto devices = DeviceDiscovery::getDevices();
    ASSERT_EQ(devices.size(), kIds.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(std::string(devices[i]->getDeviceInformation().id), kIds[i]);
        EXPECT_EQ(devices[i], DeviceDiscovery::getDeviceFromId(kIds[i]));
    }
}

TEST(AllBoardsRegistry, EachModelOffersItsOwnCapabilities) {
    struct Expected {
        const char* id;
        bool digital, ports, timer, counter, watchdog, interrupt;
    };
    const Expected table[] = {
        {"kelo3100_2", true, false, true, true, true, true},
        {"kelo4210_0", false, true, false, false, false, false},
        {"kelo4220_3", false, true, false, false, false, false},
        {"keloe5100_0", true, false, true, false, false, true},
        {"keloe6100_4", true, false, true, true, true, true},
        {"keloe7100_1", true, false, false, false, true, true},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.id);
        std::shared_ptr<Device> d = DeviceDiscovery::getDeviceFromId(e.id);
        EXPECT_EQ(d->digitalIo() != nullptr, e.digital);
        EXPECT_EQ(d->digitalIoPorts() != nullptr, e.ports);
        EXPECT_EQ(d->timer() != nullptr, e.timer);
        EXPECT_EQ(d->counter() != nullptr, e.counter);
        EXPECT_EQ(d->watchdog() != nullptr, e.watchdog);
        EXPECT_EQ(d->interrupt() != nullptr, e.interrupt);
    }
}

TEST(AllBoardsRegistry, SelectionByDeviceTypeSeesThePortBoardsAsPci) {
    auto& registry = DeviceDiscoverySingleton::getInstance("/dev/");
    // kelo4210 is configured as a PCI Express board; the port boards still report PCI.
    EXPECT_EQ(keysOf(registry.getAllDevices("", VELMOR_DEVICE_PCIE)),
              (std::vector<std::string>{"keloe5100_0", "keloe6100_4", "keloe7100_1"}));
    EXPECT_EQ(keysOf(registry.getAllDevices("42", VELMOR_DEVICE_PCI)),
              (std::vector<std::string>{"kelo4210_0", "kelo4220_3"}));
    EXPECT_TRUE(registry.getAllDevices("42", VELMOR_DEVICE_PCIE).empty());
}

TEST(AllBoardsRegistry, TheCInterfaceDrivesTheInputOutputAndPortModels) {
    DeviceDiscoverySingleton::getInstance("/dev/");
    ASSERT_EQ(corvane_sim_set_inputs("keloe5100_0", 0x0000BEEFu), 0);
    uint32_t word = 0;
    EXPECT_EQ(VelmorReadAllDigitalInputs("keloe5100_0", &word), 0u);
    EXPECT_EQ(word, 0x0000BEEFu);
    EXPECT_EQ(VelmorGetDigitalOutputsStatus("keloe5100_0", &word), 0x82001D05u);

    EXPECT_EQ(VelmorWriteAllDigitalOutputs("keloe7100_1", 0x00FF00FFu, 1), 0u);
    uint32_t outputs = 0;
    ASSERT_EQ(corvane_sim_get_outputs("keloe7100_0", &outputs), 0);
    EXPECT_EQ(outputs, 0x00FF00FFu);
    EXPECT_EQ(VelmorReadAllDigitalInputs("keloe7100_1", &word), 0x82000105u);

    simClearTrace();
    EXPECT_EQ(VelmorWriteSingleDigitalOutputOnPort("kelo4220_3", 7, 1, 5), 0u);
    const auto calls = simTrace("kelo4220_0");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, IoctlSetDigitalOutputsOnPort);
    EXPECT_EQ(calls[0].sent, (std::vector<uint8_t>{5, 0x80, 1, 1}));
    uint8_t value = 0;
    EXPECT_EQ(VelmorReadAllDigitalInputsFromPort("kelo4220_3", 6, &value), 0x82002E10u);
    EXPECT_EQ(VelmorReadAllDigitalInputsFromPort("kelo4210_0", 11, &value), 0u);
}

}  // namespace
