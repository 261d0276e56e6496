// The KELO3100 board over the simulated driver: information update, clock conversion,
// the unit records as the driver receives them, pattern words, re-coded failures and the
// interrupt clear hook.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

#include "BoardTestSupport.h"
#include "CorvaneException.h"
#include "IoctlCommands.h"
#include "KELO3100.h"
#include "KELO3100Discovery.h"
#include "KELO3100Tables.h"
#include "KELOE6100.h"
#include "SimTestSupport.h"

using namespace velmor::corvane;
using namespace corvane_sim_test;
using corvane_board_test::initRecord;
using corvane_board_test::raised;
using corvane_board_test::unitRecord;
using ::testing::HasSubstr;

namespace {

const char* const kNode = "kelo3100_0";

// The commands this board received, unless another node is named.
std::vector<SimCall> callsOf(uint32_t command, const std::string& node = kNode) {
    return corvane_board_test::callsOf(command, node);
}

std::vector<uint8_t> unitBytes(uint8_t index, uint8_t clock, uint16_t mode, uint32_t reload,
                               uint32_t options) {
    return initRecord(index, clock, mode, reload, options);
}

std::vector<uint8_t> startStopBytes(uint8_t index, uint8_t action, uint8_t interrupt) {
    return unitRecord(index, action, interrupt);
}

class Kelo3100Test : public ::testing::Test {
protected:
    Kelo3100Test() : boards("kelo3100"), node(kNode) {}

    void SetUp() override {
        ASSERT_TRUE(node.isOpen()) << "open failed: " << std::strerror(node.openError());
        board = std::make_shared<KELO3100>(node.fd());
        simClearTrace();
    }

    // The one driver record of the last call of this command.
    std::vector<uint8_t> lastSent(uint32_t command) {
        auto calls = callsOf(command);
        if (calls.empty()) {
            ADD_FAILURE() << "command not sent";
            return {};
        }
        return calls.back().sent;
    }

    IoctlInitDigitalInputInterruptStruct lastPatternRecord() {
        auto calls = callsOf(IoctlInitDigitalInputInterrupt);
        if (calls.empty()) {
            ADD_FAILURE() << "no pattern record sent";
            return IoctlInitDigitalInputInterruptStruct{};
        }
        return calls.back().sentAs<IoctlInitDigitalInputInterruptStruct>();
    }

    void failNext(uint32_t command, int times = 1) {
        ASSERT_EQ(0, corvane_sim_fail(kNode, command, -1, 0, times, nullptr));
    }

    SimBoards boards;
    SimNode node;
    std::shared_ptr<KELO3100> board;
};

// ---- Information and tables --------------------------------------------------------------

TEST_F(Kelo3100Test, InformationComesFromTheDriverOverTheDefaultTables) {
    const VelmorDeviceStruct info = board->getDeviceInformation();
    EXPECT_STREQ("kelo3100_0", info.id);
    EXPECT_STREQ("kelo3100", info.general.product_name);
    EXPECT_STREQ("SIM-KELO3100-1.0", info.general.firmware_version);
    EXPECT_EQ(std::wstring(L"kelo3100_0"), std::wstring(info.general.custom_id));
    EXPECT_EQ(VELMOR_DEVICE_PCI, info.general.device_type);
    EXPECT_EQ(0, info.bus.is_pcie);

    const VelmorFunctionInformations& f = info.functions;
    EXPECT_EQ(16, f.digital.number_inputs);
    EXPECT_EQ(16, f.digital.number_outputs);
    EXPECT_EQ(2, f.digital.number_of_ports);
    EXPECT_EQ(0x3FFFu, f.digital.interrupt_mask);
    EXPECT_EQ(3, f.timer.number_timers);
    const uint16_t maxReload[4] = {4095, 4095, 75, 65535};
    const uint16_t minReload[4] = {18, 1, 1, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(maxReload[i], f.timer.max_reload_value[i]) << i;
        EXPECT_EQ(minReload[i], f.timer.min_reload_value[i]) << i;
        EXPECT_EQ(maxReload[i], f.watchdog.max_reload_value[i]) << i;
        EXPECT_EQ(minReload[i], f.watchdog.min_reload_value[i]) << i;
    }
    EXPECT_EQ(0x0Eu, f.timer.valid_options);
    EXPECT_EQ(1, f.watchdog.number_watchdogs);
    EXPECT_EQ(0x0Eu, f.watchdog.valid_options);
    EXPECT_EQ(3, f.counter.number_counters);
    EXPECT_EQ(65535u, f.counter.max_reload_value);
    EXPECT_EQ(0x0Eu, f.counter.valid_options);

    EXPECT_STREQ("id_not_filled", n_KELO_3100::kelo3100_default_infos.id);
    EXPECT_EQ(0, std::memcmp(&n_KELO_3100::kelo3100_functions,
                             &n_KELO_3100::kelo3100_default_infos.functions,
                             sizeof(VelmorFunctionInformations)));
}

TEST(Kelo3100Info, PciExpressVariantNamesItselfKeloe3100WithItsBusNumber) {
    SimBoards boards("keloe3100:number=2");
    SimNode node("keloe3100_0");
    ASSERT_TRUE(node.isOpen());
    KELO3100 board(node.fd());
    const VelmorDeviceStruct info = board.getDeviceInformation();
    EXPECT_STREQ("keloe3100_2", info.id);
    EXPECT_STREQ("keloe3100", info.general.product_name);
    EXPECT_EQ(VELMOR_DEVICE_PCIE, info.general.device_type);
}

TEST(Kelo3100Info, DriverFailureOfTheInformationUpdateFailsConstruction) {
    SimBoards boards("kelo3100");
    SimNode node(kNode);
    ASSERT_EQ(0, corvane_sim_fail(kNode, IoctlGetDeviceInformations, -1, 0, 1, nullptr));
    CorvaneException e = raised([&] { KELO3100 board(node.fd()); });
    EXPECT_EQ(0x86000F08u, e.getCode());
    EXPECT_THAT(e.what(), HasSubstr("IoctlGetDeviceInformations"));
}

// ---- Digital I/O -----------------------------------------------------------------------------

TEST_F(Kelo3100Test, DigitalChannelsAndOutputMemory) {
    ASSERT_EQ(0, corvane_sim_set_inputs(kNode, 0x8000));
    EXPECT_TRUE(board->readSingleDigitalInput(15));
    EXPECT_FALSE(board->readSingleDigitalInput(14));
    simClearTrace();
    EXPECT_EQ(0x82001004u, raised([&] { board->readSingleDigitalInput(16); }).getCode());
    EXPECT_TRUE(simTrace(kNode).empty());

    // Output memory is on from construction.
    board->writeSingleDigitalOutput(3, false);
    EXPECT_EQ((std::vector<uint8_t>{0x08, 0, 0, 0, 1, 0, 0, 0}), lastSent(IoctlSetDigitalOutputs));
    board->writeAllDigitalOutput(0xFFFF, true);
    EXPECT_EQ((std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 1, 1, 0, 0}), lastSent(IoctlSetDigitalOutputs));
    EXPECT_EQ(0xFFFFu, board->getDigitalOutputStatus());

