#include "KELOX7100.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DriverText.h"
#include "IoctlCommands.h"
#include "KELOX7100Tables.h"

namespace velmor {
namespace corvane {

namespace {

using boardsupport::copyDriverText;

constexpr uint32_t code(VelmorDomain domain, VelmorFunction function, VelmorReason reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, domain, function, reason);
}

constexpr uint32_t kNoInputRead = code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_READ, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kNoInputEvent =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kNoInputLogic =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kChannelRange =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_CHANNEL_RANGE, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kOutputMemory =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_INVALID_STATE);
constexpr uint32_t kOutputMask =
    code(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_OUT_OF_BOUNDS);
// The output status failure carries the driver source bit (0).
constexpr uint32_t kOutputStatus =
    VELMOR_ERROR_CODE(VELMOR_DRIVER, VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_GET_DIGOUT_STATUS,
                      VELMOR_REASON_INFO_UNAVAILABLE);

constexpr uint8_t kWatchdogUnit = 0;
constexpr uint16_t kWatchdogMode = 2;

enum UnitAction : uint8_t { kStop = 0, kStart = 1, kTrigger = 2 };

const char kNoInputMessage[] = "KELOX7100 does not support digital input";

// Every watchdog operation first refuses an id other than 0 with its own message.
void ensureWatchdogZero(uint8_t watchdog, const char* operation, VelmorFunction function) {
    if (watchdog != 0) {
        throw CorvaneException(std::string("Invalid watchdog_id for ") + operation,
                               code(VELMOR_DOMAIN_WATCHDOG, function, VELMOR_REASON_INVALID_ID));
    }
}

}  // namespace

KELOX7100::KELOX7100(int handle)
    : DeviceInterface(handle), DigitalImpl(), WatchdogImpl(), InterruptImpl(), TestInterface(handle) {
    updateInfo();
    initPlugins();
}

KELOX7100::~KELOX7100() {
    // The interrupt thread must not run while this part of the object is torn down.
    try {
        stopThread();
    } catch (...) {
    }
}

void KELOX7100::updateInfo() {
    DeviceInterface::updateInfo();
    VelmorDeviceStruct information = n_KELOx_7100::kelox7100_default_infos;

    IoctlGetDeviceInformationsStruct driverInformation;
    std::memset(&driverInformation, 0, sizeof driverInformation);
    // A driver failure passes unchanged: the board cannot start without its information.
    ioctlCall(IoctlGetDeviceInformations, &driverInformation, sizeof driverInformation);

    const bool pcie = driverInformation.bus.is_pcie != 0;
    information.functions.watchdog = pcie ? n_KELOx_7100::kelox7100_pcie_watchdog_info
                                          : n_KELOx_7100::kelox7100_pci_watchdog_info;
    const char* productName = pcie ? "keloe7100" : "kelo7100";
    copyDriverText(information.general.product_name, sizeof information.general.product_name,
                   productName, std::strlen(productName));
    std::memcpy(&information.bus, &driverInformation.bus, sizeof information.bus);
    std::memset(information.id, 0, sizeof information.id);
    std::snprintf(information.id, sizeof information.id, "%s_%u", productName,
                  static_cast<unsigned>(information.bus.number));
    copyDriverText(information.general.firmware_version, sizeof information.general.firmware_version,
                   driverInformation.firmware_version, sizeof driverInformation.firmware_version);
    // The driver's 50 wide characters fill the start of the field; the rest keeps the
    // table's zeros, so the text stays terminated.
    std::memcpy(information.general.custom_id, driverInformation.custom_id,
                sizeof driverInformation.custom_id);
    information.general.device_type = pcie ? VELMOR_DEVICE_PCIE : VELMOR_DEVICE_PCI;
    setDeviceInformation(information);
}

// ---- Digital I/O ---------------------------------------------------------------------

