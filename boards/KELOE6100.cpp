#include "KELOE6100.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DigitalEventRecord.h"
#include "DriverText.h"
#include "IoctlCommands.h"
#include "KELOE6100Tables.h"

namespace velmor {
namespace corvane {

namespace {

using boardsupport::copyDriverText;

constexpr uint32_t code(VelmorDomain domain, VelmorFunction function, VelmorReason reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, domain, function, reason);
}

constexpr uint32_t kChannelRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_CHANNEL_RANGE, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kOutputMemory =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_INVALID_STATE);
constexpr uint32_t kOutputMask =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kOutputStatus =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_GET_DIGOUT_STATUS, VELMOR_REASON_NONE);
constexpr uint32_t kOutputInterrupt =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_OUTPUT_INTERRUPT, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kEventMaskRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kEventChannelRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_OVERFLOW);
constexpr uint32_t kEventNotInterruptible =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kInputChannelRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kPortRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kLogicType =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC, VELMOR_REASON_INVALID_OPTION);
constexpr uint32_t kEventType = code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_UPDATE_DIGITAL_INTERRUPT,
                                     VELMOR_REASON_INVALID_OPTION);
constexpr uint32_t kMaskLookup =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kChannelLookup =
    code(VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kPortLookup =
    code(VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_INTERRUPT_LOGIC, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kCustomFrequency =
    code(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_INIT, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kCounterId = code(VELMOR_DOMAIN_COUNTER, VELMOR_FUNCTION_INIT, VELMOR_REASON_INVALID_ID);
constexpr uint32_t kCounterReload =
    code(VELMOR_DOMAIN_COUNTER, VELMOR_FUNCTION_INIT, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kWatchdogId =
    code(VELMOR_DOMAIN_WATCHDOG, VELMOR_FUNCTION_ENSURE_ID, VELMOR_REASON_INVALID_ID);
constexpr uint32_t kUnitId = code(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_ENSURE_ID, VELMOR_REASON_INVALID_ID);
// The information update failure carries the driver source bit (0).
constexpr uint32_t kInfo =
    VELMOR_ERROR_CODE(VELMOR_DRIVER, VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_INFO,
                      VELMOR_REASON_INFO_UNAVAILABLE);

constexpr uint8_t kNumberOfUnits = 5;
constexpr uint32_t kInterruptibleInputs = 0x000FFFF0u;  // inputs 4 to 19

enum UnitAction : uint8_t { kStop = 0, kStart = 1, kTrigger = 2 };

// Copies a driver text that may lack its terminating zero: at most the source field and
// at most destination size - 1 bytes, always terminated.
using boardsupport::rawValue;
using boardsupport::storeRaw;

template <typename Map>
std::vector<char> idsOf(const Map& map) {
    std::vector<char> ids;
    for (const auto& entry : map) {
        ids.push_back(entry.first);
    }
    return ids;
}

}  // namespace

KELOE6100::KELOE6100(int handle)
    : DeviceInterface(handle),
      DigitalImpl(),
      TimerImpl(),
      CounterImpl(),
      WatchdogImpl(),
      InterruptImpl(),
      TestInterface(handle) {
    updateInfo();
    initPlugins();
    setOutputMemoryOn();
}

KELOE6100::~KELOE6100() {
    // The interrupt thread must not run while this part of the object is torn down.
    try {
        stopThread();
    } catch (...) {
    }
}

void KELOE6100::updateInfo() {
    DeviceInterface::updateInfo();
    VelmorDeviceStruct information = n_KELOe_6100::keloe6100_default_infos;
    try {
        IoctlGetDeviceInformationsStruct driverInformation;
        std::memset(&driverInformation, 0, sizeof driverInformation);
        ioctlCall(IoctlGetDeviceInformations, &driverInformation, sizeof driverInformation);

        std::memcpy(&information.bus, &driverInformation.bus, sizeof information.bus);
        const bool pcie = information.bus.is_pcie != 0;
        const char* productName = pcie ? "keloe6100" : "kelo6100";
        copyDriverText(information.general.product_name, sizeof information.general.product_name,
                       productName, std::strlen(productName));
        copyDriverText(information.general.firmware_version,
                       sizeof information.general.firmware_version,
                       driverInformation.firmware_version,
                       sizeof driverInformation.firmware_version);
        std::memset(information.id, 0, sizeof information.id);
        std::snprintf(information.id, sizeof information.id, "%s_%u", productName,
                      static_cast<unsigned>(information.bus.number));
        information.general.device_type = pcie ? VELMOR_DEVICE_PCIE : VELMOR_DEVICE_PCI;
        setDeviceInformation(information);
    } catch (const CorvaneException& e) {
        throw CorvaneException(std::string("Ioctl exception ") + e.what(), kInfo);
    }
}

// ---- Digital I/O ---------------------------------------------------------------------

void KELOE6100::enableDigitalInterrupt() {
    uint8_t start = 1;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

void KELOE6100::disableDigitalInterrupt() {
    uint8_t start = 0;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

bool KELOE6100::readSingleDigitalInput(uint8_t channel) {
    if (channel > 31) {
        throw CorvaneException("Wrong channel range. Valid is from 0 to 31.", kChannelRange);
    }
    return ((readAllDigitalInput() >> channel) & 1u) != 0;
}

uint32_t KELOE6100::readAllDigitalInput() {
    uint32_t inputs = 0;
    ioctlCall(IoctlGetDigitalInputs, &inputs, sizeof inputs);
    return inputs;
}

void KELOE6100::writeSingleDigitalOutput(uint8_t channel, bool state) {
    if (channel > 31) {
        throw CorvaneException("Wrong channel range. Valid is from 0 to 31.", kChannelRange);
    }
    if (!state && !outputMemory) {
        throw CorvaneException("Cannot write output to 0 when DigitalOutputMemory is disabled",
                               kOutputMemory);
    }
    IoctlSetDigitalOutputsStruct record;
    std::memset(&record, 0, sizeof record);
    record.mask = 1u << channel;
    record.memory = outputMemory ? 1 : 0;
    record.state = state ? 1 : 0;
    ioctlCall(IoctlSetDigitalOutputs, &record, sizeof record);
}

void KELOE6100::writeAllDigitalOutput(uint32_t mask, bool state) {
    if (!state && !outputMemory) {
        throw CorvaneException("Cannot write output to 0 when DigitalOutputMemory is disabled",
                               kOutputMemory);
    }
    const unsigned outputs = getDeviceInformation().functions.digital.number_outputs;
    if (outputs < 32 && (mask >> outputs) != 0) {
        throw CorvaneException("Invalid output mask: out of range", kOutputMask);
    }
    IoctlSetDigitalOutputsStruct record;
    std::memset(&record, 0, sizeof record);
    record.mask = mask;
    record.memory = outputMemory ? 1 : 0;
    record.state = state ? 1 : 0;
    ioctlCall(IoctlSetDigitalOutputs, &record, sizeof record);
}

uint32_t KELOE6100::getDigitalOutputStatus() {
    uint32_t status = 0;
    try {
        ioctlCall(IoctlGetDigitalOutputsStatus, &status, sizeof status);
    } catch (const CorvaneException& e) {
        throw CorvaneException(e.what(), kOutputStatus);
    }
    return status;
}

void KELOE6100::updateDriverDigitalEvent() {
    IoctlInitDigitalInputInterruptStruct record =
        boardsupport::digitalEventRecord(channelEventMap, portLogicMap, kEventType, kPortLookup);
    ioctlCall(IoctlInitDigitalInputInterrupt, &record, sizeof record);
}

void KELOE6100::setInterruptEventForInputs(uint32_t mask, DIGITAL_EVENT_TYPE event) {
    if ((mask & ~kInterruptibleInputs) != 0) {
        throw CorvaneException("Only the channels 4 to 19 are available for interruption on this card",
                               kEventMaskRange);
    }
    try {
        for (uint8_t channel = 0; channel < 32; ++channel) {
            if ((mask >> channel) & 1u) {
                storeRaw(channelEventMap.at(channel), event);
            }
        }
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), kMaskLookup);
    }
    updateDriverDigitalEvent();
    const uint32_t interruptible = getDeviceInformation().functions.digital.interrupt_mask;
    if (interruptible != 0 && (mask & ~interruptible) != 0) {
        throw CorvaneException("Input mask contains non-interruptible channels",
                               kEventNotInterruptible);
    }
    updateDriverDigitalEvent();
}

void KELOE6100::setInterruptEventForOneInput(uint8_t channel, DIGITAL_EVENT_TYPE event) {
    if (channel < 4 || channel > 19) {
        throw CorvaneException("Only the channels 4 to 19 are available for interruption on this card",
                               kEventChannelRange);
    }
    const DigitalInformations digital = getDeviceInformation().functions.digital;
    if (channel >= digital.number_inputs) {
        throw CorvaneException("Invalid input channel: out of range", kInputChannelRange);
    }
    if (digital.interrupt_mask != 0 && ((digital.interrupt_mask >> channel) & 1u) == 0) {
        throw CorvaneException("Input channel not interruptible on this device",
                               kEventNotInterruptible);
    }
    try {
        storeRaw(channelEventMap.at(channel), event);
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), kChannelLookup);
    }
    updateDriverDigitalEvent();
}

void KELOE6100::setInterruptLogicForPort(uint8_t port, DIGITAL_EVENT_LOGIC logic) {
    // The entry is written first: a call rejected below leaves it written.
    try {
        storeRaw(portLogicMap.at(port), logic);
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), kPortLookup);
    }
    if (port >= getDeviceInformation().functions.digital.number_of_ports) {
        throw CorvaneException("Invalid port_number: out of range", kPortRange);
    }
    // Compared as a signed value: a negative one passes and is later sent as OR.
    if (static_cast<int32_t>(rawValue(logic)) > 1) {
        throw CorvaneException("Invalid logic type: must be 0 (OR) or 1 (AND)", kLogicType);
    }
    updateDriverDigitalEvent();
}