    simClearTrace();
    CorvaneException mask = raised([&] { board->writeAllDigitalOutput(0x10000, true); });
    EXPECT_EQ(0x82001904u, mask.getCode());
    board->setOutputMemoryOff();
    // The memory check comes before the mask check.
    EXPECT_EQ(0x82001909u, raised([&] { board->writeAllDigitalOutput(0x10000, false); }).getCode());
    EXPECT_EQ(0x82001909u, raised([&] { board->writeSingleDigitalOutput(1, false); }).getCode());
    EXPECT_TRUE(callsOf(IoctlSetDigitalOutputs).empty());
    board->writeSingleDigitalOutput(5, true);
    EXPECT_EQ((std::vector<uint8_t>{0x20, 0, 0, 0, 0, 1, 0, 0}), lastSent(IoctlSetDigitalOutputs));

    CorvaneException unsupported = raised([&] { board->setOutputInterrupt(true, false); });
    EXPECT_EQ(0x82002C05u, unsupported.getCode());
    EXPECT_THAT(unsupported.what(), HasSubstr("This card does not support output interrupt mask"));

    board->enableDigitalInterrupt();
    EXPECT_EQ(std::vector<uint8_t>{1}, lastSent(IoctlStartStopDigitalInterrupt));
    board->disableDigitalInterrupt();
    EXPECT_EQ(std::vector<uint8_t>{0}, lastSent(IoctlStartStopDigitalInterrupt));
}

// ---- Clock conversion ---------------------------------------------------------------------

struct Conversion {
    TIMEBASE_UNITS timebase;
    uint16_t value;
    uint8_t clock;
    uint16_t reload;
};

TEST_F(Kelo3100Test, ConversionTableRoundsHalvesAwayFromZero) {
    const Conversion table[] = {
        {MICROSECOND, 18, 0, 1},     {MICROSECOND, 1, 0, 1},      {MICROSECOND, 4095, 0, 229},
        {MILLISECOND, 1, 1, 2},      {MILLISECOND, 100, 1, 175},  {MILLISECOND, 1000, 1, 1745},
        {MILLISECOND, 4095, 1, 7146}, {SECOND, 1, 2, 874},        {SECOND, 75, 2, 65513},
        {CUSTOM, 1001, 3, 500},      {CUSTOM, 1, 3, 1},           {CUSTOM, 2, 3, 1},
        // CUSTOM below 1 and above 4095 still converts.
        {CUSTOM, 0, 3, 1},           {CUSTOM, 4096, 3, 2048},     {CUSTOM, 65535, 3, 32767},
    };
    for (const Conversion& c : table) {
        uint8_t clock = 0xEE;
        uint16_t reload = 0xEEEE;
        board->convertTimebaseToFrequency(c.timebase, c.value, clock, reload);
        EXPECT_EQ(c.clock, clock) << c.timebase << " " << c.value;
        EXPECT_EQ(c.reload, reload) << c.timebase << " " << c.value;
    }
}

