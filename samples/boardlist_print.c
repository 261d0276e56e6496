/* boardlist's printing of a board's records. */
#include "boardlist_print.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <wchar.h>

/* Prints a wide text of at most max characters: characters that the current locale
 * cannot show come out as '?', so that one odd character never cuts the line. */
static void printWideText(const wchar_t* text, size_t max) {
    for (size_t i = 0; i < max && text[i] != L'\0'; ++i) {
        const wchar_t c = text[i];
        if (c > 0 && c < 0x80) {
            putchar((int)c);
            continue;
        }
        char bytes[MB_LEN_MAX];
        mbstate_t state = {0};
        const size_t n = wcrtomb(bytes, c, &state);
        if (n == (size_t)-1) {
            putchar('?');
        } else {
            fwrite(bytes, 1, n, stdout);
        }
    }
}

void printGeneralInformation(const VelmorGeneralInformations* info) {
    if (info == NULL) {
        puts("Invalid information.");
        return;
    }
    puts("General Information:");
    puts("-------------------");
    /* Each text is read only within its field. */
    printf("Serial Number:      %.256s\n", info->serial_number);
    printf("Product Name:       %.256s\n", info->product_name);
    printf("Firmware Version:   %.256s\n", info->firmware_version);
    printf("Library Version:    %.256s\n", info->library_version);
    printf("Driver Version:     %.256s\n", info->driver_version);
    printf("Device Path:        %.256s\n", info->device_path);
    printf("Device Type:        %u\n", (unsigned)info->device_type);
    printf("Custom Id:          ");
    printWideText(info->custom_id, sizeof info->custom_id / sizeof info->custom_id[0]);
    putchar('\n');
    puts("-------------------");
}

void printVelmorPCIBusInformations(const VelmorPCIBusInformations* info) {
    if (info == NULL) {
        puts("Error: Null pointer passed to printVelmorPCIBusInformations");
        return;
    }
    puts("VelmorPCIBusInformations:");
    printf("  Vendor ID: 0x%04X\n", (unsigned)info->vendor_id);
    printf("  Device ID: 0x%04X\n", (unsigned)info->device_id);
    printf("  UI Number: %u\n", (unsigned)info->number);
    printf("  Device Number: %u\n", (unsigned)info->device_number);
    printf("  Bus Number: %u\n", (unsigned)info->bus_number);
    printf("  Is Pcie: %u\n", (unsigned)info->is_pcie);
    puts("  Base Address Registers:");
    for (int i = 0; i < 6; ++i) {
        /* Only the low 32 bits of each register are shown. */
        printf("    BAR%d: 0x%08X\n", i, (unsigned)(info->base_address_register[i] & 0xFFFFFFFFu));
    }
    printf("  Interrupt Number: %u\n", (unsigned)info->interrupt_number);
}
