// KELOE6100 against the board simulator: every check in its order and the exact bytes of
// every record the board sends to its driver.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "BoardTestSupport.h"
#include "CorvaneException.h"
#include "InterruptThreadStart.h"
#include "IoctlCommands.h"
#include "KELOE6100.h"
#include "KELOE6100Discovery.h"
#include "KELOE6100Tables.h"
#include "corvane_sim.h"

using namespace velmor::corvane;
using namespace corvane_board_test;

namespace {

struct Sent {
    std::string node;
    uint32_t command = 0;
    std::vector<uint8_t> bytes;    // as sent
    std::vector<uint8_t> returned; // as returned
    int result = 0;
};

std::vector<Sent> trace() {
    std::vector<Sent> all;
    auto entry = std::make_unique<corvane_sim_trace_entry>();
    const size_t count = corvane_sim_trace_count();
    for (size_t i = 0; i < count; ++i) {
        if (corvane_sim_trace_get(i, entry.get()) != 0) {
            continue;
        }
        Sent s;
        s.node = entry->node;
        s.command = entry->command;
        s.bytes.assign(entry->sent, entry->sent + entry->size);
        s.returned.assign(entry->returned, entry->returned + entry->size);
        s.result = entry->result;
        all.push_back(s);
    }
    return all;
}

std::vector<Sent> traceOf(uint32_t command) {
    std::vector<Sent> selected;
    for (const Sent& s : trace()) {
        if (s.command == command) {
            selected.push_back(s);
        }
    }
    return selected;
}

#define EXPECT_RAISES(call, expectedCode, expectedMessage)                      \
    do {                                                                        \
        CorvaneException e_ = raised([&] { call; });                            \
        EXPECT_EQ(e_.getCode(), static_cast<uint32_t>(expectedCode)) << std::hex \
                                                                      << e_.getCode(); \
        EXPECT_EQ(e_.getMessage(), std::string(expectedMessage));               \
    } while (0)

class Keloe6100Test : public ::testing::Test {
protected:
    void open(const char* spec) {
        close();
        corvane_sim_reset(0);
        ASSERT_EQ(corvane_sim_add_boards(spec), 1);
        char name[64] = {0};
        ASSERT_EQ(corvane_sim_board_node(0, name, sizeof name), 0);
        node = name;
        fd = ::open(("/dev/" + node).c_str(), O_RDWR);
        ASSERT_GE(fd, 0) << std::strerror(errno);
        board = std::make_shared<KELOE6100>(fd);
        corvane_sim_trace_clear();
    }
    void SetUp() override { open("keloe6100:number=3"); }
    void close() {
        board.reset();
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        corvane_sim_clear_failures();
    }
    void TearDown() override { close(); }

    corvane_sim_board_state state() {
        corvane_sim_board_state s;
        std::memset(&s, 0, sizeof s);
        EXPECT_EQ(corvane_sim_get_state(node.c_str(), &s), 0);
        return s;
    }
    void failOnce(uint32_t command) {
        ASSERT_EQ(corvane_sim_fail(node.c_str(), command, -1, EIO, 1, nullptr), 0);
    }
    // Changes one limit in the board's own device structure.
    template <typename Edit>
    void editInformation(Edit edit) {
        VelmorDeviceStruct info = board->getDeviceInformation();
        edit(info);
        board->setDeviceInformation(info);
    }

