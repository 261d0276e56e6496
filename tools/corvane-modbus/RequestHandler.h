// Answers one request of a client: finds the unit's board, checks the request in the
// order a Modbus server does (function, write permission, structure, addresses,
// values) and performs it through the library.
//
//   unit not served                          exception 0x0B (gateway target failed to respond)
//   function not served                      exception 1
//   write without --allow-write              exception 1
//   length, quantity, byte count, coil value exception 3
//   an address outside the unit's map        exception 2
//   a value out of range                     exception 3
//   the library fails                        exception 4, its readable text in the log
#ifndef CORVANE_MODBUS_REQUEST_HANDLER_H
#define CORVANE_MODBUS_REQUEST_HANDLER_H

#include <cstdint>
#include <string>
#include <vector>

#include "ModbusRequest.h"
#include "ServedBoard.h"

namespace corvane_modbus {

struct HandledRequest {
    ModbusRequest request;
    uint8_t exception = kNoException;
    std::string reason;             // refusals and failures: what the log says
    std::vector<uint16_t> values;   // reads: one per address
};

class RequestHandler {
public:
    RequestHandler(std::vector<ServedBoard>& boards, bool allowWrite)
        : boards(boards), allowWrite(allowWrite) {}

    HandledRequest handle(const std::vector<uint8_t>& frame);

private:
    ServedBoard* boardOfUnit(uint8_t unit);

    std::vector<ServedBoard>& boards;
    bool allowWrite;
};

}  // namespace corvane_modbus

#endif
