#include "KELOE5100.h"

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
#include "KELOE5100Tables.h"

namespace velmor {
namespace corvane {

namespace {

using boardsupport::copyDriverText;

constexpr uint32_t code(VelmorDomain domain, VelmorFunction function, VelmorReason reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, domain, function, reason);
}

constexpr uint32_t kChannelRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_CHANNEL_RANGE, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kNoOutputWrite =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kNoOutputStatus =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_GET_DIGOUT_STATUS, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kOutputInterrupt =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_OUTPUT_INTERRUPT, VELMOR_REASON_NOT_SUPPORTED);
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
// Every failed lookup in the event and logic setters carries this code.
constexpr uint32_t kLookup =
    code(VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kDriverUpdateLookup =
    code(VELMOR_DOMAIN_INTERRUPTS, VELMOR_FUNCTION_INTERRUPT_LOGIC, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kNoTimer = code(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_INIT, VELMOR_REASON_NOT_SUPPORTED);

constexpr uint32_t timerIdCode(VelmorFunction function) {
    return code(VELMOR_DOMAIN_TIMER, function, VELMOR_REASON_INVALID_ID);
}

constexpr uint32_t kInterruptibleInputs = 0x0000FFFFu;  // inputs 0 to 15
constexpr uint8_t kTimerUnit = 0;

enum UnitAction : uint8_t { kStop = 0, kStart = 1, kTrigger = 2 };

const char kNoOutputMessage[] = "KELOE5100 does not support digital output";
const char kFirst16Message[] = "Only the first 16 channels are available for interrupt on this card";

// Copies a driver text that may lack its terminating zero: at most the source field and
// at most destination size - 1 bytes, always terminated.
using boardsupport::rawValue;
using boardsupport::storeRaw;

// The timer operations other than initTimer know only timer 0.
void ensureTimerZero(uint8_t timer, const char* operation, VelmorFunction function) {
    if (timer != 0) {
        throw CorvaneException(std::string("Invalid timer_id for ") + operation, timerIdCode(function));
    }
}

}  // namespace

KELOE5100::KELOE5100(int handle)
    : DeviceInterface(handle), DigitalImpl(), TimerImpl(), InterruptImpl(), TestInterface(handle) {
    updateInfo();
    initPlugins();
}

KELOE5100::~KELOE5100() {
    // The interrupt thread must not run while this part of the object is torn down.
    try {
        stopThread();
    } catch (...) {
    }
}

void KELOE5100::updateInfo() {
    DeviceInterface::updateInfo();
    VelmorDeviceStruct information = n_KELOe_5100::keloe5100_default_infos;

    IoctlGetDeviceInformationsStruct driverInformation;
    std::memset(&driverInformation, 0, sizeof driverInformation);
    // A driver failure passes unchanged: the board cannot start without its information.
    ioctlCall(IoctlGetDeviceInformations, &driverInformation, sizeof driverInformation);

    std::memcpy(&information.bus, &driverInformation.bus, sizeof information.bus);
    const bool pcie = information.bus.is_pcie != 0;
    const char* productName = pcie ? "keloe5100" : "kelo5100";
    copyDriverText(information.general.product_name, sizeof information.general.product_name,
                   productName, std::strlen(productName));
    copyDriverText(information.general.firmware_version, sizeof information.general.firmware_version,
                   driverInformation.firmware_version, sizeof driverInformation.firmware_version);
    // The driver's 50 wide characters fill the start of the field; the rest keeps the
    // table's zeros, so the text stays terminated.
    std::memcpy(information.general.custom_id, driverInformation.custom_id,
                sizeof driverInformation.custom_id);
    std::memset(information.id, 0, sizeof information.id);
    std::snprintf(information.id, sizeof information.id, "%s_%u", productName,
                  static_cast<unsigned>(information.bus.number));
    information.general.device_type = pcie ? VELMOR_DEVICE_PCIE : VELMOR_DEVICE_PCI;
    // Only the PCI Express variant has the timer.
    information.functions.timer.number_timers = pcie ? 1 : 0;
    setDeviceInformation(information);
}

// ---- Digital I/O ---------------------------------------------------------------------

void KELOE5100::enableDigitalInterrupt() {
    uint8_t start = 1;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

void KELOE5100::disableDigitalInterrupt() {
    uint8_t start = 0;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

bool KELOE5100::readSingleDigitalInput(uint8_t channel) {
    if (channel > 31) {
        throw CorvaneException("Wrong channel range. Valid is from 0 to 31.", kChannelRange);
    }
    return ((readAllDigitalInput() >> channel) & 1u) != 0;
}

uint32_t KELOE5100::readAllDigitalInput() {
    uint32_t inputs = 0;
    ioctlCall(IoctlGetDigitalInputs, &inputs, sizeof inputs);
    return inputs;
}

void KELOE5100::writeSingleDigitalOutput(uint8_t, bool) {
    throw CorvaneException(kNoOutputMessage, kNoOutputWrite);
}

void KELOE5100::writeAllDigitalOutput(uint32_t, bool) {
    throw CorvaneException(kNoOutputMessage, kNoOutputWrite);
}

uint32_t KELOE5100::getDigitalOutputStatus() {
    throw CorvaneException(kNoOutputMessage, kNoOutputStatus);
}

void KELOE5100::setOutputInterrupt(bool, bool) {
    throw CorvaneException("This card does not support output interrupt mask", kOutputInterrupt);
}

void KELOE5100::updateDriverDigitalEvent() {
    IoctlInitDigitalInputInterruptStruct record =
        boardsupport::digitalEventRecord(channelEventMap, portLogicMap, kEventType, kDriverUpdateLookup);
    ioctlCall(IoctlInitDigitalInputInterrupt, &record, sizeof record);
}

void KELOE5100::setInterruptEventForInputs(uint32_t mask, DIGITAL_EVENT_TYPE event) {
    if ((mask & ~kInterruptibleInputs) != 0) {
        throw CorvaneException(kFirst16Message, kEventChannelRange);
    }
    try {
        for (uint8_t channel = 0; channel < 32; ++channel) {
            if ((mask >> channel) & 1u) {
                storeRaw(channelEventMap.at(channel), event);
            }
        }
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), kLookup);
    }
    const uint32_t interruptible = getDeviceInformation().functions.digital.interrupt_mask;
    if (interruptible != 0 && (mask & ~interruptible) != 0) {
        throw CorvaneException("Input mask contains non-interruptible channels",
                               kEventNotInterruptible);
    }
    updateDriverDigitalEvent();
}

void KELOE5100::setInterruptEventForOneInput(uint8_t channel, DIGITAL_EVENT_TYPE event) {
    if (channel >= 16) {
        throw CorvaneException(kFirst16Message, kEventChannelRange);
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
        throw CorvaneException(e.what(), kLookup);
    }
    updateDriverDigitalEvent();
}

void KELOE5100::setInterruptLogicForPort(uint8_t port, DIGITAL_EVENT_LOGIC logic) {
    // The entry is written first: a call rejected below leaves it written.
    try {
        storeRaw(portLogicMap.at(port), logic);
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), kLookup);
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

// ---- Timer 0 ------------------------------------------------------------------------

void KELOE5100::sendUnitAction(uint8_t action, uint8_t interrupt) {
    IoctlStartStopTriggerTimerCounterWatchdogStruct record;
    record.index = kTimerUnit;
    record.action = action;
    record.interrupt = interrupt;
    ioctlCall(IoctlStartStopTriggerTimerCounterWatchdog, &record, sizeof record);
}

void KELOE5100::readUnit(bool status, IoctlReadTimerCounterWatchdogStruct& record) {
    std::memset(&record, 0, sizeof record);
    record.index = kTimerUnit;
    record.read_status = status ? 1 : 0;
    ioctlCall(IoctlReadTimerCounterWatchdog, &record, sizeof record);
}

void KELOE5100::initTimer(uint8_t timer, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                          uint32_t options) {
    if (getDeviceInformation().functions.timer.number_timers == 0) {
        throw CorvaneException("This device has no timer", kNoTimer);
    }
    verifyTimerParameters(timer, timebase, reloadValue, VELMOR_FUNCTION_INIT);
    IoctlInitTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = kTimerUnit;
    record.timebase = static_cast<uint8_t>(timebase);
    record.mode = 0;
    record.reload_value = reloadValue;
    // The driver takes the options as given.
    record.options = options;
    ioctlCall(IoctlInitTimerCounterWatchdog, &record, sizeof record);
}

void KELOE5100::setCustomTimerFrequency(uint32_t) {
    throw CorvaneException("This device doesn't support custom frequency", kNoTimer);
}

void KELOE5100::startTimer(uint8_t timer) {
    ensureTimerZero(timer, "startTimer", VELMOR_FUNCTION_START);
    verifyTimerParameters(0, VELMOR_FUNCTION_START);
    sendUnitAction(kStart, isAnyTimerInterruptEventSet() ? 1 : 0);
}

void KELOE5100::stopTimer(uint8_t timer) {
    ensureTimerZero(timer, "stopTimer", VELMOR_FUNCTION_STOP);
    verifyTimerParameters(0, VELMOR_FUNCTION_STOP);
    sendUnitAction(kStop, 0);
}

void KELOE5100::triggerTimer(uint8_t timer) {
    ensureTimerZero(timer, "triggerTimer", VELMOR_FUNCTION_TRIGGER);
    verifyTimerParameters(0, VELMOR_FUNCTION_TRIGGER);
    sendUnitAction(kTrigger, 0);
}

uint32_t KELOE5100::readTimerValue(uint8_t timer) {
    ensureTimerZero(timer, "readTimerValue", VELMOR_FUNCTION_READ_VALUE);
    verifyTimerParameters(0, VELMOR_FUNCTION_READ_VALUE);
    IoctlReadTimerCounterWatchdogStruct record;
    readUnit(false, record);
    return record.value;
}

void KELOE5100::readTimerStatus(uint8_t timer, uint32_t& value, uint8_t& status1,
                                uint8_t& status2, uint8_t& status3) {
    ensureTimerZero(timer, "readTimerStatus", VELMOR_FUNCTION_READ_STATUS);
    verifyTimerParameters(0, VELMOR_FUNCTION_READ_STATUS);
    IoctlReadTimerCounterWatchdogStruct record;
    readUnit(true, record);
    value = record.value;
    status1 = record.status_1;
    status2 = record.status_2;
    status3 = record.status_3;
}

void KELOE5100::enableTimerInterrupt(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    TimerImpl::interruptEventMap[static_cast<char>(timer)] = true;
}

void KELOE5100::disableTimerInterrupt(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    TimerImpl::interruptEventMap[static_cast<char>(timer)] = false;
}

// ---- Interrupt engine hooks ---------------------------------------------------------

void KELOE5100::setupInterruptConditions() {}

void KELOE5100::clearInterruptConditions() {
    // Stops silently at the first failure: disabling interrupts must always go on to
    // stop the interrupt thread.
    try {
        if (isAnyDigitalInterruptEventSet()) {
            resetEventMaps();
            disableDigitalInterrupt();
        }
        if (isAnyTimerInterruptEventSet()) {
            std::vector<char> ids;
            for (const auto& entry : TimerImpl::interruptEventMap) {
                ids.push_back(entry.first);
            }
            for (char id : ids) {
                disableTimerInterrupt(static_cast<uint8_t>(id));
            }
        }
    } catch (const std::exception&) {
    }
}

}  // namespace corvane
}  // namespace velmor
