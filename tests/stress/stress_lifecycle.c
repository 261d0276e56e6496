/* Enabling and disabling interrupts over and over, with and without interrupts in
 * flight, on four boards at once; then replacing the callback again and again while
 * interrupts arrive. Afterwards the process holds the descriptors and threads it held
 * after the warm-up, and its resident memory has not grown beyond the limit.
 * Full size: 10,000 enable/disable cycles and 1,000 callback replacements. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>

#include "stress_support.h"

#define BOARDS 4
#define SOURCE 0x00000020u
#define IN_FLIGHT 8

static const char* const boardNames[BOARDS] = {"keloe6100_0", "keloe6100_1", "keloe6100_2", "keloe6100_3"};
static atomic_long calls[2];
static atomic_int stopFeeding;

static void firstCallback(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    (void)data;
    atomic_fetch_add(&calls[0], 1);
}

static void secondCallback(VelmorDeviceStruct device, InterruptData data) {
    (void)device;
    (void)data;
    atomic_fetch_add(&calls[1], 1);
}

typedef struct {
    const char* board;
    long cycles;
    long failures;
    uint32_t firstCode;
} Cycler;

static void noteFailure(Cycler* c, uint32_t code) {
    if (code != 0 && c->failures++ == 0) c->firstCode = code;
}

/* Every other cycle queues interrupts right after enabling, so that the disable meets
 * them in flight; the FIFO is emptied once it holds a few undelivered ones. */
static void* cycle(void* argument) {
    Cycler* c = argument;
    for (long i = 0; i < c->cycles; ++i) {
        noteFailure(c, VelmorEnableDeviceInterrupts(c->board));
        if (i % 2 == 1) {
            for (int k = 0; k < IN_FLIGHT; ++k) queueNumbered(c->board, SOURCE, (uint32_t)k);
        }
        noteFailure(c, VelmorDisableDeviceInterrupts(c->board));
        if (corvane_sim_pending_interrupts(c->board) > 64) noteFailure(c, VelmorClearInterruptFifo(c->board));
    }
    return NULL;
}

static void* feed(void* argument) {
    const char* board = argument;
    for (uint32_t n = 0; !atomic_load(&stopFeeding);) {
        if (corvane_sim_pending_interrupts(board) < 16) {
            if (queueNumbered(board, SOURCE, n) == 0) ++n;
        } else {
            pauseMicroseconds(20);
        }
    }
    return NULL;
}

static int waitForCall(int which, long above) {
    const double deadline = nowSeconds() + 10.0;
    while (atomic_load(&calls[which]) <= above) {
        if (nowSeconds() > deadline) return 0;
        pauseMicroseconds(20);
    }
    return 1;
}

static void runCycles(long total) {
    Cycler cyclers[BOARDS];
    pthread_t threads[BOARDS];
    const double start = nowSeconds();
    for (int b = 0; b < BOARDS; ++b) {
        cyclers[b] = (Cycler){boardNames[b], total / BOARDS + (b < total % BOARDS ? 1 : 0), 0, 0};
        pthread_create(&threads[b], NULL, cycle, &cyclers[b]);
    }
    for (int b = 0; b < BOARDS; ++b) {
        pthread_join(threads[b], NULL);
        EXPECT(cyclers[b].failures == 0, "%s: %ld failed calls, first 0x%08x", cyclers[b].board,
               cyclers[b].failures, cyclers[b].firstCode);
    }
    const double elapsed = nowSeconds() - start;
    printf("%ld enable/disable cycles on %d boards (half with %d interrupts in flight) in %.1f s, "
           "%.1f cycles/s; %ld interrupts delivered meanwhile\n",
           total, BOARDS, IN_FLIGHT, elapsed, (double)total / elapsed, atomic_load(&calls[0]));
}

/* Each replacement is followed by an interrupt served by the new callback. */
static void runReplacements(long total) {
    const char* board = boardNames[0];
    EXPECT(VelmorSetDeviceInterruptCallback(board, firstCallback) == 0, "set callback");
    EXPECT(VelmorEnableDeviceInterrupts(board) == 0, "enable");
    atomic_store(&stopFeeding, 0);
    pthread_t feeder;
    pthread_create(&feeder, NULL, feed, (void*)board);
    const double start = nowSeconds();
    long late = 0;
    for (long i = 0; i < total; ++i) {
        const int which = (int)((i + 1) % 2);
        const long before = atomic_load(&calls[which]);
        const uint32_t code =
            VelmorSetDeviceInterruptCallback(board, which == 0 ? firstCallback : secondCallback);
        EXPECT(code == 0, "replacement %ld: 0x%08x", i, code);
        if (!waitForCall(which, before)) ++late;
    }
    const double elapsed = nowSeconds() - start;
    atomic_store(&stopFeeding, 1);
    pthread_join(feeder, NULL);
    EXPECT(VelmorDisableDeviceInterrupts(board) == 0, "disable");
    EXPECT(VelmorClearInterruptFifo(board) == 0, "clear the FIFO");
    printf("%ld callback replacements while interrupts arrive in %.2f s; the two callbacks ran %ld and "
           "%ld times\n",
           total, elapsed, atomic_load(&calls[0]), atomic_load(&calls[1]));
    EXPECT(late == 0, "%ld replacements were never served within 10 s", late);
}

int main(void) {
    setvbuf(stdout, NULL, _IOLBF, 0); /* each figure as soon as it is known */
    const long cycles = scaled(10000, 2 * BOARDS);
    const long replacements = scaled(1000, 20);
    corvane_sim_set_trace_limit(0);

    /* Warm-up: the registry, the log files, one cycle with interrupts on every board. */
    for (int b = 0; b < BOARDS; ++b) {
        EXPECT(VelmorSetDeviceInterruptCallback(boardNames[b], firstCallback) == 0, "set callback");
    }
    runCycles(2 * BOARDS);
    runReplacements(4);
    const Resources warm = resourcesSettled();

    atomic_store(&calls[0], 0);
    runCycles(cycles);
    expectResourcesHeld("after the cycles", warm, resourcesSettled());
    runReplacements(replacements);
    expectResourcesHeld("after the replacements", warm, resourcesSettled());
    return stressDone("stress_lifecycle");
}