void KELOE6100::setOutputInterrupt(bool, bool) {
    throw CorvaneException("This device does not support output interrupt mask", kOutputInterrupt);
}

// ---- Unit functions -----------------------------------------------------------------

void KELOE6100::checkUnit(uint8_t unit, const char* operation) {
    if (unit >= kNumberOfUnits) {
        throw CorvaneException(std::string("Invalid timer_counter_id for ") + operation, kUnitId);
    }
}

void KELOE6100::startTimerCounter(uint8_t unit) {
    checkUnit(unit, "startTimerCounter");
    IoctlStartStopTriggerTimerCounterWatchdogStruct record;
    record.index = unit;
    record.action = kStart;
    record.interrupt = (isAnyWatchdogInterruptEventSet() || isAnyCounterInterruptEventSet() ||
                        isAnyTimerInterruptEventSet())
                           ? 1
                           : 0;
    ioctlCall(IoctlStartStopTriggerTimerCounterWatchdog, &record, sizeof record);
}

void KELOE6100::stopTimerCounter(uint8_t unit) {
    checkUnit(unit, "stopTimerCounter");
    IoctlStartStopTriggerTimerCounterWatchdogStruct record;
    record.index = unit;
    record.action = kStop;
    record.interrupt = 0;
    ioctlCall(IoctlStartStopTriggerTimerCounterWatchdog, &record, sizeof record);
}

