// corvane info BOARD: everything in the board's device structure, grouped and labelled.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Boards.h"
#include "CommandTable.h"
#include "Commands.h"
#include "Names.h"
#include "Output.h"
#include "Text.h"

using velmor::corvane::Device;

namespace corvane_tool {

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

// "  Label:   value", values starting in one column; an empty value leaves no blanks.
void writeGroup(std::ostream& out, const std::string& title, const Rows& rows) {
    out << title << "\n";
    for (const auto& row : rows) {
        std::string line = "  " + row.first + ":";
        if (!row.second.empty()) line += std::string(line.size() < 24 ? 24 - line.size() : 1, ' ') + row.second;
        out << line << "\n";
    }
}

template <typename Limits>
Rows reloadRows(const Limits& limits) {
    Rows rows;
    const std::vector<std::string>& names = timebaseNames();
    for (size_t i = 0; i < names.size(); ++i) {
        rows.emplace_back("Reload " + names[i], std::to_string(limits.min_reload_value[i]) + " to " +
                                                    std::to_string(limits.max_reload_value[i]));
    }
    rows.emplace_back("Valid options", hexText(limits.valid_options, 8) + " (" + optionText(limits.valid_options) + ")");
    return rows;
}

template <typename Limits>
Json reloadJson(const char* countKey, unsigned count, const Limits& limits) {
    Json min = Json::object();
    Json max = Json::object();
    const std::vector<std::string>& names = timebaseNames();
    for (size_t i = 0; i < names.size(); ++i) {
        min[names[i]] = limits.min_reload_value[i];
        max[names[i]] = limits.max_reload_value[i];
    }
    return {{countKey, count},
            {"min_reload_value", min},
            {"max_reload_value", max},
            {"valid_options", limits.valid_options},
            {"valid_option_names", optionNames(limits.valid_options)}};
}

std::string deviceTypeText(uint32_t type) {
    if (type == VELMOR_DEVICE_PCI) return "0 (PCI)";
    if (type == VELMOR_DEVICE_PCIE) return "1 (PCI Express)";
    return std::to_string(type);
}

void writeText(std::ostream& out, const VelmorDeviceStruct& d, const std::vector<std::string>& capabilities) {
    const VelmorGeneralInformations& g = d.general;
    const VelmorFunctionInformations& f = d.functions;
    const VelmorPCIBusInformations& b = d.bus;
    out << "Board " << printable(fieldText(d.id)) << "\n";
    out << "Capabilities: " << (capabilities.empty() ? "none" : joined(capabilities, ",")) << "\n";
    writeGroup(out, "General",
               {{"Serial number", printable(fieldText(g.serial_number))},
                {"Product name", printable(fieldText(g.product_name))},
                {"Firmware version", printable(fieldText(g.firmware_version))},
                {"Library version", printable(fieldText(g.library_version))},
                {"Driver version", printable(fieldText(g.driver_version))},
                {"Device path", printable(fieldText(g.device_path))},
                {"Custom id", printable(wideFieldText(g.custom_id))},
                {"Device type", deviceTypeText(g.device_type)}});
    writeGroup(out, "Digital I/O",
               {{"Inputs", std::to_string(f.digital.number_inputs)},
                {"Outputs", std::to_string(f.digital.number_outputs)},
                {"Ports", std::to_string(f.digital.number_of_ports)},
                {"Interrupt mask", hexText(f.digital.interrupt_mask, 8)}});
    Rows timer{{"Timers", std::to_string(f.timer.number_timers)}};
    for (auto& row : reloadRows(f.timer)) timer.push_back(row);
    writeGroup(out, "Timer", timer);
    Rows watchdog{{"Watchdogs", std::to_string(f.watchdog.number_watchdogs)}};
    for (auto& row : reloadRows(f.watchdog)) watchdog.push_back(row);
    writeGroup(out, "Watchdog", watchdog);
    writeGroup(out, "Counter",
               {{"Counters", std::to_string(f.counter.number_counters)},
                {"Max reload", std::to_string(f.counter.max_reload_value)},
                {"Valid options",
                 hexText(f.counter.valid_options, 8) + " (" + optionText(f.counter.valid_options) + ")"}});
    Rows bus{{"Vendor id", hexText(b.vendor_id, 4)},
             {"Device id", hexText(b.device_id, 4)},
             {"Number", std::to_string(b.number)},
             {"Bus number", std::to_string(b.bus_number)},
             {"Device number", std::to_string(b.device_number)}};
    for (size_t i = 0; i < 6; ++i) bus.emplace_back("BAR" + std::to_string(i), hexText(b.base_address_register[i], 16));
    bus.emplace_back("Interrupt line", std::to_string(b.interrupt_number));
    bus.emplace_back("PCI Express", b.is_pcie != 0 ? "yes (" + std::to_string(b.is_pcie) + ")" : "no (0)");
    writeGroup(out, "PCI bus", bus);
}

Json toJson(const VelmorDeviceStruct& d, const std::vector<std::string>& capabilities) {
    const VelmorGeneralInformations& g = d.general;
    const VelmorFunctionInformations& f = d.functions;
    const VelmorPCIBusInformations& b = d.bus;
    std::vector<uint64_t> bars(b.base_address_register, b.base_address_register + 6);
    return {{"id", fieldText(d.id)},
            {"capabilities", capabilities},
            {"general",
             {{"serial_number", fieldText(g.serial_number)},
              {"product_name", fieldText(g.product_name)},
              {"firmware_version", fieldText(g.firmware_version)},
              {"library_version", fieldText(g.library_version)},
              {"driver_version", fieldText(g.driver_version)},
              {"device_path", fieldText(g.device_path)},
              {"custom_id", wideFieldText(g.custom_id)},
              {"device_type", g.device_type}}},
            {"digital",
             {{"number_inputs", f.digital.number_inputs},
              {"number_outputs", f.digital.number_outputs},
              {"number_of_ports", f.digital.number_of_ports},
              {"interrupt_mask", f.digital.interrupt_mask}}},
            {"timer", reloadJson("number_timers", f.timer.number_timers, f.timer)},
            {"watchdog", reloadJson("number_watchdogs", f.watchdog.number_watchdogs, f.watchdog)},
            {"counter",
             {{"number_counters", f.counter.number_counters},
              {"max_reload_value", f.counter.max_reload_value},
              {"valid_options", f.counter.valid_options},
              {"valid_option_names", optionNames(f.counter.valid_options)}}},
            {"bus",
             {{"vendor_id", b.vendor_id},
              {"device_id", b.device_id},
              {"number", b.number},
              {"bus_number", b.bus_number},
              {"device_number", b.device_number},
              {"base_address_register", bars},
              {"interrupt_number", b.interrupt_number},
              {"is_pcie", b.is_pcie}}}};
}

}  // namespace

void addInfoCommands(CommandTable& table) {
    auto board = std::make_shared<std::string>();
    CLI::App* info = table.add(table.root(), "info",
                               "Show everything the board's device structure holds",
                               {"corvane info BOARD [--json]"}, [board](Context& context) {
                                   std::shared_ptr<Device> device = findBoard(*board);
                                   const VelmorDeviceStruct d = device->getDeviceInformation();
                                   const std::vector<std::string> capabilities = capabilityNames(*device);
                                   if (context.json) {
                                       writeJson(context.out, toJson(d, capabilities));
                                   } else {
                                       writeText(context.out, d, capabilities);
                                   }
                               });
    table.details(info,
                  "General texts, the counts and limits of every capability, and the PCI bus data with\n"
                  "all six BARs, grouped and labelled.");
    positional(*info, "BOARD", *board, "Board identifier, as corvane list shows it")->required();
}

}  // namespace corvane_tool
