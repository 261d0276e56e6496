/* Hardware interrupts of a board, from C. Compiles as C11 and as C++17.
 *
 * deviceName is the board's identifier (for example "keloe6100_0"). Every function
 * returns 0 on success or the error code of the failure (text through
 * VelmorGetLastError). A board without interrupts returns 0x80000E05, a null device name
 * 0x80000E03.
 *
 * Typical use: set the callback, configure the interrupt sources (digital events,
 * timer/counter/watchdog interrupts), enable device interrupts; disable them before the
 * program ends. */
#ifndef CORVANE_VELMOR_INTERRUPT_FUNCTIONS_H
#define CORVANE_VELMOR_INTERRUPT_FUNCTIONS_H

#include <stdint.h>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

CORVANE_EXTERN_C_BEGIN

/* Called once per interrupt on the board's interrupt thread (never on the thread that
 * set it), with copies of the board's device structure and of the driver's interrupt
 * record; the copies are the callback's own. It may disable interrupts on its own board
 * (the thread then ends when the callback returns), but as every configuration call on a
 * board it must not run while another thread configures that board. */
typedef void (*VelmorInterruptCallback)(VelmorDeviceStruct device, InterruptData data);

/* Replaces the board's callback. Set it while interrupts are disabled. A null callback
 * returns 0x85000201 and keeps the previous one. */
CORVANE_EXPORT uint32_t VelmorSetDeviceInterruptCallback(const char* deviceName,
                                                         VelmorInterruptCallback callback);
/* Starts the board's interrupt thread; a second call while enabled returns 0x85000502. */
CORVANE_EXPORT uint32_t VelmorEnableDeviceInterrupts(const char* deviceName);
/* Clears the board's interrupt sources and stops its interrupt thread (at least 100 ms).
 * Returns 0 once the board was found. */
CORVANE_EXPORT uint32_t VelmorDisableDeviceInterrupts(const char* deviceName);
/* Makes the driver raise one test interrupt. */
CORVANE_EXPORT uint32_t VelmorTestDeviceInterrupts(const char* deviceName);
/* Drops the interrupts the driver still holds. */
CORVANE_EXPORT uint32_t VelmorClearInterruptFifo(const char* deviceName);

CORVANE_EXTERN_C_END

#endif
