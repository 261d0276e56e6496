// Card discovery through the board simulator: which nodes a discoverer opens, what it
// logs in $HOME/.velmor/corvane/velmor.log and which descriptors it closes.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DeviceInterface.h"
#include "KELOE6100Discovery.h"
#include "LinuxCardDiscovery.h"
#include "corvane_sim.h"

using velmor::corvane::DeviceInterface;
using velmor::corvane::KELOE6100Discovery;

namespace {

std::string logPath() { return std::string(std::getenv("HOME")) + "/.velmor/corvane/velmor.log"; }

std::vector<std::string> logLines() {
    std::vector<std::string> lines;
    std::ifstream in(logPath());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Lines of one level, with the date, time and level cut off.
std::vector<std::string> messages(const std::string& level) {
    std::vector<std::string> selected;
    const std::string marker = " - " + level + " - ";
    for (const std::string& line : logLines()) {
        const size_t at = line.find(marker);
        if (at != std::string::npos) {
            selected.push_back(line.substr(at + marker.size()));
        }
    }
    return selected;
}

std::string nodeOf(int fd) {
    char node[64] = {0};
    if (corvane_sim_is_simulated(fd, node, sizeof node) != 1) {
        return "";
    }
    return node;
}

unsigned openDescriptors(const std::string& node) {
    corvane_sim_board_state state;
    std::memset(&state, 0, sizeof state);
    EXPECT_EQ(corvane_sim_get_state(node.c_str(), &state), 0) << node;
    return state.open_descriptors;
}

// A discoverer with any prefixes; it never builds boards.
class PrefixDiscovery : public LinuxCardDiscovery {
public:
    explicit PrefixDiscovery(const std::vector<std::string>& prefixes) : LinuxCardDiscovery(prefixes) {}
    std::shared_ptr<DeviceInterface> createCardFromHandle(int) override { return nullptr; }
};

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // INFO lines are written only from level 3 on.
        setenv("VELMOR_LOG_LEVEL", "3", 1);
        std::remove(logPath().c_str());
        corvane_sim_reset(0);
    }
    void TearDown() override { corvane_sim_reset(0); }
    void boards(const char* spec) { ASSERT_GE(corvane_sim_add_boards(spec), 1) << spec; }
};

TEST_F(DiscoveryTest, OpensTheNodesOfBothPrefixesAndCountsThemInDirectoryOrder) {
    boards("keloe6100,kelo6100,keloe5100,kelo3100");
    KELOE6100Discovery discovery;
    EXPECT_TRUE(discovery.discoverDevices());
    const auto& handles = discovery.getDeviceHandles();
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_EQ(handles.begin()->first, 0);
    EXPECT_EQ(handles.rbegin()->first, 1);

    const auto info = messages("INFO");
    ASSERT_EQ(info.size(), 2u);
    std::set<std::string> nodes;
    for (const auto& entry : handles) {
        const std::string node = nodeOf(entry.second);
        nodes.insert(node);
        // The log line of each index names the node that holds that index's descriptor.
        EXPECT_EQ(info[entry.first],
                  "Device discovered (ID: " + std::to_string(entry.first) + "): /dev/" + node);
        EXPECT_EQ(openDescriptors(node), 1u);
    }
    EXPECT_EQ(nodes, (std::set<std::string>{"keloe6100_0", "kelo6100_0"}));
    EXPECT_EQ(openDescriptors("keloe5100_0"), 0u);
    EXPECT_EQ(openDescriptors("kelo3100_0"), 0u);
    EXPECT_TRUE(messages("ERROR").empty());
}

TEST_F(DiscoveryTest, ThePrefixMustStartTheName) {
    boards("keloe6100:node=x_keloe6100,kelo6100:node=akelo6100,kelo6100:node=kelo610");
    KELOE6100Discovery discovery;
    EXPECT_FALSE(discovery.discoverDevices());
    EXPECT_TRUE(discovery.getDeviceHandles().empty());
    // One line, naming the first prefix only.
    EXPECT_EQ(messages("INFO"),
              std::vector<std::string>{"No matching devices found with prefix: keloe6100"});
    EXPECT_EQ(openDescriptors("x_keloe6100"), 0u);
}

TEST_F(DiscoveryTest, ANodeNamedExactlyLikeThePrefixMatches) {
    boards("keloe6100:node=keloe6100,kelo6100:node=kelo6100");
    KELOE6100Discovery discovery;
    EXPECT_TRUE(discovery.discoverDevices());
    ASSERT_EQ(discovery.getDeviceHandles().size(), 2u);
    EXPECT_EQ(openDescriptors("keloe6100"), 1u);
    EXPECT_EQ(openDescriptors("kelo6100"), 1u);
}

