// The driver's records, as a faulty or hostile driver could hand them over: through the
// simulator, IoctlGetDeviceInformations, IoctlGetLastError and
// IoctlGetInterruptInformations answer with the input's bytes.
//
// Per input: a registry of its own is built over one simulated board of each model (the
// discovery, the board objects and their device structures from the answers), every
// board is printed as boardlist prints it, one board's failing call gives its readable
// text (as the exception of the object interface and through VelmorGetLastError), and
// interrupts with arbitrary records reach a C callback. The process-wide registry of the
// C interface is built once (before the first input, from the simulator's own answers);
// the registry object per input keeps every input's discovery fresh.
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <cwchar>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "CorvaneException.h"
#include "DeviceDiscoverySingleton.h"
#include "FuzzInput.h"
#include "IoctlCommands.h"
#include "TestInterface.h"
#include "VelmorDeviceFunctions.h"
#include "VelmorErrorFunctions.h"
#include "VelmorInterruptFunctions.h"
#include "boardlist_print.h"
#include "corvane_sim.h"


using velmor::corvane::DeviceDiscoverySingleton;

namespace {

const char* const kNodes[] = {"keloe6100_0", "kelo3100_0", "keloe5100_0", "keloe7100_0", "kelo4210_0"};
constexpr size_t kBoards = sizeof kNodes / sizeof kNodes[0];
// The board whose interrupts reach the callback (through the C interface).
const char* const kInterruptBoard = "keloe6100_0";
// How the failure of the driver's test command begins, whatever its error record says.
const char* const kTestErrorText = "Error happened with IOCTL IoctlTestError.";

std::atomic<unsigned> delivered{0};
std::atomic<uint64_t> argumentSum{0};

void onInterrupt(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    // A callback as the guide writes it: never past the record, whatever args_count says.
    uint64_t sum = data.interrupt_source ^ data.interrupt_mask;
    for (uint32_t i = 0; i < data.args_count && i < 32; ++i) sum += data.args[i];
    argumentSum += sum;
    ++delivered;
}

// Every text of a device structure ends within its field, whatever the driver sent.
void checkTexts(const VelmorDeviceStruct& device) {
    const VelmorGeneralInformations& g = device.general;
    for (const char* field : {device.id, g.serial_number, g.product_name, g.firmware_version,
                              g.library_version, g.driver_version, g.device_path}) {
        FUZZ_CHECK(std::memchr(field, '\0', 256) != nullptr);
    }
    FUZZ_CHECK(std::wmemchr(g.custom_id, L'\0', 256) != nullptr);
}

bool setUp() {
    // Custom identifiers are printed in UTF-8, as in a user's terminal.
    std::setlocale(LC_CTYPE, "C.UTF-8");
    corvane_sim_reset(0);
    if (corvane_sim_add_boards("keloe6100,kelo3100,keloe5100,keloe7100,kelo4210") != static_cast<int>(kBoards)) {
        return false;
    }
    unsigned char count = 0;
    if (VelmorGetNumberOfDevices(&count) != 0 || count != kBoards) return false;
    std::vector<VelmorDeviceStruct> list(count);
    if (VelmorGetDeviceList(list.data()) != 0) return false;
    return VelmorSetDeviceInterruptCallback(kInterruptBoard, onInterrupt) == 0 &&
           VelmorEnableDeviceInterrupts(kInterruptBoard) == 0;
}

// Queues the next answer of command on node: a length (two bytes), then that many bytes
// of the record (the rest of the record zero).
void queueAnswer(FuzzInput& in, const char* node, uint32_t command) {
    const size_t length = (static_cast<size_t>(in.byte()) << 8) | in.byte();
    const std::string bytes = in.take(length);
    FUZZ_CHECK(corvane_sim_queue_answer(node, command, bytes.data(), bytes.size()) >= 1);
}

void listAndFail(FuzzInput& in) {
    const unsigned fuzzed = in.byte();
    for (size_t i = 0; i < kBoards; ++i) {
        if ((fuzzed & (1u << i)) != 0) queueAnswer(in, kNodes[i], velmor::corvane::IoctlGetDeviceInformations);
    }
    try {
        DeviceDiscoverySingleton registry("/dev/");
        for (const VelmorDeviceStruct& device : registry.getAllDevicesInformation()) {
            checkTexts(device);
            std::printf("Found card %.256s\n", device.id);
            printGeneralInformation(&device.general);
            printVelmorPCIBusInformations(&device.bus);
        }
        const auto boards = registry.getAllDevices();
        if (boards.empty()) return;
        auto board = std::next(boards.begin(), in.byte() % boards.size())->second;
        auto* tester = dynamic_cast<velmor::corvane::TestInterface*>(board.get());
        if (tester == nullptr) return;
        // The same error record on every node: the board's identifier may come from the
        // fuzzed records, so its node is not known here.
        const size_t length = (static_cast<size_t>(in.byte()) << 8) | in.byte();
        const std::string record = in.take(length);
        for (const char* node : kNodes) {
            FUZZ_CHECK(corvane_sim_queue_answer(node, velmor::corvane::IoctlGetLastError, record.data(),
                                                record.size()) >= 1);
        }
        try {
            tester->testError();
            FUZZ_CHECK(!"the driver's test error was taken for a success");
        } catch (const CorvaneException& error) {
            // The summary of the failed command, then the driver's account of it.
            FUZZ_CHECK(std::strstr(error.what(), kTestErrorText) != nullptr);
            FUZZ_CHECK(error.getCode() != 0);
        }
        corvane_sim_clear_answers();
    } catch (const CorvaneException& error) {
        // A board that does not start ends the build: a failure the caller sees.
        FUZZ_CHECK(error.getCode() != 0);
    }
}

void failThroughC(FuzzInput& in) {
    const char* node = kNodes[in.byte() % kBoards];
    queueAnswer(in, node, velmor::corvane::IoctlGetLastError);
    FUZZ_CHECK(VelmorTestError(node) != 0);
    char text[4096];
    const size_t length = VelmorGetLastError(text, sizeof text - 1);
    FUZZ_CHECK(length > 0 && length < sizeof text);
    FUZZ_CHECK(std::strlen(text) == length);
    FUZZ_CHECK(std::strstr(text, kTestErrorText) != nullptr);
}

void interrupts(FuzzInput& in) {
    const unsigned count = in.byte() % 4;
    const unsigned before = delivered.load();
    for (unsigned i = 0; i < count; ++i) {
        queueAnswer(in, kInterruptBoard, velmor::corvane::IoctlGetInterruptInformations);
        InterruptData data;
        std::memset(&data, 0, sizeof data);
        FUZZ_CHECK(corvane_sim_queue_interrupt(kInterruptBoard, &data) >= 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (delivered.load() - before < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    FUZZ_CHECK(delivered.load() - before == count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = setUp();
    FUZZ_CHECK(ready);
    FuzzInput in(data, size);
    listAndFail(in);
    corvane_sim_clear_answers();
    failThroughC(in);
    interrupts(in);
    corvane_sim_clear_answers();
    // The simulator's trace would keep every call of every input.
    corvane_sim_trace_clear();
    std::fflush(stdout);
    return 0;
}
