// Reads and writes the mapped quantities of one board through the library's object
// interface. Each library read serves every address of a request that needs it (one
// driver call per quantity and request), and writes are checked whole before the
// first driver call. Library failures leave as CorvaneException.
#ifndef CORVANE_MODBUS_BOARD_ACCESS_H
#define CORVANE_MODBUS_BOARD_ACCESS_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ModbusRequest.h"
#include "ServedBoard.h"

namespace corvane_modbus {

class BoardAccess {
public:
    explicit BoardAccess(ServedBoard& board) : board(board) {}

    // The values of addresses [first, first + count) of a table, every one of them mapped:
    // 0 or 1 for bits, the register's value otherwise.
    std::vector<uint16_t> read(Table table, uint16_t first, uint16_t count);

    // Whether the values of a write (every address mapped and writable) are in range;
    // the reason when they are not. Touches nothing.
    bool checkValues(const ModbusRequest& request, std::string& reason) const;

    // Performs a checked write. Outputs switched by several driver calls are switched
    // off before others are switched on.
    void write(const ModbusRequest& request);

private:
    using Values = std::array<uint32_t, 4>;
    Values fetch(Source source, unsigned index);
    uint16_t valueAt(const Block& block, uint16_t address);
    void writeChannels(const ModbusRequest& request, Source source);
    void writePortValue(unsigned port, unsigned value);

    ServedBoard& board;
    std::map<std::pair<Source, unsigned>, Values> cache;  // one request's library reads
};

}  // namespace corvane_modbus

#endif
