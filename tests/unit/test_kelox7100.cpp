// KELOX7100 against the board simulator: refused input operations, output memory, the
// re-coded output status failure, the watchdog limits of both variants and the exact bytes
// of every record sent.
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
#include "KELOX7100.h"
#include "KELOX7100Discovery.h"
#include "KELOX7100Tables.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using namespace corvane_board_test;

namespace {

class Kelox7100Test : public SimBoardTest<KELOX7100> {
protected:
    void SetUp() override { start("keloe7100"); }
};

void expectLimits(const WatchdogInformations& w, const std::vector<uint16_t>& max, const std::vector<uint16_t>& min) {
    EXPECT_EQ(w.number_watchdogs, 1);
    EXPECT_EQ(w.valid_options, 0u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w.max_reload_value[i], max[i]) << "max of time base " << i;
        EXPECT_EQ(w.min_reload_value[i], min[i]) << "min of time base " << i;
    }
}

// ---- Tables, start-up, variants --------------------------------------------------------

TEST(Kelox7100Tables, DefaultTablesHoldTheModelLimits) {
    using namespace n_KELOx_7100;
    EXPECT_EQ(kelox7100_digital_info.number_inputs, 0);
    EXPECT_EQ(kelox7100_digital_info.number_outputs, 32);
    EXPECT_EQ(kelox7100_digital_info.number_of_ports, 1);
    EXPECT_EQ(kelox7100_digital_info.interrupt_mask, 0u);
    expectLimits(kelox7100_watchdog_info, {4095, 4095, 4095, 0}, {1, 1, 1, 0});
    EXPECT_EQ(bytesOf(kelox7100_general_info), std::vector<uint8_t>(sizeof(VelmorGeneralInformations), 0));
    EXPECT_EQ(bytesOf(kelox7100_functions.timer), std::vector<uint8_t>(sizeof(TimerInformations), 0));
    EXPECT_EQ(bytesOf(kelox7100_functions.counter), std::vector<uint8_t>(sizeof(CounterInformations), 0));
    EXPECT_EQ(bytesOf(kelox7100_functions.digital), bytesOf(kelox7100_digital_info));
    EXPECT_EQ(bytesOf(kelox7100_functions.watchdog), bytesOf(kelox7100_watchdog_info));
    EXPECT_STREQ(kelox7100_default_infos.id, "id_not_filled");
    EXPECT_EQ(bytesOf(kelox7100_default_infos.bus), std::vector<uint8_t>(sizeof(VelmorPCIBusInformations), 0));
    EXPECT_EQ(bytesOf(kelox7100_default_infos.functions), bytesOf(kelox7100_functions));
}

TEST_F(Kelox7100Test, ThePciExpressVariantKeepsTheTableLimits) {
    start("keloe7100:custom=Press%20A:firmware=X7-2");
    simClearTrace();
    KELOX7100 second(nodeHandle->fd());
    const auto calls = simTrace();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, IoctlGetDeviceInformations);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>(2840, 0));

    const VelmorDeviceStruct info = second.getDeviceInformation();
    EXPECT_STREQ(info.id, "keloe7100_0");
    EXPECT_STREQ(info.general.product_name, "keloe7100");
    EXPECT_STREQ(info.general.firmware_version, "X7-2");
    EXPECT_EQ(std::wstring(info.general.custom_id), L"Press A");
    EXPECT_EQ(info.general.device_type, 1u);
    EXPECT_EQ(info.bus.device_id, 0x7101);
    expectLimits(info.functions.watchdog, {4095, 4095, 4095, 0}, {1, 1, 1, 0});
    EXPECT_EQ(bytesOf(info.functions.digital), bytesOf(n_KELOx_7100::kelox7100_digital_info));
}

TEST_F(Kelox7100Test, ThePciVariantAcceptsOnlyMillisecondsFrom20To5100) {
    start("kelo7100:number=5");
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_STREQ(info.id, "kelo7100_5");
    EXPECT_STREQ(info.general.product_name, "kelo7100");
    EXPECT_EQ(info.general.device_type, 0u);
    expectLimits(info.functions.watchdog, {0, 5100, 0, 0}, {0, 20, 0, 0});

    EXPECT_REFUSED(board->initWatchdog(0, MILLISECOND, 19, 0xFF), 0x84001203u,
                   "Invalid reload value. Value should be between [20; 5100] for this timebase.");
    EXPECT_REFUSED(board->initWatchdog(0, MILLISECOND, 5101, 0), 0x84001203u,
                   "Invalid reload value. Value should be between [20; 5100] for this timebase.");
    EXPECT_REFUSED(board->initWatchdog(0, SECOND, 1, 0), 0x84001203u,
                   "Invalid reload value. Value should be between [0; 0] for this timebase.");
    board->initWatchdog(0, MILLISECOND, 20, 0xFF);
    board->initWatchdog(0, MILLISECOND, 5100, 0);
    board->initWatchdog(0, MICROSECOND, 0, 0);
    const auto calls = callsOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].sent, initRecord(MILLISECOND, 2, 20, 0));
    EXPECT_EQ(calls[1].sent, initRecord(MILLISECOND, 2, 5100, 0));
    EXPECT_EQ(calls[2].sent, initRecord(MICROSECOND, 2, 0, 0));
}

