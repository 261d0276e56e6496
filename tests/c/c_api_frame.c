/* The C interface over one board of each model (and a second KELOE6100): listing,
 * look-ups, driver failures and the last error, output pointers, argument widths, the
 * output-memory flag and boards without the capability a function needs. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "c_api_support.h"
#include "corvane_sim.h"

static corvane_sim_trace_entry traceEntry;

/* The last command the simulated driver received, or 0 when the trace is empty. */
static uint32_t lastCommand(void) {
    const size_t n = corvane_sim_trace_count();
    if (n == 0 || corvane_sim_trace_get(n - 1, &traceEntry) != 0) return 0;
    return traceEntry.command;
}

static void listingAndLookups(void) {
    unsigned char count = 0;
    CHECK(VelmorGetNumberOfDevices(&count) == 0);
    CHECK(count == 6);

    VelmorDeviceStruct list[7];
    memset(list, 0x5A, sizeof list);
    CHECK(VelmorGetDeviceList(list) == 0);
    /* Identifier order, one 2960-byte structure each, nothing past the last one. */
    const char* expected[] = {"kelo3100_0",  "kelo4210_0",  "keloe5100_0",
                              "keloe6100_0", "keloe6100_1", "keloe7100_0"};
    for (int i = 0; i < 6; ++i) {
        CHECK_STR_EQ(list[i].id, expected[i]);
        VelmorDeviceStruct one;
        memset(&one, 0, sizeof one);
        CHECK(VelmorGetDeviceStructFromDeviceName(list[i].id, &one) == 0);
        CHECK(memcmp(&one, &list[i], sizeof one) == 0);
    }
    CHECK(((unsigned char*)&list[6])[0] == 0x5A);
    /* With boards to write a null list is refused. */
    CHECK(VelmorGetDeviceList(NULL) == CODE_INVALID_PARAMETER);
    CHECK_LAST_ERROR("80000e03", "VelmorGetDeviceList: list is null");
    CHECK(list[4].bus.number == 1);
    CHECK_STR_EQ(list[3].general.product_name, "keloe6100");

    /* Identifiers match exactly. */
    VelmorDeviceStruct info;
    memset(&info, 0x5A, sizeof info);
    CHECK(VelmorGetDeviceStructFromDeviceName("keloe6100_0 ", &info) == CODE_UNKNOWN_DEVICE);
    CHECK(VelmorGetDeviceStructFromDeviceName("KELOE6100_0", &info) == CODE_UNKNOWN_DEVICE);
    CHECK(((unsigned char*)&info)[0] == 0x5A);
    CHECK_LAST_ERROR("80002810", "map::at");
    /* A device structure serves as a device name. */
    uint32_t word = 0;
    CHECK(VelmorReadAllDigitalInputs((const char*)&list[3], &word) == 0);
}

