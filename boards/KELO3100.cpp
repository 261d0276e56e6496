#include "KELO3100.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "IoctlCommands.h"
#include "KELO3100Tables.h"

namespace velmor {
namespace corvane {

namespace {

constexpr uint32_t apiCode(uint32_t domain, uint32_t function, uint32_t reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, domain, function, reason);
}

// Inputs 0 to 13 can interrupt.
constexpr uint32_t interruptibleInputs = 0x3FFFu;
constexpr uint8_t interruptibleChannelCount = 14;
constexpr uint8_t unitCount = 3;
constexpr uint8_t watchdogUnit = 2;

// Unit modes sent at initialisation.
constexpr uint16_t timerMode = 0;
constexpr uint16_t counterMode = 2;
constexpr uint16_t watchdogMode = 3;

// Clock selections of the chip.
constexpr uint8_t customClock = 3;

// Pattern word modes.
constexpr uint32_t patternModeAnd = 2;
constexpr uint32_t patternModeOr = 4;

const char* const watchdogUnitMessage = "On this card, only the third timer can be used as watchdog";
const char* const fourteenChannelsMessage =
    "Only the first 14 channels are available for interrupt on this card";

// Runs one step of an operation and gives any CorvaneException raised in it the
// operation's own code, keeping the readable text of the original as the message.
template <typename Step>
auto recoded(uint32_t code, Step&& step) -> decltype(step()) {
    try {
        return step();
    } catch (const CorvaneException& e) {
        throw CorvaneException(e.what(), code);
    }
}

// The custom clock divides by two; a value below 2 still gives the smallest reload.
uint16_t customReload(uint16_t value) {
    return value < 2 ? 1 : static_cast<uint16_t>(value / 2);
}

// Text of a fixed char field, read only within the field.
std::string boundedText(const char* field, size_t size) {
    const void* end = std::memchr(field, 0, size);
    const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : size;
    return std::string(field, length);
}

// The stored value of an event or logic entry as a plain integer. The maps accept any
// value a caller passes, including ones outside the enumeration, so they are read through
// their bytes rather than as the enumeration type.
template <typename Enumeration>
int32_t rawValue(const Enumeration& value) {
    static_assert(sizeof(Enumeration) == sizeof(int32_t), "enumerations are 32 bits");
    int32_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    return raw;
}

// Stores a caller's value, whatever it is, into a map entry.
template <typename Enumeration>
void storeRaw(Enumeration& entry, const Enumeration& value) {
    std::memcpy(&entry, &value, sizeof entry);
}

void copyText(char* destination, size_t size, const std::string& text) {
    const size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(destination, text.data(), length);
    std::memset(destination + length, 0, size - length);
}

}  // namespace

KELO3100::KELO3100(int handle) : DeviceInterface(handle), TestInterface(handle) {
    updateInfo();
    initPlugins();
    setOutputMemoryOn();
}

KELO3100::~KELO3100() {
    // The interrupt thread must not run while this part of the object is torn down.
    try {
        stopThread();
    } catch (...) {
    }
}

void KELO3100::updateInfo() {
    DeviceInterface::updateInfo();
    VelmorDeviceStruct information = n_KELO_3100::kelo3100_default_infos;

    IoctlGetDeviceInformationsStruct record;
    std::memset(&record, 0, sizeof record);
    ioctlCall(IoctlGetDeviceInformations, &record, sizeof record);

    information.bus = record.bus;
    const bool pcie = information.bus.is_pcie != 0;
    const std::string product = pcie ? "keloe3100" : "kelo3100";
    copyText(information.general.product_name, sizeof information.general.product_name, product);
    copyText(information.id, sizeof information.id,
             product + "_" + std::to_string(information.bus.number));
    copyText(information.general.firmware_version, sizeof information.general.firmware_version,
             boundedText(record.firmware_version, sizeof record.firmware_version));
    // The driver's 50 wide characters fill the start of the field; the rest stays zero, so
    // the text is terminated whatever the driver sent.
    std::memcpy(information.general.custom_id, record.custom_id, sizeof record.custom_id);
    information.general.device_type = pcie ? VELMOR_DEVICE_PCIE : VELMOR_DEVICE_PCI;

    setDeviceInformation(information);
}

// ---- Digital I/O -------------------------------------------------------------------------

void KELO3100::enableDigitalInterrupt() {
    uint8_t start = 1;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

void KELO3100::disableDigitalInterrupt() {
    uint8_t start = 0;
    ioctlCall(IoctlStartStopDigitalInterrupt, &start, sizeof start);
}

void KELO3100::setOutputMemoryOn() { DigitalImpl::setOutputMemoryOn(); }

void KELO3100::setOutputMemoryOff() { DigitalImpl::setOutputMemoryOff(); }

bool KELO3100::readSingleDigitalInput(uint8_t channel) {
    verifyChannelRange(static_cast<char>(channel));
    uint32_t inputs = 0;
    ioctlCall(IoctlGetDigitalInputs, &inputs, sizeof inputs);
    return ((inputs >> channel) & 1u) != 0;
}

uint32_t KELO3100::readAllDigitalInput() {
    uint32_t inputs = 0;
    ioctlCall(IoctlGetDigitalInputs, &inputs, sizeof inputs);
    return inputs;
}

namespace {

void refuseSwitchingOffWithoutMemory(bool state, bool outputMemory) {
    if (!state && !outputMemory) {
        throw CorvaneException("Cannot write output to 0 when DigitalOutputMemory is disabled",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT,
                                       VELMOR_REASON_INVALID_STATE));
    }
}

}  // namespace

void KELO3100::writeSingleDigitalOutput(uint8_t channel, bool state) {
    verifyChannelRange(static_cast<char>(channel));
    refuseSwitchingOffWithoutMemory(state, outputMemory);
    IoctlSetDigitalOutputsStruct record;
    std::memset(&record, 0, sizeof record);
    record.mask = 1u << channel;
    record.memory = outputMemory ? 1 : 0;
    record.state = state ? 1 : 0;
    ioctlCall(IoctlSetDigitalOutputs, &record, sizeof record);
}

void KELO3100::writeAllDigitalOutput(uint32_t mask, bool state) {
    refuseSwitchingOffWithoutMemory(state, outputMemory);
    const unsigned outputs = getDeviceInformation().functions.digital.number_outputs;
    if (outputs < 32 && (mask >> outputs) != 0) {
        throw CorvaneException("Invalid output mask: out of range",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_WRITE_DIGOUT,
                                       VELMOR_REASON_OUT_OF_BOUNDS));
    }
    IoctlSetDigitalOutputsStruct record;
    std::memset(&record, 0, sizeof record);
    record.mask = mask & 0xFFFFu;
    record.memory = outputMemory ? 1 : 0;
    record.state = state ? 1 : 0;
    ioctlCall(IoctlSetDigitalOutputs, &record, sizeof record);
}

