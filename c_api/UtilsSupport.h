#ifndef CORVANE_UTILS_SUPPORT_H
#define CORVANE_UTILS_SUPPORT_H

// Internal to the two sample-support families (the flat VelmorUtils functions and
// velmor::corvane::utils): the pieces whose behaviour is the same in both. Each family
// keeps its own state and its own prompt rules.

#include <cstddef>
#include <cstdint>
#include <string>

#include "VelmorTypes.h"

namespace velmor {
namespace corvane {
namespace utils_support {

// The whole text must convert as a hexadecimal number (optional 0x); an empty text is
// 0. A minus sign is refused (strtoul would turn "-1" into the largest value).
bool parseWholeHex(const std::string& value, unsigned long& result);

// A fixed char field up to its first zero byte, never past the field.
std::string field(const char* data, std::size_t size);
std::string productName(const VelmorDeviceStruct& device);

// The port table: one column per port, ports 16 and above shown as INPUT, the frame
// alone for a port count of 0.
std::string portTable(uint16_t directions, const uint8_t* inputValues,
                      const uint8_t* outputValues, uint8_t portCount);

// Returns once standard input has a line (or its end) to read: at once when stdio
// already holds one in its buffer, or when alreadyReady says the caller's stream has.
void waitForInput(bool alreadyReady);

}  // namespace utils_support
}  // namespace corvane
}  // namespace velmor

#endif
