// The KELOE6100 digital I/O board (PCI Express "keloe6100" and PCI "kelo6100"): 32 inputs,
// 32 outputs, 2 timers, 3 counters and a watchdog (timer 0 in watchdog mode), with
// interrupts on inputs 4 to 19.
#ifndef CORVANE_KELOE6100_H
#define CORVANE_KELOE6100_H

#include <cstdint>

#include "CounterImpl.h"
#include "DigitalImpl.h"
#include "InterruptImpl.h"
#include "TestInterface.h"
#include "TimerImpl.h"
#include "WatchdogImpl.h"

namespace velmor {
namespace corvane {

// The driver numbers the timer, counter and watchdog units 0 to 4: unit 0 is timer 0 or
// the watchdog, unit 1 timer 1, units 2 to 4 counters 0 to 2.
class CORVANE_EXPORT KELOE6100 : public DigitalImpl,
                                 public TimerImpl,
                                 public CounterImpl,
                                 public WatchdogImpl,
                                 public InterruptImpl,
                                 public TestInterface {
public:
    // Reads the board's information from the driver (raises CorvaneException 0x0000110D
    // when it cannot), starts the plug-ins and turns output memory on.
    explicit KELOE6100(int handle);
    ~KELOE6100() override;

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

    // Timers.
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

    // Counters.
    void initCounter(uint8_t counter, uint32_t reloadValue, uint32_t options) override;
    void startCounter(uint8_t counter) override;
    void stopCounter(uint8_t counter) override;
    uint32_t readCounterValue(uint8_t counter) override;
    void readCounterStatus(uint8_t counter, uint32_t& value, uint8_t& status1, uint8_t& status2,
                           uint8_t& status3) override;
    void enableCounterInterrupt(uint8_t counter) override;
    void disableCounterInterrupt(uint8_t counter) override;

    // Watchdog: only id 0 exists.
    void initWatchdog(uint8_t watchdog, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                      uint32_t options) override;
    void startWatchdog(uint8_t watchdog) override;
    void stopWatchdog(uint8_t watchdog) override;
    uint32_t readWatchdogValue(uint8_t watchdog) override;
    void readWatchdogStatus(uint8_t watchdog, uint32_t& value, uint8_t& status1,
                            uint8_t& status2, uint8_t& status3) override;
    void triggerWatchdog(uint8_t watchdog) override;
    void enableWatchdogInterrupt(uint8_t watchdog) override;
    void disableWatchdogInterrupt(uint8_t watchdog) override;

    // Interrupt engine hooks.
    void setupInterruptConditions() override;
    void clearInterruptConditions() override;

    // Unit functions (unit 0 to 4).
    void startTimerCounter(uint8_t unit);
    void stopTimerCounter(uint8_t unit);
    void triggerTimerCounter(uint8_t unit);
    uint32_t readTimerCounter(uint8_t unit);
    void readTimerCounterStatus(uint8_t unit, uint32_t& value, uint8_t& status1,
                                uint8_t& status2, uint8_t& status3);

    // Rebuilds the driver's input interrupt record from the channel events and port 0's
    // logic and sends it.
    void updateDriverDigitalEvent();

private:
    void ensureWatchdogIsTimerZero(uint8_t watchdog);
    void checkUnit(uint8_t unit, const char* operation);
};

}  // namespace corvane
}  // namespace velmor

#endif
