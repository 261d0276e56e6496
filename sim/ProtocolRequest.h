// The requests of the server socket beyond the control commands: the reply format of a
// connection, and the driver requests that the interposer sends for a program running
// against the server's boards.
//
//   format json|text            replies of this connection as JSON lines or text
//   nodes                       ok NODE NODE/ ...   (a trailing / marks a directory node)
//   open NODE                   ok HANDLE, with the node's event descriptor attached
//                               (SCM_RIGHTS); or: fail ERRNO
//   ioctl HANDLE COMMAND HEX|-  ok RESULT ERRNO HEX|-  (the record as the driver left it)
//   close HANDLE                ok
//
// The parser is a pure function, like the control-command parser.
#ifndef CORVANE_SIM_PROTOCOL_REQUEST_H
#define CORVANE_SIM_PROTOCOL_REQUEST_H

#include <cstdint>
#include <string>
#include <vector>

#include "ControlCommand.h"

namespace corvane_sim {

enum class RequestVerb { Format, Nodes, Open, Ioctl, Close };

struct ProtocolRequest {
    RequestVerb verb = RequestVerb::Nodes;
    bool json = false;            // format
    std::string node;             // open
    uint32_t handle = 0;          // ioctl, close
    uint32_t command = 0;         // ioctl
    bool hasRecord = false;       // ioctl: false for "-" (a null argument)
    std::vector<uint8_t> record;  // ioctl: exactly the command's record size
};

// True when the line's first word names one of these requests.
bool isProtocolRequest(const std::vector<Word>& words);
// Parses such a line. All or nothing.
bool parseProtocolRequest(const std::vector<Word>& words, ProtocolRequest& out, ParseError& error);

}  // namespace corvane_sim

#endif
