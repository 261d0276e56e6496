// The names the library gives the four fields of an error code, as tables.
#ifndef CORVANE_DOCGEN_ERROR_CODE_TABLES_H
#define CORVANE_DOCGEN_ERROR_CODE_TABLES_H

#include <string>

namespace docgen {

// field: "sources", "domains", "functions" or "reasons"; empty text for another word.
std::string errorFieldTable(const std::string& field);

}  // namespace docgen

#endif