void KELOE6100::triggerTimerCounter(uint8_t unit) {
    checkUnit(unit, "triggerTimerCounter");
    IoctlStartStopTriggerTimerCounterWatchdogStruct record;
    record.index = unit;
    record.action = kTrigger;
    record.interrupt = 0;
    ioctlCall(IoctlStartStopTriggerTimerCounterWatchdog, &record, sizeof record);
}

uint32_t KELOE6100::readTimerCounter(uint8_t unit) {
    checkUnit(unit, "readTimerCounter");
    IoctlReadTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = unit;
    record.read_status = 0;
    ioctlCall(IoctlReadTimerCounterWatchdog, &record, sizeof record);
    return record.value;
}

void KELOE6100::readTimerCounterStatus(uint8_t unit, uint32_t& value, uint8_t& status1,
                                       uint8_t& status2, uint8_t& status3) {
    checkUnit(unit, "readTimerCounter");
    IoctlReadTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = unit;
    record.read_status = 1;
    ioctlCall(IoctlReadTimerCounterWatchdog, &record, sizeof record);
    value = record.value;
    status1 = record.status_1;
    status2 = record.status_2;
    status3 = record.status_3;
}

// ---- Timers (units 0 and 1) ---------------------------------------------------------

void KELOE6100::initTimer(uint8_t timer, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                          uint32_t options) {
    options &= getDeviceInformation().functions.timer.valid_options;
    verifyTimerParameters(timer, timebase, reloadValue, VELMOR_FUNCTION_INIT);
    IoctlInitTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = timer;
    record.timebase = static_cast<uint8_t>(timebase);
    record.mode = 1;
    record.reload_value = reloadValue;
    record.options = options;
    ioctlCall(IoctlInitTimerCounterWatchdog, &record, sizeof record);
}