static void driverFailures(void) {
    /* The test command makes the driver fail; the text quotes the transport. */
    CHECK(VelmorTestError("keloe6100_0") == CODE_DRIVER_FAILURE);
    CHECK_LAST_ERROR("86000f08", "Error happened with IOCTL IoctlTestError");
    CHECK(VelmorTestError("kelo4210_0") == CODE_DRIVER_FAILURE);

    /* An injected driver failure leaves every output untouched. */
    CHECK(corvane_sim_set_inputs("keloe6100_0", 0x00F0F00Fu) == 0);
    CHECK(corvane_sim_fail("keloe6100_0", IOCTL_NUMBER(0x10), -1, 5, 1, NULL) == 0);
    uint32_t inputs = 0xDEADBEEFu;
    CHECK(VelmorReadAllDigitalInputs("keloe6100_0", &inputs) == CODE_DRIVER_FAILURE);
    CHECK(inputs == 0xDEADBEEFu);
    CHECK_LAST_ERROR("86000f08", "Error happened with IOCTL IoctlGetDigitalInputs");
    CHECK(contains(lastError(), "Injected failure"));

    /* Success afterwards: the value arrives, the earlier text stays. */
    char before[4096];
    strcpy(before, lastError());
    CHECK(VelmorReadAllDigitalInputs("keloe6100_0", &inputs) == 0);
    CHECK(inputs == 0x00F0F00Fu);
    CHECK_STR_EQ(lastError(), before);

    /* A failing status read writes none of its four outputs; a good one writes all. */
    CHECK(corvane_sim_set_unit_status("keloe6100_0", 3, 7, 8, 9) == 0);
    CHECK(corvane_sim_set_unit_value("keloe6100_0", 3, 1234) == 0);
    CHECK(corvane_sim_fail("keloe6100_0", IOCTL_NUMBER(0x33), -1, 5, 2, NULL) == 0);
    uint32_t value = 0xCAFEu;
    uint8_t s1 = 0xA1, s2 = 0xA2, s3 = 0xA3;
    CHECK(VelmorReadCounterStatus("keloe6100_0", 1, &value, &s1, &s2, &s3) == CODE_DRIVER_FAILURE);
    CHECK(value == 0xCAFEu && s1 == 0xA1 && s2 == 0xA2 && s3 == 0xA3);
    CHECK(VelmorReadCounterValue("keloe6100_0", 1, &value) == CODE_DRIVER_FAILURE);
    CHECK(value == 0xCAFEu);
    CHECK(VelmorReadCounterStatus("keloe6100_0", 1, &value, &s1, &s2, &s3) == 0);
    /* A status read answers the value and the three status bytes. */
    CHECK(value == 1234 && s1 == 7 && s2 == 8 && s3 == 9);
    value = 0;
    CHECK(VelmorReadCounterValue("keloe6100_0", 1, &value) == 0);
    CHECK(value == 1234);

    /* A board check fails before the driver is asked. */
    const size_t traced = corvane_sim_trace_count();
    uint8_t bit = 0x77;
    CHECK(VelmorReadSingleDigitalInput("keloe6100_0", 32, &bit) == 0x82001004u);
    CHECK(bit == 0x77);
    CHECK(corvane_sim_trace_count() == traced);
}

static void argumentWidths(void) {
    corvane_sim_board_state state;
    /* Channel 0x105 is channel 5; state 0x100 is off; 0x200 + 1 is on. */
    CHECK(VelmorWriteSingleDigitalOutput("keloe6100_1", 0x105, 1) == 0);
    CHECK(corvane_sim_get_state("keloe6100_1", &state) == 0);
    CHECK(state.output_word == 0x20u);
    CHECK(VelmorWriteSingleDigitalOutput("keloe6100_1", 0x105, 0x100) == 0);
    CHECK(corvane_sim_get_state("keloe6100_1", &state) == 0);
    CHECK(state.output_word == 0u);
    CHECK(VelmorWriteAllDigitalOutputs("keloe6100_1", 0x0F000000u, 0x201) == 0);
    uint32_t outputs = 0;
    CHECK(VelmorGetDigitalOutputsStatus("keloe6100_1", &outputs) == 0);
    CHECK(outputs == 0x0F000000u);

    /* A bool result is stored as one byte, 1 or 0. */
    CHECK(corvane_sim_set_inputs("keloe6100_1", 0x20u) == 0);
    uint8_t bytes[2] = {0xEE, 0xEE};
    CHECK(VelmorReadSingleDigitalInput("keloe6100_1", 0x305, &bytes[0]) == 0);
    CHECK(bytes[0] == 1 && bytes[1] == 0xEE);
    CHECK(VelmorReadSingleDigitalInput("keloe6100_1", 4, &bytes[0]) == 0);
    CHECK(bytes[0] == 0 && bytes[1] == 0xEE);

    /* Counter 0x101 is counter 1, which the board drives as unit 3. */
    CHECK(VelmorStartCounter("keloe6100_1", 0x101) == 0);
    CHECK(corvane_sim_get_state("keloe6100_1", &state) == 0);
    CHECK(state.units[3].starts == 1 && state.units[3].running);
    CHECK(VelmorStopCounter("keloe6100_1", 0x101) == 0);
    /* Timer 0x201 is timer 1 (unit 1); the reload keeps its 16 bits. */
    CHECK(VelmorInitTimer("keloe6100_1", 0x201, MILLISECOND, 4000, 0) == 0);
    CHECK(corvane_sim_get_state("keloe6100_1", &state) == 0);
    CHECK(state.units[1].configured && state.units[1].config.reload_value == 4000);
    CHECK(state.units[1].config.timebase == MILLISECOND);
    CHECK(VelmorTriggerTimer("keloe6100_1", 0x201) == 0);
    CHECK(corvane_sim_get_state("keloe6100_1", &state) == 0);
    CHECK(state.units[1].triggers == 1);

    /* Port writes: channel (or mask), state, port, each in its low 8 bits. */
    CHECK(VelmorSetAllDigitalPortsDirection("kelo4210_0", 0x8u) == 0);
    uint32_t directions = 0;
    CHECK(VelmorGetAllDigitalPortDirections("kelo4210_0", &directions) == 0);
    CHECK(directions == 0x8u);
    CHECK(VelmorWriteAllDigitalOutputsOnPort("kelo4210_0", 0x1FF, 0x101, 0x103) == 0);
    CHECK(lastCommand() == IOCTL_NUMBER(0x28) && traceEntry.size == 4);
    CHECK(traceEntry.sent[0] == 3 && traceEntry.sent[1] == 0xFF && traceEntry.sent[3] == 1);
    uint8_t port = 0;
    CHECK(VelmorGetDigitalOutputsStatusOnPort("kelo4210_0", 3, &port) == 0);
    CHECK(port == 0xFF);
    CHECK(VelmorWriteSingleDigitalOutputOnPort("kelo4210_0", 0x102, 0x100, 3) == 0);
    CHECK(lastCommand() == IOCTL_NUMBER(0x28));
    CHECK(traceEntry.sent[0] == 3 && traceEntry.sent[1] == 0x04 && traceEntry.sent[3] == 0);

    /* The two output-interrupt flags go to the driver in argument order. */
    CHECK(VelmorSetDigitalOutputInterrupt("keloe7100_0", 0x100, 0x101) == 0);
    CHECK(corvane_sim_get_state("keloe7100_0", &state) == 0);
    CHECK(state.output_interrupt_set && state.output_interrupt[0] == 0 && state.output_interrupt[1] == 1);
}

