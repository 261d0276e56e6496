// The console helpers of the sample programs for the object interface
// (velmor::corvane::utils), with their own flag and time stamps.
#include "CorvaneUtils.h"

#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <mutex>
#include <sstream>

#include "CorvaneArgParser.h"
#include "UtilsSupport.h"

namespace velmor {
namespace corvane {
namespace utils {

const std::map<std::string, unsigned int> TCW_OPTIONS_MAP = {
    {"COUNT_DIRECTION_DOWN", COUNT_DIRECTION_DOWN},
    {"COUNT_DIRECTION_UP", COUNT_DIRECTION_UP},
    {"SINGLE_CYCLE", SINGLE_CYCLE},
    {"EXTERNAL_TRIGGER", EXTERNAL_TRIGGER},
    {"HARDWARE_GATE", HARDWARE_GATE},
    {"COUNTER_FALLING_EDGE_COUNT", COUNTER_FALLING_EDGE_COUNT},
    {"COUNTER_RISING_EDGE_COUNT", COUNTER_RISING_EDGE_COUNT},
    {"COUNTER_BOTH_EDGE_COUNT", COUNTER_BOTH_EDGE_COUNT},
};

namespace {

using velmor::corvane::utils_support::field;
using velmor::corvane::utils_support::parseWholeHex;
using velmor::corvane::utils_support::productName;

// Written by the interrupt thread, read and cleared by the main thread.
std::atomic<bool> interrupt_happened_flag{false};
// t1: time of the last reset or callback; t2: time read by the current callback. Both
// are read and written under timeMutex only.
std::mutex timeMutex;
struct timeval t1 = {0, 0};
struct timeval t2 = {0, 0};

const char* const kTimebaseNames[4] = {"us", "ms", "s", "c"};

// One whole line from std::cin, without its newline; false at the end of input.
bool readLine(std::string& line) {
    std::cout.flush();
    return static_cast<bool>(std::getline(std::cin, line));
}

// std::stoi's rules: leading blanks and a sign, then digits; what follows them is
// ignored. No digits or a value outside int: not a number.
bool parseStoi(const std::string& value, int& result) {
    const char* begin = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long converted = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || converted < INT_MIN || converted > INT_MAX) {
        return false;
    }
    result = static_cast<int>(converted);
    return true;
}

std::string hex(unsigned long value, bool upper = false) {
    std::ostringstream text;
    if (upper) {
        text << std::uppercase;
    }
    text << std::hex << value;
    return text.str();
}

void printStringPrompt(const std::string& prompt, const std::vector<std::string>& choices) {
    std::string line = prompt;
    if (!choices.empty()) {
        line += " [";
        for (std::size_t i = 0; i < choices.size(); ++i) {
            if (i > 0) {
                line += "/";
            }
            line += choices[i];
        }
        line += "]";
    }
    std::cout << line << ": ";
}

bool isChoice(const std::string& value, const std::vector<std::string>& choices) {
    if (choices.empty()) {
        return true;
    }
    for (const std::string& choice : choices) {
        if (value == choice) {
            return true;
        }
    }
    return false;
}

int promptIntUntilEnd(const std::string& prompt, int min, int max, bool& ended) {
    std::string line;
    for (;;) {
        std::cout << prompt << " [" << min << "-" << max << "]" << ": ";
        if (!readLine(line)) {
            ended = true;
            return min;
        }
        int value = 0;
        if (parseStoi(line, value) && value >= min && value <= max) {
            return value;
        }
        std::cout << "\n[ERROR] Invalid input. Try again.\n";
    }
}

int validIntUntilEnd(const std::string& optionName, const std::string& prompt, int min, int max,
                     bool& ended) {
    if (min == max) {
        return min;
    }
    if (ArgParser::isOptionSet(optionName)) {
        int value = 0;
        if (parseStoi(ArgParser::getOptionValue(optionName), value) && value >= min &&
            value <= max) {
            return value;
        }
        std::cout << "[WARNING] --" << optionName << " value out of range.\n";
    }
    return promptIntUntilEnd(prompt, min, max, ended);
}

}  // namespace

std::string promptString(const std::string& prompt, const std::vector<std::string>& choices) {
    std::string line;
    printStringPrompt(prompt, choices);
    while (readLine(line)) {
        if (isChoice(line, choices)) {
            return line;
        }
        std::cout << "\n[ERROR] Invalid input. Try again.\n";
        printStringPrompt(prompt, choices);
    }
    return std::string();
}

int promptInt(const std::string& prompt, int min, int max) {
    bool ended = false;
    return promptIntUntilEnd(prompt, min, max, ended);
}

unsigned int promptHex(const std::string& prompt, unsigned int min, unsigned int max) {
    std::string line;
    for (;;) {
        std::cout << prompt << " [0x" << hex(min) << " - 0x" << hex(max) << "]: ";
        if (!readLine(line)) {
            return min;
        }
        unsigned long value = 0;
        if (parseWholeHex(line, value) && value >= min && value <= max) {
            return static_cast<unsigned int>(value);
        }
        std::cout << "\n[ERROR] Invalid hex value. Try again.\n";
    }
}

std::string getValidString(const std::string& optionName, const std::string& prompt,
                           const std::vector<std::string>& choices) {
    if (ArgParser::isOptionSet(optionName)) {
        const std::string value = ArgParser::getOptionValue(optionName);
        if (isChoice(value, choices)) {
            return value;
        }
        std::cout << "\n[ERROR] Invalid input. Try again.\n";
    }
    return promptString(prompt, choices);
}

int getValidInt(const std::string& optionName, const std::string& prompt, int min, int max) {
    bool ended = false;
    return validIntUntilEnd(optionName, prompt, min, max, ended);
}

unsigned int getValidHex(const std::string& optionName, const std::string& prompt,
                         unsigned int min, unsigned int max) {
    if (min == max) {
        return min;
    }
    if (ArgParser::isOptionSet(optionName)) {
        unsigned long value = 0;
        if (parseWholeHex(ArgParser::getOptionValue(optionName), value) && value >= min &&
            value <= max) {
            return static_cast<unsigned int>(value);
        }
        std::cerr << "[WARNING] --" + optionName + " value out of range [0x" + hex(min) +
                         " - 0x" + hex(max) + "].\n";
    }
    return promptHex(prompt, min, max);
}

std::shared_ptr<Device> selectDeviceByCapability(
    const std::vector<std::shared_ptr<Device>>& devices, const std::string& optionName,
    bool (*capabilityTest)(const std::shared_ptr<Device>&), const std::string& capabilityName) {
    const auto qualifies = [&](const std::shared_ptr<Device>& device) {
        return device != nullptr && (capabilityTest == nullptr || capabilityTest(device));
    };
    const std::string wanted =
        ArgParser::isOptionSet(optionName) ? ArgParser::getOptionValue(optionName) : std::string();
    if (!wanted.empty()) {
        for (const auto& device : devices) {
            if (qualifies(device) && productName(device->getDeviceInformation()) == wanted) {
                return device;
            }
        }
        std::cout << "[WARNING] --" << optionName << " does not match any card.\n";
        return nullptr;
    }

    std::vector<std::shared_ptr<Device>> matching;
    std::vector<VelmorDeviceStruct> records;
    for (const auto& device : devices) {
        if (qualifies(device)) {
            matching.push_back(device);
            records.push_back(device->getDeviceInformation());
        }
    }
    if (matching.empty()) {
        std::cout << "[ERROR] No " << capabilityName << " compatible device found.\n";
        return nullptr;
    }
    if (matching.size() == 1) {
        std::cout << "[INFO] One matching device found: " << productName(records[0]) << "\n\n";
        return matching[0];
    }
    std::cout << "\n--- Available devices with " << capabilityName << " ---\n";
    for (std::size_t i = 0; i < matching.size(); ++i) {
        std::cout << "[" << i << "] " << field(records[i].id, sizeof records[i].id) << " ("
                  << productName(records[i]) << ")\n";
    }
    bool ended = false;
    const int chosen =
        promptIntUntilEnd("Select device index", 0, static_cast<int>(matching.size()) - 1, ended);
    if (ended) {
        return nullptr;
    }
    return matching[static_cast<std::size_t>(chosen)];
}

std::string selectMode(const std::string& optionName, const std::vector<std::string>& modes,
                       const std::vector<std::string>& descriptions) {
    if (ArgParser::isOptionSet(optionName)) {
        const std::string value = ArgParser::getOptionValue(optionName);
        for (const std::string& mode : modes) {
            if (value == mode) {
                return value;
            }
        }
        std::cout << "[WARNING] --" << optionName << " is invalid: " << value << "\n";
    }
    std::cout << "\n--- Select " << optionName << " ---\n";
    for (std::size_t i = 0; i < modes.size(); ++i) {
        std::cout << "[" << i << "] " << modes[i];
        if (i < descriptions.size()) {
            std::cout << " - " << descriptions[i];
        }
        std::cout << "\n";
    }
    if (modes.empty()) {
        return std::string();
    }
    bool ended = false;
    const int chosen = validIntUntilEnd(optionName, "Select " + optionName + " index", 0,
                                        static_cast<int>(modes.size()) - 1, ended);
    if (ended) {
        return std::string();
    }
    return modes[static_cast<std::size_t>(chosen)];
}

TIMEBASE_UNITS parseTimebase(const std::string& text) {
    for (int i = 0; i < 4; ++i) {
        if (text == kTimebaseNames[i]) {
            return static_cast<TIMEBASE_UNITS>(i);
        }
    }
    std::cerr << "[ERROR] Invalid timebase: " + text + ". Use one of: us | ms | s | c\n";
    return MICROSECOND;
}

std::vector<std::string> getValidTimebaseList(const std::shared_ptr<Device>& device) {
    std::vector<std::string> names;
    if (!device) {
        return names;
    }
    const VelmorDeviceStruct record = device->getDeviceInformation();
    for (int i = 0; i < 4; ++i) {
        if (record.functions.timer.max_reload_value[i] != 0 ||
            record.functions.watchdog.max_reload_value[i] != 0) {
            names.emplace_back(kTimebaseNames[i]);
        }
    }
    return names;
}

void interruptCallback(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    struct timeval now;
    gettimeofday(&now, nullptr);
    double elapsed = 0.0;
    {
        std::lock_guard<std::mutex> lock(timeMutex);
        t2 = now;
        elapsed = static_cast<double>(t2.tv_sec - t1.tv_sec) * 1000.0 +
                  static_cast<double>(t2.tv_usec - t1.tv_usec) / 1000.0;
        t1 = t2;
    }
    // Composed apart and written in one piece: the main thread may use std::cout at the
    // same time, and its format flags are never touched from this thread.
    std::ostringstream line;
    line << "[INTERRUPT] Callback: source=0x" << std::hex << data.interrupt_source
         << " | mask=0x" << data.interrupt_mask << std::dec << " | elapsed=" << elapsed
         << " ms\n";
    std::cout << line.str() << std::flush;
    interrupt_happened_flag.store(true);
}

void resetInterruptFlag() {
    struct timeval now;
    gettimeofday(&now, nullptr);
    std::lock_guard<std::mutex> lock(timeMutex);
    interrupt_happened_flag.store(false);
    t1 = now;
}

bool hasInterruptHappened() { return interrupt_happened_flag.load(); }

unsigned int getTcwOptionsFromUser(unsigned int availableOptions) {
    if (availableOptions == 0) {
        return 0;
    }
    unsigned int selection = 0;
    std::vector<unsigned int> listed;
    const auto list = [&]() {
        std::cout << "Select the tcw options: (empty to exit)\n";
        listed.clear();
        for (const auto& option : TCW_OPTIONS_MAP) {
            if ((option.second & availableOptions) == 0) {
                continue;
            }
            listed.push_back(option.second);
            std::cout << "  " << listed.size() << ") "
                      << ((option.second & selection) != 0 ? "[x] " : "[ ] ") << option.first
                      << "\n";
        }
    };
    list();
    std::string line;
    for (;;) {
        std::cout << "> [1-" << listed.size() << "]: ";
        if (!readLine(line) || line.empty()) {
            break;
        }
        int chosen = 0;
        if (!parseStoi(line, chosen)) {
            std::cout << "[ERROR] Invalid input. Try again.\n";
        } else if (chosen < 1 || static_cast<std::size_t>(chosen) > listed.size()) {
            std::cout << "[ERROR] Invalid choice. Try again.\n";
        } else {
            const unsigned int value = listed[static_cast<std::size_t>(chosen) - 1];
            if ((selection & value) != 0) {
                selection &= ~value;
            } else {
                selection |= value;
            }
            list();
        }
    }
    std::cout << "Exiting option selection.\n";
    std::cout << "Final selection mask: 0x" << hex(selection, true) << "\n" << std::flush;
    return selection;
}

void displayAllPortsConfigurations(unsigned short directions, const unsigned char* inputValues,
                                   const unsigned char* outputValues, unsigned char portCount) {
    std::cout << utils_support::portTable(directions, inputValues, outputValues, portCount)
              << std::flush;
}

void exitOnUserInput(int exitStatus) {
    std::cout << "\nPress ENTER to exit ...\n" << std::flush;
    // A line std::cin (or the C stream it shares) already holds counts as input.
    utils_support::waitForInput(!std::cin.good() || std::cin.rdbuf()->in_avail() > 0 ||
                                std::feof(stdin) != 0);
    std::exit(exitStatus);
}

}  // namespace utils
}  // namespace corvane
}  // namespace velmor
