// The file logger: environment, line format, threshold, rotation, clearing, HOME handling
// and failures.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <ctime>
#include <stdexcept>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "Logger.h"
#include "LoggerTestSupport.h"

using velmor::foundation::Logger;
using namespace logger_test;

namespace {

constexpr unsigned long kLimit = 5242880;

std::unique_ptr<Logger> makeLogger(const std::string& app = "velmor", unsigned long limit = kLimit, int backups = 5)
{
    return std::make_unique<Logger>(app, "velmor.log", limit, backups);
}

// Makes the file exactly `size` bytes long (sparse, so the 5 MiB files cost nothing).
void makeFileOfSize(const std::string& path, off_t size, const std::string& head = "")
{
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << head;
    }
    ASSERT_EQ(::truncate(path.c_str(), size), 0) << path;
}

off_t sizeOf(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        return -1;
    }
    return st.st_size;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Environment

TEST(LoggerEnvironment, LevelFollowsTheVariable)
{
    struct Case {
        const char* text; // nullptr: unset
        Logger::Level expected;
    };
    const Case cases[] = {
        {nullptr, Logger::ERROR},   {"4", Logger::DEBUG},      {"9", Logger::DEBUG},
        {"-3", Logger::CRITICAL},   {"2x", Logger::WARNING},   {"debug", Logger::CRITICAL},
        {"0", Logger::CRITICAL},    {"  3", Logger::INFO},     {"+2", Logger::WARNING},
        {"", Logger::CRITICAL},
        // Converted as a long, then cut to 32 bits before clamping: 2^32 - 1 becomes -1.
        {"4294967295", Logger::CRITICAL}, {"4294967298", Logger::WARNING},
    };
    for (const Case& c : cases) {
        TempHome home;
        ScopedEnv level("VELMOR_LOG_LEVEL", c.text);
        Logger logger("velmor", "velmor.log", kLimit, 5);
        EXPECT_EQ(logger.getCurrentLogLevel(), c.expected) << "VELMOR_LOG_LEVEL=" << (c.text ? c.text : "(unset)");
    }
}

TEST(LoggerEnvironment, VerbosityFollowsTheVariable)
{
    struct Case {
        const char* text;
        bool echoes;
    };
    const Case cases[] = {
        {nullptr, false}, {"0", false}, {"1", true}, {"-1", true}, {"7", true}, {"yes", false}, {"00", false},
    };
    for (const Case& c : cases) {
        TempHome home;
        ScopedEnv verbosity("VELMOR_VERBOSITY", c.text);
        Logger logger("velmor", "velmor.log", kLimit, 5);
        testing::internal::CaptureStdout();
        logger.error("echo check");
        const std::string echoed = testing::internal::GetCapturedStdout();
        const std::string written = readFile(home.logPath());
        if (c.echoes) {
            EXPECT_EQ(echoed, written) << "VELMOR_VERBOSITY=" << c.text;
        } else {
            EXPECT_EQ(echoed, "") << "VELMOR_VERBOSITY=" << (c.text ? c.text : "(unset)");
        }
        EXPECT_TRUE(messageOf(readLines(home.logPath()).at(0), "ERROR").has_value());
    }
}

TEST(LoggerEnvironment, ReadOnceAtConstructionAndOverriddenByTheSetters)
{
    TempHome home;
    ScopedEnv level("VELMOR_LOG_LEVEL", "3");
    auto logger = makeLogger();
    ::setenv("VELMOR_LOG_LEVEL", "0", 1);
    ::setenv("VELMOR_VERBOSITY", "1", 1);
    EXPECT_EQ(logger->getCurrentLogLevel(), Logger::INFO);

    testing::internal::CaptureStdout();
    logger->info("quiet");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    logger->setLogLevel(Logger::WARNING);
    EXPECT_EQ(logger->getCurrentLogLevel(), Logger::WARNING);
    logger->enableVerbose();
    testing::internal::CaptureStdout();
    logger->info("dropped");
    logger->warning("loud");
    const std::string echoed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(messageOf(echoed.substr(0, echoed.size() - 1), "WARNING"), std::optional<std::string>("loud"));

    logger->disableVerbose();
    testing::internal::CaptureStdout();
    logger->error("quiet again");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    const auto lines = readLines(home.logPath());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(messageOf(lines[0], "INFO"), std::optional<std::string>("quiet"));
    EXPECT_EQ(messageOf(lines[1], "WARNING"), std::optional<std::string>("loud"));
    EXPECT_EQ(messageOf(lines[2], "ERROR"), std::optional<std::string>("quiet again"));
}

