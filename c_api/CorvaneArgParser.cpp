#include "CorvaneArgParser.h"

#include "ArgParser.h"

namespace velmor {
namespace corvane {

using Parser = velmor::foundation::ArgParser;

void ArgParser::init() { Parser::instance(); }

void ArgParser::clear() { Parser::instance().clear(); }

void ArgParser::addOption(const std::string& longName, char shortName,
                          const std::string& description, bool takesValue) {
    Parser::instance().addOption(longName, shortName, description, takesValue);
}

void ArgParser::addFlag(const std::string& longName, char shortName,
                        const std::string& description) {
    Parser::instance().addFlag(longName, shortName, description);
}

void ArgParser::parse(int argc, char** argv) { Parser::instance().parse(argc, argv); }

bool ArgParser::isFlagSet(const std::string& longName) {
    return Parser::instance().isFlagSet(longName);
}

bool ArgParser::isOptionSet(const std::string& longName) {
    return Parser::instance().isOptionSet(longName);
}

std::string ArgParser::getOptionValue(const std::string& longName) {
    return Parser::instance().getOptionValue(longName);
}

}  // namespace corvane
}  // namespace velmor
