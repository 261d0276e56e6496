// corvane get, set and outputs: the digital channels of a board.
#include <corvane/DigitalIOInterface.h>

#include <memory>
#include <string>
#include <vector>

#include "Boards.h"
#include "CommandTable.h"
#include "Commands.h"
#include "Numbers.h"
#include "Output.h"
#include "Text.h"
#include "ToolErrors.h"

using velmor::corvane::Device;
using velmor::corvane::DigitalIOInterface;

namespace corvane_tool {

namespace {

constexpr const char* kDigital = "digital-io";
constexpr unsigned kChannelBits = 8;  // the library's channel argument is 8 bits wide
constexpr unsigned kMaskBits = 32;

struct GetArgs {
    std::string board;
    std::vector<std::string> channels;
};

void runGet(const GetArgs& args, Context& context) {
    std::vector<uint8_t> channels;
    for (const std::string& text : args.channels) {
        channels.push_back(static_cast<uint8_t>(parseNumber(text, kChannelBits, "channel")));
    }
    std::shared_ptr<Device> board = findBoard(args.board);
    DigitalIOInterface& digital = need(board->digitalIo(), args.board, kDigital);
    if (channels.empty()) {
        const uint32_t inputs = digital.readAllDigitalInput();
        if (context.json) {
            writeJson(context.out, {{"board", args.board}, {"inputs", inputs}});
        } else {
            context.out << hexText(inputs, 8) << "\n";
        }
        return;
    }
    // Every channel is read before anything is printed: a refused channel prints nothing.
    std::vector<bool> states;
    for (uint8_t channel : channels) states.push_back(digital.readSingleDigitalInput(channel));
    if (context.json) {
        Json list = Json::array();
        for (size_t i = 0; i < channels.size(); ++i) list.push_back({{"channel", channels[i]}, {"state", states[i] ? 1 : 0}});
        writeJson(context.out, {{"board", args.board}, {"channels", list}});
        return;
    }
    for (size_t i = 0; i < channels.size(); ++i) {
        context.out << static_cast<unsigned>(channels[i]) << "=" << (states[i] ? 1 : 0) << "\n";
    }
}

struct SetArgs {
    std::string board;
    std::vector<std::string> assignments;
    bool all = false;
    std::string memory;
};

void runSet(const SetArgs& args, Context& context) {
    bool memoryGiven = !args.memory.empty();
    if (memoryGiven && args.memory != "on" && args.memory != "off") {
        throw UsageError("--memory \"" + args.memory + "\" is not on or off");
    }
    std::vector<Assignment> writes;
    if (args.all) {
        if (args.assignments.size() != 1) throw UsageError("--all takes exactly one MASK=0|1");
        writes.push_back(parseAssignment(args.assignments.front(), kMaskBits, "mask"));
    } else {
        for (const std::string& text : args.assignments) writes.push_back(parseAssignment(text, kChannelBits, "channel"));
    }
    std::shared_ptr<Device> board = findBoard(args.board);
    DigitalIOInterface& digital = need(board->digitalIo(), args.board, kDigital);
    if (memoryGiven) {
        if (args.memory == "on") {
            digital.setOutputMemoryOn();
        } else {
            digital.setOutputMemoryOff();
        }
    }
    for (const Assignment& write : writes) {
        if (args.all) {
            digital.writeAllDigitalOutput(static_cast<uint32_t>(write.target), write.state);
        } else {
            digital.writeSingleDigitalOutput(static_cast<uint8_t>(write.target), write.state);
        }
    }
    if (context.json) {
        // What was written, in the order written.
        Json written = Json::array();
        for (const Assignment& write : writes) {
            written.push_back({{args.all ? "mask" : "channel", write.target}, {"state", write.state ? 1 : 0}});
        }
        Json done{{"board", args.board}, {"written", written}};
        if (memoryGiven) done["memory"] = args.memory;
        writeJson(context.out, done);
    }
}

void runOutputs(const std::string& id, Context& context) {
    std::shared_ptr<Device> board = findBoard(id);
    const uint32_t outputs = need(board->digitalIo(), id, kDigital).getDigitalOutputStatus();
    if (context.json) {
        writeJson(context.out, {{"board", id}, {"outputs", outputs}});
    } else {
        context.out << hexText(outputs, 8) << "\n";
    }
}

}  // namespace

void addDigitalCommands(CommandTable& table) {
    auto get = std::make_shared<GetArgs>();
    CLI::App* getCommand = table.add(
        table.root(), "get", "Read the inputs",
        {"corvane get BOARD [CHANNEL...]"}, [get](Context& context) { runGet(*get, context); });
    table.details(getCommand,
                  "Without a channel: the 32-bit input word in hexadecimal. With channels: CHANNEL=0|1\n"
                  "for each, one per line, in the order given.");
    positional(*getCommand, "BOARD", get->board, "Board identifier")->required();
    positional(*getCommand, "CHANNEL", get->channels, "Input channel (0 to 255; the board sets the limit)");

    auto set = std::make_shared<SetArgs>();
    CLI::App* setCommand = table.add(table.root(), "set", "Switch outputs on (1) or off (0)",
                                     {"corvane set BOARD CHANNEL=0|1... [--memory on|off]",
                                      "corvane set BOARD --all MASK=0|1 [--memory on|off]"},
                                     [set](Context& context) { runSet(*set, context); });
    table.details(setCommand,
                  "Channels are written one after the other, in the order given. With --all, MASK names\n"
                  "the outputs to switch in one call (bit n = output n). With output memory off, each\n"
                  "write switches the other outputs off: give --memory on to switch several.");
    positional(*setCommand, "BOARD", set->board, "Board identifier")->required();
    positional(*setCommand, "CHANNEL=0|1", set->assignments, "Output channel and its new state")->required();
    setCommand->add_flag("--all", set->all, "Write the 32-bit output MASK (MASK=0|1) in one call");
    setCommand->add_option("--memory", set->memory,
                           "Output memory for these writes (without it the board's own setting stays: on for "
                           "most boards, off for KELOX7100)")
        ->type_name("on|off");

    auto outputs = std::make_shared<std::string>();
    CLI::App* outputsCommand = table.add(table.root(), "outputs", "Read the output status word, in hexadecimal",
                                         {"corvane outputs BOARD"},
                                         [outputs](Context& context) { runOutputs(*outputs, context); });
    positional(*outputsCommand, "BOARD", *outputs, "Board identifier")->required();
}

}  // namespace corvane_tool
