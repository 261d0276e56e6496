// Parser of control command lines.
#include "ControlCommand.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "SimCommandTable.h"
#include "SimDuration.h"

namespace corvane_sim {
namespace {

struct VerbInfo {
    const char* name;
    ControlVerb verb;
    const char* usage;  // arguments after the command word
    size_t minArgs;
    size_t maxArgs;
};

const VerbInfo kVerbs[] = {
    {"boards", ControlVerb::Boards, "", 0, 0},
    {"state", ControlVerb::State, "BOARD", 1, 1},
    {"set-inputs", ControlVerb::SetInputs, "BOARD HEX", 2, 2},
    {"set-input", ControlVerb::SetInput, "BOARD CHANNEL 0|1", 3, 3},
    {"set-port", ControlVerb::SetPort, "BOARD PORT HEX", 3, 3},
    {"interrupt", ControlVerb::Interrupt, "BOARD SOURCE MASK [ARG...]", 3, 3 + kMaxInterruptArgs},
    {"fail", ControlVerb::Fail, "BOARD|* COMMAND|* ERRNO [TIMES|always]", 3, 4},
    {"clear-failures", ControlVerb::ClearFailures, "", 0, 0},
    {"advance", ControlVerb::Advance, "DURATION", 1, 1},
    {"clock", ControlVerb::Clock, "[real|virtual]", 0, 1},
    {"trace", ControlVerb::Trace, "[--follow]", 0, 1},
    {"stop", ControlVerb::Stop, "", 0, 0},
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal, or hexadecimal after 0x. No sign, no octal: leading zeros are decimal.
bool parseNumber(const std::string& text, uint64_t max, uint64_t& value) {
    uint64_t v = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        for (size_t i = 2; i < text.size(); ++i) {
            const int d = hexValue(text[i]);
            if (d < 0 || v > (max - static_cast<uint64_t>(d)) / 16) return false;
            v = v * 16 + static_cast<uint64_t>(d);
        }
    } else {
        if (text.empty()) return false;
        for (char c : text) {
            if (!isDigit(c)) return false;
            const uint64_t d = static_cast<uint64_t>(c - '0');
            if (v > (max - d) / 10) return false;
            v = v * 10 + d;
        }
    }
    value = v;
    return true;
}

// Hexadecimal with or without 0x.
bool parseHex(const std::string& text, uint64_t max, uint64_t& value) {
    size_t start = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 2 : 0;
    if (start == text.size()) return false;
    uint64_t v = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const int d = hexValue(text[i]);
        if (d < 0 || v > (max - static_cast<uint64_t>(d)) / 16) return false;
        v = v * 16 + static_cast<uint64_t>(d);
    }
    value = v;
    return true;
}

bool validBoardName(const std::string& name) {
    if (name.empty() || name.size() > 63 || name == "." || name == "..") return false;
    for (char c : name) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

bool parseErrno(const std::string& text, int& value) {
    uint64_t v = 0;
    if (parseNumber(text, kMaxErrno, v)) {
        if (v == 0) return false;
        value = static_cast<int>(v);
        return true;
    }
    if (text.size() < 2 || text[0] != 'E') return false;
    for (int e = 1; e <= kMaxErrno; ++e) {
        const char* name = strerrorname_np(e);
        if (name != nullptr && text == name) {
            value = e;
            return true;
        }
    }
    return false;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

class Parser {
public:
    Parser(const std::vector<Word>& words, size_t first, ControlCommand& out, ParseError& error)
        : words_(words), first_(first), out_(out), error_(error) {}

    bool run() {
        if (first_ >= words_.size()) return fail(first_, "no command given (commands: " + controlCommandNames() + ")");
        size_t index = first_;
        bool check = false;
        if (words_[index].text == "check") {
            check = true;
            ++index;
            if (index >= words_.size()) return fail(index, "check needs a command to check");
        }
        const std::string& name = words_[index].text;
        const VerbInfo* info = nullptr;
        for (const auto& v : kVerbs) {
            if (name == v.name) info = &v;
        }
        command_ = name;
        if (info == nullptr) {
            return fail(index, "unknown command " + quoted(name) + " (commands: " + controlCommandNames() + ")");
        }
        out_ = ControlCommand();
        out_.words = words_;
        out_.first = index;
        out_.checkOnly = check;
        out_.verb = info->verb;
        cmd_ = index;
        const size_t given = words_.size() - index - 1;
        const std::string usage = std::string(info->name) + (*info->usage ? " " : "") + info->usage;
        if (given < info->minArgs) {
            return fail(words_.size(), "missing arguments (usage: " + usage + ")");
        }
        if (given > info->maxArgs) {
            const size_t extra = index + 1 + info->maxArgs;
            return fail(extra, "unexpected word " + quoted(words_[extra].text) + " (usage: " + usage + ")");
        }
        switch (info->verb) {
        case ControlVerb::Boards:
        case ControlVerb::ClearFailures:
        case ControlVerb::Stop:
            return true;
        case ControlVerb::State:
            return board(0);
        case ControlVerb::SetInputs:
            return board(0) && hex(1, 0xFFFFFFFFull, "inputs", out_.value);
        case ControlVerb::SetInput:
            return board(0) && channel() && state();
        case ControlVerb::SetPort:
            return board(0) && port() && hex(2, 0xFF, "port value", out_.value);
        case ControlVerb::Interrupt:
            return interrupt();
        case ControlVerb::Fail:
            return failRule();
        case ControlVerb::Advance:
            return duration();
        case ControlVerb::Clock:
            return clock();
        case ControlVerb::Trace:
            if (given == 1) {
                if (arg(0) != "--follow")
                    return fail(cmd_ + 1, "unexpected word " + quoted(arg(0)) + " (usage: " + usage + ")");
                out_.follow = true;
            }
            return true;
        }
        return fail(cmd_, "unknown command");
    }

private:
    const std::string& arg(size_t i) const { return words_[cmd_ + 1 + i].text; }

    bool fail(size_t wordIndex, const std::string& reason) {
        error_ = ParseError();
        error_.command = command_;
        error_.word = wordIndex + 1;
        if (wordIndex < words_.size()) {
            error_.column = words_[wordIndex].column;
        } else if (!words_.empty()) {
            error_.column = words_.back().column + words_.back().text.size() + 1;
        } else {
            error_.column = 1;
        }
        error_.reason = reason;
        return false;
    }

    bool argFail(size_t i, const std::string& reason) { return fail(cmd_ + 1 + i, reason); }

    bool board(size_t i) {
        if (!validBoardName(arg(i))) {
            return argFail(i, quoted(arg(i)) + " is not a board name (letters, digits, _, - and ., 1 to 63 of them)");
        }
        out_.board = arg(i);
        return true;
    }

    bool channel() {
        uint64_t v = 0;
        if (!parseNumber(arg(1), kMaxChannel, v)) {
            return argFail(
                1, "channel must be a number from 0 to " + std::to_string(kMaxChannel) + ", got " + quoted(arg(1)));
        }
        out_.channel = static_cast<unsigned>(v);
        return true;
    }

    bool state() {
        if (arg(2) != "0" && arg(2) != "1") return argFail(2, "state must be 0 or 1, got " + quoted(arg(2)));
        out_.value = arg(2) == "1" ? 1 : 0;
        return true;
    }

    bool port() {
        uint64_t v = 0;
        if (!parseNumber(arg(1), kMaxPort, v)) {
            return argFail(1,
                           "port must be a number from 0 to " + std::to_string(kMaxPort) + ", got " + quoted(arg(1)));
        }
        out_.port = static_cast<unsigned>(v);
        return true;
    }

    bool hex(size_t i, uint64_t max, const char* what, uint32_t& value) {
        uint64_t v = 0;
        if (!parseHex(arg(i), max, v)) {
            char limit[32];
            std::snprintf(limit, sizeof limit, "%llx", static_cast<unsigned long long>(max));
            return argFail(i,
                           std::string(what) + " must be hexadecimal from 0 to " + limit + ", got " + quoted(arg(i)));
        }
        value = static_cast<uint32_t>(v);
        return true;
    }

    bool number32(size_t i, const char* what, uint32_t& value) {
        uint64_t v = 0;
        if (!parseNumber(arg(i), 0xFFFFFFFFull, v)) {
            return argFail(i, std::string(what) + " must be a number from 0 to 0xffffffff, got " + quoted(arg(i)));
        }
        value = static_cast<uint32_t>(v);
        return true;
    }

    bool interrupt() {
        if (!board(0) || !number32(1, "SOURCE", out_.source) || !number32(2, "MASK", out_.mask)) return false;
        const size_t count = words_.size() - cmd_ - 4;
        for (size_t k = 0; k < count; ++k) {
            uint32_t v = 0;
            if (!number32(3 + k, "ARG", v)) return false;
            out_.args.push_back(v);
        }
        return true;
    }

    bool failRule() {
        if (arg(0) == "*") {
            out_.board.clear();
        } else if (!board(0)) {
            return false;
        }
        if (arg(1) == "*") {
            out_.command = 0;
        } else if (const CommandInfo* c = findCommandByName(arg(1))) {
            out_.command = c->number;
        } else {
            uint64_t v = 0;
            if (!parseNumber(arg(1), 0xFFFFFFFFull, v) || v == 0) {
                return argFail(1, quoted(arg(1)) +
                                      " is not a driver command (a name such as IoctlGetDigitalInputs, a number "
                                      "from 1 to 0xffffffff, or * for every command)");
            }
            out_.command = static_cast<uint32_t>(v);
        }
        if (!parseErrno(arg(2), out_.error)) {
            return argFail(2, quoted(arg(2)) + " is not an errno (a number from 1 to " + std::to_string(kMaxErrno) +
                                  " or a name such as EIO)");
        }
        out_.times = 1;
        if (words_.size() - cmd_ - 1 == 4) {
            uint64_t v = 0;
            if (arg(3) == "always") {
                out_.times = -1;
            } else if (parseNumber(arg(3), INT_MAX, v) && v > 0) {
                out_.times = static_cast<int>(v);
            } else {
                return argFail(3, "times must be a number from 1 to " + std::to_string(INT_MAX) + " or always, got " +
                                      quoted(arg(3)));
            }
        }
        return true;
    }

    bool duration() {
        std::string reason;
        if (!parseDuration(arg(0), out_.durationNs, reason)) return argFail(0, reason);
        return true;
    }

    bool clock() {
        if (words_.size() - cmd_ - 1 == 0) return true;
        if (arg(0) == "real") {
            out_.clock = 0;
        } else if (arg(0) == "virtual") {
            out_.clock = 1;
        } else {
            return argFail(0, "clock must be real or virtual, got " + quoted(arg(0)));
        }
        return true;
    }

    const std::vector<Word>& words_;
    size_t first_;
    ControlCommand& out_;
    ParseError& error_;
    std::string command_;
    size_t cmd_ = 0;
};

}  // namespace

std::vector<Word> splitWords(const std::string& line) {
    std::vector<Word> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        Word w;
        w.column = i + 1;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') w.text += line[i++];
        words.push_back(std::move(w));
    }
    return words;
}

size_t findNonText(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if ((c < 0x20 && c != '\t') || c >= 0x7F) return i;
    }
    return std::string::npos;
}

