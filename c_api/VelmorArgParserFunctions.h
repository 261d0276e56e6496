/* The command-line parser of the sample programs for C callers. Compiles as C11 and
 * as C++17.
 *
 * Declare options (which carry a value) and flags (which do not), parse argv once, then
 * ask what was given. Every option requires a value: -d 3, -d3, --device 3,
 * --device=3 or a unique prefix such as --dev 3; a repeated option keeps its last value
 * and a repeated flag stays set. Arguments that are not options are ignored
 * (getopt_long may move them to the end of argv). Parsing again clears the earlier
 * results and keeps the declarations.
 *
 * The short character 0 means "no short form": any number of options and flags may be
 * declared without one; they are reached by their long name only and shown without a
 * short form in the help.
 *
 * These functions may end the process:
 * - declaring a short character already in use (also 'h' once a parse has mapped it to
 *   --help): "[ERROR] Duplicate short option: -c already mapped to --name" on standard
 *   error, status 1; a short character getopt cannot serve (not printable ASCII, or one
 *   of ':' ';' '-' '?') or a long name that is empty or contains '=' is refused the same
 *   way with its own "[ERROR] Invalid ..." line;
 * - a null long name or description given to a declaring function:
 *   "[ERROR] Invalid option declaration: null long name or description", status 1;
 * - -h or --help while parsing: the help text on standard output, status 0;
 * - an unknown or ambiguous option, or an option without its value: getopt_long's own
 *   diagnostic, then "[ERROR] Unknown option: <option>" and
 *   "Use -h or --help to see available options." on standard error, status 1.
 *
 * Not thread-safe: declare, parse and query from the program's main thread. */
#ifndef CORVANE_VELMOR_ARGPARSER_FUNCTIONS_H
#define CORVANE_VELMOR_ARGPARSER_FUNCTIONS_H

#include <stddef.h>

#include "CorvaneExport.h"

CORVANE_EXTERN_C_BEGIN

/* Creates the parser (it exists once per process until exit). */
CORVANE_EXPORT void VelmorArgParserInit(void);

/* Forgets every declaration and result. */
CORVANE_EXPORT void VelmorArgParserClear(void);

/* Declares an option; takes_value nonzero only adds " <value>" to its help line. */
CORVANE_EXPORT void VelmorArgParserAddOption(const char* long_name, char short_name,
                                             const char* description, int takes_value);

/* Declares a flag. */
CORVANE_EXPORT void VelmorArgParserAddFlag(const char* long_name, char short_name,
                                           const char* description);

/* Parses argc/argv (argv may be reordered). A null argv or an argc below 1 only clears
 * the earlier results. */
CORVANE_EXPORT void VelmorArgParserParse(int argc, char** argv);

/* 1 if the flag was given on the last parsed command line, else 0 (also for a name
 * never declared or a null name). */
CORVANE_EXPORT int VelmorArgParserIsFlagSet(const char* long_name);

/* 1 if the option was given on the last parsed command line, else 0 (also for a name
 * never declared or a null name). */
CORVANE_EXPORT int VelmorArgParserIsOptionSet(const char* long_name);

/* If the option was given with a non-empty value, copies at most size - 1 characters
 * of it into buffer (as strncpy does, zero-filling the rest), writes a zero at
 * buffer[size - 1] and returns 1: a longer value is cut to size - 1 characters. Otherwise returns 0 and leaves the buffer untouched; so do a null name, a
 * null buffer and a size of 0. */
CORVANE_EXPORT int VelmorArgParserGetOptionValue(const char* long_name, char* buffer,
                                                 size_t size);

CORVANE_EXTERN_C_END

#endif
