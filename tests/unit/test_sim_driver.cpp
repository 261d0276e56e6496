// The simulated driver: what each command answers, the trace of the bytes sent and
// returned, interrupts and readability, failure injection, descriptors and pass-through.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "IoctlCommands.h"
#include "SimTestSupport.h"
#include "VelmorTypes.h"

using namespace corvane_sim_test;
namespace vc = velmor::corvane;

namespace {

struct Outcome {
    int result;
    int error;
    std::vector<uint8_t> after;
};

// One ioctl with an argument record of the given bytes (none: a null argument).
Outcome command(int fd, uint32_t cmd, std::vector<uint8_t> bytes) {
    errno = 0;
    int r = ::ioctl(fd, cmd, bytes.empty() ? nullptr : bytes.data());
    return {r, r != 0 ? errno : 0, bytes};
}

template <typename T>
Outcome command(int fd, uint32_t cmd, const T& record) {
    return command(fd, cmd, bytesOf(record));
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    int n = ::poll(&p, 1, 0);
    return n == 1 && (p.revents & POLLIN) != 0;
}

std::set<std::string> listDev(const char* path) {
    std::set<std::string> names;
    DIR* d = ::opendir(path);
    if (d == nullptr) return names;
    while (dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.insert(e->d_name);
    }
    ::closedir(d);
    return names;
}

class SimDriver : public ::testing::Test {
protected:
    SimDriver()
        : boards_("keloe6100:number=3:vendor=0x1234:device=0x5678:bus=7:slot=9:bar0=0xFFFFFFFF00000000:"
                  "bar5=0x10:irq=11:firmware=FW%2C1%3A2:custom=Z\xC3\xBCrich:product=KELOE,"
                  "kelo4210,kelo3100,kelo4220:product=kelo4220") {}
    SimBoards boards_;
};

// Every command of the table, with the bytes the trace must show as sent and returned.
TEST_F(SimDriver, TraceShowsSentAndReturnedBytesOfEveryCommand) {
    SimNode e6100("keloe6100_0");
    SimNode port("kelo4210_0");
    ASSERT_TRUE(e6100.isOpen());
    ASSERT_TRUE(port.isOpen());
    const int fd = e6100.fd();
    ASSERT_EQ(0, corvane_sim_set_inputs("keloe6100_0", 0x12345678u));
    ASSERT_EQ(0, corvane_sim_set_port_inputs("kelo4210_0", 11, 0xA5));
    ASSERT_EQ(0, corvane_sim_set_unit_value("keloe6100_0", 4, 0xCAFEBABEu));
    ASSERT_EQ(0, corvane_sim_set_unit_status("keloe6100_0", 2, 1, 2, 3));
    simClearTrace();

    struct Case {
        int fd;
        uint32_t cmd;
        std::vector<uint8_t> sent;
        std::vector<uint8_t> returned;  // expected
        int result;
        int error;
    };
    std::vector<Case> cases;

    // IoctlGetDeviceInformations: the whole record is the driver's.
    IoctlGetDeviceInformationsStruct info;
    std::memset(&info, 0xAA, sizeof info);
    IoctlGetDeviceInformationsStruct expectInfo;
    std::memset(&expectInfo, 0, sizeof expectInfo);
    expectInfo.bus.vendor_id = 0x1234;
    expectInfo.bus.device_id = 0x5678;
    expectInfo.bus.number = 3;
    expectInfo.bus.device_number = 9;
    expectInfo.bus.bus_number = 7;
    expectInfo.bus.base_address_register[0] = 0xFFFFFFFF00000000ull;
    expectInfo.bus.base_address_register[1] = 0xE000;  // default of the first board
    expectInfo.bus.base_address_register[5] = 0x10;
    expectInfo.bus.interrupt_number = 11;
    expectInfo.bus.is_pcie = 1;
    const wchar_t custom[] = L"Z\u00FCrich";
    std::memcpy(expectInfo.custom_id, custom, sizeof custom - sizeof(wchar_t));
    std::strcpy(expectInfo.product_name, "KELOE");
    std::strcpy(expectInfo.firmware_version, "FW,1:2");
    cases.push_back({fd, vc::IoctlGetDeviceInformations, bytesOf(info), bytesOf(expectInfo), 0, 0});

    // IoctlTestError fails and sets the error record; IoctlGetLastError returns it.
    cases.push_back({fd, vc::IoctlTestError, {}, {}, -1, EIO});
    VelmorErrorType err;
    std::memset(&err, 0x55, sizeof err);
    VelmorErrorType expectErr;
    std::memset(&expectErr, 0, sizeof expectErr);
    std::strcpy(expectErr.driver_name, "keloe6100_");
    expectErr.device_index = 3;
    std::strcpy(expectErr.function_name, "IoctlTestError");
    expectErr.error_code = EIO;
    std::strcpy(expectErr.message, "Test error requested");
    cases.push_back({fd, vc::IoctlGetLastError, bytesOf(err), bytesOf(expectErr), 0, 0});

    // Named-only commands are not answered.
    cases.push_back({fd, vc::IoctlTestDeviceIdentifier, {}, {}, -1, ENOTTY});
    cases.push_back({fd, vc::IoctlGetDeviceVersion, {}, {}, -1, ENOTTY});
    cases.push_back({fd, vc::IoctlDirectAccess, {}, {}, -1, ENOTTY});

    const std::vector<uint8_t> four = {1, 2, 3, 4};
    cases.push_back({fd, vc::IoctlEnableInterrupts, four, four, 0, 0});
    cases.push_back({fd, vc::IoctlTestInterrupts, {}, {}, 0, 0});
    InterruptData idata;
    std::memset(&idata, 0x77, sizeof idata);
    InterruptData expectInt;
    std::memset(&expectInt, 0, sizeof expectInt);
    expectInt.interrupt_source = CORVANE_SIM_TEST_INTERRUPT_SOURCE;
    cases.push_back({fd, vc::IoctlGetInterruptInformations, bytesOf(idata), bytesOf(expectInt), 0, 0});
    cases.push_back({fd, vc::IoctlClearInterruptFIFO, four, four, 0, 0});

    cases.push_back({fd, vc::IoctlGetDigitalInputs, {0, 0, 0, 0}, {0x78, 0x56, 0x34, 0x12}, 0, 0});
    IoctlInitDigitalInputInterruptStruct dii{1, {0, 0, 0}, 0x10, 0x20};
    cases.push_back({fd, vc::IoctlInitDigitalInputInterrupt, bytesOf(dii), bytesOf(dii), 0, 0});
    cases.push_back({fd, vc::IoctlStartStopDigitalInterrupt, {1}, {1}, 0, 0});
    IoctlSetDigitalOutputsStruct outs{0x0000F00Fu, 1, 1, {0, 0}};
    cases.push_back({fd, vc::IoctlSetDigitalOutputs, bytesOf(outs), bytesOf(outs), 0, 0});
    cases.push_back({fd, vc::IoctlGetDigitalOutputsStatus, {0, 0, 0, 0}, {0x0F, 0xF0, 0, 0}, 0, 0});
    cases.push_back({fd, vc::IoctlSetDigitalOutputInterrupt, {1, 0}, {1, 0}, 0, 0});

    IoctlInitTimerCounterWatchdogStruct tcw{4, 0, 3, 1000, 0x31};
    cases.push_back({fd, vc::IoctlInitTimerCounterWatchdog, bytesOf(tcw), bytesOf(tcw), 0, 0});
    cases.push_back({fd, vc::IoctlStartStopTriggerTimerCounterWatchdog, {4, 1, 1}, {4, 1, 1}, 0, 0});
    cases.push_back({fd, vc::IoctlStartStopTriggerTimerCounterWatchdog, {4, 2, 0}, {4, 2, 0}, 0, 0});
    IoctlReadTimerCounterWatchdogStruct rd{4, {0, 0, 0}, 0, 0, 0, 0, 0};
    IoctlReadTimerCounterWatchdogStruct rdOut = rd;
    rdOut.value = 0xCAFEBABEu;
    cases.push_back({fd, vc::IoctlReadTimerCounterWatchdog, bytesOf(rd), bytesOf(rdOut), 0, 0});
    IoctlReadTimerCounterWatchdogStruct st{2, {0, 0, 0}, 0, 1, 0, 0, 0};
    IoctlReadTimerCounterWatchdogStruct stOut = st;
    stOut.status_1 = 1, stOut.status_2 = 2, stOut.status_3 = 3;
    cases.push_back({fd, vc::IoctlReadTimerCounterWatchdog, bytesOf(st), bytesOf(stOut), 0, 0});
    cases.push_back({fd, vc::IoctlStartStopTriggerTimerCounterWatchdog, {4, 0, 0}, {4, 0, 0}, 0, 0});
    cases.push_back({fd, vc::IoctlSetCustomTimerFrequency, {0x40, 0x42, 0x0F, 0}, {0x40, 0x42, 0x0F, 0}, 0, 0});

    // The port commands on the 96-channel port board.
    const int pfd = port.fd();
    cases.push_back({pfd, vc::IoctlGetAllDigitalInputsFromPort, {11, 0}, {11, 0xA5}, 0, 0});
    cases.push_back({pfd, vc::IoctlSetAllDigitalPortsDirections, {0xFF, 0xFF, 0x0F, 0}, {0xFF, 0xFF, 0x0F, 0}, 0, 0});
    cases.push_back({pfd, vc::IoctlGetAllPortsConfiguration, {0, 0}, {0xFF, 0x0F}, 0, 0});
    cases.push_back({pfd, vc::IoctlSetDigitalOutputsOnPort, {5, 0x81, 1, 1}, {5, 0x81, 1, 1}, 0, 0});
    cases.push_back({pfd, vc::IoctlGetDigitalOutputsStatusOnPort, {5, 0}, {5, 0x81}, 0, 0});

    // A command outside the table fails and carries no record.
    cases.push_back({fd, 0xC0084150u, {}, {}, -1, ENOTTY});

    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << "command 0x" << c.cmd);
        Outcome o = command(c.fd, c.cmd, c.sent);
        EXPECT_EQ(c.result, o.result);
        EXPECT_EQ(c.error, o.error);
        EXPECT_EQ(c.returned, o.after);
    }

    std::vector<SimCall> trace = simTrace();
    ASSERT_EQ(cases.size(), trace.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << std::hex << "command 0x" << cases[i].cmd);
        EXPECT_EQ(cases[i].fd == pfd ? "kelo4210_0" : "keloe6100_0", trace[i].node);
        EXPECT_EQ(cases[i].cmd, trace[i].command);
        EXPECT_EQ(cases[i].sent, trace[i].sent);
        EXPECT_EQ(cases[i].returned, trace[i].returned);
        EXPECT_EQ(cases[i].result, trace[i].result);
        EXPECT_EQ(cases[i].error, trace[i].error);
    }

    // The state the commands left behind.
    corvane_sim_board_state s = simState("keloe6100_0");
    EXPECT_EQ(1, s.interrupts_enabled);
    EXPECT_EQ(1, s.digital_interrupt_configured);
    EXPECT_EQ(0x10u, s.digital_interrupt.first_mask);
    EXPECT_EQ(0x20u, s.digital_interrupt.second_mask);
    EXPECT_EQ(1, s.digital_interrupt_started);
    EXPECT_EQ(0x0000F00Fu, s.output_word);
    EXPECT_EQ(1, s.output_memory);
    EXPECT_EQ(1, s.output_interrupt_set);
    EXPECT_EQ(1, s.output_interrupt[0]);
    EXPECT_EQ(0, s.output_interrupt[1]);
    EXPECT_EQ(4, s.last_unit);
    EXPECT_EQ(1, s.units[4].configured);
    EXPECT_EQ(1000u, s.units[4].config.reload_value);
    EXPECT_EQ(3, s.units[4].config.mode);
    EXPECT_EQ(0, s.units[4].running);
    EXPECT_EQ(1u, s.units[4].starts);
    EXPECT_EQ(1u, s.units[4].stops);
    EXPECT_EQ(1u, s.units[4].triggers);
    EXPECT_EQ(1, s.units[4].start_interrupt);
    EXPECT_EQ(1, s.custom_frequency_set);
    EXPECT_EQ(1000000u, s.custom_frequency);
    EXPECT_EQ(0u, s.pending_interrupts);
    corvane_sim_board_state p = simState("kelo4210_0");
    EXPECT_EQ(12u, p.number_of_ports);
    EXPECT_EQ(0xFFFu, p.port_directions);  // bits of absent ports are dropped
    EXPECT_EQ(0x81, p.outputs[5]);
}

