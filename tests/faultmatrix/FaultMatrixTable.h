// One row per exported C function (more where a second board runs another path): how to
// call it, on which board, and the driver commands an undisturbed call sends there.
#ifndef FAULT_MATRIX_TABLE_H
#define FAULT_MATRIX_TABLE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <corvane/Corvane.h>

namespace fault_matrix {

// Everything a function may write through its output pointers. The matrix fills it with
// a canary pattern before each failing call and compares afterwards.
struct Outputs {
    uint32_t word;
    uint8_t status[3];
    uint8_t byte;
    unsigned char count;
    VelmorDeviceStruct device;
    VelmorDeviceStruct list[8];
};

using Call = std::function<uint32_t(Outputs&)>;

struct Row {
    std::string function;            // the exported name
    std::string board;               // node the call goes to; empty: sends no command
    std::vector<uint32_t> commands;  // what an undisturbed call sends, in order
    Call call;                       // empty: not called here (see why)
    Call setup;                      // before every call, must return 0
    Call teardown;                   // after the last call of the row
    uint32_t ordinary = 0;           // what an undisturbed call returns
    uint32_t failure = 0x86000F08u;  // what it returns when one of its commands fails
    std::string why;                 // for rows that send no command: why not
};

const std::vector<Row>& rows();

}  // namespace fault_matrix

#endif
