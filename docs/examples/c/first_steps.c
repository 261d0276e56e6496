/* First steps with libCorvane from C: list the boards, read the inputs of one board,
 * switch outputs and read them back, and read a failure. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <corvane/Corvane.h>

/* Prints a failure: its code, the code's four fields and the library's readable text. */
static void print_failure(const char *what, uint32_t code) {
    char text[2048];
    VelmorGetLastError(text, sizeof text - 1); /* the text of this failure */
    printf("%s failed with code 0x%08X\n", what, (unsigned)code);
    printf("  source %u, domain %u, function %u, reason %u\n", (unsigned)(code >> 31),
           (unsigned)((code >> 24) & 0x7Fu), (unsigned)((code >> 8) & 0xFFu),
           (unsigned)(code & 0xFFu));
    printf("  %s\n", text);
}

int main(int argc, char **argv) {
    const char *board = argc > 1 ? argv[1] : "keloe6100_0";

    /* 1. The boards: how many, then one device structure per board. */
    unsigned char count = 0;
    uint32_t code = VelmorGetNumberOfDevices(&count);
    if (code != 0) {
        print_failure("VelmorGetNumberOfDevices", code);
        return 1;
    }
    printf("Boards: %u\n", (unsigned)count);
    VelmorDeviceStruct *list = calloc(count > 0 ? count : 1, sizeof *list);
    if (list == NULL) {
        return 1;
    }
    code = VelmorGetDeviceList(list);
    if (code != 0) {
        print_failure("VelmorGetDeviceList", code);
        free(list);
        return 1;
    }
    for (unsigned i = 0; i < count; ++i) {
        const DigitalInformations *digital = &list[i].functions.digital;
        printf("  %-12s %-10s inputs %2u, outputs %2u, ports %2u\n", list[i].id,
               list[i].general.product_name, (unsigned)digital->number_inputs,
               (unsigned)digital->number_outputs, (unsigned)digital->number_of_ports);
    }
    free(list);

    /* 2. Inputs: all 32 as one word (bit n = input n), or one at a time. */
    uint32_t inputs = 0;
    uint8_t input3 = 0;
    code = VelmorReadAllDigitalInputs(board, &inputs);
    if (code == 0) {
        code = VelmorReadSingleDigitalInput(board, 3, &input3);
    }
    if (code != 0) {
        print_failure("reading the inputs", code);
        return 1;
    }
    printf("%s inputs: 0x%08X, input 3 is %s\n", board, (unsigned)inputs, input3 ? "on" : "off");

    /* 3. Outputs: switch output 0 and outputs 12 to 15 on, output 0 off again, and read
     *    back what the board drives after each step. */
    uint32_t outputs = 0;
    code = VelmorWriteSingleDigitalOutput(board, 0, 1);
    if (code == 0) {
        code = VelmorWriteAllDigitalOutputs(board, 0x0000F000u, 1);
    }
    if (code == 0) {
        code = VelmorGetDigitalOutputsStatus(board, &outputs);
    }
    if (code != 0) {
        print_failure("switching outputs on", code);
        return 1;
    }
    printf("%s outputs: 0x%08X\n", board, (unsigned)outputs);
    code = VelmorWriteSingleDigitalOutput(board, 0, 0);
    if (code == 0) {
        code = VelmorGetDigitalOutputsStatus(board, &outputs);
    }
    if (code != 0) {
        print_failure("switching output 0 off", code);
        return 1;
    }
    printf("%s outputs: 0x%08X\n", board, (unsigned)outputs);

    /* 4. A failure: the board has outputs 0 to 31, so output 32 is refused. Nothing
     *    reaches the board, and the outputs stay as they were. */
    code = VelmorWriteSingleDigitalOutput(board, 32, 1);
    if (code != 0) {
        print_failure("VelmorWriteSingleDigitalOutput(32)", code);
    }
    if (code == VELMOR_ERROR_CODE(VELMOR_API, VELMOR_DOMAIN_DIGIO, VELMOR_FUNCTION_CHANNEL_RANGE,
                                  VELMOR_REASON_OUT_OF_BOUNDS)) {
        printf("  (a channel out of range: fix the program, not the board)\n");
    }
    return 0;
}
