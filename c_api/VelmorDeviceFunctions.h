/* Listing the boards from C, and provoking a driver error on purpose.
 * Compiles as C11 and as C++17.
 *
 * Every function returns a 32-bit error code: 0 on success, otherwise the code of the
 * failure, whose readable text VelmorGetLastError returns. Output pointers are written
 * only on success. A null device name or output pointer returns 0x80000E03; an internal
 * failure (memory exhausted, no home directory for the log, ...) returns 0x80000E0B. */
#ifndef CORVANE_VELMOR_DEVICE_FUNCTIONS_H
#define CORVANE_VELMOR_DEVICE_FUNCTIONS_H

#include <stdint.h>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

CORVANE_EXTERN_C_BEGIN

/* Writes the number of boards found to *count; it stops at 255 (with more boards the
 * discovery log says how many the count and the list leave out). The first call of any
 * function finds the boards; the list never changes afterwards. */
CORVANE_EXPORT uint32_t VelmorGetNumberOfDevices(unsigned char* count);

/* Writes one device structure per board, in identifier order, to list: exactly as many
 * as VelmorGetNumberOfDevices reports (the first 255 in identifier order when there are
 * more boards; the others stay reachable by their identifier), so list needs room for
 * that many (list may be null when that is 0). */
CORVANE_EXPORT uint32_t VelmorGetDeviceList(VelmorDeviceStruct* list);

/* Writes the device structure of the board whose identifier is deviceName (for example
 * "keloe6100_0") to *information. An unknown name returns 0x80002810. */
CORVANE_EXPORT uint32_t VelmorGetDeviceStructFromDeviceName(const char* deviceName,
                                                            VelmorDeviceStruct* information);

/* Asks the board's driver to fail on purpose; returns the code of that failure
 * (normally 0x86000F08), whose text quotes the driver's own account, or 0 when the
 * driver accepted the command. */
CORVANE_EXPORT uint32_t VelmorTestError(const char* deviceName);

CORVANE_EXTERN_C_END

#endif
