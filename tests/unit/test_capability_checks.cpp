// The state and parameter checks that the capability mixins give every board.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "CorvaneException.h"
#include "DeviceTestBoard.h"

using namespace velmor::corvane;
using namespace corvane_test;

namespace {

class CapabilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        fd = openSimulatedBoard("keloe6100");
        ASSERT_GE(fd, 0);
        board = std::make_unique<ChannelTestBoard>(fd);
        VelmorDeviceStruct information{};
        TimerInformations& timer = information.functions.timer;
        timer.number_timers = 2;
        timer.min_reload_value[MICROSECOND] = 10;
        timer.max_reload_value[MICROSECOND] = 65535;
        timer.min_reload_value[MILLISECOND] = 1;
        timer.max_reload_value[MILLISECOND] = 4095;
        timer.min_reload_value[SECOND] = 1;
        timer.max_reload_value[SECOND] = 60;
        // CUSTOM: both limits 0.
        WatchdogInformations& watchdog = information.functions.watchdog;
        watchdog.number_watchdogs = 1;
        watchdog.min_reload_value[SECOND] = 2;
        watchdog.max_reload_value[SECOND] = 255;
        information.functions.counter.number_counters = 3;
        information.functions.counter.max_reload_value = 65535;
        board->setDeviceInformation(information);
    }
    void TearDown() override {
        board.reset();
        ::close(fd);
    }

    // Runs check and returns the CorvaneException it raised (code 0 if none).
    template <typename Check>
    static CorvaneException failure(Check check) {
        try {
            check();
        } catch (const CorvaneException& e) {
            return e;
        }
        return CorvaneException();
    }

    int fd = -1;
    std::unique_ptr<ChannelTestBoard> board;
};

}  // namespace

TEST_F(CapabilityTest, TimerIdsAreCheckedAgainstTheBoardLimitWithTheCallersFunction) {
    EXPECT_NO_THROW(board->verifyTimerParameters(0, VELMOR_FUNCTION_START));
    EXPECT_NO_THROW(board->verifyTimerParameters(1, VELMOR_FUNCTION_START));
    CorvaneException e = failure([&] { board->verifyTimerParameters(2, VELMOR_FUNCTION_START); });
    EXPECT_EQ(e.getCode(), 0x83001310u);
    EXPECT_EQ(e.getMessage(), "Invalid timer_id: out of range");
    EXPECT_EQ(failure([&] { board->verifyTimerParameters(255, VELMOR_FUNCTION_STOP); }).getCode(),
              0x83001610u);
}

TEST_F(CapabilityTest, ReloadLimitsAreInclusivePerTimebase) {
    EXPECT_NO_THROW(board->verifyTimerParameters(0, MILLISECOND, 1, VELMOR_FUNCTION_INIT));
    EXPECT_NO_THROW(board->verifyTimerParameters(1, MILLISECOND, 4095, VELMOR_FUNCTION_INIT));
    for (uint16_t reload : {uint16_t(0), uint16_t(4096)}) {
        CorvaneException e = failure(
            [&] { board->verifyTimerParameters(0, MILLISECOND, reload, VELMOR_FUNCTION_INIT); });
        EXPECT_EQ(e.getCode(), 0x83001203u) << reload;
        EXPECT_EQ(e.getMessage(),
                  "Invalid reload value. Value should be between [1; 4095] for this timebase.");
    }
    // Each timebase has its own limits.
    EXPECT_NO_THROW(board->verifyTimerParameters(0, MICROSECOND, 4096, VELMOR_FUNCTION_INIT));
    EXPECT_THROW(board->verifyTimerParameters(0, SECOND, 61, VELMOR_FUNCTION_INIT),
                 CorvaneException);
    // A timebase whose limits are both 0 accepts only 0.
    EXPECT_NO_THROW(board->verifyTimerParameters(0, CUSTOM, 0, VELMOR_FUNCTION_INIT));
    EXPECT_EQ(failure([&] { board->verifyTimerParameters(0, CUSTOM, 1, VELMOR_FUNCTION_INIT); })
                  .getMessage(),
              "Invalid reload value. Value should be between [0; 0] for this timebase.");
}

