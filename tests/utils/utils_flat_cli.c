/* Runs one flat console helper as a C program sees it through libCorvane.so, so that a
 * test can feed its standard input through a pipe and read everything it prints.
 *
 *   utils_flat_cli SCENARIO [PARAMS...] [-- COMMAND-LINE OPTIONS...]
 *
 * The options after "--" are parsed with the argument parser, which declares --name
 * (-n), --value (-v), --card (-c) and --mode (-m). Each scenario prints its result as
 * one last line "<...>" after the helper's own output. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <corvane/Corvane.h>

static int hasTimer(VelmorDeviceStruct* device) { return device->functions.timer.number_timers > 0; }
static int hasCounter(VelmorDeviceStruct* device) {
    return device->functions.counter.number_counters > 0;
}
static int hasWatchdog(VelmorDeviceStruct* device) {
    return device->functions.watchdog.number_watchdogs > 0;
}
static int hasPorts(VelmorDeviceStruct* device) {
    return device->functions.digital.number_of_ports > 0;
}

static void parseOptions(int argc, char** argv, int first) {
    static char* parserArgv[64];
    int parserArgc = 0;
    parserArgv[parserArgc++] = argv[0];
    for (int i = first; i < argc && parserArgc < 63; ++i) {
        parserArgv[parserArgc++] = argv[i];
    }
    parserArgv[parserArgc] = NULL;
    VelmorArgParserAddOption("name", 'n', "a text", 1);
    VelmorArgParserAddOption("value", 'v', "a number", 1);
    VelmorArgParserAddOption("card", 'c', "a card", 1);
    VelmorArgParserAddOption("mode", 'm', "a mode", 1);
    VelmorArgParserParse(parserArgc, parserArgv);
}

/* Fills bytes from "null" (returns NULL) or a comma-separated list of hex numbers. */
static const uint8_t* parseBytes(const char* text, uint8_t* bytes, int room) {
    if (strcmp(text, "null") == 0) {
        return NULL;
    }
    memset(bytes, 0, (size_t)room);
    char copy[1024];
    snprintf(copy, sizeof copy, "%s", text);
    int n = 0;
    for (char* item = strtok(copy, ","); item != NULL && n < room; item = strtok(NULL, ",")) {
        bytes[n++] = (uint8_t)strtoul(item, NULL, 16);
    }
    return bytes;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: utils_flat_cli SCENARIO [PARAMS...] [-- OPTIONS...]\n");
        return 2;
    }
    int params = argc;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            params = i;
            break;
        }
    }
    parseOptions(argc, argv, params + 1);
    const char* scenario = argv[1];
    char** p = argv + 2;
    const int np = params - 2;
    char out[512];
    memset(out, 'X', sizeof out);
    out[sizeof out - 1] = '\0';

    if (strcmp(scenario, "string") == 0 && np >= 1) {
        int r = VelmorUtilsPromptString(p[0], (const char**)(p + 1), np - 1, out, 256);
        printf("<ret=%d out=[%s]>\n", r, r ? out : "");
    } else if (strcmp(scenario, "string-neg") == 0 && np >= 1) {
        int r = VelmorUtilsPromptString(p[0], (const char**)(p + 1), -1, out, 256);
        printf("<ret=%d>\n", r);
    } else if (strcmp(scenario, "string-out") == 0 && np >= 2) {
        const size_t size = (size_t)atoi(p[0]);
        int r = VelmorUtilsPromptString(p[1], NULL, 0, out, size);
        printf("<ret=%d out=[%s] next=%c>\n", r, out, out[size]);
    } else if (strcmp(scenario, "int") == 0 && np == 3) {
        printf("<ret=%d>\n", VelmorUtilsPromptInt(p[0], atoi(p[1]), atoi(p[2])));
    } else if (strcmp(scenario, "hex") == 0 && np == 3) {
        printf("<ret=0x%X>\n", VelmorUtilsPromptHex(p[0], (unsigned)strtoul(p[1], NULL, 0),
                                                     (unsigned)strtoul(p[2], NULL, 0)));
    } else if (strcmp(scenario, "vstring") == 0 && np >= 2) {
        int r = VelmorUtilsGetValidString(p[0], p[1], (const char**)(p + 2), np - 2, out, 256);
        printf("<ret=%d out=[%s]>\n", r, r ? out : "");
    } else if (strcmp(scenario, "vstring-neg") == 0 && np >= 2) {
        int r = VelmorUtilsGetValidString(p[0], p[1], NULL, -1, out, 256);
        printf("<ret=%d>\n", r);
    } else if (strcmp(scenario, "vint") == 0 && np == 4) {
        printf("<ret=%d>\n", VelmorUtilsGetValidInt(p[0], p[1], atoi(p[2]), atoi(p[3])));
    } else if (strcmp(scenario, "vhex") == 0 && np == 4) {
        printf("<ret=0x%X>\n", VelmorUtilsGetValidHex(p[0], p[1], (unsigned)strtoul(p[2], NULL, 0),
                                                      (unsigned)strtoul(p[3], NULL, 0)));
    } else if ((strcmp(scenario, "mode") == 0 || strcmp(scenario, "mode-nodesc") == 0) && np >= 1) {
        /* Each mode "name" or "name:description". */
        const char* modes[16];
        const char* descriptions[16];
        static char copies[16][128];
        int count = 0;
        for (int i = 1; i < np && count < 16; ++i, ++count) {
            snprintf(copies[count], sizeof copies[count], "%s", p[i]);
            char* colon = strchr(copies[count], ':');
            descriptions[count] = NULL;
            if (colon != NULL) {
                *colon = '\0';
                descriptions[count] = colon + 1;
            }
            modes[count] = copies[count];
        }
        const int nodesc = strcmp(scenario, "mode-nodesc") == 0;
        int r = VelmorUtilsSelectMode(p[0], modes, nodesc ? NULL : descriptions, count, out, 256);
        printf("<ret=%d out=[%s]>\n", r, out);
    } else if (strcmp(scenario, "select") == 0 && np >= 2) {
        /* Devices "id/product/timers"; "many:N" makes N qualifying devices. */
        static VelmorDeviceStruct devices[64];
        int count = 0;
        memset(devices, 0, sizeof devices);
        for (int i = 2; i < np && count < 64; ++i) {
            int many = 0;
            if (sscanf(p[i], "many:%d", &many) == 1) {
                for (int k = 0; k < many && count < 64; ++k, ++count) {
                    snprintf(devices[count].id, sizeof devices[count].id, "dev_%d", k);
                    snprintf(devices[count].general.product_name,
                             sizeof devices[count].general.product_name, "prod%d", k);
                    devices[count].functions.timer.number_timers = 1;
                }
                continue;
            }
            char copy[256];
            snprintf(copy, sizeof copy, "%s", p[i]);
            char* id = strtok(copy, "/");
            char* product = strtok(NULL, "/");
            char* timers = strtok(NULL, "/");
            snprintf(devices[count].id, sizeof devices[count].id, "%s", id ? id : "");
            snprintf(devices[count].general.product_name, sizeof devices[count].general.product_name,
                     "%s", product ? product : "");
            devices[count].functions.timer.number_timers = (uint8_t)(timers ? atoi(timers) : 0);
            ++count;
        }
        VelmorDeviceStruct* chosen = VelmorUtilsSelectDeviceByCapability(devices, count, p[0],
                                                                         hasTimer, p[1]);
        printf("<ret=%d>\n", chosen == NULL ? -1 : (int)(chosen - devices));
    } else if (strcmp(scenario, "select-sim") == 0 && np == 3) {
        unsigned char n = 0;
        if (VelmorGetNumberOfDevices(&n) != 0) {
            printf("<registry failed>\n");
            return 1;
        }
        VelmorDeviceStruct* devices = calloc(n ? n : 1, sizeof *devices);
        VelmorGetDeviceList(devices);
        int (*test)(VelmorDeviceStruct*) = strcmp(p[2], "timer") == 0      ? hasTimer
                                           : strcmp(p[2], "counter") == 0  ? hasCounter
                                           : strcmp(p[2], "watchdog") == 0 ? hasWatchdog
                                                                           : hasPorts;
        VelmorDeviceStruct* chosen = VelmorUtilsSelectDeviceByCapability(devices, n, p[0], test,
                                                                         p[1]);
        printf("<ret=%s>\n", chosen == NULL ? "(null)" : chosen->id);
        free(devices);
    } else if (strcmp(scenario, "timebase") == 0 && np == 1) {
        printf("<ret=%d>\n", (int)VelmorUtilsParseTimebase(p[0]));
    } else if (strcmp(scenario, "tcw") == 0 && np == 1) {
        printf("<ret=0x%X>\n", VelmorUtilsGetTcwOptionsFromUser((unsigned)strtoul(p[0], NULL, 0)));
    } else if (strcmp(scenario, "ports") == 0 && np == 4) {
        uint8_t in[256];
        uint8_t outs[256];
        VelmorUtilsDisplayAllPortsConfigurations((uint16_t)strtoul(p[0], NULL, 0),
                                                 parseBytes(p[2], in, 256),
                                                 parseBytes(p[3], outs, 256),
                                                 (uint8_t)atoi(p[1]));
        printf("<done>\n");
    } else if (strcmp(scenario, "exit") == 0 && np == 1) {
        VelmorUtilsExitOnUserInput(atoi(p[0]));
    } else if (strcmp(scenario, "int-exit") == 0 && np == 1) {
        printf("<ret=%d>\n", VelmorUtilsPromptInt("Value", 0, 9));
        VelmorUtilsExitOnUserInput(atoi(p[0]));
    } else {
        fprintf(stderr, "unknown scenario or wrong parameters: %s\n", scenario);
        return 2;
    }
    return 0;
}
