// Parser of scripts.
#include "ScriptParser.h"

#include "SimDuration.h"

namespace corvane_sim {
namespace {

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The part of a line before its comment: a '#' at the start of a word.
std::string withoutComment(const std::string& line) {
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    }
    return line;
}

class LineParser {
public:
    LineParser(const std::string& line, size_t number, ScriptStep& step, ScriptError& error)
        : words_(splitWords(line)), number_(number), step_(step), error_(error) {}

    bool run() {
        const std::string& timing = words_[0].text;
        size_t next = 1;
        step_ = ScriptStep();
        step_.line = number_;
        if (timing == "at") {
            if (!duration(next, "at", step_.atNs)) return false;
            ++next;
        } else if (timing == "every") {
            if (!duration(next, "every", step_.periodNs)) return false;
            if (step_.periodNs < kMinScriptPeriodNs) {
                return fail(next, "every", "the period must be at least " + formatDuration(kMinScriptPeriodNs));
            }
            ++next;
            step_.atNs = step_.periodNs;
            step_.untilNs = kMaxDurationNs;
            if (next < words_.size() && words_[next].text == "from") {
                if (!duration(next + 1, "every", step_.atNs)) return false;
                next += 2;
            }
            if (next < words_.size() && words_[next].text == "until") {
                if (!duration(next + 1, "every", step_.untilNs)) return false;
                if (step_.untilNs < step_.atNs) return fail(next + 1, "every", "until comes before the first run");
                next += 2;
            }
        } else {
            return fail(0, "", "a step starts with at TIME or every PERIOD, not " + quoted(timing));
        }
        if (next >= words_.size()) return fail(next, timing, "a command must follow the time");
        ParseError parseError;
        if (!parseControlWords(words_, next, step_.command, parseError)) {
            error_.line = number_;
            error_.error = parseError;
            return false;
        }
        if (step_.command.checkOnly) return fail(next, timing, "check cannot run in a script");
        if (step_.command.verb == ControlVerb::Trace) return fail(next, timing, "trace cannot run in a script");
        for (size_t i = next; i < words_.size(); ++i) {
            if (!step_.text.empty()) step_.text += ' ';
            step_.text += words_[i].text;
        }
        return true;
    }

private:
    bool duration(size_t index, const char* what, uint64_t& value) {
        if (index >= words_.size()) return fail(index, what, "a duration must follow");
        std::string reason;
        if (!parseDuration(words_[index].text, value, reason)) return fail(index, what, reason);
        return true;
    }

    bool fail(size_t index, const std::string& command, const std::string& reason) {
        error_.line = number_;
        error_.error = ParseError();
        error_.error.command = command;
        error_.error.word = index + 1;
        if (index < words_.size()) {
            error_.error.column = words_[index].column;
        } else {
            error_.error.column = words_.back().column + words_.back().text.size() + 1;
        }
        error_.error.reason = reason;
        return false;
    }

    std::vector<Word> words_;
    size_t number_;
    ScriptStep& step_;
    ScriptError& error_;
};

}  // namespace

std::string ScriptError::text(const std::string& file) const {
    return file + ":" + std::to_string(line) + ": " + error.text();
}

bool parseScript(const std::string& script, std::vector<ScriptStep>& steps, ScriptError& error) {
    std::vector<ScriptStep> parsed;
    if (script.size() > kMaxScriptBytes) {
        error = ScriptError();
        error.line = 1;
        error.error.word = 1;
        error.error.column = 1;
        error.error.reason = "the script is larger than " + std::to_string(kMaxScriptBytes) + " bytes";
        return false;
    }
    size_t start = 0;
    size_t number = 0;
    while (start < script.size()) {
        size_t end = script.find('\n', start);
        if (end == std::string::npos) end = script.size();
        std::string line = script.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = withoutComment(line);
        const size_t bad = findNonText(line);
        if (bad != std::string::npos) {
            ControlCommand unused;
            error = ScriptError();
            error.line = number;
            parseControlLine(line, unused, error.error);
            return false;
        }
        if (splitWords(line).empty()) continue;
        if (parsed.size() >= kMaxScriptSteps) {
            error = ScriptError();
            error.line = number;
            error.error.word = 1;
            error.error.column = 1;
            error.error.reason = "a script holds at most " + std::to_string(kMaxScriptSteps) + " steps";
            return false;
        }
        ScriptStep step;
        if (!LineParser(line, number, step, error).run()) return false;
        parsed.push_back(std::move(step));
    }
    steps = std::move(parsed);
    return true;
}

}  // namespace corvane_sim