// A time base outside the enumeration, as a C caller passes it: built from raw bits
// and handed on without reading it as an enumeration here.
__attribute__((no_sanitize("enum"))) void checkWithRawTimebase(ChannelTestBoard& board,
                                                                 bool watchdog, int raw,
                                                                 uint8_t id, uint16_t reload) {
    TIMEBASE_UNITS timebase;
    std::memcpy(&timebase, &raw, sizeof timebase);
    if (watchdog) {
        board.verifyWatchdogParameters(id, timebase, reload, VELMOR_FUNCTION_INIT);
    } else {
        board.verifyTimerParameters(id, timebase, reload, VELMOR_FUNCTION_INIT);
    }
}

TEST_F(CapabilityTest, InvalidTimebaseIsPrintedSignedWithItsUnnamedReason) {
    CorvaneException four = failure([&] { checkWithRawTimebase(*board, false, 4, 0, 1); });
    EXPECT_EQ(four.getCode(), 0x83001212u);
    EXPECT_EQ(four.getMessage(), "4 is not a valid timebase.");
    EXPECT_NE(std::string(four.what()).find("UNKNOWN_REASON"), std::string::npos);

    CorvaneException minusOne = failure([&] { checkWithRawTimebase(*board, true, -1, 0, 2); });
    EXPECT_EQ(minusOne.getCode(), 0x84001212u);
    EXPECT_EQ(minusOne.getMessage(), "-1 is not a valid timebase.");
}

TEST_F(CapabilityTest, ChecksStopAtTheFirstFailedConditionInOrder) {
    // id before timebase, timebase before reload.
    EXPECT_EQ(failure([&] {
                  checkWithRawTimebase(*board, false, 9, 9, 9999);
              }).getMessage(),
              "Invalid timer_id: out of range");
    EXPECT_EQ(failure([&] {
                  checkWithRawTimebase(*board, false, 9, 0, 9999);
              }).getMessage(),
              "9 is not a valid timebase.");
    EXPECT_EQ(failure([&] {
                  board->verifyCounterParameters(3, 0, VELMOR_FUNCTION_INIT);
              }).getMessage(),
              "Invalid counter_id: out of range");
}

TEST_F(CapabilityTest, WatchdogChecksUseTheWatchdogRecordAndDomain) {
    EXPECT_NO_THROW(board->verifyWatchdogParameters(0, SECOND, 2, VELMOR_FUNCTION_INIT));
    CorvaneException reload =
        failure([&] { board->verifyWatchdogParameters(0, SECOND, 256, VELMOR_FUNCTION_INIT); });
    EXPECT_EQ(reload.getCode(), 0x84001203u);
    EXPECT_EQ(reload.getMessage(),
              "Invalid reload value. Value should be between [2; 255] for this timebase.");
    CorvaneException id =
        failure([&] { board->verifyWatchdogParameters(1, VELMOR_FUNCTION_TRIGGER); });
    EXPECT_EQ(id.getCode(), 0x84001410u);
    EXPECT_EQ(id.getMessage(), "Invalid watchdog_id: out of range");
    // The timer limits do not leak into the watchdog check.
    EXPECT_THROW(board->verifyWatchdogParameters(0, MILLISECOND, 1, VELMOR_FUNCTION_INIT),
                 CorvaneException);
}

TEST_F(CapabilityTest, CounterReloadMustBeBetweenOneAndTheLimit) {
    EXPECT_NO_THROW(board->verifyCounterParameters(2, 65535, VELMOR_FUNCTION_INIT));
    EXPECT_NO_THROW(board->verifyCounterParameters(0, 1, VELMOR_FUNCTION_INIT));
    for (uint32_t reload : {0u, 65536u}) {
        CorvaneException e =
            failure([&] { board->verifyCounterParameters(0, reload, VELMOR_FUNCTION_INIT); });
        EXPECT_EQ(e.getCode(), 0x81001203u);
        EXPECT_EQ(e.getMessage(), "Invalid reload value between [1; 65535]");
    }
    EXPECT_EQ(failure([&] { board->disableCounterInterrupt(3); }).getCode(), 0x81002710u);
}