    std::string node;
    int fd = -1;
    std::shared_ptr<KELOE6100> board;
};

// ---- Tables, start-up and information --------------------------------------------------

TEST(Keloe6100Tables, DefaultTablesHoldTheModelLimits) {
    using namespace n_KELOe_6100;
    EXPECT_EQ(keloe6100_digital_info.number_inputs, 32);
    EXPECT_EQ(keloe6100_digital_info.number_outputs, 32);
    EXPECT_EQ(keloe6100_digital_info.number_of_ports, 1);
    EXPECT_EQ(keloe6100_digital_info.interrupt_mask, 0x000FFFF0u);
    EXPECT_EQ(keloe6100_timer_info.number_timers, 2);
    const uint16_t maxReload[4] = {4095, 4095, 4095, 0};
    const uint16_t minReload[4] = {1, 1, 1, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(keloe6100_timer_info.max_reload_value[i], maxReload[i]);
        EXPECT_EQ(keloe6100_timer_info.min_reload_value[i], minReload[i]);
        EXPECT_EQ(keloe6100_watchdog_info.max_reload_value[i], maxReload[i]);
        EXPECT_EQ(keloe6100_watchdog_info.min_reload_value[i], minReload[i]);
    }
    EXPECT_EQ(keloe6100_timer_info.valid_options, 0u);
    EXPECT_EQ(keloe6100_watchdog_info.number_watchdogs, 1);
    EXPECT_EQ(keloe6100_watchdog_info.valid_options, 0u);
    EXPECT_EQ(keloe6100_counter_info.number_counters, 3);
    EXPECT_EQ(keloe6100_counter_info.max_reload_value, 65535u);
    EXPECT_EQ(keloe6100_counter_info.valid_options, 0x31u);
    EXPECT_STREQ(keloe6100_general_info.product_name, "keloe6100");
    EXPECT_EQ(keloe6100_general_info.device_type, 1u);
    EXPECT_STREQ(keloe6100_general_info.firmware_version, "");
    EXPECT_EQ(std::memcmp(&keloe6100_functions.digital, &keloe6100_digital_info, 8), 0);
    EXPECT_EQ(std::memcmp(&keloe6100_functions.counter, &keloe6100_counter_info, 12), 0);
    EXPECT_STREQ(keloe6100_default_infos.id, "id_not_filled");
    EXPECT_EQ(std::memcmp(&keloe6100_default_infos.functions, &keloe6100_functions,
                          sizeof keloe6100_functions), 0);
    VelmorPCIBusInformations zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_EQ(std::memcmp(&keloe6100_default_infos.bus, &zero, sizeof zero), 0);
}

TEST_F(Keloe6100Test, InformationOfThePciExpressVariant) {
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_STREQ(info.id, "keloe6100_3");
    EXPECT_STREQ(info.general.product_name, "keloe6100");
    EXPECT_STREQ(info.general.firmware_version, "SIM-KELOE6100-1.0");
    EXPECT_EQ(info.general.device_type, static_cast<uint32_t>(VELMOR_DEVICE_PCIE));
    EXPECT_STREQ(info.general.serial_number, "");
    EXPECT_EQ(info.general.custom_id[0], L'\0');  // this board does not show the custom id
    EXPECT_EQ(info.bus.number, 3u);
    EXPECT_EQ(info.bus.is_pcie, 1);
    EXPECT_EQ(info.bus.vendor_id, 0x5645);
    EXPECT_EQ(info.bus.device_id, 0x6101);
    EXPECT_EQ(std::memcmp(&info.functions, &n_KELOe_6100::keloe6100_functions,
                          sizeof info.functions), 0);
}

TEST_F(Keloe6100Test, InformationOfThePciVariantAndTheDriverRecordCopiedWhole) {
    open("kelo6100:number=12:bus=7:slot=2:irq=33:bar5=81985529216486895");
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_STREQ(info.id, "kelo6100_12");
    EXPECT_STREQ(info.general.product_name, "kelo6100");
    EXPECT_EQ(info.general.device_type, static_cast<uint32_t>(VELMOR_DEVICE_PCI));
    EXPECT_EQ(info.bus.bus_number, 7u);
    EXPECT_EQ(info.bus.device_number, 2u);
    EXPECT_EQ(info.bus.interrupt_number, 33);
    EXPECT_EQ(info.bus.base_address_register[5], 0x0123456789ABCDEFull);
    EXPECT_EQ(info.bus.is_pcie, 0);
}

TEST_F(Keloe6100Test, UpdateInfoSendsOneZeroedInformationRecord) {
    board->updateInfo();
    const auto calls = traceOf(IoctlGetDeviceInformations);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, std::vector<uint8_t>(2840, 0));
}

TEST_F(Keloe6100Test, AnUnterminatedFirmwareTextIsCutInsideItsField) {
    const std::string longText(256, 'F');
    open(("keloe6100:firmware=" + longText).c_str());
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_EQ(strnlen(info.general.firmware_version, 256), 255u);
    EXPECT_EQ(std::string(info.general.firmware_version), longText.substr(0, 255));
    EXPECT_EQ(info.general.library_version[0], '\0');  // nothing ran over into the next field
}

TEST_F(Keloe6100Test, TheLargestBusNumberStillFitsTheIdentifier) {
    open("keloe6100:number=4294967295");
    EXPECT_STREQ(board->getDeviceInformation().id, "keloe6100_4294967295");
}

TEST_F(Keloe6100Test, UpdateInfoFailureIsRecodedAndKeepsThePreviousInformation) {
    failOnce(IoctlGetDeviceInformations);
    const CorvaneException e = raised([&] { board->updateInfo(); });
    EXPECT_EQ(e.getCode(), 0x0000110Du);
    EXPECT_EQ(e.getMessage().rfind("Ioctl exception [CorvaneException] Code: 0x86000f08", 0), 0u)
        << e.getMessage();
    EXPECT_NE(e.getMessage().find("IoctlGetDeviceInformations"), std::string::npos);
    EXPECT_STREQ(board->getDeviceInformation().id, "keloe6100_3");
}

TEST_F(Keloe6100Test, ConstructionFailsWhenTheDriverCannotDescribeTheBoard) {
    failOnce(IoctlGetDeviceInformations);
    const CorvaneException e = raised([&] { KELOE6100 second(fd); });
    EXPECT_EQ(e.getCode(), 0x0000110Du);
}

TEST_F(Keloe6100Test, OffersEveryCapabilityExceptPorts) {
    EXPECT_NE(board->digitalIo(), nullptr);
    EXPECT_NE(board->timer(), nullptr);
    EXPECT_NE(board->counter(), nullptr);
    EXPECT_NE(board->watchdog(), nullptr);
    EXPECT_NE(board->interrupt(), nullptr);
    EXPECT_EQ(board->digitalIoPorts(), nullptr);
}

