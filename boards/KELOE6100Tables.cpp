#include "KELOE6100Tables.h"

#include <cstring>

namespace n_KELOe_6100 {

namespace {

DigitalInformations makeDigital() {
    DigitalInformations info;
    std::memset(&info, 0, sizeof info);
    info.number_inputs = 32;
    info.number_outputs = 32;
    info.number_of_ports = 1;
    info.interrupt_mask = 0x000FFFF0u;
    return info;
}

// Timers and the watchdog share one layout and the same limits.
template <typename Record>
Record makeReloadLimits() {
    Record info;
    std::memset(&info, 0, sizeof info);
    const uint16_t maxReload[4] = {4095, 4095, 4095, 0};
    const uint16_t minReload[4] = {1, 1, 1, 0};
    std::memcpy(info.max_reload_value, maxReload, sizeof maxReload);
    std::memcpy(info.min_reload_value, minReload, sizeof minReload);
    info.valid_options = 0;
    return info;
}

TimerInformations makeTimer() {
    TimerInformations info = makeReloadLimits<TimerInformations>();
    info.number_timers = 2;
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
    info.valid_options = COUNT_DIRECTION_UP | COUNTER_FALLING_EDGE_COUNT | COUNTER_RISING_EDGE_COUNT;
    return info;
}

VelmorGeneralInformations makeGeneral() {
    VelmorGeneralInformations info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.product_name, "keloe6100", sizeof info.product_name - 1);
    info.device_type = VELMOR_DEVICE_PCIE;
    return info;
}

VelmorFunctionInformations makeFunctions() {
    VelmorFunctionInformations info;
    std::memset(&info, 0, sizeof info);
    info.digital = keloe6100_digital_info;
    info.timer = keloe6100_timer_info;
    info.watchdog = keloe6100_watchdog_info;
    info.counter = keloe6100_counter_info;
    return info;
}

VelmorDeviceStruct makeDefaultInfos() {
    VelmorDeviceStruct info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.id, "id_not_filled", sizeof info.id - 1);
    info.general = keloe6100_general_info;
    info.functions = keloe6100_functions;
    return info;
}

}  // namespace

// Defined in dependency order: one unit initialises them top to bottom.
const DigitalInformations keloe6100_digital_info = makeDigital();
const TimerInformations keloe6100_timer_info = makeTimer();
const WatchdogInformations keloe6100_watchdog_info = makeWatchdog();
const CounterInformations keloe6100_counter_info = makeCounter();
const VelmorGeneralInformations keloe6100_general_info = makeGeneral();
const VelmorFunctionInformations keloe6100_functions = makeFunctions();
const VelmorDeviceStruct keloe6100_default_infos = makeDefaultInfos();

}  // namespace n_KELOe_6100
