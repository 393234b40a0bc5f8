// Rotate and shift instructions: rlwinm, rlwnm, rlwimi, the doubleword rotates, the logical and
// algebraic shifts, each with its record form. Every result is one rotation and one mask (mask
// positions counted from the most significant bit); a word operand is doubled into both halves
// before rotating, so a mask that wraps copies the rotated word into the high half too. The
// algebraic shifts set CA (and clear OC outside tags-active mode).
//
// The plain rlwimi is also the magic instruction: with SH = 0, RA = RS, MB < 16 <= ME it reports
// its code to the plug-ins before it runs (it inserts RA into itself, leaving it unchanged).
#include "decode/semantics.h"
#include "isa/integer_workers.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"
#include "runtime/plugin_events.h"
#include "runtime/utils.h"

namespace
{

// Instruction fields of the rotates: 5-bit SH, MB, ME of the word forms; 6-bit sh and mb/me of the
// doubleword forms (the sixth bit at word bit 1, resp. word bit 5).
inline uint32_t field_sh(uint32_t word)
{
    return (word >> 11) & 0x1F;
}
inline uint32_t field_mb(uint32_t word)
{
    return (word >> 6) & 0x1F;
}
inline uint32_t field_me(uint32_t word)
{
    return (word >> 1) & 0x1F;
}
inline uint32_t field_sh6(uint32_t word)
{
    return field_sh(word) | ((word >> 1) & 1) << 5;
}
inline uint32_t field_mb6(uint32_t word)
{
    return field_mb(word) | ((word >> 5) & 1) << 5;
}

// The low word of x in both halves.
inline uint64_t doubled(uint64_t x)
{
    return (x & 0xFFFFFFFFull) * 0x100000001ull;
}

inline uint64_t rotl32(uint64_t x, uint32_t n)
{
    return rotate_left_64(doubled(x), n);
}

inline uint64_t read_rs(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
}
inline uint64_t read_rb(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
}
inline uint64_t read_ra(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RA(iop->word), OPERAND_A);
}

inline int write_ra(IOPDesc *iop, uint64_t value, bool record)
{
    IOP_Write_GPR(iop, FIELD_RA(iop->word), value);
    if (record) SET_CR0(iop, value, 0);
    return 1;
}

// The XER effect of an algebraic shift: CA, and OC cleared too outside tags-active mode.
void shift_carry(IOPDesc *iop, uint32_t ca)
{
    if (!IOP_Option(iop, PO_ARITHMETIC_SHIFT_FORCES_XER_OC_ZERO) || Tags_Active(iop))
        set_xer_ca(iop, ca);
    else
        set_xer_ca_oc(iop, ca, 0);
}

// Algebraic shift right of the word (bits 0-31) or the doubleword by n; all_sign: the amount
// register's shift-out-everything bit.
int algebraic_shift(IOPDesc *iop, uint64_t rs, uint32_t n, bool all_sign, bool word_form, bool record)
{
    const bool sign = word_form ? (rs & 0x80000000ull) != 0 : (rs >> 63) != 0;
    const uint64_t r = word_form ? rotl32(rs, 64 - n) : rotate_left_64(rs, 64 - n);
    const uint64_t m = all_sign ? 0 : (word_form ? MakeMask64(n + 32, 63) : MakeMask64(n, 63));
    const uint64_t result = (r & m) | (sign ? ~m : 0);
    uint64_t out = r & ~m;
    if (word_form) out &= 0xFFFFFFFFull;
    write_ra(iop, result, false);
    shift_carry(iop, sign && out != 0);
    if (record) SET_CR0(iop, result, 0);
    return 1;
}

// ---- the workers, by family ----

int rlwinm(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    uint64_t rs = read_rs(iop);
    uint64_t mask = MakeMask64(field_mb(word) + 32, field_me(word) + 32);
    return write_ra(iop, rotl32(rs, field_sh(word)) & mask, record);
}

int rlwnm(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    uint64_t mask = MakeMask64(field_mb(word) + 32, field_me(word) + 32);
    return write_ra(iop, rotl32(rs, (uint32_t)rb & 0x1F) & mask, record);
}

int rlwimi(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    uint64_t rs = read_rs(iop);
    uint64_t ra = read_ra(iop);
    uint64_t mask = MakeMask64(field_mb(word) + 32, field_me(word) + 32);
    return write_ra(iop, (rotl32(rs, field_sh(word)) & mask) | (ra & ~mask), record);
}

