#include "KELO42XXTables.h"

#include <cstring>

namespace n_KELO_42xx {

namespace {

DigitalInformations makeDigital(uint8_t ports) {
    DigitalInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_inputs = static_cast<uint8_t>(ports * 8);
    info.number_outputs = static_cast<uint8_t>(ports * 8);
    info.number_of_ports = ports;
    info.interrupt_mask = 0;
    return info;
}

VelmorGeneralInformations makeGeneral() {
    VelmorGeneralInformations info;
    std::memset(&info, 0, sizeof info);
    info.device_type = VELMOR_DEVICE_PCI;
    return info;
}

VelmorFunctionInformations makeFunctions() {
    VelmorFunctionInformations info;
    std::memset(&info, 0, sizeof info);
    info.digital = kelo42xx_digital_info;
    return info;
}

VelmorDeviceStruct makeDefaultInfos() {
    VelmorDeviceStruct info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.id, "id_not_filled", sizeof info.id - 1);
    info.general = kelo42xx_general_info;
    info.functions = kelo42xx_functions;
    return info;
}

}  // namespace

// Defined in dependency order: one unit initialises them top to bottom.
const DigitalInformations kelo42xx_digital_info = makeDigital(12);
const VelmorGeneralInformations kelo42xx_general_info = makeGeneral();
const VelmorFunctionInformations kelo42xx_functions = makeFunctions();
const VelmorDeviceStruct kelo42xx_default_infos = makeDefaultInfos();
const DigitalInformations kelo4220_digital_info = makeDigital(6);

}  // namespace n_KELO_42xx
