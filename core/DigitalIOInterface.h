#ifndef CORVANE_DIGITAL_IO_INTERFACE_H
#define CORVANE_DIGITAL_IO_INTERFACE_H

#include <cstdint>

#include "DigitalIOCommonInterface.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {

// Digital lines addressed as numbered channels; masks have bit n for channel n.
class CORVANE_EXPORT DigitalIOInterface : public DigitalIOCommonInterface {
public:
    virtual bool readSingleDigitalInput(uint8_t channel) = 0;
    virtual uint32_t readAllDigitalInput() = 0;
    virtual void writeSingleDigitalOutput(uint8_t channel, bool state) = 0;
    virtual void writeAllDigitalOutput(uint32_t mask, bool state) = 0;
    virtual uint32_t getDigitalOutputStatus() = 0;
    virtual void setInterruptEventForInputs(uint32_t mask, DIGITAL_EVENT_TYPE event) = 0;
    virtual void setInterruptEventForOneInput(uint8_t channel, DIGITAL_EVENT_TYPE event) = 0;
    virtual void setInterruptLogicForPort(uint8_t port, DIGITAL_EVENT_LOGIC logic) = 0;
    virtual void setOutputInterrupt(bool firstEnable, bool secondEnable) = 0;
};

}  // namespace corvane
}  // namespace velmor

#endif
