// Loading plug-ins from a directory: real test plug-ins (tests/plugins) copied into
// temporary directories, loaded by a test board on a simulated node.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "CorvaneException.h"
#include "DeviceTestBoard.h"
#include "PluginInterface.h"

using namespace velmor::corvane;
using namespace corvane_test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvane-plugins-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory = pattern;
        events = directory + ".events";
        ::setenv("CORVANE_TEST_PLUGIN_EVENTS", events.c_str(), 1);
        fd = openSimulatedBoard("keloe6100");
        ASSERT_GE(fd, 0);
        clearBoardLog();
    }
    void TearDown() override {
        ::unsetenv("CORVANE_TEST_PLUGIN_EVENTS");
        ::close(fd);
        std::error_code ignored;
        fs::remove_all(directory, ignored);
        fs::remove(events, ignored);
    }

    // Copies a built test plug-in into the directory under the given file name.
    std::string install(const std::string& built, const std::string& as, mode_t mode = 0755) {
        const std::string target = directory + "/" + as;
        fs::copy_file(std::string(CORVANE_TEST_PLUGIN_BUILD_DIR) + "/lib" + built + ".so", target,
                      fs::copy_options::overwrite_existing);
        ::chmod(target.c_str(), mode);
        return target;
    }

    std::vector<std::string> recordedEvents() const {
        std::vector<std::string> lines;
        std::ifstream in(events);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    static bool stillLoaded(const std::string& path) {
        void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (library != nullptr) {
            ::dlclose(library);
            return true;
        }
        return false;
    }

    std::string directory;
    std::string events;
    int fd = -1;
};

}  // namespace

TEST_F(PluginTest, GoodPluginsAreRegisteredInitialisedAndShutDownInNameOrder) {
    ScopedLogLevel debug("4");
    const std::string beta = install("CorvaneTestBeta", "libCorvaneTestBeta.so");
    const std::string alpha = install("CorvaneTestAlpha", "libCorvaneTestAlpha.so");
    auto board = std::make_unique<ChannelTestBoard>(fd);
    VelmorDeviceStruct information{};
    std::strcpy(information.id, "plugboard_4");
    board->setDeviceInformation(information);

    clearBoardLog();
    board->discoverPlugins(directory);
    EXPECT_EQ(board->plugin("alpha")->getName(), "alpha");
    EXPECT_EQ(board->plugin("beta")->getName(), "beta");
    EXPECT_EQ(board->libraries().size(), 2u);
    EXPECT_TRUE(stillLoaded(alpha));
    EXPECT_TRUE(logMessages("ERROR").empty());
    auto loading = logMessages("DEBUG", "Loading plugin: ");
    EXPECT_THAT(loading, ::testing::UnorderedElementsAre("Loading plugin: " + alpha,
                                                         "Loading plugin: " + beta));
    EXPECT_THAT(logMessages("DEBUG", "Registered plugin: "),
                ::testing::UnorderedElementsAre("Registered plugin: alpha",
                                                "Registered plugin: beta"));

    board->initPlugins();
    const std::string handle = std::to_string(fd);
    board.reset();
    EXPECT_THAT(recordedEvents(),
                ::testing::IsSupersetOf({"alpha initialize " + handle + " plugboard_4",
                                         "beta initialize " + handle + " plugboard_4"}));
    // Initialisation and shutdown follow the names, whatever the listing order was.
    std::vector<std::string> calls;
    for (const std::string& line : recordedEvents()) {
        if (line.find(" created") == std::string::npos) {
            calls.push_back(line);
        }
    }
    EXPECT_THAT(calls, ElementsAre("alpha initialize " + handle + " plugboard_4",
                                   "beta initialize " + handle + " plugboard_4", "alpha shutdown",
                                   "alpha deleted", "beta shutdown", "beta deleted"));
    EXPECT_FALSE(stillLoaded(alpha));
    EXPECT_FALSE(stillLoaded(beta));
}

