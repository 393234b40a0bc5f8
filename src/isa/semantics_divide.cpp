// Divide: divw, divwu, divd, divdu and the extended forms divwe, divweu, divde, divdeu, each with
// its overflow-enable and record forms (32 rows). Division by zero and quotients that do not fit
// never trap: RT receives a defined value (0, or RA under DIV_BY_ZERO_COPIES_RA for the plain
// rows) and the "o" rows report the case in OV and SO. The range of a quotient is tested before
// any division, so every division made fits.
#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/integer_workers.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"

namespace
{

enum DivideKind : uint8_t { DIVW, DIVWU, DIVD, DIVDU, DIVWE, DIVWEU, DIVDE, DIVDEU };

constexpr bool is_word(DivideKind kind)
{
    return kind == DIVW || kind == DIVWU || kind == DIVWE || kind == DIVWEU;
}

// The result of a divide: RT, and whether it was a special case (zero divisor, a quotient that
// does not fit, or the overflowing operand pairs of the row).
struct Quotient {
    uint64_t rt;
    bool special;
};

// The magnitude of a signed doubleword (2^63 for the most negative one).
inline uint64_t magnitude(uint64_t x)
{
    return (int64_t)x < 0 ? 0 - x : x;
}

Quotient divide(IOPDesc *iop, DivideKind kind, uint64_t ra, uint64_t rb)
{
    const bool copies_ra = IOP_Option(iop, PO_DIV_BY_ZERO_COPIES_RA) != 0;
    switch (kind) {
    case DIVW: {
        int32_t n = (int32_t)ra, d = (int32_t)rb;
        if (d == 0) return {copies_ra ? ra : 0, true};
        if (n == INT32_MIN && d == -1) return {0, true};
        return {(uint64_t)(int64_t)(n / d), false};
    }
    case DIVWU: {
        uint32_t n = (uint32_t)ra, d = (uint32_t)rb;
        if (d == 0) return {copies_ra ? ra : 0, true};
        if (n == 0x80000000u && d == 0xFFFFFFFFu) return {0, true};
        return {n / d, false};
    }
    case DIVD: {
        int64_t n = (int64_t)ra, d = (int64_t)rb;
        if (d == 0) return {copies_ra ? ra : 0, true};
        if (n == INT64_MIN && d == -1) return {0, true};
        return {(uint64_t)(n / d), false};
    }
    case DIVDU:
        if (rb == 0) return {copies_ra ? ra : 0, true};
        return {ra / rb, false};
    case DIVWE: {
        // RA's low word followed by 32 zero bits, as a signed doubleword.
        int64_t n = (int64_t)(ra << 32);
        int64_t d = (int32_t)rb;
        if (d == 0 || ((uint32_t)ra == 0x80000000u && d == -1)) return {0, true};
        int64_t q = n / d;
        if (q < INT32_MIN || q > INT32_MAX) return {0, true};
        return {(uint64_t)q, false};
    }
    case DIVWEU: {
        uint64_t n = ra << 32;
        uint64_t d = (uint32_t)rb;
        if (d == 0) return {0, true};
        uint64_t q = n / d;
        if (q > 0xFFFFFFFFull) return {0, true};
        return {q, false};
    }
    case DIVDE: {
        // RA x 2^64 divided by RB, on the magnitudes; the quotient fits in -2^63 .. 2^63 - 1
        // unless b <= 2a (equal signs) or b < 2a (different signs).
        if (rb == 0 || ra == 0x8000000000000000ull) return {0, true};
        const uint64_t a = magnitude(ra), b = magnitude(rb);
        const bool negative = ((ra ^ rb) >> 63) != 0;
        if (negative ? b < 2 * a : b <= 2 * a) return {0, true};
        uint64_t q = (uint64_t)(((unsigned __int128)a << 64) / b);
        return {negative ? 0 - q : q, false};
    }
    default: // DIVDEU: RA x 2^64 divided by RB fits only when RA < RB.
        if (rb == 0 || ra >= rb) return {0, true};
        return {(uint64_t)(((unsigned __int128)ra << 64) / rb), false};
    }
}

__attribute__((always_inline)) inline int divide_worker(IOPDesc *iop, DivideKind kind, bool overflow,
                                                        bool record)
{
    const uint32_t word = iop->word;
    const uint64_t ra = IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    const uint64_t rb = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    Quotient q = divide(iop, kind, ra, rb);
    if (is_word(kind) && IOP_Option(iop, PO_DIVW_CLEARS_RT0_31)) q.rt &= 0xFFFFFFFFull;
    IOP_Write_GPR(iop, FIELD_RT(word), q.rt);
    if (overflow) {
        uint32_t ov = q.special;
        // The unsigned update forms may report only a zero divisor.
        if ((kind == DIVWU || kind == DIVDU) && IOP_Option(iop, PO_DIVIDE_W_UPDATE_DO_NOT_SET_XER_OV))
            ov = (kind == DIVWU ? (uint32_t)rb : rb) == 0;
        set_xer_ov(iop, ov);
    }
    if (record) {
        if (is_word(kind))
            SET_CR0_For_DIVW(iop, q.rt, q.special ? ~0ull : 0xFFFFFFFF00000000ull);
        else
            SET_CR0_For_DIVD(iop, q.rt, q.special ? ~0ull : 0);
    }
    return 1;
}

// The gate of the extended rows: the row's option, then the version 2.05 compatibility gate.
bool extended_gate(IOPDesc *iop, uint32_t option)
{
    if (!IOP_Option(iop, option)) {
        interrupt_IllegalInstruction(iop, iop->row ? iop->row->mnemonic : "divide extended");
        return false;
    }
    return PCR_Gate_v2_05(iop) != 0;
}

enum Gate : uint8_t { NO_GATE, GATE_64BIT, GATE_DIVWE, GATE_DIVDE };

int divide_routine(IOPDesc *iop, Gate gate, int (*worker)(IOPDesc *))
{
    switch (gate) {
    case GATE_64BIT:
        if (!check_64bit_op_ok(iop)) return 0;
        break;
    case GATE_DIVWE:
        if (!extended_gate(iop, PO_DIVWE_SUPPORTED)) return 0;
        break;
    case GATE_DIVDE:
        if (!extended_gate(iop, PO_DIVDE_SUPPORTED)) return 0;
        break;
    default:
        break;
    }
    if (!worker(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

void SET_CR0_For_DIVW(IOPDesc *iop, uint64_t value, uint64_t mask)
{
    SET_CR0(iop, value, mask);
}

void SET_CR0_For_DIVD(IOPDesc *iop, uint64_t value, uint64_t mask)
{
    SET_CR0(iop, value, mask);
}

#define QUARN_DIVIDE_ROW(name, kind, overflow, record, gate)                                                 \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return divide_worker(iop, kind, overflow, record);                                                   \
    }                                                                                                        \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return divide_routine(iop, gate, core_##name);                                                       \
    }
#define QUARN_DIVIDE_FAMILY(name, kind, gate)                                                                \
    QUARN_DIVIDE_ROW(name, kind, false, false, gate)                                                         \
    QUARN_DIVIDE_ROW(name##_dot, kind, false, true, gate)                                                    \
    QUARN_DIVIDE_ROW(name##o, kind, true, false, gate)                                                       \
    QUARN_DIVIDE_ROW(name##o_dot, kind, true, true, gate)
QUARN_DIVIDE_FAMILY(divw, DIVW, NO_GATE)
QUARN_DIVIDE_FAMILY(divwu, DIVWU, NO_GATE)
QUARN_DIVIDE_FAMILY(divd, DIVD, GATE_64BIT)
QUARN_DIVIDE_FAMILY(divdu, DIVDU, GATE_64BIT)
QUARN_DIVIDE_FAMILY(divwe, DIVWE, GATE_DIVWE)
QUARN_DIVIDE_FAMILY(divweu, DIVWEU, GATE_DIVWE)
QUARN_DIVIDE_FAMILY(divde, DIVDE, GATE_DIVDE)
QUARN_DIVIDE_FAMILY(divdeu, DIVDEU, GATE_DIVDE)
#undef QUARN_DIVIDE_FAMILY
#undef QUARN_DIVIDE_ROW
