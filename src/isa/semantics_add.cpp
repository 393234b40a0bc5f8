// Add, subtract and negate, addg6s, the word maximum, and the XER setters.
#include "interrupts/interrupt_raisers.h"
#include "decode/semantics.h"
#include "isa/fixed_point_workers.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"
#include "runtime/utils.h"

const uint64_t xr_mask[6] = {0x40000000ull, 0x30000000ull, 0x0F000000ull,
                             0x00700000ull, 0x808FFFFFull, 0x0000FFFF00800000ull};

// ---- XER setters ----

void set_xer_ov(IOPDesc *iop, uint32_t ov)
{
    XER_Mark_Written(iop, (ov || IOP_Option(iop, PO_XER_SET_OV_REPORTS_SO)) ? (XER_SO | XER_OV) : XER_OV);
    IOP_Write_XER_Field(iop, xr_mask[XR_OV], ov ? XER_OV : 0);
    if (!ov) return;
    // SO goes to the thread's XER even for an instruction in flight, and to the operation's SO.
    iop->so_value = 1;
    ThreadState *thread = iop->thread;
    Thread_Store_XER(thread, thread->XER.value | XER_SO);
}

void set_xer_ca(IOPDesc *iop, uint32_t ca)
{
    uint64_t oc;
    if (IOP_Option(iop, PO_XER_OC_BEHAVIOR)) {
        XER_Mark_Read(iop, XER_OC);
        oc = IOP_XER_Value(iop) & XER_OC;
    } else {
        oc = iop->thread->XER.value & XER_OC;
    }
    IOP_Write_XER_Field(iop, xr_mask[XR_CA_OC], (ca ? XER_CA : 0) | oc);
    XER_Mark_Written(iop, XER_CA | XER_OC);
}

void set_xer_ca_oc(IOPDesc *iop, uint32_t ca, uint32_t oc)
{
    if (!IOP_Option(iop, PO_XER_OC_BEHAVIOR)) {
        set_xer_ca(iop, ca);
        return;
    }
    XER_Mark_Written(iop, XER_CA | XER_OC);
    IOP_Write_XER_Field(iop, xr_mask[XR_CA_OC], (ca ? XER_CA : 0) | (oc ? XER_OC : 0));
}

void set_xer_ov_ca(IOPDesc *iop, uint32_t ov, uint32_t ca)
{
    set_xer_ov(iop, ov);
    set_xer_ca(iop, ca);
}

void set_xer_ov_ca_oc(IOPDesc *iop, uint32_t ov, uint32_t ca, uint32_t oc)
{
    set_xer_ov(iop, ov);
    set_xer_ca_oc(iop, ca, oc);
}

uint32_t Nibble_Carries(uint64_t x, uint64_t y, uint32_t c)
{
    uint32_t carries = 0;
    uint32_t carry = c;
    for (int i = 0; i < 16; i++) {
        uint32_t sum = (uint32_t)((x >> (4 * i)) & 0xF) + (uint32_t)((y >> (4 * i)) & 0xF) + carry;
        carry = sum > 15;
        carries |= carry << i;
    }
    return carries;
}

void set_xer_nibble_carries(IOPDesc *iop, uint32_t carries)
{
    uint64_t bits = ((uint64_t)carries << 32) | (carries ? XER_ANY_NIBBLE_CARRY : 0);
    IOP_Write_XER_Field(iop, xr_mask[XR_NIBBLES], bits);
    XER_Mark_Written(iop, xr_mask[XR_NIBBLES]);
}

AddFlags Add_Flags(uint64_t x, uint64_t y, uint32_t c, uint64_t ra, bool mode64)
{
    const int s = mode64 ? 63 : 31;
    const uint64_t m = (1ull << s) - 1;
    uint32_t k = (uint32_t)((((x & m) + (y & m) + c) >> s) & 1);
    uint32_t ca = (uint32_t)(((x >> s) & 1) + ((y >> s) & 1) + k) >> 1;
    const int w = (ra >> 48) == 0 ? 48 : 24;
    const uint64_t mw = (1ull << w) - 1;
    uint32_t oc = (uint32_t)((((x & mw) + (y & mw) + c) >> w) & 1);
    return {ca, k ^ ca, oc};
}

// ---- the add family ----

