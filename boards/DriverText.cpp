#include "DriverText.h"

#include <cstring>

namespace velmor {
namespace corvane {
namespace boardsupport {

void copyDriverText(char* destination, size_t destinationSize, const char* source,
                    size_t sourceSize) {
    if (destinationSize == 0) {
        return;
    }
    size_t length = strnlen(source, sourceSize);
    if (length > destinationSize - 1) {
        length = destinationSize - 1;
    }
    std::memcpy(destination, source, length);
    std::memset(destination + length, 0, destinationSize - length);
}

}  // namespace boardsupport
}  // namespace corvane
}  // namespace velmor