uint32_t KELO3100::getDigitalOutputStatus() {
    uint32_t outputs = 0;
    ioctlCall(IoctlGetDigitalOutputsStatus, &outputs, sizeof outputs);
    return outputs;
}

void KELO3100::setOutputInterrupt(bool, bool) {
    throw CorvaneException("This card does not support output interrupt mask",
                           apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_OUTPUT_INTERRUPT,
                                   VELMOR_REASON_NOT_SUPPORTED));
}

void KELO3100::setInterruptEventForInputs(uint32_t mask, DIGITAL_EVENT_TYPE event) {
    if (mask > interruptibleInputs) {
        throw CorvaneException(fourteenChannelsMessage,
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT,
                                       VELMOR_REASON_OVERFLOW));
    }
    try {
        for (unsigned channel = 0; channel < 32; ++channel) {
            if ((mask >> channel) & 1u) {
                storeRaw(channelEventMap.at(static_cast<uint8_t>(channel)), event);
            }
        }
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), apiCode(VELMOR_DOMAIN_DIGIO,
                                                 VELMOR_FUNCTION_INTERRUPT_EVENT,
                                                 VELMOR_REASON_OUT_OF_BOUNDS));
    }
    const uint32_t allowed = getDeviceInformation().functions.digital.interrupt_mask;
    if (allowed != 0 && (mask & ~allowed) != 0) {
        throw CorvaneException("Input mask contains non-interruptible channels",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT,
                                       VELMOR_REASON_INVALID_PARAMETER));
    }
    updateDriverDigitalEvent();
}