TEST_F(Kelox7100Test, ADriverFailureAtStartPassesUnchanged) {
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDeviceInformations, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([&] { KELOX7100 second(nodeHandle->fd()); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlGetDeviceInformations"), std::string::npos);
}

TEST_F(Kelox7100Test, OffersDigitalWatchdogAndInterruptsOnly) {
    EXPECT_NE(board->digitalIo(), nullptr);
    EXPECT_NE(board->watchdog(), nullptr);
    EXPECT_NE(board->interrupt(), nullptr);
    EXPECT_EQ(board->timer(), nullptr);
    EXPECT_EQ(board->counter(), nullptr);
    EXPECT_EQ(board->digitalIoPorts(), nullptr);
}

TEST_F(Kelox7100Test, TheDiscovererClaimsBothPrefixesAndBuildsThisBoard) {
    start("kelo7100:number=1,keloe5100,keloe7100:number=3");
    KELOX7100Discovery discovery;
    ASSERT_TRUE(discovery.discoverDevices());
    const auto handles = discovery.getDeviceHandles();
    ASSERT_EQ(handles.size(), 2u);
    std::vector<std::string> ids;
    for (const auto& entry : handles) {
        std::shared_ptr<DeviceInterface> card = discovery.createCardFromHandle(entry.second);
        ASSERT_NE(dynamic_cast<KELOX7100*>(card.get()), nullptr);
        ids.push_back(card->getDeviceInformation().id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"kelo7100_1", "keloe7100_3"}));
}

// ---- Digital I/O -----------------------------------------------------------------------

TEST_F(Kelox7100Test, InputOperationsAreAlwaysRefused) {
    const char* message = "KELOX7100 does not support digital input";
    EXPECT_REFUSED(board->readAllDigitalInput(), 0x82000105u, message);
    EXPECT_REFUSED(board->readSingleDigitalInput(0), 0x82000105u, message);
    EXPECT_REFUSED(board->setInterruptEventForInputs(0x1, RISING_EDGE), 0x82001A05u, message);
    EXPECT_REFUSED(board->setInterruptEventForOneInput(0, RISING_EDGE), 0x82001A05u, message);
    EXPECT_REFUSED(board->setInterruptLogicForPort(0, OR), 0x82001B05u, message);
}

TEST_F(Kelox7100Test, OutputMemoryStartsOffSoOnlySwitchingOnIsAllowed) {
    board->writeAllDigitalOutput(0xFFFFFFFFu, true);
    EXPECT_EQ(callsOf(IoctlSetDigitalOutputs).back().sent, outputsRecord(0xFFFFFFFFu, 0, 1));
    EXPECT_REFUSED(board->writeAllDigitalOutput(0, false), 0x82001909u,
                   "Cannot write output to 0 when DigitalOutputMemory is disabled");
    EXPECT_REFUSED(board->writeSingleDigitalOutput(3, false), 0x82001909u,
                   "Cannot write output to 0 when DigitalOutputMemory is disabled");
    board->setOutputMemoryOn();
    EXPECT_EQ(corvane_sim_trace_count(), 0u);  // the memory flag itself sends nothing
    board->writeAllDigitalOutput(0, false);
    board->writeSingleDigitalOutput(3, false);
    const auto calls = callsOf(IoctlSetDigitalOutputs);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, outputsRecord(0, 1, 0));
    EXPECT_EQ(calls[1].sent, outputsRecord(0x8, 1, 0));
    uint32_t outputs = 0;
    ASSERT_EQ(corvane_sim_get_outputs(node.c_str(), &outputs), 0);
    EXPECT_EQ(outputs, 0xFFFFFFF7u);  // the empty mask switched nothing off, channel 3 went off
}

TEST_F(Kelox7100Test, SingleOutputChecksTheChannelFirst) {
    board->writeSingleDigitalOutput(31, true);
    board->writeSingleDigitalOutput(0, true);
    const auto calls = callsOf(IoctlSetDigitalOutputs);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, outputsRecord(0x80000000u, 0, 1));
    EXPECT_EQ(calls[1].sent, outputsRecord(0x1, 0, 1));
    EXPECT_REFUSED(board->writeSingleDigitalOutput(32, true), 0x82001004u,
                   "Wrong channel range. Valid is from 0 to 31.");
    // Channel before output memory.
    EXPECT_REFUSED(board->writeSingleDigitalOutput(40, false), 0x82001004u,
                   "Wrong channel range. Valid is from 0 to 31.");
}

