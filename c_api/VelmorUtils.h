/* Console helpers shared by the sample programs, for C callers. Compiles as C11 and as
 * C++17.
 *
 * Output goes to standard output (printf/puts/putchar), input is read line by line from
 * standard input. Option names are long names of options declared with the argument
 * parser (VelmorArgParserAddOption) and parsed before these functions are called.
 * These functions never report errors: invalid entries are answered with a message and
 * asked for again, invalid option values fall back to the prompt.
 *
 * Lines: a line is taken whole, up to its newline (or up to the end of input for a last
 * line without one). A line too long for the reader (more than 255 characters for
 * strings, 63 for numbers) is one entry, not several: it is checked as a whole and, for
 * numbers, rejected; the rest of it never reaches the next question.
 *
 * End of input (or a read error) never makes a function ask forever:
 * - VelmorUtilsPromptString and VelmorUtilsGetValidString return 0 and leave out
 *   untouched;
 * - VelmorUtilsPromptInt, VelmorUtilsPromptHex, VelmorUtilsGetValidInt and
 *   VelmorUtilsGetValidHex return their min;
 * - VelmorUtilsSelectDeviceByCapability returns NULL;
 * - VelmorUtilsSelectMode returns 0 and writes an empty string to out;
 * - VelmorUtilsGetTcwOptionsFromUser ends the selection and returns the mask chosen so
 *   far;
 * - VelmorUtilsExitOnUserInput ends the process at once.
 *
 * Copies into a caller's buffer write at most out_size bytes and always end with a zero
 * at out[out_size - 1]; with a null out or an out_size of 0 nothing is copied.
 *
 * The interrupt callback, the flag and the time stamps are safe for the interrupt thread
 * (which runs the callback) and the main thread (which polls and resets) at once. All
 * other functions are for the program's main thread only. This family keeps its own
 * flag and time stamps, apart from the velmor::corvane::utils functions. */
#ifndef CORVANE_VELMOR_UTILS_H
#define CORVANE_VELMOR_UTILS_H

#include <stddef.h>
#include <stdint.h>

#include "CorvaneExport.h"
#include "VelmorTypes.h"

#if defined(__GNUC__)
#define CORVANE_UTILS_NORETURN __attribute__((noreturn))
#else
#define CORVANE_UTILS_NORETURN
#endif

CORVANE_EXTERN_C_BEGIN

/* Prints "<prompt>  [c1/c2/...]: " (or "<prompt> : " without choices) and reads a line.
 * With count 0 (or null choices) any line, the empty one included, is accepted;
 * otherwise the line must equal one of the choices exactly, and a negative count
 * rejects every line. A rejected line prints "\n[ERROR] Invalid input. Try again." and
 * asks again. Returns 1 with the line copied to out, or 0 at end of input. */
CORVANE_EXPORT int VelmorUtilsPromptString(const char* prompt, const char** choices, int count,
                                           char* out, size_t out_size);

/* Prints "<prompt> [min-max]: " and reads a decimal integer; the whole line must
 * convert (an empty line counts as 0) and lie within min and max inclusive. Rejected
 * lines print "\n[ERROR] Invalid input. Try again." and ask again. Returns min at end of
 * input. */
CORVANE_EXPORT int VelmorUtilsPromptInt(const char* prompt, int min, int max);

/* Prints "<prompt> [0xMIN - 0xMAX]: " and reads a hexadecimal number (an optional 0x;
 * the whole line must convert, an empty line counts as 0; a minus sign is rejected).
 * Rejected lines print "[ERROR] Invalid hex value. Try again." and ask again. Returns min
 * at end of input. */
CORVANE_EXPORT unsigned int VelmorUtilsPromptHex(const char* prompt, unsigned int min,
                                                 unsigned int max);

/* The value of option --<option_name> when it was given with a non-empty value that is
 * one of the choices (any value when count is 0): copied to out, returns 1. Otherwise
 * (after "\n[ERROR] Invalid input. Try again." for a value not among the choices) the
 * result of VelmorUtilsPromptString. */
CORVANE_EXPORT int VelmorUtilsGetValidString(const char* option_name, const char* prompt,
                                             const char** choices, int count, char* out,
                                             size_t out_size);

/* min when min equals max (nothing read, nothing printed). Else the value of
 * --<option_name> when it converts completely and lies within range; a value that does
 * not prints "[WARNING] --<name> value out of range .", and then, as without the
 * option, VelmorUtilsPromptInt decides. */
CORVANE_EXPORT int VelmorUtilsGetValidInt(const char* option_name, const char* prompt, int min,
                                          int max);

