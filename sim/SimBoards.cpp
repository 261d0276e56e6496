// Parsing of board lists such as
//   keloe6100,kelo3100:number=1,kelo4210:product=kelo4210,kelo4220:node=kelo4220_0
// Items are separated by commas; each is a node prefix followed by ":key=value"
// settings. Texts may carry %XX escapes (two hex digits) for commas, colons or any
// other byte.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "SimInternal.h"

namespace corvane_sim {
namespace {

struct PrefixDefaults {
    const char* prefix;
    uint16_t device;
};

// The discovery prefixes and the PCI device id each simulated model reports.
const PrefixDefaults kPrefixes[] = {
    {"kelo3100", 0x3100},  {"keloe3100", 0x3101}, {"keloe6100", 0x6101}, {"kelo6100", 0x6100},
    {"keloe5100", 0x5101}, {"kelo5100", 0x5100},  {"keloe7100", 0x7101}, {"kelo7100", 0x7100},
    {"kelo4210", 0x4210},  {"kelo4220", 0x4220},
};

constexpr uint16_t kVendorId = 0x5645;

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t pos = s.find(sep, start);
        parts.push_back(s.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos) break;
        start = pos + 1;
    }
    return parts;
}

bool parseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v > max) return false;
    value = v;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int hi = hexDigit(text[i + 1]);
        int lo = hexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

// UTF-8 to wide text; false on a malformed sequence.
bool decodeUtf8(const std::string& in, std::wstring& out) {
    out.clear();
    for (size_t i = 0; i < in.size();) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (i + len > in.size()) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        out += static_cast<wchar_t>(cp);
        i += len;
    }
    return true;
}