TEST_F(Kelo3100Test, ConversionFailuresReachableOnlyByDirectCalls) {
    uint8_t clock = 0;
    uint16_t reload = 0;
    for (uint16_t value : {uint16_t(0), uint16_t(4096), uint16_t(65535)}) {
        CorvaneException e = raised([&] { board->convertTimebaseToFrequency(MILLISECOND, value, clock, reload); });
        EXPECT_EQ(0x83001504u, e.getCode()) << value;
        EXPECT_THAT(e.what(), HasSubstr("Reload value must be between 1 and 4095"));
    }
    CorvaneException timebase = raised(
        [&] { board->convertTimebaseToFrequency(static_cast<TIMEBASE_UNITS>(7), 10, clock, reload); });
    EXPECT_EQ(0x83001503u, timebase.getCode());
    EXPECT_THAT(timebase.what(), HasSubstr("Invalid timebase"));
    // Out of range with an unknown time base reports the range.
    EXPECT_EQ(0x83001504u, raised([&] {
                  board->convertTimebaseToFrequency(static_cast<TIMEBASE_UNITS>(7), 0, clock, reload);
              }).getCode());
    // 76 s needs more than 16 bits of ticks: refused instead of wrapping to a short period.
    CorvaneException overflow = raised([&] { board->convertTimebaseToFrequency(SECOND, 76, clock, reload); });
    EXPECT_EQ(0x83001506u, overflow.getCode());

    EXPECT_EQ(0, board->convertFrequencyToTypeDef(111860));
    EXPECT_EQ(1, board->convertFrequencyToTypeDef(3490));
    EXPECT_EQ(2, board->convertFrequencyToTypeDef(1747));
    for (uint32_t frequency : {0u, 1000u, 111861u, 3489u}) {
        CorvaneException e = raised([&] { board->convertFrequencyToTypeDef(frequency); });
        EXPECT_EQ(0x83001503u, e.getCode()) << frequency;
        EXPECT_THAT(e.what(), HasSubstr("Invalid frequency for conversion"));
    }
}

// ---- Unit records --------------------------------------------------------------------------

TEST_F(Kelo3100Test, TimerRecordsCarryClockModeReloadAndUnitOptions) {
    board->initTimer(0, MICROSECOND, 18, 0xFF);
    EXPECT_EQ(unitBytes(0, 0, 0, 1, 0x02), lastSent(IoctlInitTimerCounterWatchdog));
    board->initTimer(1, MILLISECOND, 1000, 0xFF);
    EXPECT_EQ(unitBytes(1, 1, 0, 1745, 0x0E), lastSent(IoctlInitTimerCounterWatchdog));
    board->initTimer(2, SECOND, 75, 0xFF);
    EXPECT_EQ(unitBytes(2, 2, 0, 65513, 0x0A), lastSent(IoctlInitTimerCounterWatchdog));
    board->initTimer(1, CUSTOM, 1001, 0);
    EXPECT_EQ(unitBytes(1, 3, 0, 500, 0), lastSent(IoctlInitTimerCounterWatchdog));

    simClearTrace();
    CorvaneException reload = raised([&] { board->initTimer(0, MICROSECOND, 17, 0); });
    EXPECT_EQ(0x83001203u, reload.getCode());
    EXPECT_THAT(reload.what(), HasSubstr("[18; 4095]"));
    EXPECT_EQ(0x83001203u, raised([&] { board->initTimer(0, SECOND, 76, 0); }).getCode());
    EXPECT_EQ(0x83001210u, raised([&] { board->initTimer(3, SECOND, 1, 0); }).getCode());
    EXPECT_TRUE(callsOf(IoctlInitTimerCounterWatchdog).empty());

    board->setCustomTimerFrequency(5000);
    EXPECT_EQ(bytesOf<uint32_t>(5000), lastSent(IoctlSetCustomTimerFrequency));
}

TEST_F(Kelo3100Test, CounterAndWatchdogRecords) {
    board->initCounter(1, 500, 0xFF);
    EXPECT_EQ(unitBytes(1, 0, 2, 500, 0x0E), lastSent(IoctlInitTimerCounterWatchdog));
    board->initCounter(0, 1, 0xFF);
    EXPECT_EQ(unitBytes(0, 0, 2, 1, 0x02), lastSent(IoctlInitTimerCounterWatchdog));
    board->initCounter(2, 65535, 0xFF);
    EXPECT_EQ(unitBytes(2, 0, 2, 65535, 0x0A), lastSent(IoctlInitTimerCounterWatchdog));
    CorvaneException counter = raised([&] { board->initCounter(0, 0, 0); });
    EXPECT_EQ(0x81001203u, counter.getCode());
    EXPECT_THAT(counter.what(), HasSubstr("Invalid reload value between [1; 65535]"));

    // The watchdog is unit 2 in mode 3.
    board->initWatchdog(0, MILLISECOND, 100, 0x0E);
    EXPECT_EQ(unitBytes(2, 1, 3, 175, 0x0A), lastSent(IoctlInitTimerCounterWatchdog));
    CorvaneException id = raised([&] { board->initWatchdog(1, MILLISECOND, 100, 0); });
    EXPECT_EQ(0x84001210u, id.getCode());
    EXPECT_THAT(id.what(), HasSubstr("Invalid watchdog_id: out of range"));

    // Direct unit set-up: only units 0 to 2 exist.
    simClearTrace();
    IoctlInitTimerCounterWatchdogStruct record{};
    record.index = 3;
    CorvaneException unit = raised([&] { board->initTimerCounterWatchdog(3, record); });
    EXPECT_EQ(0x80001210u, unit.getCode());
    EXPECT_THAT(unit.what(), HasSubstr("Invalid timer_counter_id for initTimerCounter"));
    EXPECT_TRUE(simTrace(kNode).empty());
}

