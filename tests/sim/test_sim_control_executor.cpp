// Control commands carried out on the simulator of the test's own process: the limits
// each board sets, what each command changes as the driver then answers it, and the
// replies as the server's clients receive them.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ControlExecutor.h"
#include "IoctlCommands.h"
#include "SimTestSupport.h"

using namespace corvane_sim;
using namespace corvane_sim_test;
namespace vc = velmor::corvane;

namespace {

ControlCommand command(const std::string& line) {
    ControlCommand cmd;
    ParseError error;
    EXPECT_TRUE(parseControlLine(line, cmd, error)) << error.text();
    return cmd;
}

// The reply's text line ("ok ..." / "error ...").
std::string run(ControlExecutor& executor, const std::string& line) { return replyText(executor.execute(command(line))); }

const char* const kBoards = "keloe6100,kelo3100,kelo4210:product=kelo4210,kelo4220,keloe7100";

}  // namespace

TEST(SimControlExecutor, EachBoardsLimitsAtTheLimitAndOnePast) {
    SimBoards boards(kBoards);
    ControlExecutor executor;
    const std::pair<const char*, const char*> cases[] = {
        {"set-inputs keloe6100_0 ffffffff", "ok"},
        {"set-inputs kelo3100_0 ffff", "ok"},
        {"set-inputs kelo3100_0 10000",
         "error set-inputs: word 3 (column 23): inputs 0x00010000 reach beyond the 16 inputs of kelo3100_0"},
        {"set-port kelo4210_0 11 ff", "ok"},
        {"set-port kelo4210_0 12 ff", "error set-port: word 3 (column 21): port must be below 12 on kelo4210_0, got 12"},
        {"set-port kelo4220_0 5 1", "ok"},
        {"set-port kelo4220_0 6 1", "error set-port: word 3 (column 21): port must be below 6 on kelo4220_0, got 6"},
        {"set-port keloe6100_0 0 1", "ok"},
        {"set-port keloe6100_0 1 1", "error set-port: word 3 (column 22): port must be below 1 on keloe6100_0, got 1"},
        {"set-inputs keloe7100_0 0", "error set-inputs: word 2 (column 12): keloe7100_0 has no inputs"},
        {"set-port keloe7100_0 0 0", "error set-port: word 2 (column 10): keloe7100_0 has no inputs"},
        {"set-input keloe6100_0 31 1", "ok"},
        {"set-input keloe6100_0 32 1",
         "error set-input: word 3 (column 23): channel must be below 32 on keloe6100_0, got 32"},
        {"set-input kelo4210_0 95 1", "ok"},
        {"set-input kelo4210_0 96 1", "error set-input: word 3 (column 22): channel must be below 96 on kelo4210_0, got 96"},
        {"set-input keloe7100_0 0 1", "error set-input: word 2 (column 11): keloe7100_0 has no inputs"},
        {"state keloe6100_1",
         "error state: word 2 (column 7): no board \"keloe6100_1\" (boards: keloe6100_0, kelo3100_0, kelo4210_0, "
         "kelo4220_0, keloe7100_0)"},
        {"interrupt kelo3100 1 1",
         "error interrupt: word 2 (column 11): no board \"kelo3100\" (boards: keloe6100_0, kelo3100_0, kelo4210_0, "
         "kelo4220_0, keloe7100_0)"},
        {"fail nowhere * EIO",
         "error fail: word 2 (column 6): no board \"nowhere\" (boards: keloe6100_0, kelo3100_0, kelo4210_0, "
         "kelo4220_0, keloe7100_0)"},
        {"check set-port kelo4210_0 12 0",
         "error set-port: word 4 (column 27): port must be below 12 on kelo4210_0, got 12"},
        {"check set-port kelo4210_0 11 0", "ok"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.second, run(executor, c.first)) << c.first;
}

TEST(SimControlExecutor, CommandsChangeWhatTheDriverAnswers) {
    SimBoards boards(kBoards);
    ControlExecutor executor;
    SimNode e6100("keloe6100_0");
    SimNode k4210("kelo4210_0");
    ASSERT_TRUE(e6100.isOpen() && k4210.isOpen());

    EXPECT_EQ("ok", run(executor, "set-inputs keloe6100_0 0x80000001"));
    uint32_t word = 0;
    ASSERT_EQ(0, ::ioctl(e6100.fd(), vc::IoctlGetDigitalInputs, &word));
    EXPECT_EQ(0x80000001u, word);

    EXPECT_EQ("ok", run(executor, "set-port kelo4210_0 11 0x80"));
    IoctlPortValueStruct port{11, 0};
    ASSERT_EQ(0, ::ioctl(k4210.fd(), vc::IoctlGetAllDigitalInputsFromPort, &port));
    EXPECT_EQ(0x80, port.value);

    EXPECT_EQ("ok pending=1", run(executor, "interrupt keloe6100_0 0x80000000 0x1 4294967295 0 7"));
    InterruptData d{};
    ASSERT_EQ(0, ::ioctl(e6100.fd(), vc::IoctlGetInterruptInformations, &d));
    InterruptData expected{};
    expected.interrupt_source = 0x80000000u;
    expected.interrupt_mask = 1;
    expected.args_count = 3;
    expected.args[0] = 0xFFFFFFFFu;
    expected.args[2] = 7;
    EXPECT_EQ(bytesOf(expected), bytesOf(d));

    EXPECT_EQ("ok", run(executor, "fail keloe6100_0 IoctlGetDigitalInputs ENODEV 2"));
    for (int i = 0; i < 2; ++i) {
        errno = 0;
        EXPECT_EQ(-1, ::ioctl(e6100.fd(), vc::IoctlGetDigitalInputs, &word));
        EXPECT_EQ(ENODEV, errno);
    }
    EXPECT_EQ(0, ::ioctl(e6100.fd(), vc::IoctlGetDigitalInputs, &word));
    EXPECT_EQ("ok", run(executor, "fail * * 5 always"));
    EXPECT_EQ(-1, ::ioctl(k4210.fd(), vc::IoctlGetAllDigitalInputsFromPort, &port));
    EXPECT_EQ("ok", run(executor, "clear-failures"));
    EXPECT_EQ(0, ::ioctl(k4210.fd(), vc::IoctlGetAllDigitalInputsFromPort, &port));
}

TEST(SimControlExecutor, ARefusedOrCheckedCommandChangesNothing) {
    SimBoards boards("kelo3100:inputs=0x1234");
    ControlExecutor executor;
    const auto before = bytesOf(simState("kelo3100_0"));
    for (const char* line : {"check set-inputs kelo3100_0 0", "check interrupt kelo3100_0 1 1",
                             "check fail kelo3100_0 * EIO", "set-inputs kelo3100_0 0x10000", "check stop"}) {
        run(executor, line);
        EXPECT_EQ(before, bytesOf(simState("kelo3100_0"))) << line;
    }
    EXPECT_FALSE(executor.stopRequested());
    EXPECT_EQ(0u, simTrace().size());

    // A full queue: the interrupt is refused and the queue stays as it was.
    InterruptData d{};
    for (unsigned i = 0; i < CORVANE_SIM_INTERRUPT_QUEUE_SIZE; ++i) ASSERT_GE(corvane_sim_queue_interrupt("kelo3100_0", &d), 1);
    EXPECT_EQ("error interrupt: word 1 (column 1): the interrupt queue of kelo3100_0 is full (4096 interrupts); the "
              "interrupt is dropped",
              run(executor, "interrupt kelo3100_0 1 1"));
    EXPECT_EQ(4096, corvane_sim_pending_interrupts("kelo3100_0"));
    EXPECT_EQ("ok stopping", run(executor, "stop"));
    EXPECT_TRUE(executor.stopRequested());
}

TEST(SimControlExecutor, RepliesInTextAndJson) {
    SimBoards boards("keloe6100:inputs=0x5,kelo4220");
    ControlExecutor executor;
    EXPECT_EQ("ok keloe6100_0 kelo4220_0", run(executor, "boards"));
    EXPECT_EQ("ok keloe6100_0 model=keloe6100 inputs=0x00000005 outputs=0x00000000 input-count=32 output-count=32 "
              "ports=1 directions=0x0 interrupts=disabled input-interrupt=none units=5 running=- pending=0 dropped=0 open=0",
              run(executor, "state keloe6100_0"));
    EXPECT_EQ("ok kelo4220_0 model=kelo4220 port-inputs=00,00,00,00,00,00 port-outputs=00,00,00,00,00,00 "
              "input-count=48 output-count=48 ports=6 directions=0x0 interrupts=disabled input-interrupt=none units=0 "
              "running=- pending=0 dropped=0 open=0",
              run(executor, "state kelo4220_0"));

    ASSERT_EQ(0, corvane_sim_set_unit_status("keloe6100_0", 4, 1, 2, 3));
    const auto state = nlohmann::json::parse(replyJson(executor.execute(command("state keloe6100_0"))));
    EXPECT_EQ(true, state["ok"]);
    EXPECT_EQ(nlohmann::json::parse(R"({"value":false,"status":true})"), state["state"]["units"][4]["pinned"]);
    EXPECT_EQ(false, state["state"]["directory"]);
    EXPECT_EQ("keloe6100_0", state["state"]["board"]);
    EXPECT_EQ(5, state["state"]["inputs"]);
    EXPECT_EQ(32, state["state"]["input_count"]);
    EXPECT_EQ(5u, state["state"]["units"].size());
    EXPECT_EQ(nullptr, state["state"]["custom_frequency"]);

    const auto refused = nlohmann::json::parse(replyJson(executor.execute(command("set-port kelo4220_0 6 1"))));
    EXPECT_EQ(nlohmann::json::parse(R"({"ok":false,"command":"set-port","word":3,"column":21,)"
                                    R"("reason":"port must be below 6 on kelo4220_0, got 6",)"
                                    R"("error":"set-port: word 3 (column 21): port must be below 6 on kelo4220_0, got 6"})"),
              refused);
}

TEST(SimControlExecutor, InputsClockAndAdvanceDriveTheBoardsModel) {
    SimBoards boards("keloe6100");
    ControlExecutor executor;
    SimNode node("keloe6100_0");
    ASSERT_TRUE(node.isOpen());

    // set-input changes one input and raises the input event the driver was given:
    // the rising edge of input 5.
    IoctlInitDigitalInputInterruptStruct events{};
    events.first_mask = 1u << 5;
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlInitDigitalInputInterrupt, &events));
    uint8_t start = 1;
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlStartStopDigitalInterrupt, &start));
    EXPECT_EQ("ok", run(executor, "set-input keloe6100_0 5 1"));
    EXPECT_EQ("ok", run(executor, "set-input keloe6100_0 5 0"));  // falling: no event
    EXPECT_EQ(1, corvane_sim_pending_interrupts("keloe6100_0"));
    InterruptData d{};
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlGetInterruptInformations, &d));
    EXPECT_EQ(1u, d.interrupt_source);
    EXPECT_EQ(1u << 5, d.interrupt_mask);

    // advance needs the virtual clock; under it a 10 ms timer fires 5 times in 50 ms.
    EXPECT_EQ("error advance: word 1 (column 1): the clock is real: advance moves the virtual clock (clock virtual)",
              run(executor, "advance 10ms"));
    EXPECT_EQ(0u, run(executor, "clock").find("ok real now="));
    EXPECT_EQ(0u, run(executor, "clock virtual").find("ok virtual now="));
    EXPECT_EQ(CORVANE_SIM_CLOCK_VIRTUAL, corvane_sim_get_clock());
    IoctlInitTimerCounterWatchdogStruct timer{};
    timer.index = 0;
    timer.timebase = MILLISECOND;
    timer.mode = 1;
    timer.reload_value = 10;
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlInitTimerCounterWatchdog, &timer));
    IoctlStartStopTriggerTimerCounterWatchdogStruct go{0, 1, 1};
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlStartStopTriggerTimerCounterWatchdog, &go));
    const uint64_t before = corvane_sim_now_ns();
    const auto advanced = nlohmann::json::parse(replyJson(executor.execute(command("advance 50ms"))));
    EXPECT_EQ("virtual", advanced["clock"]);
    EXPECT_EQ(before + 50000000u, advanced["now_ns"].get<uint64_t>());
    EXPECT_EQ(5, corvane_sim_pending_interrupts("keloe6100_0"));
    EXPECT_EQ("ok", run(executor, "check advance 1s"));
    EXPECT_EQ(before + 50000000u, corvane_sim_now_ns()) << "a check moves nothing";
    // The clock's end: two of the longest durations pass 2^64 - 1 ns (the timer stopped first).
    go.action = 0;
    ASSERT_EQ(0, ::ioctl(node.fd(), vc::IoctlStartStopTriggerTimerCounterWatchdog, &go));
    EXPECT_EQ(0u, run(executor, "advance 9223372036854775807ns").find("ok virtual now="));
    EXPECT_EQ("error advance: word 2 (column 9): the time would pass the clock's end (2^64 - 1 ns); nothing moved",
              run(executor, "advance 9223372036854775807ns"));
    EXPECT_EQ(0u, run(executor, "clock real").find("ok real now="));
}