TEST(LoggerEnvironment, ParseLogLevelClamps)
{
    TempHome home;
    auto logger = makeLogger();
    EXPECT_EQ(logger->parseLogLevel(INT_MIN), Logger::CRITICAL);
    EXPECT_EQ(logger->parseLogLevel(-1), Logger::CRITICAL);
    EXPECT_EQ(logger->parseLogLevel(2), Logger::WARNING);
    EXPECT_EQ(logger->parseLogLevel(5), Logger::DEBUG);
    EXPECT_EQ(logger->parseLogLevel(INT_MAX), Logger::DEBUG);
}

// ---------------------------------------------------------------------------------------
// Line format and threshold

TEST(LoggerFormat, LineIsTimeLevelAndMessage)
{
    TempHome home;
    auto logger = makeLogger();
    const std::time_t before = std::time(nullptr);
    logger->error("Error happened with IOCTL 7");
    const std::time_t after = std::time(nullptr);

    const std::string text = readFile(home.logPath());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto lines = readLines(home.logPath());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0], "ERROR"), std::optional<std::string>("Error happened with IOCTL 7"));

    // The stamp is the local time of the call, without leading zeros in the date.
    bool matched = false;
    for (std::time_t t = before; t <= after; ++t) {
        std::tm local{};
        ::localtime_r(&t, &local);
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%d-%d-%d %02d:%02d:%02d - ", local.tm_year + 1900, local.tm_mon + 1,
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        matched = matched || lines[0].rfind(stamp, 0) == 0;
    }
    EXPECT_TRUE(matched) << lines[0];
    EXPECT_TRUE(messageOf(logger->getCurrentTime() + " - INFO - x", "INFO").has_value()) << logger->getCurrentTime();
}

TEST(LoggerFormat, EveryLevelHasItsName)
{
    TempHome home;
    auto logger = makeLogger();
    logger->setLogLevel(Logger::DEBUG);
    logger->critical("c");
    logger->error("e");
    logger->warning("w");
    logger->info("i");
    logger->debug("d");
    logger->log(Logger::INFO, "via log");
    const auto lines = readLines(home.logPath());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(messageOf(lines[0], "CRITICAL"), std::optional<std::string>("c"));
    EXPECT_EQ(messageOf(lines[1], "ERROR"), std::optional<std::string>("e"));
    EXPECT_EQ(messageOf(lines[2], "WARNING"), std::optional<std::string>("w"));
    EXPECT_EQ(messageOf(lines[3], "INFO"), std::optional<std::string>("i"));
    EXPECT_EQ(messageOf(lines[4], "DEBUG"), std::optional<std::string>("d"));
    EXPECT_EQ(messageOf(lines[5], "INFO"), std::optional<std::string>("via log"));

    EXPECT_EQ(logger->levelToString(static_cast<Logger::Level>(5)), "UNKNOWN");
    EXPECT_EQ(logger->levelToString(static_cast<Logger::Level>(-1)), "UNKNOWN");
}

