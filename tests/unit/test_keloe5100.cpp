// KELOE5100 against the board simulator: the checks in their order, the refused output
// operations, the PCI variant without timer, and the exact bytes of every record sent.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BoardTestSupport.h"
#include "CorvaneException.h"
#include "IoctlCommands.h"
#include "KELOE5100.h"
#include "KELOE5100Discovery.h"
#include "KELOE5100Tables.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using namespace corvane_board_test;

namespace {

class Keloe5100Test : public SimBoardTest<KELOE5100> {
protected:
    void SetUp() override { start("keloe5100:number=2"); }
};

// ---- Tables, start-up, variants --------------------------------------------------------

TEST(Keloe5100Tables, DefaultTablesHoldTheModelLimits) {
    using namespace n_KELOe_5100;
    EXPECT_EQ(keloe5100_digital_info.number_inputs, 32);
    EXPECT_EQ(keloe5100_digital_info.number_outputs, 0);
    EXPECT_EQ(keloe5100_digital_info.number_of_ports, 1);
    EXPECT_EQ(keloe5100_digital_info.interrupt_mask, 0x0000FFFFu);
    EXPECT_EQ(keloe5100_timer_info.number_timers, 1);
    const uint16_t maxReload[4] = {4095, 4095, 4095, 0};
    const uint16_t minReload[4] = {1, 1, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(keloe5100_timer_info.max_reload_value[i], maxReload[i]);
        EXPECT_EQ(keloe5100_timer_info.min_reload_value[i], minReload[i]);
    }
    EXPECT_EQ(keloe5100_timer_info.valid_options, 0u);
    EXPECT_STREQ(keloe5100_general_info.product_name, "");
    EXPECT_EQ(keloe5100_general_info.device_type, 0u);
    EXPECT_EQ(std::memcmp(&keloe5100_functions.digital, &keloe5100_digital_info, sizeof(DigitalInformations)), 0);
    EXPECT_EQ(std::memcmp(&keloe5100_functions.timer, &keloe5100_timer_info, sizeof(TimerInformations)), 0);
    const std::vector<uint8_t> zeroWatchdog(sizeof(WatchdogInformations), 0);
    const std::vector<uint8_t> zeroCounter(sizeof(CounterInformations), 0);
    EXPECT_EQ(bytesOf(keloe5100_functions.watchdog), zeroWatchdog);
    EXPECT_EQ(bytesOf(keloe5100_functions.counter), zeroCounter);
    EXPECT_STREQ(keloe5100_default_infos.id, "id_not_filled");
    EXPECT_EQ(bytesOf(keloe5100_default_infos.bus), std::vector<uint8_t>(sizeof(VelmorPCIBusInformations), 0));
    EXPECT_EQ(std::memcmp(&keloe5100_default_infos.functions, &keloe5100_functions, sizeof keloe5100_functions), 0);
}

TEST_F(Keloe5100Test, StartsWithOneZeroedInformationRequestAndFillsThePciExpressVariant) {
    start("keloe5100:number=2:custom=Line%204:firmware=FW-51");
    // The board is built in start(); build a second one with a fresh trace to see its calls.
    simClearTrace();
    KELOE5100 second(nodeHandle->fd());
    const auto calls = simTrace();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, IoctlGetDeviceInformations);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>(2840, 0));

    const VelmorDeviceStruct info = second.getDeviceInformation();
    EXPECT_STREQ(info.id, "keloe5100_2");
    EXPECT_STREQ(info.general.product_name, "keloe5100");
    EXPECT_STREQ(info.general.firmware_version, "FW-51");
    EXPECT_EQ(std::wstring(info.general.custom_id), L"Line 4");
    EXPECT_EQ(info.general.device_type, 1u);
    EXPECT_EQ(info.functions.timer.number_timers, 1);
    EXPECT_EQ(info.bus.number, 2u);
    EXPECT_EQ(info.bus.is_pcie, 1);
    EXPECT_EQ(info.bus.device_id, 0x5101);
    EXPECT_EQ(std::memcmp(&info.functions.digital, &n_KELOe_5100::keloe5100_digital_info, 8), 0);
}

