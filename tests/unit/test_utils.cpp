// In-process checks of the console helpers that need no standard input: timebase lists
// from device records, the printing interrupt callback with its flag and elapsed time,
// and the option table of the utils family. Each family keeps its own flag.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneUtils.h"
#include "VelmorUtils.h"

namespace utils = velmor::corvane::utils;

namespace {

class RecordDevice : public velmor::corvane::Device {
public:
    explicit RecordDevice(const VelmorDeviceStruct& record) : record_(record) {}
    VelmorDeviceStruct getDeviceInformation() const override { return record_; }

private:
    VelmorDeviceStruct record_;
};

VelmorDeviceStruct record(std::vector<uint16_t> timer, std::vector<uint16_t> watchdog) {
    VelmorDeviceStruct device;
    std::memset(&device, 0, sizeof device);
    for (std::size_t i = 0; i < 4; ++i) {
        device.functions.timer.max_reload_value[i] = timer[i];
        device.functions.watchdog.max_reload_value[i] = watchdog[i];
    }
    return device;
}

std::vector<std::string> flatList(const VelmorDeviceStruct* device) {
    const char* names[4] = {nullptr, nullptr, nullptr, nullptr};
    const int n = VelmorUtilsGetValidTimebaseList(device, names);
    std::vector<std::string> result;
    for (int i = 0; i < n; ++i) result.emplace_back(names[i]);
    for (int i = n; i < 4; ++i) EXPECT_EQ(names[i], nullptr) << "written past the count";
    return result;
}

TEST(UtilsTimebaseList, TimerOrWatchdogReloadDecidesInUnitOrder) {
    using V = std::vector<std::string>;
    const VelmorDeviceStruct timerOnly = record({0, 100, 0, 5}, {0, 0, 0, 0});
    const VelmorDeviceStruct watchdogOnly = record({0, 0, 0, 0}, {7, 0, 9, 0});
    const VelmorDeviceStruct both = record({1, 0, 0, 0}, {0, 0, 1, 1});
    const VelmorDeviceStruct none = record({0, 0, 0, 0}, {0, 0, 0, 0});
    EXPECT_EQ(flatList(&timerOnly), (V{"ms", "c"}));
    EXPECT_EQ(flatList(&watchdogOnly), (V{"us", "s"}));
    EXPECT_EQ(flatList(&both), (V{"us", "s", "c"}));
    EXPECT_EQ(flatList(&none), V{});
    EXPECT_EQ(flatList(nullptr), V{});
    EXPECT_EQ(VelmorUtilsGetValidTimebaseList(&both, nullptr), 0);

    EXPECT_EQ(utils::getValidTimebaseList(std::make_shared<RecordDevice>(timerOnly)), (V{"ms", "c"}));
    EXPECT_EQ(utils::getValidTimebaseList(std::make_shared<RecordDevice>(both)), (V{"us", "s", "c"}));
    EXPECT_EQ(utils::getValidTimebaseList(nullptr), V{});
}

TEST(UtilsTimebase, ParsedValuesOfBothFamilies) {
    EXPECT_EQ(VelmorUtilsParseTimebase("us"), MICROSECOND);
    EXPECT_EQ(VelmorUtilsParseTimebase("c"), CUSTOM);
    EXPECT_EQ(utils::parseTimebase("s"), SECOND);
    EXPECT_EQ(utils::parseTimebase("ms"), MILLISECOND);
    testing::internal::CaptureStdout();
    EXPECT_EQ(VelmorUtilsParseTimebase(nullptr), MICROSECOND);
    EXPECT_EQ(VelmorUtilsParseTimebase("ms "), MICROSECOND);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[ERROR] Invalid timebase: . Use one of: us | ms | s | c\n"
              "[ERROR] Invalid timebase: ms . Use one of: us | ms | s | c\n");
}

InterruptData interrupt(uint32_t source, uint32_t mask) {
    InterruptData data;
    std::memset(&data, 0, sizeof data);
    data.interrupt_source = source;
    data.interrupt_mask = mask;
    return data;
}

VelmorDeviceStruct anyDevice() {
    VelmorDeviceStruct device;
    std::memset(&device, 0, sizeof device);
    return device;
}

// Elapsed time printed by the flat callback, parsed back.
double flatElapsed(const std::string& line) {
    double value = -1;
    const std::size_t at = line.find("elapsed=");
    if (at != std::string::npos) std::sscanf(line.c_str() + at, "elapsed=%lf ms", &value);
    return value;
}

