// Multiply: mulli, the word forms mullw(o)(.), mulhw(.), mulhwu(.) and the doubleword forms
// mulld(o)(.), mulhd(.), mulhdu(.). No result depends on the computation mode: RT always
// receives the full 64-bit value and the overflow tests are fixed per row; the mode only changes
// CR0 of the record forms and the 64-bit gate of the doubleword rows.
#include "decode/semantics.h"
#include "isa/integer_workers.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"

namespace
{

enum MultiplyKind : uint8_t {
    LOW_WORD,
    HIGH_WORD,
    HIGH_WORD_UNSIGNED,
    LOW_DOUBLEWORD,
    HIGH_DOUBLEWORD,
    HIGH_DOUBLEWORD_UNSIGNED
};

// The undefined-bits mask CR0 of the high-word record forms is given.
constexpr uint64_t HIGH_WORD_UNDEFINED = 0xFFFFFFFF00000000ull;

// The high word of a word product, after the processor's high-word options.
uint64_t high_word_result(IOPDesc *iop, uint64_t high)
{
    if (IOP_Option(iop, PO_MULHW_DOUBLES)) high = (high & 0xFFFFFFFFull) * 0x100000001ull;
    if (IOP_Option(iop, PO_MULHW_ZEROS)) high &= 0xFFFFFFFFull;
    return high;
}

__attribute__((always_inline)) inline int multiply(IOPDesc *iop, MultiplyKind kind, bool overflow,
                                                   bool record)
{
    const uint32_t word = iop->word;
    const uint64_t ra = IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    const uint64_t rb = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    uint64_t rt;
    uint32_t ov = 0;
    uint64_t undefined = 0;
    switch (kind) {
    case LOW_WORD: {
        int64_t product = (int64_t)(int32_t)ra * (int64_t)(int32_t)rb;
        rt = (uint64_t)product;
        ov = (uint64_t)(product + 0x80000000ll) >= 0x100000000ull;
        break;
    }
    case HIGH_WORD:
        rt = high_word_result(iop, (uint64_t)(((int64_t)(int32_t)ra * (int64_t)(int32_t)rb) >> 32));
        undefined = HIGH_WORD_UNDEFINED;
        break;
    case HIGH_WORD_UNSIGNED:
        rt = high_word_result(iop, ((ra & 0xFFFFFFFFull) * (rb & 0xFFFFFFFFull)) >> 32);
        undefined = HIGH_WORD_UNDEFINED;
        break;
    case LOW_DOUBLEWORD: {
        __int128 product = (__int128)(int64_t)ra * (int64_t)rb;
        rt = (uint64_t)product;
        ov = product != (__int128)(int64_t)rt;
        break;
    }
    case HIGH_DOUBLEWORD:
        rt = (uint64_t)(((__int128)(int64_t)ra * (int64_t)rb) >> 64);
        break;
    default:
        rt = (uint64_t)(((unsigned __int128)ra * rb) >> 64);
        break;
    }
    IOP_Write_GPR(iop, FIELD_RT(word), rt);
    if (overflow) set_xer_ov(iop, ov);
    if (record) SET_CR0(iop, rt, undefined);
    return 1;
}

int complete(IOPDesc *iop, int (*worker)(IOPDesc *))
{
    if (!worker(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int core_mulli(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    uint64_t ra = IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    IOP_Write_GPR(iop, FIELD_RT(word), ra * FIELD_SI(word));
    return 1;
}

int semantic_mulli(IOPDesc *iop)
{
    return complete(iop, core_mulli);
}

// Word rows: no gate. Doubleword rows: the 64-bit-operation check first.
#define QUARN_MULTIPLY_ROW(name, kind, overflow, record, gate)                                               \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return multiply(iop, kind, overflow, record);                                                        \
    }                                                                                                        \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        if (gate && !check_64bit_op_ok(iop)) return 0;                                                       \
        return complete(iop, core_##name);                                                                   \
    }
QUARN_MULTIPLY_ROW(mullw, LOW_WORD, false, false, false)
QUARN_MULTIPLY_ROW(mullw_dot, LOW_WORD, false, true, false)
QUARN_MULTIPLY_ROW(mullwo, LOW_WORD, true, false, false)
QUARN_MULTIPLY_ROW(mullwo_dot, LOW_WORD, true, true, false)
QUARN_MULTIPLY_ROW(mulhw, HIGH_WORD, false, false, false)
QUARN_MULTIPLY_ROW(mulhw_dot, HIGH_WORD, false, true, false)
QUARN_MULTIPLY_ROW(mulhwu, HIGH_WORD_UNSIGNED, false, false, false)
QUARN_MULTIPLY_ROW(mulhwu_dot, HIGH_WORD_UNSIGNED, false, true, false)
QUARN_MULTIPLY_ROW(mulld, LOW_DOUBLEWORD, false, false, true)
QUARN_MULTIPLY_ROW(mulld_dot, LOW_DOUBLEWORD, false, true, true)
QUARN_MULTIPLY_ROW(mulldo, LOW_DOUBLEWORD, true, false, true)
QUARN_MULTIPLY_ROW(mulldo_dot, LOW_DOUBLEWORD, true, true, true)
QUARN_MULTIPLY_ROW(mulhd, HIGH_DOUBLEWORD, false, false, true)
QUARN_MULTIPLY_ROW(mulhd_dot, HIGH_DOUBLEWORD, false, true, true)
QUARN_MULTIPLY_ROW(mulhdu, HIGH_DOUBLEWORD_UNSIGNED, false, false, true)
QUARN_MULTIPLY_ROW(mulhdu_dot, HIGH_DOUBLEWORD_UNSIGNED, false, true, true)
#undef QUARN_MULTIPLY_ROW
