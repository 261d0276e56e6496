// Default information tables of the KELO3100 board. The board's information update starts
// from a copy of kelo3100_default_infos and overlays what the driver reports.
#ifndef CORVANE_KELO3100_TABLES_H
#define CORVANE_KELO3100_TABLES_H

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace n_KELO_3100 {

// 16 inputs, 16 outputs, two 8-bit ports, interrupts on inputs 0 to 13.
CORVANE_EXPORT extern const DigitalInformations kelo3100_digital_info;
// Three timers. Reload limits per time base (MICROSECOND, MILLISECOND, SECOND, CUSTOM):
// 18..4095, 1..4095, 1..75, 1..65535; options SINGLE_CYCLE, EXTERNAL_TRIGGER and
// HARDWARE_GATE (0x0E).
CORVANE_EXPORT extern const TimerInformations kelo3100_timer_info;
// One watchdog (the third unit in watchdog mode), same limits and options as the timers.
CORVANE_EXPORT extern const WatchdogInformations kelo3100_watchdog_info;
// Three counters up to 65535, options 0x0E.
CORVANE_EXPORT extern const CounterInformations kelo3100_counter_info;
// Product name "kelo3100", device type PCI, every other text empty.
CORVANE_EXPORT extern const VelmorGeneralInformations kelo3100_general_info;
CORVANE_EXPORT extern const VelmorFunctionInformations kelo3100_functions;
// Identifier "id_not_filled", the tables above and zeroed bus information.
CORVANE_EXPORT extern const VelmorDeviceStruct kelo3100_default_infos;

}  // namespace n_KELO_3100

#endif
