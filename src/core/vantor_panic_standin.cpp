// Stand-in of the core model's fatal error about an instruction.
#include <cstdarg>
#include <cstdio>

#include "isa/hooks/vantor_panic.h"
#include "processor/records/instruction_record.h"
#include "runtime/message.h"

// STAND-IN: the core model's instruction dump (its MSR and disassembly) is not built; the
// instruction word and the message go to the fatal internal error.
__attribute__((weak)) void VANTOR_PANIC(IOPDesc *iop, const char *format, ...)
{
    char text[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    sim_panic("ins=0x%08X: %s", iop ? iop->word : 0u, text);
}