TEST_F(Keloe6100Test, TheDiscovererBuildsThisBoardOnItsTwoPrefixes) {
    KELOE6100Discovery discovery;
    EXPECT_EQ(discovery.getPrefixes(), (std::vector<std::string>{"keloe6100", "kelo6100"}));
    const int second = ::open(("/dev/" + node).c_str(), O_RDWR);
    ASSERT_GE(second, 0);
    {
        std::shared_ptr<DeviceInterface> card = discovery.createCardFromHandle(second);
        ASSERT_NE(dynamic_cast<KELOE6100*>(card.get()), nullptr);
        EXPECT_EQ(card->getHandle(), second);
        EXPECT_STREQ(card->getDeviceInformation().id, "keloe6100_3");
    }
    ::close(second);
}

// ---- Digital I/O -----------------------------------------------------------------------

TEST_F(Keloe6100Test, SingleInputReadsItsBitAndRefusesChannel32) {
    ASSERT_EQ(corvane_sim_set_inputs(node.c_str(), 0x80000001u), 0);
    EXPECT_TRUE(board->readSingleDigitalInput(31));
    EXPECT_TRUE(board->readSingleDigitalInput(0));
    EXPECT_FALSE(board->readSingleDigitalInput(30));
    const auto calls = traceOf(IoctlGetDigitalInputs);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].bytes.size(), 4u);

    corvane_sim_trace_clear();
    EXPECT_RAISES(board->readSingleDigitalInput(32), 0x82001004u,
                  "Wrong channel range. Valid is from 0 to 31.");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe6100Test, ReadAllInputsReturnsTheDriverWord) {
    ASSERT_EQ(corvane_sim_set_inputs(node.c_str(), 0xA5A5F00Fu), 0);
    EXPECT_EQ(board->readAllDigitalInput(), 0xA5A5F00Fu);
}

TEST_F(Keloe6100Test, SingleOutputRecordsAndOutputMemory) {
    // Output memory is on from construction: switching off is allowed and sent with memory 1.
    board->writeSingleDigitalOutput(5, false);
    board->writeSingleDigitalOutput(31, true);
    auto calls = traceOf(IoctlSetDigitalOutputs);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, outputsRecord(0x20, 1, 0));
    EXPECT_EQ(calls[1].bytes, outputsRecord(0x80000000u, 1, 1));

    board->setOutputMemoryOff();
    corvane_sim_trace_clear();
    EXPECT_RAISES(board->writeSingleDigitalOutput(5, false), 0x82001909u,
                  "Cannot write output to 0 when DigitalOutputMemory is disabled");
    // The channel is checked before the memory.
    EXPECT_RAISES(board->writeSingleDigitalOutput(32, false), 0x82001004u,
                  "Wrong channel range. Valid is from 0 to 31.");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
    board->writeSingleDigitalOutput(5, true);
    calls = traceOf(IoctlSetDigitalOutputs);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, outputsRecord(0x20, 0, 1));
}

TEST_F(Keloe6100Test, AllOutputsChecksMemoryThenMask) {
    board->writeAllDigitalOutput(0xFFFFFFFFu, true);
    board->writeAllDigitalOutput(0x0000FF00u, false);
    auto calls = traceOf(IoctlSetDigitalOutputs);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, outputsRecord(0xFFFFFFFFu, 1, 1));
    EXPECT_EQ(calls[1].bytes, outputsRecord(0x0000FF00u, 1, 0));
    uint32_t outputs = 0;
    ASSERT_EQ(corvane_sim_get_outputs(node.c_str(), &outputs), 0);
    EXPECT_EQ(outputs, 0xFFFF00FFu);

    // The mask limit comes from the board's own structure at every call.
    editInformation([](VelmorDeviceStruct& i) { i.functions.digital.number_outputs = 8; });
    corvane_sim_trace_clear();
    EXPECT_RAISES(board->writeAllDigitalOutput(0x100, true), 0x82001904u,
                  "Invalid output mask: out of range");
    board->setOutputMemoryOff();
    EXPECT_RAISES(board->writeAllDigitalOutput(0x100, false), 0x82001909u,
                  "Cannot write output to 0 when DigitalOutputMemory is disabled");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
    board->writeAllDigitalOutput(0xFF, true);
    calls = traceOf(IoctlSetDigitalOutputs);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, outputsRecord(0xFF, 0, 1));
}

TEST_F(Keloe6100Test, OutputStatusAndItsRecodedFailure) {
    board->writeAllDigitalOutput(0x00C0FFEEu, true);
    corvane_sim_trace_clear();
    EXPECT_EQ(board->getDigitalOutputStatus(), 0x00C0FFEEu);
    auto calls = traceOf(IoctlGetDigitalOutputsStatus);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, std::vector<uint8_t>(4, 0));

    failOnce(IoctlGetDigitalOutputsStatus);
    const CorvaneException e = raised([&] { board->getDigitalOutputStatus(); });
    EXPECT_EQ(e.getCode(), 0x82001D00u);
    EXPECT_EQ(e.getMessage().rfind("[CorvaneException] Code: 0x86000f08", 0), 0u) << e.getMessage();
    EXPECT_NE(e.getMessage().find("Error happened with IOCTL IoctlGetDigitalOutputsStatus"),
              std::string::npos);
    EXPECT_EQ(CorvaneException::getVelmorLastError(), std::string(e.what()));
}

