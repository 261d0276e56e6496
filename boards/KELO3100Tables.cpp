#include "KELO3100Tables.h"

#include <cstring>

namespace n_KELO_3100 {

namespace {

constexpr uint32_t unitOptions = SINGLE_CYCLE | EXTERNAL_TRIGGER | HARDWARE_GATE;

DigitalInformations makeDigital() {
    DigitalInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_inputs = 16;
    info.number_outputs = 16;
    info.number_of_ports = 2;
    info.interrupt_mask = 0x3FFFu;
    return info;
}

// Timers and the watchdog share one layout and the same limits.
template <typename Record>
Record makeReloadLimits() {
    Record info;
    std::memset(&info, 0, sizeof info);
    const uint16_t maxReload[4] = {4095, 4095, 75, 65535};
    const uint16_t minReload[4] = {18, 1, 1, 1};
    std::memcpy(info.max_reload_value, maxReload, sizeof maxReload);
    std::memcpy(info.min_reload_value, minReload, sizeof minReload);
    info.valid_options = unitOptions;
    return info;
}

TimerInformations makeTimer() {
    TimerInformations info = makeReloadLimits<TimerInformations>();
    info.number_timers = 3;
    return info;
}

WatchdogInformations makeWatchdog() {
    WatchdogInformations info = makeReloadLimits<WatchdogInformations>();
    info.number_watchdogs = 1;
    return info;
}

CounterInformations makeCounter() {
    CounterInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_counters = 3;
    info.max_reload_value = 65535;
    info.valid_options = unitOptions;
    return info;
}

VelmorGeneralInformations makeGeneral() {
    VelmorGeneralInformations info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.product_name, "kelo3100", sizeof info.product_name - 1);
    info.device_type = VELMOR_DEVICE_PCI;
    return info;
}

VelmorFunctionInformations makeFunctions() {
    VelmorFunctionInformations info;
    std::memset(&info, 0, sizeof info);
    info.digital = kelo3100_digital_info;
    info.timer = kelo3100_timer_info;
    info.watchdog = kelo3100_watchdog_info;
    info.counter = kelo3100_counter_info;
    return info;
}

VelmorDeviceStruct makeDefaultInfos() {
    VelmorDeviceStruct info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.id, "id_not_filled", sizeof info.id - 1);
    info.general = kelo3100_general_info;
    info.functions = kelo3100_functions;
    return info;
}

}  // namespace

// Defined in dependency order: one unit initialises them top to bottom.
const DigitalInformations kelo3100_digital_info = makeDigital();
const TimerInformations kelo3100_timer_info = makeTimer();
const WatchdogInformations kelo3100_watchdog_info = makeWatchdog();
const CounterInformations kelo3100_counter_info = makeCounter();
const VelmorGeneralInformations kelo3100_general_info = makeGeneral();
const VelmorFunctionInformations kelo3100_functions = makeFunctions();
const VelmorDeviceStruct kelo3100_default_infos = makeDefaultInfos();

}  // namespace n_KELO_3100
