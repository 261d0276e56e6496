#include "VelmorArgParserFunctions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CorvaneArgParser.h"

using velmor::corvane::ArgParser;

namespace {

// A C caller cannot catch an exception, so a null text ends the program with a clear
// line, as any other faulty declaration does.
void requireDeclarationTexts(const char* longName, const char* description) {
    if (longName == nullptr || description == nullptr) {
        std::fflush(stdout);
        std::fputs("[ERROR] Invalid option declaration: null long name or description\n", stderr);
        std::fflush(stderr);
        std::exit(1);
    }
}

}  // namespace

extern "C" void VelmorArgParserInit(void) {
    try {
        ArgParser::init();
    } catch (...) {
    }
}

extern "C" void VelmorArgParserClear(void) {
    try {
        ArgParser::clear();
    } catch (...) {
    }
}

extern "C" void VelmorArgParserAddOption(const char* long_name, char short_name,
                                         const char* description, int takes_value) {
    requireDeclarationTexts(long_name, description);
    try {
        ArgParser::addOption(long_name, short_name, description, takes_value != 0);
    } catch (...) {
    }
}

extern "C" void VelmorArgParserAddFlag(const char* long_name, char short_name,
                                       const char* description) {
    requireDeclarationTexts(long_name, description);
    try {
        ArgParser::addFlag(long_name, short_name, description);
    } catch (...) {
    }
}

extern "C" void VelmorArgParserParse(int argc, char** argv) {
    try {
        ArgParser::parse(argc, argv);
    } catch (...) {
    }
}

extern "C" int VelmorArgParserIsFlagSet(const char* long_name) {
    if (long_name == nullptr) {
        return 0;
    }
    try {
        return ArgParser::isFlagSet(long_name) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int VelmorArgParserIsOptionSet(const char* long_name) {
    if (long_name == nullptr) {
        return 0;
    }
    try {
        return ArgParser::isOptionSet(long_name) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

extern "C" int VelmorArgParserGetOptionValue(const char* long_name, char* buffer, size_t size) {
    if (long_name == nullptr || buffer == nullptr || size == 0) {
        return 0;
    }
    try {
        const std::string value = ArgParser::getOptionValue(long_name);
        if (value.empty()) {
            return 0;
        }
        std::strncpy(buffer, value.c_str(), size - 1);
        buffer[size - 1] = '\0';
        return 1;
    } catch (...) {
        return 0;
    }
}
