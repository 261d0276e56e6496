/* Prints the number of boards the library finds and their identifiers, one a line;
 * built with the flags of `pkg-config --cflags --libs corvane` only. */
#include <corvane/Corvane.h>

#include <stdio.h>
#include <stdlib.h>

int main(void) {
    unsigned char count = 0;
    if (VelmorGetNumberOfDevices(&count) != 0) return 1;
    printf("%u boards\n", (unsigned)count);
    VelmorDeviceStruct* list = calloc(count > 0 ? count : 1, sizeof *list);
    if (list == NULL || VelmorGetDeviceList(list) != 0) return 1;
    for (unsigned i = 0; i < count; ++i) printf("%s\n", list[i].id);
    free(list);
    return 0;
}
