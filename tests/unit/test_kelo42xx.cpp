// KELO42XX against the board simulator: the model taken from the driver's product name,
// port checks in their order, the unchecked whole-port write, and the exact bytes of every
// record sent.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BoardTestSupport.h"
#include "CorvaneException.h"
#include "IoctlCommands.h"
#include "KELO42XX.h"
#include "KELO42XXDiscovery.h"
#include "KELO42XXTables.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using namespace corvane_board_test;

namespace {

class Kelo42xxTest : public SimBoardTest<KELO42XX> {
protected:
    void SetUp() override { start("kelo4210:number=1"); }
};

void expectDigital(const DigitalInformations& d, int channels, int ports) {
    EXPECT_EQ(d.number_inputs, channels);
    EXPECT_EQ(d.number_outputs, channels);
    EXPECT_EQ(d.number_of_ports, ports);
    EXPECT_EQ(d.interrupt_mask, 0u);
}

std::vector<uint8_t> portWrite(uint8_t port, uint8_t mask, uint8_t memory, uint8_t state) {
    return {port, mask, memory, state};
}

// ---- Tables, start-up, models -----------------------------------------------------------

TEST(Kelo42xxTables, DefaultTablesDescribeThe96ChannelModel) {
    using namespace n_KELO_42xx;
    expectDigital(kelo42xx_digital_info, 96, 12);
    EXPECT_EQ(bytesOf(kelo42xx_general_info), std::vector<uint8_t>(sizeof(VelmorGeneralInformations), 0));
    EXPECT_EQ(bytesOf(kelo42xx_functions.digital), bytesOf(kelo42xx_digital_info));
    EXPECT_EQ(bytesOf(kelo42xx_functions.timer), std::vector<uint8_t>(sizeof(TimerInformations), 0));
    EXPECT_EQ(bytesOf(kelo42xx_functions.watchdog), std::vector<uint8_t>(sizeof(WatchdogInformations), 0));
    EXPECT_EQ(bytesOf(kelo42xx_functions.counter), std::vector<uint8_t>(sizeof(CounterInformations), 0));
    EXPECT_STREQ(kelo42xx_default_infos.id, "id_not_filled");
    EXPECT_EQ(bytesOf(kelo42xx_default_infos.bus), std::vector<uint8_t>(sizeof(VelmorPCIBusInformations), 0));
    EXPECT_EQ(bytesOf(kelo42xx_default_infos.functions), bytesOf(kelo42xx_functions));
}

TEST_F(Kelo42xxTest, The96ChannelModelStartsWithOneInformationRequest) {
    start("kelo4210:number=1:custom=Rack%203:firmware=P-96");
    simClearTrace();
    KELO42XX second(nodeHandle->fd());
    const auto calls = simTrace();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, IoctlGetDeviceInformations);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>(2840, 0));

    const VelmorDeviceStruct info = second.getDeviceInformation();
    EXPECT_STREQ(info.id, "kelo4210_1");
    EXPECT_STREQ(info.general.product_name, "kelo4210");
    EXPECT_STREQ(info.general.firmware_version, "P-96");
    EXPECT_EQ(std::wstring(info.general.custom_id), L"Rack 3");
    EXPECT_EQ(info.general.device_type, 0u);
    EXPECT_EQ(info.bus.number, 1u);
    EXPECT_EQ(info.bus.device_id, 0x4210);
    expectDigital(info.functions.digital, 96, 12);
}

TEST_F(Kelo42xxTest, TheModelFollowsTheReportedProductNameNotTheNode) {
    start("kelo4220:number=4");
    EXPECT_STREQ(board->getDeviceInformation().id, "kelo4220_4");
    expectDigital(board->getDeviceInformation().functions.digital, 48, 6);

    start("kelo4210:product=kelo4220");
    EXPECT_STREQ(board->getDeviceInformation().id, "kelo4220_0");
    expectDigital(board->getDeviceInformation().functions.digital, 48, 6);

    start("kelo4220:product=kelo4210:number=9");
    EXPECT_STREQ(board->getDeviceInformation().id, "kelo4210_9");
    expectDigital(board->getDeviceInformation().functions.digital, 96, 12);

    // Only the exact name selects the big model.
    start("kelo4210:product=kelo42100");
    expectDigital(board->getDeviceInformation().functions.digital, 48, 6);
    start("kelo4210:product=");
    EXPECT_STREQ(board->getDeviceInformation().general.product_name, "");
    EXPECT_STREQ(board->getDeviceInformation().id, "_0");
    expectDigital(board->getDeviceInformation().functions.digital, 48, 6);
}

TEST_F(Kelo42xxTest, DeviceTypeIsAlwaysPci) {
    start("kelo4210:pcie=1");
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_EQ(info.bus.is_pcie, 1);
    EXPECT_EQ(info.general.device_type, 0u);
}

