/* Starts a timer or counter of a board through the library's C interface, for the
 * gateway's tests: modbus_unit_setup BOARD timer|counter ID RELOAD (a timer counts in
 * milliseconds). Exit status 0, or 1 with the library's text. */
#include <corvane/Corvane.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    char text[4096];
    uint32_t code = 0;
    if (argc != 5) {
        fprintf(stderr, "usage: modbus_unit_setup BOARD timer|counter ID RELOAD\n");
        return 2;
    }
    const int id = atoi(argv[3]);
    const unsigned long reload = strtoul(argv[4], NULL, 0);
    if (strcmp(argv[2], "timer") == 0) {
        code = VelmorInitTimer(argv[1], id, MILLISECOND, (uint16_t)reload, 0);
        if (code == 0) code = VelmorStartTimer(argv[1], id);
    } else if (strcmp(argv[2], "counter") == 0) {
        code = VelmorInitCounter(argv[1], id, (uint32_t)reload, COUNTER_RISING_EDGE_COUNT);
        if (code == 0) code = VelmorStartCounter(argv[1], id);
    } else {
        fprintf(stderr, "modbus_unit_setup: unknown unit kind %s\n", argv[2]);
        return 2;
    }
    if (code != 0) {
        VelmorGetLastError(text, sizeof text - 1);
        fprintf(stderr, "%s\n", text);
        return 1;
    }
    return 0;
}