/* As VelmorUtilsGetValidInt for hexadecimal values; the warning is
 * "[WARNING] --<name> value out of range [0xMIN - 0xMAX]." */
CORVANE_EXPORT unsigned int VelmorUtilsGetValidHex(const char* option_name, const char* prompt,
                                                   unsigned int min, unsigned int max);

/* Chooses one of count device records (for example from VelmorGetDeviceList) for which
 * capability_test returns nonzero; a null test lets every record qualify.
 * - --<option_name> given: the first qualifying record whose product name equals the
 *   value, else "[WARNING] --<name> does not match any card." and NULL;
 * - no qualifying record: "[ERROR] No <capability_name> compatible device found." and
 *   NULL;
 * - exactly one: "[INFO] One matching device found: <product name>" and that record;
 * - several (any number of them): a numbered list and the prompt "Select device index";
 *   NULL at end of input.
 * The result points into devices. */
CORVANE_EXPORT VelmorDeviceStruct* VelmorUtilsSelectDeviceByCapability(
    VelmorDeviceStruct* devices, int count, const char* option_name,
    int (*capability_test)(VelmorDeviceStruct*), const char* capability_name);

/* Chooses one of count modes: the value of --<option_name> when it names a mode;
 * otherwise (after "[WARNING] --<name> is invalid: <value>" for a value that does not)
 * the list "[i] mode - description" under "--- Select <name> ---" and the index through
 * VelmorUtilsGetValidInt(option_name, "Select <name> index", 0, count - 1), so a single
 * mode is taken without asking. descriptions may be null, and so may any entry of it.
 * Copies the mode to out and returns 1; returns 0 with an empty out at end of input or
 * when there is no mode (count 0 or less, or null modes). */
CORVANE_EXPORT int VelmorUtilsSelectMode(const char* option_name, const char** modes,
                                         const char** descriptions, int count, char* out,
                                         size_t out_size);

/* "us", "ms", "s", "c" (exact) give MICROSECOND, MILLISECOND, SECOND, CUSTOM. Anything
 * else (null included) prints "[ERROR] Invalid timebase: <text>. Use one of: us | ms | s
 * | c" and gives MICROSECOND. */
CORVANE_EXPORT TIMEBASE_UNITS VelmorUtilsParseTimebase(const char* text);

/* Writes the names of the timebases (in the order us, ms, s, c) for which the device's
 * timer or watchdog has a non-zero maximum reload value into names (room for 4; the
 * texts are static) and returns their number; 0 for a null device or array. */
CORVANE_EXPORT int VelmorUtilsGetValidTimebaseList(const VelmorDeviceStruct* device,
                                                   const char** names);

/* An interrupt callback for VelmorSetDeviceInterruptCallback: prints
 * "[INTERRUPT] Callback: source=0x.. | mask=0x.. | elapsed=N.NN ms" (time since the last
 * reset or callback; since the epoch before the first reset) and raises the flag. */
CORVANE_EXPORT void VelmorUtilsInterruptCallback(VelmorDeviceStruct device, InterruptData data);

/* Clears the flag and restarts the elapsed time. */
CORVANE_EXPORT void VelmorUtilsResetInterruptFlag(void);

/* 1 once the callback ran since the last reset, else 0. */
CORVANE_EXPORT int VelmorUtilsHasInterruptHappened(void);

/* Lets the user toggle the timer/counter/watchdog option bits that share a bit with
 * available_options, by their number in a list; an empty line (or the end of input)
 * ends. Returns the selected bits; 0 at once, silently, when available_options is 0. */
CORVANE_EXPORT unsigned int VelmorUtilsGetTcwOptionsFromUser(unsigned int available_options);

/* Prints the table of port_count ports: direction (bit p of directions set: OUTPUT;
 * ports 16 and above have no bit and show INPUT) and value (output ports from
 * output_values, input ports from input_values; 0x00 where the array is null). With
 * port_count 0 only the frame is printed, with "(none)" in the heading. */
CORVANE_EXPORT void VelmorUtilsDisplayAllPortsConfigurations(uint16_t directions,
                                                            const uint8_t* input_values,
                                                            const uint8_t* output_values,
                                                            uint8_t port_count);

/* Prints "Press ENTER to exit ...", waits until standard input has data (a line already
 * buffered counts; the line is not read) or is at its end, and ends the process with
 * exit_status. */
CORVANE_EXPORT CORVANE_UTILS_NORETURN void VelmorUtilsExitOnUserInput(int exit_status);

CORVANE_EXTERN_C_END

#endif