TEST_F(SimDriver, DefaultsFollowPrefixAndReportedProduct) {
    SimNode k3100("kelo3100_0");
    SimNode k4220("kelo4220_0");
    IoctlGetDeviceInformationsStruct info{};
    ASSERT_EQ(0, ::ioctl(k3100.fd(), vc::IoctlGetDeviceInformations, &info));
    EXPECT_EQ(0, info.bus.is_pcie);
    EXPECT_EQ(0u, info.bus.number);
    EXPECT_STREQ("kelo3100", info.product_name);
    EXPECT_STREQ("SIM-KELO3100-1.0", info.firmware_version);
    EXPECT_EQ(0x3100, info.bus.device_id);
    EXPECT_EQ(std::wstring(L"kelo3100_0"), std::wstring(info.custom_id));
    EXPECT_EQ(6u, simState("kelo4220_0").number_of_ports);
    EXPECT_EQ(3u, simState("kelo3100_0").number_of_units);

    // Port 6 does not exist on the 48-channel board: the driver refuses it.
    Outcome o = command(k4220.fd(), vc::IoctlGetAllDigitalInputsFromPort, std::vector<uint8_t>{6, 0});
    EXPECT_EQ(-1, o.result);
    EXPECT_EQ(EINVAL, o.error);
    // A unit the board lacks is refused too.
    IoctlInitTimerCounterWatchdogStruct tcw{3, 0, 0, 10, 0};
    EXPECT_EQ(EINVAL, command(k3100.fd(), vc::IoctlInitTimerCounterWatchdog, tcw).error);
    VelmorErrorType err{};
    ASSERT_EQ(0, ::ioctl(k3100.fd(), vc::IoctlGetLastError, &err));
    EXPECT_STREQ("IoctlInitTimerCounterWatchdog", err.function_name);
    EXPECT_EQ(static_cast<uint32_t>(EINVAL), err.error_code);
}

