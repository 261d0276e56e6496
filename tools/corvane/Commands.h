// The command families of the tool; each adds its commands to the table.
#ifndef CORVANE_TOOL_COMMANDS_H
#define CORVANE_TOOL_COMMANDS_H

namespace corvane_tool {

class CommandTable;

void addListCommands(CommandTable& table);     // list
void addInfoCommands(CommandTable& table);     // info
void addDigitalCommands(CommandTable& table);  // get, set, outputs
void addPortCommands(CommandTable& table);     // port
void addUnitCommands(CommandTable& table);     // timer, counter, watchdog
void addMonitorCommands(CommandTable& table);  // monitor

}  // namespace corvane_tool

#endif
