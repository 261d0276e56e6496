// Default information tables of the KELOX7100 board. A board's information update starts
// from a copy of kelox7100_default_infos, replaces the watchdog limits by those of the
// variant the driver reports and overlays the driver's information.
#ifndef CORVANE_KELOX7100_TABLES_H
#define CORVANE_KELOX7100_TABLES_H

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace n_KELOx_7100 {

// No inputs, 32 outputs, one port, no interruptible inputs.
CORVANE_EXPORT extern const DigitalInformations kelox7100_digital_info;
// One watchdog; reload 1..4095 in microseconds, milliseconds and seconds; no custom base.
CORVANE_EXPORT extern const WatchdogInformations kelox7100_watchdog_info;
// Every text empty.
CORVANE_EXPORT extern const VelmorGeneralInformations kelox7100_general_info;
// The digital table, a zeroed timer record, the watchdog table, a zeroed counter record.
CORVANE_EXPORT extern const VelmorFunctionInformations kelox7100_functions;
// Identifier "id_not_filled", the tables above and zeroed bus information.
CORVANE_EXPORT extern const VelmorDeviceStruct kelox7100_default_infos;

// The watchdog limits the information update stores per variant: PCI Express as the
// table above; PCI only milliseconds from 20 to 5100.
CORVANE_EXPORT extern const WatchdogInformations kelox7100_pcie_watchdog_info;
CORVANE_EXPORT extern const WatchdogInformations kelox7100_pci_watchdog_info;

}  // namespace n_KELOx_7100

#endif
