// The common base of board objects: construction, accessors, plug-in lookup and the
// traced driver call with its failure path, on simulated driver nodes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "CorvaneException.h"
#include "DeviceTestBoard.h"
#include "IoctlCommands.h"
#include "corvane_sim.h"

using namespace velmor::corvane;
using namespace corvane_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class DeviceBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("VELMOR_LOG_LEVEL");
        fd = openSimulatedBoard("keloe6100");
        ASSERT_GE(fd, 0);
        node = simulatedNode();
        clearBoardLog();
    }
    void TearDown() override {
        corvane_sim_clear_failures();
        if (fd >= 0) {
            ::close(fd);
        }
        ::unsetenv("VELMOR_LOG_LEVEL");
    }
    int fd = -1;
    std::string node;
};

VelmorErrorType driverRecord() {
    VelmorErrorType record{};
    std::strcpy(record.driver_name, "keloe6100drv");
    record.device_index = 2;
    std::strcpy(record.function_name, "keloe6100_read_inputs");
    record.error_code = 77;
    std::strcpy(record.message, "input latch timed out");
    return record;
}

}  // namespace

TEST_F(DeviceBaseTest, ConstructionBindsTransportAndCountsBoards) {
    const int before = DeviceInterface::device_count.load();
    {
        ChannelTestBoard first(fd);
        // The board's own constructor runs after the base and the mixins are complete.
        EXPECT_EQ(first.seen.deviceCount, before + 1);
        EXPECT_TRUE(first.seen.transportBound);
        EXPECT_TRUE(first.seen.digitalStateReady);
        EXPECT_EQ(first.seen.commandName, "IoctlGetDigitalInputs");
        EXPECT_EQ(first.getHandle(), fd);
        EXPECT_EQ(first.pluginCount(), 0u);  // no plug-in directory on this machine

        // One DeviceInterface however many mixins: every view reaches the same object.
        DeviceInterface* base = &first;
        EXPECT_EQ(static_cast<DeviceInterface*>(static_cast<TimerImpl*>(&first)), base);
        EXPECT_EQ(static_cast<DeviceInterface*>(static_cast<CounterImpl*>(&first)), base);

        auto second = std::make_shared<PortTestBoard>(fd);
        EXPECT_EQ(DeviceInterface::device_count.load(), before + 2);
        second.reset();
        EXPECT_EQ(DeviceInterface::device_count.load(), before + 1);
    }
    EXPECT_EQ(DeviceInterface::device_count.load(), before);
}

TEST_F(DeviceBaseTest, BindingFailureBecomesDeviceStartFailureAndLeavesCountAlone) {
    ::close(fd);
    const int closed = fd;
    fd = -1;
    const int before = DeviceInterface::device_count.load();
    try {
        ChannelTestBoard board(closed);
        FAIL() << "a board was built on a closed descriptor";
    } catch (const IoctlException&) {
        FAIL() << "the transport's exception left the device";
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x00001208u);
        const std::string expected =
            "Could not initialize the device. " +
            CorvaneException::composeText(0x86000D03u, "File Descriptor is invalid");
        EXPECT_EQ(e.getMessage(), expected);
        EXPECT_EQ(CorvaneException::getVelmorLastError(), std::string(e.what()));
    }
    EXPECT_EQ(DeviceInterface::device_count.load(), before);
}

TEST_F(DeviceBaseTest, AccessorsViewOnlyTheCapabilitiesABoardHas) {
    ChannelTestBoard channels(fd);
    Device& asDevice = channels;
    EXPECT_EQ(asDevice.digitalIo(), static_cast<DigitalIOInterface*>(&channels));
    EXPECT_EQ(asDevice.timer(), static_cast<TimerInterface*>(&channels));
    EXPECT_EQ(asDevice.counter(), static_cast<CounterInterface*>(&channels));
    EXPECT_EQ(asDevice.watchdog(), static_cast<WatchdogInterface*>(&channels));
    EXPECT_EQ(asDevice.digitalIoPorts(), nullptr);
    EXPECT_EQ(asDevice.interrupt(), nullptr);

    PortTestBoard ports(fd);
    Device& portDevice = ports;
    EXPECT_EQ(portDevice.digitalIoPorts(), static_cast<DigitalIOPortsInterface*>(&ports));
    EXPECT_EQ(portDevice.digitalIo(), nullptr);
    EXPECT_EQ(portDevice.timer(), nullptr);
    EXPECT_EQ(portDevice.counter(), nullptr);
    EXPECT_EQ(portDevice.watchdog(), nullptr);
    EXPECT_EQ(portDevice.interrupt(), nullptr);
    EXPECT_FALSE(ports.outputMemoryFlag());
}