TEST_F(Kelox7100Test, AllOutputsMaskIsBoundedByTheOutputCount) {
    editInformation([](VelmorDeviceStruct& i) { i.functions.digital.number_outputs = 8; });
    EXPECT_REFUSED(board->writeAllDigitalOutput(0x100, true), 0x82001904u, "Invalid output mask: out of range");
    // Output memory is checked before the mask.
    EXPECT_REFUSED(board->writeAllDigitalOutput(0x100, false), 0x82001909u,
                   "Cannot write output to 0 when DigitalOutputMemory is disabled");
    board->writeAllDigitalOutput(0xFF, true);
    EXPECT_EQ(callsOf(IoctlSetDigitalOutputs).back().sent, outputsRecord(0xFF, 0, 1));
}

TEST_F(Kelox7100Test, OutputStatusIsReadAndItsFailureRecoded) {
    board->writeAllDigitalOutput(0x00F0000Fu, true);
    EXPECT_EQ(board->getDigitalOutputStatus(), 0x00F0000Fu);
    const auto calls = callsOf(IoctlGetDigitalOutputsStatus);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>(4, 0));

    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDigitalOutputsStatus, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([&] { board->getDigitalOutputStatus(); });
    EXPECT_EQ(e.getCode(), 0x02001D0Du);
    EXPECT_EQ(CorvaneException::getSource(e.getCode()), 0u);
    // The message is the whole readable text of the transport's failure.
    EXPECT_EQ(e.getMessage().rfind("[CorvaneException] Code: 0x86000f08", 0), 0u) << e.getMessage();
    EXPECT_NE(e.getMessage().find("IoctlGetDigitalOutputsStatus"), std::string::npos);
    EXPECT_EQ(std::string(e.what()).rfind("[CorvaneException] Code: 0x2001d0d [Error got from VELMOR_DRIVER source ", 0), 0u)
        << e.what();
}

TEST_F(Kelox7100Test, OutputInterruptSendsBothFlagsInOrder) {
    board->setOutputInterrupt(true, false);
    board->setOutputInterrupt(false, true);
    const auto calls = callsOf(IoctlSetDigitalOutputInterrupt);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(calls[1].sent, (std::vector<uint8_t>{0, 1}));
    const corvane_sim_board_state state = simState(node);
    EXPECT_EQ(state.output_interrupt[0], 0);
    EXPECT_EQ(state.output_interrupt[1], 1);
}

TEST_F(Kelox7100Test, DigitalInterruptStartAndStopSendOneByte) {
    board->enableDigitalInterrupt();
    board->disableDigitalInterrupt();
    const auto calls = callsOf(IoctlStartStopDigitalInterrupt);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>{1});
    EXPECT_EQ(calls[1].sent, std::vector<uint8_t>{0});
}

// ---- Watchdog ----------------------------------------------------------------------------

TEST_F(Kelox7100Test, EveryWatchdogOperationRefusesIdsOtherThanZeroFirst) {
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    // Id 1 with an invalid time base and reload: the id message comes first.
    EXPECT_REFUSED(board->initWatchdog(1, static_cast<TIMEBASE_UNITS>(9), 0, 0), 0x84001210u,
                   "Invalid watchdog_id for initWatchdog");
    EXPECT_REFUSED(board->startWatchdog(1), 0x84001310u, "Invalid watchdog_id for startWatchdog");
    EXPECT_REFUSED(board->triggerWatchdog(1), 0x84001410u, "Invalid watchdog_id for triggerWatchdog");
    EXPECT_REFUSED(board->stopWatchdog(2), 0x84001610u, "Invalid watchdog_id for stopWatchdog");
    EXPECT_REFUSED(board->readWatchdogValue(255), 0x84001710u, "Invalid watchdog_id for readWatchdogValue");
    EXPECT_REFUSED(board->readWatchdogStatus(1, value, s1, s2, s3), 0x84001810u,
                   "Invalid watchdog_id for readWatchdogStatus");
    EXPECT_REFUSED(board->enableWatchdogInterrupt(1), 0x84000510u,
                   "Invalid watchdog_id for enableWatchdogInterrupt");
    EXPECT_REFUSED(board->disableWatchdogInterrupt(1), 0x84002710u,
                   "Invalid watchdog_id for disableWatchdogInterrupt");
}

