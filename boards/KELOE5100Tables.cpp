#include "KELOE5100Tables.h"

#include <cstring>

namespace n_KELOe_5100 {

namespace {

DigitalInformations makeDigital() {
    DigitalInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_inputs = 32;
    info.number_outputs = 0;
    info.number_of_ports = 1;
    info.interrupt_mask = 0x0000FFFFu;
    return info;
}

TimerInformations makeTimer() {
    TimerInformations info;
    std::memset(&info, 0, sizeof info);
    const uint16_t maxReload[4] = {4095, 4095, 4095, 0};
    const uint16_t minReload[4] = {1, 1, 1, 0};
    std::memcpy(info.max_reload_value, maxReload, sizeof maxReload);
    std::memcpy(info.min_reload_value, minReload, sizeof minReload);
    info.number_timers = 1;
    info.valid_options = 0;
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
    info.digital = keloe5100_digital_info;
    info.timer = keloe5100_timer_info;
    return info;
}

VelmorDeviceStruct makeDefaultInfos() {
    VelmorDeviceStruct info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.id, "id_not_filled", sizeof info.id - 1);
    info.general = keloe5100_general_info;
    info.functions = keloe5100_functions;
    return info;
}

}  // namespace

// Defined in dependency order: one unit initialises them top to bottom.
const DigitalInformations keloe5100_digital_info = makeDigital();
const TimerInformations keloe5100_timer_info = makeTimer();
const VelmorGeneralInformations keloe5100_general_info = makeGeneral();
const VelmorFunctionInformations keloe5100_functions = makeFunctions();
const VelmorDeviceStruct keloe5100_default_infos = makeDefaultInfos();

}  // namespace n_KELOe_5100
