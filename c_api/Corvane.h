/* libCorvane: the public C interface. Compiles as C11 and as C++17.
 * Every function names a board by its device identifier (for example "keloe6100_0")
 * and returns a 32-bit error code, 0 on success; VelmorGetLastError gives the text of
 * the last failure. */
#ifndef CORVANE_H
#define CORVANE_H

#include "CorvaneExport.h"
#include "CorvaneErrors.h"
#include "VelmorTypes.h"
#include "VelmorErrorFunctions.h"
#include "VelmorDeviceFunctions.h"
#include "VelmorCounterFunctions.h"
#include "VelmorDigitalFunctions.h"
#include "VelmorInterruptFunctions.h"
#include "VelmorTimerFunctions.h"
#include "VelmorWatchdogFunctions.h"
#include "VelmorArgParserFunctions.h"
#include "VelmorUtils.h"

#endif
