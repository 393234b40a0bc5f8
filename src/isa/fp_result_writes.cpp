// The scalar vector-scalar target writes (see fp_result_writes.h).
#include "isa/fp_result_writes.h"

#include "isa/semantics_helpers.h"

void IOP_Write_VSR_T_Low(IOPDesc *iop, uint64_t, uint64_t value)
{
    IOP_Write_VSR_T(iop, value, 0);
}

void IOP_Write_VSR_T_Word(IOPDesc *iop, uint64_t, uint64_t value)
{
    IOP_Write_VSR_T(iop, (value >> 32) * 0x100000001ull, 0);
}
