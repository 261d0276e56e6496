/* Interrupts from C: an input event and a timer, delivered to a callback.
 *
 * The callback runs on the board's interrupt thread. It only copies the record into a
 * queue and wakes the main thread, which prints; so the callback never blocks and the
 * output comes in order.
 *
 * On a board, raise input 4 yourself when the program asks. Over simulated boards in its
 * own process the program raises it through the simulator's control function, which
 * exists only there; over a simulator server it asks, and corvane-sim ctl answers. */
#define _POSIX_C_SOURCE 200809L /* pthread_cond_timedwait, clock_gettime */

#include <errno.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <corvane/Corvane.h>
#include <corvane/corvane_sim.h>

/* Present only when the program runs over the simulator (null otherwise). */
#pragma weak corvane_sim_set_input

#define QUEUE_SIZE 16

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t arrived = PTHREAD_COND_INITIALIZER;
static InterruptData queue[QUEUE_SIZE];
static unsigned received = 0; /* records put into the queue */

/* The interrupt thread: copy, wake up, return. */
static void on_interrupt(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    pthread_mutex_lock(&lock);
    if (received < QUEUE_SIZE) {
        queue[received] = data;
    }
    ++received;
    pthread_cond_signal(&arrived);
    pthread_mutex_unlock(&lock);
}

/* Waits until at least count records arrived, at most 5 s. */
static int wait_for(unsigned count) {
    struct timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += 5;
    int result = 0;
    pthread_mutex_lock(&lock);
    while (received < count && result != ETIMEDOUT) {
        result = pthread_cond_timedwait(&arrived, &lock, &deadline);
    }
    const int done = received >= count;
    pthread_mutex_unlock(&lock);
    return done;
}

static void print_record(const char *what, const InterruptData *data) {
    printf("%s: source 0x%08X, mask 0x%08X, args [", what, (unsigned)data->interrupt_source,
           (unsigned)data->interrupt_mask);
    for (uint32_t i = 0; i < data->args_count && i < 32; ++i) {
        printf(i == 0 ? "%u" : ", %u", (unsigned)data->args[i]);
    }
    printf("]\n");
}

static uint32_t check(const char *call, uint32_t code) {
    if (code != 0) {
        char text[2048];
        VelmorGetLastError(text, sizeof text - 1);
        printf("%s failed: %s\n", call, text);
    }
    return code;
}

int main(int argc, char **argv) {
    const char *board = argc > 1 ? argv[1] : "keloe6100_0";

    /* 1. The callback, then the board's interrupt thread. */
    if (check("VelmorSetDeviceInterruptCallback", VelmorSetDeviceInterruptCallback(board, on_interrupt)) ||
        check("VelmorEnableDeviceInterrupts", VelmorEnableDeviceInterrupts(board))) {
        return 1;
    }

    /* 2. An input event: a rising edge on input 4, started on the driver. */
    if (check("VelmorSetInterruptEventForOneInput", VelmorSetInterruptEventForOneInput(board, 4, RISING_EDGE)) ||
        check("VelmorEnableDigitalInterrupt", VelmorEnableDigitalInterrupt(board))) {
        VelmorDisableDeviceInterrupts(board);
        return 1;
    }
    /* The simulated machine raises input 4; a board (or a simulator server) waits for it. */
    if (corvane_sim_set_input == NULL || corvane_sim_set_input(board, 4, 1) != 0) {
        printf("Raise input 4 of %s now.\n", board);
        fflush(stdout);
    }
    if (!wait_for(1)) {
        printf("No input interrupt within 5 s.\n");
        VelmorDisableDeviceInterrupts(board);
        return 1;
    }
    print_record("input event", &queue[0]);

    /* 3. Timer 1: every 50 ms, its interrupt enabled before it starts. */
    if (check("VelmorInitTimer", VelmorInitTimer(board, 1, MILLISECOND, 50, 0)) ||
        check("VelmorEnableTimerInterrupt", VelmorEnableTimerInterrupt(board, 1)) ||
        check("VelmorStartTimer", VelmorStartTimer(board, 1))) {
        VelmorDisableDeviceInterrupts(board);
        return 1;
    }
    const int timer_ok = wait_for(4);
    VelmorStopTimer(board, 1);
    if (!timer_ok) {
        printf("Fewer than 3 timer interrupts within 5 s.\n");
        VelmorDisableDeviceInterrupts(board);
        return 1;
    }
    for (unsigned i = 1; i < 4; ++i) {
        print_record("timer", &queue[i]);
    }

    /* 4. Stop the thread; this also clears the input event and the timer's interrupt. */
    VelmorDisableDeviceInterrupts(board);
    printf("done\n");
    return 0;
}
