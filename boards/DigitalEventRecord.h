#ifndef CORVANE_DIGITAL_EVENT_RECORD_H
#define CORVANE_DIGITAL_EVENT_RECORD_H

// Internal to the boards: reading and storing event and logic entries, and the driver's
// input-interrupt record built from them, as the boards with a 32-channel input port
// send it.

#include <cstdint>
#include <cstring>
#include <map>
#include <type_traits>

#include "VelmorTypes.h"

namespace velmor {
namespace corvane {
namespace boardsupport {

// The event and logic maps keep any value a caller passes, including values outside the
// enumerations; they are read back as plain integers.
template <typename Enum>
int64_t rawValue(const Enum& value) {
    std::underlying_type_t<Enum> raw;
    std::memcpy(&raw, &value, sizeof raw);
    return static_cast<int64_t>(raw);
}

template <typename Enum>
void storeRaw(Enum& destination, const Enum& value) {
    std::memcpy(&destination, &value, sizeof destination);
}

// Rising edges go into the first mask, falling edges into the second, any edge into
// both; the logic of port 0 decides AND or OR. An event outside the enumeration throws
// with eventTypeCode, a missing port 0 with lookupCode.
IoctlInitDigitalInputInterruptStruct digitalEventRecord(
    const std::map<uint8_t, DIGITAL_EVENT_TYPE>& channelEvents,
    const std::map<uint8_t, DIGITAL_EVENT_LOGIC>& portLogic, uint32_t eventTypeCode,
    uint32_t lookupCode);

}  // namespace boardsupport
}  // namespace corvane
}  // namespace velmor

#endif
