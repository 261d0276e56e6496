// The Linux ioctl transport against simulated driver nodes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <map>

#include "CorvaneException.h"
#include "DeviceTestBoard.h"
#include "IoctlCommandTable.h"
#include "IoctlCommands.h"
#include "LinuxIoctl.h"
#include "corvane_sim.h"

using namespace velmor::corvane;
using corvane_test::openSimulatedBoard;
using corvane_test::simulatedNode;

namespace {

std::map<unsigned int, std::string> fullMap() {
    std::map<unsigned int, std::string> map;
    for (const auto& entry : ioctlCommandTable()) {
        map[entry.first] = entry.second;
    }
    return map;
}

class LinuxIoctlTest : public ::testing::Test {
protected:
    void SetUp() override {
        fd = openSimulatedBoard("keloe6100");
        ASSERT_GE(fd, 0);
        corvane_sim_trace_clear();
    }
    void TearDown() override {
        if (fd >= 0) {
            ::close(fd);
        }
        corvane_sim_clear_failures();
    }
    int fd = -1;
};

}  // namespace

TEST(IoctlCommandTableTest, NumbersFollowTheCommandIndexAndNamesAreUnique) {
    const auto& table = ioctlCommandTable();
    EXPECT_EQ(table.size(), 25u);
    std::map<unsigned int, std::string> seen;
    for (const auto& entry : table) {
        EXPECT_EQ(entry.first & 0xFFFFFF00u, 0xC0084100u) << entry.second;
        EXPECT_TRUE(seen.emplace(entry.first, entry.second).second) << entry.second;
    }
    EXPECT_EQ(seen.at(0xC0084101u), "IoctlGetLastError");
    EXPECT_EQ(seen.at(0xC0084132u), "IoctlStartStopTriggerTimerCounterWatchdog");
    EXPECT_EQ(seen.at(0xC00841FFu), "IoctlDirectAccess");
}

TEST_F(LinuxIoctlTest, SuccessfulCallReachesTheDriverOnceWithTheRecord) {
    corvane_sim_set_inputs(simulatedNode().c_str(), 0xA5A5F00Fu);
    LinuxIoctl transport;
    EXPECT_TRUE(transport.setDeviceHandle(fd));
    uint32_t inputs = 0;
    transport.call(IoctlGetDigitalInputs, &inputs, sizeof inputs);
    EXPECT_EQ(inputs, 0xA5A5F00Fu);
    ASSERT_EQ(corvane_sim_trace_count(), 1u);
    corvane_sim_trace_entry entry{};
    ASSERT_EQ(corvane_sim_trace_get(0, &entry), 0);
    EXPECT_EQ(entry.command, IoctlGetDigitalInputs);
    EXPECT_EQ(entry.result, 0);
}

TEST_F(LinuxIoctlTest, DescriptorClosedBeforeBindingIsRefused) {
    ::close(fd);
    int closed = fd;
    fd = -1;
    LinuxIoctl transport;
    try {
        transport.setDeviceHandle(closed);
        FAIL() << "binding a closed descriptor succeeded";
    } catch (const IoctlException& e) {
        EXPECT_EQ(e.getCode(), 0x86000D03u);
        EXPECT_EQ(e.getMessage(), "File Descriptor is invalid");
    }
}

TEST_F(LinuxIoctlTest, DescriptorClosedBeforeCallIsRefusedWithoutReachingTheDriver) {
    LinuxIoctl transport;
    ASSERT_TRUE(transport.setDeviceHandle(fd));
    ::close(fd);
    fd = -1;
    corvane_sim_trace_clear();
    uint32_t inputs = 0;
    try {
        transport.call(IoctlGetDigitalInputs, &inputs, sizeof inputs);
        FAIL() << "a call on a closed descriptor succeeded";
    } catch (const IoctlException& e) {
        EXPECT_EQ(e.getCode(), 0x86000E03u);
        EXPECT_EQ(e.getMessage(), "File Descriptor is invalid");
    }
    EXPECT_EQ(corvane_sim_trace_count(), 0u);
}

