// Default information tables of the KELO42XX port boards. A board's information update
// starts from a copy of kelo42xx_default_infos, sets the digital record for the model the
// driver reports and overlays the driver's information.
#ifndef CORVANE_KELO42XX_TABLES_H
#define CORVANE_KELO42XX_TABLES_H

#include "CorvaneExport.h"
#include "VelmorTypes.h"

namespace n_KELO_42xx {

// 96 inputs and outputs in 12 ports of 8, no interrupts (the 96-channel kelo4210).
CORVANE_EXPORT extern const DigitalInformations kelo42xx_digital_info;
// Every text empty, device type PCI.
CORVANE_EXPORT extern const VelmorGeneralInformations kelo42xx_general_info;
// The digital table; zeroed timer, watchdog and counter records.
CORVANE_EXPORT extern const VelmorFunctionInformations kelo42xx_functions;
// Identifier "id_not_filled", the tables above and zeroed bus information.
CORVANE_EXPORT extern const VelmorDeviceStruct kelo42xx_default_infos;

// The digital record of the 48-channel kelo4220: 6 ports of 8.
CORVANE_EXPORT extern const DigitalInformations kelo4220_digital_info;

}  // namespace n_KELO_42xx

#endif