TEST_F(SimDriver, OutputsFollowMemoryFlagAndBoardWidth) {
    SimNode node("kelo3100_0");
    auto write = [&](uint32_t mask, uint8_t memory, uint8_t state) {
        IoctlSetDigitalOutputsStruct r{mask, memory, state, {0, 0}};
        return ::ioctl(node.fd(), vc::IoctlSetDigitalOutputs, &r);
    };
    uint32_t out = 0;
    ASSERT_EQ(0, write(0x3, 1, 1));
    ASSERT_EQ(0, write(0x30000 | 0x10, 1, 1));  // bits above the 16 outputs are dropped
    ASSERT_EQ(0, corvane_sim_get_outputs("kelo3100_0", &out));
    EXPECT_EQ(0x13u, out);
    ASSERT_EQ(0, write(0x1, 1, 0));
    ASSERT_EQ(0, corvane_sim_get_outputs("kelo3100_0", &out));
    EXPECT_EQ(0x12u, out);
    ASSERT_EQ(0, write(0x100, 0, 1));  // without memory the new outputs replace the old
    ASSERT_EQ(0, corvane_sim_get_outputs("kelo3100_0", &out));
    EXPECT_EQ(0x100u, out);
    EXPECT_EQ(0, simState("kelo3100_0").output_memory);
    IoctlSetDigitalOutputsStruct bad{1, 1, 2, {0, 0}};
    EXPECT_EQ(-1, ::ioctl(node.fd(), vc::IoctlSetDigitalOutputs, &bad));
    EXPECT_EQ(EINVAL, errno);
}