void KELO3100::setInterruptEventForOneInput(uint8_t channel, DIGITAL_EVENT_TYPE event) {
    if (channel >= interruptibleChannelCount) {
        throw CorvaneException(fourteenChannelsMessage,
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT,
                                       VELMOR_REASON_OVERFLOW));
    }
    const DigitalInformations digital = getDeviceInformation().functions.digital;
    if (channel >= digital.number_inputs) {
        throw CorvaneException("Invalid input channel: out of range",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT,
                                       VELMOR_REASON_OUT_OF_BOUNDS));
    }
    if (digital.interrupt_mask != 0 && ((digital.interrupt_mask >> channel) & 1u) == 0) {
        throw CorvaneException("Input channel not interruptible on this device",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_EVENT,
                                       VELMOR_REASON_INVALID_PARAMETER));
    }
    try {
        storeRaw(channelEventMap.at(channel), event);
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), apiCode(VELMOR_DOMAIN_INTERRUPTS,
                                                 VELMOR_FUNCTION_INTERRUPT_EVENT,
                                                 VELMOR_REASON_INVALID_PARAMETER));
    }
    updateDriverDigitalEvent();
}

void KELO3100::setInterruptLogicForPort(uint8_t port, DIGITAL_EVENT_LOGIC logic) {
    const int32_t logicValue = rawValue(logic);
    if (port == 1 && logicValue == AND) {
        throw CorvaneException("Port number 1 can only be configured as OR on this card.",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                       VELMOR_REASON_INVALID_STATE));
    }
    if (port > 1) {
        throw CorvaneException("Port Number for this card should be 0 or 1",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                       VELMOR_REASON_INVALID_PARAMETER));
    }
    // Stored before the checks below: a rejected logic value stays and acts as OR.
    try {
        storeRaw(portLogicMap.at(port), logic);
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), apiCode(VELMOR_DOMAIN_INTERRUPTS,
                                                 VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                                 VELMOR_REASON_INVALID_PARAMETER));
    }
    if (port >= getDeviceInformation().functions.digital.number_of_ports) {
        throw CorvaneException("Invalid port_number: out of range",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                       VELMOR_REASON_OUT_OF_BOUNDS));
    }
    if (logicValue > 1) {
        throw CorvaneException("Invalid logic type: must be 0 (OR) or 1 (AND)",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                       VELMOR_REASON_INVALID_OPTION));
    }
    updateDriverDigitalEvent();
}

uint32_t KELO3100::createMaskFromInterruptMap(uint8_t port) {
    int32_t logic = 0;
    try {
        logic = rawValue(portLogicMap.at(port));
    } catch (const std::out_of_range& e) {
        throw CorvaneException(e.what(), apiCode(VELMOR_DOMAIN_INTERRUPTS,
                                                 VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                                 VELMOR_REASON_INVALID_PARAMETER));
    }
    // The word has one bit for the port: ports 2 and 3 of the logic map have no inputs on
    // this board and would spill into the pattern mask.
    if (port > 1) {
        throw CorvaneException("Port Number for this card should be 0 or 1",
                               apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC,
                                       VELMOR_REASON_INVALID_PARAMETER));
    }
    const uint32_t mode = logic == AND ? patternModeAnd : patternModeOr;

    uint32_t mask = 0;
    uint32_t transition = 0;
    uint32_t polarity = 0;
    const unsigned first = port * 8u;
    for (const auto& entry : channelEventMap) {
        const unsigned channel = entry.first;
        if (channel < first || channel >= first + 8) {
            continue;
        }
        const uint32_t bit = 1u << (channel - first);
        switch (static_cast<uint32_t>(rawValue(entry.second))) {
            case UNUSED:
                break;
            case ON_ZERO:
                mask |= bit;
                break;
            case ON_ONE:
                mask |= bit;
                polarity |= bit;
                break;
            case FALLING_EDGE:
                mask |= bit;
                transition |= bit;
                break;
            case RISING_EDGE:
                mask |= bit;
                transition |= bit;
                polarity |= bit;
                break;
            case ANY_EDGE:
                transition |= bit;
                break;
            default:
                throw CorvaneException("Event does not exist in DIGITAL_EVENT_TYPE",
                                       apiCode(VELMOR_DOMAIN_DIGIO,
                                               VELMOR_FUNCTION_UPDATE_DIGITAL_INTERRUPT,
                                               VELMOR_REASON_INVALID_OPTION));
        }
    }
    if (mode == patternModeAnd && (transition & (transition - 1)) != 0) {
        throw CorvaneException(
            "Logic AND cannot be used with edge-triggered interrupts on multiple channels",
            apiCode(VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_INTERRUPT_LOGIC,
                    VELMOR_REASON_INVALID_STATE));
    }
    return mode | static_cast<uint32_t>(port) << 7 | mask << 8 | transition << 16 |
           polarity << 24;
}