int rldicl(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    uint64_t rs = read_rs(iop);
    return write_ra(iop, rotate_left_64(rs, field_sh6(word)) & MakeMask64(field_mb6(word), 63), record);
}

int rldicr(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    uint64_t rs = read_rs(iop);
    return write_ra(iop, rotate_left_64(rs, field_sh6(word)) & MakeMask64(0, field_mb6(word)), record);
}

int rldic(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    const uint32_t sh = field_sh6(word);
    uint64_t rs = read_rs(iop);
    return write_ra(iop, rotate_left_64(rs, sh) & MakeMask64(field_mb6(word), 63 - sh), record);
}

int rldimi(IOPDesc *iop, bool record)
{
    const uint32_t word = iop->word;
    const uint32_t sh = field_sh6(word);
    uint64_t rs = read_rs(iop);
    uint64_t ra = read_ra(iop);
    uint64_t mask = MakeMask64(field_mb6(word), 63 - sh);
    return write_ra(iop, (rotate_left_64(rs, sh) & mask) | (ra & ~mask), record);
}

// rldcl (left: mask from mb) and rldcr (right: mask up to me); RB is read first.
int rldc(IOPDesc *iop, bool right, bool record)
{
    const uint32_t word = iop->word;
    uint64_t rb = read_rb(iop);
    uint64_t rs = read_rs(iop);
    uint32_t m = field_mb6(word);
    uint64_t mask = right ? MakeMask64(0, m) : MakeMask64(m, 63);
    return write_ra(iop, rotate_left_64(rs, (uint32_t)rb & 0x3F) & mask, record);
}

int slw(IOPDesc *iop, bool record)
{
    uint64_t rb = read_rb(iop);
    uint64_t rs = read_rs(iop);
    const uint32_t n = (uint32_t)rb & 0x1F;
    uint64_t value = (rb & 0x20) ? 0 : rotl32(rs, n) & MakeMask64(32, 63 - n);
    return write_ra(iop, value, record);
}

int srw(IOPDesc *iop, bool record)
{
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    const uint32_t n = (uint32_t)rb & 0x1F;
    uint64_t value = (rb & 0x20) ? 0 : rotl32(rs, 64 - n) & MakeMask64(n + 32, 63);
    return write_ra(iop, value, record);
}

int sld(IOPDesc *iop, bool record)
{
    uint64_t rb = read_rb(iop);
    uint64_t rs = read_rs(iop);
    const uint32_t n = (uint32_t)rb & 0x3F;
    uint64_t value = (rb & 0x40) ? 0 : rotate_left_64(rs, n) & MakeMask64(0, 63 - n);
    return write_ra(iop, value, record);
}

int srd(IOPDesc *iop, bool record)
{
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    const uint32_t n = (uint32_t)rb & 0x3F;
    uint64_t value = (rb & 0x40) ? 0 : rotate_left_64(rs, 64 - n) & MakeMask64(n, 63);
    return write_ra(iop, value, record);
}

int sraw(IOPDesc *iop, bool record)
{
    uint64_t rb = read_rb(iop);
    uint64_t rs = read_rs(iop);
    return algebraic_shift(iop, rs, (uint32_t)rb & 0x1F, (rb & 0x20) != 0, true, record);
}

int srawi(IOPDesc *iop, bool record)
{
    uint64_t rs = read_rs(iop);
    return algebraic_shift(iop, rs, field_sh(iop->word), false, true, record);
}

int srad(IOPDesc *iop, bool record)
{
    uint64_t rb = read_rb(iop);
    uint64_t rs = read_rs(iop);
    return algebraic_shift(iop, rs, (uint32_t)rb & 0x3F, (rb & 0x40) != 0, false, record);
}

int sradi(IOPDesc *iop, bool record)
{
    uint64_t rs = read_rs(iop);
    return algebraic_shift(iop, rs, field_sh6(iop->word), false, false, record);
}