TEST(LoggerFormat, MessagesAreWrittenUnchanged)
{
    TempHome home;
    auto logger = makeLogger();
    const std::string message = "first\nsecond\r\n  third with trailing blanks  \n";
    logger->error(message);
    logger->error("");
    const std::string text = readFile(home.logPath());
    const auto cut = text.find(" - ERROR - ");
    ASSERT_NE(cut, std::string::npos);
    const std::string firstRecord = text.substr(cut + 11, message.size() + 1);
    EXPECT_EQ(firstRecord, message + "\n");
    EXPECT_EQ(text.substr(text.size() - 12), " - ERROR - \n");
}

TEST(LoggerThreshold, MessagesBelowTheThresholdTouchNoFile)
{
    TempHome home;
    auto logger = makeLogger();
    ASSERT_EQ(logger->getCurrentLogLevel(), Logger::ERROR);
    logger->warning("w");
    logger->info("i");
    logger->debug("d");
    logger->log(static_cast<Logger::Level>(7), "out of range, above every threshold");
    EXPECT_FALSE(exists(home.logPath()));

    // An existing file is left exactly as it was: same size, same modification time.
    makeFileOfSize(home.logPath(), 10, "0123456789");
    struct stat before;
    ASSERT_EQ(::stat(home.logPath().c_str(), &before), 0);
    ::usleep(20000);
    logger->info("still dropped");
    struct stat after;
    ASSERT_EQ(::stat(home.logPath().c_str(), &after), 0);
    EXPECT_EQ(after.st_size, 10);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST(LoggerThreshold, LevelsOutsideTheTableAreUnknown)
{
    TempHome home;
    auto logger = makeLogger();
    logger->log(static_cast<Logger::Level>(-4), "negative always passes");
    logger->setLogLevel(static_cast<Logger::Level>(9));
    EXPECT_EQ(static_cast<int>(logger->getCurrentLogLevel()), 9);
    logger->log(static_cast<Logger::Level>(7), "seven passes nine");
    const auto lines = readLines(home.logPath());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(messageOf(lines[0], "UNKNOWN"), std::optional<std::string>("negative always passes"));
    EXPECT_EQ(messageOf(lines[1], "UNKNOWN"), std::optional<std::string>("seven passes nine"));
}

// ---------------------------------------------------------------------------------------
// Rotation

TEST(LoggerRotation, FileOfExactlyTheLimitIsRotatedBeforeTheNextLine)
{
    TempHome home;
    auto logger = makeLogger();
    const std::string path = home.logPath();
    makeFileOfSize(path, static_cast<off_t>(kLimit), "old content");
    logger->error("fresh");
    EXPECT_EQ(sizeOf(path + ".1"), static_cast<off_t>(kLimit));
    EXPECT_EQ(readFile(path + ".1").substr(0, 11), "old content");
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0], "ERROR"), std::optional<std::string>("fresh"));
    EXPECT_FALSE(exists(path + ".2"));
}

TEST(LoggerRotation, FileOneByteBelowTheLimitGrowsPastIt)
{
    TempHome home;
    auto logger = makeLogger();
    const std::string path = home.logPath();
    makeFileOfSize(path, static_cast<off_t>(kLimit - 1));
    logger->error("crosses the limit");
    EXPECT_FALSE(exists(path + ".1"));
    const off_t grown = sizeOf(path);
    EXPECT_GT(grown, static_cast<off_t>(kLimit));
    // The next line finds the file over the limit and rotates it.
    logger->error("after");
    EXPECT_EQ(sizeOf(path + ".1"), grown);
    EXPECT_EQ(readLines(path).size(), 1u);
}

