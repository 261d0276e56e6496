// The KELOX7100 output board (PCI Express "keloe7100" and PCI "kelo7100"): 32 outputs, no
// inputs, one watchdog and an output interrupt configured by two flags.
#ifndef CORVANE_KELOX7100_H
#define CORVANE_KELOX7100_H

#include <cstdint>

#include "DigitalImpl.h"
#include "InterruptImpl.h"
#include "TestInterface.h"
#include "WatchdogImpl.h"

namespace velmor {
namespace corvane {

// The watchdog is the driver's unit 0; watchdog id 0 is the only valid id. The two
// variants differ in the watchdog's reload limits. Input operations always fail.
class CORVANE_EXPORT KELOX7100 : public DigitalImpl,
                                 public WatchdogImpl,
                                 public InterruptImpl,
                                 public TestInterface {
public:
    // Reads the board's information from the driver (a driver failure passes unchanged)
    // and starts the plug-ins. Output memory stays off: outputs can be switched on at
    // once, switching them off needs setOutputMemoryOn() first.
    explicit KELOX7100(int handle);
    ~KELOX7100() override;

    void updateInfo() override;

    // Digital I/O.
    void enableDigitalInterrupt() override;
    void disableDigitalInterrupt() override;
    bool readSingleDigitalInput(uint8_t channel) override;
    uint32_t readAllDigitalInput() override;
    void writeSingleDigitalOutput(uint8_t channel, bool state) override;
    void writeAllDigitalOutput(uint32_t mask, bool state) override;
    // A driver failure comes out with its text and the code 0x02001D0D.
    uint32_t getDigitalOutputStatus() override;
    void setInterruptEventForInputs(uint32_t mask, DIGITAL_EVENT_TYPE event) override;
    void setInterruptEventForOneInput(uint8_t channel, DIGITAL_EVENT_TYPE event) override;
    void setInterruptLogicForPort(uint8_t port, DIGITAL_EVENT_LOGIC logic) override;
    // Sends both flags in argument order.
    void setOutputInterrupt(bool firstEnable, bool secondEnable) override;

    // Watchdog 0.
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

private:
    void sendUnitAction(uint8_t action, uint8_t interrupt);
    void readUnit(bool status, IoctlReadTimerCounterWatchdogStruct& record);
};

}  // namespace corvane
}  // namespace velmor

#endif