TEST_F(PluginTest, BadPluginsAreSkippedWithOneErrorLineEach) {
    ScopedLogLevel debug("4");
    const std::string noFactory = install("CorvaneTestNoFactory", "libCorvaneTestNoFactory.so");
    const std::string nullFactory =
        install("CorvaneTestNullFactory", "libCorvaneTestNullFactory.so");
    const std::string unnamed = install("CorvaneTestAlpha", "libOtherPlugin.so");
    const std::string garbage = directory + "/libCorvaneBroken.so";
    std::ofstream(garbage) << "not a shared library\n";
    const std::string target = install("CorvaneTestBeta", "beta-target.bin");
    ASSERT_EQ(::symlink(target.c_str(), (directory + "/libCorvaneLinked.so").c_str()), 0);

    ChannelTestBoard board(fd);
    clearBoardLog();
    board.discoverPlugins(directory);
    EXPECT_EQ(board.pluginCount(), 0u);
    EXPECT_TRUE(board.libraries().empty());
    EXPECT_THROW(board.plugin("alpha"), CorvaneException);
    EXPECT_THROW(board.plugin("beta"), CorvaneException);

    // Only the three candidates were tried; the unnamed file and the link were not.
    EXPECT_THAT(logMessages("DEBUG", "Loading plugin: "),
                ::testing::UnorderedElementsAre("Loading plugin: " + noFactory,
                                                "Loading plugin: " + nullFactory,
                                                "Loading plugin: " + garbage));
    auto errors = logMessages("ERROR");
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_THAT(errors, ::testing::Contains("No createPlugin() in libCorvaneTestNoFactory.so"));
    EXPECT_THAT(errors, ::testing::Contains("createPlugin() failed in libCorvaneTestNullFactory.so"));
    EXPECT_THAT(errors, ::testing::Contains(::testing::StartsWith("Failed to load: " + garbage +
                                                                  " : ")));
    EXPECT_FALSE(stillLoaded(noFactory));
    EXPECT_FALSE(stillLoaded(nullFactory));
    EXPECT_THAT(recordedEvents(), ElementsAre("nullfactory factory-null"));
}

TEST_F(PluginTest, ArchiveNamedFileIsTriedLikeASharedObject) {
    install("CorvaneTestGamma", "libCorvaneGamma.a");
    ChannelTestBoard board(fd);
    board.discoverPlugins(directory);
    EXPECT_EQ(board.plugin("gamma")->getName(), "gamma");
}

TEST_F(PluginTest, MissingDirectoryIsSilent) {
    ChannelTestBoard board(fd);
    clearBoardLog();
    ScopedLogLevel debug("4");
    board.discoverPlugins(directory + "/absent");
    EXPECT_EQ(board.pluginCount(), 0u);
    EXPECT_TRUE(readLogLines().empty());
}

TEST_F(PluginTest, FilesWritableByOthersAreNotLoaded) {
    const std::string open = install("CorvaneTestAlpha", "libCorvaneTestAlpha.so", 0666);
    const std::string group = install("CorvaneTestBeta", "libCorvaneTestBeta.so", 0775);
    install("CorvaneTestGamma", "libCorvaneTestGamma.so", 0755);
    ChannelTestBoard board(fd);
    clearBoardLog();
    board.discoverPlugins(directory);
    EXPECT_EQ(board.pluginCount(), 1u);
    EXPECT_NO_THROW(board.plugin("gamma"));
    EXPECT_THAT(logMessages("ERROR"),
                ::testing::UnorderedElementsAre(
                    "Plugin " + open + " not loaded: it is writable by group or others",
                    "Plugin " + group + " not loaded: it is writable by group or others"));
    EXPECT_FALSE(stillLoaded(open));
    // Their code never ran.
    for (const std::string& line : recordedEvents()) {
        EXPECT_EQ(line.rfind("gamma ", 0), 0u) << line;
    }
}

TEST_F(PluginTest, WritableDirectoryIsNotUsed) {
    install("CorvaneTestAlpha", "libCorvaneTestAlpha.so");
    install("CorvaneTestBeta", "libCorvaneTestBeta.so");
    ASSERT_EQ(::chmod(directory.c_str(), 0777), 0);
    ChannelTestBoard board(fd);
    clearBoardLog();
    board.discoverPlugins(directory);
    EXPECT_EQ(board.pluginCount(), 0u);
    EXPECT_THAT(logMessages("ERROR"),
                ElementsAre("Plugin directory " + directory +
                            " not used: it is writable by group or others"));
    EXPECT_TRUE(recordedEvents().empty());
}

