/* Many threads call the C interface, each on its own board, and every tenth call fails
 * in the driver with an error record that names the thread and the failure's number.
 * The last error read right after a failure must be whole: exactly the text of this
 * thread's failure, or of a failure another thread has already made, never a mix.
 * Resident memory stays flat after the warm-up. Full size: 1,000,000 calls. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>

#include "stress_support.h"

#define THREADS 4
#define GET_DIGITAL_INPUTS 0xC0084110u
#define MARK "@@"

static const char* const boardNames[THREADS] = {"keloe6100_0", "keloe6100_1", "keloe6100_2", "keloe6100_3"};
/* The text around the record's message, per board, as learnt from one failure each. */
static char prefix[THREADS][4096];
static char suffix[THREADS][4096];
/* A failing call publishes two texts on its way to the final one: the transport's own
 * exception, then the library's summary that quotes it (the final text is that summary
 * followed by the driver's record). Another thread may read either while that call is
 * still in progress; both are whole texts of a failure. */
static char transportText[4096];
static char summaryText[4096];
static uint32_t failureCode;
/* The number of the latest failure each thread has set up (published before the call). */
static atomic_long published[THREADS];

/* A long message in the thread's own letter, so that a text torn between two threads'
 * failures cannot pass for a whole one. */
static void message(int thread, long number, char* out, size_t size) {
    char filler[161];
    memset(filler, 'A' + thread, sizeof filler - 1);
    filler[sizeof filler - 1] = '\0';
    snprintf(out, size, "thread %d failure %ld: %s", thread, number, filler);
}

static uint32_t failOnce(int thread, const char* text) {
    VelmorErrorType record;
    memset(&record, 0, sizeof record);
    snprintf(record.driver_name, sizeof record.driver_name, "stressdrv");
    snprintf(record.function_name, sizeof record.function_name, "IoctlGetDigitalInputs");
    record.error_code = 5;
    snprintf(record.message, sizeof record.message, "%s", text);
    if (corvane_sim_fail(boardNames[thread], GET_DIGITAL_INPUTS, -1, 5, 1, &record) != 0) return 1;
    uint32_t inputs = 0;
    return VelmorReadAllDigitalInputs(boardNames[thread], &inputs);
}

/* 1 when text is whole: the failure text of some thread t, with a number that thread
 * has reached (exactly its latest when t is self). */
static int wholeText(const char* text, int self, long latest) {
    if (strcmp(text, transportText) == 0 || strcmp(text, summaryText) == 0) return 1;
    for (int t = 0; t < THREADS; ++t) {
        const size_t pl = strlen(prefix[t]);
        const size_t sl = strlen(suffix[t]);
        const size_t tl = strlen(text);
        if (tl < pl + sl || strncmp(text, prefix[t], pl) != 0 || strcmp(text + tl - sl, suffix[t]) != 0) continue;
        int who = -1;
        long number = -1;
        if (sscanf(text + pl, "thread %d failure %ld", &who, &number) != 2 || who != t) continue;
        char expected[512];
        message(t, number, expected, sizeof expected);
        if (strlen(expected) != tl - pl - sl || strncmp(text + pl, expected, tl - pl - sl) != 0) continue;
        return t == self ? number == latest : number <= atomic_load(&published[t]);
    }
    return 0;
}

typedef struct {
    int index;
    long calls;
    long failures; /* failed calls expected */
    long wrong;    /* a failure or success other than expected */
    long torn;
    char firstTorn[1024];
} Caller;

static void* call(void* argument) {
    Caller* c = argument;
    char text[4096];
    for (long i = 0; i < c->calls; ++i) {
        if (i % 10 == 9) {
            const long number = i / 10;
            char body[512];
            message(c->index, number, body, sizeof body);
            atomic_store(&published[c->index], number);
            ++c->failures;
            if (failOnce(c->index, body) != failureCode) ++c->wrong;
            text[0] = '\0';
            VelmorGetLastError(text, sizeof text - 1);
            if (!wholeText(text, c->index, number) && c->torn++ == 0) {
                snprintf(c->firstTorn, sizeof c->firstTorn, "%.1000s", text);
            }
        } else {
            uint32_t inputs = 0;
            if (VelmorReadAllDigitalInputs(boardNames[c->index], &inputs) != 0) ++c->wrong;
        }
    }
    return NULL;
}

static void runCallers(long total, int report) {
    Caller callers[THREADS];
    pthread_t threads[THREADS];
    const double start = nowSeconds();
    for (int t = 0; t < THREADS; ++t) {
        memset(&callers[t], 0, sizeof callers[t]);
        callers[t].index = t;
        callers[t].calls = total / THREADS;
        pthread_create(&threads[t], NULL, call, &callers[t]);
    }
    long calls = 0, failures = 0, wrong = 0, torn = 0;
    for (int t = 0; t < THREADS; ++t) {
        pthread_join(threads[t], NULL);
        calls += callers[t].calls;
        failures += callers[t].failures;
        wrong += callers[t].wrong;
        torn += callers[t].torn;
        EXPECT(callers[t].torn == 0, "thread %d: %ld texts not whole, first: %s", t, callers[t].torn,
               callers[t].firstTorn);
    }
    const double elapsed = nowSeconds() - start;
    EXPECT(wrong == 0, "%ld calls did not end as expected", wrong);
    if (report) {
        printf("%ld calls on %d threads in %.2f s (%.0f calls/s), %ld injected failures, %ld unexpected "
               "results, %ld last-error texts not whole\n",
               calls, THREADS, elapsed, (double)calls / elapsed, failures, wrong, torn);
    }
}

int main(void) {
    setvbuf(stdout, NULL, _IOLBF, 0); /* each figure as soon as it is known */
    const long total = scaled(1000000, 4000);
    corvane_sim_set_trace_limit(0);

    /* Learn the text around the message on every board, one thread at a time. */
    for (int t = 0; t < THREADS; ++t) {
        const uint32_t code = failOnce(t, MARK);
        char text[4096] = "";
        VelmorGetLastError(text, sizeof text - 1);
        const char* mark = strstr(text, MARK);
        EXPECT(code != 0 && (t == 0 || code == failureCode) && mark != NULL, "learning failure 0x%08x: %s",
               code, text);
        if (mark == NULL) return stressDone("stress_last_error");
        failureCode = code;
        snprintf(prefix[t], sizeof prefix[t], "%.*s", (int)(mark - text), text);
        snprintf(suffix[t], sizeof suffix[t], "%s", mark + strlen(MARK));
    }
    /* The summary ends where the record begins; the transport's text is the part of it
     * from the second exception header on. */
    const char* inner = strstr(prefix[0] + 1, "[CorvaneException]");
    const char* record = inner != NULL ? strstr(inner, "stressdrv") : NULL;
    EXPECT(record != NULL, "no transport text in %s", prefix[0]);
    if (record == NULL) return stressDone("stress_last_error");
    snprintf(transportText, sizeof transportText, "%.*s", (int)(record - inner), inner);
    snprintf(summaryText, sizeof summaryText, "%.*s", (int)(record - prefix[0]), prefix[0]);
    printf("stress_last_error: driver failure 0x%08x, text %s<message>%s\n", failureCode, prefix[0], suffix[0]);

    runCallers(total / 10, 0); /* warm-up */
    const Resources warm = resourcesSettled();
    runCallers(total, 1);
    expectResourcesHeld("after the calls", warm, resourcesSettled());
    return stressDone("stress_last_error");
}
