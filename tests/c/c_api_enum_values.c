/* Time bases, input events and port logics outside their enumerations, passed from C as
 * the integers they are: every function that takes one refuses it with its own code,
 * sends nothing to the driver, and never trips the undefined-behaviour checker. */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "c_api_support.h"
#include "corvane_sim.h"

typedef enum Call { INIT_TIMER, INIT_WATCHDOG, EVENT_FOR_INPUTS, EVENT_FOR_ONE_INPUT, PORT_LOGIC } Call;

typedef struct Case {
    const char* device;
    Call call;
    int value;          /* the enumeration value, as a C caller may pass it */
    uint32_t code;      /* expected result */
    const char* text;   /* part of the last error that the refusal must leave */
} Case;

static const Case cases[] = {
    {"keloe6100_0", INIT_TIMER, 4, 0x83001212u, "4 is not a valid timebase."},
    {"keloe6100_0", INIT_TIMER, 7, 0x83001212u, "7 is not a valid timebase."},
    {"keloe6100_0", INIT_TIMER, -1, 0x83001212u, "-1 is not a valid timebase."},
    {"keloe6100_0", INIT_TIMER, INT32_MIN, 0x83001212u, "-2147483648 is not a valid timebase."},
    {"keloe6100_0", INIT_WATCHDOG, 7, 0x84001212u, "7 is not a valid timebase."},
    {"keloe6100_0", INIT_WATCHDOG, -1, 0x84001212u, "-1 is not a valid timebase."},
    {"kelo3100_0", INIT_TIMER, 7, 0x83001212u, "7 is not a valid timebase."},
    {"kelo3100_0", INIT_WATCHDOG, -1, 0x84001212u, "-1 is not a valid timebase."},
    {"keloe5100_0", INIT_TIMER, 7, 0x83001212u, "7 is not a valid timebase."},
    {"keloe7100_0", INIT_WATCHDOG, -1, 0x84001212u, "-1 is not a valid timebase."},
    /* A logic above 1 is refused. */
    {"keloe6100_0", PORT_LOGIC, 2, 0x82001B11u, "Invalid logic type: must be 0 (OR) or 1 (AND)"},
    {"keloe6100_0", PORT_LOGIC, INT32_MAX, 0x82001B11u, "Invalid logic type: must be 0 (OR) or 1 (AND)"},
    {"keloe5100_0", PORT_LOGIC, 7, 0x82001B11u, "Invalid logic type: must be 0 (OR) or 1 (AND)"},
    {"kelo3100_0", PORT_LOGIC, 5, 0x82001B11u, "Invalid logic type: must be 0 (OR) or 1 (AND)"},
    /* An unknown event is refused while the driver record is built. */
    {"keloe6100_0", EVENT_FOR_ONE_INPUT, 9, 0x82001C11u, "Event does not exist in DIGITAL_EVENT_TYPE"},
    {"keloe6100_0", EVENT_FOR_INPUTS, -1, 0x82001C11u, "Event does not exist in DIGITAL_EVENT_TYPE"},
    {"keloe5100_0", EVENT_FOR_ONE_INPUT, 9, 0x82001C11u, "Event does not exist in DIGITAL_EVENT_TYPE"},
    {"keloe5100_0", EVENT_FOR_INPUTS, 6, 0x82001C11u, "Event does not exist in DIGITAL_EVENT_TYPE"},
    {"kelo3100_0", EVENT_FOR_ONE_INPUT, -1, 0x82001C11u, "Event does not exist in DIGITAL_EVENT_TYPE"},
};

static uint32_t run(const Case* c) {
    switch (c->call) {
        case INIT_TIMER:
            return VelmorInitTimer(c->device, 0, (TIMEBASE_UNITS)c->value, 10, 0);
        case INIT_WATCHDOG:
            return VelmorInitWatchdog(c->device, 0, (TIMEBASE_UNITS)c->value, 10, 0);
        case EVENT_FOR_INPUTS:
            return VelmorSetInterruptEventForInputs(c->device, 0x40u, (DIGITAL_EVENT_TYPE)c->value);
        case EVENT_FOR_ONE_INPUT:
            return VelmorSetInterruptEventForOneInput(c->device, 6, (DIGITAL_EVENT_TYPE)c->value);
        case PORT_LOGIC:
            return VelmorSetInterruptLogicForPort(c->device, 0, (DIGITAL_EVENT_LOGIC)c->value);
    }
    return 0;
}

/* Puts the board's stored events back to UNUSED, so that the next case starts clean. */
static void clearEvents(const char* device) {
    for (int channel = 0; channel < 32; ++channel) {
        VelmorSetInterruptEventForOneInput(device, channel, UNUSED);
    }
    VelmorSetInterruptLogicForPort(device, 0, OR);
}

int main(void) {
    unsigned char count = 0;
    CHECK(VelmorGetNumberOfDevices(&count) == 0); /* builds the registry first */
    CHECK(count == 4);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case* c = &cases[i];
        corvane_sim_trace_clear();
        const uint32_t code = run(c);
        if (code != c->code) {
            fprintf(stderr, "case %zu (%s, call %d, value %d): code 0x%08X, expected 0x%08X\n", i,
                    c->device, (int)c->call, c->value, (unsigned)code, (unsigned)c->code);
        }
        CHECK(code == c->code);
        CHECK(contains(lastError(), c->text));
        /* Refused before anything reached the driver. */
        CHECK(corvane_sim_trace_count() == 0);
        clearEvents(c->device);
    }
    return C_CHECK_DONE();
}
