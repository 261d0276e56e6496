#ifndef CORVANE_DRIVER_TEXT_H
#define CORVANE_DRIVER_TEXT_H

// Internal to the boards: copying a text of the driver's information record into the
// device structure.

#include <cstddef>

namespace velmor {
namespace corvane {
namespace boardsupport {

// Copies the text up to its first zero byte, reading at most sourceSize bytes (the
// driver may send none), and writes at most destinationSize - 1 characters followed by
// zeros up to the end of the destination field.
void copyDriverText(char* destination, size_t destinationSize, const char* source,
                    size_t sourceSize);

}  // namespace boardsupport
}  // namespace corvane
}  // namespace velmor

#endif
