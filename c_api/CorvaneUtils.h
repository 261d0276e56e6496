// Console helpers shared by the sample programs, for callers of the object interface.
//
// Output goes to std::cout (std::cerr where noted), input is read with std::getline
// from std::cin. Option names are long names of options declared with the argument
// parser (velmor::corvane::ArgParser) and parsed before these functions are called.
// These functions never report errors: invalid entries are answered with a message and
// asked for again, invalid option values fall back to the prompt.
//
// End of input (or a failed std::cin) never makes a function ask forever:
// - promptString and getValidString return an empty string;
// - promptInt, promptHex, getValidInt and getValidHex return their min;
// - selectDeviceByCapability returns an empty pointer;
// - selectMode returns an empty string;
// - getTcwOptionsFromUser ends the selection and returns the mask chosen so far;
// - exitOnUserInput ends the process at once.
//
// The interrupt callback, the flag and the time stamps are safe for the interrupt
// thread (which runs the callback) and the main thread (which polls and resets) at
// once. All other functions are for the program's main thread only. This family keeps
// its own flag and time stamps, apart from the flat VelmorUtils functions.
#ifndef CORVANE_CORVANE_UTILS_H
#define CORVANE_CORVANE_UTILS_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CorvaneExport.h"
#include "Device.h"
#include "VelmorTypes.h"

namespace velmor {
namespace corvane {
namespace utils {

// The timer/counter/watchdog option bits by name (iterated in byte order of the names).
CORVANE_EXPORT extern const std::map<std::string, unsigned int> TCW_OPTIONS_MAP;

// Prints "<prompt> [c1/c2/...]: " (or "<prompt>: " without choices) and reads a line.
// Without choices any line, the empty one included, is accepted; otherwise it must equal
// one of them exactly, and a rejected line prints "\n[ERROR] Invalid input. Try again."
// and asks again.
CORVANE_EXPORT std::string promptString(const std::string& prompt,
                                        const std::vector<std::string>& choices);

// Prints "<prompt> [min-max]: " and reads an integer as std::stoi does (leading blanks
// and a sign accepted, characters after the digits ignored); a line without digits, out
// of the int range or outside min..max prints "\n[ERROR] Invalid input. Try again." and
// asks again.
CORVANE_EXPORT int promptInt(const std::string& prompt, int min, int max);

// Prints "<prompt> [0xmin - 0xmax]: " and reads a hexadecimal number (optional 0x; the
// whole line must convert, an empty line counts as 0; a minus sign is rejected).
// Rejected lines print "\n[ERROR] Invalid hex value. Try again." and ask again.
CORVANE_EXPORT unsigned int promptHex(const std::string& prompt, unsigned int min,
                                      unsigned int max);

// The value of --<optionName> when it was given and is one of the choices (any value
// without choices); otherwise (after "\n[ERROR] Invalid input. Try again." for a value
// not among the choices) promptString.
CORVANE_EXPORT std::string getValidString(const std::string& optionName, const std::string& prompt,
                                          const std::vector<std::string>& choices);

// min when min equals max (nothing read or printed). Else the value of --<optionName>
// when it converts (std::stoi rules) within range; any other value prints
// "[WARNING] --<name> value out of range." and then, as without the option, promptInt
// decides.
CORVANE_EXPORT int getValidInt(const std::string& optionName, const std::string& prompt, int min,
                               int max);

// As getValidInt for hexadecimal values (whole value must convert); the warning
// "[WARNING] --<name> value out of range [0xmin - 0xmax]." goes to std::cerr.
CORVANE_EXPORT unsigned int getValidHex(const std::string& optionName, const std::string& prompt,
                                        unsigned int min, unsigned int max);

// Chooses one of the devices for which capabilityTest returns true (a null test lets
// every device qualify; empty pointers in the vector are skipped):
// - --<optionName> given with a value: the first qualifying device whose product name
//   equals it, else "[WARNING] --<name> does not match any card." and an empty pointer;
// - none qualifies: "[ERROR] No <capabilityName> compatible device found." and an empty
//   pointer;
// - exactly one: "[INFO] One matching device found: <product name>" and that device;
// - several: a numbered list and the prompt "Select device index"; an empty pointer at
//   end of input.
CORVANE_EXPORT std::shared_ptr<Device> selectDeviceByCapability(
    const std::vector<std::shared_ptr<Device>>& devices, const std::string& optionName,
    bool (*capabilityTest)(const std::shared_ptr<Device>&), const std::string& capabilityName);

// Chooses one of the modes: the value of --<optionName> when it names a mode; otherwise
// (after "[WARNING] --<name> is invalid: <value>" for a value that does not) the list
// "[i] mode - description" (a description where i < descriptions.size()) under
// "--- Select <name> ---" and the index through getValidInt(optionName,
// "Select <name> index", 0, size - 1), so a single mode is taken without asking. An
// empty string at end of input or when there is no mode.
CORVANE_EXPORT std::string selectMode(const std::string& optionName,
                                      const std::vector<std::string>& modes,
                                      const std::vector<std::string>& descriptions);

// "us", "ms", "s", "c" (exact) give MICROSECOND, MILLISECOND, SECOND, CUSTOM; anything
// else prints "[ERROR] Invalid timebase: <text>. Use one of: us | ms | s | c" on
// std::cerr and gives MICROSECOND.
CORVANE_EXPORT TIMEBASE_UNITS parseTimebase(const std::string& text);

// The names of the timebases (in the order us, ms, s, c) for which the device's timer or
// watchdog has a non-zero maximum reload value; empty for an empty pointer.
CORVANE_EXPORT std::vector<std::string> getValidTimebaseList(const std::shared_ptr<Device>& device);

// An interrupt callback: prints "[INTERRUPT] Callback: source=0x.. | mask=0x.. |
// elapsed=N ms" (time since the last reset or callback; since the epoch before the first
// reset) and raises the flag.
CORVANE_EXPORT void interruptCallback(VelmorDeviceStruct device, InterruptData data);

// Clears the flag and restarts the elapsed time.
CORVANE_EXPORT void resetInterruptFlag();

// True once the callback ran since the last reset.
CORVANE_EXPORT bool hasInterruptHappened();

// Lets the user toggle the option bits of TCW_OPTIONS_MAP that share a bit with
// availableOptions, by their number in a list; an empty line (or the end of input) ends.
// Returns the selected bits; 0 at once, silently, when availableOptions is 0.
CORVANE_EXPORT unsigned int getTcwOptionsFromUser(unsigned int availableOptions);

// Prints the table of portCount ports: direction (bit p of directions set: OUTPUT;
// ports 16 and above have no bit and show INPUT) and value (output ports from
// outputValues, input ports from inputValues; 0x00 where the array is null). With
// portCount 0 only the frame is printed, with "(none)" in the heading.
CORVANE_EXPORT void displayAllPortsConfigurations(unsigned short directions,
                                                  const unsigned char* inputValues,
                                                  const unsigned char* outputValues,
                                                  unsigned char portCount);

// Prints "Press ENTER to exit ...", waits until standard input has data (a line already
// buffered counts; the line is not read) or is at its end, and ends the process with
// exitStatus.
[[noreturn]] CORVANE_EXPORT void exitOnUserInput(int exitStatus);

}  // namespace utils
}  // namespace corvane
}  // namespace velmor

#endif
