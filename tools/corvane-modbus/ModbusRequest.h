// What a client asks for, decoded from one complete frame, and the checks of its
// structure (function, length, quantity, address range) that need no board.
#ifndef CORVANE_MODBUS_MODBUS_REQUEST_H
#define CORVANE_MODBUS_MODBUS_REQUEST_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane_modbus {

// Modbus exception codes the gateway answers with.
enum ExceptionCode : uint8_t {
    kNoException = 0,
    kIllegalFunction = 0x01,
    kIllegalDataAddress = 0x02,
    kIllegalDataValue = 0x03,
    kServerDeviceFailure = 0x04,
    kGatewayTargetFailed = 0x0B,
};

// The four address spaces of Modbus.
enum class Table { Coils, DiscreteInputs, InputRegisters, HoldingRegisters };

const char* tableName(Table table);

struct ModbusRequest {
    uint8_t unit = 0;
    uint8_t function = 0;
    bool write = false;
    Table table = Table::Coils;
    uint16_t address = 0;
    uint16_t count = 0;
    bool addressed = false;        // the frame was long enough to hold address and count
    std::vector<uint16_t> values;  // writes: one per address (a coil's 0 or 1, a register)

    // "function 3 address 10 count 2", for the log (also for a refused count).
    std::string describe() const;
};

struct DecodedRequest {
    ModbusRequest request;       // unit, function and write are filled whatever the outcome
    uint8_t exception = kNoException;
    std::string reason;          // why the exception, for the log
};

// Functions served: 1 read coils, 2 read discrete inputs, 3 read holding registers,
// 4 read input registers, 5 write single coil, 6 write single register, 15 write
// multiple coils, 16 write multiple registers. Any other: exception 1. A length that
// does not match the function, a quantity outside its limits, a byte count that does
// not match the quantity, or a coil value other than 0xFF00 or 0x0000: exception 3.
// A range that passes address 65535: exception 2.
DecodedRequest decodeRequest(const std::vector<uint8_t>& frame);

}  // namespace corvane_modbus

#endif
