// Stand-in of the instruction disassembler.
#include "processor/hooks/disassembler.h"

#include <cstdio>

#include "processor/records/instruction_record.h"

// STAND-IN: the disassembler (templates, operand printers, the "nop", "li" and "mr" forms) is not
// built; the text is the instruction word in hexadecimal.
__attribute__((weak)) char *disassemble(char *buffer, size_t size, IOPDesc *iop, int)
{
    if (size) snprintf(buffer, size, ".long 0x%08X", iop ? iop->word : 0u);
    return buffer;
}
