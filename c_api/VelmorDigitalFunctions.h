/* Digital inputs and outputs of a board, from C. Compiles as C11 and as C++17.
 *
 * deviceName is the board's identifier (for example "keloe6100_0"). Only the low 8 bits
 * of a channel, port or 8-bit value count (channel 0x105 is channel 5); a state or flag
 * is on when its low 8 bits are not 0. Every function returns 0 on success or the error
 * code of the failure (text through VelmorGetLastError); outputs are written only on
 * success. A null device name or output pointer returns 0x80000E03.
 *
 * Channel boards answer the channel functions, port boards (lines grouped in 8-bit
 * ports) the ...OnPort / ...Port... functions; the other kind returns 0x80000E05. The
 * first three functions serve both kinds. */
#ifndef CORVANE_VELMOR_DIGITAL_FUNCTIONS_H
#define CORVANE_VELMOR_DIGITAL_FUNCTIONS_H

#include <stdint.h>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

CORVANE_EXTERN_C_BEGIN

/* ---- Channel and port boards ---------------------------------------------------- */

CORVANE_EXPORT uint32_t VelmorEnableDigitalInterrupt(const char* deviceName);
CORVANE_EXPORT uint32_t VelmorDisableDigitalInterrupt(const char* deviceName);
/* flag 1 keeps the outputs' states across writes (output memory on), 0 turns it off.
 * Any other value of its low 8 bits returns 0x82002311 without touching the board and
 * without changing the last error text. */
CORVANE_EXPORT uint32_t VelmorSetOutputMemory(const char* deviceName, int flag);

/* ---- Channel boards (bit n of a mask or word is channel n) ---------------------- */

/* *value becomes 1 when the input is on, else 0. */
CORVANE_EXPORT uint32_t VelmorReadSingleDigitalInput(const char* deviceName, int channel,
                                                     uint8_t* value);
CORVANE_EXPORT uint32_t VelmorReadAllDigitalInputs(const char* deviceName, uint32_t* value);
CORVANE_EXPORT uint32_t VelmorWriteSingleDigitalOutput(const char* deviceName, int channel,
                                                       int state);
/* Switches every output of mask on (state not 0) or off. */
CORVANE_EXPORT uint32_t VelmorWriteAllDigitalOutputs(const char* deviceName, uint32_t mask,
                                                     int state);
CORVANE_EXPORT uint32_t VelmorGetDigitalOutputsStatus(const char* deviceName, uint32_t* value);
CORVANE_EXPORT uint32_t VelmorSetInterruptEventForInputs(const char* deviceName, uint32_t mask,
                                                         DIGITAL_EVENT_TYPE event);
CORVANE_EXPORT uint32_t VelmorSetInterruptEventForOneInput(const char* deviceName, int channel,
                                                           DIGITAL_EVENT_TYPE event);
CORVANE_EXPORT uint32_t VelmorSetInterruptLogicForPort(const char* deviceName, int port,
                                                       DIGITAL_EVENT_LOGIC logic);
/* The two output-interrupt flags of the boards that have them, in driver order. */
CORVANE_EXPORT uint32_t VelmorSetDigitalOutputInterrupt(const char* deviceName, int first,
                                                        int second);

/* ---- Port boards (bit n of a direction word is port n, 1 for output) ------------ */

CORVANE_EXPORT uint32_t VelmorSetAllDigitalPortsDirection(const char* deviceName,
                                                          uint32_t directions);
CORVANE_EXPORT uint32_t VelmorGetAllDigitalPortDirections(const char* deviceName,
                                                          uint32_t* directions);
CORVANE_EXPORT uint32_t VelmorReadAllDigitalInputsFromPort(const char* deviceName, int port,
                                                           uint8_t* value);
/* The port number comes last. */
CORVANE_EXPORT uint32_t VelmorWriteSingleDigitalOutputOnPort(const char* deviceName, int channel,
                                                             int state, int port);
CORVANE_EXPORT uint32_t VelmorWriteAllDigitalOutputsOnPort(const char* deviceName, int mask,
                                                           int state, int port);
CORVANE_EXPORT uint32_t VelmorGetDigitalOutputsStatusOnPort(const char* deviceName, int port,
                                                            uint8_t* value);

CORVANE_EXTERN_C_END

#endif