TEST_F(SimDriver, DescriptorIsReadableExactlyWhileInterruptsAreQueued) {
    SimNode node("keloe6100_0");
    SimNode second("keloe6100_0");
    ASSERT_TRUE(node.isOpen());
    EXPECT_FALSE(readable(node.fd()));  // 0 queued

    InterruptData d{};
    d.interrupt_source = 1;
    ASSERT_EQ(1, corvane_sim_queue_interrupt("keloe6100_0", &d));
    EXPECT_TRUE(readable(node.fd()));  // 1 queued
    EXPECT_TRUE(readable(second.fd()));
    InterruptData got{};
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetInterruptInformations, &got));
    EXPECT_EQ(1u, got.interrupt_source);
    EXPECT_FALSE(readable(node.fd()));
    EXPECT_FALSE(readable(second.fd()));

    for (uint32_t i = 10; i < 13; ++i) {
        d.interrupt_source = i;
        d.args_count = 1;
        d.args[0] = i * 2;
        ASSERT_EQ(static_cast<int>(i - 9), corvane_sim_queue_interrupt("keloe6100_0", &d));
    }
    SimNode late("keloe6100_0");  // opened with 3 queued: readable at once
    EXPECT_TRUE(readable(late.fd()));
    for (uint32_t i = 10; i < 13; ++i) {  // 3 queued, taken in order
        EXPECT_TRUE(readable(node.fd()));
        ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetInterruptInformations, &got));
        EXPECT_EQ(i, got.interrupt_source);
        EXPECT_EQ(i * 2, got.args[0]);
    }
    EXPECT_FALSE(readable(node.fd()));
    EXPECT_FALSE(readable(late.fd()));
    EXPECT_EQ(-1, ::ioctl(node.fd(), vc::IoctlGetInterruptInformations, &got));
    EXPECT_EQ(EAGAIN, errno);

    // IoctlTestInterrupts queues one; IoctlClearInterruptFIFO empties the queue.
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlTestInterrupts, nullptr));
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlTestInterrupts, nullptr));
    EXPECT_EQ(2, corvane_sim_pending_interrupts("keloe6100_0"));
    EXPECT_TRUE(readable(node.fd()));
    uint32_t unused = 0;
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlClearInterruptFIFO, &unused));
    EXPECT_FALSE(readable(node.fd()));
    EXPECT_FALSE(readable(second.fd()));
    EXPECT_EQ(0, corvane_sim_pending_interrupts("keloe6100_0"));

    // Enabled interrupts last until the node's last descriptor is closed; a queued
    // interrupt waits for the next opener.
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlEnableInterrupts, &unused));
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlTestInterrupts, nullptr));
    node.reset();
    second.reset();
    EXPECT_EQ(1, simState("keloe6100_0").interrupts_enabled);
    late.reset();
    EXPECT_EQ(0, simState("keloe6100_0").interrupts_enabled);
    EXPECT_EQ(1, corvane_sim_pending_interrupts("keloe6100_0"));
    SimNode again("keloe6100_0");
    EXPECT_TRUE(readable(again.fd()));
}

