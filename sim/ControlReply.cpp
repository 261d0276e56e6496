// Spelling of replies and trace entries.
#include "ControlReply.h"

#include <cstdio>
#include <cstring>

#include "SimCommandTable.h"
#include "SimHex.h"

namespace corvane_sim {

ControlReply ControlReply::failure(const ParseError& error) {
    ControlReply r;
    r.ok = false;
    r.error = error;
    return r;
}

std::string replyText(const ControlReply& reply) {
    if (!reply.ok) return "error " + reply.error.text();
    return reply.text.empty() ? "ok" : "ok " + reply.text;
}

std::string replyJson(const ControlReply& reply) {
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    if (reply.ok) {
        j["ok"] = true;
        for (auto it = reply.data.begin(); it != reply.data.end(); ++it) j[it.key()] = it.value();
    } else {
        j["ok"] = false;
        j["command"] = reply.error.command;
        j["word"] = reply.error.word;
        j["column"] = reply.error.column;
        j["reason"] = reply.error.reason;
        j["error"] = reply.error.text();
    }
    // Texts from clients may hold any byte; replace what is not UTF-8 instead of failing.
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string traceText(const corvane_sim_trace_entry& e) {
    char head[64];
    std::snprintf(head, sizeof head, "0x%08x result=%d errno=%d", e.command, e.result, e.error_number);
    const size_t size = e.size <= CORVANE_SIM_MAX_RECORD ? e.size : CORVANE_SIM_MAX_RECORD;
    return std::string("trace ") + e.node + " " + commandName(e.command) + " " + head +
           " sent=" + (size ? hexEncode(e.sent, size) : "-") +
           " returned=" + (size ? hexEncode(e.returned, size) : "-");
}

std::string traceJson(const corvane_sim_trace_entry& e) {
    const size_t size = e.size <= CORVANE_SIM_MAX_RECORD ? e.size : CORVANE_SIM_MAX_RECORD;
    nlohmann::ordered_json t = {
        {"node", e.node},
        {"command", e.command},
        {"name", commandName(e.command)},
        {"result", e.result},
        {"errno", e.error_number},
        {"sent", hexEncode(e.sent, size)},
        {"returned", hexEncode(e.returned, size)},
    };
    nlohmann::ordered_json j = {{"trace", t}};
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace corvane_sim
