#ifndef CORVANE_DIGITAL_IO_PORTS_INTERFACE_H
#define CORVANE_DIGITAL_IO_PORTS_INTERFACE_H

#include <cstdint>

#include "DigitalIOCommonInterface.h"

namespace velmor {
namespace corvane {

// Digital lines grouped in 8-bit ports. The port number is the last argument of the
// two write operations.
class CORVANE_EXPORT DigitalIOPortsInterface : public DigitalIOCommonInterface {
public:
    virtual void setAllDigitalPortsDirections(uint32_t directions) = 0;
    virtual uint32_t getAllDigitalPortDirections() = 0;
    virtual uint8_t readAllDigitalInputsFromPort(uint8_t port) = 0;
    virtual void writeSingleDigitalOutputOnPort(uint8_t channel, uint8_t state, uint8_t port) = 0;
    virtual void writeAllDigitalOutputsOnPort(uint8_t mask, uint8_t state, uint8_t port) = 0;
    virtual uint8_t getDigitalOutputsStatusOnPort(uint8_t port) = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
