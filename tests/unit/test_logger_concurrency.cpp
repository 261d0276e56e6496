// The file logger under concurrent writers: threads on several logger objects and separate
// processes sharing one log file must neither interleave nor lose lines, rotation included.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Logger.h"
#include "LoggerTestSupport.h"

extern char** environ;

using velmor::foundation::Logger;
using namespace logger_test;

namespace {

struct Census {
    std::map<std::string, std::vector<int>> seen; // tag -> how often each index was seen
    std::vector<std::string> broken;              // lines that are not one whole record
};

// Checks every line of one file against "TAG INDEX <payload of TAG's first letter>".
void countLines(const std::string& path, size_t payload, Census& census)
{
    for (const std::string& line : readLines(path)) {
        const auto message = messageOf(line, "ERROR");
        bool whole = false;
        if (message) {
            const size_t firstBlank = message->find(' ');
            const size_t secondBlank = firstBlank == std::string::npos ? firstBlank : message->find(' ', firstBlank + 1);
            if (secondBlank != std::string::npos) {
                const std::string tag = message->substr(0, firstBlank);
                const std::string index = message->substr(firstBlank + 1, secondBlank - firstBlank - 1);
                const std::string fill = message->substr(secondBlank + 1);
                if (!tag.empty() && !index.empty() && index.find_first_not_of("0123456789") == std::string::npos &&
                    fill == std::string(payload, tag[0])) {
                    auto& counts = census.seen[tag];
                    const size_t i = std::stoul(index);
                    if (counts.size() <= i) {
                        counts.resize(i + 1, 0);
                    }
                    ++counts[i];
                    whole = true;
                }
            }
        }
        if (!whole) {
            census.broken.push_back(line.substr(0, 120));
        }
    }
}

// The current file and every rotated one, newest first.
std::vector<std::string> logFiles(const std::string& path)
{
    std::vector<std::string> files;
    if (exists(path)) {
        files.push_back(path);
    }
    for (int i = 1; exists(path + "." + std::to_string(i)); ++i) {
        files.push_back(path + "." + std::to_string(i));
    }
    return files;
}

void expectEveryLineOnce(const Census& census, const std::vector<std::string>& tags, size_t count)
{
    EXPECT_TRUE(census.broken.empty()) << census.broken.size() << " broken lines, first: " << census.broken.front();
    for (const std::string& tag : tags) {
        const auto it = census.seen.find(tag);
        ASSERT_NE(it, census.seen.end()) << "no line of " << tag;
        ASSERT_EQ(it->second.size(), count) << tag;
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(it->second[i], 1) << tag << " line " << i;
        }
    }
}

pid_t spawnWriter(const std::string& tag, int count, int payload, unsigned long limit, int backups)
{
    const std::string program = CORVANE_LOGGER_WRITER;
    std::vector<std::string> args = {program, tag, std::to_string(count), std::to_string(payload),
                                     std::to_string(limit), std::to_string(backups)};
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    EXPECT_EQ(result, 0) << "cannot start " << program;
    return result == 0 ? pid : -1;
}

