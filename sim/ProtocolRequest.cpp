// Parser of the format and driver requests.
#include "ProtocolRequest.h"

#include "SimCommandTable.h"
#include "SimHex.h"

namespace corvane_sim {
namespace {

struct RequestInfo {
    const char* name;
    RequestVerb verb;
    size_t args;
    const char* usage;
};

const RequestInfo kRequests[] = {
    {"format", RequestVerb::Format, 1, "format json|text"},
    {"nodes", RequestVerb::Nodes, 0, "nodes"},
    {"open", RequestVerb::Open, 1, "open NODE"},
    {"ioctl", RequestVerb::Ioctl, 3, "ioctl HANDLE COMMAND HEX|-"},
    {"close", RequestVerb::Close, 1, "close HANDLE"},
};

const RequestInfo* findRequest(const std::vector<Word>& words) {
    if (words.empty()) return nullptr;
    for (const auto& r : kRequests) {
        if (words[0].text == r.name) return &r;
    }
    return nullptr;
}

bool parseU32(const std::string& text, uint32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFull) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

ParseError errorAt(const std::vector<Word>& words, size_t index, const std::string& reason) {
    ParseError e;
    e.command = words[0].text;
    e.word = index + 1;
    e.column = index < words.size() ? words[index].column : words.back().column + words.back().text.size() + 1;
    e.reason = reason;
    return e;
}

}  // namespace

bool isProtocolRequest(const std::vector<Word>& words) {
    return findRequest(words) != nullptr;
}

bool parseProtocolRequest(const std::vector<Word>& words, ProtocolRequest& out, ParseError& error) {
    const RequestInfo* info = findRequest(words);
    if (info == nullptr) {
        error = ParseError();
        error.word = 1;
        error.column = words.empty() ? 1 : words[0].column;
        error.reason = "not a request";
        return false;
    }
    if (words.size() - 1 != info->args) {
        error = errorAt(words, words.size() - 1 < info->args ? words.size() : info->args + 1,
                        std::string("wrong number of words (usage: ") + info->usage + ")");
        return false;
    }
    ProtocolRequest r;
    r.verb = info->verb;
    switch (info->verb) {
    case RequestVerb::Format:
        if (words[1].text != "json" && words[1].text != "text") {
            error = errorAt(words, 1, "format must be json or text, got \"" + words[1].text + "\"");
            return false;
        }
        r.json = words[1].text == "json";
        break;
    case RequestVerb::Nodes:
        break;
    case RequestVerb::Open:
        r.node = words[1].text;
        break;
    case RequestVerb::Close:
        if (!parseU32(words[1].text, r.handle)) {
            error = errorAt(words, 1, "handle must be a decimal number, got \"" + words[1].text + "\"");
            return false;
        }
        break;
    case RequestVerb::Ioctl: {
        if (!parseU32(words[1].text, r.handle)) {
            error = errorAt(words, 1, "handle must be a decimal number, got \"" + words[1].text + "\"");
            return false;
        }
        if (!parseU32(words[2].text, r.command)) {
            error = errorAt(words, 2, "command must be a decimal number, got \"" + words[2].text + "\"");
            return false;
        }
        const uint32_t size = recordSize(r.command);
        const std::string& hex = words[3].text;
        if (hex == "-") {
            r.hasRecord = false;
        } else {
            r.hasRecord = true;
            r.record.assign(size, 0);
            if (size == 0 || !hexDecode(hex.data(), hex.size(), r.record.data(), size)) {
                error = errorAt(
                    words, 3,
                    "the record of " + std::string(commandName(r.command)) + " is " +
                        (size == 0 ? std::string("- (no argument)") : std::to_string(size) + " bytes in hexadecimal"));
                return false;
            }
        }
        break;
    }
    }
    out = std::move(r);
    return true;
}

}  // namespace corvane_sim