int complete(IOPDesc *iop, int (*worker)(IOPDesc *))
{
    if (!worker(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

#define QUARN_ROTATE_PAIR(name)                                                                              \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return name(iop, false);                                                                             \
    }                                                                                                        \
    int core_##name##_dot(IOPDesc *iop)                                                                      \
    {                                                                                                        \
        return name(iop, true);                                                                              \
    }
QUARN_ROTATE_PAIR(rlwinm)
QUARN_ROTATE_PAIR(rlwnm)
QUARN_ROTATE_PAIR(rlwimi)
QUARN_ROTATE_PAIR(rldicl)
QUARN_ROTATE_PAIR(rldicr)
QUARN_ROTATE_PAIR(rldic)
QUARN_ROTATE_PAIR(rldimi)
QUARN_ROTATE_PAIR(slw)
QUARN_ROTATE_PAIR(srw)
QUARN_ROTATE_PAIR(sld)
QUARN_ROTATE_PAIR(srd)
QUARN_ROTATE_PAIR(sraw)
QUARN_ROTATE_PAIR(srawi)
QUARN_ROTATE_PAIR(srad)
QUARN_ROTATE_PAIR(sradi)
#undef QUARN_ROTATE_PAIR

int core_rldcl(IOPDesc *iop)
{
    return rldc(iop, false, false);
}
int core_rldcl_dot(IOPDesc *iop)
{
    return rldc(iop, false, true);
}
int core_rldcr(IOPDesc *iop)
{
    return rldc(iop, true, false);
}
int core_rldcr_dot(IOPDesc *iop)
{
    return rldc(iop, true, true);
}

// The word forms have no gate; the doubleword forms pass the 64-bit-operation check first.
#define QUARN_WORD_ROUTINE(name)                                                                             \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return complete(iop, core_##name);                                                                   \
    }
#define QUARN_DOUBLEWORD_ROUTINE(name)                                                                       \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        if (!check_64bit_op_ok(iop)) return 0;                                                               \
        return complete(iop, core_##name);                                                                   \
    }
QUARN_WORD_ROUTINE(rlwinm)
QUARN_WORD_ROUTINE(rlwinm_dot)
QUARN_WORD_ROUTINE(rlwnm)
QUARN_WORD_ROUTINE(rlwnm_dot)
QUARN_WORD_ROUTINE(rlwimi_dot)
QUARN_WORD_ROUTINE(slw)
QUARN_WORD_ROUTINE(slw_dot)
QUARN_WORD_ROUTINE(srw)
QUARN_WORD_ROUTINE(srw_dot)
QUARN_WORD_ROUTINE(sraw)
QUARN_WORD_ROUTINE(sraw_dot)
QUARN_WORD_ROUTINE(srawi)
QUARN_WORD_ROUTINE(srawi_dot)
QUARN_DOUBLEWORD_ROUTINE(rldicl)
QUARN_DOUBLEWORD_ROUTINE(rldicl_dot)
QUARN_DOUBLEWORD_ROUTINE(rldicr)
QUARN_DOUBLEWORD_ROUTINE(rldicr_dot)
QUARN_DOUBLEWORD_ROUTINE(rldic)
QUARN_DOUBLEWORD_ROUTINE(rldic_dot)
QUARN_DOUBLEWORD_ROUTINE(rldimi)
QUARN_DOUBLEWORD_ROUTINE(rldimi_dot)
QUARN_DOUBLEWORD_ROUTINE(rldcl)
QUARN_DOUBLEWORD_ROUTINE(rldcl_dot)
QUARN_DOUBLEWORD_ROUTINE(rldcr)
QUARN_DOUBLEWORD_ROUTINE(rldcr_dot)
QUARN_DOUBLEWORD_ROUTINE(sld)
QUARN_DOUBLEWORD_ROUTINE(sld_dot)
QUARN_DOUBLEWORD_ROUTINE(srd)
QUARN_DOUBLEWORD_ROUTINE(srd_dot)
QUARN_DOUBLEWORD_ROUTINE(srad)
QUARN_DOUBLEWORD_ROUTINE(srad_dot)
QUARN_DOUBLEWORD_ROUTINE(sradi)
QUARN_DOUBLEWORD_ROUTINE(sradi_dot)
#undef QUARN_WORD_ROUTINE
#undef QUARN_DOUBLEWORD_ROUTINE

int semantic_rlwimi(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t ra = FIELD_RA(word);
    const uint32_t mb = field_mb(word);
    const uint32_t me = field_me(word);
    if (field_sh(word) == 0 && ra == FIELD_RS(word) && mb < 16 && me >= 16)
        Event_Magic_Inst(iop->thread, ra * 256 + mb * 16 + (me - 16), 0);
    return complete(iop, core_rlwimi);
}
