#include "RequestHandler.h"

#include <exception>

#include "BoardAccess.h"
#include <corvane/CorvaneException.h>

namespace corvane_modbus {

ServedBoard* RequestHandler::boardOfUnit(uint8_t unit) {
    for (ServedBoard& board : boards) {
        if (board.unit == unit) return &board;
    }
    return nullptr;
}

HandledRequest RequestHandler::handle(const std::vector<uint8_t>& frame) {
    DecodedRequest decoded = decodeRequest(frame);
    HandledRequest handled;
    handled.request = decoded.request;
    const ModbusRequest& request = handled.request;
    auto refuse = [&handled](uint8_t exception, const std::string& reason) {
        handled.exception = exception;
        handled.reason = reason;
        return handled;
    };
    ServedBoard* board = boardOfUnit(request.unit);
    if (board == nullptr) {
        return refuse(kGatewayTargetFailed, "no board is served as unit " + std::to_string(request.unit));
    }
    if (decoded.exception == kIllegalFunction) return refuse(decoded.exception, decoded.reason);
    if (request.write && !allowWrite) {
        return refuse(kIllegalFunction, "writes are not allowed (start with --allow-write)");
    }
    if (decoded.exception != kNoException) return refuse(decoded.exception, decoded.reason);
    for (unsigned i = 0; i < request.count; ++i) {
        const auto address = static_cast<uint16_t>(request.address + i);
        const Block* block = board->map.find(request.table, address);
        if (block == nullptr || (request.write && !block->writable)) {
            return refuse(kIllegalDataAddress, std::string(tableName(request.table)) + " " +
                                                   std::to_string(address) + " is not in the map of " +
                                                   board->id);
        }
    }
    BoardAccess access(*board);
    std::string reason;
    if (request.write && !access.checkValues(request, reason)) return refuse(kIllegalDataValue, reason);
    try {
        if (request.write) {
            access.write(request);
        } else {
            handled.values = access.read(request.table, request.address, request.count);
        }
    } catch (const std::exception& error) {
        return refuse(kServerDeviceFailure, std::string("library failure on ") + board->id + ": " + error.what());
    }
    return handled;
}

}  // namespace corvane_modbus