TEST_F(Keloe5100Test, ThePciVariantHasNoTimer) {
    start("kelo5100:number=7");
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_STREQ(info.id, "kelo5100_7");
    EXPECT_STREQ(info.general.product_name, "kelo5100");
    EXPECT_EQ(info.general.device_type, 0u);
    EXPECT_EQ(info.functions.timer.number_timers, 0);
    // The rest of the timer record keeps the table's limits.
    EXPECT_EQ(info.functions.timer.max_reload_value[1], 4095);

    EXPECT_REFUSED(board->initTimer(0, MILLISECOND, 100, 0), 0x83001205u, "This device has no timer");
    EXPECT_REFUSED(board->startTimer(0), 0x83001310u, "Invalid timer_id: out of range");
    EXPECT_REFUSED(board->stopTimer(0), 0x83001610u, "Invalid timer_id: out of range");
    EXPECT_REFUSED(board->readTimerValue(0), 0x83001710u, "Invalid timer_id: out of range");
    EXPECT_REFUSED(board->enableTimerInterrupt(0), 0x83000510u, "Invalid timer_id: out of range");
    // The id of the operation is checked before the device structure.
    EXPECT_REFUSED(board->startTimer(1), 0x83001310u, "Invalid timer_id for startTimer");
}

TEST_F(Keloe5100Test, AKeloe5100NodeReportedAsPciIsThePciVariant) {
    start("keloe5100:pcie=0");
    EXPECT_STREQ(board->getDeviceInformation().id, "kelo5100_0");
    EXPECT_EQ(board->getDeviceInformation().functions.timer.number_timers, 0);
}

TEST_F(Keloe5100Test, ADriverFailureAtStartPassesUnchanged) {
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDeviceInformations, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([&] { KELOE5100 second(nodeHandle->fd()); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_EQ(e.getMessage().rfind("Error happened with IOCTL IoctlGetDeviceInformations", 0), 0u)
        << e.getMessage();
}

TEST_F(Keloe5100Test, OffersDigitalTimerAndInterruptsOnly) {
    EXPECT_NE(board->digitalIo(), nullptr);
    EXPECT_NE(board->timer(), nullptr);
    EXPECT_NE(board->interrupt(), nullptr);
    EXPECT_EQ(board->counter(), nullptr);
    EXPECT_EQ(board->watchdog(), nullptr);
    EXPECT_EQ(board->digitalIoPorts(), nullptr);
}

TEST_F(Keloe5100Test, TheDiscovererClaimsBothPrefixesAndBuildsThisBoard) {
    start("keloe5100,kelo5100:number=4,keloe6100,keloe7100");
    KELOE5100Discovery discovery;
    ASSERT_TRUE(discovery.discoverDevices());
    const auto handles = discovery.getDeviceHandles();
    ASSERT_EQ(handles.size(), 2u);
    std::vector<std::string> ids;
    for (const auto& entry : handles) {
        std::shared_ptr<DeviceInterface> card = discovery.createCardFromHandle(entry.second);
        ASSERT_NE(dynamic_cast<KELOE5100*>(card.get()), nullptr);
        ids.push_back(card->getDeviceInformation().id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"kelo5100_4", "keloe5100_0"}));
}

// ---- Digital I/O -----------------------------------------------------------------------

TEST_F(Keloe5100Test, InputsAreReadFromTheDriverWord) {
    ASSERT_EQ(corvane_sim_set_inputs(node.c_str(), 0x80000004u), 0);
    EXPECT_EQ(board->readAllDigitalInput(), 0x80000004u);
    EXPECT_TRUE(board->readSingleDigitalInput(31));
    EXPECT_TRUE(board->readSingleDigitalInput(2));
    EXPECT_FALSE(board->readSingleDigitalInput(3));
    const auto calls = callsOf(IoctlGetDigitalInputs);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].sent.size(), 4u);
    EXPECT_REFUSED(board->readSingleDigitalInput(32), 0x82001004u,
                   "Wrong channel range. Valid is from 0 to 31.");
}

TEST_F(Keloe5100Test, OutputOperationsAreAlwaysRefused) {
    const char* message = "KELOE5100 does not support digital output";
    EXPECT_REFUSED(board->writeSingleDigitalOutput(0, true), 0x82001905u, message);
    EXPECT_REFUSED(board->writeSingleDigitalOutput(200, false), 0x82001905u, message);
    EXPECT_REFUSED(board->writeAllDigitalOutput(0xFFFFFFFFu, true), 0x82001905u, message);
    board->setOutputMemoryOn();  // changes nothing for a board without outputs
    EXPECT_REFUSED(board->writeAllDigitalOutput(0, false), 0x82001905u, message);
    EXPECT_REFUSED(board->getDigitalOutputStatus(), 0x82001D05u, message);
    EXPECT_REFUSED(board->setOutputInterrupt(true, true), 0x82002C05u,
                   "This card does not support output interrupt mask");
    EXPECT_REFUSED(board->setCustomTimerFrequency(1000), 0x83001205u,
                   "This device doesn't support custom frequency");
}

