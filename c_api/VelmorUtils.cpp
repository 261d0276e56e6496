// The flat console helpers of the sample programs (C linkage), with their own flag,
// time stamps and option-picker state.
#include "VelmorUtils.h"

#include <poll.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "CorvaneArgParser.h"
#include "UtilsSupport.h"

namespace {

using velmor::corvane::utils_support::field;
using velmor::corvane::utils_support::parseWholeHex;
using velmor::corvane::utils_support::productName;

// ---- State of this family ------------------------------------------------------------

// Written by the interrupt thread, read and cleared by the main thread.
std::atomic<int> interrupt_happened_flag{0};
// t1: time of the last reset or callback; t2: time read by the current callback. Both
// are read and written under timeMutex only.
std::mutex timeMutex;
struct timeval t1 = {0, 0};
struct timeval t2 = {0, 0};

// The option bits the picker offers, in table order.
const char* const tcw_options[8] = {
    "COUNT_DIRECTION_DOWN",       "COUNT_DIRECTION_UP",        "SINGLE_CYCLE",
    "EXTERNAL_TRIGGER",           "HARDWARE_GATE",             "COUNTER_FALLING_EDGE_COUNT",
    "COUNTER_RISING_EDGE_COUNT",  "COUNTER_BOTH_EDGE_COUNT"};
const unsigned int OPTION_VALUES[8] = {0, 1, 2, 4, 8, 16, 32, 48};
// What the picker listed last: the number of entries and, per listed entry (from 1),
// its table index.
int option_count = 0;
int option_index[8] = {0, 0, 0, 0, 0, 0, 0, 0};

const char* const kTimebaseNames[4] = {"us", "ms", "s", "c"};

const char* text(const char* value) { return value != nullptr ? value : ""; }

// ---- Reading -------------------------------------------------------------------------

// Reads one whole line from standard input, without its newline. fgets hands a long
// line over in pieces; they are joined so that a long line stays one entry. False at
// the end of input (or on a read error) when nothing was read.
bool readLine(std::string& line) {
    line.clear();
    std::fflush(stdout);
    char chunk[256];
    bool gotAny = false;
    while (std::fgets(chunk, sizeof chunk, stdin) != nullptr) {
        gotAny = true;
        const char* newline = std::strchr(chunk, '\n');
        if (newline != nullptr) {
            line.append(chunk, static_cast<std::size_t>(newline - chunk));
            return true;
        }
        line.append(chunk);
    }
    return gotAny;
}

// The whole text must convert as a decimal integer within int; an empty text is 0.
bool parseWholeInt(const std::string& value, int& result) {
    const char* begin = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long converted = std::strtol(begin, &end, 10);
    if (end != begin + value.size() || errno == ERANGE || converted < INT_MIN ||
        converted > INT_MAX) {
        return false;
    }
    result = static_cast<int>(converted);
    return true;
}

void copyOut(const std::string& value, char* out, std::size_t outSize) {
    if (out == nullptr || outSize == 0) {
        return;
    }
    std::strncpy(out, value.c_str(), outSize);
    out[outSize - 1] = '\0';
}

// The value of a declared option given with a non-empty value.
bool optionValue(const char* optionName, std::string& value) {
    if (optionName == nullptr || !velmor::corvane::ArgParser::isOptionSet(optionName)) {
        return false;
    }
    value = velmor::corvane::ArgParser::getOptionValue(optionName);
    return !value.empty();
}

// ---- Prompts -------------------------------------------------------------------------

void printStringPrompt(const char* prompt, const char** choices, int count) {
    std::printf("%s ", text(prompt));
    if (count > 0) {
        std::printf(" [");
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                std::putchar('/');
            }
            std::printf("%s", text(choices[i]));
        }
        std::printf("]");
    }
    std::printf(": ");
}

bool isChoice(const std::string& value, const char** choices, int count) {
    if (count == 0) {
        return true;
    }
    for (int i = 0; i < count; ++i) {
        if (choices[i] != nullptr && value == choices[i]) {
            return true;
        }
    }
    return false;  // also for a negative count
}