TEST_F(Keloe6100Test, DigitalInterruptStartAndStopBytes) {
    board->enableDigitalInterrupt();
    board->disableDigitalInterrupt();
    const auto calls = traceOf(IoctlStartStopDigitalInterrupt);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, std::vector<uint8_t>{1});
    EXPECT_EQ(calls[1].bytes, std::vector<uint8_t>{0});
}

TEST_F(Keloe6100Test, OutputInterruptIsNotSupported) {
    EXPECT_RAISES(board->setOutputInterrupt(true, false), 0x82002C05u,
                  "This device does not support output interrupt mask");
    EXPECT_RAISES(board->setOutputInterrupt(false, false), 0x82002C05u,
                  "This device does not support output interrupt mask");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

// ---- Digital interrupt configuration ---------------------------------------------------

TEST_F(Keloe6100Test, EventMaskOutsideInputs4To19IsRefusedBeforeAnyChange) {
    EXPECT_RAISES(board->setInterruptEventForInputs(0x0000000Fu, RISING_EDGE), 0x82001A04u,
                  "Only the channels 4 to 19 are available for interruption on this card");
    EXPECT_RAISES(board->setInterruptEventForInputs(0x00100010u, RISING_EDGE), 0x82001A04u,
                  "Only the channels 4 to 19 are available for interruption on this card");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
    // Nothing was written: the next rebuild sends empty masks.
    board->setInterruptLogicForPort(0, OR);
    const auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0, 0));
}

TEST_F(Keloe6100Test, EventMaskIsSentTwiceWithBothEdgeWords) {
    board->setInterruptEventForInputs(0x000FFFF0u, ANY_EDGE);
    auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0x000FFFF0u, 0x000FFFF0u));
    EXPECT_EQ(calls[1].bytes, calls[0].bytes);

    corvane_sim_trace_clear();
    board->setInterruptEventForInputs(0x00000030u, RISING_EDGE);
    board->setInterruptEventForInputs(0x000000C0u, FALLING_EDGE);
    board->setInterruptEventForInputs(0x00000100u, UNUSED);
    calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[5].bytes, interruptRecord(0, 0x000FFE30u, 0x000FFEC0u));
    const corvane_sim_board_state s = state();
    EXPECT_EQ(s.digital_interrupt.first_mask, 0x000FFE30u);
    EXPECT_EQ(s.digital_interrupt.second_mask, 0x000FFEC0u);
}

TEST_F(Keloe6100Test, NonInterruptibleChannelsFailAfterTheFirstRebuild) {
    editInformation([](VelmorDeviceStruct& i) { i.functions.digital.interrupt_mask = 0x000000F0u; });
    EXPECT_RAISES(board->setInterruptEventForInputs(0x00000110u, RISING_EDGE), 0x82001A03u,
                  "Input mask contains non-interruptible channels");
    const auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0x00000110u, 0));
}

TEST_F(Keloe6100Test, AnUnsupportedEventStaysWrittenUntilOverwritten) {
    EXPECT_RAISES(board->setInterruptEventForInputs(0x10, ON_ONE), 0x82001C11u,
                  "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    EXPECT_RAISES(board->setInterruptLogicForPort(0, AND), 0x82001C11u,
                  "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    EXPECT_RAISES(board->setInterruptEventForOneInput(5, RISING_EDGE), 0x82001C11u,
                  "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    EXPECT_RAISES(board->setInterruptEventForInputs(0x40, static_cast<DIGITAL_EVENT_TYPE>(6)),
                  0x82001C11u, "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    EXPECT_TRUE(traceOf(IoctlInitDigitalInputInterrupt).empty());

    // Channel 6 is cleared, but channel 4 still holds ON_ONE.
    EXPECT_RAISES(board->setInterruptEventForInputs(0x40, UNUSED), 0x82001C11u,
                  "Event does not exist in DIGITAL_EVENT_TYPE for this device");
    board->setInterruptEventForOneInput(4, FALLING_EDGE);
    const auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_FALSE(calls.empty());
    // The rejected logic and the rejected channel-5 event were written and are sent now.
    EXPECT_EQ(calls.back().bytes, interruptRecord(1, 0x20, 0x10));
}

TEST_F(Keloe6100Test, OneInputChecksInOrder) {
    EXPECT_RAISES(board->setInterruptEventForOneInput(3, FALLING_EDGE), 0x82001A06u,
                  "Only the channels 4 to 19 are available for interruption on this card");
    EXPECT_RAISES(board->setInterruptEventForOneInput(20, FALLING_EDGE), 0x82001A06u,
                  "Only the channels 4 to 19 are available for interruption on this card");
    EXPECT_RAISES(board->setInterruptEventForOneInput(40, FALLING_EDGE), 0x82001A06u,
                  "Only the channels 4 to 19 are available for interruption on this card");
    editInformation([](VelmorDeviceStruct& i) {
        i.functions.digital.number_inputs = 10;
        i.functions.digital.interrupt_mask = 0x000000F0u;
    });
    EXPECT_RAISES(board->setInterruptEventForOneInput(12, FALLING_EDGE), 0x82001A04u,
                  "Invalid input channel: out of range");
    EXPECT_RAISES(board->setInterruptEventForOneInput(9, FALLING_EDGE), 0x82001A03u,
                  "Input channel not interruptible on this device");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);

    board->setInterruptEventForOneInput(7, FALLING_EDGE);
    const auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0, 0x80));
}