TEST_F(Keloe5100Test, DigitalInterruptStartAndStopSendOneByte) {
    board->enableDigitalInterrupt();
    board->disableDigitalInterrupt();
    const auto calls = callsOf(IoctlStartStopDigitalInterrupt);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>{1});
    EXPECT_EQ(calls[1].sent, std::vector<uint8_t>{0});
}

TEST_F(Keloe5100Test, EventMaskOfTheFirst16ChannelsIsSentOnce) {
    board->setInterruptEventForInputs(0x0000FFFFu, RISING_EDGE);
    auto calls = simTrace();
    ASSERT_EQ(calls.size(), 1u);  // one rebuild, no second one
    EXPECT_EQ(calls[0].command, IoctlInitDigitalInputInterrupt);
    EXPECT_EQ(calls[0].sent, interruptRecord(0, 0x0000FFFFu, 0));

    simClearTrace();
    board->setInterruptEventForInputs(0x00000101u, FALLING_EDGE);
    board->setInterruptEventForInputs(0x00008000u, ANY_EDGE);
    board->setInterruptEventForInputs(0x00000002u, UNUSED);
    calls = callsOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].sent, interruptRecord(0, 0x0000FEFEu, 0x00000101u));
    EXPECT_EQ(calls[1].sent, interruptRecord(0, 0x0000FEFEu, 0x00008101u));
    EXPECT_EQ(calls[2].sent, interruptRecord(0, 0x0000FEFCu, 0x00008101u));
}

TEST_F(Keloe5100Test, EventMaskBeyondChannel15ChangesNothing) {
    EXPECT_REFUSED(board->setInterruptEventForInputs(0x00010000u, RISING_EDGE), 0x82001A06u,
                   "Only the first 16 channels are available for interrupt on this card");
    EXPECT_REFUSED(board->setInterruptEventForInputs(0x80000001u, RISING_EDGE), 0x82001A06u,
                   "Only the first 16 channels are available for interrupt on this card");
    // Nothing was written: the next rebuild holds only the new channel.
    board->setInterruptEventForOneInput(3, RISING_EDGE);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(0, 0x8, 0));
}

TEST_F(Keloe5100Test, LevelEventsAreWrittenButNeverSent) {
    EXPECT_REFUSED(board->setInterruptEventForInputs(0x10, ON_ONE), 0x82001C11u,
                   "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    // The entry stays written: every later rebuild fails the same way until it is replaced.
    EXPECT_REFUSED(board->setInterruptEventForOneInput(5, RISING_EDGE), 0x82001C11u,
                   "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    board->setInterruptEventForOneInput(4, FALLING_EDGE);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(0, 0x20, 0x10));
    // A value outside the enumeration is refused the same way.
    EXPECT_REFUSED(board->setInterruptEventForOneInput(6, static_cast<DIGITAL_EVENT_TYPE>(9)), 0x82001C11u,
                   "Event does not exist in DIGITAL_EVENT_TYPE for this device");
}

TEST_F(Keloe5100Test, EventMaskOutsideTheBoardsInterruptMaskIsWrittenThenRefused) {
    editInformation([](VelmorDeviceStruct& i) { i.functions.digital.interrupt_mask = 0x00FFu; });
    EXPECT_REFUSED(board->setInterruptEventForInputs(0x0100u, RISING_EDGE), 0x82001A03u,
                   "Input mask contains non-interruptible channels");
    // No rebuild happened before the check; the written entry goes out with the next one.
    board->setInterruptEventForOneInput(1, FALLING_EDGE);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(0, 0x0100, 0x2));
}

TEST_F(Keloe5100Test, SingleChannelEventChecksInOrder) {
    EXPECT_REFUSED(board->setInterruptEventForOneInput(16, FALLING_EDGE), 0x82001A06u,
                   "Only the first 16 channels are available for interrupt on this card");
    EXPECT_REFUSED(board->setInterruptEventForOneInput(255, FALLING_EDGE), 0x82001A06u,
                   "Only the first 16 channels are available for interrupt on this card");
    editInformation([](VelmorDeviceStruct& i) {
        i.functions.digital.number_inputs = 4;
        i.functions.digital.interrupt_mask = 0x0005u;
    });
    // The 16-channel limit comes before the input count.
    EXPECT_REFUSED(board->setInterruptEventForOneInput(16, FALLING_EDGE), 0x82001A06u,
                   "Only the first 16 channels are available for interrupt on this card");
    EXPECT_REFUSED(board->setInterruptEventForOneInput(4, FALLING_EDGE), 0x82001A04u,
                   "Invalid input channel: out of range");
    EXPECT_REFUSED(board->setInterruptEventForOneInput(1, FALLING_EDGE), 0x82001A03u,
                   "Input channel not interruptible on this device");
    simClearTrace();
    board->setInterruptEventForOneInput(2, FALLING_EDGE);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(0, 0, 0x4));
}