TEST_F(Kelo3100Test, SetUpByClockFrequencyThroughTheFreeFunctions) {
    std::shared_ptr<DeviceInterface> device = board;
    EXPECT_EQ(0u, init3100Timer(device, 0, 3490, 100, 0));
    EXPECT_EQ(unitBytes(0, 1, 0, 100, 0), lastSent(IoctlInitTimerCounterWatchdog));
    EXPECT_EQ(0u, init3100Timer(device, 1, 111860, 0, 0xFF));
    EXPECT_EQ(unitBytes(1, 0, 0, 0, 0x0E), lastSent(IoctlInitTimerCounterWatchdog));

    simClearTrace();
    EXPECT_EQ(0x83001503u, init3100Timer(device, 0, 1000, 100, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(), HasSubstr("Invalid frequency for conversion"));
    EXPECT_EQ(0x83001210u, init3100Timer(device, 3, 1747, 100, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(),
                HasSubstr("Invalid timer_counter_id for initTimerCounter"));
    EXPECT_TRUE(callsOf(IoctlInitTimerCounterWatchdog).empty());

    // The watchdog by frequency: the caller's unit number, mode 0, the watchdog's options.
    EXPECT_EQ(0u, init3100Watchdog(device, 2, 1747, 300, 0xFF));
    EXPECT_EQ(unitBytes(2, 2, 0, 300, 0x0A), lastSent(IoctlInitTimerCounterWatchdog));
    EXPECT_EQ(0x84001210u, init3100Watchdog(device, 3, 1747, 300, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(),
                HasSubstr("Invalid timer_counter_id for initTimerCounter"));

    failNext(IoctlInitTimerCounterWatchdog);
    EXPECT_EQ(0x84001210u, init3100Watchdog(device, 0, 3490, 10, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(), HasSubstr("Injected failure"));
}

TEST(Kelo3100FreeFunctions, EmptyPointerAndOtherBoardsGiveClearCodes) {
    SimBoards boards("keloe6100");
    SimNode node("keloe6100_0");
    ASSERT_TRUE(node.isOpen());
    std::shared_ptr<DeviceInterface> other = std::make_shared<KELOE6100>(node.fd());
    simClearTrace();

    EXPECT_EQ(0x80000E03u, init3100Timer(nullptr, 0, 3490, 100, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(), HasSubstr("init3100Timer: the device is empty"));
    EXPECT_EQ(0x80000E03u, init3100Watchdog(nullptr, 0, 3490, 100, 0));

    EXPECT_EQ(0x80000E05u, init3100Timer(other, 0, 3490, 100, 0));
    EXPECT_THAT(CorvaneException::getVelmorLastError(),
                HasSubstr("device keloe6100_0 is not a KELO3100 board"));
    EXPECT_EQ(0x80000E05u, init3100Watchdog(other, 0, 3490, 100, 0));
    EXPECT_TRUE(callsOf(IoctlInitTimerCounterWatchdog, "keloe6100_0").empty());
}

TEST_F(Kelo3100Test, StartCarriesAnyCapabilityInterruptFlag) {
    board->enableCounterInterrupt(1);
    EXPECT_TRUE(simTrace(kNode).empty());
    board->startTimer(0);
    EXPECT_EQ(startStopBytes(0, 1, 1), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
    // Stop and trigger never carry the flag.
    board->stopTimer(0);
    EXPECT_EQ(startStopBytes(0, 0, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
    board->triggerTimer(1);
    EXPECT_EQ(startStopBytes(1, 2, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
    board->disableCounterInterrupt(1);
    board->startCounter(2);
    EXPECT_EQ(startStopBytes(2, 1, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));

    board->enableWatchdogInterrupt(0);
    board->startCounter(0);
    EXPECT_EQ(startStopBytes(0, 1, 1), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
    board->disableWatchdogInterrupt(0);
    board->enableTimerInterrupt(2);
    board->startWatchdog(0);
    EXPECT_EQ(startStopBytes(2, 1, 1), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
    board->disableTimerInterrupt(2);
    board->startTimer(1);
    EXPECT_EQ(startStopBytes(1, 1, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
}

TEST_F(Kelo3100Test, WatchdogOperationsUseUnitTwo) {
    board->stopWatchdog(0);
    EXPECT_EQ(startStopBytes(2, 0, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
    board->triggerWatchdog(0);
    EXPECT_EQ(startStopBytes(2, 2, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));

    ASSERT_EQ(0, corvane_sim_set_unit_value(kNode, 2, 0xCAFE));
    ASSERT_EQ(0, corvane_sim_set_unit_status(kNode, 2, 7, 8, 9));
    EXPECT_EQ(0xCAFEu, board->readWatchdogValue(0));
    EXPECT_EQ((std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
              lastSent(IoctlReadTimerCounterWatchdog));
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    board->readWatchdogStatus(0, value, s1, s2, s3);
    EXPECT_EQ((std::vector<uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}),
              lastSent(IoctlReadTimerCounterWatchdog));
    EXPECT_EQ(7, s1);
    EXPECT_EQ(8, s2);
    EXPECT_EQ(9, s3);

    ASSERT_EQ(0, corvane_sim_set_unit_value(kNode, 1, 42));
    EXPECT_EQ(42u, board->readTimerValue(1));
    EXPECT_EQ(42u, board->readCounterValue(1));

    CorvaneException enable = raised([&] { board->enableWatchdogInterrupt(1); });
    EXPECT_EQ(0x84000510u, enable.getCode());
}

// ---- Re-coding ---------------------------------------------------------------------------

TEST_F(Kelo3100Test, DriverFailureInsideStartTimerKeepsTheTransportTextWithTheTimerCode) {
    failNext(IoctlStartStopTriggerTimerCounterWatchdog);
    CorvaneException e = raised([&] { board->startTimer(0); });
    EXPECT_EQ(0x83001310u, e.getCode());
    EXPECT_THAT(e.what(), HasSubstr("Code: 0x83001310"));
    EXPECT_THAT(e.what(), HasSubstr("Error happened with IOCTL IoctlStartStopTriggerTimerCounterWatchdog"));
    EXPECT_THAT(e.what(), HasSubstr("Code: 0x86000f08"));
    EXPECT_THAT(e.what(), HasSubstr("Injected failure"));
    EXPECT_EQ(std::string(e.what()), CorvaneException::getVelmorLastError());
}

TEST_F(Kelo3100Test, EachOperationReCodesWithItsOwnCode) {
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    struct Case {
        const char* name;
        uint32_t command;
        uint32_t code;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"initTimer", IoctlInitTimerCounterWatchdog, 0x83001210, [&] { board->initTimer(1, MILLISECOND, 5, 0); }},
        {"stopTimer", IoctlStartStopTriggerTimerCounterWatchdog, 0x83001610, [&] { board->stopTimer(1); }},
        {"triggerTimer", IoctlStartStopTriggerTimerCounterWatchdog, 0x83001410, [&] { board->triggerTimer(1); }},
        {"readTimerValue", IoctlReadTimerCounterWatchdog, 0x83001710, [&] { board->readTimerValue(1); }},
        {"readTimerStatus", IoctlReadTimerCounterWatchdog, 0x83001810,
         [&] { board->readTimerStatus(1, value, s1, s2, s3); }},
        {"initCounter", IoctlInitTimerCounterWatchdog, 0x81001210, [&] { board->initCounter(1, 5, 0); }},
        {"startCounter", IoctlStartStopTriggerTimerCounterWatchdog, 0x81001310, [&] { board->startCounter(1); }},
        {"stopCounter", IoctlStartStopTriggerTimerCounterWatchdog, 0x81001610, [&] { board->stopCounter(1); }},
        {"readCounterValue", IoctlReadTimerCounterWatchdog, 0x81001710, [&] { board->readCounterValue(1); }},
        {"readCounterStatus", IoctlReadTimerCounterWatchdog, 0x81001810,
         [&] { board->readCounterStatus(1, value, s1, s2, s3); }},
        {"initWatchdog", IoctlInitTimerCounterWatchdog, 0x84001210, [&] { board->initWatchdog(0, SECOND, 5, 0); }},
        {"startWatchdog", IoctlStartStopTriggerTimerCounterWatchdog, 0x84001310, [&] { board->startWatchdog(0); }},
        {"stopWatchdog", IoctlStartStopTriggerTimerCounterWatchdog, 0x84001610, [&] { board->stopWatchdog(0); }},
        {"triggerWatchdog", IoctlStartStopTriggerTimerCounterWatchdog, 0x84001410, [&] { board->triggerWatchdog(0); }},
        {"readWatchdogValue", IoctlReadTimerCounterWatchdog, 0x84001710, [&] { board->readWatchdogValue(0); }},
        {"readWatchdogStatus", IoctlReadTimerCounterWatchdog, 0x84001810,
         [&] { board->readWatchdogStatus(0, value, s1, s2, s3); }},
    };
    for (const Case& c : cases) {
        failNext(c.command);
        CorvaneException e = raised(c.run);
        EXPECT_EQ(c.code, e.getCode()) << c.name;
        EXPECT_THAT(e.what(), HasSubstr("Injected failure")) << c.name;
    }
    // Id checks: inside the region for timers and counters, before it for the watchdog.
    CorvaneException timerId = raised([&] { board->startTimer(3); });
    EXPECT_EQ(0x83001310u, timerId.getCode());
    EXPECT_THAT(timerId.what(), HasSubstr("Invalid timer_id: out of range"));
    CorvaneException watchdogId = raised([&] { board->stopWatchdog(1); });
    EXPECT_EQ(0x84001610u, watchdogId.getCode());
    EXPECT_THAT(watchdogId.what(), HasSubstr("Invalid watchdog_id: out of range"));

    // Operations outside any region keep the transport's code.
    failNext(IoctlGetDigitalOutputsStatus);
    EXPECT_EQ(0x86000F08u, raised([&] { board->getDigitalOutputStatus(); }).getCode());
    failNext(IoctlSetCustomTimerFrequency);
    EXPECT_EQ(0x86000F08u, raised([&] { board->setCustomTimerFrequency(1); }).getCode());
}

TEST_F(Kelo3100Test, UnitFunctionsRejectUnitsAboveTwo) {
    uint32_t value = 0;
    uint8_t s1 = 0, s2 = 0, s3 = 0;
    EXPECT_EQ(0x80001310u, raised([&] { board->startTimerCounter(3); }).getCode());
    EXPECT_EQ(0x80001610u, raised([&] { board->stopTimerCounter(3); }).getCode());
    EXPECT_EQ(0x80001410u, raised([&] { board->triggerTimerCounter(255); }).getCode());
    CorvaneException read = raised([&] { board->readTimerCounterValue(3); });
    EXPECT_EQ(0x80001710u, read.getCode());
    EXPECT_THAT(read.what(), HasSubstr("Invalid timer_counter_id for readTimerCounter"));
    EXPECT_EQ(0x80001810u, raised([&] { board->readTimerCounterStatus(3, value, s1, s2, s3); }).getCode());
    EXPECT_TRUE(simTrace(kNode).empty());
}

// ---- Pattern words -------------------------------------------------------------------------

TEST_F(Kelo3100Test, PatternWordsOfTheWorkedExamples) {
    board->setInterruptEventForOneInput(9, FALLING_EDGE);
    IoctlInitDigitalInputInterruptStruct record = lastPatternRecord();
    EXPECT_EQ(0u, record.logic_and);
    EXPECT_EQ(0x00000004u, record.first_mask);
    EXPECT_EQ(0x00020284u, record.second_mask);
    EXPECT_EQ(std::vector<uint8_t>({0, 0, 0, 0, 0x04, 0, 0, 0, 0x84, 0x02, 0x02, 0}),
              lastSent(IoctlInitDigitalInputInterrupt));

    board->setInterruptEventForOneInput(0, RISING_EDGE);
    board->setInterruptEventForOneInput(3, ON_ZERO);
    board->setInterruptEventForInputs(1u << 5, ANY_EDGE);
    record = lastPatternRecord();
    EXPECT_EQ(0x01210904u, record.first_mask);
    EXPECT_EQ(0x00020284u, record.second_mask);
    EXPECT_EQ(0x01210904u, board->createMaskFromInterruptMap(0));

    // ON_ONE sets mask and polarity only.
    board->setInterruptEventForOneInput(13, ON_ONE);
    EXPECT_EQ(0x20022284u, lastPatternRecord().second_mask);
}

TEST_F(Kelo3100Test, AndLogicTakesLevelsAndAtMostOneEdge) {
    board->setInterruptLogicForPort(0, AND);
    EXPECT_EQ(0x00000002u, lastPatternRecord().first_mask);

    // Levels on every input and one edge are fine with AND.
    board->setInterruptEventForInputs(0x55, ON_ONE);
    board->setInterruptEventForInputs(0x2A, ON_ZERO);
    board->setInterruptEventForOneInput(7, FALLING_EDGE);
    // mask 0xFF, transition 0x80, polarity 0x55, mode AND.
    EXPECT_EQ(0x5580FF02u, lastPatternRecord().first_mask);

    // A second edge is refused; the entries stay written and nothing is sent.
    const size_t sent = callsOf(IoctlInitDigitalInputInterrupt).size();
    CorvaneException e = raised([&] { board->setInterruptEventForInputs(0x0003, RISING_EDGE); });
    EXPECT_EQ(0x82001B09u, e.getCode());
    EXPECT_THAT(e.what(), HasSubstr("Logic AND cannot be used with edge-triggered interrupts on multiple channels"));
    EXPECT_EQ(sent, callsOf(IoctlInitDigitalInputInterrupt).size());
    EXPECT_EQ(0x82001B09u, raised([&] { board->createMaskFromInterruptMap(0); }).getCode());
    // ANY_EDGE counts as an edge too.
    board->setInterruptEventForInputs(0x03, ON_ZERO);
    EXPECT_EQ(0x82001B09u, raised([&] { board->setInterruptEventForOneInput(0, ANY_EDGE); }).getCode());
    // With OR the same entries are accepted and sent.
    const size_t beforeOr = callsOf(IoctlInitDigitalInputInterrupt).size();
    board->setInterruptLogicForPort(0, OR);
    EXPECT_EQ(beforeOr + 1, callsOf(IoctlInitDigitalInputInterrupt).size());
    EXPECT_EQ(4u, lastPatternRecord().first_mask & 0x7F);
}

TEST_F(Kelo3100Test, EventSettersCheckBeforeOrAfterWritingAsSpecified) {
    const size_t before = callsOf(IoctlInitDigitalInputInterrupt).size();
    CorvaneException wide = raised([&] { board->setInterruptEventForInputs(0x4000, RISING_EDGE); });
    EXPECT_EQ(0x82001A06u, wide.getCode());
    EXPECT_THAT(wide.what(), HasSubstr("Only the first 14 channels are available for interrupt on this card"));
    EXPECT_EQ(0x00000084u, board->createMaskFromInterruptMap(1));
    EXPECT_EQ(0x82001A06u, raised([&] { board->setInterruptEventForOneInput(14, ON_ONE); }).getCode());
    EXPECT_EQ(0x82001A06u, raised([&] { board->setInterruptEventForOneInput(40, ON_ONE); }).getCode());
    EXPECT_EQ(before, callsOf(IoctlInitDigitalInputInterrupt).size());

    // An unknown event is stored, then refused while building the word; every later
    // change fails the same way until the entry is overwritten.
    CorvaneException bad = raised([&] { board->setInterruptEventForOneInput(2, static_cast<DIGITAL_EVENT_TYPE>(9)); });
    EXPECT_EQ(0x82001C11u, bad.getCode());
    EXPECT_THAT(bad.what(), HasSubstr("Event does not exist in DIGITAL_EVENT_TYPE"));
    EXPECT_EQ(0x82001C11u, raised([&] { board->setInterruptLogicForPort(0, OR); }).getCode());
    EXPECT_EQ(0x82001C11u, raised([&] { board->setInterruptEventForOneInput(9, RISING_EDGE); }).getCode());
    EXPECT_EQ(before, callsOf(IoctlInitDigitalInputInterrupt).size());
    board->setInterruptEventForOneInput(2, UNUSED);
    // Input 9 was kept from the failed call and goes out now.
    EXPECT_EQ(0x02020284u, lastPatternRecord().second_mask);
}

TEST_F(Kelo3100Test, PortLogicRulesApplyInOrder) {
    CorvaneException port1And = raised([&] { board->setInterruptLogicForPort(1, AND); });
    EXPECT_EQ(0x82001B09u, port1And.getCode());
    EXPECT_THAT(port1And.what(), HasSubstr("Port number 1 can only be configured as OR on this card."));
    CorvaneException port2 = raised([&] { board->setInterruptLogicForPort(2, OR); });
    EXPECT_EQ(0x82001B03u, port2.getCode());
    EXPECT_THAT(port2.what(), HasSubstr("Port Number for this card should be 0 or 1"));
    EXPECT_EQ(0x82001B03u, raised([&] { board->setInterruptLogicForPort(2, AND); }).getCode());
    EXPECT_TRUE(callsOf(IoctlInitDigitalInputInterrupt).empty());

    // A logic value above 1 is stored before it is refused and then acts as OR.
    board->setInterruptLogicForPort(0, AND);
    CorvaneException logic = raised([&] { board->setInterruptLogicForPort(0, static_cast<DIGITAL_EVENT_LOGIC>(5)); });
    EXPECT_EQ(0x82001B11u, logic.getCode());
    EXPECT_THAT(logic.what(), HasSubstr("Invalid logic type: must be 0 (OR) or 1 (AND)"));
    EXPECT_EQ(0x00000004u, board->createMaskFromInterruptMap(0));
    EXPECT_EQ(0x82001B11u, raised([&] { board->setInterruptLogicForPort(1, static_cast<DIGITAL_EVENT_LOGIC>(7)); }).getCode());
    // A negative value passes and is sent as OR.
    board->setInterruptLogicForPort(0, static_cast<DIGITAL_EVENT_LOGIC>(-1));
    EXPECT_EQ(0x00000004u, lastPatternRecord().first_mask);
    board->setInterruptLogicForPort(1, OR);
    EXPECT_EQ(0x00000084u, lastPatternRecord().second_mask);

    // Direct calls for ports without inputs.
    CorvaneException missing = raised([&] { board->createMaskFromInterruptMap(4); });
    EXPECT_EQ(0x85001B03u, missing.getCode());
    EXPECT_THAT(missing.what(), HasSubstr("map::at"));
    EXPECT_EQ(0x82001B03u, raised([&] { board->createMaskFromInterruptMap(2); }).getCode());
}

// The checks read the stored device structure at every call; with narrower tables the
// messages that the board's own tables never reach come out with their codes.
TEST_F(Kelo3100Test, ChecksFollowTheStoredTablesWithTheirOwnMessages) {
    VelmorDeviceStruct info = board->getDeviceInformation();
    info.functions.digital.number_inputs = 8;
    info.functions.digital.number_outputs = 8;
    info.functions.digital.number_of_ports = 1;
    info.functions.digital.interrupt_mask = 0x00F0;
    board->setDeviceInformation(info);

    CorvaneException outputs = raised([&] { board->writeAllDigitalOutput(0x100, true); });
    EXPECT_EQ(0x82001904u, outputs.getCode());
    EXPECT_THAT(outputs.what(), HasSubstr("Invalid output mask: out of range"));

    CorvaneException range = raised([&] { board->setInterruptEventForOneInput(9, ON_ONE); });
    EXPECT_EQ(0x82001A04u, range.getCode());
    EXPECT_THAT(range.what(), HasSubstr("Invalid input channel: out of range"));
    CorvaneException one = raised([&] { board->setInterruptEventForOneInput(2, ON_ONE); });
    EXPECT_EQ(0x82001A03u, one.getCode());
    EXPECT_THAT(one.what(), HasSubstr("Input channel not interruptible on this device"));
    // Neither single-input refusal wrote its entry.
    EXPECT_EQ(0x00000004u, board->createMaskFromInterruptMap(0));
    EXPECT_EQ(0x00000084u, board->createMaskFromInterruptMap(1));

    // The mask setter writes its entries before it looks at the interrupt mask.
    CorvaneException mask = raised([&] { board->setInterruptEventForInputs(0x0011, ON_ONE); });
    EXPECT_EQ(0x82001A03u, mask.getCode());
    EXPECT_THAT(mask.what(), HasSubstr("Input mask contains non-interruptible channels"));
    EXPECT_EQ(0x11001104u, board->createMaskFromInterruptMap(0));

    // The logic is stored before the port count is checked.
    CorvaneException port = raised([&] { board->setInterruptLogicForPort(1, static_cast<DIGITAL_EVENT_LOGIC>(5)); });
    EXPECT_EQ(0x82001B04u, port.getCode());
    EXPECT_THAT(port.what(), HasSubstr("Invalid port_number: out of range"));
    EXPECT_TRUE(callsOf(IoctlInitDigitalInputInterrupt).empty());
}

// ---- Clearing interrupt conditions ------------------------------------------------------

TEST_F(Kelo3100Test, DisablingInterruptsClearsEveryConditionOnce) {
    board->setInterruptEventForOneInput(4, RISING_EDGE);
    board->setInterruptLogicForPort(0, AND);
    board->enableWatchdogInterrupt(0);
    board->enableTimerInterrupt(1);
    board->enableCounterInterrupt(2);
    simClearTrace();

    board->disableDeviceInterrupts();
    auto calls = simTrace(kNode);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(IoctlStartStopDigitalInterrupt, calls[0].command);
    EXPECT_EQ(std::vector<uint8_t>{0}, calls[0].sent);
    EXPECT_EQ(0x00000004u, board->createMaskFromInterruptMap(0));

    board->startCounter(0);
    EXPECT_EQ(startStopBytes(0, 1, 0), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));

    // Nothing left to clear: a second disable sends nothing.
    simClearTrace();
    board->disableDeviceInterrupts();
    EXPECT_TRUE(simTrace(kNode).empty());
}

TEST_F(Kelo3100Test, ClearingStopsSilentlyAtTheFirstDriverFailure) {
    board->setInterruptEventForOneInput(1, ON_ONE);
    board->enableTimerInterrupt(0);
    failNext(IoctlStartStopDigitalInterrupt);
    EXPECT_NO_THROW(board->clearInterruptConditions());
    // The digital maps were reset before the failing call; the timer flag was not reached.
    EXPECT_EQ(0x00000004u, board->createMaskFromInterruptMap(0));
    board->startTimer(2);
    EXPECT_EQ(startStopBytes(2, 1, 1), lastSent(IoctlStartStopTriggerTimerCounterWatchdog));
}

TEST_F(Kelo3100Test, InterruptsReachTheCallbackAndStopCleanly) {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<uint32_t> sources;
    board->setDeviceInterruptCallback([&](const VelmorDeviceStruct& device, const InterruptData& data) {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_STREQ("kelo3100_0", device.id);
        sources.push_back(data.interrupt_source);
        arrived.notify_all();
    });
    board->enableDeviceInterrupts();
    EXPECT_TRUE(board->isInterruptActive());
    InterruptData data{};
    data.interrupt_source = 0x31;
    ASSERT_GE(corvane_sim_queue_interrupt(kNode, &data), 1);
    {
        std::unique_lock<std::mutex> lock(mutex);
        ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(5), [&] { return !sources.empty(); }));
        EXPECT_EQ(0x31u, sources.front());
    }
    board->disableDeviceInterrupts();
    EXPECT_FALSE(board->isInterruptActive());
}

// ---- Discovery ---------------------------------------------------------------------------

TEST(Kelo3100Discovery, ClaimsBothPrefixesAndBuildsBoards) {
    SimBoards boards("kelo3100,keloe3100:number=1,keloe6100");
    KELO3100Discovery discovery;
    EXPECT_EQ((std::vector<std::string>{"kelo3100", "keloe3100"}), discovery.getPrefixes());
    ASSERT_TRUE(discovery.discoverDevices());
    ASSERT_EQ(2u, discovery.getDeviceHandles().size());
    std::vector<std::string> ids;
    for (const auto& entry : discovery.getDeviceHandles()) {
        std::shared_ptr<DeviceInterface> device = discovery.createCardFromHandle(entry.second);
        ASSERT_NE(nullptr, std::dynamic_pointer_cast<KELO3100>(device));
        ids.push_back(device->getDeviceInformation().id);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ((std::vector<std::string>{"kelo3100_0", "keloe3100_1"}), ids);
}

}  // namespace
