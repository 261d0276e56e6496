#include "Output.h"

namespace corvane_tool {

void writeJson(std::ostream& out, const Json& document) {
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

void writeJsonLine(std::ostream& out, const Json& document) {
    out << document.dump(-1, ' ', false, Json::error_handler_t::replace) << "\n";
}

}  // namespace corvane_tool