void KELOE6100::setCustomTimerFrequency(uint32_t) {
    throw CorvaneException("This device doesn't support custom frequency", kCustomFrequency);
}

void KELOE6100::startTimer(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_START);
    startTimerCounter(timer);
}

void KELOE6100::stopTimer(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_STOP);
    stopTimerCounter(timer);
}

uint32_t KELOE6100::readTimerValue(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_READ_VALUE);
    return readTimerCounter(timer);
}

void KELOE6100::readTimerStatus(uint8_t timer, uint32_t& value, uint8_t& status1,
                                uint8_t& status2, uint8_t& status3) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_READ_STATUS);
    readTimerCounterStatus(timer, value, status1, status2, status3);
}

void KELOE6100::triggerTimer(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_TRIGGER);
    triggerTimerCounter(timer);
}

void KELOE6100::enableTimerInterrupt(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    TimerImpl::interruptEventMap[static_cast<char>(timer)] = true;
}

void KELOE6100::disableTimerInterrupt(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    TimerImpl::interruptEventMap[static_cast<char>(timer)] = false;
}

// ---- Counters (units 2 to 4) --------------------------------------------------------

void KELOE6100::initCounter(uint8_t counter, uint32_t reloadValue, uint32_t options) {
    if (counter > 2) {
        throw CorvaneException("Invalid counter_id", kCounterId);
    }
    if (reloadValue < 1 || reloadValue > 4095) {
        throw CorvaneException("Reload value must be between 1 and 4095", kCounterReload);
    }
    options &= getDeviceInformation().functions.counter.valid_options;
    verifyCounterParameters(counter, reloadValue, VELMOR_FUNCTION_INIT);
    IoctlInitTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = static_cast<uint8_t>(counter + 2);
    record.timebase = 0;
    record.mode = 0;
    record.reload_value = reloadValue;
    record.options = options;
    ioctlCall(IoctlInitTimerCounterWatchdog, &record, sizeof record);
}

void KELOE6100::startCounter(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_START);
    startTimerCounter(static_cast<uint8_t>(counter + 2));
}

void KELOE6100::stopCounter(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_STOP);
    stopTimerCounter(static_cast<uint8_t>(counter + 2));
}

uint32_t KELOE6100::readCounterValue(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_READ_VALUE);
    return readTimerCounter(static_cast<uint8_t>(counter + 2));
}

void KELOE6100::readCounterStatus(uint8_t counter, uint32_t& value, uint8_t& status1,
                                  uint8_t& status2, uint8_t& status3) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_READ_STATUS);
    readTimerCounterStatus(static_cast<uint8_t>(counter + 2), value, status1, status2, status3);
}