TEST_F(DiscoveryTest, ANodeThatRefusesToOpenGivesOneErrorLineAndNoIndex) {
    boards("keloe6100:open=fail,keloe6100");
    KELOE6100Discovery discovery;
    EXPECT_TRUE(discovery.discoverDevices());
    const auto& handles = discovery.getDeviceHandles();
    ASSERT_EQ(handles.size(), 1u);
    EXPECT_EQ(handles.begin()->first, 0);
    EXPECT_EQ(nodeOf(handles.begin()->second), "keloe6100_1");
    EXPECT_EQ(messages("ERROR"), std::vector<std::string>{"Failed to open device: /dev/keloe6100_0 (" +
                                                          std::string(std::strerror(EACCES)) + ")"});
    EXPECT_EQ(messages("INFO"),
              std::vector<std::string>{"Device discovered (ID: 0): /dev/keloe6100_1"});
}

TEST_F(DiscoveryTest, ADirectoryMatchingAPrefixIsSkippedSilently) {
    boards("keloe6100:dir=1");
    KELOE6100Discovery discovery;
    EXPECT_FALSE(discovery.discoverDevices());
    EXPECT_TRUE(discovery.getDeviceHandles().empty());
    EXPECT_TRUE(messages("ERROR").empty());
    EXPECT_EQ(messages("INFO"),
              std::vector<std::string>{"No matching devices found with prefix: keloe6100"});
}

TEST_F(DiscoveryTest, ANameBeginningWithTwoPrefixesIsOpenedTwice) {
    boards("kelo6100");
    PrefixDiscovery discovery({"kelo", "kelo6"});
    EXPECT_TRUE(discovery.discoverDevices());
    const auto& handles = discovery.getDeviceHandles();
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_NE(handles.at(0), handles.at(1));
    EXPECT_EQ(nodeOf(handles.at(0)), "kelo6100_0");
    EXPECT_EQ(nodeOf(handles.at(1)), "kelo6100_0");
    EXPECT_EQ(openDescriptors("kelo6100_0"), 2u);
}

TEST_F(DiscoveryTest, AnEmptyPrefixListFindsNothingAndSucceeds) {
    boards("keloe6100");
    PrefixDiscovery discovery({});
    EXPECT_TRUE(discovery.discoverDevices());
    EXPECT_TRUE(discovery.getDeviceHandles().empty());
    EXPECT_TRUE(messages("INFO").empty());
}

TEST_F(DiscoveryTest, DestructionClosesExactlyTheDescriptorsItOpened) {
    boards("keloe6100,kelo6100");
    const int own = ::open("/dev/keloe6100_0", O_RDWR);
    ASSERT_GE(own, 0);
    std::vector<int> opened;
    {
        KELOE6100Discovery discovery;
        ASSERT_TRUE(discovery.discoverDevices());
        for (const auto& entry : discovery.getDeviceHandles()) {
            opened.push_back(entry.second);
        }
        EXPECT_EQ(openDescriptors("keloe6100_0"), 2u);
        EXPECT_EQ(openDescriptors("kelo6100_0"), 1u);
    }
    EXPECT_EQ(openDescriptors("keloe6100_0"), 1u);
    EXPECT_EQ(openDescriptors("kelo6100_0"), 0u);
    // Our own descriptor on the same node is untouched.
    EXPECT_NE(fcntl(own, F_GETFD), -1);
    EXPECT_EQ(nodeOf(own), "keloe6100_0");
    for (int fd : opened) {
        EXPECT_EQ(nodeOf(fd), "") << fd;
    }
    ::close(own);
}

TEST_F(DiscoveryTest, ASecondScanClosesTheDescriptorsOfTheFirst) {
    boards("keloe6100");
    KELOE6100Discovery discovery;
    ASSERT_TRUE(discovery.discoverDevices());
    ASSERT_TRUE(discovery.discoverDevices());
    EXPECT_EQ(discovery.getDeviceHandles().size(), 1u);
    EXPECT_EQ(openDescriptors("keloe6100_0"), 1u);
}

TEST_F(DiscoveryTest, TheScanNeverRaisesEvenWithoutALogDirectory) {
    boards("keloe6100");
    const std::string home = std::getenv("HOME");
    unsetenv("HOME");
    KELOE6100Discovery discovery;
    bool found = false;
    EXPECT_NO_THROW(found = discovery.discoverDevices());
    setenv("HOME", home.c_str(), 1);
    EXPECT_TRUE(found);
    EXPECT_EQ(discovery.getDeviceHandles().size(), 1u);
}

TEST_F(DiscoveryTest, TheDiscovererBuildsBoardsThatBorrowItsDescriptors) {
    boards("kelo6100:number=4");
    std::shared_ptr<DeviceInterface> board;
    {
        KELOE6100Discovery discovery;
        ASSERT_TRUE(discovery.discoverDevices());
        const int fd = discovery.getDeviceHandles().at(0);
        board = discovery.createCardFromHandle(fd);
        EXPECT_STREQ(board->getDeviceInformation().id, "kelo6100_4");
        EXPECT_EQ(board->getHandle(), fd);
    }
    // The board does not keep the node open once its discoverer is gone.
    EXPECT_EQ(openDescriptors("kelo6100_0"), 0u);
}

}  // namespace
