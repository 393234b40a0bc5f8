// The FPSCR move instructions: mtfsb0, mtfsb1, mtfsf, mtfsfi (each serving its record form by the
// Rc bit), mcrfs and mffs. They change FPSCR through the instruction's FPSCR operations (never FEX
// or VX directly), mark themselves as FPSCR moves and end with the FPSCR summary.
#include "decode/semantics.h"
#include "fp/fp_emul_common.h"
#include "fp/fp_instructions.h"
#include "fp/fpscr.h"
#include "isa/semantics_helpers.h"

namespace
{

constexpr uint64_t kExceptionBits = 0x1FF80700;   // OX .. VXVC, VXSOFT .. VXCVI
constexpr uint64_t kSummaryAndExceptions = 0xFFF80700;

// Word fields, bit 0 the least significant.
uint32_t BT(const IOPDesc *iop)
{
    return (iop->word >> 21) & 0x1F;
}
uint32_t BF(const IOPDesc *iop)
{
    return (iop->word >> 23) & 0x7;
}
uint32_t BFA(const IOPDesc *iop)
{
    return (iop->word >> 18) & 0x7;
}
bool record_form(const IOPDesc *iop)
{
    return (iop->word & 1) != 0;
}

// The bits mcrfs clears in the field it copies.
constexpr uint64_t kMcrfsClears[8] = {0x90000000, 0x0F000000, 0x00F00000, 0x00080000, 0, 0x00000700, 0, 0};

int end_move(IOPDesc *iop)
{
    if (record_form(iop)) FP_Set_CR1(iop);
    return IOP_Update_FPSCR_Summary(iop);
}

int finish(IOPDesc *iop, int done)
{
    if (!done) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int core_mtfsb0(IOPDesc *iop)
{
    const uint64_t fpscr = iGET_FPSCR(iop);
    if (!Check_FP_Available(iop)) return 0;
    const uint32_t bt = BT(iop);
    if (bt != 1 && bt != 2) {
        const uint64_t b = 0x80000000ull >> bt;
        iop->fpscr_moved = 1;
        iop->fpscr_written |= b;
        iSET_FPSCR(iop, fpscr & ~b);
        FPSCR_Recompute_VX_FEX(iop);
    }
    return end_move(iop);
}

int core_mtfsb1(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    const uint32_t bt = BT(iop);
    if (bt != 1 && bt != 2) {
        const uint64_t b = 0x80000000ull >> bt;
        if ((b & kExceptionBits) && !(iGET_FPSCR(iop) & b)) {
            FPSCR_Set_Field(iop, 0, 0, 1);
            iop->fpscr_written |= FPSCR_FX;
        }
        iop->fpscr_written |= b;
        iop->fpscr_moved = 1;
        if (b & kSummaryAndExceptions) iop->fpscr_new_exc |= b & iop->fpscr_exc_mask;
        iSET_FPSCR(iop, iGET_FPSCR(iop) | b);
        iop->fpscr_new_exc |= b & iop->fpscr_exc_mask;
        FPSCR_Recompute_VX_FEX(iop);
    }
    return end_move(iop);
}

int core_mtfsf(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    const uint32_t word = iop->word;
    uint64_t mask;
    if ((word >> 25) & 1) { // L: all 64 bits
        mask = ~0ull;
    } else {
        const uint32_t flm = (word >> 17) & 0xFF;
        mask = 0;
        for (int i = 0; i < 8; i++)
            if (flm & (0x80u >> i)) mask |= 0xF0000000ull >> (4 * i);
        if ((word >> 16) & 1) mask <<= 32; // W: the upper word's nibbles
    }
    FPSCR_Set_Masked(iop, FP_Read_FRB(iop), mask);
    return end_move(iop);
}

int core_mtfsfi(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    const uint32_t word = iop->word;
    const uint32_t shift = (7 - BF(iop)) * 4 + (((word >> 16) & 1) ? 32 : 0);
    const uint64_t u = (word >> 12) & 0xF;
    FPSCR_Set_Masked(iop, u << shift, 0xFull << shift);
    return end_move(iop);
}

int core_mcrfs(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    const uint64_t fpscr = iGET_FPSCR(iop);
    const uint32_t bfa = BFA(iop);
    IOP_Write_CR_Field(iop, BF(iop), (uint32_t)(fpscr >> (28 - 4 * bfa)) & 0xF);
    const uint64_t cleared = kMcrfsClears[bfa];
    if (cleared) {
        iop->fpscr_written |= cleared;
        iop->fpscr_moved = 1;
    }
    iSET_FPSCR(iop, fpscr & ~cleared);
    FPSCR_Recompute_VX_FEX(iop);
    return IOP_Update_FPSCR_Summary(iop);
}

int core_mffs(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    FP_Write_FRT(iop, iGET_FPSCR(iop));
    return end_move(iop);
}

int semantic_mtfsb0(IOPDesc *iop)
{
    return finish(iop, core_mtfsb0(iop));
}
int semantic_mtfsb1(IOPDesc *iop)
{
    return finish(iop, core_mtfsb1(iop));
}
int semantic_mtfsf(IOPDesc *iop)
{
    return finish(iop, core_mtfsf(iop));
}
int semantic_mtfsfi(IOPDesc *iop)
{
    return finish(iop, core_mtfsfi(iop));
}
int semantic_mcrfs(IOPDesc *iop)
{
    return finish(iop, core_mcrfs(iop));
}
int semantic_mffs(IOPDesc *iop)
{
    return finish(iop, core_mffs(iop));
}
