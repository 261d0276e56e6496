// Default information tables of the KELOE5100 board. A board's information update starts
// from a copy of keloe5100_default_infos and overlays what the driver reports.
#ifndef CORVANE_KELOE5100_TABLES_H
#define CORVANE_KELOE5100_TABLES_H

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace n_KELOe_5100 {

// 32 inputs, no outputs, one port, interrupts on inputs 0 to 15.
CORVANE_EXPORT extern const DigitalInformations keloe5100_digital_info;
// One timer; reload 1..4095 in microseconds, milliseconds and seconds; no custom base.
// The information update keeps it only on the PCI Express variant.
CORVANE_EXPORT extern const TimerInformations keloe5100_timer_info;
// Every text empty, device type PCI; the information update fills them.
CORVANE_EXPORT extern const VelmorGeneralInformations keloe5100_general_info;
// The digital and timer tables; zeroed watchdog and counter records.
CORVANE_EXPORT extern const VelmorFunctionInformations keloe5100_functions;
// Identifier "id_not_filled", the tables above and zeroed bus information.
CORVANE_EXPORT extern const VelmorDeviceStruct keloe5100_default_infos;

}  // namespace n_KELOe_5100

#endif