TEST_F(Kelox7100Test, InitWatchdogSendsMode2AndDropsEveryOption) {
    board->initWatchdog(0, SECOND, 4095, 0);
    board->initWatchdog(0, MILLISECOND, 100, 0xFFFFFFFFu);
    const auto calls = callsOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, initRecord(SECOND, 2, 4095, 0));
    EXPECT_EQ(calls[1].sent, initRecord(MILLISECOND, 2, 100, 0));
    EXPECT_REFUSED(board->initWatchdog(0, static_cast<TIMEBASE_UNITS>(-1), 1, 0), 0x84001212u,
                   "-1 is not a valid timebase.");
    EXPECT_REFUSED(board->initWatchdog(0, CUSTOM, 1, 0), 0x84001203u,
                   "Invalid reload value. Value should be between [0; 0] for this timebase.");
}

TEST_F(Kelox7100Test, WatchdogIdCheckOfTheDeviceStructureFollowsTheOwnCheck) {
    // With no watchdog in the device structure the shared check refuses id 0.
    editInformation([](VelmorDeviceStruct& i) { i.functions.watchdog.number_watchdogs = 0; });
    EXPECT_REFUSED(board->startWatchdog(0), 0x84001310u, "Invalid watchdog_id: out of range");
    EXPECT_REFUSED(board->startWatchdog(1), 0x84001310u, "Invalid watchdog_id for startWatchdog");
}

TEST_F(Kelox7100Test, StartCarriesTheInterruptFlagStopAndTriggerSendZero) {
    board->enableWatchdogInterrupt(0);
    board->startWatchdog(0);
    board->disableWatchdogInterrupt(0);
    board->startWatchdog(0);
    board->stopWatchdog(0);
    board->triggerWatchdog(0);
    const auto calls = simTrace();
    ASSERT_EQ(calls.size(), 4u);
    for (const auto& c : calls) EXPECT_EQ(c.command, IoctlStartStopTriggerTimerCounterWatchdog);
    EXPECT_EQ(calls[0].sent, (std::vector<uint8_t>{0, 1, 1}));
    EXPECT_EQ(calls[1].sent, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(calls[2].sent, (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(calls[3].sent, (std::vector<uint8_t>{0, 2, 0}));
}

TEST_F(Kelox7100Test, WatchdogReadsSendAZeroedRecordAndPassTheAnswerThrough) {
    ASSERT_EQ(corvane_sim_set_unit_value(node.c_str(), 0, 4000), 0);
    ASSERT_EQ(corvane_sim_set_unit_status(node.c_str(), 0, 0xA1, 0xB2, 0xC3), 0);
    EXPECT_EQ(board->readWatchdogValue(0), 4000u);
    uint32_t value = 0xFFFFFFFFu;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    board->readWatchdogStatus(0, value, s1, s2, s3);
    EXPECT_EQ(s1, 0xA1);
    EXPECT_EQ(s2, 0xB2);
    EXPECT_EQ(s3, 0xC3);
    const auto calls = callsOf(IoctlReadTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, readRecord(0));
    EXPECT_EQ(calls[1].sent, readRecord(1));
    EXPECT_EQ(value, calls[1].returnedAs<IoctlReadTimerCounterWatchdogStruct>().value);
}

TEST_F(Kelox7100Test, WatchdogDriverFailuresPassUnchanged) {
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlInitTimerCounterWatchdog, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([&] { board->initWatchdog(0, MILLISECOND, 10, 0); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlInitTimerCounterWatchdog"), std::string::npos);
}

// ---- Interrupts --------------------------------------------------------------------------

TEST_F(Kelox7100Test, DisablingDeviceInterruptsClearsTheWatchdogFlag) {
    board->enableWatchdogInterrupt(0);
    board->enableDeviceInterrupts();
    EXPECT_TRUE(board->isInterruptActive());
    EXPECT_EQ(callsOf(IoctlEnableInterrupts).size(), 1u);
    simClearTrace();
    board->disableDeviceInterrupts();
    EXPECT_FALSE(board->isInterruptActive());
    EXPECT_EQ(corvane_sim_trace_count(), 0u);  // no digital part on this board
    board->startWatchdog(0);
    EXPECT_EQ(simTrace().back().sent, (std::vector<uint8_t>{0, 1, 0}));
}

TEST_F(Kelox7100Test, DestroyingTheBoardWithInterruptsEnabledStopsTheThread) {
    board->enableDeviceInterrupts();
    ASSERT_TRUE(board->isInterruptActive());
    board.reset();  // must return, with the thread joined
    SUCCEED();
}

TEST_F(Kelox7100Test, TestErrorReportsTheDriversFailure) {
    const CorvaneException e = raised([&] { board->testError(); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlTestError"), std::string::npos);
}

}  // namespace