void KELO3100::updateDriverDigitalEvent() {
    IoctlInitDigitalInputInterruptStruct record;
    std::memset(&record, 0, sizeof record);
    record.first_mask = createMaskFromInterruptMap(0);
    record.second_mask = createMaskFromInterruptMap(1);
    ioctlCall(IoctlInitDigitalInputInterrupt, &record, sizeof record);
}

// ---- Conversions and unit functions -----------------------------------------------------

void KELO3100::convertTimebaseToFrequency(TIMEBASE_UNITS timebase, uint16_t value,
                                          uint8_t& clock, uint16_t& reload) {
    if (value < 1 || value > 4095) {
        if (timebase == CUSTOM) {
            clock = customClock;
            reload = customReload(value);
            return;
        }
        throw CorvaneException("Reload value must be between 1 and 4095",
                               apiCode(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_CONVERT_FREQ,
                                       VELMOR_REASON_OUT_OF_BOUNDS));
    }
    double factor = 0.0;
    double frequency = 0.0;
    uint8_t selection = 0;
    switch (timebase) {
        case MICROSECOND:
            selection = 0;
            factor = 0.000001;
            frequency = 111860.0;
            break;
        case MILLISECOND:
            selection = 1;
            factor = 0.001;
            frequency = 3490.0;
            break;
        case SECOND:
            selection = 2;
            factor = 1.0;
            frequency = 1747.0;
            break;
        case CUSTOM:
            clock = customClock;
            reload = customReload(value);
            return;
        default:
            throw CorvaneException("Invalid timebase",
                                   apiCode(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_CONVERT_FREQ,
                                           VELMOR_REASON_INVALID_PARAMETER));
    }
    // Halves round away from zero: 75 s is 65512.5 ticks and gives 65513.
    const double ticks = factor * value * frequency * 0.5;
    const long rounded = std::lround(ticks);
    // The chip's reload has 16 bits; more ticks than that would silently give a much
    // shorter period.
    if (rounded > 0xFFFF) {
        throw CorvaneException("Reload value too large for this timebase: " +
                                   std::to_string(rounded) + " ticks do not fit in 16 bits",
                               apiCode(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_CONVERT_FREQ,
                                       VELMOR_REASON_OVERFLOW));
    }
    clock = selection;
    reload = rounded == 0 ? 1 : static_cast<uint16_t>(rounded);
}

uint8_t KELO3100::convertFrequencyToTypeDef(uint32_t frequency) {
    switch (frequency) {
        case 111860:
            return 0;
        case 3490:
            return 1;
        case 1747:
            return 2;
        default:
            throw CorvaneException("Invalid frequency for conversion",
                                   apiCode(VELMOR_DOMAIN_TIMER, VELMOR_FUNCTION_CONVERT_FREQ,
                                           VELMOR_REASON_INVALID_PARAMETER));
    }
}

void KELO3100::initTimerCounterWatchdog(uint8_t unit, IoctlInitTimerCounterWatchdogStruct record) {
    switch (unit) {
        case 0:
            record.options &= ~static_cast<uint32_t>(HARDWARE_GATE | EXTERNAL_TRIGGER);
            break;
        case 1:
            break;
        case 2:
            record.options &= ~static_cast<uint32_t>(EXTERNAL_TRIGGER);
            break;
        default:
            throw CorvaneException("Invalid timer_counter_id for initTimerCounter",
                                   apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_INIT,
                                           VELMOR_REASON_INVALID_ID));
    }
    ioctlCall(IoctlInitTimerCounterWatchdog, &record, sizeof record);
}