static void outputMemoryFlag(void) {
    corvane_sim_board_state state;
    /* A flag other than 0 or 1 is refused without the board and without a text. */
    CHECK(VelmorTestError("keloe6100_0") == CODE_DRIVER_FAILURE);
    char before[4096];
    strcpy(before, lastError());
    const size_t traced = corvane_sim_trace_count();
    CHECK(VelmorSetOutputMemory("keloe6100_0", 2) == CODE_BAD_OUTPUT_MEMORY_FLAG);
    CHECK(VelmorSetOutputMemory("keloe6100_0", 0xFF) == CODE_BAD_OUTPUT_MEMORY_FLAG);
    CHECK(VelmorSetOutputMemory("keloe6100_0", -1) == CODE_BAD_OUTPUT_MEMORY_FLAG);
    CHECK_STR_EQ(lastError(), before);
    CHECK(corvane_sim_trace_count() == traced);
    /* Output memory is still on: writing 0 is allowed and sends memory 1. */
    CHECK(VelmorWriteSingleDigitalOutput("keloe6100_0", 1, 0) == 0);
    CHECK(corvane_sim_get_state("keloe6100_0", &state) == 0);
    CHECK(state.output_memory == 1);

    /* 0x100 is 0: memory off, writing 0 is refused by the board. */
    CHECK(VelmorSetOutputMemory("keloe6100_0", 0x100) == 0);
    CHECK(VelmorWriteSingleDigitalOutput("keloe6100_0", 1, 0) == 0x82001909u);
    CHECK(VelmorWriteSingleDigitalOutput("keloe6100_0", 1, 1) == 0);
    CHECK(corvane_sim_get_state("keloe6100_0", &state) == 0);
    CHECK(state.output_memory == 0);
    /* 0x101 is 1: memory on again. */
    CHECK(VelmorSetOutputMemory("keloe6100_0", 0x101) == 0);
    CHECK(VelmorWriteSingleDigitalOutput("keloe6100_0", 1, 0) == 0);
    CHECK(corvane_sim_get_state("keloe6100_0", &state) == 0);
    CHECK(state.output_memory == 1);

    /* The port board answers the common functions too. */
    CHECK(VelmorSetOutputMemory("kelo4210_0", 1) == 0);
    CHECK(VelmorSetOutputMemory("kelo4210_0", 3) == CODE_BAD_OUTPUT_MEMORY_FLAG);
    CHECK(VelmorDisableDigitalInterrupt("kelo4210_0") == 0x82002705u);
}