bool validNodeName(const std::string& name) {
    if (name.empty() || name.size() > 63 || name == "." || name == "..") return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

std::string upper(const std::string& s) {
    std::string r = s;
    for (char& c : r) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return r;
}

// Parses one item; ordinal is the board's position among all boards.
bool parseItem(const std::string& item, size_t ordinal, std::map<std::string, uint32_t>& perPrefix,
               BoardConfig& b, std::string& reason) {
    std::vector<std::string> parts = split(item, ':');
    const std::string prefix = trim(parts[0]);
    const PrefixDefaults* model = nullptr;
    for (const auto& p : kPrefixes) {
        if (prefix == p.prefix) model = &p;
    }
    if (model == nullptr) {
        reason = "unknown node prefix \"" + prefix + "\"";
        return false;
    }
    const uint32_t k = perPrefix[prefix]++;
    b = BoardConfig();
    b.prefix = prefix;
    b.node = prefix + "_" + std::to_string(k);
    b.product = prefix;
    b.firmware = "SIM-" + upper(prefix) + "-1.0";
    b.driver = prefix + "_";
    b.number = k;
    b.pcie = prefix.find("keloe") != std::string::npos;
    b.vendor = kVendorId;
    b.device = model->device;
    b.bus = static_cast<uint32_t>(ordinal + 1);
    b.slot = 0;
    b.bar[0] = 0xF0000000ull + 0x100000ull * ordinal;
    b.bar[1] = 0xE000ull + 0x100ull * ordinal;
    b.irq = static_cast<uint8_t>(16 + ordinal % 200);
    bool customGiven = false;

    std::set<std::string> seen;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string setting = trim(parts[i]);
        size_t eq = setting.find('=');
        if (eq == std::string::npos || eq == 0) {
            reason = "setting \"" + setting + "\" is not key=value";
            return false;
        }
        const std::string key = setting.substr(0, eq);
        const std::string raw = setting.substr(eq + 1);
        if (!seen.insert(key).second) {
            reason = "setting " + key + " given twice";
            return false;
        }
        std::string text;
        if (!unescape(raw, text)) {
            reason = "value of " + key + " has a bad %XX escape";
            return false;
        }
        uint64_t v = 0;
        auto number = [&](uint64_t max) {
            if (parseUnsigned(text, max, v)) return true;
            reason = "value of " + key + " is not a number from 0 to " + std::to_string(max);
            return false;
        };
        auto flag = [&](bool& out) {
            if (text == "1" || text == "yes" || text == "true") {
                out = true;
                return true;
            }
            if (text == "0" || text == "no" || text == "false") {
                out = false;
                return true;
            }
            reason = "value of " + key + " must be 0 or 1";
            return false;
        };
        auto textUpTo = [&](size_t max, std::string& out) {
            if (text.size() > max) {
                reason = "value of " + key + " is longer than " + std::to_string(max) + " bytes";
                return false;
            }
            out = text;
            return true;
        };
        if (key == "node") {
            if (!validNodeName(text)) {
                reason = "node name \"" + text + "\" is not a plain file name of 1 to 63 characters";
                return false;
            }
            b.node = text;
        } else if (key == "number") {
            if (!number(0xFFFFFFFFull)) return false;
            b.number = static_cast<uint32_t>(v);
        } else if (key == "pcie") {
            if (!flag(b.pcie)) return false;
        } else if (key == "vendor") {
            if (!number(0xFFFF)) return false;
            b.vendor = static_cast<uint16_t>(v);
        } else if (key == "device") {
            if (!number(0xFFFF)) return false;
            b.device = static_cast<uint16_t>(v);
        } else if (key == "bus") {
            if (!number(0xFFFFFFFFull)) return false;
            b.bus = static_cast<uint32_t>(v);
        } else if (key == "slot") {
            if (!number(0xFFFFFFFFull)) return false;
            b.slot = static_cast<uint32_t>(v);
        } else if (key.size() == 4 && key.compare(0, 3, "bar") == 0 && key[3] >= '0' && key[3] <= '5') {
            if (!number(~0ull)) return false;
            b.bar[key[3] - '0'] = v;
        } else if (key == "irq") {
            if (!number(0xFF)) return false;
            b.irq = static_cast<uint8_t>(v);
        } else if (key == "firmware") {
            if (!textUpTo(256, b.firmware)) return false;
        } else if (key == "product") {
            if (!textUpTo(256, b.product)) return false;
        } else if (key == "driver") {
            if (!textUpTo(64, b.driver)) return false;
        } else if (key == "custom") {
            std::wstring wide;
            if (!decodeUtf8(text, wide)) {
                reason = "value of custom is not UTF-8 text";
                return false;
            }
            if (wide.size() > 50) {
                reason = "value of custom is longer than 50 characters";
                return false;
            }
            b.custom = wide;
            customGiven = true;
        } else if (key == "inputs") {
            if (!number(0xFFFFFFFFull)) return false;
            b.inputs = static_cast<uint32_t>(v);
        } else if (key == "outputs") {
            if (!number(0xFFFFFFFFull)) return false;
            b.outputs = static_cast<uint32_t>(v);
        } else if (key == "open") {
            if (text == "fail") {
                b.openFails = true;
            } else if (text == "ok") {
                b.openFails = false;
            } else {
                reason = "value of open must be fail or ok";
                return false;
            }
        } else if (key == "dir") {
            if (!flag(b.isDir)) return false;
        } else {
            reason = "unknown setting \"" + key + "\"";
            return false;
        }
    }
    if (!customGiven) b.custom.assign(b.node.begin(), b.node.end());
    return true;
}

}  // namespace

bool parseBoards(const std::string& spec, const std::vector<BoardConfig>& existing,
                 std::vector<BoardConfig>& out, std::string& error) {
    std::vector<BoardConfig> parsed;
    if (trim(spec).empty()) {
        out = parsed;
        return true;
    }
    std::map<std::string, uint32_t> perPrefix;
    std::set<std::string> nodes;
    for (const auto& b : existing) {
        perPrefix[b.prefix]++;
        nodes.insert(b.node);
    }
    for (const std::string& rawItem : split(spec, ',')) {
        const std::string item = trim(rawItem);
        if (item.empty()) {
            error = "bad item \"\": empty board description";
            return false;
        }
        BoardConfig b;
        std::string reason;
        if (!parseItem(item, existing.size() + parsed.size(), perPrefix, b, reason)) {
            error = "bad item \"" + item + "\": " + reason;
            return false;
        }
        if (!nodes.insert(b.node).second) {
            error = "bad item \"" + item + "\": node name " + b.node + " is used twice";
            return false;
        }
        parsed.push_back(b);
    }
    out = parsed;
    return true;
}

}  // namespace corvane_sim
