/* The counters of a board, from C. Compiles as C11 and as C++17.
 *
 * deviceName is the board's identifier (for example "keloe6100_0"). Only the low 8 bits
 * of a counter number count (0x102 is counter 2). Every function returns 0 on success
 * or the error code of the failure (text through VelmorGetLastError); outputs are
 * written only on success. A board without counters returns 0x80000E05, a null device
 * name or output pointer 0x80000E03. */
#ifndef CORVANE_VELMOR_COUNTER_FUNCTIONS_H
#define CORVANE_VELMOR_COUNTER_FUNCTIONS_H

#include <stdint.h>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

CORVANE_EXTERN_C_BEGIN

/* options: VELMOR_TCW_OPTIONS bits; the board drops those it does not accept. */
CORVANE_EXPORT uint32_t VelmorInitCounter(const char* deviceName, int counter,
                                          uint32_t reloadValue, uint32_t options);
CORVANE_EXPORT uint32_t VelmorStartCounter(const char* deviceName, int counter);
CORVANE_EXPORT uint32_t VelmorStopCounter(const char* deviceName, int counter);
CORVANE_EXPORT uint32_t VelmorReadCounterValue(const char* deviceName, int counter,
                                               uint32_t* value);
/* The three status bytes are the driver's, in the order it returns them. */
CORVANE_EXPORT uint32_t VelmorReadCounterStatus(const char* deviceName, int counter,
                                                uint32_t* value, uint8_t* status1,
                                                uint8_t* status2, uint8_t* status3);
/* Recorded by the board; takes effect at the next start of any unit. */
CORVANE_EXPORT uint32_t VelmorEnableCounterInterrupt(const char* deviceName, int counter);
CORVANE_EXPORT uint32_t VelmorDisableCounterInterrupt(const char* deviceName, int counter);

CORVANE_EXTERN_C_END

#endif
