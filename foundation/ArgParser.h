// The command-line parser shared by the sample programs: one instance per process.
//
// A program declares named options (which carry a value) and flags (which do not),
// parses its argv once with getopt_long, and then asks what was given. -h / --help
// prints the help text and ends the process with status 0; every command-line error
// ends it with status 1 after a message on standard error.
//
// Accepted forms of an option declared as ("device", 'd'): -d 3, -d3, --device 3,
// --device=3, and any unique prefix of the long name (--dev 3). Every option requires
// a value, whatever its takesValue says (takesValue only adds " <value>" to its help
// line). A repeated option keeps its last value; arguments that are not options are
// ignored (getopt_long may move them to the end of argv).
//
// Short character 0 means "no short form". Any number of options and flags may be
// declared without one: they are reached by their long name only, shown without a
// short form in the help, never recorded in shortToLong and never put into the
// short-option string.
//
// Declaration errors end the process with status 1 and one line on standard error:
//   "[ERROR] Duplicate short option: -c already mapped to --name" when the short
//     character is in use (this includes 'h' once a parse has mapped it to "help");
//   "[ERROR] Invalid short option for --name: character code N" for a short character
//     that getopt_long cannot serve (anything but a printable ASCII character other
//     than ':', ';', '-', '?' and space, or 0);
//   "[ERROR] Invalid long option name: --name" for an empty name or one with '='.
// Declaring a long name again replaces the earlier declaration and releases its short
// character.
//
// Not locked: declaring, parsing and querying belong to the program's main thread.
// Only the first use of instance() is safe against concurrent callers.
#ifndef CORVANE_FOUNDATION_ARGPARSER_H
#define CORVANE_FOUNDATION_ARGPARSER_H

#include <string>
#include <unordered_map>

#include "CorvaneExport.h"

namespace velmor {
namespace foundation {

class CORVANE_EXPORT ArgParser {
public:
    struct Option {
        std::string longName;
        std::string description;
        std::string value;  // value of the last parse, empty before
        char shortName = 0;  // 0: no short form
        bool takesValue = true;  // only shown in the help as " <value>"
        bool isSet = false;

        Option() = default;
        Option(const std::string& longName, const std::string& description,
               const std::string& value, char shortName, bool takesValue, bool isSet);
    };

    struct Flag {
        std::string longName;
        std::string description;
        char shortName = 0;  // 0: no short form
        bool isSet = false;

        Flag() = default;
        Flag(const std::string& longName, const std::string& description, char shortName,
             bool isSet);
    };

    // The single instance, created on first use and destroyed at program exit.
    static ArgParser& instance();

    ArgParser(const ArgParser&) = delete;
    ArgParser& operator=(const ArgParser&) = delete;

    void addOption(const std::string& longName, char shortName,
                   const std::string& description, bool takesValue);
    void addFlag(const std::string& longName, char shortName,
                 const std::string& description);

    // Parses argv (which getopt_long may reorder). Clears the results of an earlier
    // parse first, keeping the declarations, and restarts getopt_long's scan from
    // scratch. A null argv or an argc below 1 only clears the results. May end the
    // process (help or error).
    void parse(int argc, char** argv);

    // False for names never declared.
    bool isFlagSet(const std::string& longName) const;
    bool isOptionSet(const std::string& longName) const;
    // The value if the option is declared and was given, else the empty string.
    std::string getOptionValue(const std::string& longName) const;

    // Forgets every declaration, result and short-character mapping.
    void clear();

    // Prints the help text on standard output: "Available options:", then one
    // "  [-c, ]--name[ <value>]\n\t<description>" entry per option and per flag (in
    // table order, which is unspecified), then "  -h, --help\n\tShow help".
    void handleHelpFlag() const;

private:
    ArgParser() = default;
    ~ArgParser() = default;

    // Ends the process when shortName or longName cannot be declared.
    void checkDeclaration(const std::string& longName, char shortName) const;
    // Drops the short-character mapping that an earlier declaration of longName made.
    void releaseShortName(char previous, const std::string& longName);
    // The short character recorded for longName in shortToLong, 0 if none.
    char shortNameOf(const std::string& longName) const;

    std::unordered_map<std::string, Option> options;
    std::unordered_map<std::string, Flag> flags;
    std::unordered_map<char, std::string> shortToLong;
};

}  // namespace foundation
}  // namespace velmor

#endif
