// The tags-active select instructions selrr, selri, selir, selii and their record forms: RA := one
// of two values (registers or signed 5-bit immediates) chosen by XER bit XBI.
#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/select_instructions.h"
#include "isa/semantics_helpers.h"

namespace
{

// The XER bits an XBI records as read.
constexpr uint64_t kSelectReadBits[16] = {
    0x808FFFFF, 0x40000000, 0x20000000, 0x10000000, 0x0F000000, 0x0F000000, 0x0F000000, 0x0F000000,
    0x808FFFFF, 0x00700000, 0x00700000, 0x00700000, 0x808FFFFF, 0x808FFFFF, 0x808FFFFF, 0x808FFFFF,
};

uint64_t immediate5(uint32_t field)
{
    return (uint64_t)(int64_t)(((int32_t)(field << 27)) >> 27);
}

template <bool FirstReg, bool SecondReg, bool Record> int select_worker(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t xbi = (word >> 7) & 0xF;
    XER_Mark_Read(iop, kSelectReadBits[xbi]);
    const bool condition = xbi < 12 && (IOP_XER_Value(iop) & (0x80000000ull >> xbi)) != 0;
    uint64_t value;
    if (condition)
        value = FirstReg ? IOP_Read_GPR(iop, FIELD_RS(word), OPERAND_S) : immediate5(FIELD_RS(word));
    else
        value = SecondReg ? IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B) : immediate5(FIELD_RB(word));
    IOP_Write_GPR(iop, FIELD_RA(word), value);
    if (Record) SET_CR0(iop, value, 0);
    return 1;
}

int select_routine(IOPDesc *iop, const char *name, int (*worker)(IOPDesc *))
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, name);
        return 0;
    }
    worker(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

#define QUARN_SELECT(name, first, second, record)                                                            \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return select_worker<first, second, record>(iop);                                                    \
    }                                                                                                        \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return select_routine(iop, #name, core_##name);                                                      \
    }

QUARN_SELECT(selrr, true, true, false)
QUARN_SELECT(selrr_dot, true, true, true)
QUARN_SELECT(selri, true, false, false)
QUARN_SELECT(selri_dot, true, false, true)
QUARN_SELECT(selir, false, true, false)
QUARN_SELECT(selir_dot, false, true, true)
QUARN_SELECT(selii, false, false, false)
QUARN_SELECT(selii_dot, false, false, true)
#undef QUARN_SELECT