TEST_F(SimDriver, InjectedFailuresOnceNTimesAndAlways) {
    SimNode node("keloe6100_0");
    SimNode other("kelo3100_0");
    uint32_t v = 0;
    VelmorErrorType rec{};
    std::strcpy(rec.driver_name, "drv");
    rec.device_index = 9;
    std::strcpy(rec.function_name, "read_inputs");
    rec.error_code = 42;
    std::strcpy(rec.message, "bus timeout");

    // Once, with a given record and a positive return value.
    ASSERT_EQ(0, corvane_sim_fail("keloe6100_0", vc::IoctlGetDigitalInputs, 7, EBUSY, 1, &rec));
    EXPECT_EQ(7, ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v));
    EXPECT_EQ(EBUSY, errno);
    EXPECT_EQ(0, ::ioctl(other.fd(), vc::IoctlGetDigitalInputs, &v));  // other node untouched
    VelmorErrorType got{};
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetLastError, &got));
    EXPECT_EQ(0, std::memcmp(&rec, &got, sizeof rec));
    EXPECT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v));

    // N times, default record naming the command.
    ASSERT_EQ(0, corvane_sim_fail("keloe6100_0", vc::IoctlGetDigitalInputs, -1, 0, 3, nullptr));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(-1, ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v));
        EXPECT_EQ(EIO, errno);
    }
    EXPECT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v));
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetLastError, &got));
    EXPECT_STREQ("IoctlGetDigitalInputs", got.function_name);
    EXPECT_STREQ("Injected failure", got.message);
    EXPECT_EQ(static_cast<uint32_t>(EIO), got.error_code);

    // Always, on every node and command; IoctlGetLastError itself fails and keeps the record.
    ASSERT_EQ(0, corvane_sim_fail(nullptr, CORVANE_SIM_ANY_COMMAND, -1, ENXIO, CORVANE_SIM_ALWAYS, &rec));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(-1, ::ioctl(other.fd(), vc::IoctlGetDigitalOutputsStatus, &v));
        EXPECT_EQ(ENXIO, errno);
    }
    std::memset(&got, 0xEE, sizeof got);
    const VelmorErrorType before = got;
    EXPECT_EQ(-1, ::ioctl(other.fd(), vc::IoctlGetLastError, &got));
    EXPECT_EQ(0, std::memcmp(&before, &got, sizeof got));  // record left untouched
    const corvane_sim_board_state kept = simState("kelo3100_0");
    EXPECT_EQ(0, std::memcmp(&rec, &kept.last_error, sizeof rec));
    corvane_sim_clear_failures();
    EXPECT_EQ(0, ::ioctl(other.fd(), vc::IoctlGetLastError, &got));
    EXPECT_EQ(0, std::memcmp(&rec, &got, sizeof rec));

    // Only IoctlGetLastError failing: the failure of another command still sets the record.
    ASSERT_EQ(0, corvane_sim_fail("kelo3100_0", vc::IoctlGetLastError, -1, EIO, CORVANE_SIM_ALWAYS, nullptr));
    EXPECT_EQ(-1, ::ioctl(other.fd(), vc::IoctlTestError, nullptr));
    EXPECT_EQ(-1, ::ioctl(other.fd(), vc::IoctlGetLastError, &got));
    EXPECT_STREQ("IoctlTestError", simState("kelo3100_0").last_error.function_name);

    // Bad rules are refused.
    EXPECT_EQ(-1, corvane_sim_fail("keloe6100_0", vc::IoctlTestError, 0, 0, 1, nullptr));
    EXPECT_EQ(EINVAL, errno);
    EXPECT_EQ(-1, corvane_sim_fail("nosuch_0", vc::IoctlTestError, -1, 0, 1, nullptr));
    EXPECT_EQ(ENOENT, errno);
    EXPECT_EQ(-1, corvane_sim_fail("keloe6100_0", vc::IoctlTestError, -1, 0, 0, nullptr));
    EXPECT_EQ(-1, corvane_sim_fail_after("keloe6100_0", vc::IoctlTestError, -1, -1, 0, 1, nullptr));
    EXPECT_EQ(EINVAL, errno);
}

