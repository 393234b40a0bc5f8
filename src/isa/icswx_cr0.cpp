// CR0 of the icswx record forms from the coprocessor's answer, copied into FXCC under its gate.
#include "isa/icswx.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"

void IOP_Set_CR0_For_Icswx(IOPDesc *iop, int status)
{
    static const uint32_t kCr0[] = {CR_LT, CR_GT, CR_EQ};
    if (status < 0 || status > 2) return;
    uint32_t bits = kCr0[status];
    if (IOP_Option(iop, PO_ICSWX_SETS_CR_FROM_XER_SO)) bits |= IOP_Read_SO(iop);
    SET_CR0_value(iop, bits);
    if (FXCC_Is_Written(iop)) {
        IOP_Write_XER_Field(iop, xr_mask[XR_FXCC], ((uint64_t)bits << 24) & 0x0E000000ull);
        XER_Mark_Written(iop, XER_FXCC);
    }
}
