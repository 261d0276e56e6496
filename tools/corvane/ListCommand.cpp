// corvane list: one line per board.
#include <corvane/DeviceDiscovery.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Boards.h"
#include "CommandTable.h"
#include "Commands.h"
#include "Names.h"
#include "Output.h"
#include "Text.h"

using velmor::corvane::Device;
using velmor::corvane::DeviceDiscovery;

namespace corvane_tool {

namespace {

struct BoardSummary {
    std::string id;
    std::string model;
    std::string firmware;
    uint32_t bus = 0;
    uint32_t slot = 0;
    bool pcie = false;
    std::vector<std::string> capabilities;
};

BoardSummary summarise(Device& board) {
    const VelmorDeviceStruct info = board.getDeviceInformation();
    BoardSummary s;
    s.id = fieldText(info.id);
    s.model = fieldText(info.general.product_name);
    s.firmware = fieldText(info.general.firmware_version);
    s.bus = info.bus.bus_number;
    s.slot = info.bus.device_number;
    s.pcie = info.general.device_type == VELMOR_DEVICE_PCIE;
    s.capabilities = capabilityNames(board);
    return s;
}

// Columns padded to their widest entry, two blanks apart; the last one unpadded.
void writeTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
        }
        out << line << "\n";
    }
}

void runList(Context& context) {
    std::vector<BoardSummary> boards;
    for (const std::shared_ptr<Device>& device : DeviceDiscovery::getDevices()) boards.push_back(summarise(*device));

    if (context.json) {
        Json list = Json::array();
        for (const BoardSummary& b : boards) {
            list.push_back({{"id", b.id},
                            {"model", b.model},
                            {"firmware", b.firmware},
                            {"bus", b.bus},
                            {"slot", b.slot},
                            {"pcie", b.pcie},
                            {"capabilities", b.capabilities}});
        }
        writeJson(context.out, list);
        return;
    }
    std::vector<std::vector<std::string>> rows;
    for (const BoardSummary& b : boards) {
        rows.push_back({printable(b.id), printable(b.model), printable(b.firmware),
                        "bus " + std::to_string(b.bus) + " slot " + std::to_string(b.slot),
                        b.pcie ? "PCI Express" : "PCI", joined(b.capabilities, ",")});
    }
    writeTable(context.out, rows);
    if (boards.empty()) context.err << "corvane: no boards found\n";
}

}  // namespace

void addListCommands(CommandTable& table) {
    CLI::App* list = table.add(table.root(), "list", "List the boards, one line each", {"corvane list [--json]"}, runList);
    table.details(list,
                  "Each line: identifier, model, firmware, bus and slot, PCI or PCI Express, and the\n"
                  "capabilities (digital-io, ports, timer, counter, watchdog, interrupt). With --json an\n"
                  "array of objects with the same fields.");
}

}  // namespace corvane_tool
