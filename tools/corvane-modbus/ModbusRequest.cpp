#include "ModbusRequest.h"

#include "FrameAssembler.h"

namespace corvane_modbus {

namespace {

constexpr unsigned kMaxReadBits = 2000;
constexpr unsigned kMaxReadRegisters = 125;
constexpr unsigned kMaxWriteBits = 1968;
constexpr unsigned kMaxWriteRegisters = 123;

unsigned word(const std::vector<uint8_t>& frame, size_t at) {
    return static_cast<unsigned>(frame[at] << 8 | frame[at + 1]);
}

bool fail(DecodedRequest& decoded, uint8_t exception, const std::string& reason) {
    decoded.exception = exception;
    decoded.reason = reason;
    return false;
}

// The PDU (function code first) must be exactly `expected` bytes long.
bool lengthIs(DecodedRequest& decoded, size_t pdu, size_t expected) {
    if (pdu == expected) return true;
    return fail(decoded, kIllegalDataValue,
                "request of function " + std::to_string(decoded.request.function) + " is " +
                    std::to_string(pdu) + " bytes long, expected " + std::to_string(expected));
}

bool quantityIn(DecodedRequest& decoded, unsigned quantity, unsigned limit) {
    if (quantity >= 1 && quantity <= limit) return true;
    return fail(decoded, kIllegalDataValue,
                "quantity " + std::to_string(quantity) + " is outside 1 to " + std::to_string(limit));
}

bool rangeFits(DecodedRequest& decoded) {
    const ModbusRequest& r = decoded.request;
    if (static_cast<unsigned>(r.address) + r.count <= 65536u) return true;
    return fail(decoded, kIllegalDataAddress,
                "addresses " + std::to_string(r.address) + " to " +
                    std::to_string(static_cast<unsigned>(r.address) + r.count - 1) + " pass 65535");
}

}  // namespace

const char* tableName(Table table) {
    switch (table) {
        case Table::Coils: return "coils";
        case Table::DiscreteInputs: return "discrete inputs";
        case Table::InputRegisters: return "input registers";
        case Table::HoldingRegisters: return "holding registers";
    }
    return "?";
}

std::string ModbusRequest::describe() const {
    std::string text = "function " + std::to_string(function);
    if (addressed) {
        text += " address " + std::to_string(address) + " count " + std::to_string(count);
    }
    return text;
}

DecodedRequest decodeRequest(const std::vector<uint8_t>& frame) {
    DecodedRequest decoded;
    ModbusRequest& r = decoded.request;
    if (frame.size() < kHeaderLength + 1) {
        fail(decoded, kIllegalDataValue, "frame without a function code");
        return decoded;
    }
    r.unit = frame[6];
    r.function = frame[7];
    const size_t pdu = frame.size() - kHeaderLength;  // function code and data
    switch (r.function) {
        case 1: case 2: case 3: case 4: {
            r.table = r.function == 1   ? Table::Coils
                      : r.function == 2 ? Table::DiscreteInputs
                      : r.function == 3 ? Table::HoldingRegisters
                                        : Table::InputRegisters;
            if (pdu >= 5) {  // the log names what was asked even when the length is wrong
                r.address = static_cast<uint16_t>(word(frame, 8));
                r.count = static_cast<uint16_t>(word(frame, 10));
                r.addressed = true;
            }
            if (!lengthIs(decoded, pdu, 5)) break;
            if (!quantityIn(decoded, r.count, r.function <= 2 ? kMaxReadBits : kMaxReadRegisters)) break;
            rangeFits(decoded);
            break;
        }
        case 5: case 6: {
            r.write = true;
            r.table = r.function == 5 ? Table::Coils : Table::HoldingRegisters;
            if (pdu >= 5) {
                r.address = static_cast<uint16_t>(word(frame, 8));
                r.count = 1;
                r.addressed = true;
            }
            if (!lengthIs(decoded, pdu, 5)) break;
            const unsigned value = word(frame, 10);
            if (r.function == 5) {
                if (value != 0xFF00 && value != 0x0000) {
                    fail(decoded, kIllegalDataValue, "coil value must be 0xff00 or 0x0000");
                    break;
                }
                r.values.push_back(value == 0xFF00 ? 1 : 0);
            } else {
                r.values.push_back(static_cast<uint16_t>(value));
            }
            break;
        }
        case 15: case 16: {
            r.write = true;
            r.table = r.function == 15 ? Table::Coils : Table::HoldingRegisters;
            if (pdu < 6) {
                lengthIs(decoded, pdu, 6);
                break;
            }
            r.address = static_cast<uint16_t>(word(frame, 8));
            const unsigned quantity = word(frame, 10);
            r.count = static_cast<uint16_t>(quantity);
            r.addressed = true;
            const unsigned bytes = frame[12];
            if (!quantityIn(decoded, quantity, r.function == 15 ? kMaxWriteBits : kMaxWriteRegisters)) break;
            const unsigned expected = r.function == 15 ? (quantity + 7) / 8 : quantity * 2;
            if (bytes != expected) {
                fail(decoded, kIllegalDataValue,
                     "byte count " + std::to_string(bytes) + " does not match quantity " +
                         std::to_string(quantity) + " (expected " + std::to_string(expected) + ")");
                break;
            }
            if (!lengthIs(decoded, pdu, 6 + bytes)) break;
            for (unsigned i = 0; i < quantity; ++i) {
                if (r.function == 15) {
                    r.values.push_back(static_cast<uint16_t>(frame[13 + i / 8] >> (i % 8) & 1));
                } else {
                    r.values.push_back(static_cast<uint16_t>(word(frame, 13 + 2 * i)));
                }
            }
            rangeFits(decoded);
            break;
        }
        default:
            fail(decoded, kIllegalFunction, "function " + std::to_string(r.function) + " is not served");
            break;
    }
    return decoded;
}

}  // namespace corvane_modbus