void KELOX7100::enableDigitalInterrupt() {
    uint8_t start = 1;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

void KELOX7100::disableDigitalInterrupt() {
    uint8_t start = 0;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

bool KELOX7100::readSingleDigitalInput(uint8_t) {
    throw CorvaneException(kNoInputMessage, kNoInputRead);
}

uint32_t KELOX7100::readAllDigitalInput() {
    throw CorvaneException(kNoInputMessage, kNoInputRead);
}

void KELOX7100::setInterruptEventForInputs(uint32_t, DIGITAL_EVENT_TYPE) {
    throw CorvaneException(kNoInputMessage, kNoInputEvent);
}

void KELOX7100::setInterruptEventForOneInput(uint8_t, DIGITAL_EVENT_TYPE) {
    throw CorvaneException(kNoInputMessage, kNoInputEvent);
}

void KELOX7100::setInterruptLogicForPort(uint8_t, DIGITAL_EVENT_LOGIC) {
    throw CorvaneException(kNoInputMessage, kNoInputLogic);
}

void KELOX7100::writeSingleDigitalOutput(uint8_t channel, bool state) {
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

void KELOX7100::writeAllDigitalOutput(uint32_t mask, bool state) {
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

uint32_t KELOX7100::getDigitalOutputStatus() {
    uint32_t status = 0;
    try {
        ioctlCall(IoctlGetDigitalOutputsStatus, &status, sizeof status);
    } catch (const CorvaneException& e) {
        throw CorvaneException(e.what(), kOutputStatus);
    }
    return status;
}

void KELOX7100::setOutputInterrupt(bool firstEnable, bool secondEnable) {
    IoctlSetDigitalOutputInterruptStruct record;
    record.first_enable = firstEnable ? 1 : 0;
    record.second_enable = secondEnable ? 1 : 0;
    ioctlCall(IoctlSetDigitalOutputInterrupt, &record, sizeof record);
}

// ---- Watchdog 0 ---------------------------------------------------------------------

void KELOX7100::sendUnitAction(uint8_t action, uint8_t interrupt) {
    IoctlStartStopTriggerTimerCounterWatchdogStruct record;
    record.index = kWatchdogUnit;
    record.action = action;
    record.interrupt = interrupt;
    ioctlCall(IoctlStartStopTriggerTimerCounterWatchdog, &record, sizeof record);
}

void KELOX7100::readUnit(bool status, IoctlReadTimerCounterWatchdogStruct& record) {
    std::memset(&record, 0, sizeof record);
    record.index = kWatchdogUnit;
    record.read_status = status ? 1 : 0;
    ioctlCall(IoctlReadTimerCounterWatchdog, &record, sizeof record);
}

void KELOX7100::initWatchdog(uint8_t watchdog, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                             uint32_t options) {
    options &= getDeviceInformation().functions.watchdog.valid_options;
    ensureWatchdogZero(watchdog, "initWatchdog", VELMOR_FUNCTION_INIT);
    verifyWatchdogParameters(0, timebase, reloadValue, VELMOR_FUNCTION_INIT);
    IoctlInitTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = kWatchdogUnit;
    record.timebase = static_cast<uint8_t>(timebase);
    record.mode = kWatchdogMode;
    record.reload_value = reloadValue;
    record.options = options;
    ioctlCall(IoctlInitTimerCounterWatchdog, &record, sizeof record);
}

void KELOX7100::startWatchdog(uint8_t watchdog) {
    ensureWatchdogZero(watchdog, "startWatchdog", VELMOR_FUNCTION_START);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_START);
    sendUnitAction(kStart, isAnyWatchdogInterruptEventSet() ? 1 : 0);
}

void KELOX7100::stopWatchdog(uint8_t watchdog) {
    ensureWatchdogZero(watchdog, "stopWatchdog", VELMOR_FUNCTION_STOP);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_STOP);
    sendUnitAction(kStop, 0);
}

void KELOX7100::triggerWatchdog(uint8_t watchdog) {
    ensureWatchdogZero(watchdog, "triggerWatchdog", VELMOR_FUNCTION_TRIGGER);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_TRIGGER);
    sendUnitAction(kTrigger, 0);
}

uint32_t KELOX7100::readWatchdogValue(uint8_t watchdog) {
    ensureWatchdogZero(watchdog, "readWatchdogValue", VELMOR_FUNCTION_READ_VALUE);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_READ_VALUE);
    IoctlReadTimerCounterWatchdogStruct record;
    readUnit(false, record);
    return record.value;
}

void KELOX7100::readWatchdogStatus(uint8_t watchdog, uint32_t& value, uint8_t& status1,
                                   uint8_t& status2, uint8_t& status3) {
    ensureWatchdogZero(watchdog, "readWatchdogStatus", VELMOR_FUNCTION_READ_STATUS);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_READ_STATUS);
    IoctlReadTimerCounterWatchdogStruct record;
    readUnit(true, record);
    value = record.value;
    status1 = record.status_1;
    status2 = record.status_2;
    status3 = record.status_3;
}

void KELOX7100::enableWatchdogInterrupt(uint8_t watchdog) {
    ensureWatchdogZero(watchdog, "enableWatchdogInterrupt", VELMOR_FUNCTION_ENABLE_INTERRUPT);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    WatchdogImpl::interruptEventMap[0] = true;
}

void KELOX7100::disableWatchdogInterrupt(uint8_t watchdog) {
    ensureWatchdogZero(watchdog, "disableWatchdogInterrupt", VELMOR_FUNCTION_DISABLE_INTERRUPT);
    verifyWatchdogParameters(0, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    WatchdogImpl::interruptEventMap[0] = false;
}

// ---- Interrupt engine hooks ---------------------------------------------------------

void KELOX7100::setupInterruptConditions() {}

void KELOX7100::clearInterruptConditions() {
    // Stops silently at the first failure: disabling interrupts must always go on to
    // stop the interrupt thread. The board has no input events to clear.
    try {
        if (isAnyWatchdogInterruptEventSet()) {
            std::vector<char> ids;
            for (const auto& entry : WatchdogImpl::interruptEventMap) {
                ids.push_back(entry.first);
            }
            for (char id : ids) {
                disableWatchdogInterrupt(static_cast<uint8_t>(id));
            }
        }
    } catch (const std::exception&) {
    }
}

}  // namespace corvane
}  // namespace velmor
