#include "KELO42XX.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "CorvaneErrors.h"
#include "CorvaneException.h"
#include "DriverText.h"
#include "IoctlCommands.h"
#include "KELO42XXTables.h"

namespace velmor {
namespace corvane {

namespace {

using boardsupport::copyDriverText;

constexpr uint32_t code(uint32_t function, VelmorReason reason) {
    return VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_DIGIO, function, reason);
}

constexpr uint32_t kEnableInterrupt = code(VELMOR_FUNCTION_ENABLE_INTERRUPT, VELMOR_REASON_NOT_SUPPORTED);
constexpr uint32_t kDisableInterrupt = code(VELMOR_FUNCTION_DISABLE_INTERRUPT, VELMOR_REASON_NOT_SUPPORTED);
// The port check has a function number of its own, without a name.
constexpr uint32_t kPortFunction = 46;
constexpr uint32_t kPortRange = code(kPortFunction, VELMOR_REASON_INVALID_ID);
constexpr uint32_t kChannelRange = code(VELMOR_FUNCTION_CHANNEL_RANGE, VELMOR_REASON_OUT_OF_BOUNDS);
constexpr uint32_t kOutputValue = code(VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_INVALID_PARAMETER);
constexpr uint32_t kOutputMemory = code(VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_INVALID_STATE);
constexpr uint32_t kOutputMask = code(VELMOR_FUNCTION_WRITE_DIGOUT, VELMOR_REASON_OUT_OF_BOUNDS);

const char kNoInterruptsMessage[] = "KELO42XX does not support interrupts";
const char kOutputValueMessage[] = "Invalid output value: must be 0 or 1";
const char kBigModel[] = "kelo4210";

}  // namespace

KELO42XX::KELO42XX(int handle) : DeviceInterface(handle), DigitalPortImpl(), TestInterface(handle) {
    updateInfo();
    initPlugins();
    setOutputMemoryOn();
}

KELO42XX::~KELO42XX() = default;

void KELO42XX::updateInfo() {
    DeviceInterface::updateInfo();
    VelmorDeviceStruct information = n_KELO_42xx::kelo42xx_default_infos;

    IoctlGetDeviceInformationsStruct driverInformation;
    std::memset(&driverInformation, 0, sizeof driverInformation);
    // A driver failure passes unchanged: the board cannot start without its information.
    ioctlCall(IoctlGetDeviceInformations, &driverInformation, sizeof driverInformation);

    std::memcpy(&information.bus, &driverInformation.bus, sizeof information.bus);
    // The driver's text may fill its whole field without a terminating zero.
    copyDriverText(information.general.product_name, sizeof information.general.product_name,
                   driverInformation.product_name, sizeof driverInformation.product_name);
    const std::string productName(information.general.product_name);
    information.functions.digital = productName == kBigModel ? n_KELO_42xx::kelo42xx_digital_info
                                                             : n_KELO_42xx::kelo4220_digital_info;
    // A product name too long for the identifier field is cut, never overrun.
    std::memset(information.id, 0, sizeof information.id);
    std::snprintf(information.id, sizeof information.id, "%s_%u", productName.c_str(),
                  static_cast<unsigned>(information.bus.number));
    copyDriverText(information.general.firmware_version, sizeof information.general.firmware_version,
                   driverInformation.firmware_version, sizeof driverInformation.firmware_version);
    std::memcpy(information.general.custom_id, driverInformation.custom_id,
                sizeof driverInformation.custom_id);
    // The port boards always report themselves as PCI boards.
    information.general.device_type = VELMOR_DEVICE_PCI;
    setDeviceInformation(information);
}

void KELO42XX::enableDigitalInterrupt() {
    throw CorvaneException(kNoInterruptsMessage, kEnableInterrupt);
}

void KELO42XX::disableDigitalInterrupt() {
    throw CorvaneException(kNoInterruptsMessage, kDisableInterrupt);
}

void KELO42XX::setOutputMemoryOn() {
    DigitalPortImpl::setOutputMemoryOn();
}

void KELO42XX::setOutputMemoryOff() {
    DigitalPortImpl::setOutputMemoryOff();
}

void KELO42XX::checkPort(uint8_t port) {
    const int ports = getDeviceInformation().functions.digital.number_of_ports;
    if (port >= ports) {
        throw CorvaneException(
            "Invalid port_number: out of range. Valid is 0 to " + std::to_string(ports - 1),
            kPortRange);
    }
}

void KELO42XX::setAllDigitalPortsDirections(uint32_t directions) {
    ioctlCall(IoctlSetAllDigitalPortsDirections, &directions, sizeof directions);
}

uint32_t KELO42XX::getAllDigitalPortDirections() {
    uint16_t directions = 0;
    ioctlCall(IoctlGetAllPortsConfiguration, &directions, sizeof directions);
    return directions;
}

uint8_t KELO42XX::readPortValue(unsigned int command, uint8_t port) {
    checkPort(port);
    IoctlPortValueStruct record;
    record.port = port;
    record.value = 0;
    ioctlCall(command, &record, sizeof record);
    return record.value;
}

uint8_t KELO42XX::readAllDigitalInputsFromPort(uint8_t port) {
    return readPortValue(IoctlGetAllDigitalInputsFromPort, port);
}

uint8_t KELO42XX::getDigitalOutputsStatusOnPort(uint8_t port) {
    return readPortValue(IoctlGetDigitalOutputsStatusOnPort, port);
}

void KELO42XX::writeSingleDigitalOutputOnPort(uint8_t channel, uint8_t state, uint8_t port) {
    checkPort(port);
    if (channel > 7) {
        throw CorvaneException("Invalid channel_in_port: must be 0-7", kChannelRange);
    }
    if (state > 1) {
        throw CorvaneException(kOutputValueMessage, kOutputValue);
    }
    if (state == 0 && !outputMemory) {
        throw CorvaneException("Cannot write output to 0 when DigitalOutputMemory is disabled",
                               kOutputMemory);
    }
    IoctlSetDigitalOutputsOnPortStruct record;
    record.port = port;
    record.mask = static_cast<uint8_t>(1u << channel);
    record.memory = outputMemory ? 1 : 0;
    record.state = state;
    ioctlCall(IoctlSetDigitalOutputsOnPort, &record, sizeof record);
}

void KELO42XX::writeAllDigitalOutputsOnPort(uint8_t mask, uint8_t state, uint8_t port) {
    if (state > 1) {
        throw CorvaneException(kOutputValueMessage, kOutputValue);
    }
    const DigitalInformations digital = getDeviceInformation().functions.digital;
    // Without ports there are no channels, so any mask bit is out of range.
    const unsigned channelsPerPort =
        digital.number_of_ports == 0 ? 0u : unsigned(digital.number_inputs) / digital.number_of_ports;
    if (channelsPerPort < 8 && (mask >> channelsPerPort) != 0) {
        throw CorvaneException("Invalid output mask: out of range", kOutputMask);
    }
    IoctlSetDigitalOutputsOnPortStruct record;
    record.port = port;
    record.mask = mask;
    record.memory = outputMemory ? 1 : 0;
    record.state = state;
    ioctlCall(IoctlSetDigitalOutputsOnPort, &record, sizeof record);
}

}  // namespace corvane
}  // namespace velmor
