// The driver command set as the simulator knows it: number, name and argument record
// size of every command. Shared by the simulated drivers, the client side of the server
// mode and the control-command parser.
#ifndef CORVANE_SIM_COMMAND_TABLE_H
#define CORVANE_SIM_COMMAND_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane_sim {

struct CommandInfo {
    uint32_t number;
    const char* name;
    uint32_t size;  // argument record bytes; 0 for commands without an argument
};

// The command with this number, or nullptr.
const CommandInfo* findCommand(uint32_t command);
// The command with this name (exact spelling, e.g. "IoctlGetDigitalInputs"), or nullptr.
const CommandInfo* findCommandByName(const std::string& name);
// The table, in command order.
const CommandInfo* commandTable(size_t& count);

// Record size of a command of the table; 0 for null-argument and unknown commands.
uint32_t recordSize(uint32_t command);
// Name of a command of the table, or "unknown command".
const char* commandName(uint32_t command);

}  // namespace corvane_sim

#endif
