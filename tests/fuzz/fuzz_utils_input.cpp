// The sample support's readers (numbers, hexadecimal numbers, strings among choices,
// time bases, option bits, modes, and the same from a command-line option) fed arbitrary
// standard input. The input starts with a few steps (which reader, its bounds, the
// option value), the rest is standard input, shared by the steps in turn. Whatever the
// input, each reader must return within its documented bounds, and at the end of input.
#include <stdio_ext.h>
#include <sys/mman.h>
#include <unistd.h>

#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "CorvaneUtils.h"
#include "FuzzInput.h"
#include "VelmorArgParserFunctions.h"
#include "VelmorUtils.h"

namespace utils = velmor::corvane::utils;

namespace {

const char* const kChoices[] = {"us", "ms", "s", "c"};

// Standard input becomes these bytes (a memory file), with no earlier data buffered.
void setStandardInput(const std::string& bytes) {
    const int fd = memfd_create("stdin", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    FUZZ_CHECK(lseek(fd, 0, SEEK_SET) == 0);
    FUZZ_CHECK(dup2(fd, 0) == 0);
    close(fd);
    __fpurge(stdin);
    clearerr(stdin);
    std::cin.clear();
}

// --value=<text> on the parser's last command line (or no option at all).
void setOptionValue(bool given, const std::string& text) {
    VelmorArgParserInit();
    VelmorArgParserClear();
    VelmorArgParserAddOption("value", 'v', "a value", 1);
    std::string program = "program";
    std::string option = "--value=" + text;
    char* argv[] = {&program[0], &option[0], nullptr};
    VelmorArgParserParse(given ? 2 : 1, argv);
}

bool isChoice(const std::string& text) {
    for (const char* choice : kChoices) {
        if (text == choice) return true;
    }
    return false;
}

void runStep(FuzzInput& in) {
    const int kind = in.byte() % 12;
    const int32_t a = static_cast<int32_t>(in.word());
    const int32_t b = static_cast<int32_t>(in.word());
    const int min = std::min(a, b);
    const int max = std::max(a, b);
    const unsigned umin = std::min(static_cast<uint32_t>(a), static_cast<uint32_t>(b));
    const unsigned umax = std::max(static_cast<uint32_t>(a), static_cast<uint32_t>(b));
    const std::string text = in.cText(12);
    setOptionValue((kind & 1) != 0, text);
    switch (kind) {
    case 0: {
        const int v = VelmorUtilsPromptInt("number", min, max);
        FUZZ_CHECK(v >= min && v <= max);
        break;
    }
    case 1: {
        const unsigned v = VelmorUtilsPromptHex("hex", umin, umax);
        FUZZ_CHECK(v >= umin && v <= umax);
        break;
    }
    case 2:
    case 3: {
        const int v = kind == 2 ? VelmorUtilsGetValidInt("value", "number", min, max)
                                : utils::getValidInt("value", "number", min, max);
        FUZZ_CHECK(v >= min && v <= max);
        break;
    }
    case 4:
    case 5: {
        const unsigned v = kind == 4 ? VelmorUtilsGetValidHex("value", "hex", umin, umax)
                                     : utils::getValidHex("value", "hex", umin, umax);
        FUZZ_CHECK(v >= umin && v <= umax);
        break;
    }
    case 6:
    case 7: {
        char out[8];
        const int count = static_cast<int>(a % 5);  // negative: every line is rejected
        const char** choices = const_cast<const char**>(kChoices);
        const int got = kind == 6 ? VelmorUtilsPromptString("choice", choices, count, out, sizeof out)
                                  : VelmorUtilsGetValidString("value", "choice", choices, count, out,
                                                              sizeof out);
        if (got == 1 && count > 0) FUZZ_CHECK(isChoice(out));
        if (got == 1) FUZZ_CHECK(std::memchr(out, '\0', sizeof out) != nullptr);
        break;
    }
    case 8: {
        const TIMEBASE_UNITS c = VelmorUtilsParseTimebase(text.c_str());
        const TIMEBASE_UNITS cpp = utils::parseTimebase(text);
        FUZZ_CHECK(c == cpp && c >= MICROSECOND && c <= CUSTOM);
        break;
    }
    case 9: {
        // Offered are the options that share a bit with the available ones; an option
        // may span several bits.
        const unsigned available = static_cast<uint32_t>(a);
        unsigned offered = 0;
        for (const auto& option : utils::TCW_OPTIONS_MAP) {
            if ((option.second & available) != 0) offered |= option.second;
        }
        const unsigned c = VelmorUtilsGetTcwOptionsFromUser(available);
        FUZZ_CHECK((c & ~offered) == 0);
        const unsigned cpp = utils::getTcwOptionsFromUser(available);
        FUZZ_CHECK((cpp & ~offered) == 0);
        break;
    }
    case 10:
    case 11: {
        const int count = static_cast<int>(static_cast<uint32_t>(a) % 5);
        const char** modes = const_cast<const char**>(kChoices);
        char out[8];
        const int got = VelmorUtilsSelectMode("value", modes, nullptr, count, out, sizeof out);
        FUZZ_CHECK(got == 0 ? out[0] == '\0' : isChoice(out));
        const std::vector<std::string> names(kChoices, kChoices + count);
        const std::vector<std::string> descriptions(names.size(), "a mode");
        const std::string chosen = utils::selectMode("value", names, descriptions);
        FUZZ_CHECK(chosen.empty() || isChoice(chosen));
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const int steps = 1 + in.byte() % 6;
    // The steps' descriptions come first (fixed size each), standard input after them.
    const std::string description = in.take(static_cast<size_t>(steps) * 22);
    setStandardInput(in.rest());
    FuzzInput stepInput(reinterpret_cast<const uint8_t*>(description.data()), description.size());
    for (int i = 0; i < steps; ++i) runStep(stepInput);
    std::fflush(stdout);
    return 0;
}
