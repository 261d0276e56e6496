// The KELO42XX port boards: the 96-channel "kelo4210" (12 ports) and the 48-channel
// "kelo4220" (6 ports). Lines are grouped in 8-bit ports, each switchable as a whole
// between input and output. No interrupts, timers, counters or watchdog.
#ifndef CORVANE_KELO42XX_H
#define CORVANE_KELO42XX_H

#include <cstdint>

#include "DigitalPortImpl.h"
#include "TestInterface.h"

namespace velmor {
namespace corvane {

// Port p holds channels 8p to 8p+7; a port's lines are read and written as one 8-bit
// value. The model (and so the port count) follows the product name the driver reports.
class CORVANE_EXPORT KELO42XX : public DigitalPortImpl, public TestInterface {
public:
    // Reads the board's information from the driver (a driver failure passes unchanged),
    // starts the plug-ins and turns output memory on.
    explicit KELO42XX(int handle);
    ~KELO42XX() override;

    void updateInfo() override;

    // Always fail: the board has no interrupts.
    void enableDigitalInterrupt() override;
    void disableDigitalInterrupt() override;
    void setOutputMemoryOn() override;
    void setOutputMemoryOff() override;

    // Bit n of the direction word stands for port n, 1 for output.
    void setAllDigitalPortsDirections(uint32_t directions) override;
    uint32_t getAllDigitalPortDirections() override;
    uint8_t readAllDigitalInputsFromPort(uint8_t port) override;
    // Checks the port, then the channel, then the state, then output memory.
    void writeSingleDigitalOutputOnPort(uint8_t channel, uint8_t state, uint8_t port) override;
    // Checks only the state and the mask: the driver answers for the port, and the
    // output-memory flag is sent as it is.
    void writeAllDigitalOutputsOnPort(uint8_t mask, uint8_t state, uint8_t port) override;
    uint8_t getDigitalOutputsStatusOnPort(uint8_t port) override;

private:
    void checkPort(uint8_t port);
    uint8_t readPortValue(unsigned int command, uint8_t port);
};

}  // namespace corvane
}  // namespace velmor

#endif
