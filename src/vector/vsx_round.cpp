// VSX rounding to an integral value (the xsrdpi, xvrdpi, xvrspi and extended xsrspi families, in
// the modes nearest-away, toward zero, toward +infinity, toward -infinity and FPSCR[RN] for the
// "c" forms) and xsrsp, a double rounded to single precision.
#include "decode/semantics.h"
#include "fp/fp160.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/fp_result_writes.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vsx_convert_cores.h"
#include "vector/vsx_extended.h"
#include "vector/vsx_fp_frame.h"
#include "vector/vsx_micro_helpers.h"

using namespace vec;

// The worker of xsrsp: the double rounded to single precision in mode, delivered in double format.
uint32_t vmicro_sp_rnd_dp(IOPDesc *iop, uint64_t *out, uint64_t in, int mode);

namespace
{

constexpr int CURRENT = -1; // FPSCR[RN], read when the element is rounded

int mode_of(IOPDesc *iop, int mode)
{
    return mode == CURRENT ? IOP_FP_Rounding_Mode(iop) : mode;
}

int scalar_double(IOPDesc *iop, int mode)
{
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    uint64_t result[2] = {0, 0};
    const uint32_t flags = VSX_Round_DP_To_Integral(0, iop, b.low, b.high, mode_of(iop, mode), result);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T(iop, result[1], 0);
    if (mode != CURRENT) {
        FPSCR_SetBit(iop, FPSCR_FR, 0);
        FPSCR_SetBit(iop, FPSCR_FI, 0);
    }
    return VSX_FP_Finish(iop);
}

int vector_double(IOPDesc *iop, int mode)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    uint64_t result[2] = {0, 0};
    uint32_t flags = VSX_Round_DP_To_Integral(0, iop, b.low, b.high, mode_of(iop, mode), result);
    flags |= VSX_Round_DP_To_Integral(1, iop, b.low, b.high, mode_of(iop, mode), result);
    VSX_FP_Write_Vector(iop, mode == CURRENT ? ASSIGN_INVALID_INEXACT : ASSIGN_INVALID, flags,
                        Vec128{result[0], result[1]});
    return VSX_FP_Finish(iop);
}

int vector_single(IOPDesc *iop, int mode)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    Vec128 result{0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < 4; i++)
        flags |= srspi(i, iop, b, mode_of(iop, mode), &result);
    VSX_FP_Write_Vector(iop, mode == CURRENT ? ASSIGN_INVALID_INEXACT : ASSIGN_INVALID, flags, result);
    return VSX_FP_Finish(iop);
}

int scalar_single(IOPDesc *iop, int mode, const char *mnemonic)
{
    if (!IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, mnemonic);
        return 0;
    }
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    Vec128 result{0, 0};
    const uint32_t flags = srspi(0, iop, b, mode_of(iop, mode), &result);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T_Word(iop, 0, result.high);
    if (mode != CURRENT) {
        FPSCR_SetBit(iop, FPSCR_FR, 0);
        FPSCR_SetBit(iop, FPSCR_FI, 0);
    }
    return VSX_FP_Finish(iop);
}

} // namespace

int semantic_xsrdpi(IOPDesc *iop)
{
    return scalar_double(iop, 5);
}
int semantic_xsrdpiz(IOPDesc *iop)
{
    return scalar_double(iop, 1);
}
int semantic_xsrdpip(IOPDesc *iop)
{
    return scalar_double(iop, 2);
}
int semantic_xsrdpim(IOPDesc *iop)
{
    return scalar_double(iop, 3);
}
int semantic_xsrdpic(IOPDesc *iop)
{
    return scalar_double(iop, CURRENT);
}

int semantic_xvrdpi(IOPDesc *iop)
{
    return vector_double(iop, 5);
}
int semantic_xvrdpiz(IOPDesc *iop)
{
    return vector_double(iop, 1);
}
int semantic_xvrdpip(IOPDesc *iop)
{
    return vector_double(iop, 2);
}
int semantic_xvrdpim(IOPDesc *iop)
{
    return vector_double(iop, 3);
}
int semantic_xvrdpic(IOPDesc *iop)
{
    return vector_double(iop, CURRENT);
}

int semantic_xvrspi(IOPDesc *iop)
{
    return vector_single(iop, 5);
}
int semantic_xvrspiz(IOPDesc *iop)
{
    return vector_single(iop, 1);
}
int semantic_xvrspip(IOPDesc *iop)
{
    return vector_single(iop, 2);
}
int semantic_xvrspim(IOPDesc *iop)
{
    return vector_single(iop, 3);
}
int semantic_xvrspic(IOPDesc *iop)
{
    return vector_single(iop, CURRENT);
}

int semantic_xsrspi(IOPDesc *iop)
{
    if (!Check_PCR_V206(iop)) return 0;
    return scalar_single(iop, 5, "xsrspi");
}
int semantic_xsrspiz(IOPDesc *iop)
{
    return scalar_single(iop, 1, "xsrspiz");
}
int semantic_xsrspip(IOPDesc *iop)
{
    return scalar_single(iop, 2, "xsrspip");
}
int semantic_xsrspim(IOPDesc *iop)
{
    return scalar_single(iop, 3, "xsrspim");
}
int semantic_xsrspic(IOPDesc *iop)
{
    return scalar_single(iop, CURRENT, "xsrspic");
}

uint32_t vmicro_sp_rnd_dp(IOPDesc *iop, uint64_t *out, uint64_t in, int mode)
{
    FP160 value;
    FP160_ConvertFromDP(&value, &in, "vsx_s_sp_rnd::op_B");
    if (FP160_Is_NaN(&value)) {
        if (value.sig_hi & FP160_QUIET_BIT)
            FP160_Mark_Exception(&value, FP_QNAN_OPERAND, 0, "vmicro_s_sp_rnd", "QNaN operand");
        else
            FP160_Mark_Exception(&value, FP_SNAN_OPERAND, 0, "vmicro_s_sp_rnd", "SNaN operand");
        value.sig_hi |= FP160_QUIET_BIT;
    }
    FP160_Convert_to_32_as_DW(iop, &value, out, 0, mode);
    return value.exceptions;
}

int semantic_xsrsp(IOPDesc *iop)
{
    if (!Check_PCR_V206(iop)) return 0;
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const uint64_t b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B).high;
    uint64_t result = 0;
    const uint32_t flags = vmicro_sp_rnd_dp(iop, &result, b, IOP_FP_Rounding_Mode(iop));
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T_Low(iop, 0, result);
    return VSX_FP_Finish(iop);
}