namespace
{

enum AddX : uint8_t { RA, NOT_RA, RA0 };
enum AddY : uint8_t { RB, ZERO, ONES, SI, SI16 };
enum AddC : uint8_t { C0, C1, CA };
enum AddXer : uint8_t { NONE, OV, CA_OC, OV_CA_OC, CARRY_IN, CARRY_IN_OV };

struct AddMember {
    AddX x;
    AddY y;
    AddC c;
    AddXer xer;
    bool nibbles;
    bool record;
};

__attribute__((always_inline)) inline int add_worker(IOPDesc *iop, const AddMember m)
{
    const uint32_t word = iop->word;
    const uint32_t ra_field = FIELD_RA(word);

    // Operands: RA, then RB.
    uint64_t ra = 0;
    if (!(m.x == RA0 && ra_field == 0)) ra = IOP_Read_GPR(iop, ra_field, OPERAND_A);
    uint64_t y;
    switch (m.y) {
    case RB:
        y = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
        break;
    case ZERO:
        y = 0;
        break;
    case ONES:
        y = ~0ull;
        break;
    case SI:
        y = FIELD_SI(word);
        break;
    default:
        y = EXTS((uint64_t)FIELD_UI(word) << 16, 32);
        break;
    }
    const uint64_t x = m.x == NOT_RA ? ~ra : ra;

    uint32_t c = m.c == C1 ? 1 : 0;
    if (m.c == CA) {
        XER_Mark_Read(iop, XER_CA);
        c = (IOP_XER_Value(iop) & XER_CA) ? 1 : 0;
    }

    bool mode64 = true;
    if (m.xer != NONE) mode64 = (iGET_MSR(iop) & MSR_SF) != 0;

    const uint64_t sum = x + y + c;
    IOP_Write_GPR(iop, FIELD_RT(word), sum);

    if (m.xer != NONE) {
        const AddFlags f = Add_Flags(x, y, c, ra, mode64);
        switch (m.xer) {
        case OV:
            set_xer_ov(iop, f.ov);
            break;
        case CA_OC:
            set_xer_ca_oc(iop, f.ca, f.oc);
            break;
        case OV_CA_OC:
            set_xer_ov_ca_oc(iop, f.ov, f.ca, f.oc);
            break;
        case CARRY_IN:
            if (Tags_Active(iop))
                set_xer_ca(iop, f.ca);
            else
                set_xer_ca_oc(iop, f.ca, f.oc);
            break;
        default:
            if (Tags_Active(iop))
                set_xer_ov_ca(iop, f.ov, f.ca);
            else
                set_xer_ov_ca_oc(iop, f.ov, f.ca, f.oc);
            break;
        }
    }
    if (m.nibbles && Tags_Active(iop)) set_xer_nibble_carries(iop, Nibble_Carries(x, y, c));
    if (m.record) SET_CR0(iop, sum, 0);
    return 1;
}

} // namespace

#define QUARN_DEFINE_ADD_MEMBER(name, x, y, c, xer, nibbles, record)                                         \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return add_worker(iop, AddMember{x, y, c, xer, nibbles, record});                                    \
    }                                                                                                        \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        if (!core_##name(iop)) return 0;                                                                     \
        IOP_Advance_NIA(iop);                                                                                \
        return 1;                                                                                            \
    }
QUARN_ADD_MEMBERS(QUARN_DEFINE_ADD_MEMBER)
#undef QUARN_DEFINE_ADD_MEMBER

// ---- addg6s and max ----

int core_addg6s(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    uint64_t ra = IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    uint64_t rb = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    uint32_t carries = Nibble_Carries(ra, rb, 0);
    uint64_t rt = 0;
    for (int i = 0; i < 16; i++)
        if (!((carries >> i) & 1)) rt |= 6ull << (4 * i);
    IOP_Write_GPR(iop, FIELD_RT(word), rt);
    set_xer_nibble_carries(iop, carries);
    return 1;
}

int semantic_addg6s(IOPDesc *iop)
{
    if (!PCR_Gate_v2_05(iop)) return 0;
    if (!core_addg6s(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

int core_max(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    int32_t a = (int32_t)IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    int32_t b = (int32_t)IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    IOP_Write_GPR(iop, FIELD_RT(word), (uint64_t)(int64_t)(a > b ? a : b));
    return 1;
}

int semantic_max(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_MAX_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "max");
        return 0;
    }
    if (!core_max(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}
