// Shared helpers of the logger tests: an isolated HOME per test, environment variables
// restored on scope exit, and file inspection.
#ifndef CORVANE_LOGGER_TEST_SUPPORT_H
#define CORVANE_LOGGER_TEST_SUPPORT_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
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

// The "<date> <time> - <LEVEL> - " head of a line; returns the message after it, or
// nothing when the head is malformed or names another level.
inline std::optional<std::string> messageOf(const std::string& line, const std::string& level)
{
    static const std::regex head(R"(^[1-9][0-9]*-([1-9]|1[0-2])-([1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-6][0-9] - )");
    std::smatch match;
    const std::string prefix = line.substr(0, 40);
    if (!std::regex_search(prefix, match, head)) {
        return std::nullopt;
    }
    const std::string rest = line.substr(static_cast<size_t>(match.length(0)));
    const std::string levelPart = level + " - ";
    if (rest.compare(0, levelPart.size(), levelPart) != 0) {
        return std::nullopt;
    }
    return rest.substr(levelPart.size());
}

} // namespace logger_test

#endif
