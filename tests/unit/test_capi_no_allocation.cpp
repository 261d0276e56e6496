// The success path of the C interface allocates nothing: every operator new of this
// process is counted while a call runs, except inside the driver's ioctl (the simulator
// keeps a trace, a real driver allocates in the kernel). The controls show that the count
// sees the library's own allocations (a refused call, a failing driver call) and that the
// driver was reached exactly as often as expected.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <new>
#include <vector>

#include "Corvane.h"
#include "corvane_sim.h"

namespace {

thread_local bool counting = false;
std::atomic<size_t> allocations{0};
std::atomic<size_t> driverCalls{0};

void* allocate(size_t size) {
    if (counting) {
        allocations.fetch_add(1);
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

void* allocateAligned(size_t size, std::align_val_t alignment) {
    if (counting) {
        allocations.fetch_add(1);
    }
    void* block = nullptr;
    if (posix_memalign(&block, static_cast<size_t>(alignment), size == 0 ? 1 : size) != 0) {
        throw std::bad_alloc();
    }
    return block;
}

using IoctlFunction = int (*)(int, unsigned long, ...);

}  // namespace

void* operator new(size_t size) { return allocate(size); }
void* operator new[](size_t size) { return allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(size_t size, std::align_val_t alignment) { return allocateAligned(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return allocateAligned(size, alignment); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t, std::align_val_t) noexcept { std::free(block); }

// Stands between the library and the simulator: what the driver does is not counted.
extern "C" int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    const bool wasCounting = counting;
    counting = false;
    static const auto next = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    driverCalls.fetch_add(1);
    const int result = next(fd, request, argument);
    counting = wasCounting;
    return result;
}

namespace {

constexpr const char* kBoard = "keloe6100_0";
// A port board whose driver reports a long product name: its identifier is longer than
// any string keeps without allocating.
constexpr const char* kLongBoard = "kelo4210_with_a_long_product_name_0";

struct Counted {
    uint32_t code;
    size_t allocations;
    size_t driverCalls;
};

Counted countDuring(const std::function<uint32_t()>& call) {
    allocations.store(0);
    driverCalls.store(0);
    counting = true;
    const uint32_t code = call();
    counting = false;
    return {code, allocations.load(), driverCalls.load()};
}

class CApiNoAllocation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(corvane_sim_reset(0), 0);
        ASSERT_EQ(corvane_sim_add_boards(
                      "keloe6100,kelo4210:product=kelo4210_with_a_long_product_name"),
                  2);
        ASSERT_EQ(corvane_sim_set_inputs(kBoard, 0x80000001u), 0);
        ASSERT_EQ(corvane_sim_set_port_inputs("kelo4210_0", 5, 0x81), 0);
        unsigned char count = 0;
        ASSERT_EQ(VelmorGetNumberOfDevices(&count), 0u);
        ASSERT_EQ(count, 2);
        ASSERT_EQ(VelmorSetOutputMemory(kBoard, 1), 0u);
    }
};

TEST_F(CApiNoAllocation, SuccessfulCallsAllocateNothing) {
    uint32_t word = 0;
    uint8_t byte = 0;
    uint8_t status[3] = {0, 0, 0};
    VelmorDeviceStruct information;
    struct Case {
        const char* name;
        size_t driverCallsPerCall;
        std::function<uint32_t()> call;
    };
    const std::vector<Case> cases = {
        {"VelmorReadAllDigitalInputs", 1, [&] { return VelmorReadAllDigitalInputs(kBoard, &word); }},
        {"VelmorReadSingleDigitalInput", 1, [&] { return VelmorReadSingleDigitalInput(kBoard, 31, &byte); }},
        {"VelmorWriteSingleDigitalOutput", 1, [&] { return VelmorWriteSingleDigitalOutput(kBoard, 31, 0); }},
        {"VelmorWriteAllDigitalOutputs", 1,
         [&] { return VelmorWriteAllDigitalOutputs(kBoard, 0x80000001u, 1); }},
        {"VelmorGetDigitalOutputsStatus", 1, [&] { return VelmorGetDigitalOutputsStatus(kBoard, &word); }},
        {"VelmorGetDeviceStructFromDeviceName", 0,
         [&] { return VelmorGetDeviceStructFromDeviceName(kBoard, &information); }},
        {"VelmorReadTimerValue", 1, [&] { return VelmorReadTimerValue(kBoard, 1, &word); }},
        {"VelmorReadCounterStatus", 1,
         [&] { return VelmorReadCounterStatus(kBoard, 2, &word, &status[0], &status[1], &status[2]); }},
        {"VelmorStartTimer", 1, [&] { return VelmorStartTimer(kBoard, 0); }},
        {"VelmorReadAllDigitalInputsFromPort (long identifier)", 1,
         [&] { return VelmorReadAllDigitalInputsFromPort(kLongBoard, 5, &byte); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.call(), 0u);  // first use: whatever is built once is built here
        for (int round = 0; round < 3; ++round) {
            const Counted counted = countDuring(c.call);
            EXPECT_EQ(counted.code, 0u);
            EXPECT_EQ(counted.allocations, 0u);
            EXPECT_EQ(counted.driverCalls, c.driverCallsPerCall);
        }
    }
    // The reads went to the driver and back: bit 0 and bit 31 of the simulated inputs.
    ASSERT_EQ(countDuring([&] { return VelmorReadAllDigitalInputs(kBoard, &word); }).code, 0u);
    EXPECT_EQ(word, 0x80000001u);
    ASSERT_EQ(countDuring([&] { return VelmorReadSingleDigitalInput(kBoard, 31, &byte); }).code, 0u);
    EXPECT_EQ(byte, 1);
    ASSERT_EQ(countDuring([&] { return VelmorReadAllDigitalInputsFromPort(kLongBoard, 5, &byte); }).code,
              0u);
    EXPECT_EQ(byte, 0x81);
}

TEST_F(CApiNoAllocation, TheCountSeesTheLibrarysOwnAllocations) {
    // Refused by the board before the driver: the exception and its text are allocated.
    const Counted refused = countDuring([] { return VelmorWriteSingleDigitalOutput(kBoard, 40, 1); });
    EXPECT_EQ(refused.code, 0x82001004u);
    EXPECT_GT(refused.allocations, 0u);
    EXPECT_EQ(refused.driverCalls, 0u);

    // A failing driver call: the command and the driver's error record, and the texts.
    ASSERT_EQ(corvane_sim_fail(kBoard, 0xC0084110u, -1, 5, 1, nullptr), 0);
    uint32_t word = 0x12345678u;
    const Counted failed = countDuring([&] { return VelmorReadAllDigitalInputs(kBoard, &word); });
    EXPECT_EQ(failed.code, 0x86000F08u);
    EXPECT_GT(failed.allocations, 0u);
    EXPECT_EQ(failed.driverCalls, 2u);
    EXPECT_EQ(word, 0x12345678u);

    // And a plain allocation of this thread.
    const Counted plain = countDuring([] {
        delete new int(1);
        return 0u;
    });
    EXPECT_EQ(plain.allocations, 1u);
}

}  // namespace
