// VSX sign operations: absolute value, negative absolute value, negation and copy-sign on the
// bit patterns of doubles and singles, in scalar double, vector double, vector single and the
// extended scalar single forms. No arithmetic, no NaN rule, no FPSCR change (the rows keep the
// FPSCR cache inactive).
#include "decode/semantics.h"
#include "fp/fpscr.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vsx_extended.h"

namespace
{

enum Op { ABS, NABS, NEG, CPSGN };
enum Shape { SCALAR_DP, VECTOR_DP, VECTOR_SP, SCALAR_SP };

template <typename T> T apply(Op op, T a, T b)
{
    const T sign = (T)1 << (sizeof(T) * 8 - 1);
    switch (op) {
    case ABS:
        return b & ~sign;
    case NABS:
        return b | sign;
    case NEG:
        return b ^ sign;
    case CPSGN:
        return (a & sign) | (b & ~sign);
    }
    return b;
}

int sign_op(IOPDesc *iop, Op op, Shape shape, const char *mnemonic)
{
    if (shape == SCALAR_SP && !IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, mnemonic);
        return 0;
    }
    // The sources are read before the availability check: XT may be one of them.
    const Vec128 a = op == CPSGN ? IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A) : Vec128{0, 0};
    const Vec128 b = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    Vec128 t{0, 0};
    switch (shape) {
    case SCALAR_DP:
        t.high = apply(op, a.high, b.high);
        break;
    case VECTOR_DP:
        t.high = apply(op, a.high, b.high);
        t.low = apply(op, a.low, b.low);
        break;
    case VECTOR_SP:
        for (int i = 0; i < 4; i++)
            Vec_Set_Word(&t, i, apply(op, Vec_Word(a, i), Vec_Word(b, i)));
        break;
    case SCALAR_SP:
        t.high = apply(op, Vec_Word(a, 0), Vec_Word(b, 0)) * 0x100000001ull;
        break;
    }
    IOP_Write_VSR_T(iop, t.high, t.low);
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_xsabsdp(IOPDesc *iop)
{
    return sign_op(iop, ABS, SCALAR_DP, "xsabsdp");
}
int semantic_xsnabsdp(IOPDesc *iop)
{
    return sign_op(iop, NABS, SCALAR_DP, "xsnabsdp");
}
int semantic_xsnegdp(IOPDesc *iop)
{
    return sign_op(iop, NEG, SCALAR_DP, "xsnegdp");
}
int semantic_xscpsgndp(IOPDesc *iop)
{
    return sign_op(iop, CPSGN, SCALAR_DP, "xscpsgndp");
}
int semantic_xvabsdp(IOPDesc *iop)
{
    return sign_op(iop, ABS, VECTOR_DP, "xvabsdp");
}
int semantic_xvnabsdp(IOPDesc *iop)
{
    return sign_op(iop, NABS, VECTOR_DP, "xvnabsdp");
}
int semantic_xvnegdp(IOPDesc *iop)
{
    return sign_op(iop, NEG, VECTOR_DP, "xvnegdp");
}
int semantic_xvcpsgndp(IOPDesc *iop)
{
    return sign_op(iop, CPSGN, VECTOR_DP, "xvcpsgndp");
}
int semantic_xvabssp(IOPDesc *iop)
{
    return sign_op(iop, ABS, VECTOR_SP, "xvabssp");
}
int semantic_xvnabssp(IOPDesc *iop)
{
    return sign_op(iop, NABS, VECTOR_SP, "xvnabssp");
}
int semantic_xvnegsp(IOPDesc *iop)
{
    return sign_op(iop, NEG, VECTOR_SP, "xvnegsp");
}
int semantic_xvcpsgnsp(IOPDesc *iop)
{
    return sign_op(iop, CPSGN, VECTOR_SP, "xvcpsgnsp");
}
int semantic_xsabssp(IOPDesc *iop)
{
    return sign_op(iop, ABS, SCALAR_SP, "xsabssp");
}
int semantic_xsnabssp(IOPDesc *iop)
{
    return sign_op(iop, NABS, SCALAR_SP, "xsnabssp");
}
int semantic_xsnegsp(IOPDesc *iop)
{
    return sign_op(iop, NEG, SCALAR_SP, "xsnegsp");
}
int semantic_xscpsgnsp(IOPDesc *iop)
{
    return sign_op(iop, CPSGN, SCALAR_SP, "xscpsgnsp");
}