void KELOE6100::enableCounterInterrupt(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    CounterImpl::interruptEventMap[static_cast<char>(counter)] = true;
}

void KELOE6100::disableCounterInterrupt(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    CounterImpl::interruptEventMap[static_cast<char>(counter)] = false;
}

// ---- Watchdog (unit 0) --------------------------------------------------------------

void KELOE6100::ensureWatchdogIsTimerZero(uint8_t watchdog) {
    if (watchdog != 0) {
        throw CorvaneException("On this card, only the timer 0 can be used as watchdog", kWatchdogId);
    }
}

void KELOE6100::initWatchdog(uint8_t watchdog, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                             uint32_t options) {
    options &= getDeviceInformation().functions.watchdog.valid_options;
    verifyWatchdogParameters(watchdog, timebase, reloadValue, VELMOR_FUNCTION_INIT);
    ensureWatchdogIsTimerZero(watchdog);
    uint32_t reload = reloadValue;
    // The PCI variant counts the watchdog in steps twenty times longer.
    if (getDeviceInformation().bus.is_pcie == 0) {
        reload /= 20;
    }
    IoctlInitTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = 0;
    record.timebase = static_cast<uint8_t>(timebase);
    record.mode = 0;
    record.reload_value = reload;
    record.options = options;
    ioctlCall(IoctlInitTimerCounterWatchdog, &record, sizeof record);
}

void KELOE6100::startWatchdog(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_START);
    ensureWatchdogIsTimerZero(watchdog);
    startTimerCounter(0);
}

void KELOE6100::stopWatchdog(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_STOP);
    ensureWatchdogIsTimerZero(watchdog);
    stopTimerCounter(0);
}

uint32_t KELOE6100::readWatchdogValue(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_READ_VALUE);
    ensureWatchdogIsTimerZero(watchdog);
    return readTimerCounter(0);
}

void KELOE6100::readWatchdogStatus(uint8_t watchdog, uint32_t& value, uint8_t& status1,
                                   uint8_t& status2, uint8_t& status3) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_READ_STATUS);
    ensureWatchdogIsTimerZero(watchdog);
    readTimerCounterStatus(0, value, status1, status2, status3);
}

void KELOE6100::triggerWatchdog(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_TRIGGER);
    ensureWatchdogIsTimerZero(watchdog);
    triggerTimerCounter(0);
}

void KELOE6100::enableWatchdogInterrupt(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    ensureWatchdogIsTimerZero(watchdog);
    WatchdogImpl::interruptEventMap[static_cast<char>(watchdog)] = true;
}

void KELOE6100::disableWatchdogInterrupt(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    ensureWatchdogIsTimerZero(watchdog);
    WatchdogImpl::interruptEventMap[static_cast<char>(watchdog)] = false;
}

// ---- Interrupt engine hooks ---------------------------------------------------------

void KELOE6100::setupInterruptConditions() {}

void KELOE6100::clearInterruptConditions() {
    // Stops silently at the first failure: disabling interrupts must always go on to
    // stop the interrupt thread.
    try {
        if (isAnyDigitalInterruptEventSet()) {
            resetEventMaps();
            disableDigitalInterrupt();
        }
        if (isAnyTimerInterruptEventSet()) {
            for (char id : idsOf(TimerImpl::interruptEventMap)) {
                disableTimerInterrupt(static_cast<uint8_t>(id));
            }
        }
        if (isAnyCounterInterruptEventSet()) {
            for (char id : idsOf(CounterImpl::interruptEventMap)) {
                disableCounterInterrupt(static_cast<uint8_t>(id));
            }
        }
        if (isAnyWatchdogInterruptEventSet()) {
            for (char id : idsOf(WatchdogImpl::interruptEventMap)) {
                disableWatchdogInterrupt(static_cast<uint8_t>(id));
            }
        }
    } catch (const CorvaneException&) {
    } catch (const std::exception&) {
    }
}

}  // namespace corvane
}  // namespace velmor
