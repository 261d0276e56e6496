/* More boards than the C interface's 8-bit count holds (the simulator's KELOE6100 boards
 * numbered 0 to N-1): the count stops at 255, the list holds as many records as the count
 * says (the first ones in identifier order), a buffer sized from the count is always
 * enough, every board stays reachable by its identifier, and the discovery log says once
 * how many boards the list leaves out. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "c_api_support.h"
#include "corvane_sim.h"

#define MAX_LISTED 255

static int byIdentifier(const void* a, const void* b) {
    return strcmp((const char*)a, (const char*)b);
}

static const char* discoveryLog(void) {
    static char path[4096];
    snprintf(path, sizeof path, "%s/.velmor/corvane/velmor.log", getenv("HOME"));
    return path;
}

/* Lines of the discovery log at WARNING level that mention the C interface. */
static int countWarnings(const char* expected) {
    FILE* log = fopen(discoveryLog(), "r");
    if (log == NULL) return 0;
    int found = 0;
    char line[1024];
    while (fgets(line, sizeof line, log) != NULL) {
        const char* warning = strstr(line, " - WARNING - ");
        if (warning != NULL && strstr(warning, "the C interface") != NULL) {
            ++found;
            line[strcspn(line, "\n")] = '\0';
            CHECK_STR_EQ(warning + strlen(" - WARNING - "), expected);
        }
    }
    fclose(log);
    return found;
}

int main(void) {
    remove(discoveryLog()); /* a log of an earlier run */
    const int total = corvane_sim_board_count();
    CHECK(total >= 255);
    const int listed = total < MAX_LISTED ? total : MAX_LISTED;

    /* The identifiers in byte-wise order: keloe6100_0, keloe6100_1, keloe6100_10, ... */
    char(*ids)[32] = calloc((size_t)total, sizeof *ids);
    for (int i = 0; i < total; ++i) snprintf(ids[i], sizeof ids[i], "keloe6100_%d", i);
    qsort(ids, (size_t)total, sizeof *ids, byIdentifier);

    unsigned char count = 0;
    CHECK(VelmorGetNumberOfDevices(&count) == 0);
    CHECK(count == listed);

    /* A buffer of exactly count records: a longer list would overrun it (the sanitizer
     * build stops there), and in a larger one everything past count stays as it was. */
    VelmorDeviceStruct* exact = malloc((size_t)count * sizeof *exact);
    CHECK(VelmorGetDeviceList(exact) == 0);
    VelmorDeviceStruct* roomy = malloc((size_t)(count + 2) * sizeof *roomy);
    memset(roomy, 0x5A, (size_t)(count + 2) * sizeof *roomy);
    CHECK(VelmorGetDeviceList(roomy) == 0);
    for (int i = 0; i < listed; ++i) {
        CHECK_STR_EQ(exact[i].id, ids[i]);
        CHECK(memcmp(&exact[i], &roomy[i], sizeof exact[i]) == 0);
    }
    const unsigned char* past = (const unsigned char*)&roomy[listed];
    int untouched = 1;
    for (size_t b = 0; b < 2 * sizeof *roomy; ++b) untouched &= past[b] == 0x5A;
    CHECK(untouched);

    /* Boards beyond the list are reached by their identifier like any other. */
    for (int i = listed; i < total; ++i) {
        VelmorDeviceStruct one;
        memset(&one, 0, sizeof one);
        CHECK(VelmorGetDeviceStructFromDeviceName(ids[i], &one) == 0);
        CHECK_STR_EQ(one.id, ids[i]);
        CHECK_STR_EQ(one.general.product_name, "keloe6100");
    }
    if (total > listed) {
        const char* last = ids[total - 1];
        CHECK(corvane_sim_set_inputs(last, 0x80000001u) == 0);
        corvane_sim_trace_clear();
        uint32_t inputs = 0;
        CHECK(VelmorReadAllDigitalInputs(last, &inputs) == 0);
        CHECK(inputs == 0x80000001u);
        static corvane_sim_trace_entry entry;
        CHECK(corvane_sim_trace_count() == 1);
        CHECK(corvane_sim_trace_get(0, &entry) == 0);
        CHECK_STR_EQ(entry.node, last);
        CHECK(entry.command == IOCTL_NUMBER(0x10));
    }

    /* One line per registry build, however often the count and the list are asked for. */
    char expected[256];
    snprintf(expected, sizeof expected,
             "%d boards found: the C interface counts and lists only the first 255 (in "
             "identifier order) and leaves %d out",
             total, total - listed);
    CHECK(countWarnings(expected) == (total > listed ? 1 : 0));

    free(roomy);
    free(exact);
    free(ids);
    return C_CHECK_DONE();
}