void KELO3100::sendStartStopTrigger(uint8_t unit, uint8_t action, uint8_t interrupt) {
    IoctlStartStopTriggerTimerCounterWatchdogStruct record;
    record.index = unit;
    record.action = action;
    record.interrupt = interrupt;
    ioctlCall(IoctlStartStopTriggerTimerCounterWatchdog, &record, sizeof record);
}

void KELO3100::startTimerCounter(uint8_t unit) {
    if (unit >= unitCount) {
        throw CorvaneException("Invalid timer_counter_id for startTimerCounter",
                               apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_START,
                                       VELMOR_REASON_INVALID_ID));
    }
    // Any enabled unit interrupt of the board lets the started unit interrupt.
    const bool interrupt = isAnyWatchdogInterruptEventSet() || isAnyCounterInterruptEventSet() ||
                           isAnyTimerInterruptEventSet();
    sendStartStopTrigger(unit, 1, interrupt ? 1 : 0);
}

void KELO3100::stopTimerCounter(uint8_t unit) {
    if (unit >= unitCount) {
        throw CorvaneException("Invalid timer_counter_id for stopTimerCounter",
                               apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_STOP,
                                       VELMOR_REASON_INVALID_ID));
    }
    sendStartStopTrigger(unit, 0, 0);
}

void KELO3100::triggerTimerCounter(uint8_t unit) {
    if (unit >= unitCount) {
        throw CorvaneException("Invalid timer_counter_id for triggerTimerCounter",
                               apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_TRIGGER,
                                       VELMOR_REASON_INVALID_ID));
    }
    sendStartStopTrigger(unit, 2, 0);
}

uint32_t KELO3100::readTimerCounterValue(uint8_t unit) {
    if (unit >= unitCount) {
        throw CorvaneException("Invalid timer_counter_id for readTimerCounter",
                               apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_READ_VALUE,
                                       VELMOR_REASON_INVALID_ID));
    }
    IoctlReadTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = unit;
    record.read_status = 0;
    ioctlCall(IoctlReadTimerCounterWatchdog, &record, sizeof record);
    return record.value;
}

void KELO3100::readTimerCounterStatus(uint8_t unit, uint32_t& value, uint8_t& status1,
                                      uint8_t& status2, uint8_t& status3) {
    if (unit >= unitCount) {
        throw CorvaneException("Invalid timer_counter_id for readTimerCounter",
                               apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_READ_STATUS,
                                       VELMOR_REASON_INVALID_ID));
    }
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

// ---- Timers --------------------------------------------------------------------------------

namespace {

IoctlInitTimerCounterWatchdogStruct unitRecord(uint8_t index, uint8_t clock, uint16_t mode,
                                               uint32_t reload, uint32_t options) {
    IoctlInitTimerCounterWatchdogStruct record;
    std::memset(&record, 0, sizeof record);
    record.index = index;
    record.timebase = clock;
    record.mode = mode;
    record.reload_value = reload;
    record.options = options;
    return record;
}

constexpr uint32_t timerCode(uint32_t function) {
    return apiCode(VELMOR_DOMAIN_TIMER, function, VELMOR_REASON_INVALID_ID);
}
constexpr uint32_t counterCode(uint32_t function) {
    return apiCode(VELMOR_DOMAIN_COUNTER, function, VELMOR_REASON_INVALID_ID);
}
constexpr uint32_t watchdogCode(uint32_t function) {
    return apiCode(VELMOR_DOMAIN_WATCHDOG, function, VELMOR_REASON_INVALID_ID);
}

}  // namespace

void KELO3100::initTimer(uint8_t timer, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                         uint32_t options) {
    options &= getDeviceInformation().functions.timer.valid_options;
    verifyTimerParameters(timer, timebase, reloadValue, VELMOR_FUNCTION_INIT);
    uint8_t clock = 0;
    uint16_t reload = 0;
    convertTimebaseToFrequency(timebase, reloadValue, clock, reload);
    recoded(timerCode(VELMOR_FUNCTION_INIT), [&] {
        initTimerCounterWatchdog(timer, unitRecord(timer, clock, timerMode, reload, options));
    });
}

