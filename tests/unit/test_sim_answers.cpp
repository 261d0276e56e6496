// Queued answers: the next call of a command on a node hands back the bytes queued for
// it (cut or zero-filled to the record), in the order queued, after the driver handled
// the call; a failure rule goes first.
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "IoctlCommands.h"
#include "SimTestSupport.h"
#include "VelmorTypes.h"

using namespace corvane_sim_test;
namespace vc = velmor::corvane;

namespace {

class SimAnswers : public ::testing::Test {
protected:
    SimAnswers() : boards_("keloe6100,kelo4210") {}
    SimBoards boards_;
};

std::vector<uint8_t> pattern(size_t size, uint8_t first) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

TEST_F(SimAnswers, RecordHoldsTheQueuedBytesThenZeros) {
    SimNode node("keloe6100_0");
    ASSERT_TRUE(node.isOpen());
    struct Case {
        uint32_t command;
        size_t recordSize;
        size_t queued;  // bytes queued: shorter, equal, longer than the record
    };
    const Case cases[] = {
        {vc::IoctlGetDeviceInformations, sizeof(IoctlGetDeviceInformationsStruct), 5},
        {vc::IoctlGetLastError, sizeof(VelmorErrorType), sizeof(VelmorErrorType)},
        {vc::IoctlGetInterruptInformations, sizeof(InterruptData), sizeof(InterruptData) + 9},
        {vc::IoctlGetInterruptInformations, sizeof(InterruptData), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const std::vector<uint8_t> bytes = pattern(c.queued, 0x41);
        ASSERT_EQ(1, corvane_sim_queue_answer("keloe6100_0", c.command, bytes.data(), bytes.size()));
        std::vector<uint8_t> record(c.recordSize, 0xEE);
        errno = 0;
        // No interrupt is pending: the driver alone would fail the read, the answer succeeds.
        ASSERT_EQ(0, ::ioctl(node.fd(), c.command, record.data()));
        std::vector<uint8_t> expected(c.recordSize, 0);
        std::copy_n(bytes.begin(), std::min(c.queued, c.recordSize), expected.begin());
        EXPECT_EQ(expected, record);
        // Used once, and only on its own node: the driver answers again.
        ASSERT_EQ(1, corvane_sim_queue_answer("kelo4210_0", c.command, bytes.data(), bytes.size()));
        std::vector<uint8_t> again(c.recordSize, 0xEE);
        ::ioctl(node.fd(), c.command, again.data());
        EXPECT_NE(expected, again);
        corvane_sim_clear_answers();
    }
}

TEST_F(SimAnswers, OrderRulesRefusalsAndReset) {
    SimNode node("keloe6100_0");
    ASSERT_TRUE(node.isOpen());
    const uint8_t first[] = {1}, second[] = {2};
    EXPECT_EQ(1, corvane_sim_queue_answer("keloe6100_0", vc::IoctlGetLastError, first, 1));
    EXPECT_EQ(2, corvane_sim_queue_answer("keloe6100_0", vc::IoctlGetLastError, second, 1));
    // A failure rule matches first and leaves the answers queued.
    ASSERT_EQ(0, corvane_sim_fail("keloe6100_0", vc::IoctlGetLastError, -1, EBUSY, 1, nullptr));
    VelmorErrorType record;
    errno = 0;
    EXPECT_EQ(-1, ::ioctl(node.fd(), vc::IoctlGetLastError, &record));
    EXPECT_EQ(EBUSY, errno);
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetLastError, &record));
    EXPECT_EQ(1, reinterpret_cast<const uint8_t*>(&record)[0]);
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetLastError, &record));
    EXPECT_EQ(2, reinterpret_cast<const uint8_t*>(&record)[0]);

    struct Refusal {
        const char* node;
        uint32_t command;
        const void* bytes;
        size_t size;
        int error;
    };
    const Refusal refusals[] = {
        {nullptr, vc::IoctlGetLastError, first, 1, EINVAL},
        {"keloe6100_0", vc::IoctlTestError, first, 1, EINVAL},  // no record
        {"keloe6100_0", vc::IoctlGetLastError, nullptr, 1, EINVAL},
        {"nosuch_0", vc::IoctlGetLastError, first, 1, ENOENT},
    };
    for (const Refusal& r : refusals) {
        errno = 0;
        EXPECT_EQ(-1, corvane_sim_queue_answer(r.node, r.command, r.bytes, r.size));
        EXPECT_EQ(r.error, errno);
    }
    EXPECT_EQ(1, corvane_sim_queue_answer("keloe6100_0", vc::IoctlGetLastError, first, 1));
    corvane_sim_reset(0);
    ASSERT_EQ(1, corvane_sim_add_boards("keloe6100"));
    EXPECT_EQ(1, corvane_sim_queue_answer("keloe6100_0", vc::IoctlGetLastError, first, 1));
}

}  // namespace
