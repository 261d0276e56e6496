// corvane port BOARD get|outputs|set|dir: the 8-bit ports of the port boards.
#include <corvane/DigitalIOPortsInterface.h>

#include <memory>
#include <string>

#include "Boards.h"
#include "CommandTable.h"
#include "Commands.h"
#include "Numbers.h"
#include "Output.h"
#include "Text.h"

using velmor::corvane::Device;
using velmor::corvane::DigitalIOPortsInterface;

namespace corvane_tool {

namespace {

constexpr unsigned kPortBits = 8;
constexpr unsigned kValueBits = 8;
constexpr unsigned kDirectionBits = 32;

struct PortArgs {
    std::string board;
    std::string port;
    std::string value;
    std::string directions;
    bool directionsGiven = false;
};

DigitalIOPortsInterface& portsOf(const std::shared_ptr<Device>& board, const std::string& id) {
    return need(board->digitalIoPorts(), id, "ports");
}

void writePortValue(Context& context, const PortArgs& args, uint8_t port, const char* key, uint8_t value) {
    if (context.json) {
        writeJson(context.out, {{"board", args.board}, {"port", port}, {key, value}});
    } else {
        context.out << hexText(value, 2) << "\n";
    }
}

void runRead(const PortArgs& args, Context& context, bool outputs) {
    const auto port = static_cast<uint8_t>(parseNumber(args.port, kPortBits, "port"));
    std::shared_ptr<Device> board = findBoard(args.board);
    DigitalIOPortsInterface& ports = portsOf(board, args.board);
    if (outputs) {
        writePortValue(context, args, port, "outputs", ports.getDigitalOutputsStatusOnPort(port));
    } else {
        writePortValue(context, args, port, "inputs", ports.readAllDigitalInputsFromPort(port));
    }
}

// The port's outputs become `value`: the outputs to switch off first, then those to
// switch on, so that a port never holds more outputs on than the old and the new value
// share plus the new ones, and a failure half-way leaves fewer outputs on, not more.
void runSet(const PortArgs& args, Context& context) {
    const auto port = static_cast<uint8_t>(parseNumber(args.port, kPortBits, "port"));
    const auto value = static_cast<uint8_t>(parseNumber(args.value, kValueBits, "value"));
    std::shared_ptr<Device> board = findBoard(args.board);
    DigitalIOPortsInterface& ports = portsOf(board, args.board);
    const auto off = static_cast<uint8_t>(~value);
    if (off != 0) ports.writeAllDigitalOutputsOnPort(off, 0, port);
    if (value != 0) ports.writeAllDigitalOutputsOnPort(value, 1, port);
    if (context.json) writeJson(context.out, {{"board", args.board}, {"port", port}, {"outputs", value}});
}

void runDirections(const PortArgs& args, Context& context) {
    if (args.directionsGiven) {
        const auto directions = static_cast<uint32_t>(parseNumber(args.directions, kDirectionBits, "directions"));
        std::shared_ptr<Device> board = findBoard(args.board);
        portsOf(board, args.board).setAllDigitalPortsDirections(directions);
        if (context.json) writeJson(context.out, {{"board", args.board}, {"directions", directions}});
        return;
    }
    std::shared_ptr<Device> board = findBoard(args.board);
    const uint32_t directions = portsOf(board, args.board).getAllDigitalPortDirections();
    if (context.json) {
        writeJson(context.out, {{"board", args.board}, {"directions", directions}});
    } else {
        context.out << hexText(directions, 4) << "\n";
    }
}

}  // namespace

void addPortCommands(CommandTable& table) {
    auto args = std::make_shared<PortArgs>();
    CLI::App* port = table.add(table.root(), "port",
                               "Read and write the 8-bit ports of a port board and their directions",
                               {"corvane port BOARD get PORT", "corvane port BOARD outputs PORT",
                                "corvane port BOARD set PORT VALUE", "corvane port BOARD dir [DIRECTIONS]"});
    port->require_subcommand(1);
    positional(*port, "BOARD", args->board, "Board identifier")->required();

    CLI::App* get = table.add(*port, "get", "Read the 8 inputs of PORT, in hexadecimal", {"corvane port BOARD get PORT"},
                              [args](Context& context) { runRead(*args, context, false); });
    positional(*get, "PORT", args->port, "Port number")->required();

    CLI::App* outputs = table.add(*port, "outputs", "Read the 8 output states of PORT, in hexadecimal",
                                  {"corvane port BOARD outputs PORT"},
                                  [args](Context& context) { runRead(*args, context, true); });
    positional(*outputs, "PORT", args->port, "Port number")->required();

    CLI::App* set = table.add(*port, "set",
                              "Set the 8 outputs of PORT to VALUE (bit n = output n)",
                              {"corvane port BOARD set PORT VALUE"},
                              [args](Context& context) { runSet(*args, context); });
    table.details(set, "The outputs to switch off are written first, then those to switch on.");
    positional(*set, "PORT", args->port, "Port number")->required();
    positional(*set, "VALUE", args->value, "New output states, 0 to 0xff")->required();

    CLI::App* dir = table.add(*port, "dir",
                              "Read or set the port directions (bit n = port n, 1 output)",
                              {"corvane port BOARD dir [DIRECTIONS]"},
                              [args](Context& context) { runDirections(*args, context); });
    table.details(dir,
                  "Without DIRECTIONS: the direction word in hexadecimal. With it: every port's direction\n"
                  "at once (1 output, 0 input).");
    CLI::Option* directions = positional(*dir, "DIRECTIONS", args->directions, "Direction word, 32 bits");
    dir->parse_complete_callback([args, directions]() { args->directionsGiven = directions->count() > 0; });
}

}  // namespace corvane_tool
