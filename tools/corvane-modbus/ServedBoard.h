// One board served as one Modbus unit, and the choice of unit identifiers.
#ifndef CORVANE_MODBUS_SERVED_BOARD_H
#define CORVANE_MODBUS_SERVED_BOARD_H

#include <memory>
#include <string>
#include <vector>

#include <corvane/Device.h>
#include "GatewayOptions.h"
#include "InterruptCounters.h"
#include "RegisterMap.h"

namespace corvane_modbus {

struct ServedBoard {
    std::string id;       // the library's device identifier, keloe6100_0
    std::string product;  // the product name in the board's information, keloe6100
    unsigned unit = 0;
    std::shared_ptr<velmor::corvane::Device> device;
    RegisterMap map;
    std::shared_ptr<InterruptCounters> counters;  // with --interrupts on a board that has them
};

// What the map of a board holds: its capabilities and their counts from its device
// structure, and the interrupt counters when they are asked for and the board has
// interrupts.
BoardShape shapeOf(velmor::corvane::Device& device, bool interruptCounters);

struct UnitPlan {
    bool ok = false;
    std::string error;
    std::vector<UnitAssignment> units;  // in unit order
};

// boards: the identifiers of the boards found, in identifier order. Without requested
// units every board is served, as 1, 2, 3 ...; with them only the boards they name,
// each of which must exist.
UnitPlan planUnits(const std::vector<std::string>& boards, const std::vector<UnitAssignment>& requested);

// The boards the options ask for, as the library finds them, each with its map (and its
// interrupt counters with --interrupts) and output memory on, in unit order. False with
// the reason (the library's text, an unknown board) when they cannot be served.
bool serveBoards(const GatewayOptions& options, std::vector<ServedBoard>& served, std::string& error);

}  // namespace corvane_modbus

#endif
