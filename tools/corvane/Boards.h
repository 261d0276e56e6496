// Reaching a board through the library's registry, and one of its capabilities.
#ifndef CORVANE_TOOL_BOARDS_H
#define CORVANE_TOOL_BOARDS_H

#include <corvane/Device.h>

#include <memory>
#include <string>
#include <vector>

namespace corvane_tool {

// The board with exactly this identifier. An unknown identifier raises
// UnknownBoardError with the library's text and the identifiers that exist; any other
// library failure (a board that fails to start) passes as CorvaneException.
std::shared_ptr<velmor::corvane::Device> findBoard(const std::string& id);

// What the board offers, by the names the tool prints: digital-io, ports, timer,
// counter, watchdog, interrupt. A timer, counter or watchdog capability counts only
// when the board reports at least one unit of it.
std::vector<std::string> capabilityNames(velmor::corvane::Device& board);

// Raises CorvaneException 0x80000E05 "Device <id> has no <capability>", the library's
// code and text for a board without the capability an operation needs.
[[noreturn]] void raiseMissingCapability(const std::string& id, const std::string& capability);

// The capability pointer, or the failure above when it is null.
template <typename Capability>
Capability& need(Capability* capability, const std::string& id, const std::string& name) {
    if (capability == nullptr) raiseMissingCapability(id, name);
    return *capability;
}

}  // namespace corvane_tool

#endif
