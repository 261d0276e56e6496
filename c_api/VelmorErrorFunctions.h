/* The last error of libCorvane for C callers. Compiles as C11 and as C++17. */
#ifndef CORVANE_VELMOR_ERROR_FUNCTIONS_H
#define CORVANE_VELMOR_ERROR_FUNCTIONS_H

#include <stddef.h>

#include "CorvaneExport.h"

CORVANE_EXTERN_C_BEGIN

/* Copies the readable text of the most recent failure (in any thread) into buffer,
 * which must hold length + 1 bytes, and returns the number of characters written.
 * A null buffer, a length of 0 or a length shorter than the text writes nothing,
 * returns 0 and makes this failure (code 0x80002603, "error_message is Null") the
 * last error, so a retry with a larger buffer returns that text. */
CORVANE_EXPORT size_t VelmorGetLastError(char* buffer, size_t length);

/* Writes the last error text and a newline to standard output; returns 0. */
CORVANE_EXPORT int VelmorPrintLastError(void);

CORVANE_EXTERN_C_END

#endif
