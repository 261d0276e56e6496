// The static facade over the process-wide command-line parser
// (velmor::foundation::ArgParser): every function forwards to its single instance,
// with the same behaviour, messages and exit statuses.
#ifndef CORVANE_CORVANE_ARGPARSER_H
#define CORVANE_CORVANE_ARGPARSER_H

#include <string>

#include "CorvaneExport.h"

namespace velmor {
namespace corvane {

class CORVANE_EXPORT ArgParser {
public:
    ArgParser() = delete;

    // Only creates the instance.
    static void init();
    // Forgets every declaration and result.
    static void clear();
    // Short character 0: no short form (any number of entries may have none).
    static void addOption(const std::string& longName, char shortName,
                          const std::string& description, bool takesValue);
    static void addFlag(const std::string& longName, char shortName,
                        const std::string& description);
    // May end the process: status 0 after the help text, 1 on a command-line error.
    static void parse(int argc, char** argv);
    static bool isFlagSet(const std::string& longName);
    static bool isOptionSet(const std::string& longName);
    static std::string getOptionValue(const std::string& longName);
};

}  // namespace corvane
}  // namespace velmor

#endif
