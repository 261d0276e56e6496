// --interrupts: each served board's interrupts feed its InterruptCounters from the
// library's interrupt thread, from start-up to shutdown.
#ifndef CORVANE_MODBUS_BOARD_INTERRUPTS_H
#define CORVANE_MODBUS_BOARD_INTERRUPTS_H

#include <string>
#include <vector>

#include "GatewayLog.h"
#include "ServedBoard.h"

namespace corvane_modbus {

// Sets each board's callback and enables its interrupts (boards without counters are
// named in the log). When one cannot be enabled, disables the ones already enabled and
// returns false with the library's text in error.
bool enableBoardInterrupts(std::vector<ServedBoard>& served, GatewayLog& log, std::string& error);

// Disables the interrupts of every board with counters (waits for its interrupt thread).
void disableBoardInterrupts(std::vector<ServedBoard>& served, GatewayLog& log);

}  // namespace corvane_modbus

#endif
