// Shared helpers of the logger tests: an isolated HOME per test, environment variables
// restored on scope exit, and file inspection.
#ifndef CORVANE_LOGGER_TEST_SUPPORT_H
#define CORVANE_LOGGER_TEST_SUPPORT_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <stdlib.h>

namespace logger_test {

// Sets (or unsets) one environment variable and puts the old value back on destruction.
// Only to be used while no other thread of the test runs.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name(name)
    {
        const char* old = std::getenv(name);
        if (old != nullptr) {
            previous = std::string(old);
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv()
    {
        if (previous) {
            ::setenv(name.c_str(), previous->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    std::optional<std::string> previous;
};

// A fresh directory under the test's own HOME, made the HOME for the scope, and removed
// afterwards. The logger variables are cleared so that the caller's shell cannot leak in.
class TempHome {
public:
    TempHome()
    {
        const char* base = std::getenv("HOME");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/logger-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed for " + pattern);
        }
        dir = pattern;
        home.emplace("HOME", dir.c_str());
        level.emplace("VELMOR_LOG_LEVEL", nullptr);
        verbosity.emplace("VELMOR_VERBOSITY", nullptr);
    }
    ~TempHome()
    {
        verbosity.reset();
        level.reset();
        home.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return dir; }
    // Where a logger with this app name and file name writes.
    std::string logPath(const std::string& app = "velmor", const std::string& file = "velmor.log") const
    {
        return dir + "/.velmor/" + app + "/" + file;
    }

private:
    std::string dir;
    std::optional<ScopedEnv> home;
    std::optional<ScopedEnv> level;
    std::optional<ScopedEnv> verbosity;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The file cut at each "\n"; a last piece without newline is kept as its own entry.
inline std::vector<std::string> readLines(const std::string& path)
{
    std::vector<std::string> lines;
    const std::string text = readFile(path);
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline bool exists(const std::string& path) { return std::filesystem::exists(path); }

// Reads a decimal number without leading zeros at pos, within [low, high].
inline bool plainNumber(const std::string& text, size_t& pos, long low, long high)
{
    const size_t start = pos;
    while (pos < text.size() && pos - start < 6 && text[pos] >= '0' && text[pos] <= '9') {
        ++pos;
    }
    if (pos == start || (text[start] == '0' && pos - start > 1)) {
        return false;
    }
    const long value = std::stol(text.substr(start, pos - start));
    return value >= low && value <= high;
}

// Reads exactly two digits at pos, within [0, high].
inline bool twoDigits(const std::string& text, size_t& pos, int high)
{
    if (pos + 2 > text.size() || text[pos] < '0' || text[pos] > '9' || text[pos + 1] < '0' || text[pos + 1] > '9') {
        return false;
    }
    const int value = (text[pos] - '0') * 10 + (text[pos + 1] - '0');
    pos += 2;
    return value <= high;
}

inline bool literal(const std::string& text, size_t& pos, const std::string& expected)
{
    if (text.compare(pos, expected.size(), expected) != 0) {
        return false;
    }
    pos += expected.size();
    return true;
}

// The "<year>-<month>-<day> <hh>:<mm>:<ss> - <LEVEL> - " head of a line; returns the
// message after it, or nothing when the head is malformed or names another level.
inline std::optional<std::string> messageOf(const std::string& line, const std::string& level)
{
    size_t pos = 0;
    const bool ok = plainNumber(line, pos, 1, 999999) && literal(line, pos, "-") && plainNumber(line, pos, 1, 12) &&
                    literal(line, pos, "-") && plainNumber(line, pos, 1, 31) && literal(line, pos, " ") &&
                    twoDigits(line, pos, 23) && literal(line, pos, ":") && twoDigits(line, pos, 59) &&
                    literal(line, pos, ":") && twoDigits(line, pos, 60) && literal(line, pos, " - " + level + " - ");
    if (!ok) {
        return std::nullopt;
    }
    return line.substr(pos);
}

} // namespace logger_test

#endif
