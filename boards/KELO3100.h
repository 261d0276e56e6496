// The KELO3100 digital I/O board (PCI "kelo3100" and PCI Express "keloe3100"), built
// around a counter/timer and parallel I/O chip: 16 inputs in two 8-bit ports, 16 outputs,
// three 16-bit timer/counter units (the third also serves as the watchdog), and pattern-
// match interrupts on inputs 0 to 13.
#ifndef CORVANE_KELO3100_H
#define CORVANE_KELO3100_H

#include <cstdint>
#include <memory>

#include "CounterImpl.h"
#include "DigitalImpl.h"
#include "InterruptImpl.h"
#include "TestInterface.h"
#include "TimerImpl.h"
#include "WatchdogImpl.h"

namespace velmor {
namespace corvane {

// The driver numbers the chip's units 0, 1 and 2: timer n and counter n are unit n, the
// watchdog (id 0) is unit 2. The unit record's timebase byte carries a clock selection:
// 0 = 111860 Hz, 1 = 3490 Hz, 2 = 1747 Hz, 3 = the custom frequency.
class CORVANE_EXPORT KELO3100 : public DigitalImpl,
                                public TimerImpl,
                                public CounterImpl,
                                public WatchdogImpl,
                                public InterruptImpl,
                                public TestInterface {
public:
    // Reads the board's information from the driver (a driver failure passes out
    // unchanged), starts the plug-ins and turns output memory on.
    explicit KELO3100(int handle);
    ~KELO3100() override;

    void updateInfo() override;

    // Digital I/O.
    void enableDigitalInterrupt() override;
    void disableDigitalInterrupt() override;
    void setOutputMemoryOn() override;
    void setOutputMemoryOff() override;
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

    // Counters (no trigger).
    void initCounter(uint8_t counter, uint32_t reloadValue, uint32_t options) override;
    void startCounter(uint8_t counter) override;
    void stopCounter(uint8_t counter) override;
    uint32_t readCounterValue(uint8_t counter) override;
    void readCounterStatus(uint8_t counter, uint32_t& value, uint8_t& status1, uint8_t& status2,
                           uint8_t& status3) override;
    void enableCounterInterrupt(uint8_t counter) override;
    void disableCounterInterrupt(uint8_t counter) override;

    // Watchdog: only id 0, which is unit 2.
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

    // Set-up by clock frequency (111860, 3490 or 1747 Hz) instead of time base; the reload
    // goes to the chip unchanged.
    void init3100Timer(uint8_t timer, uint32_t frequency, uint16_t reload, uint32_t options);
    // The watchdog (id 0, unit 2) by clock frequency.
    void init3100Watchdog(uint8_t watchdog, uint32_t frequency, uint16_t reload,
                          uint32_t options);

    // Interrupt engine hooks.
    void setupInterruptConditions() override;
    void clearInterruptConditions() override;

    // A time base and a value in it as the chip's clock selection and 16-bit reload.
    void convertTimebaseToFrequency(TIMEBASE_UNITS timebase, uint16_t value, uint8_t& clock,
                                    uint16_t& reload);
    // 111860 -> 0, 3490 -> 1, 1747 -> 2; any other value fails.
    uint8_t convertFrequencyToTypeDef(uint32_t frequency);

    // Unit functions (units 0 to 2).
    void initTimerCounterWatchdog(uint8_t unit, IoctlInitTimerCounterWatchdogStruct record);
    void startTimerCounter(uint8_t unit);
    void stopTimerCounter(uint8_t unit);
    void triggerTimerCounter(uint8_t unit);
    uint32_t readTimerCounterValue(uint8_t unit);
    void readTimerCounterStatus(uint8_t unit, uint32_t& value, uint8_t& status1,
                                uint8_t& status2, uint8_t& status3);

    // The 32-bit pattern word of input port 0 or 1: mode (2 AND, 4 OR) in bits 0..6, the
    // port in bit 7, then the pattern mask, transition and polarity bytes.
    uint32_t createMaskFromInterruptMap(uint8_t port);
    // Builds the pattern words of both ports and sends them; nothing is sent when either
    // cannot be built.
    void updateDriverDigitalEvent();

private:
    void sendStartStopTrigger(uint8_t unit, uint8_t action, uint8_t interrupt);
};

// Set-up of a timer or of the watchdog by clock frequency on a KELO3100 held through a
// shared DeviceInterface. Return 0, or the code of the failure, whose readable text
// becomes the last error: 0x80000E03 for an empty pointer, 0x80000E05 for a board that is
// not a KELO3100. Nothing is thrown.
CORVANE_EXPORT uint32_t init3100Timer(std::shared_ptr<DeviceInterface> device, uint8_t id,
                                      uint32_t frequency, uint16_t reload, uint32_t options);
CORVANE_EXPORT uint32_t init3100Watchdog(std::shared_ptr<DeviceInterface> device, uint8_t id,
                                         uint32_t frequency, uint16_t reload, uint32_t options);

}  // namespace corvane
}  // namespace velmor

#endif
