// The VSX floating-point frame, and the add, subtract, multiply and divide instructions in their
// scalar double, scalar single (rounded once to single precision, delivered in double format),
// vector double and vector single forms.
#include "vector/vsx_fp_frame.h"

#include "interrupts/interrupt_raisers.h"
#include "fp/fpscr.h"
#include "fp/fpscr_status.h"
#include "isa/fp_result_writes.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vsx_arith_micro.h"

int VSX_Scalar_Single_Gates(IOPDesc *iop)
{
    if (!Check_PCR_V206(iop)) return 0;
    if (!IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, iop->row ? iop->row->mnemonic : "no instruction");
        return 0;
    }
    return 1;
}

int VSX_FP_Start(IOPDesc *iop, int *mode)
{
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    *mode = IOP_FP_Rounding_Mode(iop);
    return 1;
}

void VSX_FP_Write_Vector(IOPDesc *iop, uint32_t mask, uint32_t flags, Vec128 result)
{
    if (Allow_Assignment(iop, mask, flags)) IOP_Write_VSR_T(iop, result.high, result.low);
}

int VSX_FP_Finish(IOPDesc *iop)
{
    FPSCR_Recompute_VX_FEX(iop);
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

namespace
{

using namespace vec;

typedef uint32_t (*DpWorker)(IOPDesc *, uint64_t *, const uint64_t *, const uint64_t *, int);
typedef uint32_t (*SpWorker)(IOPDesc *, uint32_t *, uint32_t, uint32_t, int);
typedef uint32_t (*SpDpWorker)(IOPDesc *, uint64_t *, uint64_t, uint64_t, int);

struct Sources {
    Vec128 a, b;
};
Sources read_sources(IOPDesc *iop)
{
    return Sources{IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A),
                   IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B)};
}

// Which invalid-operation flags clear FR and FI of a scalar form (0: none).
enum : uint32_t { NO_CLEAR = 0, CLEAR_ON_INVALID = FP_INVALID, CLEAR_ON_INVALID_OR_SNAN = ASSIGN_INVALID };

void clear_fr_fi(IOPDesc *iop, uint32_t when, uint32_t flags)
{
    if (flags & when) FPSCR_SetBit(iop, FPSCR_FR | FPSCR_FI, 0);
}

template <DpWorker worker> int scalar_double(IOPDesc *iop, uint32_t mask, uint32_t clear)
{
    const Sources s = read_sources(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    uint64_t result = s.a.high; // written only when the worker says so
    const uint32_t flags = worker(iop, &result, &s.a.high, &s.b.high, mode);
    clear_fr_fi(iop, clear, flags);
    if (Allow_Assignment(iop, mask, flags)) IOP_Write_VSR_T(iop, result, 0);
    return VSX_FP_Finish(iop);
}

template <SpDpWorker worker> int scalar_single(IOPDesc *iop, uint32_t mask, uint32_t clear)
{
    if (!VSX_Scalar_Single_Gates(iop)) return 0;
    const Sources s = read_sources(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    uint64_t result = s.a.high;
    const uint32_t flags = worker(iop, &result, s.a.high, s.b.high, mode);
    clear_fr_fi(iop, clear, flags);
    if (Allow_Assignment(iop, mask, flags)) IOP_Write_VSR_T_Low(iop, 0, result);
    return VSX_FP_Finish(iop);
}

template <DpWorker worker> int vector_double(IOPDesc *iop, uint32_t mask)
{
    const Sources s = read_sources(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    Vec128 t = s.a;
    uint32_t flags = worker(iop, &t.high, &s.a.high, &s.b.high, mode);
    flags |= worker(iop, &t.low, &s.a.low, &s.b.low, mode);
    VSX_FP_Write_Vector(iop, mask, flags, t);
    return VSX_FP_Finish(iop);
}

template <SpWorker worker> int vector_single(IOPDesc *iop, uint32_t mask)
{
    const Sources s = read_sources(iop);
    int mode;
    if (!VSX_FP_Start(iop, &mode)) return 0;
    Vec128 t = s.a;
    uint32_t flags = 0;
    for (int i = 0; i < 4; i++) {
        uint32_t word = Vec_Word(t, i);
        flags |= worker(iop, &word, Vec_Word(s.a, i), Vec_Word(s.b, i), mode);
        Vec_Set_Word(&t, i, word);
    }
    VSX_FP_Write_Vector(iop, mask, flags, t);
    return VSX_FP_Finish(iop);
}

} // namespace

int semantic_xsadddp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_add>(iop, ASSIGN_INVALID, NO_CLEAR);
}
int semantic_xssubdp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_sub>(iop, ASSIGN_INVALID, NO_CLEAR);
}
int semantic_xsmuldp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_mul>(iop, ASSIGN_INVALID, NO_CLEAR);
}
int semantic_xsdivdp(IOPDesc *iop)
{
    return scalar_double<vmicro_dp_div>(iop, ASSIGN_INVALID_ZERO_DIVIDE, CLEAR_ON_INVALID_OR_SNAN);
}

int semantic_xsaddsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_add_dp>(iop, ASSIGN_INVALID, CLEAR_ON_INVALID);
}
int semantic_xssubsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_sub_dp>(iop, ASSIGN_INVALID, NO_CLEAR);
}
int semantic_xsmulsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_mul_dp>(iop, ASSIGN_INVALID, NO_CLEAR);
}
int semantic_xsdivsp(IOPDesc *iop)
{
    return scalar_single<vmicro_sp_div_dp>(iop, ASSIGN_INVALID_ZERO_DIVIDE, CLEAR_ON_INVALID_OR_SNAN);
}

int semantic_xvadddp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_add>(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvsubdp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_sub>(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvmuldp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_mul>(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvdivdp(IOPDesc *iop)
{
    return vector_double<vmicro_dp_div>(iop, ASSIGN_ALL);
}

int semantic_xvaddsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_add>(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvsubsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_sub>(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvmulsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_mul>(iop, ASSIGN_ALL_BUT_ZERO_DIVIDE);
}
int semantic_xvdivsp(IOPDesc *iop)
{
    return vector_single<vmicro_sp_div>(iop, ASSIGN_ALL);
}