void expectCleanExit(pid_t pid)
{
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace

TEST(LoggerConcurrency, ThreadsOnTwoLoggersNeverInterleave)
{
    TempHome home;
    Logger first("velmor", "velmor.log", 5242880, 5);
    Logger second("velmor", "velmor.log", 5242880, 5);
    const std::vector<std::string> tags = {"A", "B", "C", "D"};
    constexpr int kLines = 300;
    constexpr size_t kPayload = 2000;

    std::vector<std::thread> threads;
    for (size_t t = 0; t < tags.size(); ++t) {
        Logger& logger = t % 2 == 0 ? first : second;
        threads.emplace_back([&logger, tag = tags[t]] {
            const std::string fill(kPayload, tag[0]);
            for (int i = 0; i < kLines; ++i) {
                logger.error(tag + " " + std::to_string(i) + " " + fill);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    ASSERT_EQ(logFiles(home.logPath()).size(), 1u);
    Census census;
    countLines(home.logPath(), kPayload, census);
    expectEveryLineOnce(census, tags, kLines);
}

TEST(LoggerConcurrency, ThreadsRotatingTogetherLoseNothing)
{
    TempHome home;
    constexpr unsigned long kLimit = 16384;
    Logger first("velmor", "velmor.log", kLimit, 500);
    Logger second("velmor", "velmor.log", kLimit, 500);
    const std::vector<std::string> tags = {"E", "F", "G", "H"};
    constexpr int kLines = 300;
    constexpr size_t kPayload = 200;

    std::vector<std::thread> threads;
    for (size_t t = 0; t < tags.size(); ++t) {
        Logger& logger = t % 2 == 0 ? first : second;
        threads.emplace_back([&logger, tag = tags[t]] {
            const std::string fill(kPayload, tag[0]);
            for (int i = 0; i < kLines; ++i) {
                EXPECT_TRUE(logger.tryLog(Logger::ERROR, tag + " " + std::to_string(i) + " " + fill));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }

    const auto files = logFiles(home.logPath());
    ASSERT_GT(files.size(), 5u);
    Census census;
    for (const auto& file : files) {
        countLines(file, kPayload, census);
    }
    expectEveryLineOnce(census, tags, kLines);
    // A file is rotated only once it has reached the limit: no writer rotated a file that
    // another had just rotated.
    for (size_t i = 1; i < files.size(); ++i) {
        struct stat st;
        ASSERT_EQ(::stat(files[i].c_str(), &st), 0);
        EXPECT_GE(static_cast<unsigned long>(st.st_size), kLimit) << files[i];
    }
}

TEST(LoggerConcurrency, TwoProcessesNeverInterleave)
{
    TempHome home; // set before any process starts: the children inherit this HOME
    constexpr int kLines = 400;
    constexpr int kPayload = 3000;
    const pid_t a = spawnWriter("P", kLines, kPayload, 5242880, 5);
    const pid_t b = spawnWriter("Q", kLines, kPayload, 5242880, 5);
    expectCleanExit(a);
    expectCleanExit(b);

    ASSERT_EQ(logFiles(home.logPath()).size(), 1u);
    Census census;
    countLines(home.logPath(), kPayload, census);
    expectEveryLineOnce(census, {"P", "Q"}, kLines);
}

TEST(LoggerConcurrency, TwoProcessesAndThisOneRotatingTogetherLoseNothing)
{
    TempHome home;
    constexpr unsigned long kLimit = 8192;
    constexpr int kLines = 400;
    constexpr int kPayload = 150;
    const pid_t a = spawnWriter("R", kLines, kPayload, kLimit, 1000);
    const pid_t b = spawnWriter("S", kLines, kPayload, kLimit, 1000);
    {
        Logger own("velmor", "velmor.log", kLimit, 1000);
        const std::string fill(kPayload, 'T');
        for (int i = 0; i < kLines; ++i) {
            own.error("T " + std::to_string(i) + " " + fill);
        }
    }
    expectCleanExit(a);
    expectCleanExit(b);

    const auto files = logFiles(home.logPath());
    ASSERT_GT(files.size(), 10u);
    Census census;
    for (const auto& file : files) {
        countLines(file, kPayload, census);
    }
    expectEveryLineOnce(census, {"R", "S", "T"}, kLines);
    for (size_t i = 1; i < files.size(); ++i) {
        struct stat st;
        ASSERT_EQ(::stat(files[i].c_str(), &st), 0);
        EXPECT_GE(static_cast<unsigned long>(st.st_size), kLimit) << files[i];
    }
}

TEST(LoggerConcurrency, SettersRaceWithWritersSafely)
{
    TempHome home;
    Logger logger("velmor", "velmor.log", 5242880, 5);
    std::atomic<bool> stop{false};
    std::thread toggler([&] {
        while (!stop.load()) {
            logger.setLogLevel(Logger::CRITICAL);
            logger.setLogLevel(Logger::DEBUG);
            logger.disableVerbose();
            (void)logger.getCurrentLogLevel();
        }
    });
    std::vector<std::thread> writers;
    for (const char* tag : {"U", "V"}) {
        writers.emplace_back([&logger, tag = std::string(tag)] {
            for (int i = 0; i < 200; ++i) {
                logger.critical(tag + " always");
                logger.info(tag + " sometimes");
            }
        });
    }
    std::thread clearer([&] {
        for (int i = 0; i < 20; ++i) {
            logger.clearLogFile();
        }
    });
    for (auto& writer : writers) {
        writer.join();
    }
    clearer.join();
    stop = true;
    toggler.join();

    // Whatever clearing removed, every remaining line is whole and well formed.
    for (const std::string& line : readLines(home.logPath())) {
        const bool critical = messageOf(line, "CRITICAL").has_value();
        const bool info = messageOf(line, "INFO").has_value();
        EXPECT_TRUE(critical || info) << line;
    }
    logger.setLogLevel(Logger::ERROR);
    logger.critical("U last");
    const auto lines = readLines(home.logPath());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(messageOf(lines.back(), "CRITICAL"), std::optional<std::string>("U last"));
}