TEST(LoggerRotation, SixRotationsKeepExactlyFiveBackups)
{
    TempHome home;
    auto logger = makeLogger();
    const std::string path = home.logPath();
    for (int generation = 1; generation <= 6; ++generation) {
        makeFileOfSize(path, static_cast<off_t>(kLimit), "generation " + std::to_string(generation));
        logger->error("line after generation " + std::to_string(generation));
    }
    // .1 holds the newest rotated file; generation 1 fell off the end.
    for (int suffix = 1; suffix <= 5; ++suffix) {
        const std::string rotated = path + "." + std::to_string(suffix);
        ASSERT_TRUE(exists(rotated)) << rotated;
        EXPECT_EQ(readFile(rotated).substr(0, 12), "generation " + std::to_string(7 - suffix)) << rotated;
    }
    EXPECT_FALSE(exists(path + ".6"));
    EXPECT_FALSE(exists(path + ".0"));
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0], "ERROR"), std::optional<std::string>("line after generation 6"));

    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.path() + "/.velmor/velmor")) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 6u);
}

TEST(LoggerRotation, OneOrNoBackupKeepsOnlyDotOne)
{
    for (int backups : {1, 0, -2}) {
        TempHome home;
        auto logger = makeLogger("velmor", 100, backups);
        const std::string path = home.logPath();
        makeFileOfSize(path, 100, "first");
        logger->error("a");
        makeFileOfSize(path, 100, "second");
        logger->error("b");
        EXPECT_EQ(readFile(path + ".1").substr(0, 6), "second") << backups;
        EXPECT_FALSE(exists(path + ".2")) << backups;
        EXPECT_EQ(readLines(path).size(), 1u) << backups;
    }
}

TEST(LoggerRotation, PublicStepRotatesOnlyAtTheLimit)
{
    TempHome home;
    auto logger = makeLogger("velmor", 64, 3);
    const std::string path = home.logPath();
    logger->rotateLogsIfNeeded(); // no file: nothing happens
    EXPECT_FALSE(exists(path));
    makeFileOfSize(path, 63);
    logger->rotateLogsIfNeeded();
    EXPECT_FALSE(exists(path + ".1"));
    makeFileOfSize(path, 64);
    logger->rotateLogsIfNeeded();
    EXPECT_EQ(sizeOf(path + ".1"), 64);
    EXPECT_FALSE(exists(path));
}

TEST(LoggerRotation, ZeroLimitRotatesOncePerLine)
{
    TempHome home;
    auto logger = makeLogger("velmor", 0, 3);
    const std::string path = home.logPath();
    logger->error("one");
    logger->error("two");
    logger->error("three");
    EXPECT_EQ(messageOf(readLines(path).at(0), "ERROR"), std::optional<std::string>("three"));
    EXPECT_EQ(messageOf(readLines(path + ".1").at(0), "ERROR"), std::optional<std::string>("two"));
    EXPECT_EQ(messageOf(readLines(path + ".2").at(0), "ERROR"), std::optional<std::string>("one"));
    // The first line found no file, so nothing was rotated for it: no empty backup.
    EXPECT_FALSE(exists(path + ".3"));
}

TEST(LoggerRotation, HugeLimitNeverRotates)
{
    TempHome home;
    auto logger = makeLogger("velmor", ULONG_MAX, 5);
    const std::string path = home.logPath();
    logger->error("one");
    logger->error("two");
    EXPECT_FALSE(exists(path + ".1"));
    EXPECT_EQ(readLines(path).size(), 2u);
}

// ---------------------------------------------------------------------------------------
// Clearing

