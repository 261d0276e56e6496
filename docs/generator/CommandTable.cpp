#include "CommandTable.h"

#include <corvane/IoctlCommandTable.h>

#include "MarkdownText.h"

namespace docgen {

std::string commandTable() {
    std::string text = "| Number | Command |\n|---|---|\n";
    for (const auto& command : velmor::corvane::ioctlCommandTable()) {
        text += "| `" + hex32(command.first) + "` | `" + command.second + "` |\n";
    }
    return text;
}

}  // namespace docgen
