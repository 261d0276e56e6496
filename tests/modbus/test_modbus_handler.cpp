// Requests answered over simulated boards: the values read, the exact records the
// driver receives for writes, and each refusal with its exception, at both ends of
// every word and at every map limit and one past it.
#include <gtest/gtest.h>

#include <cerrno>

#include <corvane/IoctlCommands.h>

#include "RequestHandler.h"
#include "SimTestSupport.h"

using namespace corvane_modbus;
using namespace corvane_sim_test;
using namespace velmor::corvane;

namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

Bytes frame(uint8_t unit, const Bytes& pdu) {
    Bytes f = {0x00, 0x01, 0x00, 0x00, 0x00, static_cast<uint8_t>(pdu.size() + 1), unit};
    f.insert(f.end(), pdu.begin(), pdu.end());
    return f;
}

Bytes read(uint8_t function, uint16_t address, uint16_t count) {
    return {function, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
            static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
}

Bytes writeRegister(uint16_t address, uint16_t value) {
    return {0x06, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes writeCoil(uint16_t address, bool on) {
    return {0x05, static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), on ? uint8_t{0xFF} : uint8_t{0}, 0};
}

// The boards of CORVANE_SIM_BOARDS (see modbus.cmake), served as units 1 to 7 in
// identifier order: kelo3100_0, kelo4210_0, kelo4220_0, kelo5100_0, keloe5100_0,
// keloe6100_0, keloe7100_0. Built once: the registry lives as long as the process.
std::vector<ServedBoard>& served() {
    static std::vector<ServedBoard> boards = [] {
        GatewayOptions options;
        options.interrupts = true;  // the counters' registers, without enabling anything
        std::vector<ServedBoard> result;
        std::string error;
        if (!serveBoards(options, result, error)) ADD_FAILURE() << error;
        return result;
    }();
    return boards;
}

enum Unit : uint8_t { k3100 = 1, k4210 = 2, k4220 = 3, k5100 = 4, kE5100 = 5, kE6100 = 6, kE7100 = 7 };

class ModbusHandler : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(7u, served().size());
        corvane_sim_clear_failures();
        simClearTrace();
    }
    HandledRequest ask(uint8_t unit, const Bytes& pdu, bool allowWrite = true) {
        RequestHandler handler(served(), allowWrite);
        return handler.handle(frame(unit, pdu));
    }
    static size_t driverCalls(uint32_t command) {
        size_t n = 0;
        for (const SimCall& call : simTrace()) n += call.command == command;
        return n;
    }
};

TEST_F(ModbusHandler, UnitsFollowIdentifierOrder) {
    const char* ids[] = {"kelo3100_0", "kelo4210_0", "kelo4220_0", "kelo5100_0", "keloe5100_0", "keloe6100_0", "keloe7100_0"};
    for (unsigned i = 0; i < 7; ++i) {
        EXPECT_EQ(ids[i], served()[i].id);
        EXPECT_EQ(i + 1, served()[i].unit);
    }
}

struct ReadCase {
    uint8_t unit;
    Bytes pdu;
    uint8_t exception;
    Words values;
};

