#include "DigitalEventRecord.h"

#include <stdexcept>

#include "CorvaneException.h"

namespace velmor {
namespace corvane {
namespace boardsupport {

IoctlInitDigitalInputInterruptStruct digitalEventRecord(
    const std::map<uint8_t, DIGITAL_EVENT_TYPE>& channelEvents,
    const std::map<uint8_t, DIGITAL_EVENT_LOGIC>& portLogic, uint32_t eventTypeCode,
    uint32_t lookupCode) {
    IoctlInitDigitalInputInterruptStruct record;
    std::memset(&record, 0, sizeof record);
    for (const auto& entry : channelEvents) {
        const unsigned channel = entry.first;
        const uint32_t bit = channel < 32 ? (1u << channel) : 0u;
        switch (rawValue(entry.second)) {
            case RISING_EDGE:
                record.first_mask |= bit;
                break;
            case FALLING_EDGE:
                record.second_mask |= bit;
                break;
            case ANY_EDGE:
                record.first_mask |= bit;
                record.second_mask |= bit;
                break;
            case UNUSED:
                break;
            default:
                throw CorvaneException("Event does not exist in DIGITAL_EVENT_TYPE for this device",
                                       eventTypeCode);
        }
    }
    int64_t logic = OR;
    try {
        logic = rawValue(portLogic.at(0));
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), lookupCode);
    }
    record.logic_and = logic == AND ? 1 : 0;
    return record;
}

}  // namespace boardsupport
}  // namespace corvane
}  // namespace velmor
