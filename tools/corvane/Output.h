// Writing results: JSON documents through nlohmann-json, text lines as they are.
#ifndef CORVANE_TOOL_OUTPUT_H
#define CORVANE_TOOL_OUTPUT_H

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace corvane_tool {

// Objects keep their keys in the order the tool writes them.
using Json = nlohmann::ordered_json;

// One JSON document, indented, followed by a newline. Bytes that are not UTF-8 (a
// driver text may hold any) are replaced by U+FFFD instead of failing.
void writeJson(std::ostream& out, const Json& document);
// One JSON document on a single line (JSON Lines), followed by a newline.
void writeJsonLine(std::ostream& out, const Json& document);

}  // namespace corvane_tool

#endif