TEST_F(Keloe5100Test, PortLogicChecksAndTheLogicByteSent) {
    board->setInterruptLogicForPort(0, AND);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(1, 0, 0));
    board->setInterruptEventForInputs(0x3, RISING_EDGE);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(1, 0x3, 0));

    EXPECT_REFUSED(board->setInterruptLogicForPort(1, OR), 0x82001B04u, "Invalid port_number: out of range");
    EXPECT_REFUSED(board->setInterruptLogicForPort(4, OR), 0x85001A03u, "map::at");
    // A rejected logic value on port 0 stays written and is later sent as OR.
    EXPECT_REFUSED(board->setInterruptLogicForPort(0, static_cast<DIGITAL_EVENT_LOGIC>(2)), 0x82001B11u,
                   "Invalid logic type: must be 0 (OR) or 1 (AND)");
    board->setInterruptEventForOneInput(0, RISING_EDGE);
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(0, 0x3, 0));
    // A negative value passes the check and is sent as OR.
    board->setInterruptLogicForPort(0, AND);
    board->setInterruptLogicForPort(0, static_cast<DIGITAL_EVENT_LOGIC>(-1));
    EXPECT_EQ(callsOf(IoctlInitDigitalInputInterrupt).back().sent, interruptRecord(0, 0x3, 0));
}

// ---- Timer -----------------------------------------------------------------------------

TEST_F(Keloe5100Test, TimerOperationsRefuseEveryIdButZeroWithTheirOwnMessage) {
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    EXPECT_REFUSED(board->startTimer(1), 0x83001310u, "Invalid timer_id for startTimer");
    EXPECT_REFUSED(board->stopTimer(2), 0x83001610u, "Invalid timer_id for stopTimer");
    EXPECT_REFUSED(board->triggerTimer(3), 0x83001410u, "Invalid timer_id for triggerTimer");
    EXPECT_REFUSED(board->readTimerValue(255), 0x83001710u, "Invalid timer_id for readTimerValue");
    EXPECT_REFUSED(board->readTimerStatus(1, value, s1, s2, s3), 0x83001810u,
                   "Invalid timer_id for readTimerStatus");
    // Interrupt flags and initialisation use the shared check.
    EXPECT_REFUSED(board->enableTimerInterrupt(1), 0x83000510u, "Invalid timer_id: out of range");
    EXPECT_REFUSED(board->disableTimerInterrupt(1), 0x83002710u, "Invalid timer_id: out of range");
    EXPECT_REFUSED(board->initTimer(1, MILLISECOND, 10, 0), 0x83001210u, "Invalid timer_id: out of range");
}

TEST_F(Keloe5100Test, InitTimerChecksLimitsAndSendsTheOptionsUnmasked) {
    board->initTimer(0, MILLISECOND, 100, 0xFF);
    board->initTimer(0, SECOND, 4095, 0);
    board->initTimer(0, CUSTOM, 0, 3);
    auto calls = callsOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].sent, initRecord(MILLISECOND, 0, 100, 0xFF));
    EXPECT_EQ(calls[1].sent, initRecord(SECOND, 0, 4095, 0));
    EXPECT_EQ(calls[2].sent, initRecord(CUSTOM, 0, 0, 3));

    EXPECT_REFUSED(board->initTimer(0, MICROSECOND, 0, 0), 0x83001203u,
                   "Invalid reload value. Value should be between [1; 4095] for this timebase.");
    EXPECT_REFUSED(board->initTimer(0, MICROSECOND, 4096, 0), 0x83001203u,
                   "Invalid reload value. Value should be between [1; 4095] for this timebase.");
    EXPECT_REFUSED(board->initTimer(0, static_cast<TIMEBASE_UNITS>(4), 1, 0), 0x83001212u,
                   "4 is not a valid timebase.");
}

