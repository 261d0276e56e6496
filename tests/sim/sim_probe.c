/* Prints what a program sees over the board simulator: the boards configured from
 * CORVANE_SIM_BOARDS and, for each node, the result of opening it the way discovery does
 * and the information record its driver reports. Written in C11 against corvane_sim.h. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "corvane_sim.h"

int main(void) {
    int count = corvane_sim_board_count();
    printf("boards=%d\n", count);
    for (int i = 0; i < count; ++i) {
        char node[64];
        char path[80];
        if (corvane_sim_board_node(i, node, sizeof node) != 0) return 1;
        snprintf(path, sizeof path, "/dev/%s", node);
        int fd = open(path, O_RDWR);
        if (fd < 0) {
            printf("%s open-error=%s\n", node, strerror(errno));
            continue;
        }
        IoctlGetDeviceInformationsStruct info;
        memset(&info, 0, sizeof info);
        if (ioctl(fd, 0xC0084100u, &info) != 0) {
            printf("%s info-error=%s\n", node, strerror(errno));
        } else {
            printf("%s number=%u pcie=%u product=%.256s firmware=%.256s vendor=0x%04x device=0x%04x bus=%u "
                   "slot=%u irq=%u bar0=0x%llx\n",
                   node, info.bus.number, info.bus.is_pcie, info.product_name, info.firmware_version,
                   info.bus.vendor_id, info.bus.device_id, info.bus.bus_number, info.bus.device_number,
                   info.bus.interrupt_number, (unsigned long long)info.bus.base_address_register[0]);
        }
        close(fd);
    }
    return 0;
}
