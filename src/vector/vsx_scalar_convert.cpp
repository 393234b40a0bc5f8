// The vector-scalar scalar conversions xscvspdpn, xscvdpspn (the non-signalling forms between
// single and double precision, without FPSCR status) and xscvsxdsp, xscvuxdsp (64-bit integers
// rounded to single precision in double format). Each: the level-2.06 compatibility gate of
// problem state, XB read, the availability check and the FPSCR cache, the result into
// doubleword 0 of XT (doubleword 1 cleared), the cache folded back, next instruction.
#include "decode/semantics.h"
#include "fp/format_convert.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fpscr.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace
{

// The gates, XB, the availability check and the FPSCR cache. 0 when refused.
int start(IOPDesc *iop, uint64_t *xb)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    *xb = IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B).high;
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    return 1;
}

int finish(IOPDesc *iop, uint64_t dw0)
{
    IOP_Write_VSR_T(iop, dw0, 0);
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

// The single-precision scalar integer conversions exist only with the processor's
// single-precision VSX scalar support.
int scalar_single(IOPDesc *iop, const char *name)
{
    if (IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) return 1;
    interrupt_IllegalInstruction(iop, name);
    return 0;
}

template <typename Widen> int integer_to_single(IOPDesc *iop, Widen widen)
{
    uint64_t xb = 0;
    if (!start(iop, &xb)) return 0;
    FP160 value;
    widen(&value, xb);
    uint64_t result = 0;
    FP160_Convert_to_32_as_DW(iop, &value, &result, 0, IOP_FP_Rounding_Mode(iop));
    FPSCR_Recompute_VX_FEX(iop);
    return finish(iop, result);
}

} // namespace

int semantic_xscvspdpn(IOPDesc *iop)
{
    uint64_t xb = 0;
    if (!start(iop, &xb)) return 0;
    FP160 value;
    FP160_VX_ConvertFromSP_Source(&value, (uint32_t)(xb >> 32), 0, 0, "scvspdpn::op_B");
    uint64_t result = 0;
    FP160_Convert64(&value, 0, &result, 3);
    return finish(iop, result);
}

int semantic_xscvdpspn(IOPDesc *iop)
{
    uint64_t xb = 0;
    if (!start(iop, &xb)) return 0;
    const uint64_t word = ConvDPtoSP_NS(iop->thread, xb);
    return finish(iop, word * 0x100000001ull);
}

int semantic_xscvsxdsp(IOPDesc *iop)
{
    if (!scalar_single(iop, "xscvsxdsp")) return 0;
    return integer_to_single(
        iop, [](FP160 *v, uint64_t x) { FP160_ConvertFromSI64(v, (int64_t)x, "scvsxdsp::op_B"); });
}

int semantic_xscvuxdsp(IOPDesc *iop)
{
    if (!scalar_single(iop, "xscvuxdsp")) return 0;
    return integer_to_single(iop,
                             [](FP160 *v, uint64_t x) { FP160_ConvertFromUI64(v, x, "scvuxdsp::op_B"); });
}