static void missingCapabilities(void) {
    const size_t traced = corvane_sim_trace_count();
    uint32_t value = 0x1234u;
    uint8_t s1 = 1, s2 = 2, s3 = 3, byte = 4;

    CHECK(VelmorInitCounter("keloe5100_0", 0, 10, 0) == CODE_NOT_SUPPORTED);
    CHECK_LAST_ERROR("80000e05", "Device keloe5100_0 has no counter");
    CHECK(VelmorReadCounterValue("keloe7100_0", 0, &value) == CODE_NOT_SUPPORTED);
    CHECK(VelmorReadCounterStatus("kelo4210_0", 0, &value, &s1, &s2, &s3) == CODE_NOT_SUPPORTED);
    CHECK(VelmorStartWatchdog("keloe5100_0", 0) == CODE_NOT_SUPPORTED);
    CHECK_LAST_ERROR("80000e05", "Device keloe5100_0 has no watchdog");
    CHECK(VelmorReadTimerValue("keloe7100_0", 0, &value) == CODE_NOT_SUPPORTED);
    CHECK_LAST_ERROR("80000e05", "Device keloe7100_0 has no timer");
    CHECK(VelmorReadTimerStatus("kelo4210_0", 0, &value, &s1, &s2, &s3) == CODE_NOT_SUPPORTED);
    CHECK(VelmorReadAllDigitalInputs("kelo4210_0", &value) == CODE_NOT_SUPPORTED);
    CHECK_LAST_ERROR("80000e05", "Device kelo4210_0 has no digital I/O channels");
    CHECK(VelmorReadSingleDigitalInput("kelo4210_0", 0, &byte) == CODE_NOT_SUPPORTED);
    CHECK(VelmorGetAllDigitalPortDirections("keloe6100_0", &value) == CODE_NOT_SUPPORTED);
    CHECK_LAST_ERROR("80000e05", "Device keloe6100_0 has no digital I/O ports");
    CHECK(VelmorReadAllDigitalInputsFromPort("kelo3100_0", 0, &byte) == CODE_NOT_SUPPORTED);
    CHECK(VelmorEnableDeviceInterrupts("kelo4210_0") == CODE_NOT_SUPPORTED);
    CHECK_LAST_ERROR("80000e05", "Device kelo4210_0 has no interrupts");
    CHECK(VelmorTestDeviceInterrupts("kelo4210_0") == CODE_NOT_SUPPORTED);
    CHECK(VelmorClearInterruptFifo("kelo4210_0") == CODE_NOT_SUPPORTED);
    CHECK(value == 0x1234u && s1 == 1 && s2 == 2 && s3 == 3 && byte == 4);

    /* A null output is looked at after the capability, just before the operation. */
    CHECK(VelmorReadCounterValue("keloe5100_0", 0, NULL) == CODE_NOT_SUPPORTED);
    CHECK(VelmorReadAllDigitalInputs("keloe6100_0", NULL) == CODE_INVALID_PARAMETER);
    CHECK_LAST_ERROR("80000e03", "VelmorReadAllDigitalInputs: an output pointer is null");
    CHECK(VelmorReadTimerStatus("keloe6100_0", 0, &value, &s1, NULL, &s3) == CODE_INVALID_PARAMETER);
    CHECK(VelmorGetDeviceStructFromDeviceName("keloe6100_0", NULL) == CODE_INVALID_PARAMETER);
    CHECK_LAST_ERROR("80000e03", "VelmorGetDeviceStructFromDeviceName: an output pointer is null");
    CHECK(value == 0x1234u && s1 == 1 && s3 == 3);
    /* Nothing reached any driver. */
    CHECK(corvane_sim_trace_count() == traced);
}

static void interruptArguments(void) {
    CHECK(VelmorSetDeviceInterruptCallback("keloe6100_0", NULL) == CODE_NULL_CALLBACK);
    CHECK_LAST_ERROR("85000201", "interrupt_callback is Null");
    CHECK(VelmorDisableDeviceInterrupts("keloe5100_0") == 0);
    CHECK(VelmorClearInterruptFifo("keloe6100_0") == 0);
    CHECK(lastCommand() == IOCTL_NUMBER(0x05));
    CHECK(VelmorTestDeviceInterrupts("kelo3100_0") == 0);
    CHECK(lastCommand() == IOCTL_NUMBER(0x07));
    CHECK(VelmorSetCustomTimerFrequency("keloe6100_0", 5) == 0x83001205u);
}

int main(void) {
    listingAndLookups();
    driverFailures();
    argumentWidths();
    outputMemoryFlag();
    missingCapabilities();
    interruptArguments();
    return C_CHECK_DONE();
}
