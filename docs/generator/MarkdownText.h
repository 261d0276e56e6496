// Small text helpers of the documentation generator: numbers, channel ranges and option
// names as the Markdown tables show them.
#ifndef CORVANE_DOCGEN_MARKDOWN_TEXT_H
#define CORVANE_DOCGEN_MARKDOWN_TEXT_H

#include <cstdint>
#include <string>

namespace docgen {

// 0x000FFFF0
std::string hex32(uint32_t value);
// "4–19", "0–13", "0, 2–5"; "none" for 0.
std::string channelRanges(uint32_t mask);
// "3 (0–2)", "1 (0)", "none" for 0.
std::string countWithIds(unsigned count);
// The VELMOR_TCW_OPTIONS bits of a mask by name, then the value: "`SINGLE_CYCLE`, … (0x0E)";
// "none" for 0.
std::string optionNames(uint32_t options);
// A table cell: "|" escaped.
std::string cell(const std::string& text);

}  // namespace docgen

#endif