TEST_F(PluginTest, FilesAndDirectoriesOfOtherUsersAreNotLoaded) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "changing a file's owner needs root";
    }
    const std::string foreign = install("CorvaneTestAlpha", "libCorvaneTestAlpha.so");
    ASSERT_EQ(::chown(foreign.c_str(), 4321, 4321), 0);
    ::chmod(foreign.c_str(), 0755);
    install("CorvaneTestBeta", "libCorvaneTestBeta.so");
    {
        ChannelTestBoard board(fd);
        clearBoardLog();
        board.discoverPlugins(directory);
        EXPECT_EQ(board.pluginCount(), 1u);
        EXPECT_NO_THROW(board.plugin("beta"));
        auto errors = logMessages("ERROR");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_THAT(errors[0], ::testing::StartsWith("Plugin " + foreign + " not loaded: "));
        EXPECT_THAT(errors[0], HasSubstr("owned by user 4321"));
    }
    ASSERT_EQ(::chown(directory.c_str(), 4321, 4321), 0);
    ChannelTestBoard board(fd);
    clearBoardLog();
    board.discoverPlugins(directory);
    EXPECT_EQ(board.pluginCount(), 0u);
    auto errors = logMessages("ERROR");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_THAT(errors[0], ::testing::StartsWith("Plugin directory " + directory + " not used: "));
}

TEST_F(PluginTest, SameNameReplacesTheEarlierPluginWithoutLosingIt) {
    const std::string first = install("CorvaneTestAlpha", "libCorvaneTestAlpha.so");
    const std::string second = install("CorvaneTestAlphaAgain", "libCorvaneTestAlphaAgain.so");
    auto board = std::make_unique<ChannelTestBoard>(fd);
    board->discoverPlugins(directory);
    EXPECT_EQ(board->pluginCount(), 1u);
    // The displaced plug-in's library is closed with it; the one kept stays open.
    EXPECT_EQ(board->libraries().size(), 1u);
    EXPECT_EQ(stillLoaded(first) + stillLoaded(second), 1);
    board->initPlugins();
    board.reset();
    // Two objects were created and deleted; only the one kept was initialised and shut down.
    auto lines = recordedEvents();
    auto count = [&](const std::string& line) { return std::count(lines.begin(), lines.end(), line); };
    EXPECT_EQ(count("alpha created"), 2);
    EXPECT_EQ(count("alpha shutdown"), 1);
    EXPECT_EQ(count("alpha deleted"), 2);
    EXPECT_EQ(count("alpha initialize " + std::to_string(fd) + " "), 1);
    EXPECT_FALSE(stillLoaded(first));
    EXPECT_FALSE(stillLoaded(second));
}

// A plug-in is initialised once and shut down only after it was initialised: the strict
// test plug-in aborts the process otherwise. Neither a plug-in displaced by another of the
// same name nor one whose board never initialised its plug-ins is shut down; both are
// deleted. Initialising the plug-ins again leaves those already initialised alone.
TEST_F(PluginTest, NoPluginIsShutDownWithoutHavingBeenInitialised) {
    struct Case {
        const char* name;
        int initialisations;              // initPlugins() calls
        std::vector<std::string> events;  // in order, without the creations
    };
    const std::string initialised = "strict initialize " + std::to_string(fd) + " ";
    const std::vector<Case> cases = {
        {"displaced, the kept one initialised", 1,
         {"strict deleted", initialised, "strict shutdown", "strict deleted"}},
        {"displaced, the kept one initialised twice", 2,
         {"strict deleted", initialised, "strict shutdown", "strict deleted"}},
        {"displaced, none initialised", 0, {"strict deleted", "strict deleted"}},
    };
    install("CorvaneTestStrict", "libCorvaneTestStrict.so");
    install("CorvaneTestStrictAgain", "libCorvaneTestStrictAgain.so");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(events);
        auto board = std::make_unique<ChannelTestBoard>(fd);
        board->discoverPlugins(directory);
        ASSERT_EQ(board->pluginCount(), 1u);
        for (int i = 0; i < c.initialisations; ++i) {
            board->initPlugins();
        }
        board.reset();
        std::vector<std::string> calls;
        for (const std::string& line : recordedEvents()) {
            if (line != "strict created") {
                calls.push_back(line);
            }
        }
        EXPECT_EQ(calls, c.events);
    }
}