void KELO3100::init3100Timer(uint8_t timer, uint32_t frequency, uint16_t reload,
                             uint32_t options) {
    options &= getDeviceInformation().functions.timer.valid_options;
    const uint8_t clock = convertFrequencyToTypeDef(frequency);
    recoded(timerCode(VELMOR_FUNCTION_INIT), [&] {
        initTimerCounterWatchdog(timer, unitRecord(timer, clock, timerMode, reload, options));
    });
}

void KELO3100::setCustomTimerFrequency(uint32_t frequency) {
    ioctlCall(IoctlSetCustomTimerFrequency, &frequency, sizeof frequency);
}

void KELO3100::startTimer(uint8_t timer) {
    recoded(timerCode(VELMOR_FUNCTION_START), [&] {
        verifyTimerParameters(timer, VELMOR_FUNCTION_START);
        startTimerCounter(timer);
    });
}

void KELO3100::stopTimer(uint8_t timer) {
    recoded(timerCode(VELMOR_FUNCTION_STOP), [&] {
        verifyTimerParameters(timer, VELMOR_FUNCTION_STOP);
        stopTimerCounter(timer);
    });
}

uint32_t KELO3100::readTimerValue(uint8_t timer) {
    return recoded(timerCode(VELMOR_FUNCTION_READ_VALUE), [&] {
        verifyTimerParameters(timer, VELMOR_FUNCTION_READ_VALUE);
        return readTimerCounterValue(timer);
    });
}

void KELO3100::readTimerStatus(uint8_t timer, uint32_t& value, uint8_t& status1,
                               uint8_t& status2, uint8_t& status3) {
    recoded(timerCode(VELMOR_FUNCTION_READ_STATUS), [&] {
        verifyTimerParameters(timer, VELMOR_FUNCTION_READ_STATUS);
        readTimerCounterStatus(timer, value, status1, status2, status3);
    });
}

void KELO3100::triggerTimer(uint8_t timer) {
    recoded(timerCode(VELMOR_FUNCTION_TRIGGER), [&] {
        verifyTimerParameters(timer, VELMOR_FUNCTION_TRIGGER);
        triggerTimerCounter(timer);
    });
}

void KELO3100::enableTimerInterrupt(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    TimerImpl::interruptEventMap[static_cast<char>(timer)] = true;
}

