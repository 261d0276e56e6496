// The library's file logger: one text line per message, appended to
// $HOME/.velmor/<appName>/<logFileName>, filtered by a severity threshold, rotated by size.
#ifndef CORVANE_LOGGER_H
#define CORVANE_LOGGER_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "CorvaneExport.h"

namespace velmor {
namespace foundation {

// Each line reads "<year>-<month>-<day> <hh>:<mm>:<ss> - <LEVEL> - <message>\n" in local
// time. The threshold comes from VELMOR_LOG_LEVEL (0 to 4, clamped; default ERROR), the echo
// to standard output from VELMOR_VERBOSITY (any non-zero number), both read once by the
// constructor.
//
// Every line is appended under an exclusive flock() on the log file, so lines stay whole
// across logger objects and processes that share a file. The size check and the rotation
// (current file to ".1", ".1" to ".2", ... up to ".<maxBackupFiles>") run under that same
// lock, so two writers never rotate the same file twice or lose a rotated file.
//
// Thread safety: one logger may be used from any number of threads; its own mutex
// serialises writing and clearing. The threshold and the echo flag may be changed while
// other threads log; the change applies from the next call.
//
// Errors: log() and the level helpers throw std::runtime_error when the file cannot be
// opened, locked or written; clearLogFile() throws std::runtime_error when the file cannot
// be opened. Library code that must never fail because of logging uses tryLog().
class CORVANE_EXPORT Logger {
public:
    // A lower number is more severe; a message is written when its level is less than or
    // equal to the threshold. Values outside 0 to 4 are printed as "UNKNOWN".
    enum Level : int32_t {
        CRITICAL = 0,
        ERROR = 1,
        WARNING = 2,
        INFO = 3,
        DEBUG = 4
    };

    // Reads the environment and creates the log directory (mode 0755, failures ignored).
    // Throws std::logic_error when HOME is not set.
    Logger(const std::string& appName, const std::string& logFileName, unsigned long maxFileSize,
           int maxBackupFiles);
    ~Logger();

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Writes one line when the level passes the threshold; below it, touches no file.
    void log(Logger::Level level, const std::string& message);
    void debug(const std::string& message);
    void info(const std::string& message);
    void warning(const std::string& message);
    void error(const std::string& message);
    void critical(const std::string& message);

    // Same as log(), but never throws: any failure (file not writable, lock refused, out of
    // memory) is swallowed. Returns true when the message was written or was below the
    // threshold, false when it should have been written and could not be. This is the way
    // library code logs beside a driver operation, so that logging never changes that
    // operation's outcome.
    bool tryLog(Logger::Level level, const std::string& message) noexcept;

    // Sets the threshold as given, unchecked.
    void setLogLevel(Logger::Level level);
    Logger::Level getCurrentLogLevel() const;

    void enableVerbose();
    void disableVerbose();

    // Empties the current log file, creating it when missing; rotated files are left alone.
    void clearLogFile();

    // logDirectory + "/" + logFileName.
    std::string getLogFilePath() const;

    // The steps of construction and of log(), public for callers that need them.
    void initializeLogLevel();
    void initializeVerbosity();
    // Clamps to 0..4.
    Logger::Level parseLogLevel(int value) const;
    // HOME + "/.velmor/" + appName, with its directories created.
    std::string determineLogPath();
    std::string levelToString(Logger::Level level) const;
    // Local time, e.g. "2026-3-7 09:05:02".
    std::string getCurrentTime() const;
    // Rotates the current file when it has reached maxFileSize bytes. log() does the same
    // check itself before every line.
    void rotateLogsIfNeeded();

private:
    void writeLine(Logger::Level level, const std::string& message);
    void rotateFiles(const std::string& path) const;
    bool reachedLimit(int64_t size) const;

    std::string appName;
    std::string logFileName;
    uint64_t maxFileSize;
    int32_t maxBackupFiles;
    std::atomic<Logger::Level> logLevel;
    std::string logDirectory;
    std::mutex logMutex;
    std::atomic<bool> verbose;
};

} // namespace foundation
} // namespace velmor

#endif