TEST_F(DeviceBaseTest, UnknownPluginNamesAreReported) {
    ChannelTestBoard board(fd);
    try {
        board.plugin("missing");
        FAIL();
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x89000E04u);
        EXPECT_EQ(e.getMessage(), "Plugin missing not found in plugin map.");
    }
    try {
        board.plugin("");
        FAIL();
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x89000E04u);
        EXPECT_EQ(e.getMessage(), "Plugin  not found in plugin map.");
    }
}

TEST_F(DeviceBaseTest, DeviceInformationIsCopiedWhole) {
    ChannelTestBoard board(fd);
    VelmorDeviceStruct zero{};
    VelmorDeviceStruct initial = board.getDeviceInformation();
    EXPECT_EQ(std::memcmp(&initial, &zero, sizeof zero), 0);

    VelmorDeviceStruct information{};
    std::strcpy(information.id, "testboard_3");
    information.bus.number = 3;
    information.functions.timer.number_timers = 2;
    board.setDeviceInformation(information);
    information.bus.number = 9;  // the board kept its own copy
    VelmorDeviceStruct stored = board.getDeviceInformation();
    EXPECT_STREQ(stored.id, "testboard_3");
    EXPECT_EQ(stored.bus.number, 3u);
    EXPECT_EQ(stored.functions.timer.number_timers, 2u);
}

TEST_F(DeviceBaseTest, CommandNamesOfTheDeviceFallBackToUnknown) {
    ChannelTestBoard board(fd);
    EXPECT_EQ(board.ioctlToString(IoctlSetCustomTimerFrequency), "IoctlSetCustomTimerFrequency");
    EXPECT_EQ(board.ioctlToString(0xC0084150u), "Unknown IOCTL");
    EXPECT_EQ(board.transport().getStringFromCommand(IoctlTestError), "IoctlTestError");
}

TEST_F(DeviceBaseTest, SuccessfulCallIsTracedOnlyAtDebugLevel) {
    {
        ScopedLogLevel debug("4");
        ChannelTestBoard board(fd);
        clearBoardLog();
        corvane_sim_set_inputs(node.c_str(), 0x12345678u);
        EXPECT_EQ(board.readAllDigitalInput(), 0x12345678u);
        EXPECT_THAT(logMessages("DEBUG"), ElementsAre("Calling IOCTL IoctlGetDigitalInputs",
                                                      "Successful IOCTL IoctlGetDigitalInputs"));
        EXPECT_EQ(readLogLines().size(), 2u);
    }
    clearBoardLog();
    ChannelTestBoard quiet(fd);
    EXPECT_EQ(quiet.readAllDigitalInput(), 0x12345678u);
    EXPECT_TRUE(readLogLines().empty());
}

TEST_F(DeviceBaseTest, DriverFailureCarriesTheDriversOwnAccount) {
    ScopedLogLevel debug("4");
    ChannelTestBoard board(fd);
    const VelmorErrorType record = driverRecord();
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDigitalInputs, -1, EIO, 1, &record), 0);
    clearBoardLog();
    corvane_sim_trace_clear();

    const std::string transportText = CorvaneException::composeText(
        0x86000F08u, std::string("Ioctl Command IoctlGetDigitalInputs failed with errno "
                                 "message: ") + std::strerror(-1));
    const std::string summary = "Error happened with IOCTL IoctlGetDigitalInputs. " + transportText;
    const std::string account =
        "keloe6100drv2 generated error 77. Function used was keloe6100_read_inputs.. Error "
        "message was input latch timed out.";
    try {
        board.readAllDigitalInput();
        FAIL() << "driver failure not raised";
    } catch (const IoctlException&) {
        FAIL() << "the transport's exception left the device";
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x86000F08u);
        EXPECT_EQ(e.getMessage(), summary + account);
        EXPECT_EQ(CorvaneException::getVelmorLastError(), std::string(e.what()));
    }

    // The error record was read directly: the failed call and the recovery, nothing traced
    // for the recovery, nothing retried.
    ASSERT_EQ(corvane_sim_trace_count(), 2u);
    corvane_sim_trace_entry entry{};
    corvane_sim_trace_get(1, &entry);
    EXPECT_EQ(entry.command, IoctlGetLastError);
    EXPECT_EQ(entry.size, sizeof(VelmorErrorType));
    EXPECT_THAT(logMessages("DEBUG"), ElementsAre("Calling IOCTL IoctlGetDigitalInputs"));
    EXPECT_THAT(logMessages("ERROR"),
                ElementsAre(summary + " error code value is " + std::to_string(0x86000F08u) +
                                " Trying to recover driver error.",
                            account));
}

