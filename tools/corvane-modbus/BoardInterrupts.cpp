#include "BoardInterrupts.h"

#include <exception>

#include <corvane/InterruptInterface.h>

namespace corvane_modbus {

void disableBoardInterrupts(std::vector<ServedBoard>& served, GatewayLog& log) {
    for (ServedBoard& board : served) {
        if (board.counters == nullptr) continue;
        board.device->interrupt()->disableDeviceInterrupts();  // never throws
        log.write("interrupts of " + board.id + " disabled (" +
                  std::to_string(board.counters->snapshot().total) + " counted)");
    }
}

bool enableBoardInterrupts(std::vector<ServedBoard>& served, GatewayLog& log, std::string& error) {
    for (ServedBoard& board : served) {
        if (board.counters == nullptr) {
            log.write("board " + board.id + " has no interrupts: nothing to count");
            continue;
        }
        std::shared_ptr<InterruptCounters> counters = board.counters;
        try {
            velmor::corvane::InterruptInterface& interrupt = *board.device->interrupt();
            interrupt.setDeviceInterruptCallback(
                [counters](const VelmorDeviceStruct&, const InterruptData& data) { counters->record(data); });
            interrupt.enableDeviceInterrupts();
        } catch (const std::exception& e) {
            error = "cannot enable the interrupts of " + board.id + ": " + e.what();
            // Only the boards before this one have their interrupts enabled.
            std::vector<ServedBoard> enabled(served.begin(), served.begin() + (&board - served.data()));
            disableBoardInterrupts(enabled, log);
            for (ServedBoard& other : served) other.counters = nullptr;
            return false;
        }
    }
    return true;
}

}  // namespace corvane_modbus