TEST_F(ModbusHandler, ReadsReachBothEndsOfEveryWordAndStopAtTheMap) {
    corvane_sim_set_inputs("keloe6100_0", 0x80000001u);
    corvane_sim_set_inputs("kelo3100_0", 0x8001u);
    corvane_sim_set_inputs("keloe5100_0", 0x80000000u);
    corvane_sim_set_port_inputs("kelo4210_0", 11, 0x81);
    corvane_sim_set_port_inputs("kelo4220_0", 5, 0x7E);
    corvane_sim_set_unit_value("keloe6100_0", 1, 0x80000001u);     // timer 1
    corvane_sim_set_unit_status("keloe6100_0", 1, 1, 0x80, 255);
    corvane_sim_set_unit_value("keloe6100_0", 4, 0xFFFF0000u);     // counter 2
    corvane_sim_set_unit_value("keloe6100_0", 0, 0x00012345u);     // watchdog 0 (timer 0's unit)
    corvane_sim_set_unit_value("kelo3100_0", 2, 7);                 // watchdog 0 is unit 2
    corvane_sim_set_unit_value("keloe7100_0", 0, 0x10000u);
    const ReadCase cases[] = {
        {kE6100, read(2, 0, 32), kNoException, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {kE6100, read(2, 31, 1), kNoException, {1}},
        {kE6100, read(2, 32, 1), kIllegalDataAddress, {}},
        {kE6100, read(2, 31, 2), kIllegalDataAddress, {}},
        {kE6100, read(4, 0, 2), kNoException, {0x8000, 0x0001}},
        {kE6100, read(4, 0, 4), kNoException, {0x8000, 0x0001, 0, 0}},
        {kE6100, read(4, 3, 2), kIllegalDataAddress, {}},
        {kE6100, read(4, 105, 5), kNoException, {0x8000, 0x0001, 1, 0x80, 255}},
        {kE6100, read(4, 210, 2), kNoException, {0xFFFF, 0x0000}},
        {kE6100, read(4, 300, 2), kNoException, {0x0001, 0x2345}},
        {kE6100, read(4, 110, 1), kIllegalDataAddress, {}},  // no timer 2
        {kE6100, read(4, 215, 1), kIllegalDataAddress, {}},  // no counter 3
        {kE6100, read(4, 305, 1), kIllegalDataAddress, {}},  // no watchdog 1
        {kE6100, read(4, 400, 6), kNoException, {0, 0, 0, 0, 0, 0}},
        {kE6100, read(4, 406, 1), kIllegalDataAddress, {}},
        {kE6100, read(3, 0, 1), kIllegalDataAddress, {}},    // no holding registers
        {k3100, read(2, 15, 1), kNoException, {1}},
        {k3100, read(2, 16, 1), kIllegalDataAddress, {}},
        {k3100, read(4, 0, 2), kNoException, {0x0000, 0x8001}},
        {k3100, read(4, 110, 5), kNoException, {0, 7, 0, 0, 0}},  // timer 2 runs on unit 2, the watchdog's
        {k3100, read(4, 300, 2), kNoException, {0, 7}},
        {k3100, read(1, 16, 1), kIllegalDataAddress, {}},
        {kE5100, read(2, 31, 1), kNoException, {1}},
        {kE5100, read(1, 0, 1), kIllegalDataAddress, {}},    // no outputs
        {kE5100, read(4, 2, 2), kIllegalDataAddress, {}},
        {kE5100, read(4, 100, 2), kNoException, {0, 0}},
        {k5100, read(4, 100, 2), kIllegalDataAddress, {}},   // the PCI variant has no timer
        {kE7100, read(2, 0, 1), kIllegalDataAddress, {}},    // no inputs
        {kE7100, read(4, 300, 2), kNoException, {0x0001, 0x0000}},
        {k4210, read(4, 21, 1), kNoException, {0x81}},        // port 11
        {k4210, read(4, 22, 1), kIllegalDataAddress, {}},
        {k4210, read(2, 88, 8), kNoException, {1, 0, 0, 0, 0, 0, 0, 1}},
        {k4210, read(2, 96, 1), kIllegalDataAddress, {}},
        {k4210, read(4, 400, 1), kIllegalDataAddress, {}},  // no interrupts
        {k4220, read(4, 15, 1), kNoException, {0x7E}},        // port 5
        {k4220, read(4, 16, 1), kIllegalDataAddress, {}},
        {k4220, read(3, 15, 1), kNoException, {0}},
        {k4220, read(3, 16, 1), kIllegalDataAddress, {}},
        {k4220, read(2, 48, 1), kIllegalDataAddress, {}},
    };
    for (const ReadCase& c : cases) {
        const HandledRequest h = ask(c.unit, c.pdu);
        EXPECT_EQ(c.exception, h.exception) << "unit " << int(c.unit) << " " << h.request.describe() << ": " << h.reason;
        EXPECT_EQ(c.values, h.values) << "unit " << int(c.unit) << " " << h.request.describe();
    }
    for (const char* node : {"keloe6100_0", "kelo3100_0", "keloe7100_0"}) {
        for (unsigned unit = 0; unit < 5; ++unit) corvane_sim_unpin_unit(node, unit);
    }
}

TEST_F(ModbusHandler, OneDriverReadServesEveryAddressThatNeedsIt) {
    struct Case {
        uint8_t unit;
        Bytes pdu;
        uint32_t command;
        size_t calls;
    };
    const Case cases[] = {
        {kE6100, read(2, 0, 32), IoctlGetDigitalInputs, 1},
        {kE6100, read(4, 0, 2), IoctlGetDigitalInputs, 1},
        {kE6100, read(1, 0, 32), IoctlGetDigitalOutputsStatus, 1},
        {kE6100, read(4, 100, 10), IoctlReadTimerCounterWatchdog, 4},  // two values, two status reads
        {kE6100, read(4, 102, 3), IoctlReadTimerCounterWatchdog, 1},
        {k4210, read(2, 0, 96), IoctlGetAllDigitalInputsFromPort, 12},
        {k4210, read(2, 4, 8), IoctlGetAllDigitalInputsFromPort, 2},
        {k4210, read(3, 10, 12), IoctlGetDigitalOutputsStatusOnPort, 12},
    };
    for (const Case& c : cases) {
        simClearTrace();
        const HandledRequest h = ask(c.unit, c.pdu);
        ASSERT_EQ(kNoException, h.exception) << h.reason;
        EXPECT_EQ(c.calls, driverCalls(c.command)) << h.request.describe();
        EXPECT_EQ(c.calls, simTrace().size()) << h.request.describe();
    }
}

struct WriteCase {
    uint8_t unit;
    Bytes pdu;
    uint8_t exception;
    const char* node;
    std::vector<Bytes> records;  // the records the driver received, in order
};

Bytes outputs(uint32_t mask, uint8_t memory, uint8_t state) {
    return {static_cast<uint8_t>(mask), static_cast<uint8_t>(mask >> 8), static_cast<uint8_t>(mask >> 16),
            static_cast<uint8_t>(mask >> 24), memory, state, 0, 0};
}

Bytes portOutputs(uint8_t port, uint8_t mask, uint8_t state) { return {port, mask, 1, state}; }

TEST_F(ModbusHandler, WritesSendTheLibrarysRecordsOffBeforeOn) {
    const WriteCase cases[] = {
        {kE6100, writeCoil(31, true), kNoException, "keloe6100_0", {outputs(0x80000000u, 1, 1)}},
        {kE6100, writeCoil(0, false), kNoException, "keloe6100_0", {outputs(0x1, 1, 0)}},
        {kE6100, writeCoil(32, true), kIllegalDataAddress, "keloe6100_0", {}},
        // Coils 0-31: 0x80000001 on, the rest off: one record off, then one on.
        {kE6100, {0x0F, 0, 0, 0, 32, 4, 0x01, 0, 0, 0x80}, kNoException, "keloe6100_0",
         {outputs(0x7FFFFFFEu, 1, 0), outputs(0x80000001u, 1, 1)}},
        {kE6100, {0x0F, 0, 1, 0, 32, 4, 0, 0, 0, 0}, kIllegalDataAddress, "keloe6100_0", {}},
        {kE6100, {0x0F, 0, 4, 0, 2, 1, 0x03}, kNoException, "keloe6100_0", {outputs(0x30, 1, 1)}},
        {k3100, writeCoil(15, true), kNoException, "kelo3100_0", {outputs(0x8000, 1, 1)}},
        {k3100, writeCoil(16, true), kIllegalDataAddress, "kelo3100_0", {}},
        {kE7100, writeCoil(0, false), kNoException, "keloe7100_0", {outputs(0x1, 1, 0)}},
        {kE5100, writeCoil(0, true), kIllegalDataAddress, "keloe5100_0", {}},
        {k4210, writeCoil(95, true), kNoException, "kelo4210_0", {portOutputs(11, 0x80, 1)}},
        {k4210, writeCoil(96, true), kIllegalDataAddress, "kelo4210_0", {}},
        {k4210, {0x0F, 0, 6, 0, 4, 1, 0x05}, kNoException, "kelo4210_0",  // channels 6-9: ports 0 and 1
         {portOutputs(0, 0x80, 0), portOutputs(0, 0x40, 1), portOutputs(1, 0x02, 0), portOutputs(1, 0x01, 1)}},
        {k4210, writeRegister(0, 0x0FFF), kNoException, "kelo4210_0", {{0xFF, 0x0F, 0, 0}}},
        {k4210, writeRegister(0, 0x1000), kIllegalDataValue, "kelo4210_0", {}},
        {k4210, writeRegister(21, 0xFF), kNoException, "kelo4210_0", {portOutputs(11, 0xFF, 1)}},
        {k4210, writeRegister(21, 0x00), kNoException, "kelo4210_0", {portOutputs(11, 0xFF, 0)}},
        {k4210, writeRegister(10, 0x81), kNoException, "kelo4210_0", {portOutputs(0, 0x7E, 0), portOutputs(0, 0x81, 1)}},
        {k4210, writeRegister(21, 0x100), kIllegalDataValue, "kelo4210_0", {}},
        {k4210, writeRegister(22, 0), kIllegalDataAddress, "kelo4210_0", {}},
        {k4210, writeRegister(1, 0), kIllegalDataAddress, "kelo4210_0", {}},
        // Several registers: every value is checked before the first driver call.
        {k4210, {0x10, 0, 10, 0, 2, 4, 0, 0xFF, 0x01, 0x00}, kIllegalDataValue, "kelo4210_0", {}},
        {k4220, writeRegister(0, 0x3F), kNoException, "kelo4220_0", {{0x3F, 0, 0, 0}}},
        {k4220, writeRegister(0, 0x40), kIllegalDataValue, "kelo4220_0", {}},
        {k4220, writeRegister(15, 0xFF), kNoException, "kelo4220_0", {portOutputs(5, 0xFF, 1)}},
        {k4220, writeRegister(16, 0xFF), kIllegalDataAddress, "kelo4220_0", {}},
    };
    for (const WriteCase& c : cases) {
        simClearTrace();
        const HandledRequest h = ask(c.unit, c.pdu);
        EXPECT_EQ(c.exception, h.exception) << c.node << " " << h.request.describe() << ": " << h.reason;
        std::vector<Bytes> records;
        for (const SimCall& call : simTrace(c.node)) {
            if (call.command == IoctlSetDigitalOutputs || call.command == IoctlSetDigitalOutputsOnPort ||
                call.command == IoctlSetAllDigitalPortsDirections) {
                records.push_back(call.sent);
            }
        }
        EXPECT_EQ(c.records, records) << c.node << " " << h.request.describe();
    }
    uint32_t word = 0;
    corvane_sim_get_outputs("keloe6100_0", &word);
    EXPECT_EQ(0x80000031u, word);
    EXPECT_EQ(0xFFFu, simState("kelo4210_0").port_directions);
    EXPECT_EQ(0x81, simState("kelo4210_0").outputs[0]);
}

TEST_F(ModbusHandler, RefusalsTouchNoBoard) {
    struct Case {
        uint8_t unit;
        Bytes pdu;
        bool allowWrite;
        uint8_t exception;
        const char* reason;
    };
    const Case cases[] = {
        {0, read(2, 0, 1), true, kGatewayTargetFailed, "no board is served as unit 0"},
        {8, read(2, 0, 1), true, kGatewayTargetFailed, "no board is served as unit 8"},
        {255, writeCoil(0, true), false, kGatewayTargetFailed, "no board is served as unit 255"},
        {kE6100, writeCoil(0, true), false, kIllegalFunction, "writes are not allowed (start with --allow-write)"},
        {kE6100, {0x0F, 0, 0, 0, 1, 1, 1}, false, kIllegalFunction, "writes are not allowed (start with --allow-write)"},
        {k4210, writeRegister(0, 0x1000), false, kIllegalFunction, "writes are not allowed (start with --allow-write)"},
        {kE6100, {0x0F, 0, 0, 0, 9, 1, 1}, false, kIllegalFunction, "writes are not allowed (start with --allow-write)"},
        {kE6100, {0x0F, 0, 0, 0, 9, 1, 1}, true, kIllegalDataValue, "byte count 1 does not match quantity 9 (expected 2)"},
        {kE6100, {0x08, 0, 0, 0, 0}, true, kIllegalFunction, "function 8 is not served"},
        {kE6100, read(4, 4, 1), true, kIllegalDataAddress, "input registers 4 is not in the map of keloe6100_0"},
        {kE6100, read(1, 65535, 1), true, kIllegalDataAddress, "coils 65535 is not in the map of keloe6100_0"},
    };
    for (const Case& c : cases) {
        simClearTrace();
        const HandledRequest h = ask(c.unit, c.pdu, c.allowWrite);
        EXPECT_EQ(c.exception, h.exception) << c.reason;
        EXPECT_EQ(c.reason, h.reason);
        EXPECT_TRUE(simTrace().empty()) << c.reason;
    }
}

TEST_F(ModbusHandler, LibraryFailuresAnswerFourWithTheLibrarysText) {
    struct Case {
        uint8_t unit;
        Bytes pdu;
        const char* node;
        uint32_t command;
    };
    const Case cases[] = {
        {kE6100, read(2, 0, 1), "keloe6100_0", IoctlGetDigitalInputs},
        {kE6100, read(1, 0, 1), "keloe6100_0", IoctlGetDigitalOutputsStatus},
        {kE6100, writeCoil(3, true), "keloe6100_0", IoctlSetDigitalOutputs},
        {kE6100, read(4, 100, 2), "keloe6100_0", IoctlReadTimerCounterWatchdog},
        {k4210, writeRegister(0, 1), "kelo4210_0", IoctlSetAllDigitalPortsDirections},
        {k4210, read(3, 10, 1), "kelo4210_0", IoctlGetDigitalOutputsStatusOnPort},
    };
    for (const Case& c : cases) {
        corvane_sim_fail(c.node, c.command, -1, EIO, 1, nullptr);
        const HandledRequest h = ask(c.unit, c.pdu);
        EXPECT_EQ(kServerDeviceFailure, h.exception) << h.request.describe();
        EXPECT_NE(std::string::npos, h.reason.find(std::string("library failure on ") + c.node + ": [CorvaneException] Code: 0x"))
            << h.reason;
        EXPECT_NE(std::string::npos, h.reason.find("Injected failure")) << h.reason;
        // The rule was used once: the next request is served.
        EXPECT_EQ(kNoException, ask(c.unit, c.pdu).exception) << h.request.describe();
    }
}

}  // namespace