TEST_F(Kelo42xxTest, AnUnterminatedProductNameIsCutInsideItsFieldAndTheIdentifier) {
    const std::string longName(256, 'p');
    start("kelo4210:number=12:product=" + longName);
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_EQ(std::string(info.general.product_name), longName.substr(0, 255));
    EXPECT_EQ(std::string(info.general.firmware_version), "SIM-KELO4210-1.0");
    EXPECT_EQ(strnlen(info.id, sizeof info.id), 255u);
    EXPECT_EQ(std::string(info.id), longName.substr(0, 255));
}

TEST_F(Kelo42xxTest, ADriverFailureAtStartPassesUnchanged) {
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDeviceInformations, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([&] { KELO42XX second(nodeHandle->fd()); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlGetDeviceInformations"), std::string::npos);
}

TEST_F(Kelo42xxTest, OffersPortsOnly) {
    EXPECT_NE(board->digitalIoPorts(), nullptr);
    EXPECT_EQ(board->digitalIo(), nullptr);
    EXPECT_EQ(board->interrupt(), nullptr);
    EXPECT_EQ(board->timer(), nullptr);
    EXPECT_EQ(board->counter(), nullptr);
    EXPECT_EQ(board->watchdog(), nullptr);
}

TEST_F(Kelo42xxTest, TheDiscovererClaimsBothPrefixesAndBuildsThisBoard) {
    start("kelo4220:number=2,keloe6100,kelo4210:number=5");
    KELO42XXDiscovery discovery;
    ASSERT_TRUE(discovery.discoverDevices());
    const auto handles = discovery.getDeviceHandles();
    ASSERT_EQ(handles.size(), 2u);
    std::vector<std::string> ids;
    for (const auto& entry : handles) {
        std::shared_ptr<DeviceInterface> card = discovery.createCardFromHandle(entry.second);
        ASSERT_NE(dynamic_cast<KELO42XX*>(card.get()), nullptr);
        ids.push_back(card->getDeviceInformation().id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"kelo4210_5", "kelo4220_2"}));
}

// ---- Interrupts and output memory ---------------------------------------------------------

TEST_F(Kelo42xxTest, InterruptsAreAlwaysRefused) {
    EXPECT_REFUSED(board->enableDigitalInterrupt(), 0x82000505u, "KELO42XX does not support interrupts");
    EXPECT_REFUSED(board->disableDigitalInterrupt(), 0x82002705u, "KELO42XX does not support interrupts");
}

// ---- Directions ---------------------------------------------------------------------------

TEST_F(Kelo42xxTest, DirectionsAreSentUncheckedAndReadAs16Bits) {
    board->setAllDigitalPortsDirections(0xFFFF0A05u);
    const auto set = callsOf(IoctlSetAllDigitalPortsDirections);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].sent, bytesOf<uint32_t>(0xFFFF0A05u));
    // The driver keeps the bits of its 12 ports.
    EXPECT_EQ(board->getAllDigitalPortDirections(), 0x0A05u);
    const auto get = callsOf(IoctlGetAllPortsConfiguration);
    ASSERT_EQ(get.size(), 1u);
    EXPECT_EQ(get[0].sent, std::vector<uint8_t>(2, 0));
}

// ---- Port reads ---------------------------------------------------------------------------

TEST_F(Kelo42xxTest, PortReadsCheckThePortAndSendTheZeroedRecord) {
    ASSERT_EQ(corvane_sim_set_port_inputs(node.c_str(), 11, 0x5A), 0);
    EXPECT_EQ(board->readAllDigitalInputsFromPort(11), 0x5A);
    board->writeAllDigitalOutputsOnPort(0xC3, 1, 7);
    EXPECT_EQ(board->getDigitalOutputsStatusOnPort(7), 0xC3);
    auto reads = callsOf(IoctlGetAllDigitalInputsFromPort);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].sent, (std::vector<uint8_t>{11, 0}));
    EXPECT_EQ(reads[0].returned, (std::vector<uint8_t>{11, 0x5A}));
    auto status = callsOf(IoctlGetDigitalOutputsStatusOnPort);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].sent, (std::vector<uint8_t>{7, 0}));

    EXPECT_REFUSED(board->readAllDigitalInputsFromPort(12), 0x82002E10u,
                   "Invalid port_number: out of range. Valid is 0 to 11");
    EXPECT_REFUSED(board->getDigitalOutputsStatusOnPort(255), 0x82002E10u,
                   "Invalid port_number: out of range. Valid is 0 to 11");
}

TEST_F(Kelo42xxTest, The48ChannelModelHasSixPorts) {
    start("kelo4220");
    ASSERT_EQ(corvane_sim_set_port_inputs(node.c_str(), 5, 0x81), 0);
    EXPECT_EQ(board->readAllDigitalInputsFromPort(5), 0x81);
    EXPECT_REFUSED(board->readAllDigitalInputsFromPort(6), 0x82002E10u,
                   "Invalid port_number: out of range. Valid is 0 to 5");
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(0, 1, 6), 0x82002E10u,
                   "Invalid port_number: out of range. Valid is 0 to 5");
    const CorvaneException e = raised([&] { board->getDigitalOutputsStatusOnPort(6); });
    // Function 46 has no name of its own.
    EXPECT_NE(std::string(e.what()).find("with function :UNKNOWN_FUNCTION"), std::string::npos) << e.what();
}

