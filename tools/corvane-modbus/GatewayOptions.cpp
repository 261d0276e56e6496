#include "GatewayOptions.h"

#include <set>

#include "NumberText.h"

namespace corvane_modbus {

namespace {

struct OptionSpec {
    const char* name;
    bool takesValue;
};

const OptionSpec kOptions[] = {
    {"unit", true},         {"listen", true},  {"allow-write", false}, {"allow", true},
    {"max-clients", true},  {"idle-timeout", true}, {"interrupts", false}, {"log", true},
    {"print-map", false},   {"help", false},
};

bool applyUnit(const std::string& value, GatewayOptions& options, std::string& error) {
    const auto equals = value.rfind('=');
    if (equals == std::string::npos || equals == 0) {
        error = "--unit expects BOARD=ID, got \"" + value + "\"";
        return false;
    }
    UnitAssignment unit;
    unit.board = value.substr(0, equals);
    uint64_t id = 0;
    if (!parseUnsigned(value.substr(equals + 1), kLastUnitId, id) || id < kFirstUnitId) {
        error = "--unit " + value + ": the unit identifier must be a number from " +
                std::to_string(kFirstUnitId) + " to " + std::to_string(kLastUnitId);
        return false;
    }
    unit.id = static_cast<unsigned>(id);
    for (const UnitAssignment& other : options.units) {
        if (other.board == unit.board) {
            error = "--unit " + value + ": board " + unit.board + " already has unit " +
                    std::to_string(other.id);
            return false;
        }
        if (other.id == unit.id) {
            error = "--unit " + value + ": unit " + std::to_string(unit.id) +
                    " is already board " + other.board;
            return false;
        }
    }
    options.units.push_back(unit);
    return true;
}

bool apply(const std::string& name, const std::string& value, GatewayOptions& options,
           std::string& error) {
    if (name == "unit") return applyUnit(value, options, error);
    if (name == "listen") {
        std::string reason;
        if (parseListenAddress(value, options.listen, reason)) return true;
        error = "--listen " + value + ": " + reason;
        return false;
    }
    if (name == "allow") {
        Network network;
        std::string reason;
        if (!parseNetwork(value, network, reason)) {
            error = "--allow " + value + ": " + reason;
            return false;
        }
        options.allow.add(network);
        return true;
    }
    if (name == "max-clients") {
        uint64_t count = 0;
        if (!parseUnsigned(value, kMaxClientsLimit, count) || count == 0) {
            error = "--max-clients " + value + ": expected a number from 1 to " +
                    std::to_string(kMaxClientsLimit);
            return false;
        }
        options.maxClients = static_cast<unsigned>(count);
        return true;
    }
    if (name == "idle-timeout") {
        if (parseDuration(value, kIdleTimeoutLimit, options.idleTimeout)) return true;
        error = "--idle-timeout " + value +
                ": expected a duration (60, 1.5, 2s, 250ms, 5m, 1h; seconds without a unit), at most 24 h; 0 never drops";
        return false;
    }
    if (name == "log") {
        if (value.empty()) {
            error = "--log needs a file name";
            return false;
        }
        options.logFile = value;
        return true;
    }
    if (name == "allow-write") options.allowWrite = true;
    if (name == "interrupts") options.interrupts = true;
    if (name == "print-map") options.printMap = true;
    if (name == "help") options.help = true;
    return true;
}

}  // namespace

OptionsResult parseGatewayOptions(const std::vector<std::string>& args) {
    OptionsResult result;
    GatewayOptions& options = result.options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg.compare(0, 2, "--") != 0 || arg.size() == 2) {
            result.error = "unexpected argument \"" + arg + "\"";
            return result;
        }
        const auto equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& candidate : kOptions) {
            if (name == candidate.name) spec = &candidate;
        }
        if (spec == nullptr) {
            result.error = "unknown option --" + name;
            return result;
        }
        std::string value;
        if (equals != std::string::npos) {
            if (!spec->takesValue) {
                result.error = "--" + name + " takes no value";
                return result;
            }
            value = arg.substr(equals + 1);
        } else if (spec->takesValue) {
            if (i + 1 >= args.size()) {
                result.error = "--" + name + " needs a value";
                return result;
            }
            value = args[++i];
        }
        if (!apply(name, value, options, result.error)) return result;
    }
    result.ok = true;
    return result;
}

std::string gatewayUsage() {
    return
        "Usage: corvane-modbus [OPTION]...\n"
        "Serves the boards that libCorvane finds to Modbus TCP clients: one unit per board,\n"
        "discrete inputs, coils, input and holding registers (docs/modbus.md has the map).\n"
        "\n"
        "  --unit BOARD=ID        serve BOARD as unit ID (1-247); repeatable. Without it every\n"
        "                         board is served, as units 1, 2, 3 ... in identifier order;\n"
        "                         with it only the boards named\n"
        "  --listen ADDR:PORT     listen there (default 127.0.0.1:1502; IPv6 as [::1]:1502;\n"
        "                         port 0 takes a free port; ports below 1024 need privileges)\n"
        "  --allow-write          execute writes (without it they get exception 1)\n"
        "  --allow CIDR           accept clients of this network only (192.168.1.0/24,\n"
        "                         10.0.0.5, fd00::/8); repeatable; others are closed at once\n"
        "  --max-clients N        at most N clients at once (default 16, at most 1000)\n"
        "  --idle-timeout TIME    drop a client without a complete request for TIME\n"
        "                         (default 60 s; 1.5, 250ms, 5m, 1h; 0 never)\n"
        "  --interrupts           enable each board's interrupts and count them in\n"
        "                         input registers 400-405\n"
        "  --log FILE             append the log to FILE (default: standard error)\n"
        "  --print-map            print the register map of the boards and exit\n"
        "  -h, --help             print this help and exit\n"
        "\n"
        "SIGINT or SIGTERM closes every connection, disables interrupts and exits with 0.\n"
        "Exit status: 0 stopped by a signal, 1 start-up failure, 2 usage error.\n";
}

}  // namespace corvane_modbus
