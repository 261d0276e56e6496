// Default information tables of the KELOE6100 board. A board's information update starts
// from a copy of keloe6100_default_infos and overlays what the driver reports.
#ifndef CORVANE_KELOE6100_TABLES_H
#define CORVANE_KELOE6100_TABLES_H

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace n_KELOe_6100 {

// 32 inputs, 32 outputs, one port, interrupts on inputs 4 to 19.
CORVANE_EXPORT extern const DigitalInformations keloe6100_digital_info;
// Two timers; reload 1..4095 in microseconds, milliseconds and seconds; no custom base.
CORVANE_EXPORT extern const TimerInformations keloe6100_timer_info;
// One watchdog (timer 0 in watchdog mode), same limits as the timers.
CORVANE_EXPORT extern const WatchdogInformations keloe6100_watchdog_info;
// Three counters up to 65535; options COUNT_DIRECTION_UP and both edge counts (0x31).
CORVANE_EXPORT extern const CounterInformations keloe6100_counter_info;
// Product name "keloe6100", device type PCI Express, every other text empty.
CORVANE_EXPORT extern const VelmorGeneralInformations keloe6100_general_info;
CORVANE_EXPORT extern const VelmorFunctionInformations keloe6100_functions;
// Identifier "id_not_filled", the tables above and zeroed bus information.
CORVANE_EXPORT extern const VelmorDeviceStruct keloe6100_default_infos;

}  // namespace n_KELOe_6100

#endif
