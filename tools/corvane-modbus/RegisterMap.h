// Where each board quantity sits in the four Modbus tables of the board's unit. The map
// depends only on what the board offers (its BoardShape), so that the same quantity has
// the same address on every model that has it. Addresses are the zero-based addresses of
// the protocol (a client showing "register numbers" such as 30001 adds its own offset).
#ifndef CORVANE_MODBUS_REGISTER_MAP_H
#define CORVANE_MODBUS_REGISTER_MAP_H

#include <cstdint>
#include <string>
#include <vector>

#include "ModbusRequest.h"

namespace corvane_modbus {

// What the map of one board is built from.
struct BoardShape {
    unsigned inputs = 0;      // channel boards: digital inputs (bit n = input n)
    unsigned outputs = 0;     // channel boards: digital outputs
    unsigned ports = 0;       // port boards: 8-bit ports (channel 8p + n = bit n of port p)
    unsigned timers = 0;
    unsigned counters = 0;
    unsigned watchdogs = 0;
    bool interruptCounters = false;  // --interrupts on a board with interrupts
};

// Where a block's values come from in the library.
enum class Source {
    InputChannels,       // readAllDigitalInput, one bit per address
    OutputChannels,      // getDigitalOutputStatus / writeSingleDigitalOutput, writeAllDigitalOutput
    PortInputChannels,   // readAllDigitalInputsFromPort of the channel's port
    PortOutputChannels,  // getDigitalOutputsStatusOnPort / writeSingleDigitalOutputOnPort, writeAllDigitalOutputsOnPort
    InputWord,           // readAllDigitalInput as two registers, high word first
    OutputWord,          // getDigitalOutputStatus as two registers, high word first
    PortInputs,          // readAllDigitalInputsFromPort, one register per port
    PortOutputStatus,    // getDigitalOutputsStatusOnPort, one register per port
    TimerValue,          // readTimerValue, two registers, high word first
    TimerStatus,         // readTimerStatus: status bytes 1, 2, 3
    CounterValue,
    CounterStatus,
    WatchdogValue,
    WatchdogStatus,
    InterruptCounters,   // total, last source, last mask: two registers each, high first
    PortDirections,      // getAllDigitalPortDirections / setAllDigitalPortsDirections
    PortOutputs,         // getDigitalOutputsStatusOnPort / writeAllDigitalOutputsOnPort
};

struct Block {
    Table table;
    uint16_t first;
    uint16_t count;
    Source source;
    uint8_t unit;   // timer, counter or watchdog number
    bool writable;
    std::string meaning;  // as the documentation shows it
};

// Fixed bases of the register blocks.
constexpr uint16_t kInputWordAddress = 0;
constexpr uint16_t kOutputWordAddress = 2;
constexpr uint16_t kPortInputsAddress = 10;
constexpr uint16_t kPortOutputStatusAddress = 30;
constexpr uint16_t kTimersAddress = 100;
constexpr uint16_t kCountersAddress = 200;
constexpr uint16_t kWatchdogsAddress = 300;
constexpr uint16_t kInterruptCountersAddress = 400;
constexpr uint16_t kPortDirectionsAddress = 0;
constexpr uint16_t kPortOutputsAddress = 10;
constexpr uint16_t kUnitStride = 5;  // value high, value low, status 1, 2, 3

class RegisterMap {
public:
    explicit RegisterMap(const BoardShape& shape);

    const std::vector<Block>& blocks() const { return entries; }
    const BoardShape& shape() const { return boardShape; }

    // The block holding an address of a table, or null when it is not mapped.
    const Block* find(Table table, uint16_t address) const;

    // The map as Markdown: one table with the columns table, addresses, meaning, access.
    std::string markdown() const;

private:
    void add(Table table, uint16_t first, unsigned count, Source source, uint8_t unit,
             bool writable, const std::string& meaning);

    BoardShape boardShape;
    std::vector<Block> entries;
};

}  // namespace corvane_modbus

#endif
