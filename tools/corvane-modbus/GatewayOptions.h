// The command line of corvane-modbus.
#ifndef CORVANE_MODBUS_GATEWAY_OPTIONS_H
#define CORVANE_MODBUS_GATEWAY_OPTIONS_H

#include <chrono>
#include <string>
#include <vector>

#include "AllowList.h"
#include "ListenAddress.h"

namespace corvane_modbus {

// --unit BOARD=ID
struct UnitAssignment {
    std::string board;
    unsigned id = 0;
};

struct GatewayOptions {
    std::vector<UnitAssignment> units;  // empty: every board, 1, 2, 3 ... in identifier order
    ListenAddress listen;
    bool allowWrite = false;
    AllowList allow;
    unsigned maxClients = 16;
    std::chrono::milliseconds idleTimeout{60000};  // 0: never drop a silent client
    bool interrupts = false;
    std::string logFile;  // empty: standard error
    bool printMap = false;
    bool help = false;
};

// Limits of the options.
constexpr unsigned kFirstUnitId = 1;
constexpr unsigned kLastUnitId = 247;
constexpr unsigned kMaxClientsLimit = 1000;
constexpr std::chrono::milliseconds kIdleTimeoutLimit{86400000};

struct OptionsResult {
    bool ok = false;
    std::string error;  // one line, without the program's name
    GatewayOptions options;
};

// args: the arguments after the program's name.
OptionsResult parseGatewayOptions(const std::vector<std::string>& args);

// The text of --help.
std::string gatewayUsage();

}  // namespace corvane_modbus

#endif