TEST_F(Keloe6100Test, PortLogicIsWrittenBeforeItsChecks) {
    board->setInterruptLogicForPort(0, AND);
    board->setInterruptEventForOneInput(4, RISING_EDGE);
    auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(1, 0, 0));
    EXPECT_EQ(calls[1].bytes, interruptRecord(1, 0x10, 0));

    corvane_sim_trace_clear();
    EXPECT_RAISES(board->setInterruptLogicForPort(1, OR), 0x82001B04u,
                  "Invalid port_number: out of range");
    EXPECT_RAISES(board->setInterruptLogicForPort(4, OR), 0x85001B03u, "map::at");
    // A value above 1 is refused but stays written: port 0 is then sent as OR.
    EXPECT_RAISES(board->setInterruptLogicForPort(0, static_cast<DIGITAL_EVENT_LOGIC>(2)),
                  0x82001B11u, "Invalid logic type: must be 0 (OR) or 1 (AND)");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
    board->setInterruptEventForOneInput(5, RISING_EDGE);
    calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0x30, 0));

    // A negative value passes and is sent as OR.
    corvane_sim_trace_clear();
    board->setInterruptLogicForPort(0, static_cast<DIGITAL_EVENT_LOGIC>(-1));
    calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0x30, 0));
}

TEST_F(Keloe6100Test, OnlyPortZeroLogicReachesTheDriver) {
    editInformation([](VelmorDeviceStruct& i) { i.functions.digital.number_of_ports = 4; });
    board->setInterruptLogicForPort(3, AND);
    const auto calls = traceOf(IoctlInitDigitalInputInterrupt);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, interruptRecord(0, 0, 0));
}

// ---- Timers, counters, watchdog --------------------------------------------------------

