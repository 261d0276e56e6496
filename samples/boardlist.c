/* boardlist: lists every board that libCorvane finds, with its general and PCI bus
 * information. Uses the public C interface only. */
#include <locale.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <corvane/Corvane.h>

#include "boardlist_print.h"

/* The device list lives until the program ends. */
static VelmorDeviceStruct* deviceList = NULL;

int main(void) {
    /* Lets the custom identifiers show in the user's character set. */
    setlocale(LC_CTYPE, "");

    puts("List Device sample");
    unsigned char count = 0;
    VelmorGetNumberOfDevices(&count);
    printf("Found %d cards\n", count);

    /* With a count of 0 no buffer is passed: the list function then writes nothing, even
     * when a registry build that failed for the count succeeds for the list. */
    if (count > 0) {
        deviceList = malloc((size_t)count * sizeof(VelmorDeviceStruct));
        if (deviceList == NULL) {
            fprintf(stderr, "boardlist: cannot allocate memory for %d device structures\n", count);
            return 1;
        }
    }
    const uint32_t listed = VelmorGetDeviceList(deviceList);
    if (listed != 0 && count > 0) {
        /* Never print a list that was not filled; the result codes do not change the
         * exit status. */
        fprintf(stderr, "boardlist: cannot read the device list (error 0x%08X)\n", (unsigned)listed);
        return 0;
    }

    for (int i = 0; i < count; ++i) {
        printf("Found card %.256s\n", deviceList[i].id);
        printGeneralInformation(&deviceList[i].general);
        printVelmorPCIBusInformations(&deviceList[i].bus);
    }
    return 0;
}