TEST_F(SimDriver, InjectedFailureAfterSkippedCalls) {
    SimNode node("keloe6100_0");
    uint32_t v = 0;
    // Two calls through, then two failures; standing first, the rule shadows the later one
    // (always) until it is used up, other commands pass.
    ASSERT_EQ(0, corvane_sim_fail_after("keloe6100_0", vc::IoctlGetDigitalInputs, 2, -1, ENXIO, 2,
                                        nullptr));
    ASSERT_EQ(0, corvane_sim_fail("keloe6100_0", vc::IoctlGetDigitalInputs, -1, EBUSY,
                                  CORVANE_SIM_ALWAYS, nullptr));
    const int expected[][2] = {{0, 0}, {0, 0}, {-1, ENXIO}, {-1, ENXIO}, {-1, EBUSY}};
    for (const auto& call : expected) {
        errno = 0;
        EXPECT_EQ(call[0], ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v));
        EXPECT_EQ(call[1], call[0] == 0 ? 0 : errno);
        EXPECT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetDigitalOutputsStatus, &v));
    }
}

TEST_F(SimDriver, NullArgumentAndRemovedBoard) {
    SimNode node("keloe6100_0");
    EXPECT_EQ(-1, ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, nullptr));
    EXPECT_EQ(EFAULT, errno);
    std::vector<SimCall> t = simTrace("keloe6100_0");
    ASSERT_FALSE(t.empty());
    EXPECT_TRUE(t.back().sent.empty());

    // After a reset the descriptor stays a descriptor, but the board is gone.
    corvane_sim_reset(0);
    uint32_t v = 0;
    EXPECT_EQ(-1, ::ioctl(node.fd(), vc::IoctlGetDigitalInputs, &v));
    EXPECT_EQ(ENODEV, errno);
    EXPECT_EQ(0, corvane_sim_board_count());
    node.reset();
    EXPECT_EQ(0, corvane_sim_is_simulated(node.fd(), nullptr, 0));
}

TEST_F(SimDriver, HighDescriptorsOnRequest) {
    corvane_sim_set_high_descriptors(1);
    SimNode high("keloe6100_0");
    ASSERT_TRUE(high.isOpen()) << std::strerror(high.openError());
    EXPECT_GE(high.fd(), 1024);
    EXPECT_NE(-1, ::fcntl(high.fd(), F_GETFD));
    char name[64] = {};
    EXPECT_EQ(1, corvane_sim_is_simulated(high.fd(), name, sizeof name));
    EXPECT_STREQ("keloe6100_0", name);
    uint32_t v = 0;
    ASSERT_EQ(0, corvane_sim_set_inputs("keloe6100_0", 0xF0F0u));
    ASSERT_EQ(0, ::ioctl(high.fd(), vc::IoctlGetDigitalInputs, &v));
    EXPECT_EQ(0xF0F0u, v);
    InterruptData d{};
    ASSERT_EQ(1, corvane_sim_queue_interrupt("keloe6100_0", &d));
    EXPECT_TRUE(readable(high.fd()));
    corvane_sim_set_high_descriptors(0);
    SimNode low("keloe6100_0");
    EXPECT_LT(low.fd(), 1024);
    EXPECT_EQ(2u, simState("keloe6100_0").open_descriptors);
}

