/* What the stress programs share: their sizes, the process's resources, the clock and
 * a failure count that decides the exit status.
 *
 * Sizes: every program states its full size; CORVANE_STRESS_SCALE (or, when that is
 * unset, CORVANE_STRESS_DEFAULT_SCALE, which the test registration sets) multiplies it.
 * CORVANE_STRESS_RSS_LIMIT_KB bounds the growth of resident memory after the warm-up
 * (1024 when unset; 0 prints the growth without bounding it). */
#ifndef STRESS_SUPPORT_H
#define STRESS_SUPPORT_H

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <corvane/Corvane.h>

#include "corvane_sim.h"

static int stress_failures = 0;

/* Records a failure with its line and a message; the run goes on. */
#define EXPECT(cond, ...)                                                  \
    do {                                                                   \
        if (!(cond)) {                                                     \
            ++stress_failures;                                             \
            fprintf(stderr, "FAILED %s:%d: %s: ", __FILE__, __LINE__, #cond); \
            fprintf(stderr, __VA_ARGS__);                                  \
            fputc('\n', stderr);                                           \
        }                                                                  \
    } while (0)

static inline double stressScale(void) {
    const char* text = getenv("CORVANE_STRESS_SCALE");
    if (text == NULL || *text == '\0') text = getenv("CORVANE_STRESS_DEFAULT_SCALE");
    const double scale = (text != NULL && *text != '\0') ? strtod(text, NULL) : 1.0;
    return scale > 0.0 ? scale : 1.0;
}

/* full times the scale, at least minimum. */
static inline long scaled(long full, long minimum) {
    const long n = (long)((double)full * stressScale() + 0.5);
    return n < minimum ? minimum : n;
}

static inline double nowSeconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static inline void pauseMicroseconds(long us) {
    struct timespec t = {us / 1000000, (us % 1000000) * 1000};
    nanosleep(&t, NULL);
}

/* Entries of a /proc/self directory, without "." and "..". */
static inline int countEntries(const char* path) {
    DIR* dir = opendir(path);
    if (dir == NULL) return -1;
    int n = 0;
    for (struct dirent* e = readdir(dir); e != NULL; e = readdir(dir)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) ++n;
    }
    closedir(dir);
    return n;
}

typedef struct {
    int descriptors; /* open descriptors, the one that lists them not counted */
    int threads;
    long rssKb;
} Resources;

static inline Resources resourcesNow(void) {
    Resources r = {countEntries("/proc/self/fd") - 1, countEntries("/proc/self/task"), -1};
    FILE* status = fopen("/proc/self/status", "r");
    char line[256];
    while (status != NULL && fgets(line, sizeof line, status) != NULL) {
        if (strncmp(line, "VmRSS:", 6) == 0) r.rssKb = strtol(line + 6, NULL, 10);
    }
    if (status != NULL) fclose(status);
    return r;
}

/* The resources once the process holds no thread but the main one, or after a second:
 * a thread that was just joined may still be leaving the task list. */
static inline Resources resourcesSettled(void) {
    Resources r = resourcesNow();
    for (int i = 0; i < 100 && r.threads > 1; ++i) {
        pauseMicroseconds(10000);
        r = resourcesNow();
    }
    return r;
}

static inline long rssLimitKb(void) {
    const char* text = getenv("CORVANE_STRESS_RSS_LIMIT_KB");
    return (text != NULL && *text != '\0') ? strtol(text, NULL, 10) : 1024;
}

/* Prints both readings and checks that descriptors and threads are as before and that
 * resident memory grew by no more than the limit. */
static inline void expectResourcesHeld(const char* phase, Resources before, Resources after) {
    const long limit = rssLimitKb();
    printf("%s: descriptors %d -> %d, threads %d -> %d, RSS %ld kB -> %ld kB (%+ld kB, limit %s)\n",
           phase, before.descriptors, after.descriptors, before.threads, after.threads, before.rssKb,
           after.rssKb, after.rssKb - before.rssKb, limit > 0 ? "1 MB" : "not checked");
    EXPECT(after.descriptors == before.descriptors, "%s: descriptors %d -> %d", phase,
           before.descriptors, after.descriptors);
    EXPECT(after.threads == before.threads, "%s: threads %d -> %d", phase, before.threads,
           after.threads);
    if (limit > 0) {
        EXPECT(after.rssKb - before.rssKb <= limit, "%s: RSS grew by %ld kB", phase,
               after.rssKb - before.rssKb);
    }
}

/* Queues one interrupt whose first argument is the sequence number. Returns 0, or -1
 * when the simulator refuses it (a full FIFO: ENOSPC). */
static inline int queueNumbered(const char* node, uint32_t source, uint32_t sequence) {
    InterruptData data;
    memset(&data, 0, sizeof data);
    data.interrupt_source = source;
    data.args_count = 1;
    data.args[0] = sequence;
    return corvane_sim_queue_interrupt(node, &data) >= 0 ? 0 : -1;
}

static inline int stressDone(const char* program) {
    printf("%s: %s\n", program, stress_failures == 0 ? "passed" : "FAILED");
    fflush(stdout);
    return stress_failures == 0 ? 0 : 1;
}

#endif