void KELO3100::disableTimerInterrupt(uint8_t timer) {
    verifyTimerParameters(timer, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    TimerImpl::interruptEventMap[static_cast<char>(timer)] = false;
}

// ---- Counters ------------------------------------------------------------------------------

void KELO3100::initCounter(uint8_t counter, uint32_t reloadValue, uint32_t options) {
    options &= getDeviceInformation().functions.counter.valid_options;
    verifyCounterParameters(counter, reloadValue, VELMOR_FUNCTION_INIT);
    recoded(counterCode(VELMOR_FUNCTION_INIT), [&] {
        initTimerCounterWatchdog(counter,
                                 unitRecord(counter, 0, counterMode, reloadValue, options));
    });
}

void KELO3100::startCounter(uint8_t counter) {
    recoded(counterCode(VELMOR_FUNCTION_START), [&] {
        verifyCounterParameters(counter, VELMOR_FUNCTION_START);
        startTimerCounter(counter);
    });
}

void KELO3100::stopCounter(uint8_t counter) {
    recoded(counterCode(VELMOR_FUNCTION_STOP), [&] {
        verifyCounterParameters(counter, VELMOR_FUNCTION_STOP);
        stopTimerCounter(counter);
    });
}

uint32_t KELO3100::readCounterValue(uint8_t counter) {
    return recoded(counterCode(VELMOR_FUNCTION_READ_VALUE), [&] {
        verifyCounterParameters(counter, VELMOR_FUNCTION_READ_VALUE);
        return readTimerCounterValue(counter);
    });
}

void KELO3100::readCounterStatus(uint8_t counter, uint32_t& value, uint8_t& status1,
                                 uint8_t& status2, uint8_t& status3) {
    recoded(counterCode(VELMOR_FUNCTION_READ_STATUS), [&] {
        verifyCounterParameters(counter, VELMOR_FUNCTION_READ_STATUS);
        readTimerCounterStatus(counter, value, status1, status2, status3);
    });
}

void KELO3100::enableCounterInterrupt(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    CounterImpl::interruptEventMap[static_cast<char>(counter)] = true;
}

void KELO3100::disableCounterInterrupt(uint8_t counter) {
    verifyCounterParameters(counter, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    CounterImpl::interruptEventMap[static_cast<char>(counter)] = false;
}

// ---- Watchdog ------------------------------------------------------------------------------

namespace {

void ensureWatchdogZero(uint8_t watchdog, uint32_t function) {
    if (watchdog != 0) {
        throw CorvaneException(watchdogUnitMessage, watchdogCode(function));
    }
}

}  // namespace

void KELO3100::initWatchdog(uint8_t watchdog, TIMEBASE_UNITS timebase, uint16_t reloadValue,
                            uint32_t options) {
    verifyWatchdogParameters(watchdog, timebase, reloadValue, VELMOR_FUNCTION_INIT);
    ensureWatchdogZero(watchdog, VELMOR_FUNCTION_INIT);
    options &= getDeviceInformation().functions.watchdog.valid_options;
    uint8_t clock = 0;
    uint16_t reload = 0;
    convertTimebaseToFrequency(timebase, reloadValue, clock, reload);
    recoded(watchdogCode(VELMOR_FUNCTION_INIT), [&] {
        initTimerCounterWatchdog(watchdogUnit,
                                 unitRecord(watchdogUnit, clock, watchdogMode, reload, options));
    });
}

void KELO3100::init3100Watchdog(uint8_t watchdog, uint32_t frequency, uint16_t reload,
                                uint32_t options) {
    // Set-up by clock frequency addresses the unit by the caller's number with mode 0,
    // like init3100Timer; only the options table and the code are the watchdog's.
    options &= getDeviceInformation().functions.watchdog.valid_options;
    const uint8_t clock = convertFrequencyToTypeDef(frequency);
    recoded(watchdogCode(VELMOR_FUNCTION_INIT), [&] {
        initTimerCounterWatchdog(watchdog, unitRecord(watchdog, clock, timerMode, reload, options));
    });
}

void KELO3100::startWatchdog(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_START);
    ensureWatchdogZero(watchdog, VELMOR_FUNCTION_START);
    recoded(watchdogCode(VELMOR_FUNCTION_START), [&] { startTimerCounter(watchdogUnit); });
}

void KELO3100::stopWatchdog(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_STOP);
    recoded(watchdogCode(VELMOR_FUNCTION_STOP),
            [&] { stopTimerCounter(static_cast<uint8_t>(watchdog + watchdogUnit)); });
}

uint32_t KELO3100::readWatchdogValue(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_READ_VALUE);
    return recoded(watchdogCode(VELMOR_FUNCTION_READ_VALUE), [&] {
        return readTimerCounterValue(static_cast<uint8_t>(watchdog + watchdogUnit));
    });
}

void KELO3100::readWatchdogStatus(uint8_t watchdog, uint32_t& value, uint8_t& status1,
                                  uint8_t& status2, uint8_t& status3) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_READ_STATUS);
    recoded(watchdogCode(VELMOR_FUNCTION_READ_STATUS), [&] {
        readTimerCounterStatus(static_cast<uint8_t>(watchdog + watchdogUnit), value, status1,
                               status2, status3);
    });
}

void KELO3100::triggerWatchdog(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_TRIGGER);
    ensureWatchdogZero(watchdog, VELMOR_FUNCTION_TRIGGER);
    recoded(watchdogCode(VELMOR_FUNCTION_TRIGGER), [&] { triggerTimerCounter(watchdogUnit); });
}

void KELO3100::enableWatchdogInterrupt(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    ensureWatchdogZero(watchdog, VELMOR_FUNCTION_ENABLE_INTERRUPT);
    // The flag is kept under the unit number.
    WatchdogImpl::interruptEventMap[static_cast<char>(watchdogUnit)] = true;
}

void KELO3100::disableWatchdogInterrupt(uint8_t watchdog) {
    verifyWatchdogParameters(watchdog, VELMOR_FUNCTION_DISABLE_INTERRUPT);
    WatchdogImpl::interruptEventMap[static_cast<char>(watchdog + watchdogUnit)] = false;
}

// ---- Interrupt engine hooks --------------------------------------------------------------

void KELO3100::setupInterruptConditions() {}

