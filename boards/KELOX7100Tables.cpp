#include "KELOX7100Tables.h"

#include <cstring>

namespace n_KELOx_7100 {

namespace {

DigitalInformations makeDigital() {
    DigitalInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_inputs = 0;
    info.number_outputs = 32;
    info.number_of_ports = 1;
    info.interrupt_mask = 0;
    return info;
}

WatchdogInformations makeWatchdog(const uint16_t (&maxReload)[4], const uint16_t (&minReload)[4]) {
    WatchdogInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_watchdogs = 1;
    std::memcpy(info.max_reload_value, maxReload, sizeof maxReload);
    std::memcpy(info.min_reload_value, minReload, sizeof minReload);
    info.valid_options = 0;
    return info;
}

// Per time base: microseconds, milliseconds, seconds, custom.
const uint16_t kPcieMax[4] = {4095, 4095, 4095, 0};
const uint16_t kPcieMin[4] = {1, 1, 1, 0};
const uint16_t kPciMax[4] = {0, 5100, 0, 0};
const uint16_t kPciMin[4] = {0, 20, 0, 0};

VelmorGeneralInformations makeGeneral() {
    VelmorGeneralInformations info;
    std::memset(&info, 0, sizeof info);
    return info;
}

VelmorFunctionInformations makeFunctions() {
    VelmorFunctionInformations info;
    std::memset(&info, 0, sizeof info);
    info.digital = kelox7100_digital_info;
    info.watchdog = kelox7100_watchdog_info;
    return info;
}

VelmorDeviceStruct makeDefaultInfos() {
    VelmorDeviceStruct info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.id, "id_not_filled", sizeof info.id - 1);
    info.general = kelox7100_general_info;
    info.functions = kelox7100_functions;
    return info;
}

}  // namespace

// Defined in dependency order: one unit initialises them top to bottom.
const DigitalInformations kelox7100_digital_info = makeDigital();
const WatchdogInformations kelox7100_watchdog_info = makeWatchdog(kPcieMax, kPcieMin);
const VelmorGeneralInformations kelox7100_general_info = makeGeneral();
const VelmorFunctionInformations kelox7100_functions = makeFunctions();
const VelmorDeviceStruct kelox7100_default_infos = makeDefaultInfos();
const WatchdogInformations kelox7100_pcie_watchdog_info = makeWatchdog(kPcieMax, kPcieMin);
const WatchdogInformations kelox7100_pci_watchdog_info = makeWatchdog(kPciMax, kPciMin);

}  // namespace n_KELOx_7100