// The trace keeps the latest `limit` entries (inputs 1..5 read in turn show which), none
// with 0, and a reset restores the default.
TEST_F(SimDriver, TraceLimitKeepsTheLatestEntries) {
    SimNode node("keloe6100_0");
    ASSERT_TRUE(node.isOpen());
    auto readInputs = [&](uint32_t from, uint32_t to) {
        for (uint32_t i = from; i <= to; ++i) {
            ASSERT_EQ(0, corvane_sim_set_inputs("keloe6100_0", i));
            ASSERT_EQ(0, command(node.fd(), vc::IoctlGetDigitalInputs, uint32_t{0}).result);
        }
    };
    corvane_sim_trace_clear();
    readInputs(1, 3);
    corvane_sim_set_trace_limit(2);
    EXPECT_EQ(2u, corvane_sim_trace_count());
    readInputs(4, 5);
    ASSERT_EQ(2u, corvane_sim_trace_count());
    corvane_sim_trace_entry entry{};
    for (size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(0, corvane_sim_trace_get(i, &entry));
        EXPECT_EQ(bytesOf(uint32_t{4 + static_cast<uint32_t>(i)}),
                  std::vector<uint8_t>(entry.returned, entry.returned + 4));
    }
    corvane_sim_set_trace_limit(0);
    readInputs(6, 6);
    EXPECT_EQ(0u, corvane_sim_trace_count());
    ASSERT_EQ(0, corvane_sim_reset(0));
    ASSERT_EQ(1, corvane_sim_add_boards("keloe6100"));
    SimNode again("keloe6100_0");
    ASSERT_EQ(0, command(again.fd(), vc::IoctlGetDigitalInputs, uint32_t{0}).result);
    EXPECT_EQ(1u, corvane_sim_trace_count());
}

TEST_F(SimDriver, OtherPathsAndDescriptorsPassThrough) {
    // A real device node and a real file.
    int devnull = ::open("/dev/null", O_RDWR);
    ASSERT_GE(devnull, 0);
    EXPECT_EQ(0, corvane_sim_is_simulated(devnull, nullptr, 0));
    EXPECT_EQ(1, ::write(devnull, "x", 1));
    EXPECT_EQ(0, ::close(devnull));
    EXPECT_EQ(-1, ::open("/dev/keloe6100_9", O_RDWR));  // no such node, nothing simulated
    EXPECT_EQ(ENOENT, errno);

    char path[] = "/tmp/corvane-sim-test-XXXXXX";
    int tmp = ::mkstemp(path);
    ASSERT_GE(tmp, 0);
    ::close(tmp);
    int f = ::openat(AT_FDCWD, path, O_RDWR | O_APPEND);
    ASSERT_GE(f, 0);
    EXPECT_EQ(3, ::write(f, "abc", 3));
    EXPECT_EQ(0, ::close(f));
    ::unlink(path);

    // ioctl on a pipe reaches the kernel.
    int p[2];
    ASSERT_EQ(0, ::pipe(p));
    ASSERT_EQ(2, ::write(p[1], "hi", 2));
    int pending = -1;
    EXPECT_EQ(0, ::ioctl(p[0], FIONREAD, &pending));
    EXPECT_EQ(2, pending);
    simClearTrace();
    uint32_t v = 0;
    EXPECT_EQ(-1, ::ioctl(p[0], vc::IoctlGetDigitalInputs, &v));  // a driver command on a pipe
    EXPECT_EQ(ENOTTY, errno);
    EXPECT_EQ(0u, corvane_sim_trace_count());
    ::close(p[0]);
    ::close(p[1]);
    EXPECT_EQ(-1, ::close(p[0]));
    EXPECT_EQ(EBADF, errno);

    // Another directory lists as usual.
    std::set<std::string> self = listDev("/proc/self");
    EXPECT_TRUE(self.count("status"));
}

