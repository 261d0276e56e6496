/* A test of an application's interrupt handler, without boards: the simulator runs in
 * this process (linked ahead of the C library), under a virtual clock that moves only
 * when the test says so. The test drives a timer, an input, a hand-made interrupt and a
 * driver failure, and reads back the commands the library sent. */
#define _POSIX_C_SOURCE 200809L /* pthread_cond_timedwait, clock_gettime */

#include <errno.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <corvane/Corvane.h>
#include <corvane/corvane_sim.h>

/* ---- The application's handler under test: counts what arrives, by source. ---- */

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t changed = PTHREAD_COND_INITIALIZER;
static unsigned timer_ticks, input_edges, others;

static void handler(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    pthread_mutex_lock(&lock);
    if (data.interrupt_source == CORVANE_SIM_SOURCE_TIMER) {
        ++timer_ticks;
    } else if (data.interrupt_source == CORVANE_SIM_SOURCE_DIGITAL_INPUT) {
        ++input_edges;
    } else {
        ++others;
    }
    pthread_cond_broadcast(&changed);
    pthread_mutex_unlock(&lock);
}

/* ---- The test. ---- */

/* Waits (at most 5 s of real time) until *counter reaches expected; returns it. */
static unsigned wait_count(const unsigned *counter, unsigned expected) {
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += 5;
    pthread_mutex_lock(&lock);
    while (*counter < expected &&
           pthread_cond_timedwait(&changed, &lock, &deadline) != ETIMEDOUT) {
    }
    const unsigned value = *counter;
    pthread_mutex_unlock(&lock);
    return value;
}

static int failures = 0;

static void expect(const char *what, unsigned actual, unsigned expected) {
    printf("%-44s %u%s\n", what, actual, actual == expected ? "" : "   <-- FAILED");
    failures += actual != expected;
}

int main(void) {
    const char *board = "keloe6100_0";

    /* The boards and the clock, before the library's first call looks for boards. */
    corvane_sim_reset(0);
    corvane_sim_add_boards("keloe6100");
    corvane_sim_set_clock(CORVANE_SIM_CLOCK_VIRTUAL);

    VelmorSetDeviceInterruptCallback(board, handler);
    VelmorEnableDeviceInterrupts(board);

    /* A timer: timer 0 every 10 ms; 50 ms of virtual time give exactly 5 expiries. */
    VelmorInitTimer(board, 0, MILLISECOND, 10, 0);
    VelmorEnableTimerInterrupt(board, 0);
    VelmorStartTimer(board, 0);
    corvane_sim_advance_ns(50 * 1000000ull);
    expect("timer interrupts after 50 ms", wait_count(&timer_ticks, 5), 5);
    VelmorStopTimer(board, 0);

    /* An input: rising edges of input 4 interrupt, its falling edge does not. */
    VelmorSetInterruptEventForOneInput(board, 4, RISING_EDGE);
    VelmorEnableDigitalInterrupt(board);
    corvane_sim_set_input(board, 4, 1);
    corvane_sim_set_input(board, 4, 0);
    corvane_sim_set_input(board, 4, 1);
    expect("input interrupts after 0->1->0->1", wait_count(&input_edges, 2), 2);

    /* A record the model never raises, to test the handler's other branch. */
    InterruptData odd = {0};
    odd.interrupt_source = 0x40;
    corvane_sim_queue_interrupt(board, &odd);
    expect("other interrupts", wait_count(&others, 1), 1);

    /* A driver failure: the next IoctlGetDigitalInputs (0xC0084110) fails with EIO. */
    uint32_t inputs = 0;
    corvane_sim_fail(board, 0xC0084110u, -1, EIO, 1, NULL);
    const uint32_t code = VelmorReadAllDigitalInputs(board, &inputs);
    char text[2048];
    VelmorGetLastError(text, sizeof text - 1);
    printf("%-44s 0x%08X\n  %s\n", "first read of the inputs", (unsigned)code, text);
    expect("second read of the inputs (code)", VelmorReadAllDigitalInputs(board, &inputs), 0);
    expect("inputs (input 4 on: 16)", inputs, 0x10);

    /* The trace: what the library sent for one output write. */
    corvane_sim_trace_clear();
    VelmorWriteSingleDigitalOutput(board, 5, 1);
    corvane_sim_trace_entry entry;
    if (corvane_sim_trace_count() == 1 && corvane_sim_trace_get(0, &entry) == 0) {
        printf("%-44s 0x%08X:", "command sent for output 5 on", (unsigned)entry.command);
        for (uint32_t i = 0; i < entry.size; ++i) {
            printf(" %02X", (unsigned)entry.sent[i]);
        }
        printf("\n");
    }

    VelmorDisableDeviceInterrupts(board);
    printf("%s\n", failures == 0 ? "all expectations met" : "some expectations failed");
    return failures == 0 ? 0 : 1;
}