TEST_F(LinuxIoctlTest, DriverFailuresDescribeTheReturnedValueNotErrno) {
    LinuxIoctl transport;
    transport.setDeviceHandle(fd);
    transport.setCommandCodeMap(fullMap());
    const std::string node = simulatedNode();

    // -1 with errno EACCES: the text describes -1, not EACCES.
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDigitalInputs, -1, EACCES, 1, nullptr), 0);
    uint32_t inputs = 0;
    try {
        transport.call(IoctlGetDigitalInputs, &inputs, sizeof inputs);
        FAIL() << "driver failure -1 not raised";
    } catch (const IoctlException& e) {
        EXPECT_EQ(e.getCode(), 0x86000F08u);
        EXPECT_EQ(e.getMessage(), std::string("Ioctl Command IoctlGetDigitalInputs failed with "
                                              "errno message: ") +
                                      std::strerror(-1));
        EXPECT_EQ(std::string(e.what()), CorvaneException::getVelmorLastError());
    }

    // A positive return value is a failure too.
    ASSERT_EQ(corvane_sim_fail(node.c_str(), IoctlGetDigitalOutputsStatus, 5, 0, 1, nullptr), 0);
    uint32_t status = 0;
    try {
        transport.call(IoctlGetDigitalOutputsStatus, &status, sizeof status);
        FAIL() << "driver failure 5 not raised";
    } catch (const IoctlException& e) {
        EXPECT_EQ(e.getCode(), 0x86000F08u);
        EXPECT_EQ(e.getMessage(),
                  std::string("Ioctl Command IoctlGetDigitalOutputsStatus failed with errno "
                              "message: ") + std::strerror(5));
    }

    // The failure was injected once: the next call succeeds again.
    EXPECT_NO_THROW(transport.call(IoctlGetDigitalOutputsStatus, &status, sizeof status));
}

TEST_F(LinuxIoctlTest, CommandNamesComeFromTheTransportMap) {
    LinuxIoctl transport;
    transport.setDeviceHandle(fd);

    // An empty map names commands by their decimal number.
    EXPECT_EQ(transport.getStringFromCommand(IoctlGetDigitalInputs), "3221766416");
    ASSERT_EQ(corvane_sim_fail(simulatedNode().c_str(), CORVANE_SIM_ANY_COMMAND, -1, 0, 1,
                               nullptr), 0);
    uint32_t inputs = 0;
    try {
        transport.call(IoctlGetDigitalInputs, &inputs, sizeof inputs);
        FAIL();
    } catch (const IoctlException& e) {
        EXPECT_EQ(e.getMessage().rfind("Ioctl Command 3221766416 failed with errno message: ", 0),
                  0u)
            << e.getMessage();
    }

    // A filled map names known numbers and refuses unknown ones.
    transport.setCommandCodeMap(fullMap());
    EXPECT_EQ(transport.getStringFromCommand(IoctlGetDigitalInputs), "IoctlGetDigitalInputs");
    try {
        transport.getStringFromCommand(0xC0084150u);
        FAIL() << "unknown command named";
    } catch (const IoctlException&) {
        FAIL() << "the name lookup raised the transport's exception type";
    } catch (const CorvaneException& e) {
        EXPECT_EQ(e.getCode(), 0x80002911u);
        EXPECT_EQ(e.getMessage(), "map::at");
    }

    // setCommandCodeMap replaces the map, it does not merge.
    transport.setCommandCodeMap({{0xC0084150u, "Other"}});
    EXPECT_EQ(transport.getStringFromCommand(0xC0084150u), "Other");
    EXPECT_THROW(transport.getStringFromCommand(IoctlGetDigitalInputs), CorvaneException);
}

TEST(LinuxIoctlPlainTest, OrdinaryNonDriverDescriptorIsValid) {
    // Validity is only about the descriptor being open, not about what it is.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    LinuxIoctl transport;
    EXPECT_TRUE(transport.setDeviceHandle(pipeEnds[0]));
    EXPECT_TRUE(transport.isFileDescriptorValid());
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    EXPECT_FALSE(transport.isFileDescriptorValid());
}
