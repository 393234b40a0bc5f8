// Compares, the tagged compare, the condition-register logical operations, mcrf, and the
// cycle-level core's one-bit CR operations crins and isel_rslv.
#include "interrupts/interrupt_raisers.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"
#include "runtime/message.h"

namespace
{

enum CompareKind : uint8_t { SIGNED_REGISTER, SIGNED_IMMEDIATE, UNSIGNED_REGISTER, UNSIGNED_IMMEDIATE };

// The XER's FXCC field receives a compare result (the bits of the mask) when the rule says so.
void write_fxcc(IOPDesc *iop, uint32_t result, uint64_t mask)
{
    if (!FXCC_Is_Written(iop)) return;
    IOP_Write_XER_Field(iop, xr_mask[XR_FXCC], ((uint64_t)result << 24) & mask);
    XER_Mark_Written(iop, XER_FXCC);
}

template <typename T> uint32_t order(T a, T b)
{
    return a < b ? CR_LT : (a > b ? CR_GT : CR_EQ);
}

int compare(IOPDesc *iop, CompareKind kind)
{
    const uint32_t word = iop->word;
    const bool is_signed = kind == SIGNED_REGISTER || kind == SIGNED_IMMEDIATE;
    uint64_t a = IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    uint64_t b;
    if (kind == SIGNED_REGISTER || kind == UNSIGNED_REGISTER)
        b = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    else
        b = is_signed ? FIELD_SI(word) : FIELD_UI(word);

    uint32_t result;
    if (FIELD_L(word)) {
        result = is_signed ? order((int64_t)a, (int64_t)b) : order(a, b);
    } else if (is_signed) {
        result = order((int64_t)(int32_t)a, kind == SIGNED_IMMEDIATE ? (int64_t)b : (int64_t)(int32_t)b);
    } else {
        result = order((uint64_t)(uint32_t)a, kind == UNSIGNED_IMMEDIATE ? b : (uint64_t)(uint32_t)b);
    }
    result |= IOP_Read_SO(iop);
    IOP_Write_CR_Field(iop, FIELD_BF(word), result);
    write_fxcc(iop, result, 0x0E000000);
    return 1;
}

// The CR bit n (architecture numbering) of a CR image.
uint32_t cr_bit(uint32_t cr, uint32_t n)
{
    return (cr >> (31 - n)) & 1;
}

// Writes CR bit bt: its field rebuilt from the image with the new bit; only the bit is marked.
void write_cr_bit(IOPDesc *iop, uint32_t image, uint32_t bt, uint32_t value)
{
    uint32_t field_shift = 28 - 4 * (bt / 4);
    uint32_t bit = 0x80000000u >> bt;
    uint32_t field = (image & (0xFu << field_shift)) & ~bit;
    if (value) field |= bit;
    IOP_Write_CR_Bits(iop, 0xFu << field_shift, field);
    CR_Mark_Written(iop, bit);
}

enum CrOperation : uint8_t { AND, ANDC, EQV, NAND, NOR, OR, ORC, XOR };

int cr_logical(IOPDesc *iop, CrOperation operation)
{
    const uint32_t word = iop->word;
    const uint32_t bt = FIELD_RT(word), ba = FIELD_RA(word), bb = FIELD_RB(word);
    uint32_t a = cr_bit(IOP_Read_CR(iop), ba);
    uint32_t image = IOP_Read_CR(iop);
    uint32_t b = cr_bit(image, bb);
    uint32_t value;
    switch (operation) {
    case AND:
        value = a & b;
        break;
    case ANDC:
        value = a & ~b;
        break;
    case EQV:
        value = ~(a ^ b);
        break;
    case NAND:
        value = ~(a & b);
        break;
    case NOR:
        value = ~(a | b);
        break;
    case OR:
        value = a | b;
        break;
    case ORC:
        value = a | ~b;
        break;
    default:
        value = a ^ b;
        break;
    }
    write_cr_bit(iop, image, bt, value & 1);
    return 1;
}

int complete(IOPDesc *iop, int (*worker)(IOPDesc *))
{
    if (!worker(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int core_cmp(IOPDesc *iop)
{
    return compare(iop, SIGNED_REGISTER);
}
int core_cmpi(IOPDesc *iop)
{
    return compare(iop, SIGNED_IMMEDIATE);
}
int core_cmpl(IOPDesc *iop)
{
    return compare(iop, UNSIGNED_REGISTER);
}
int core_cmpli(IOPDesc *iop)
{
    return compare(iop, UNSIGNED_IMMEDIATE);
}

int core_cmpla(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    uint64_t a = IOP_Read_GPR(iop, FIELD_RA(word), OPERAND_A);
    uint64_t b = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    uint32_t result;
    if ((a >> 48) != (b >> 48) || ((a >> 48) != 0 && (a >> 24) != (b >> 24)))
        result = CR_SO; // different tags, or different objects of one tag
    else
        result = order(a, b);
    IOP_Write_CR_Field(iop, FIELD_BF(word), result);
    if (FXCC_Is_Written(iop)) sim_warning(1, "cmpla writes all four bits of FXCC");
    write_fxcc(iop, result, 0x0F000000);
    return 1;
}

int core_crand(IOPDesc *iop)
{
    return cr_logical(iop, AND);
}
int core_crandc(IOPDesc *iop)
{
    return cr_logical(iop, ANDC);
}
int core_creqv(IOPDesc *iop)
{
    return cr_logical(iop, EQV);
}
int core_crnand(IOPDesc *iop)
{
    return cr_logical(iop, NAND);
}
int core_crnor(IOPDesc *iop)
{
    return cr_logical(iop, NOR);
}
int core_cror(IOPDesc *iop)
{
    return cr_logical(iop, OR);
}
int core_crorc(IOPDesc *iop)
{
    return cr_logical(iop, ORC);
}
int core_crxor(IOPDesc *iop)
{
    return cr_logical(iop, XOR);
}

int core_mcrf(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    uint32_t cr = IOP_Read_CR(iop);
    IOP_Write_CR_Field(iop, FIELD_BF(word), (cr >> (28 - 4 * FIELD_BFA(word))) & 0xF);
    return 1;
}

int semantic_cmp(IOPDesc *iop)
{
    return complete(iop, core_cmp);
}
int semantic_cmpi(IOPDesc *iop)
{
    return complete(iop, core_cmpi);
}
int semantic_cmpl(IOPDesc *iop)
{
    return complete(iop, core_cmpl);
}
int semantic_cmpli(IOPDesc *iop)
{
    return complete(iop, core_cmpli);
}

int semantic_cmpla(IOPDesc *iop)
{
    if (!Tags_Active(iop)) {
        interrupt_IllegalInstruction(iop, "cmpla");
        return 0;
    }
    return complete(iop, core_cmpla);
}

int semantic_crand(IOPDesc *iop)
{
    return complete(iop, core_crand);
}
int semantic_crandc(IOPDesc *iop)
{
    return complete(iop, core_crandc);
}
int semantic_creqv(IOPDesc *iop)
{
    return complete(iop, core_creqv);
}
int semantic_crnand(IOPDesc *iop)
{
    return complete(iop, core_crnand);
}
int semantic_crnor(IOPDesc *iop)
{
    return complete(iop, core_crnor);
}
int semantic_cror(IOPDesc *iop)
{
    return complete(iop, core_cror);
}
int semantic_crorc(IOPDesc *iop)
{
    return complete(iop, core_crorc);
}
int semantic_crxor(IOPDesc *iop)
{
    return complete(iop, core_crxor);
}
int semantic_mcrf(IOPDesc *iop)
{
    return complete(iop, core_mcrf);
}

int semantic_crins(IOPDesc *iop)
{
    const uint32_t bt = FIELD_RT(iop->word);
    uint32_t image = IOP_Read_CR(iop);
    write_cr_bit(iop, image, bt, cr_bit(image, bt));
    return 1;
}

int semantic_isel_rslv(IOPDesc *iop)
{
    const uint32_t bc = FIELD_RC(iop->word);
    uint32_t image = IOP_Read_CR(iop);
    uint32_t field = (image >> (28 - 4 * (bc / 4))) & 0xF;
    IOP_Deliver_Result(iop, &iop->result_cr, (field >> (3 - bc % 4)) & 1);
    return 1;
}
