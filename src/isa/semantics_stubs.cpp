// Routines of instructions this system does not carry out: each raises the illegal-instruction
// interrupt with its instruction's name, except rfgi (refused silently) and ehpriv (completes
// without moving on).
#include "interrupts/interrupt_raisers.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"

namespace
{

int refuse(IOPDesc *iop, const char *name)
{
    interrupt_IllegalInstruction(iop, name);
    return 0;
}

} // namespace

int semantic_emask(IOPDesc *iop)
{
    return refuse(iop, "emask");
}

int semantic_emask_mv(IOPDesc *iop)
{
    return refuse(iop, "emask_mv");
}

int semantic_emaskres(IOPDesc *iop)
{
    return refuse(iop, "emaskres");
}

int semantic_emasksave(IOPDesc *iop)
{
    return refuse(iop, "emasksave");
}

int semantic_notrace(IOPDesc *iop)
{
    return refuse(iop, "notrace");
}

int semantic_stmprofile(IOPDesc *iop)
{
    return refuse(iop, "stmprofile");
}

int semantic_wclr(IOPDesc *iop)
{
    return refuse(iop, "wclr");
}

int semantic_wchkall(IOPDesc *iop)
{
    return refuse(iop, "wchkall");
}

int semantic_ldawx_dot(IOPDesc *iop)
{
    return refuse(iop, "ldawx_dot");
}

int semantic_rfgi(IOPDesc *)
{
    return 0;
}

int semantic_ehpriv(IOPDesc *)
{
    return 1;
}
