/* boardlist's printing of a board's records, in a unit of its own so that other
 * programs (the tests) print records exactly as boardlist does. */
#ifndef BOARDLIST_PRINT_H
#define BOARDLIST_PRINT_H

#include <corvane/VelmorTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The general information block; texts are read only within their fields, characters
 * of the custom identifier that the current locale cannot show come out as '?'. */
void printGeneralInformation(const VelmorGeneralInformations* info);
/* The PCI bus block (the low 32 bits of each base address register). */
void printVelmorPCIBusInformations(const VelmorPCIBusInformations* info);

#ifdef __cplusplus
}
#endif

#endif
