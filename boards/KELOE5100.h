// The KELOE5100 input board (PCI Express "keloe5100" and PCI "kelo5100"): 32 inputs, no
// outputs, interrupts on inputs 0 to 15, and one timer on the PCI Express variant only.
#ifndef CORVANE_KELOE5100_H
#define CORVANE_KELOE5100_H

#include <cstdint>

#include "DigitalImpl.h"
#include "InterruptImpl.h"
#include "TestInterface.h"
#include "TimerImpl.h"

namespace velmor {
namespace corvane {

// The only timer is timer 0, the driver's unit 0. Output operations always fail.
class CORVANE_EXPORT KELOE5100 : public DigitalImpl,
                                 public TimerImpl,
                                 public InterruptImpl,
                                 public TestInterface {
public:
    // Reads the board's information from the driver (a driver failure passes unchanged)
    // and starts the plug-ins. Output memory stays off: the board has no outputs.
    explicit KELOE5100(int handle);
    ~KELOE5100() override;

    void updateInfo() override;

    // Digital I/O.
    void enableDigitalInterrupt() override;
    void disableDigitalInterrupt() override;
    bool readSingleDigitalInput(uint8_t channel) override;
    uint32_t readAllDigitalInput() override;
    void writeSingleDigitalOutput(uint8_t channel, bool state) override;
    void writeAllDigitalOutput(uint32_t mask, bool state) override;
    uint32_t getDigitalOutputStatus() override;
    void setInterruptEventForInputs(uint32_t mask, DIGITAL_EVENT_TYPE event) override;
    void setInterruptEventForOneInput(uint8_t channel, DIGITAL_EVENT_TYPE event) override;
    void setInterruptLogicForPort(uint8_t port, DIGITAL_EVENT_LOGIC logic) override;
    void setOutputInterrupt(bool firstEnable, bool secondEnable) override;

    // Timer 0 (PCI Express variant only).
    void initTimer(uint8_t timer, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                   uint32_t options) override;
    void setCustomTimerFrequency(uint32_t frequency) override;
    void startTimer(uint8_t timer) override;
    void stopTimer(uint8_t timer) override;
    uint32_t readTimerValue(uint8_t timer) override;
    void readTimerStatus(uint8_t timer, uint32_t& value, uint8_t& status1, uint8_t& status2,
                         uint8_t& status3) override;
    void triggerTimer(uint8_t timer) override;
    void enableTimerInterrupt(uint8_t timer) override;
    void disableTimerInterrupt(uint8_t timer) override;

    // Interrupt engine hooks.
    void setupInterruptConditions() override;
    void clearInterruptConditions() override;

    // Rebuilds the driver's input interrupt record from the channel events and port 0's
    // logic and sends it.
    void updateDriverDigitalEvent();

private:
    void sendUnitAction(uint8_t action, uint8_t interrupt);
    void readUnit(bool status, IoctlReadTimerCounterWatchdogStruct& record);
};

}  // namespace corvane
}  // namespace velmor

#endif
