/* The watchdogs of a board, from C. Compiles as C11 and as C++17.
 *
 * deviceName is the board's identifier (for example "keloe6100_0"). Only the low 8 bits
 * of a watchdog number count. Every function returns 0 on success or the error code of
 * the failure (text through VelmorGetLastError); outputs are written only on success. A
 * board without a watchdog returns 0x80000E05, a null device name or output pointer
 * 0x80000E03. */
#ifndef CORVANE_VELMOR_WATCHDOG_FUNCTIONS_H
#define CORVANE_VELMOR_WATCHDOG_FUNCTIONS_H

#include <stdint.h>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

CORVANE_EXTERN_C_BEGIN

/* reloadValue is counted in units of timebase; its limits depend on the board and the
 * time base. options: VELMOR_TCW_OPTIONS bits; the board drops those it does not accept. */
CORVANE_EXPORT uint32_t VelmorInitWatchdog(const char* deviceName, int watchdog,
                                           TIMEBASE_UNITS timebase, uint16_t reloadValue,
                                           uint32_t options);
CORVANE_EXPORT uint32_t VelmorStartWatchdog(const char* deviceName, int watchdog);
CORVANE_EXPORT uint32_t VelmorStopWatchdog(const char* deviceName, int watchdog);
/* Restarts the count before it runs out. */
CORVANE_EXPORT uint32_t VelmorTriggerWatchdog(const char* deviceName, int watchdog);
CORVANE_EXPORT uint32_t VelmorReadWatchdogValue(const char* deviceName, int watchdog,
                                                uint32_t* value);
/* The three status bytes are the driver's, in the order it returns them. */
CORVANE_EXPORT uint32_t VelmorReadWatchdogStatus(const char* deviceName, int watchdog,
                                                 uint32_t* value, uint8_t* status1,
                                                 uint8_t* status2, uint8_t* status3);
/* Recorded by the board; takes effect at the next start of any unit. */
CORVANE_EXPORT uint32_t VelmorEnableWatchdogInterrupt(const char* deviceName, int watchdog);
CORVANE_EXPORT uint32_t VelmorDisableWatchdogInterrupt(const char* deviceName, int watchdog);

CORVANE_EXTERN_C_END

#endif
