// The command line of corvane-modbus: every option at its limits and one past them, and
// the networks of --allow.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <cstring>

#include "GatewayOptions.h"

using namespace corvane_modbus;

namespace {

OptionsResult parse(std::vector<std::string> args) { return parseGatewayOptions(args); }

struct Refusal {
    std::vector<std::string> args;
    const char* error;  // the whole message
};

TEST(ModbusOptions, Defaults) {
    const OptionsResult r = parse({});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.options.units.empty());
    EXPECT_EQ("127.0.0.1", r.options.listen.host);
    EXPECT_EQ(1502, r.options.listen.port);
    EXPECT_FALSE(r.options.allowWrite);
    EXPECT_TRUE(r.options.allow.empty());
    EXPECT_EQ(16u, r.options.maxClients);
    EXPECT_EQ(60000, r.options.idleTimeout.count());
    EXPECT_FALSE(r.options.interrupts);
    EXPECT_EQ("", r.options.logFile);
}

TEST(ModbusOptions, AcceptedValuesAtTheirLimits) {
    const OptionsResult r = parse({"--unit", "keloe6100_0=1", "--unit=kelo4210_0=247", "--listen", "[::1]:65535",
                                   "--allow-write", "--max-clients=1000", "--idle-timeout", "86400",
                                   "--interrupts", "--log", "/tmp/x.log", "--print-map"});
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(2u, r.options.units.size());
    EXPECT_EQ("keloe6100_0", r.options.units[0].board);
    EXPECT_EQ(1u, r.options.units[0].id);
    EXPECT_EQ("kelo4210_0", r.options.units[1].board);
    EXPECT_EQ(247u, r.options.units[1].id);
    EXPECT_EQ("::1", r.options.listen.host);
    EXPECT_EQ(65535, r.options.listen.port);
    EXPECT_TRUE(r.options.allowWrite && r.options.interrupts && r.options.printMap);
    EXPECT_EQ(1000u, r.options.maxClients);
    EXPECT_EQ(86400000, r.options.idleTimeout.count());
    EXPECT_EQ("/tmp/x.log", r.options.logFile);
    struct Duration {
        const char* text;
        long ms;
    };
    for (const Duration& d : {Duration{"0", 0}, Duration{"1.5", 1500}, Duration{"2s", 2000},
                              Duration{"250ms", 250}, Duration{"0.001", 1}, Duration{"0x10", -1},
                              Duration{"2m", 120000}, Duration{"0.5h", 1800000}, Duration{"24h", 86400000},
                              Duration{"25h", -1}, Duration{"1d", -1}, Duration{"s", -1}}) {
        const OptionsResult t = parse({"--idle-timeout", d.text});
        EXPECT_EQ(d.ms >= 0, t.ok) << d.text;
        if (t.ok) {
            EXPECT_EQ(d.ms, t.options.idleTimeout.count()) << d.text;
        }
    }
    EXPECT_EQ(0, parse({"--listen", "0.0.0.0:0"}).options.listen.port);
    EXPECT_EQ(1u, parse({"--max-clients", "0x1"}).options.maxClients);
}

TEST(ModbusOptions, RefusedWithOneClearLine) {
    const Refusal cases[] = {
        {{"--unit", "keloe6100_0=0"}, "--unit keloe6100_0=0: the unit identifier must be a number from 1 to 247"},
        {{"--unit", "keloe6100_0=248"}, "--unit keloe6100_0=248: the unit identifier must be a number from 1 to 247"},
        {{"--unit", "keloe6100_0"}, "--unit expects BOARD=ID, got \"keloe6100_0\""},
        {{"--unit", "=3"}, "--unit expects BOARD=ID, got \"=3\""},
        {{"--unit", "a=1", "--unit", "b=1"}, "--unit b=1: unit 1 is already board a"},
        {{"--unit", "a=1", "--unit", "a=2"}, "--unit a=2: board a already has unit 1"},
        {{"--listen", "127.0.0.1:65536"}, "--listen 127.0.0.1:65536: port \"65536\" is not a number from 0 to 65535"},
        {{"--listen", "127.0.0.1:-1"}, "--listen 127.0.0.1:-1: port \"-1\" is not a number from 0 to 65535"},
        {{"--listen", "localhost:1502"}, "--listen localhost:1502: \"localhost\" is not an IPv4 address (IPv6: [ADDRESS]:PORT)"},
        {{"--listen", "1502"}, "--listen 1502: expected ADDRESS:PORT"},
        {{"--listen", "[::1]1502"}, "--listen [::1]1502: an IPv6 address is written [ADDRESS]:PORT"},
        {{"--allow", "10.0.0.0/33"}, "--allow 10.0.0.0/33: prefix length \"33\" is not a number from 0 to 32"},
        {{"--allow", "fd00::/129"}, "--allow fd00::/129: prefix length \"129\" is not a number from 0 to 128"},
        {{"--allow", "192.168.1.7/24"}, "--allow 192.168.1.7/24: \"192.168.1.7/24\" has address bits set beyond its prefix length"},
        {{"--allow", "plant"}, "--allow plant: \"plant\" is not an IPv4 or IPv6 address"},
        {{"--max-clients", "0"}, "--max-clients 0: expected a number from 1 to 1000"},
        {{"--max-clients", "1001"}, "--max-clients 1001: expected a number from 1 to 1000"},
        {{"--max-clients", "16x"}, "--max-clients 16x: expected a number from 1 to 1000"},
        {{"--idle-timeout", "86400.001"}, "--idle-timeout 86400.001: expected a duration (60, 1.5, 2s, 250ms, 5m, 1h; seconds without a unit), at most 24 h; 0 never drops"},
        {{"--idle-timeout", "0.0005"}, "--idle-timeout 0.0005: expected a duration (60, 1.5, 2s, 250ms, 5m, 1h; seconds without a unit), at most 24 h; 0 never drops"},
        {{"--idle-timeout", "-1"}, "--idle-timeout -1: expected a duration (60, 1.5, 2s, 250ms, 5m, 1h; seconds without a unit), at most 24 h; 0 never drops"},
        {{"--log", ""}, "--log needs a file name"},
        {{"--log"}, "--log needs a value"},
        {{"--allow-write=yes"}, "--allow-write takes no value"},
        {{"--units", "a=1"}, "unknown option --units"},
        {{"serve"}, "unexpected argument \"serve\""},
    };
    for (const Refusal& c : cases) {
        const OptionsResult r = parse(c.args);
        EXPECT_FALSE(r.ok) << c.error;
        EXPECT_EQ(c.error, r.error);
    }
}