TEST_F(Keloe6100Test, InitTimerDropsEveryOptionAndUsesMode1) {
    board->initTimer(1, MILLISECOND, 1000, 0xFFFFFFFFu);
    board->initTimer(0, CUSTOM, 0, 0);
    const auto calls = traceOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, initRecord(1, 1, 1, 1000, 0));
    EXPECT_EQ(calls[1].bytes, initRecord(0, 3, 1, 0, 0));

    corvane_sim_trace_clear();
    EXPECT_RAISES(board->initTimer(2, MILLISECOND, 1000, 0), 0x83001210u,
                  "Invalid timer_id: out of range");
    EXPECT_RAISES(board->initTimer(0, static_cast<TIMEBASE_UNITS>(4), 1000, 0), 0x83001212u,
                  "4 is not a valid timebase.");
    EXPECT_RAISES(board->initTimer(0, MILLISECOND, 4096, 0), 0x83001203u,
                  "Invalid reload value. Value should be between [1; 4095] for this timebase.");
    EXPECT_RAISES(board->initTimer(0, CUSTOM, 1, 0), 0x83001203u,
                  "Invalid reload value. Value should be between [0; 0] for this timebase.");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe6100Test, CustomFrequencyIsNotSupported) {
    EXPECT_RAISES(board->setCustomTimerFrequency(1000), 0x83001205u,
                  "This device doesn't support custom frequency");
    EXPECT_RAISES(board->setCustomTimerFrequency(0), 0x83001205u,
                  "This device doesn't support custom frequency");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe6100Test, TimerOperationsMapToUnits0And1) {
    board->startTimer(1);
    board->stopTimer(0);
    board->triggerTimer(1);
    const auto calls = traceOf(IoctlStartStopTriggerTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].bytes, unitRecord(1, 1, 0));
    EXPECT_EQ(calls[1].bytes, unitRecord(0, 0, 0));
    EXPECT_EQ(calls[2].bytes, unitRecord(1, 2, 0));

    corvane_sim_trace_clear();
    EXPECT_RAISES(board->startTimer(2), 0x83001310u, "Invalid timer_id: out of range");
    EXPECT_RAISES(board->stopTimer(2), 0x83001610u, "Invalid timer_id: out of range");
    EXPECT_RAISES(board->triggerTimer(2), 0x83001410u, "Invalid timer_id: out of range");
    EXPECT_RAISES(board->readTimerValue(2), 0x83001710u, "Invalid timer_id: out of range");
    uint32_t v;
    uint8_t a, b, c;
    EXPECT_RAISES(board->readTimerStatus(2, v, a, b, c), 0x83001810u,
                  "Invalid timer_id: out of range");
    EXPECT_RAISES(board->enableTimerInterrupt(2), 0x83000510u, "Invalid timer_id: out of range");
    EXPECT_RAISES(board->disableTimerInterrupt(2), 0x83002710u, "Invalid timer_id: out of range");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe6100Test, ReadsSendZeroedRecordsAndPassStatusBytesThrough) {
    ASSERT_EQ(corvane_sim_set_unit_value(node.c_str(), 1, 1234), 0);
    ASSERT_EQ(corvane_sim_set_unit_status(node.c_str(), 0, 0x11, 0x22, 0x33), 0);
    ASSERT_EQ(corvane_sim_set_unit_value(node.c_str(), 0, 77), 0);
    EXPECT_EQ(board->readTimerValue(1), 1234u);
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    board->readTimerStatus(0, value, s1, s2, s3);
    EXPECT_EQ(s1, 0x11);
    EXPECT_EQ(s2, 0x22);
    EXPECT_EQ(s3, 0x33);
    const auto calls = traceOf(IoctlReadTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, (std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls[1].bytes, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    uint32_t returnedValue = 0;
    std::memcpy(&returnedValue, calls[1].returned.data() + 4, 4);
    EXPECT_EQ(value, returnedValue);  // the value of a status read is handed back as well
}

TEST_F(Keloe6100Test, InterruptFlagsReachTheDriverOnlyWithTheNextStart) {
    board->enableTimerInterrupt(1);
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
    board->startCounter(0);
    board->stopCounter(0);
    board->triggerWatchdog(0);
    board->disableTimerInterrupt(1);
    board->startCounter(0);
    board->enableCounterInterrupt(2);
    board->startTimer(0);
    board->disableCounterInterrupt(2);
    board->enableWatchdogInterrupt(0);
    board->startWatchdog(0);
    board->disableWatchdogInterrupt(0);
    board->startWatchdog(0);
    const auto calls = traceOf(IoctlStartStopTriggerTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0].bytes, unitRecord(2, 1, 1));
    EXPECT_EQ(calls[1].bytes, unitRecord(2, 0, 0));
    EXPECT_EQ(calls[2].bytes, unitRecord(0, 2, 0));
    EXPECT_EQ(calls[3].bytes, unitRecord(2, 1, 0));
    EXPECT_EQ(calls[4].bytes, unitRecord(0, 1, 1));
    EXPECT_EQ(calls[5].bytes, unitRecord(0, 1, 1));
    EXPECT_EQ(calls[6].bytes, unitRecord(0, 1, 0));
}

TEST_F(Keloe6100Test, CounterInitChecksInOrderAndMasksOptionsWith0x31) {
    EXPECT_RAISES(board->initCounter(3, 1, 0), 0x81001210u, "Invalid counter_id");
    EXPECT_RAISES(board->initCounter(0, 4096, 0), 0x81001204u,
                  "Reload value must be between 1 and 4095");
    EXPECT_RAISES(board->initCounter(0, 0, 0), 0x81001204u, "Reload value must be between 1 and 4095");
    EXPECT_RAISES(board->initCounter(5, 0, 0), 0x81001210u, "Invalid counter_id");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);

    board->initCounter(2, 1, 0xFF);
    board->initCounter(0, 4095, COUNTER_BOTH_EDGE_COUNT | SINGLE_CYCLE);
    const auto calls = traceOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].bytes, initRecord(4, 0, 0, 1, 0x31));
    EXPECT_EQ(calls[1].bytes, initRecord(2, 0, 0, 4095, 0x30));
}

TEST_F(Keloe6100Test, CounterOperationsMapToUnits2To4) {
    ASSERT_EQ(corvane_sim_set_unit_value(node.c_str(), 3, 99), 0);
    ASSERT_EQ(corvane_sim_set_unit_status(node.c_str(), 4, 1, 2, 3), 0);
    board->startCounter(1);
    board->stopCounter(2);
    EXPECT_EQ(board->readCounterValue(1), 99u);
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    board->readCounterStatus(2, value, s1, s2, s3);
    EXPECT_EQ(s1, 1);
    EXPECT_EQ(s2, 2);
    EXPECT_EQ(s3, 3);
    const auto units = traceOf(IoctlStartStopTriggerTimerCounterWatchdog);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].bytes, unitRecord(3, 1, 0));
    EXPECT_EQ(units[1].bytes, unitRecord(4, 0, 0));
    const auto reads = traceOf(IoctlReadTimerCounterWatchdog);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].bytes[0], 3);
    EXPECT_EQ(reads[1].bytes[0], 4);
    EXPECT_EQ(reads[1].bytes[8], 1);

    corvane_sim_trace_clear();
    EXPECT_RAISES(board->startCounter(3), 0x81001310u, "Invalid counter_id: out of range");
    EXPECT_RAISES(board->readCounterValue(3), 0x81001710u, "Invalid counter_id: out of range");
    EXPECT_RAISES(board->disableCounterInterrupt(3), 0x81002710u, "Invalid counter_id: out of range");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe6100Test, WatchdogReloadIsSentAsIsOnPciExpress) {
    board->initWatchdog(0, MILLISECOND, 1000, 0xFF);
    const auto calls = traceOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].bytes, initRecord(0, 1, 0, 1000, 0));
}