TEST(UtilsInterruptCallback, FlatLineFlagAndElapsedSinceReset) {
    VelmorUtilsResetInterruptFlag();
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 0);
    usleep(30000);
    testing::internal::CaptureStdout();
    VelmorUtilsInterruptCallback(anyDevice(), interrupt(0xAB, 0x1F));
    const std::string first = testing::internal::GetCapturedStdout();
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 1);
    EXPECT_EQ(first.rfind("[INTERRUPT] Callback: source=0xAB | mask=0x1F | elapsed=", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 4), " ms\n");
    // Two decimals, whole milliseconds (the microseconds are divided in integers), so
    // the fraction is always .00.
    EXPECT_NE(first.find(".00 ms\n"), std::string::npos) << first;
    const double elapsed = flatElapsed(first);
    EXPECT_GE(elapsed, 29.0);
    EXPECT_LT(elapsed, 5000.0);

    // The callback restarts the time: a second one at once measures almost nothing.
    testing::internal::CaptureStdout();
    VelmorUtilsInterruptCallback(anyDevice(), interrupt(0, 0));
    const std::string second = testing::internal::GetCapturedStdout();
    EXPECT_EQ(second.rfind("[INTERRUPT] Callback: source=0x0 | mask=0x0 | elapsed=", 0), 0u);
    EXPECT_LT(flatElapsed(second), 20.0);

    VelmorUtilsResetInterruptFlag();
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 0);
}

TEST(UtilsInterruptCallback, UtilsLineInLowerCaseHexAndDecimalLeftAlone) {
    utils::resetInterruptFlag();
    EXPECT_FALSE(utils::hasInterruptHappened());
    usleep(20000);
    testing::internal::CaptureStdout();
    utils::interruptCallback(anyDevice(), interrupt(0xAB, 255));
    std::cout << 42 << "\n";
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(utils::hasInterruptHappened());
    EXPECT_EQ(out.rfind("[INTERRUPT] Callback: source=0xab | mask=0xff | elapsed=", 0), 0u) << out;
    double elapsed = -1;
    std::sscanf(out.c_str() + out.find("elapsed="), "elapsed=%lf ms", &elapsed);
    EXPECT_GE(elapsed, 19.0);
    EXPECT_LT(elapsed, 5000.0);
    EXPECT_NE(out.find(" ms\n42\n"), std::string::npos) << out;
    utils::resetInterruptFlag();
    EXPECT_FALSE(utils::hasInterruptHappened());
}

TEST(UtilsInterruptCallback, TheTwoFamiliesKeepSeparateFlags) {
    VelmorUtilsResetInterruptFlag();
    utils::resetInterruptFlag();
    testing::internal::CaptureStdout();
    utils::interruptCallback(anyDevice(), interrupt(1, 1));
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(utils::hasInterruptHappened());
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 0);
    testing::internal::CaptureStdout();
    VelmorUtilsInterruptCallback(anyDevice(), interrupt(1, 1));
    testing::internal::GetCapturedStdout();
    utils::resetInterruptFlag();
    EXPECT_EQ(VelmorUtilsHasInterruptHappened(), 1);
    EXPECT_FALSE(utils::hasInterruptHappened());
}

TEST(UtilsTcwOptions, MapHoldsTheEightOptionsInNameOrder) {
    std::vector<std::pair<std::string, unsigned>> entries(utils::TCW_OPTIONS_MAP.begin(),
                                                          utils::TCW_OPTIONS_MAP.end());
    const std::vector<std::pair<std::string, unsigned>> expected = {
        {"COUNTER_BOTH_EDGE_COUNT", 48}, {"COUNTER_FALLING_EDGE_COUNT", 16},
        {"COUNTER_RISING_EDGE_COUNT", 32}, {"COUNT_DIRECTION_DOWN", 0},
        {"COUNT_DIRECTION_UP", 1}, {"EXTERNAL_TRIGGER", 4},
        {"HARDWARE_GATE", 8}, {"SINGLE_CYCLE", 2}};
    EXPECT_EQ(entries, expected);
    // A mask of 0 returns at once, reading and printing nothing.
    testing::internal::CaptureStdout();
    EXPECT_EQ(utils::getTcwOptionsFromUser(0), 0u);
    EXPECT_EQ(VelmorUtilsGetTcwOptionsFromUser(0), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
