// VSX maximum and minimum: the double workers vmicro_dp_max and vmicro_dp_min with their lane
// wrappers, and the scalar, vector and extended single routines. They select an operand: a quiet
// NaN loses against a number, a signalling NaN wins quieted (VXSNAN), +0 is the maximum and -0
// the minimum of the two zeros; nothing is rounded and FR, FI and FPRF never change.
#include "decode/semantics.h"
#include "fp/fp160.h"
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
#include "vector/vsx_extended.h"
#include "vector/vsx_fp_frame.h"
#include "vector/vsx_micro_helpers.h"
#include "vector/vsx_sp_min.h"

using namespace vec;

uint32_t vmicro_dp_max(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b);
uint32_t vmicro_dp_min(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b);
// Doubleword i (0 is the high half) of A and B through the worker into out[1 - i] (out is low
// word first); VXSNAN set for a signalling operand.
uint32_t vmicro_dp_max_lane(int i, IOPDesc *iop, uint64_t a_low, uint64_t a_high, uint64_t b_low,
                            uint64_t b_high, uint64_t *out);
uint32_t vmicro_dp_min_lane(int i, IOPDesc *iop, uint64_t a_low, uint64_t a_high, uint64_t b_low,
                            uint64_t b_high, uint64_t *out);

namespace
{

constexpr uint64_t kQuiet = 0x0008000000000000ull;
constexpr uint64_t kSign = 0x8000000000000000ull;

bool is_nan(uint64_t x)
{
    return (x & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (x & 0x000FFFFFFFFFFFFFull);
}
bool is_snan(uint64_t x)
{
    return is_nan(x) && !(x & kQuiet);
}

// The NaN steps shared by both workers; true when they settled *out.
bool select_nan(uint64_t a, uint64_t b, uint64_t *out)
{
    if (is_nan(a)) {
        *out = is_snan(a) ? (a | kQuiet) : (is_nan(b) ? a : b);
        return true;
    }
    if (is_nan(b)) {
        *out = is_snan(b) ? (b | kQuiet) : a;
        return true;
    }
    return false;
}

uint32_t snan_flags(const char *temp_name, const char *routine, uint64_t a, uint64_t b)
{
    FP160 temp;
    FP160_Init(&temp, temp_name);
    if (is_snan(a) || is_snan(b)) FP160_Mark_Exception(&temp, FP_SNAN_OPERAND, 0, routine, "SNaN operand");
    return temp.exceptions;
}

typedef uint32_t (*DpLane)(int, IOPDesc *, uint64_t, uint64_t, uint64_t, uint64_t, uint64_t *);
typedef uint32_t (*SpWorker)(IOPDesc *, uint32_t *, uint32_t, uint32_t);

Vec128 read_a(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XA(iop->word), VSX_SLOT_A);
}
Vec128 read_b(IOPDesc *iop)
{
    return IOP_Read_VSR(iop, VSX_XB(iop->word), VSX_SLOT_B);
}

int double_form(IOPDesc *iop, DpLane lane, int lanes)
{
    const Vec128 a = read_a(iop), b = read_b(iop);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    uint64_t out[2] = {0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < lanes; i++)
        flags |= lane(i, iop, a.low, a.high, b.low, b.high, out);
    VSX_FP_Write_Vector(iop, ASSIGN_INVALID, flags, Vec128{lanes == 1 ? 0 : out[0], out[1]});
    return VSX_FP_Finish(iop);
}

uint32_t single_element(IOPDesc *iop, SpWorker worker, uint32_t *out, uint32_t a, uint32_t b)
{
    const uint32_t flags = worker(iop, out, a, b);
    if (flags & FP_SNAN_OPERAND) FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
    return flags;
}

int vector_single(IOPDesc *iop, SpWorker worker)
{
    const Vec128 a = read_a(iop), b = read_b(iop);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    Vec128 t{0, 0};
    uint32_t flags = 0;
    for (int i = 0; i < 4; i++) {
        uint32_t word = 0;
        flags |= single_element(iop, worker, &word, Vec_Word(a, i), Vec_Word(b, i));
        Vec_Set_Word(&t, i, word);
    }
    VSX_FP_Write_Vector(iop, ASSIGN_INVALID, flags, t);
    return VSX_FP_Finish(iop);
}

int scalar_single(IOPDesc *iop, SpWorker worker, const char *mnemonic)
{
    if (!IOP_Option(iop, PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, mnemonic);
        return 0;
    }
    const uint32_t a = Vec_Word(read_a(iop), 0), b = Vec_Word(read_b(iop), 0);
    if (!Check_VSX_Available(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    uint32_t word = 0;
    const uint32_t flags = single_element(iop, worker, &word, a, b);
    if (Allow_Assignment(iop, ASSIGN_INVALID, flags)) IOP_Write_VSR_T_Word(iop, 0, (uint64_t)word << 32);
    return VSX_FP_Finish(iop);
}

template <uint32_t (*worker)(IOPDesc *, uint64_t *, const uint64_t *, const uint64_t *)>
uint32_t lane_of(int i, IOPDesc *iop, uint64_t a_low, uint64_t a_high, uint64_t b_low, uint64_t b_high,
                 uint64_t *out)
{
    const uint64_t a = i == 0 ? a_high : a_low, b = i == 0 ? b_high : b_low;
    const uint32_t flags = worker(iop, &out[1 - i], &a, &b);
    if (flags & FP_SNAN_OPERAND) FPSCR_SetBit(iop, FPSCR_VXSNAN, 1);
    return flags;
}

} // namespace

uint32_t vmicro_dp_max(IOPDesc *, uint64_t *out, const uint64_t *a, const uint64_t *b)
{
    const uint32_t flags = snan_flags("vmicro_dp_max::temp", "vmicro_dp_max", *a, *b);
    if (!select_nan(*a, *b, out)) {
        if (*b < *a)
            *out = (*a & kSign) ? *b : *a;
        else
            *out = (*b & kSign) ? *a : *b;
    }
    return flags;
}

uint32_t vmicro_dp_min(IOPDesc *, uint64_t *out, const uint64_t *a, const uint64_t *b)
{
    const uint32_t flags = snan_flags("vmicro_dp_min::temp", "vmicro_dp_min", *a, *b);
    if (!select_nan(*a, *b, out)) {
        if (*b > *a)
            *out = (*b & kSign) ? *b : *a;
        else
            *out = (*a & kSign) ? *a : *b;
    }
    return flags;
}

uint32_t vmicro_dp_max_lane(int i, IOPDesc *iop, uint64_t a_low, uint64_t a_high, uint64_t b_low,
                            uint64_t b_high, uint64_t *out)
{
    return lane_of<vmicro_dp_max>(i, iop, a_low, a_high, b_low, b_high, out);
}

uint32_t vmicro_dp_min_lane(int i, IOPDesc *iop, uint64_t a_low, uint64_t a_high, uint64_t b_low,
                            uint64_t b_high, uint64_t *out)
{
    return lane_of<vmicro_dp_min>(i, iop, a_low, a_high, b_low, b_high, out);
}

int semantic_xsmaxdp(IOPDesc *iop)
{
    return double_form(iop, vmicro_dp_max_lane, 1);
}
int semantic_xsmindp(IOPDesc *iop)
{
    return double_form(iop, vmicro_dp_min_lane, 1);
}
int semantic_xvmaxdp(IOPDesc *iop)
{
    return double_form(iop, vmicro_dp_max_lane, 2);
}
int semantic_xvmindp(IOPDesc *iop)
{
    return double_form(iop, vmicro_dp_min_lane, 2);
}
int semantic_xvmaxsp(IOPDesc *iop)
{
    return vector_single(iop, vmicro_sp_max);
}
int semantic_xvminsp(IOPDesc *iop)
{
    return vector_single(iop, vmicro_sp_min);
}
int semantic_xsmaxsp(IOPDesc *iop)
{
    return scalar_single(iop, vmicro_sp_max, "xsmaxsp");
}
int semantic_xsminsp(IOPDesc *iop)
{
    return scalar_single(iop, vmicro_sp_min, "xsminsp");
}
