#include "ArgParser.h"

#include <getopt.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmor {
namespace foundation {

namespace {

// getopt_long return codes for entries without a short form: above every char value,
// so they can never meet a short character. Entry i of the no-short list gets
// kNoShortBase + i.
constexpr int kNoShortBase = 0x100;

bool isUsableShortName(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    // getopt reads ':' and ';' in the short-option string as syntax, treats "-" and
    // "--" as non-options, returns '?' for errors; a char above 0x7F would come back
    // negative (and 0xFF as -1, the end of options).
    return u > 0x20 && u < 0x7F && c != ':' && c != ';' && c != '-' && c != '?';
}

[[noreturn]] void exitWith(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

}  // namespace

ArgParser::Option::Option(const std::string& longName_, const std::string& description_,
                          const std::string& value_, char shortName_, bool takesValue_,
                          bool isSet_)
    : longName(longName_),
      description(description_),
      value(value_),
      shortName(shortName_),
      takesValue(takesValue_),
      isSet(isSet_) {}

ArgParser::Flag::Flag(const std::string& longName_, const std::string& description_,
                      char shortName_, bool isSet_)
    : longName(longName_), description(description_), shortName(shortName_), isSet(isSet_) {}

ArgParser& ArgParser::instance() {
    static ArgParser parser;
    return parser;
}

void ArgParser::checkDeclaration(const std::string& longName, char shortName) const {
    if (shortName != 0) {
        const auto used = shortToLong.find(shortName);
        if (used != shortToLong.end()) {
            std::fprintf(stderr, "[ERROR] Duplicate short option: -%c already mapped to --%s\n",
                         shortName, used->second.c_str());
            exitWith(1);
        }
        if (!isUsableShortName(shortName)) {
            std::fprintf(stderr, "[ERROR] Invalid short option for --%s: character code %d\n",
                         longName.c_str(), static_cast<int>(static_cast<unsigned char>(shortName)));
            exitWith(1);
        }
    }
    if (longName.empty() || longName.find('=') != std::string::npos) {
        std::fprintf(stderr, "[ERROR] Invalid long option name: --%s\n", longName.c_str());
        exitWith(1);
    }
}

void ArgParser::releaseShortName(char previous, const std::string& longName) {
    if (previous == 0) {
        return;
    }
    const auto used = shortToLong.find(previous);
    if (used != shortToLong.end() && used->second == longName) {
        shortToLong.erase(used);
    }
}

void ArgParser::addOption(const std::string& longName, char shortName,
                          const std::string& description, bool takesValue) {
    checkDeclaration(longName, shortName);
    const auto earlier = options.find(longName);
    if (earlier != options.end()) {
        releaseShortName(earlier->second.shortName, longName);
    }
    options[longName] = Option(longName, description, "", shortName, takesValue, false);
    if (shortName != 0) {
        shortToLong[shortName] = longName;
    }
}

void ArgParser::addFlag(const std::string& longName, char shortName,
                        const std::string& description) {
    checkDeclaration(longName, shortName);
    const auto earlier = flags.find(longName);
    if (earlier != flags.end()) {
        releaseShortName(earlier->second.shortName, longName);
    }
    flags[longName] = Flag(longName, description, shortName, false);
    if (shortName != 0) {
        shortToLong[shortName] = longName;
    }
}

void ArgParser::parse(int argc, char** argv) {
    // glibc re-initialises its whole scanning state (position inside a cluster of short
    // options, permutation bounds) only when optind is 0; it then starts at argv[1].
    optind = 0;

    for (auto& entry : options) {
        entry.second.value.clear();
        entry.second.isSet = false;
    }
    for (auto& entry : flags) {
        entry.second.isSet = false;
    }

    if (shortToLong.find('h') == shortToLong.end()) {
        shortToLong['h'] = "help";
    }

    // getopt_long would read past an empty argv.
    if (argv == nullptr || argc < 1) {
        return;
    }

    // The names live in this vector for the whole scan: getopt_long keeps pointers.
    std::vector<std::string> names;
    std::vector<int> hasArgument;
    std::vector<int> codes;
    std::vector<std::string> noShortNames;
    std::string shortOptions = "h";

    names.emplace_back("help");
    hasArgument.push_back(no_argument);
    codes.push_back('h');
    for (const auto& entry : options) {
        const Option& option = entry.second;
        int code = static_cast<unsigned char>(option.shortName);
        if (option.shortName != 0) {
            shortOptions += option.shortName;
            shortOptions += ':';
        } else {
            code = kNoShortBase + static_cast<int>(noShortNames.size());
            noShortNames.push_back(option.longName);
        }
        names.push_back(option.longName);
        hasArgument.push_back(required_argument);
        codes.push_back(code);
    }
    for (const auto& entry : flags) {
        const Flag& flag = entry.second;
        int code = static_cast<unsigned char>(flag.shortName);
        if (flag.shortName != 0) {
            shortOptions += flag.shortName;
        } else {
            code = kNoShortBase + static_cast<int>(noShortNames.size());
            noShortNames.push_back(flag.longName);
        }
        names.push_back(flag.longName);
        hasArgument.push_back(no_argument);
        codes.push_back(code);
    }

    std::vector<struct option> longOptions;
    longOptions.reserve(names.size() + 1);
    for (std::size_t i = 0; i < names.size(); ++i) {
        longOptions.push_back({names[i].c_str(), hasArgument[i], nullptr, codes[i]});
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    opterr = 1;  // getopt_long's own diagnostics come first on standard error
    for (;;) {
        const int c = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr);
        if (c == -1) {
            return;
        }
        if (c == 'h') {
            handleHelpFlag();
            exitWith(0);
        }
        if (c == '?') {
            std::string offending;
            if (optopt > 0 && optopt < kNoShortBase) {
                offending = std::string("-") + static_cast<char>(optopt);
            } else if (argv != nullptr && optind >= 1 && optind - 1 < argc &&
                       argv[optind - 1] != nullptr) {
                // A long name that is unknown, ambiguous, lacks its value or has one it
                // must not have.
                offending = argv[optind - 1];
            } else {
                offending = "?";
            }
            std::fprintf(stderr,
                         "[ERROR] Unknown option: %s\nUse -h or --help to see available options.\n",
                         offending.c_str());
            exitWith(1);
        }

        std::string longName;
        if (c >= kNoShortBase && c - kNoShortBase < static_cast<int>(noShortNames.size())) {
            longName = noShortNames[static_cast<std::size_t>(c - kNoShortBase)];
        } else {
            const auto mapped = shortToLong.find(static_cast<char>(c));
            if (c < 0 || c >= kNoShortBase || mapped == shortToLong.end()) {
                std::fprintf(stderr, "[ERROR] Unhandled option code: %c\n", static_cast<char>(c));
                exitWith(1);
            }
            longName = mapped->second;
        }

        const auto option = options.find(longName);
        if (option != options.end()) {
            option->second.value = optarg != nullptr ? optarg : "";
            option->second.isSet = true;
            continue;
        }
        const auto flag = flags.find(longName);
        if (flag != flags.end()) {
            flag->second.isSet = true;
        }
    }
}

bool ArgParser::isFlagSet(const std::string& longName) const {
    const auto flag = flags.find(longName);
    return flag != flags.end() && flag->second.isSet;
}

bool ArgParser::isOptionSet(const std::string& longName) const {
    const auto option = options.find(longName);
    return option != options.end() && option->second.isSet;
}

std::string ArgParser::getOptionValue(const std::string& longName) const {
    const auto option = options.find(longName);
    if (option == options.end() || !option->second.isSet) {
        return std::string();
    }
    return option->second.value;
}

void ArgParser::clear() {
    options.clear();
    flags.clear();
    shortToLong.clear();
}

char ArgParser::shortNameOf(const std::string& longName) const {
    for (const auto& entry : shortToLong) {
        if (entry.second == longName) {
            return entry.first;
        }
    }
    return 0;
}

void ArgParser::handleHelpFlag() const {
    std::string text = "Available options:\n";
    const auto entry = [this, &text](const std::string& longName, const std::string& description,
                                     bool showValue) {
        text += "  ";
        const char shortName = shortNameOf(longName);
        if (shortName != 0) {
            text += '-';
            text += shortName;
            text += ", ";
        }
        text += "--";
        text += longName;
        if (showValue) {
            text += " <value>";
        }
        text += "\n\t";
        text += description;
        text += '\n';
    };
    for (const auto& option : options) {
        entry(option.second.longName, option.second.description, option.second.takesValue);
    }
    for (const auto& flag : flags) {
        entry(flag.second.longName, flag.second.description, false);
    }
    text += "  -h, --help\n\tShow help\n";
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace foundation
}  // namespace velmor