// Null choices with a positive count count as no choices.
int effectiveCount(const char** choices, int count) {
    return (choices == nullptr && count > 0) ? 0 : count;
}

bool promptString(const char* prompt, const char** choices, int count, std::string& result) {
    std::string line;
    printStringPrompt(prompt, choices, count);
    while (readLine(line)) {
        if (isChoice(line, choices, count)) {
            result = line;
            return true;
        }
        std::puts("\n[ERROR] Invalid input. Try again.");
        printStringPrompt(prompt, choices, count);
    }
    return false;
}

int promptInt(const char* prompt, int min, int max, bool& ended) {
    std::string line;
    for (;;) {
        std::printf("%s [%d-%d]", text(prompt), min, max);
        std::printf(": ");
        if (!readLine(line)) {
            ended = true;
            return min;
        }
        int value = 0;
        if (parseWholeInt(line, value) && value >= min && value <= max) {
            return value;
        }
        std::puts("\n[ERROR] Invalid input. Try again.");
    }
}

unsigned int promptHex(const char* prompt, unsigned int min, unsigned int max) {
    std::string line;
    for (;;) {
        std::printf("%s [0x%X - 0x%X]: ", text(prompt), min, max);
        if (!readLine(line)) {
            return min;
        }
        unsigned long value = 0;
        if (parseWholeHex(line, value) && value >= min && value <= max) {
            return static_cast<unsigned int>(value);
        }
        std::printf("[ERROR] Invalid hex value. Try again.\n");
    }
}

int validInt(const char* optionName, const char* prompt, int min, int max, bool& ended) {
    if (min == max) {
        return min;
    }
    std::string value;
    if (optionValue(optionName, value)) {
        int converted = 0;
        if (parseWholeInt(value, converted) && converted >= min && converted <= max) {
            return converted;
        }
        std::printf("[WARNING] --%s value out of range .\n", text(optionName));
    }
    return promptInt(prompt, min, max, ended);
}

// ---- Records -------------------------------------------------------------------------

// ---- Port table ----------------------------------------------------------------------

}  // namespace

