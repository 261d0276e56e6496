#include "VelmorDigitalFunctions.h"

#include "CApiFrame.h"
#include "DigitalIOCommonInterface.h"
#include "DigitalIOInterface.h"
#include "DigitalIOPortsInterface.h"

using velmor::corvane::DigitalIOCommonInterface;
using velmor::corvane::DigitalIOInterface;
using velmor::corvane::DigitalIOPortsInterface;
namespace capi = velmor::corvane::capi;

namespace {
constexpr const char* kCommon = "digital I/O";
constexpr const char* kChannels = "digital I/O channels";
constexpr const char* kPorts = "digital I/O ports";

constexpr uint32_t kInvalidOutputMemoryFlag =
    VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_SET_OUTPUT_MEMORY,
                      VELMOR_REASON_INVALID_OPTION);
}  // namespace

// ---- Channel and port boards -------------------------------------------------------

extern "C" uint32_t VelmorEnableDigitalInterrupt(const char* deviceName) {
    return capi::callOn<DigitalIOCommonInterface>(
        __func__, deviceName, kCommon, {},
        [](DigitalIOCommonInterface& digital) { digital.enableDigitalInterrupt(); });
}

extern "C" uint32_t VelmorDisableDigitalInterrupt(const char* deviceName) {
    return capi::callOn<DigitalIOCommonInterface>(
        __func__, deviceName, kCommon, {},
        [](DigitalIOCommonInterface& digital) { digital.disableDigitalInterrupt(); });
}

extern "C" uint32_t VelmorSetOutputMemory(const char* deviceName, int flag) {
    return capi::callOn<DigitalIOCommonInterface>(
        __func__, deviceName, kCommon, {}, [&](DigitalIOCommonInterface& digital) -> uint32_t {
            switch (capi::low8(flag)) {
                case 1:
                    digital.setOutputMemoryOn();
                    return 0;
                case 0:
                    digital.setOutputMemoryOff();
                    return 0;
                default:
                    // Rejected without an exception: the last error text stays as it was.
                    return kInvalidOutputMemoryFlag;
            }
        });
}

// ---- Channel boards --------------------------------------------------------------------

extern "C" uint32_t VelmorReadSingleDigitalInput(const char* deviceName, int channel,
                                                 uint8_t* value) {
    return capi::callOn<DigitalIOInterface>(__func__, deviceName, kChannels, {value},
                                            [&](DigitalIOInterface& digital) {
                                                const bool on = digital.readSingleDigitalInput(
                                                    capi::low8(channel));
                                                *value = on ? 1 : 0;
                                            });
}

extern "C" uint32_t VelmorReadAllDigitalInputs(const char* deviceName, uint32_t* value) {
    return capi::callOn<DigitalIOInterface>(__func__, deviceName, kChannels, {value},
                                            [&](DigitalIOInterface& digital) {
                                                const uint32_t word = digital.readAllDigitalInput();
                                                *value = word;
                                            });
}

extern "C" uint32_t VelmorWriteSingleDigitalOutput(const char* deviceName, int channel,
                                                   int state) {
    return capi::callOn<DigitalIOInterface>(
        __func__, deviceName, kChannels, {}, [&](DigitalIOInterface& digital) {
            digital.writeSingleDigitalOutput(capi::low8(channel), capi::flag(state));
        });
}

extern "C" uint32_t VelmorWriteAllDigitalOutputs(const char* deviceName, uint32_t mask,
                                                 int state) {
    return capi::callOn<DigitalIOInterface>(
        __func__, deviceName, kChannels, {},
        [&](DigitalIOInterface& digital) { digital.writeAllDigitalOutput(mask, capi::flag(state)); });
}

extern "C" uint32_t VelmorGetDigitalOutputsStatus(const char* deviceName, uint32_t* value) {
    return capi::callOn<DigitalIOInterface>(__func__, deviceName, kChannels, {value},
                                            [&](DigitalIOInterface& digital) {
                                                const uint32_t word =
                                                    digital.getDigitalOutputStatus();
                                                *value = word;
                                            });
}

