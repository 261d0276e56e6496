#include "Logger.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {
namespace foundation {

namespace {

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    void reset(int other = -1)
    {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = other;
    }

private:
    int fd;
};

// Holds an exclusive flock() on an open descriptor; released before the descriptor closes.
class FileLock {
public:
    explicit FileLock(int fd) : fd(fd)
    {
        int result;
        do {
            result = ::flock(fd, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        held = result == 0;
    }
    ~FileLock()
    {
        if (held) {
            ::flock(fd, LOCK_UN);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isHeld() const { return held; }

private:
    int fd;
    bool held;
};

// strtol in base 10, truncated to 32 bits the way a conversion to int does.
int32_t environmentNumber(const char* text)
{
    const long value = std::strtol(text, nullptr, 10);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(value)));
}

// True when the open descriptor still is the file named by path (not rotated away or
// replaced by another writer since it was opened).
bool isCurrentFile(int fd, const std::string& path, struct stat& opened)
{
    if (::fstat(fd, &opened) != 0) {
        return false;
    }
    struct stat named;
    if (::stat(path.c_str(), &named) != 0) {
        return false;
    }
    return named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// Writes all of the line; a short write is continued so that a line is never left cut.
bool writeAll(int fd, const std::string& line)
{
    const char* data = line.data();
    size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// A writer that finds the file renamed under it reopens; this bounds the retries should
// other writers keep rotating (in practice one retry at most).
constexpr int kMaxOpenAttempts = 16;

} // namespace

Logger::Logger(const std::string& appName, const std::string& logFileName, unsigned long maxFileSize,
               int maxBackupFiles)
    : appName(appName),
      logFileName(logFileName),
      maxFileSize(maxFileSize),
      maxBackupFiles(maxBackupFiles),
      logLevel(ERROR),
      logDirectory(),
      logMutex(),
      verbose(false)
{
    initializeLogLevel();
    initializeVerbosity();
    logDirectory = determineLogPath();
}

Logger::~Logger() = default;

void Logger::log(Logger::Level level, const std::string& message)
{
    if (static_cast<int32_t>(level) > static_cast<int32_t>(logLevel.load(std::memory_order_relaxed))) {
        return;
    }
    writeLine(level, message);
}

void Logger::debug(const std::string& message) { log(DEBUG, message); }
void Logger::info(const std::string& message) { log(INFO, message); }
void Logger::warning(const std::string& message) { log(WARNING, message); }
void Logger::error(const std::string& message) { log(ERROR, message); }
void Logger::critical(const std::string& message) { log(CRITICAL, message); }

bool Logger::tryLog(Logger::Level level, const std::string& message) noexcept
{
    try {
        log(level, message);
        return true;
    } catch (...) {
        return false;
    }
}

void Logger::writeLine(Logger::Level level, const std::string& message)
{
    std::lock_guard<std::mutex> guard(logMutex);
    const std::string path = getLogFilePath();

    bool rotated = false;
    for (int attempt = 1;; ++attempt) {
        // A file that did not exist before this open is never rotated: there was nothing
        // to measure (with a limit of 0 an empty file would otherwise move to ".1").
        bool created = false;
        FileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        if (!file.valid() && errno == ENOENT) {
            file.reset(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
            created = true;
        }
        if (!file.valid()) {
            throw std::runtime_error("Failed to open log file");
        }
        FileLock lock(file.get());
        if (!lock.isHeld()) {
            throw std::runtime_error("Failed to lock log file");
        }

        // Another writer may have rotated the file between our open and our lock: write to
        // the file that carries the name now, never into a rotated one.
        struct stat opened;
        const bool current = isCurrentFile(file.get(), path, opened);
        if (attempt < kMaxOpenAttempts) {
            if (!current) {
                continue;
            }
            // The size test comes before the line: a file reaches the limit before it is
            // rotated. One rotation per line at most, whatever the limit.
            if (!rotated && !(created && opened.st_size == 0) &&
                reachedLimit(static_cast<int64_t>(opened.st_size))) {
                rotateFiles(path);
                rotated = true;
                continue;
            }
        }

        const std::string line = getCurrentTime() + " - " + levelToString(level) + " - " + message + "\n";
        if (!writeAll(file.get(), line)) {
            throw std::runtime_error("Failed to write to log file");
        }
        if (verbose.load(std::memory_order_relaxed)) {
            std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
            std::cout.flush();
        }
        return;
    }
}

void Logger::setLogLevel(Logger::Level level) { logLevel.store(level, std::memory_order_relaxed); }

Logger::Level Logger::getCurrentLogLevel() const { return logLevel.load(std::memory_order_relaxed); }

void Logger::enableVerbose() { verbose.store(true, std::memory_order_relaxed); }

void Logger::disableVerbose() { verbose.store(false, std::memory_order_relaxed); }

void Logger::clearLogFile()
{
    std::lock_guard<std::mutex> guard(logMutex);
    const std::string path = getLogFilePath();
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    if (!file.valid()) {
        throw std::runtime_error("Failed to clear log file: " + path);
    }
    // Truncating under the file lock never cuts a line that another writer is appending.
    FileLock lock(file.get());
    if (!lock.isHeld() || ::ftruncate(file.get(), 0) != 0) {
        throw std::runtime_error("Failed to clear log file: " + path);
    }
}

std::string Logger::getLogFilePath() const { return logDirectory + "/" + logFileName; }

void Logger::initializeLogLevel()
{
    const char* text = std::getenv("VELMOR_LOG_LEVEL");
    if (text == nullptr) {
        return;
    }
    logLevel.store(parseLogLevel(environmentNumber(text)), std::memory_order_relaxed);
}

void Logger::initializeVerbosity()
{
    const char* text = std::getenv("VELMOR_VERBOSITY");
    if (text == nullptr) {
        return;
    }
    verbose.store(environmentNumber(text) != 0, std::memory_order_relaxed);
}

Logger::Level Logger::parseLogLevel(int value) const
{
    if (value < CRITICAL) {
        return CRITICAL;
    }
    if (value > DEBUG) {
        return DEBUG;
    }
    return static_cast<Level>(value);
}

std::string Logger::determineLogPath()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr) {
        throw std::logic_error("HOME environment variable is not set");
    }
    const std::string directory = std::string(home) + "/.velmor/" + appName;

    std::string path = directory;
    if (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    // Creates every ancestor, then the directory itself; existing ones and failures pass
    // (a failure shows up as "Failed to open log file" at the first line).
    for (size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '/') {
            ::mkdir(path.substr(0, i).c_str(), 0755);
        }
    }
    ::mkdir(path.c_str(), 0755);
    return directory;
}

std::string Logger::levelToString(Logger::Level level) const
{
    switch (level) {
    case CRITICAL:
        return "CRITICAL";
    case ERROR:
        return "ERROR";
    case WARNING:
        return "WARNING";
    case INFO:
        return "INFO";
    case DEBUG:
        return "DEBUG";
    }
    return "UNKNOWN";
}

std::string Logger::getCurrentTime() const
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) {
        return "0-0-0 00:00:00";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

void Logger::rotateLogsIfNeeded()
{
    const std::string path = getLogFilePath();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        return;
    }
    FileLock lock(file.get());
    if (!lock.isHeld()) {
        return;
    }
    struct stat opened;
    if (isCurrentFile(file.get(), path, opened) && reachedLimit(static_cast<int64_t>(opened.st_size))) {
        rotateFiles(path);
    }
}

bool Logger::reachedLimit(int64_t size) const
{
    // Sizes are never negative; comparing them unsigned keeps a very large limit meaning
    // "very large" instead of wrapping to a negative number that rotates at every line.
    return size >= 0 && static_cast<uint64_t>(size) >= maxFileSize;
}

void Logger::rotateFiles(const std::string& path) const
{
    // Oldest first, so that each rename moves into a free (or expiring) slot; a missing
    // numbered file is simply skipped.
    for (int32_t i = maxBackupFiles - 1; i >= 1; --i) {
        const std::string from = path + "." + std::to_string(i);
        const std::string to = path + "." + std::to_string(i + 1);
        ::rename(from.c_str(), to.c_str());
    }
    ::rename(path.c_str(), (path + ".1").c_str());
}

} // namespace foundation
} // namespace velmor