TEST_F(SimDriver, DevListsNodesDirectoriesAndRefusingNodes) {
    ASSERT_EQ(2, corvane_sim_add_boards("kelo7100:node=kelo7100_dir:dir=1,keloe5100:open=fail"));
    std::set<std::string> expect = {"keloe6100_0", "kelo4210_0", "kelo3100_0", "kelo4220_0", "kelo7100_dir",
                                    "keloe5100_0"};
    EXPECT_EQ(expect, listDev("/dev/"));
    EXPECT_EQ(expect, listDev("/dev"));

    errno = 0;
    EXPECT_EQ(-1, ::open("/dev/kelo7100_dir", O_RDWR));
    EXPECT_EQ(EISDIR, errno);
    EXPECT_EQ(-1, ::open("/dev/keloe5100_0", O_RDWR));
    EXPECT_EQ(EACCES, errno);
    int d = ::open("/dev/kelo7100_dir", O_RDONLY | O_DIRECTORY);
    EXPECT_GE(d, 0);
    EXPECT_EQ(0, corvane_sim_is_simulated(d, nullptr, 0));
    ::close(d);

    // Boards added later appear in the next listing; a reset empties it.
    ASSERT_EQ(1, corvane_sim_add_boards("kelo6100"));
    EXPECT_TRUE(listDev("/dev/").count("kelo6100_0"));
    corvane_sim_reset(0);
    EXPECT_TRUE(listDev("/dev/").empty());
}

TEST(SimBoardList, CheckCountsBoardsAndNamesTheBadItem) {
    char msg[256];
    EXPECT_EQ(0, corvane_sim_check_boards("", msg, sizeof msg));
    EXPECT_EQ(4, corvane_sim_check_boards("keloe6100,kelo3100:number=1,kelo4210:product=kelo4210,"
                                          "kelo4220:node=kelo4220_0",
                                          msg, sizeof msg));
    EXPECT_EQ(1, corvane_sim_check_boards("kelo3100:bar5=0xFFFFFFFFFFFFFFFF:irq=255:pcie=1", msg, sizeof msg));

    const char* bad[][2] = {
        {"keloe6100,kelo9999", "kelo9999"},
        {"kelo3100:number=x", "kelo3100:number=x"},
        {"kelo3100:number=-1", "number"},
        {"kelo3100:irq=256", "irq"},
        {"kelo3100:vendor=0x10000", "vendor"},
        {"kelo3100:bar6=1", "bar6"},
        {"kelo3100:colour=red", "colour"},
        {"kelo3100:number", "number"},
        {"kelo3100,,kelo3100", "empty"},
        {"kelo3100:open=maybe", "open"},
        {"kelo3100:dir=2", "dir"},
        {"kelo3100:node=a/b", "a/b"},
        {"kelo3100,kelo3100:node=kelo3100_0", "used twice"},
        {"kelo3100:firmware=%4", "escape"},
        {"kelo3100:number=1:number=2", "twice"},
    };
    for (auto& b : bad) {
        SCOPED_TRACE(b[0]);
        EXPECT_EQ(-1, corvane_sim_check_boards(b[0], msg, sizeof msg));
        EXPECT_NE(nullptr, std::strstr(msg, b[1])) << msg;
        EXPECT_NE(nullptr, std::strstr(msg, "bad item")) << msg;
    }
    std::string longText(257, 'x');
    EXPECT_EQ(-1, corvane_sim_check_boards(("kelo3100:firmware=" + longText).c_str(), msg, sizeof msg));
    EXPECT_EQ(1, corvane_sim_check_boards(("kelo3100:firmware=" + longText.substr(1)).c_str(), msg, sizeof msg));
}

TEST(SimBoardList, MalformedAdditionAddsNothingAndSaysWhy) {
    SimBoards boards("keloe6100");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(-1, corvane_sim_add_boards("kelo3100,kelo4210:number=oops"));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, err.find("bad item \"kelo4210:number=oops\"")) << err;
    EXPECT_EQ(1, corvane_sim_board_count());  // never half a configuration
    char node[64];
    ASSERT_EQ(0, corvane_sim_board_node(0, node, sizeof node));
    EXPECT_STREQ("keloe6100_0", node);
    EXPECT_EQ(-1, corvane_sim_board_node(1, node, sizeof node));

    // Default names continue per prefix across additions.
    ASSERT_EQ(2, corvane_sim_add_boards("keloe6100,keloe6100:number=7"));
    ASSERT_EQ(0, corvane_sim_board_node(2, node, sizeof node));
    EXPECT_STREQ("keloe6100_2", node);
    SimNode n("keloe6100_2");
    IoctlGetDeviceInformationsStruct info{};
    ASSERT_EQ(0, ::ioctl(n.fd(), vc::IoctlGetDeviceInformations, &info));
    EXPECT_EQ(7u, info.bus.number);
}

}  // namespace