extern "C" uint32_t VelmorSetInterruptEventForInputs(const char* deviceName, uint32_t mask,
                                                     DIGITAL_EVENT_TYPE event) {
    return capi::callOn<DigitalIOInterface>(
        __func__, deviceName, kChannels, {},
        [&](DigitalIOInterface& digital) { digital.setInterruptEventForInputs(mask, event); });
}

extern "C" uint32_t VelmorSetInterruptEventForOneInput(const char* deviceName, int channel,
                                                       DIGITAL_EVENT_TYPE event) {
    return capi::callOn<DigitalIOInterface>(
        __func__, deviceName, kChannels, {}, [&](DigitalIOInterface& digital) {
            digital.setInterruptEventForOneInput(capi::low8(channel), event);
        });
}

extern "C" uint32_t VelmorSetInterruptLogicForPort(const char* deviceName, int port,
                                                   DIGITAL_EVENT_LOGIC logic) {
    return capi::callOn<DigitalIOInterface>(
        __func__, deviceName, kChannels, {}, [&](DigitalIOInterface& digital) {
            digital.setInterruptLogicForPort(capi::low8(port), logic);
        });
}

extern "C" uint32_t VelmorSetDigitalOutputInterrupt(const char* deviceName, int first,
                                                    int second) {
    return capi::callOn<DigitalIOInterface>(
        __func__, deviceName, kChannels, {}, [&](DigitalIOInterface& digital) {
            digital.setOutputInterrupt(capi::flag(first), capi::flag(second));
        });
}

// ---- Port boards -------------------------------------------------------------------------

extern "C" uint32_t VelmorSetAllDigitalPortsDirection(const char* deviceName,
                                                      uint32_t directions) {
    return capi::callOn<DigitalIOPortsInterface>(
        __func__, deviceName, kPorts, {},
        [&](DigitalIOPortsInterface& ports) { ports.setAllDigitalPortsDirections(directions); });
}

extern "C" uint32_t VelmorGetAllDigitalPortDirections(const char* deviceName,
                                                      uint32_t* directions) {
    return capi::callOn<DigitalIOPortsInterface>(__func__, deviceName, kPorts, {directions},
                                                 [&](DigitalIOPortsInterface& ports) {
                                                     const uint32_t word =
                                                         ports.getAllDigitalPortDirections();
                                                     *directions = word;
                                                 });
}

extern "C" uint32_t VelmorReadAllDigitalInputsFromPort(const char* deviceName, int port,
                                                       uint8_t* value) {
    return capi::callOn<DigitalIOPortsInterface>(
        __func__, deviceName, kPorts, {value}, [&](DigitalIOPortsInterface& ports) {
            const uint8_t byte = ports.readAllDigitalInputsFromPort(capi::low8(port));
            *value = byte;
        });
}

extern "C" uint32_t VelmorWriteSingleDigitalOutputOnPort(const char* deviceName, int channel,
                                                         int state, int port) {
    return capi::callOn<DigitalIOPortsInterface>(
        __func__, deviceName, kPorts, {}, [&](DigitalIOPortsInterface& ports) {
            ports.writeSingleDigitalOutputOnPort(capi::low8(channel), capi::low8(state),
                                                 capi::low8(port));
        });
}

extern "C" uint32_t VelmorWriteAllDigitalOutputsOnPort(const char* deviceName, int mask, int state,
                                                       int port) {
    return capi::callOn<DigitalIOPortsInterface>(
        __func__, deviceName, kPorts, {}, [&](DigitalIOPortsInterface& ports) {
            ports.writeAllDigitalOutputsOnPort(capi::low8(mask), capi::low8(state),
                                               capi::low8(port));
        });
}

extern "C" uint32_t VelmorGetDigitalOutputsStatusOnPort(const char* deviceName, int port,
                                                        uint8_t* value) {
    return capi::callOn<DigitalIOPortsInterface>(
        __func__, deviceName, kPorts, {value}, [&](DigitalIOPortsInterface& ports) {
            const uint8_t byte = ports.getDigitalOutputsStatusOnPort(capi::low8(port));
            *value = byte;
        });
}