std::string ParseError::text() const {
    std::string where = "word " + std::to_string(word) + " (column " + std::to_string(column) + "): " + reason;
    return command.empty() ? where : command + ": " + where;
}

bool parseControlWords(const std::vector<Word>& words, size_t first, ControlCommand& out, ParseError& error) {
    return Parser(words, first, out, error).run();
}

bool parseControlLine(const std::string& line, ControlCommand& out, ParseError& error) {
    const size_t bad = findNonText(line);
    if (bad != std::string::npos) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", static_cast<unsigned char>(line[bad]));
        error = ParseError();
        const std::vector<Word> words = splitWords(line.substr(0, bad));
        error.word = words.size() + 1;
        for (size_t i = 0; i < words.size(); ++i) {
            if (words[i].column + words[i].text.size() > bad) error.word = i + 1;
        }
        if (!words.empty()) error.command = words[0].text;
        error.column = bad + 1;
        error.reason = std::string("byte ") + hex + " is not text";
        return false;
    }
    return parseControlWords(splitWords(line), 0, out, error);
}

ParseError errorAt(const ControlCommand& cmd, size_t arg, const std::string& reason) {
    ParseError e;
    e.command = cmd.name();
    const size_t index = arg == kCommandWord ? cmd.first : cmd.first + 1 + arg;
    e.word = index + 1;
    e.column = index < cmd.words.size() ? cmd.words[index].column : 1;
    e.reason = reason;
    return e;
}

std::string controlCommandNames() {
    std::string names;
    for (const auto& v : kVerbs) {
        if (!names.empty()) names += ", ";
        names += v.name;
    }
    return names;
}

}  // namespace corvane_sim