TEST_F(Keloe5100Test, StartCarriesTheTimerInterruptFlagAndStopTriggerSendZero) {
    board->startTimer(0);
    board->enableTimerInterrupt(0);
    board->startTimer(0);
    board->disableTimerInterrupt(0);
    board->startTimer(0);
    board->stopTimer(0);
    board->triggerTimer(0);
    const auto calls = simTrace();
    ASSERT_EQ(calls.size(), 5u);  // the interrupt flags alone send nothing
    for (const auto& c : calls) EXPECT_EQ(c.command, IoctlStartStopTriggerTimerCounterWatchdog);
    EXPECT_EQ(calls[0].sent, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(calls[1].sent, (std::vector<uint8_t>{0, 1, 1}));
    EXPECT_EQ(calls[2].sent, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(calls[3].sent, (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(calls[4].sent, (std::vector<uint8_t>{0, 2, 0}));
}

TEST_F(Keloe5100Test, TimerReadsSendAZeroedRecordAndReturnTheDriversAnswer) {
    ASSERT_EQ(corvane_sim_set_unit_value(node.c_str(), 0, 0xCAFE1234u), 0);
    ASSERT_EQ(corvane_sim_set_unit_status(node.c_str(), 0, 7, 8, 9), 0);
    EXPECT_EQ(board->readTimerValue(0), 0xCAFE1234u);
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    value = 0xFFFFFFFFu;
    board->readTimerStatus(0, value, s1, s2, s3);
    // The value is whatever the driver left in the record of the status read.
    EXPECT_EQ(value, callsOf(IoctlReadTimerCounterWatchdog).back().returnedAs<IoctlReadTimerCounterWatchdogStruct>().value);
    EXPECT_EQ(s1, 7);
    EXPECT_EQ(s2, 8);
    EXPECT_EQ(s3, 9);
    const auto calls = callsOf(IoctlReadTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sent, readRecord(0));
    EXPECT_EQ(calls[1].sent, readRecord(1));
}

TEST_F(Keloe5100Test, TimerDriverFailurePassesUnchanged) {
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlStartStopTriggerTimerCounterWatchdog, -1, EIO, 1, nullptr), 0);
    const CorvaneException e = raised([&] { board->startTimer(0); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlStartStopTriggerTimerCounterWatchdog"), std::string::npos);
}

// ---- Interrupts --------------------------------------------------------------------------

TEST_F(Keloe5100Test, DisablingDeviceInterruptsClearsEventsAndTheTimerFlag) {
    board->setInterruptEventForInputs(0x0F00u, ANY_EDGE);
    board->enableTimerInterrupt(0);
    board->enableDeviceInterrupts();
    EXPECT_TRUE(board->isInterruptActive());
    simClearTrace();
    board->disableDeviceInterrupts();
    EXPECT_FALSE(board->isInterruptActive());
    // Only the digital stop reaches the driver; the cleared configuration is not sent.
    const auto calls = simTrace();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, IoctlStartStopDigitalInterrupt);
    EXPECT_EQ(calls[0].sent, std::vector<uint8_t>{0});

    simClearTrace();
    board->startTimer(0);
    board->setInterruptEventForOneInput(1, RISING_EDGE);
    const auto after = simTrace();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].sent, (std::vector<uint8_t>{0, 1, 0}));
    EXPECT_EQ(after[1].sent, interruptRecord(0, 0x2, 0));
}

TEST_F(Keloe5100Test, DisablingWithNothingSetSendsNothing) {
    board->disableDeviceInterrupts();
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe5100Test, AQueuedInterruptReachesTheCallbackWithThisBoardsStructure) {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::pair<std::string, uint32_t>> seen;
    board->setDeviceInterruptCallback([&](const VelmorDeviceStruct& device, const InterruptData& data) {
        std::lock_guard<std::mutex> lock(mutex);
        seen.emplace_back(device.id, data.interrupt_mask);
        arrived.notify_all();
    });
    board->enableDeviceInterrupts();
    InterruptData data;
    std::memset(&data, 0, sizeof data);
    data.interrupt_source = 1;
    data.interrupt_mask = 0x8000;
    ASSERT_GE(corvane_sim_queue_interrupt(node.c_str(), &data), 1);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(5), [&] { return !seen.empty(); }));
    }
    board->disableDeviceInterrupts();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, "keloe5100_2");
    EXPECT_EQ(seen[0].second, 0x8000u);
}

TEST_F(Keloe5100Test, TestErrorReportsTheDriversFailure) {
    const CorvaneException e = raised([&] { board->testError(); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_NE(e.getMessage().find("IoctlTestError"), std::string::npos);
}

}  // namespace
