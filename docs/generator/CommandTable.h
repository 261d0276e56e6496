// The driver commands by number and name, as the library's own table gives them.
#ifndef CORVANE_DOCGEN_COMMAND_TABLE_H
#define CORVANE_DOCGEN_COMMAND_TABLE_H

#include <string>

namespace docgen {

std::string commandTable();

}  // namespace docgen

#endif