// ---- Port writes --------------------------------------------------------------------------

TEST_F(Kelo42xxTest, SingleWriteChecksPortThenChannelThenStateThenMemory) {
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(8, 2, 99), 0x82002E10u,
                   "Invalid port_number: out of range. Valid is 0 to 11");
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(3, 1, 99), 0x82002E10u,
                   "Invalid port_number: out of range. Valid is 0 to 11");
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(8, 2, 0), 0x82001004u,
                   "Invalid channel_in_port: must be 0-7");
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(8, 1, 0), 0x82001004u,
                   "Invalid channel_in_port: must be 0-7");
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(3, 2, 0), 0x82001903u,
                   "Invalid output value: must be 0 or 1");
    board->setOutputMemoryOff();
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(3, 2, 0), 0x82001903u,
                   "Invalid output value: must be 0 or 1");
    EXPECT_REFUSED(board->writeSingleDigitalOutputOnPort(0, 0, 0), 0x82001909u,
                   "Cannot write output to 0 when DigitalOutputMemory is disabled");
}

TEST_F(Kelo42xxTest, SingleWriteSendsTheChannelBitWithOutputMemory) {
    // Output memory is on from construction.
    board->writeSingleDigitalOutputOnPort(7, 1, 2);
    board->writeSingleDigitalOutputOnPort(0, 0, 11);
    board->setOutputMemoryOff();
    board->writeSingleDigitalOutputOnPort(4, 1, 3);
    const auto calls = callsOf(IoctlSetDigitalOutputsOnPort);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].sent, portWrite(2, 0x80, 1, 1));
    EXPECT_EQ(calls[1].sent, portWrite(11, 0x01, 1, 0));
    EXPECT_EQ(calls[2].sent, portWrite(3, 0x10, 0, 1));
    uint8_t outputs = 0;
    ASSERT_EQ(corvane_sim_get_port_outputs(node.c_str(), 2, &outputs), 0);
    EXPECT_EQ(outputs, 0x80);
}

TEST_F(Kelo42xxTest, WholePortWriteChecksOnlyTheState) {
    EXPECT_REFUSED(board->writeAllDigitalOutputsOnPort(0x0F, 2, 0), 0x82001903u,
                   "Invalid output value: must be 0 or 1");
    // With output memory off a switch-off still goes out, with memory 0.
    board->setOutputMemoryOff();
    simClearTrace();
    board->writeAllDigitalOutputsOnPort(0xFF, 0, 0);
    auto calls = simTrace();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, IoctlSetDigitalOutputsOnPort);
    EXPECT_EQ(calls[0].sent, portWrite(0, 0xFF, 0, 0));

    // The port is the driver's business: port 200 reaches it, and its refusal passes unchanged.
    board->setOutputMemoryOn();
    simClearTrace();
    const CorvaneException e = raised([&] { board->writeAllDigitalOutputsOnPort(0x0F, 1, 200); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    calls = callsOf(IoctlSetDigitalOutputsOnPort);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sent, portWrite(200, 0x0F, 1, 1));
}

TEST_F(Kelo42xxTest, WholePortMaskIsBoundedByTheChannelsPerPort) {
    // Eight channels per port on both models: every 8-bit mask passes.
    board->writeAllDigitalOutputsOnPort(0xFF, 1, 1);
    EXPECT_EQ(callsOf(IoctlSetDigitalOutputsOnPort).back().sent, portWrite(1, 0xFF, 1, 1));
    // A structure with four channels per port refuses the upper bits.
    VelmorDeviceStruct info = board->getDeviceInformation();
    info.functions.digital.number_inputs = 48;
    info.functions.digital.number_of_ports = 12;
    board->setDeviceInformation(info);
    EXPECT_REFUSED(board->writeAllDigitalOutputsOnPort(0x10, 1, 1), 0x82001904u,
                   "Invalid output mask: out of range");
    // The state is checked before the mask.
    EXPECT_REFUSED(board->writeAllDigitalOutputsOnPort(0x10, 3, 1), 0x82001903u,
                   "Invalid output value: must be 0 or 1");
    board->writeAllDigitalOutputsOnPort(0x0F, 1, 1);
    EXPECT_EQ(callsOf(IoctlSetDigitalOutputsOnPort).back().sent, portWrite(1, 0x0F, 1, 1));
    // Without ports in the structure no mask bit exists.
    info.functions.digital.number_of_ports = 0;
    board->setDeviceInformation(info);
    EXPECT_REFUSED(board->writeAllDigitalOutputsOnPort(0x01, 1, 1), 0x82001904u,
                   "Invalid output mask: out of range");
}

TEST_F(Kelo42xxTest, TestErrorReportsTheDriversFailure) {
    const CorvaneException e = raised([&] { board->testError(); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlTestError"), std::string::npos);
}

}  // namespace