TEST_F(Keloe6100Test, WatchdogReloadIsDividedBy20OnPci) {
    open("kelo6100");
    board->initWatchdog(0, MILLISECOND, 1000, 0);
    board->initWatchdog(0, SECOND, 1019, 0);
    board->initWatchdog(0, MICROSECOND, 19, 0);
    const auto calls = traceOf(IoctlInitTimerCounterWatchdog);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].bytes, initRecord(0, 1, 0, 50, 0));
    EXPECT_EQ(calls[1].bytes, initRecord(0, 2, 0, 50, 0));
    EXPECT_EQ(calls[2].bytes, initRecord(0, 0, 0, 0, 0));
}

TEST_F(Keloe6100Test, WatchdogIdChecks) {
    // With one watchdog the general check speaks first.
    EXPECT_RAISES(board->initWatchdog(1, MILLISECOND, 1000, 0), 0x84001210u,
                  "Invalid watchdog_id: out of range");
    EXPECT_RAISES(board->startWatchdog(1), 0x84001310u, "Invalid watchdog_id: out of range");
    EXPECT_RAISES(board->initWatchdog(0, MILLISECOND, 0, 0), 0x84001203u,
                  "Invalid reload value. Value should be between [1; 4095] for this timebase.");
    // With a structure that claims two watchdogs, the board's own rule remains.
    editInformation([](VelmorDeviceStruct& i) { i.functions.watchdog.number_watchdogs = 2; });
    const char* timerZero = "On this card, only the timer 0 can be used as watchdog";
    EXPECT_RAISES(board->initWatchdog(1, MILLISECOND, 1000, 0), 0x84001E10u, timerZero);
    EXPECT_RAISES(board->startWatchdog(1), 0x84001E10u, timerZero);
    EXPECT_RAISES(board->stopWatchdog(1), 0x84001E10u, timerZero);
    EXPECT_RAISES(board->triggerWatchdog(1), 0x84001E10u, timerZero);
    EXPECT_RAISES(board->readWatchdogValue(1), 0x84001E10u, timerZero);
    EXPECT_RAISES(board->enableWatchdogInterrupt(1), 0x84001E10u, timerZero);
    EXPECT_EQ(corvane_sim_trace_count(), 0u);

    ASSERT_EQ(corvane_sim_set_unit_value(node.c_str(), 0, 4242), 0);
    board->stopWatchdog(0);
    EXPECT_EQ(board->readWatchdogValue(0), 4242u);
    EXPECT_EQ(traceOf(IoctlStartStopTriggerTimerCounterWatchdog)[0].bytes, unitRecord(0, 0, 0));
    EXPECT_EQ(traceOf(IoctlReadTimerCounterWatchdog)[0].bytes[0], 0);
}

TEST_F(Keloe6100Test, UnitFunctionsRefuseUnit5) {
    EXPECT_RAISES(board->startTimerCounter(5), 0x83001E10u,
                  "Invalid timer_counter_id for startTimerCounter");
    EXPECT_RAISES(board->stopTimerCounter(5), 0x83001E10u,
                  "Invalid timer_counter_id for stopTimerCounter");
    EXPECT_RAISES(board->triggerTimerCounter(5), 0x83001E10u,
                  "Invalid timer_counter_id for triggerTimerCounter");
    EXPECT_RAISES(board->readTimerCounter(5), 0x83001E10u,
                  "Invalid timer_counter_id for readTimerCounter");
    uint32_t v;
    uint8_t a, b, c;
    EXPECT_RAISES(board->readTimerCounterStatus(255, v, a, b, c), 0x83001E10u,
                  "Invalid timer_counter_id for readTimerCounter");
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
    board->startTimerCounter(4);
    EXPECT_EQ(traceOf(IoctlStartStopTriggerTimerCounterWatchdog)[0].bytes, unitRecord(4, 1, 0));
}

TEST_F(Keloe6100Test, DriverFailuresPassUnchanged) {
    failOnce(IoctlInitTimerCounterWatchdog);
    const CorvaneException e = raised([&] { board->initCounter(0, 10, 0); });
    EXPECT_EQ(e.getCode(), 0x86000F08u);
    EXPECT_EQ(e.getMessage().rfind("Error happened with IOCTL IoctlInitTimerCounterWatchdog. ", 0), 0u);
    failOnce(IoctlTestError);
    EXPECT_EQ(raised([&] { board->testError(); }).getCode(), 0x86000F08u);
}

// ---- Interrupt hooks -------------------------------------------------------------------

