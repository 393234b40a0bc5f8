// Stand-ins of the load and store multiple listing texts.
#include "isa/multiple_listing.h"

#include <cstdio>

#include "processor/records/instruction_record.h"

// STAND-IN: the micro-code listing printers of the load/store multiple forms are not built (no row
// of the table uses their templates yet); every word is listed as unrecognised.
__attribute__((weak)) void Disassemble_Load_Multiple_Ucode(char *buffer, size_t size, IOPDesc *iop)
{
    if (size) snprintf(buffer, size, "*unrecognized* 0x%08X", iop ? iop->word : 0u);
}

// STAND-IN: as above, for the store forms.
__attribute__((weak)) void Disassemble_Store_Multiple_Ucode(char *buffer, size_t size, IOPDesc *iop)
{
    if (size) snprintf(buffer, size, "*unrecognized* 0x%08X", iop ? iop->word : 0u);
}