extern "C" int VelmorUtilsPromptString(const char* prompt, const char** choices, int count,
                                       char* out, size_t out_size) {
    try {
        std::string line;
        if (!promptString(prompt, choices, effectiveCount(choices, count), line)) {
            return 0;
        }
        copyOut(line, out, out_size);
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" int VelmorUtilsPromptInt(const char* prompt, int min, int max) {
    try {
        bool ended = false;
        return promptInt(prompt, min, max, ended);
    } catch (...) {
        return min;
    }
}

extern "C" unsigned int VelmorUtilsPromptHex(const char* prompt, unsigned int min,
                                             unsigned int max) {
    try {
        return promptHex(prompt, min, max);
    } catch (...) {
        return min;
    }
}

extern "C" int VelmorUtilsGetValidString(const char* option_name, const char* prompt,
                                         const char** choices, int count, char* out,
                                         size_t out_size) {
    try {
        count = effectiveCount(choices, count);
        std::string value;
        if (optionValue(option_name, value)) {
            if (isChoice(value, choices, count)) {
                copyOut(value, out, out_size);
                return 1;
            }
            std::puts("\n[ERROR] Invalid input. Try again.");
        }
        std::string line;
        if (!promptString(prompt, choices, count, line)) {
            return 0;
        }
        copyOut(line, out, out_size);
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" int VelmorUtilsGetValidInt(const char* option_name, const char* prompt, int min,
                                      int max) {
    try {
        bool ended = false;
        return validInt(option_name, prompt, min, max, ended);
    } catch (...) {
        return min;
    }
}

extern "C" unsigned int VelmorUtilsGetValidHex(const char* option_name, const char* prompt,
                                               unsigned int min, unsigned int max) {
    try {
        if (min == max) {
            return min;
        }
        std::string value;
        if (optionValue(option_name, value)) {
            unsigned long converted = 0;
            if (parseWholeHex(value, converted) && converted >= min && converted <= max) {
                return static_cast<unsigned int>(converted);
            }
            std::printf("[WARNING] --%s value out of range [0x%X - 0x%X].\n", text(option_name),
                        min, max);
        }
        return promptHex(prompt, min, max);
    } catch (...) {
        return min;
    }
}

extern "C" VelmorDeviceStruct* VelmorUtilsSelectDeviceByCapability(
    VelmorDeviceStruct* devices, int count, const char* option_name,
    int (*capability_test)(VelmorDeviceStruct*), const char* capability_name) {
    try {
        if (devices == nullptr || count < 0) {
            count = 0;
        }
        const auto qualifies = [&](int i) {
            return capability_test == nullptr || capability_test(&devices[i]) != 0;
        };
        std::string wanted;
        if (optionValue(option_name, wanted)) {
            for (int i = 0; i < count; ++i) {
                if (qualifies(i) && productName(devices[i]) == wanted) {
                    return &devices[i];
                }
            }
            std::printf("[WARNING] --%s does not match any card.\n", text(option_name));
            return nullptr;
        }

        std::vector<VelmorDeviceStruct*> matching;
        for (int i = 0; i < count; ++i) {
            if (qualifies(i)) {
                matching.push_back(&devices[i]);
            }
        }
        if (matching.empty()) {
            std::printf("[ERROR] No %s compatible device found.\n", text(capability_name));
            return nullptr;
        }
        if (matching.size() == 1) {
            std::printf("[INFO] One matching device found: %s\n\n",
                        productName(*matching[0]).c_str());
            return matching[0];
        }
        std::printf("\n--- Available devices with %s ---\n", text(capability_name));
        for (std::size_t i = 0; i < matching.size(); ++i) {
            std::printf("[%d] %s (%s)\n", static_cast<int>(i),
                        field(matching[i]->id, sizeof matching[i]->id).c_str(),
                        productName(*matching[i]).c_str());
        }
        bool ended = false;
        const int chosen =
            promptInt("Select device index", 0, static_cast<int>(matching.size()) - 1, ended);
        if (ended) {
            return nullptr;
        }
        return matching[static_cast<std::size_t>(chosen)];
    } catch (...) {
        return nullptr;
    }
}

extern "C" int VelmorUtilsSelectMode(const char* option_name, const char** modes,
                                     const char** descriptions, int count, char* out,
                                     size_t out_size) {
    try {
        if (modes == nullptr || count < 0) {
            count = 0;
        }
        std::string value;
        const bool given = optionValue(option_name, value);
        if (given) {
            for (int i = 0; i < count; ++i) {
                if (modes[i] != nullptr && value == modes[i]) {
                    copyOut(value, out, out_size);
                    return 1;
                }
            }
            std::printf("[WARNING] --%s is invalid: %s\n", text(option_name), value.c_str());
        }
        std::printf("\n--- Select %s ---\n", text(option_name));
        for (int i = 0; i < count; ++i) {
            std::printf("[%d] %s", i, text(modes[i]));
            if (descriptions != nullptr && descriptions[i] != nullptr) {
                std::printf(" - %s", descriptions[i]);
            }
            std::putchar('\n');
        }
        if (count == 0) {
            copyOut(std::string(), out, out_size);
            return 0;
        }
        const std::string prompt = std::string("Select ") + text(option_name) + " index";
        bool ended = false;
        const int chosen = validInt(option_name, prompt.c_str(), 0, count - 1, ended);
        if (ended) {
            copyOut(std::string(), out, out_size);
            return 0;
        }
        copyOut(text(modes[chosen]), out, out_size);
        return 1;
    } catch (...) {
        copyOut(std::string(), out, out_size);
        return 0;
    }
}

extern "C" TIMEBASE_UNITS VelmorUtilsParseTimebase(const char* value) {
    if (value != nullptr) {
        for (int i = 0; i < 4; ++i) {
            if (std::strcmp(value, kTimebaseNames[i]) == 0) {
                return static_cast<TIMEBASE_UNITS>(i);
            }
        }
    }
    std::printf("[ERROR] Invalid timebase: %s. Use one of: us | ms | s | c\n", text(value));
    return MICROSECOND;
}

extern "C" int VelmorUtilsGetValidTimebaseList(const VelmorDeviceStruct* device,
                                               const char** names) {
    if (device == nullptr || names == nullptr) {
        return 0;
    }
    int written = 0;
    for (int i = 0; i < 4; ++i) {
        if (device->functions.timer.max_reload_value[i] != 0 ||
            device->functions.watchdog.max_reload_value[i] != 0) {
            names[written++] = kTimebaseNames[i];
        }
    }
    return written;
}

extern "C" void VelmorUtilsInterruptCallback(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    struct timeval now;
    gettimeofday(&now, nullptr);
    double elapsed = 0.0;
    {
        std::lock_guard<std::mutex> lock(timeMutex);
        t2 = now;
        elapsed = static_cast<double>(t2.tv_sec - t1.tv_sec) * 1000.0 +
                  static_cast<double>((t2.tv_usec - t1.tv_usec) / 1000);
        t1 = t2;
    }
    std::printf("[INTERRUPT] Callback: source=0x%X | mask=0x%X | elapsed=%.2f ms\n",
                data.interrupt_source, data.interrupt_mask, elapsed);
    std::fflush(stdout);
    interrupt_happened_flag.store(1);
}

extern "C" void VelmorUtilsResetInterruptFlag(void) {
    struct timeval now;
    gettimeofday(&now, nullptr);
    std::lock_guard<std::mutex> lock(timeMutex);
    interrupt_happened_flag.store(0);
    t1 = now;
}

extern "C" int VelmorUtilsHasInterruptHappened(void) { return interrupt_happened_flag.load(); }

extern "C" unsigned int VelmorUtilsGetTcwOptionsFromUser(unsigned int available_options) {
    if (available_options == 0) {
        return 0;
    }
    unsigned int selection = 0;
    try {
        const auto list = [&]() {
            std::puts("Select the tcw options: (empty to exit)");
            option_count = 0;
            for (int i = 0; i < 8; ++i) {
                if ((OPTION_VALUES[i] & available_options) == 0) {
                    continue;
                }
                option_index[option_count++] = i;
                std::printf("  %d) %s%s", option_count,
                            (OPTION_VALUES[i] & selection) != 0 ? "[x] " : "[ ] ",
                            tcw_options[i]);
                if (OPTION_VALUES[i] == 1) {
                    std::printf(" (default : COUNT_DIRECTION_DOWN)");
                }
                std::putchar('\n');
            }
        };
        list();
        std::string line;
        for (;;) {
            std::printf("> [1-%d]: ", option_count);
            if (!readLine(line) || line.empty()) {
                break;
            }
            int chosen = 0;
            if (parseWholeInt(line, chosen) && chosen >= 1 && chosen <= option_count) {
                const unsigned int value = OPTION_VALUES[option_index[chosen - 1]];
                if ((selection & value) != 0) {
                    selection &= ~value;
                } else {
                    selection |= value;
                }
                list();
            } else {
                std::printf("[ERROR] Invalid choice. Try again.\n");
            }
        }
        std::puts("Exiting option selection.");
    } catch (...) {
    }
    std::fflush(stdout);
    return selection;
}

extern "C" void VelmorUtilsDisplayAllPortsConfigurations(uint16_t directions,
                                                        const uint8_t* input_values,
                                                        const uint8_t* output_values,
                                                        uint8_t port_count) {
    try {
        const std::string table = velmor::corvane::utils_support::portTable(
            directions, input_values, output_values, port_count);
        std::fputs(table.c_str(), stdout);
        std::fflush(stdout);
    } catch (...) {
    }
}

extern "C" void VelmorUtilsExitOnUserInput(int exit_status) {
    std::printf("\nPress ENTER to exit ...\n");
    std::fflush(stdout);
    velmor::corvane::utils_support::waitForInput(std::feof(stdin) != 0 || std::ferror(stdin) != 0);
    std::exit(exit_status);
}
