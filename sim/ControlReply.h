// A reply of the simulator server and its two spellings on the socket: one line of text
// ("ok ..." or "error ...") or one line of JSON ({"ok": true, ...}).
#ifndef CORVANE_SIM_CONTROL_REPLY_H
#define CORVANE_SIM_CONTROL_REPLY_H

#include <nlohmann/json.hpp>
#include <string>

#include "ControlCommand.h"
#include "corvane_sim.h"

namespace corvane_sim {

struct ControlReply {
    bool ok = true;
    std::string text;                                                // after "ok " (may be empty)
    nlohmann::ordered_json data = nlohmann::ordered_json::object();  // beside "ok": true
    ParseError error;                                                // when not ok

    static ControlReply failure(const ParseError& error);
};

// "ok TEXT" / "error COMMAND: word N (column C): REASON", without the newline.
std::string replyText(const ControlReply& reply);
// {"ok":true,...} / {"ok":false,"command":...,"word":N,"column":C,"reason":...,"error":...}.
std::string replyJson(const ControlReply& reply);

// One trace entry, as "trace NODE NAME 0xCOMMAND result=R errno=E sent=HEX returned=HEX"
// or as {"trace":{...}}.
std::string traceText(const corvane_sim_trace_entry& entry);
std::string traceJson(const corvane_sim_trace_entry& entry);

}  // namespace corvane_sim

#endif