sockaddr_storage ipv4(const char* text) {
    sockaddr_storage s{};
    sockaddr_in in{};
    in.sin_family = AF_INET;
    inet_pton(AF_INET, text, &in.sin_addr);
    std::memcpy(&s, &in, sizeof in);
    return s;
}

sockaddr_storage ipv6(const char* text) {
    sockaddr_storage s{};
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    inet_pton(AF_INET6, text, &in6.sin6_addr);
    std::memcpy(&s, &in6, sizeof in6);
    return s;
}

TEST(ModbusOptions, AllowListHoldsExactlyItsNetworks) {
    struct Case {
        const char* network;
        sockaddr_storage peer;
        bool allowed;
    };
    const Case cases[] = {
        {"192.168.1.0/24", ipv4("192.168.1.0"), true},
        {"192.168.1.0/24", ipv4("192.168.1.255"), true},
        {"192.168.1.0/24", ipv4("192.168.2.0"), false},
        {"192.168.1.0/24", ipv4("192.168.0.255"), false},
        {"127.0.0.1", ipv4("127.0.0.1"), true},
        {"127.0.0.1", ipv4("127.0.0.2"), false},
        {"0.0.0.0/0", ipv4("203.0.113.9"), true},
        {"10.0.0.0/8", ipv6("::ffff:10.9.8.7"), true},  // IPv4 client of a dual-stack socket
        {"10.0.0.0/8", ipv6("::ffff:11.0.0.1"), false},
        {"::1/128", ipv6("::1"), true},
        {"::1/128", ipv4("127.0.0.1"), false},
        {"fd00::/8", ipv6("fdff:ffff::1"), true},
        {"fd00::/8", ipv6("fe00::1"), false},
        {"2001:db8::/33", ipv6("2001:db8:7fff::1"), true},
        {"2001:db8::/33", ipv6("2001:db8:8000::1"), false},
    };
    for (const Case& c : cases) {
        const OptionsResult r = parse({"--allow", c.network});
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(c.allowed, r.options.allow.allows(c.peer)) << c.network;
    }
    // Several networks: any one admits; none at all admits everyone.
    const OptionsResult two = parse({"--allow", "10.0.0.0/8", "--allow", "::1"});
    EXPECT_TRUE(two.options.allow.allows(ipv6("::1")));
    EXPECT_TRUE(two.options.allow.allows(ipv4("10.1.1.1")));
    EXPECT_FALSE(two.options.allow.allows(ipv4("127.0.0.1")));
    EXPECT_TRUE(parse({}).options.allow.allows(ipv4("198.51.100.1")));
}

TEST(ModbusOptions, HelpNamesEveryOption) {
    EXPECT_TRUE(parse({"-h"}).options.help);
    EXPECT_TRUE(parse({"--help"}).options.help);
    const std::string usage = gatewayUsage();
    for (const char* option : {"--unit BOARD=ID", "--listen ADDR:PORT", "--allow-write", "--allow CIDR",
                               "--max-clients N", "--idle-timeout TIME", "--interrupts", "--log FILE",
                               "--print-map", "--help"}) {
        EXPECT_NE(std::string::npos, usage.find(option)) << option;
    }
}

}  // namespace