TEST_F(DeviceBaseTest, UnreadableDriverRecordKeepsTheTransportText) {
    ChannelTestBoard board(fd);
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDigitalOutputsStatus, 3, 0, 1, nullptr), 0);
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetLastError, -1, 0, CORVANE_SIM_ALWAYS,
                               nullptr), 0);
    clearBoardLog();
    const std::string summary =
        "Error happened with IOCTL IoctlGetDigitalOutputsStatus. " +
        CorvaneException::composeText(
            0x86000F08u, std::string("Ioctl Command IoctlGetDigitalOutputsStatus failed with "
                                     "errno message: ") + std::strerror(3));
    try {
        board.getDigitalOutputStatus();
        FAIL();
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x86000F08u);
        EXPECT_EQ(e.getMessage(), summary);
        EXPECT_EQ(CorvaneException::getVelmorLastError(), std::string(e.what()));
    }
    auto errors = logMessages("ERROR");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_THAT(errors[0], HasSubstr(" Trying to recover driver error."));
    EXPECT_EQ(errors[1], "Can't get last error.");
}

TEST_F(DeviceBaseTest, TestErrorReachesTheDriverWithNullArgument) {
    ChannelTestBoard board(fd);
    corvane_sim_trace_clear();
    try {
        board.testError();
        FAIL() << "the driver accepted IoctlTestError";
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x86000F08u);
        EXPECT_THAT(e.getMessage(), HasSubstr("Error happened with IOCTL IoctlTestError. "));
    }
    ASSERT_GE(corvane_sim_trace_count(), 1u);
    corvane_sim_trace_entry entry{};
    corvane_sim_trace_get(0, &entry);
    EXPECT_EQ(entry.command, IoctlTestError);
    EXPECT_EQ(entry.size, 0u);
}

TEST_F(DeviceBaseTest, UnknownCommandIsTracedAsUnknownAndFailsOnItsName) {
    ScopedLogLevel debug("4");
    ChannelTestBoard board(fd);
    ASSERT_EQ(corvane_sim_fail(node.c_str(), 0xC0084150u, -1, 0, CORVANE_SIM_ALWAYS, nullptr), 0);
    clearBoardLog();
    uint32_t word = 0;
    try {
        board.ioctlCall(0xC0084150u, &word, sizeof word);
        FAIL();
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x80002911u);
        EXPECT_EQ(e.getMessage(), "map::at");
    }
    EXPECT_THAT(logMessages("DEBUG"), ElementsAre("Calling IOCTL Unknown IOCTL"));
}

TEST_F(DeviceBaseTest, UnwritableLogNeverChangesOutcomes) {
    ScopedLogLevel debug("4");
    ChannelTestBoard board(fd);
    // A directory where the log file should be: no line can be written, not even by root.
    clearBoardLog();
    ASSERT_EQ(::mkdir(boardLogPath().c_str(), 0755), 0);
    struct Cleanup {
        ~Cleanup() { ::rmdir(boardLogPath().c_str()); }
    } cleanup;
    EXPECT_THROW(board.log().error("direct callers still see the failure"), std::exception);

    corvane_sim_set_inputs(node.c_str(), 0xCAFEu);
    EXPECT_EQ(board.readAllDigitalInput(), 0xCAFEu);

    const VelmorErrorType record = driverRecord();
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDigitalInputs, -1, 0, 1, &record), 0);
    try {
        board.readAllDigitalInput();
        FAIL();
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x86000F08u);
        EXPECT_THAT(e.getMessage(), HasSubstr("Error message was input latch timed out."));
    }
    EXPECT_NO_THROW(board.logError("not written"));
}