TEST(LoggerClear, MissingFileIsCreatedEmpty)
{
    TempHome home;
    auto logger = makeLogger();
    ASSERT_FALSE(exists(home.logPath()));
    logger->clearLogFile();
    ASSERT_TRUE(exists(home.logPath()));
    EXPECT_EQ(sizeOf(home.logPath()), 0);
    struct stat st;
    ASSERT_EQ(::stat(home.logPath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(LoggerClear, EmptiesOnlyTheCurrentFile)
{
    TempHome home;
    auto logger = makeLogger();
    const std::string path = home.logPath();
    logger->error("before");
    makeFileOfSize(path + ".1", 5, "keep!");
    logger->clearLogFile();
    EXPECT_EQ(sizeOf(path), 0);
    EXPECT_EQ(readFile(path + ".1"), "keep!");
    logger->error("after");
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(messageOf(lines[0], "ERROR"), std::optional<std::string>("after"));
}

// ---------------------------------------------------------------------------------------
// HOME and directories

TEST(LoggerHome, UnsetHomeFailsConstruction)
{
    TempHome home;
    ScopedEnv unset("HOME", nullptr);
    EXPECT_THROW(Logger("velmor", "velmor.log", kLimit, 5), std::logic_error);
}

TEST(LoggerHome, TrailingSlashGivesADoubledSlashThatWorks)
{
    TempHome home;
    const std::string withSlash = home.path() + "/";
    ScopedEnv slash("HOME", withSlash.c_str());
    auto logger = makeLogger("corvane");
    EXPECT_EQ(logger->getLogFilePath(), home.path() + "//.velmor/corvane/velmor.log");
    EXPECT_EQ(logger->determineLogPath(), home.path() + "//.velmor/corvane");
    logger->error("written");
    EXPECT_EQ(messageOf(readLines(home.logPath("corvane")).at(0), "ERROR"), std::optional<std::string>("written"));
}

TEST(LoggerHome, CreatesNestedDirectoriesAndToleratesExistingOnes)
{
    TempHome home;
    const std::string nestedHome = home.path() + "/a/b";
    ScopedEnv nested("HOME", nestedHome.c_str());
    const mode_t oldMask = ::umask(022);
    auto first = makeLogger("app/with/levels");
    ::umask(oldMask);
    const std::string dir = nestedHome + "/.velmor/app/with/levels";
    struct stat st;
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0755u);

    auto second = makeLogger("app/with/levels"); // every directory exists already
    second->error("fine");
    EXPECT_EQ(readLines(dir + "/velmor.log").size(), 1u);
    EXPECT_EQ(second->getLogFilePath(), dir + "/velmor.log");
}

TEST(LoggerHome, LogFileIsCreatedWithMode0644)
{
    TempHome home;
    const mode_t oldMask = ::umask(022);
    auto logger = makeLogger();
    logger->error("x");
    ::umask(oldMask);
    struct stat st;
    ASSERT_EQ(::stat(home.logPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

// ---------------------------------------------------------------------------------------
// Failures

TEST(LoggerFailure, UnwritableLocationThrowsAndTryLogDoesNot)
{
    TempHome home;
    // HOME names a regular file: no directory can be made under it.
    const std::string fileHome = home.path() + "/not-a-directory";
    makeFileOfSize(fileHome, 0);
    ScopedEnv blocked("HOME", fileHome.c_str());
    auto logger = makeLogger();

    try {
        logger->error("lost");
        FAIL() << "log should have thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to open log file");
    }
    try {
        logger->clearLogFile();
        FAIL() << "clearLogFile should have thrown";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to clear log file: " + fileHome + "/.velmor/velmor/velmor.log");
    }
    EXPECT_FALSE(logger->tryLog(Logger::ERROR, "lost quietly"));
    EXPECT_TRUE(logger->tryLog(Logger::DEBUG, "below the threshold: nothing to write"));

    // The logger stays usable: its mutex was released on the way out.
    EXPECT_THROW(logger->critical("still lost"), std::runtime_error);
}

TEST(LoggerFailure, DirectoryInPlaceOfTheFile)
{
    TempHome home;
    auto logger = makeLogger();
    std::filesystem::create_directory(home.logPath());
    EXPECT_THROW(logger->error("x"), std::runtime_error);
    EXPECT_THROW(logger->clearLogFile(), std::runtime_error);
    EXPECT_FALSE(logger->tryLog(Logger::CRITICAL, "x"));
    std::filesystem::remove(home.logPath());
    EXPECT_TRUE(logger->tryLog(Logger::CRITICAL, "recovered"));
    EXPECT_EQ(messageOf(readLines(home.logPath()).at(0), "CRITICAL"), std::optional<std::string>("recovered"));
}