TEST_F(Keloe6100Test, ClearingInterruptConditionsResetsEverything) {
    board->setInterruptLogicForPort(0, AND);
    board->setInterruptEventForInputs(0x30, RISING_EDGE);
    board->enableTimerInterrupt(0);
    board->enableCounterInterrupt(1);
    board->enableWatchdogInterrupt(0);
    corvane_sim_trace_clear();

    board->clearInterruptConditions();
    // The digital interrupt is stopped; the cleared configuration itself is not sent.
    auto stops = traceOf(IoctlStartStopDigitalInterrupt);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].bytes, std::vector<uint8_t>{0});
    EXPECT_EQ(corvane_sim_trace_count(), 1u);

    board->startTimer(1);
    board->setInterruptEventForOneInput(6, FALLING_EDGE);
    EXPECT_EQ(traceOf(IoctlStartStopTriggerTimerCounterWatchdog)[0].bytes, unitRecord(1, 1, 0));
    EXPECT_EQ(traceOf(IoctlInitDigitalInputInterrupt)[0].bytes, interruptRecord(0, 0, 0x40));

    // Nothing set: nothing sent.
    board->setInterruptEventForOneInput(6, UNUSED);
    corvane_sim_trace_clear();
    board->clearInterruptConditions();
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(Keloe6100Test, ClearingInterruptConditionsSwallowsDriverFailuresAndStops) {
    board->setInterruptEventForInputs(0x10, ANY_EDGE);
    board->enableTimerInterrupt(1);
    failOnce(IoctlStartStopDigitalInterrupt);
    EXPECT_NO_THROW(board->clearInterruptConditions());
    // It stopped at the failure: the timer flag is still set.
    corvane_sim_trace_clear();
    board->startCounter(0);
    EXPECT_EQ(traceOf(IoctlStartStopTriggerTimerCounterWatchdog)[0].bytes, unitRecord(2, 1, 1));

    // Through the interrupt engine too: disabling never throws.
    ASSERT_EQ(corvane_sim_fail(node.c_str(), CORVANE_SIM_ANY_COMMAND, -1, EIO, CORVANE_SIM_ALWAYS,
                               nullptr), 0);
    // Fails at the driver, but the entry is written.
    EXPECT_THROW(board->setInterruptEventForInputs(0x10, ANY_EDGE), CorvaneException);
    EXPECT_NO_THROW(board->disableDeviceInterrupts());
    corvane_sim_clear_failures();
    board->clearInterruptConditions();
    corvane_sim_trace_clear();
    board->startCounter(0);
    EXPECT_EQ(traceOf(IoctlStartStopTriggerTimerCounterWatchdog)[0].bytes, unitRecord(2, 1, 0));
}

TEST_F(Keloe6100Test, DeviceInterruptsEnableAndDisableThroughTheBoardHooks) {
    board->setInterruptEventForOneInput(4, RISING_EDGE);
    board->enableDeviceInterrupts();
    EXPECT_TRUE(board->isInterruptActive());
    EXPECT_EQ(traceOf(IoctlEnableInterrupts).size(), 1u);
    board->disableDeviceInterrupts();
    EXPECT_FALSE(board->isInterruptActive());
    const auto stops = traceOf(IoctlStartStopDigitalInterrupt);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].bytes, std::vector<uint8_t>{0});
}

// Enabling when no thread can be created: the driver was told to enable interrupts, so
// everything enabling did is undone before the failure is raised, as a disable would.
TEST_F(Keloe6100Test, AThreadThatCannotStartLeavesNothingEnabled) {
    struct RefusedThreads {
        RefusedThreads() : previous(setInterruptThreadStarter(&refuse)) {}
        ~RefusedThreads() { setInterruptThreadStarter(previous); }
        static std::thread refuse(std::function<void()>) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                    "no thread for this test");
        }
        InterruptThreadStarter previous;
    };
    auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator());
    };
    board->setInterruptEventForOneInput(4, RISING_EDGE);
    corvane_sim_trace_clear();
    const auto descriptorsBefore = openDescriptors();
    {
        RefusedThreads refused;
        EXPECT_RAISES(board->enableDeviceInterrupts(), 0x8500060Eu,
                      "Failed to start the interrupt thread: no thread for this test: " +
                          std::generic_category().message(EAGAIN));
    }
    EXPECT_FALSE(board->isInterruptActive());
    // The enabling, then the board's interrupt conditions cleared; the event descriptor is
    // closed again.
    const auto sent = trace();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].command, IoctlEnableInterrupts);
    EXPECT_EQ(sent[0].bytes, std::vector<uint8_t>(4, 0));
    EXPECT_EQ(sent[1].command, IoctlStartStopDigitalInterrupt);
    EXPECT_EQ(sent[1].bytes, std::vector<uint8_t>{0});
    EXPECT_EQ(openDescriptors(), descriptorsBefore);

    // Enabling works again once threads can be created.
    board->enableDeviceInterrupts();
    EXPECT_TRUE(board->isInterruptActive());
    board->disableDeviceInterrupts();
    EXPECT_FALSE(board->isInterruptActive());
}

}  // namespace