namespace {

std::vector<char> keysOf(const std::map<char, bool>& flags) {
    std::vector<char> keys;
    keys.reserve(flags.size());
    for (const auto& entry : flags) {
        keys.push_back(entry.first);
    }
    return keys;
}

}  // namespace

void KELO3100::clearInterruptConditions() {
    try {
        if (isAnyDigitalInterruptEventSet()) {
            resetEventMaps();
            disableDigitalInterrupt();
        }
        if (isAnyTimerInterruptEventSet()) {
            for (char id : keysOf(TimerImpl::interruptEventMap)) {
                disableTimerInterrupt(static_cast<uint8_t>(id));
            }
        }
        if (isAnyCounterInterruptEventSet()) {
            for (char id : keysOf(CounterImpl::interruptEventMap)) {
                disableCounterInterrupt(static_cast<uint8_t>(id));
            }
        }
        if (isAnyWatchdogInterruptEventSet()) {
            // Entries are kept under the unit number: key 2 is watchdog 0.
            for (char unit : keysOf(WatchdogImpl::interruptEventMap)) {
                disableWatchdogInterrupt(static_cast<uint8_t>(unit - watchdogUnit));
            }
        }
    } catch (const CorvaneException&) {
        // Disabling interrupts reports nothing; the driver failure is in the board's log.
    } catch (const std::exception& e) {
        logLine(foundation::Logger::Level::ERROR,
                std::string("Clearing the interrupt conditions failed: ") + e.what());
    } catch (...) {
        logLine(foundation::Logger::Level::ERROR, "Clearing the interrupt conditions failed.");
    }
}

// ---- Free functions ------------------------------------------------------------------------

namespace {

// Runs a set-up on a KELO3100 held through a shared DeviceInterface and turns every
// failure into its code; the failure's readable text is the last error.
template <typename SetUp>
uint32_t onKelo3100(const char* name, const std::shared_ptr<DeviceInterface>& device,
                    SetUp&& setUp) {
    try {
        try {
            if (!device) {
                throw CorvaneException(std::string(name) + ": the device is empty",
                                       apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL,
                                               VELMOR_REASON_INVALID_PARAMETER));
            }
            auto board = std::dynamic_pointer_cast<KELO3100>(device);
            if (!board) {
                const VelmorDeviceStruct information = device->getDeviceInformation();
                throw CorvaneException(std::string(name) + ": device " +
                                           boundedText(information.id, sizeof information.id) +
                                           " is not a KELO3100 board",
                                       apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL,
                                               VELMOR_REASON_NOT_SUPPORTED));
            }
            setUp(*board);
            return 0;
        } catch (const CorvaneException& e) {
            return e.getCode();
        } catch (const std::exception& e) {
            return CorvaneException(std::string(name) + " failed: " + e.what(),
                                    apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL,
                                            VELMOR_REASON_INTERNAL_ERROR))
                .getCode();
        } catch (...) {
            return CorvaneException(std::string(name) + " failed with an unknown exception",
                                    apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL,
                                            VELMOR_REASON_INTERNAL_ERROR))
                .getCode();
        }
    } catch (...) {
        // Even the failure text could not be built (out of memory).
        return apiCode(VELMOR_DOMAIN_GENERIC, VELMOR_FUNCTION_CALL, VELMOR_REASON_INTERNAL_ERROR);
    }
}

}  // namespace

uint32_t init3100Timer(std::shared_ptr<DeviceInterface> device, uint8_t id, uint32_t frequency,
                       uint16_t reload, uint32_t options) {
    return onKelo3100("init3100Timer", device, [&](KELO3100& board) {
        const uint32_t masked =
            options & board.getDeviceInformation().functions.timer.valid_options;
        board.init3100Timer(id, frequency, reload, masked);
    });
}

uint32_t init3100Watchdog(std::shared_ptr<DeviceInterface> device, uint8_t id,
                          uint32_t frequency, uint16_t reload, uint32_t options) {
    return onKelo3100("init3100Watchdog", device, [&](KELO3100& board) {
        const uint32_t masked =
            options & board.getDeviceInformation().functions.watchdog.valid_options;
        board.init3100Watchdog(id, frequency, reload, masked);
    });
}

}  // namespace corvane
}  // namespace velmor