TEST_F(CapabilityTest, LimitsFollowTheStoredDeviceInformation) {
    VelmorDeviceStruct information = board->getDeviceInformation();
    information.functions.timer.number_timers = 3;
    board->setDeviceInformation(information);
    EXPECT_NO_THROW(board->verifyTimerParameters(2, VELMOR_FUNCTION_READ_VALUE));
}

TEST_F(CapabilityTest, InterruptEventRecordsAnswerWhetherAnyIsEnabled) {
    EXPECT_FALSE(board->isAnyCounterInterruptEventSet());
    board->enableCounterInterrupt(1);
    EXPECT_TRUE(board->isAnyCounterInterruptEventSet());
    board->disableCounterInterrupt(1);
    EXPECT_FALSE(board->isAnyCounterInterruptEventSet());
    EXPECT_EQ(board->counterEvents().size(), 1u);

    // The three records are separate.
    board->enableTimerInterrupt(0);
    EXPECT_TRUE(board->isAnyTimerInterruptEventSet());
    EXPECT_FALSE(board->isAnyWatchdogInterruptEventSet());
    EXPECT_FALSE(board->isAnyCounterInterruptEventSet());
    board->disableWatchdogInterrupt(0);
    EXPECT_FALSE(board->isAnyWatchdogInterruptEventSet());
    board->enableWatchdogInterrupt(0);
    EXPECT_TRUE(board->isAnyWatchdogInterruptEventSet());
}

TEST_F(CapabilityTest, DigitalInterruptMapsHaveFixedKeys) {
    EXPECT_FALSE(board->isAnyDigitalInterruptEventSet());
    EXPECT_EQ(board->channelEvents().size(), 64u);
    EXPECT_EQ(board->portLogic().size(), 4u);
    EXPECT_FALSE(board->outputMemoryFlag());

    board->channelEvents().at(63) = RISING_EDGE;
    board->portLogic().at(2) = AND;
    EXPECT_TRUE(board->isAnyDigitalInterruptEventSet());
    board->resetEventMaps();
    EXPECT_FALSE(board->isAnyDigitalInterruptEventSet());
    EXPECT_EQ(board->portLogic().at(2), OR);
    EXPECT_EQ(board->channelEvents().size(), 64u);
    EXPECT_EQ(board->portLogic().size(), 4u);

    // A missing channel entry is reported with the lookup's text.
    board->channelEvents().erase(5);
    CorvaneException e = failure([&] { board->isAnyDigitalInterruptEventSet(); });
    EXPECT_EQ(e.getCode(), 0x82001A10u);
    EXPECT_EQ(e.getMessage(), "map::at");
    board->initInterruptMaps();
    EXPECT_EQ(board->channelEvents().size(), 64u);
}

TEST_F(CapabilityTest, OutputMemoryIsAFlagWithoutDriverCalls) {
    corvane_sim_trace_clear();
    board->setOutputMemoryOn();
    EXPECT_TRUE(board->outputMemoryFlag());
    board->setOutputMemoryOff();
    board->setOutputMemoryOff();
    EXPECT_FALSE(board->outputMemoryFlag());
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST(ChannelRangeTest, SixteenChannelsTakenAsUnsigned) {
    EXPECT_NO_THROW(verifyChannelRange(0));
    EXPECT_NO_THROW(verifyChannelRange(15));
    for (char channel : {char(16), char(-1), char(-128)}) {
        try {
            verifyChannelRange(channel);
            FAIL() << int(channel);
        } catch (const CorvaneException& e) {
            EXPECT_EQ(e.getCode(), 0x82001004u);
            EXPECT_EQ(e.getMessage(), "Wrong channel range. Valid is from 0 to 15.");
        }
    }
}
