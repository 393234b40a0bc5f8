// The internal operations of the cycle-level core: cracked fixed-point pieces, the micro-coded CR,
// XER and segment-register moves, and the steps of misaligned accesses.
#include "isa/internal_operations.h"

#include <cstdio>

#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "isa/xer_setters.h"
#include "runtime/message.h"
#include "runtime/utils.h"

namespace
{

enum : uint32_t { SCRATCH32 = 32, SCRATCH33 = 33, SCRATCH34 = 34 };

uint32_t primary(const IOPDesc *iop)
{
    return iop->word >> 26;
}
uint32_t extended(const IOPDesc *iop)
{
    return (iop->word >> 1) & 0x3FF;
}
// Extended opcode of a primary-31 word, or an impossible value for other primaries.
uint32_t x31(const IOPDesc *iop)
{
    return primary(iop) == 31 ? extended(iop) : 0xFFFFFFFFu;
}

// The thread's computation width: bit 31 and a 31-bit mask when 32, bit 63 otherwise.
uint32_t top_bit(const IOPDesc *iop)
{
    return iop->thread->address_width == 32 ? 31 : 63;
}

// A source register: operand slot `slot` in the cycle-model form, else the register with its
// read triggers.
uint64_t src(IOPDesc *iop, uint32_t n, int slot)
{
    return IOP_Read_GPR(iop, n, slot);
}

uint64_t read_ca(IOPDesc *iop)
{
    XER_Mark_Read(iop, XER_CA);
    return (IOP_XER_Value(iop) & XER_CA) ? 1 : 0;
}

// ---- overflow of the cracked carry forms ----

// OV of a + b + c_in_value in width top + 1; `a` already complemented for subtract forms.
uint32_t ov_of_sum(IOPDesc *iop, uint64_t a, uint64_t b, uint64_t carry)
{
    const uint32_t s = top_bit(iop);
    const uint64_t m = (1ull << s) - 1;
    const uint64_t c_in = (((a & m) + (b & m) + carry) >> s) & 1;
    const uint64_t c_out = (((a >> s) & 1) + ((b >> s) & 1) + c_in) >> 1;
    return (uint32_t)(c_in ^ c_out);
}

int ov_form(IOPDesc *iop, bool subtract, bool with_ca)
{
    const uint32_t word = iop->word;
    uint64_t a = src(iop, FIELD_RA(word), OPERAND_A);
    const uint64_t b = src(iop, FIELD_RB(word), OPERAND_B);
    if (subtract) a = ~a;
    const uint64_t carry = with_ca ? read_ca(iop) : (subtract ? 1 : 0);
    set_xer_ov(iop, ov_of_sum(iop, a, b, carry));
    return 1;
}

int addz_ov(IOPDesc *iop, bool subtract)
{
    uint64_t a = src(iop, FIELD_RA(iop->word), OPERAND_A);
    if (subtract) a = ~a;
    const uint64_t ca = read_ca(iop);
    const uint32_t s = top_bit(iop);
    const uint64_t m = (1ull << s) - 1;
    const uint64_t c_in = (((a & m) + ca) >> s) & 1;
    set_xer_ov(iop, (uint32_t)(((((a >> s) & 1) + c_in) >> 1) ^ c_in));
    return 1;
}

int addm_ov(IOPDesc *iop, bool subtract)
{
    uint64_t a = src(iop, FIELD_RA(iop->word), OPERAND_A);
    if (subtract) a = ~a;
    const uint64_t ca = read_ca(iop);
    const uint32_t s = top_bit(iop);
    const uint64_t m = (1ull << s) - 1;
    const uint64_t d = ((m + ca + (a & m)) >> s) & 1;
    set_xer_ov(iop, (uint32_t)((((d + ((a >> s) & 1) + 1) >> 1)) ^ d));
    return 1;
}

// CA and OC of RB + RA (subtract: RB + NOT RA + 1); with `write_rt` RT := the sum as well.
int caoc_form(IOPDesc *iop, bool subtract, bool write_rt)
{
    const uint32_t word = iop->word;
    const uint64_t ra = src(iop, FIELD_RA(word), OPERAND_A);
    const uint64_t b = src(iop, FIELD_RB(word), OPERAND_B);
    const uint64_t a = subtract ? ~ra : ra;
    const uint64_t c = subtract ? 1 : 0;
    const uint32_t s = top_bit(iop);
    uint32_t ca;
    if (s == 31) {
        ca = (uint32_t)((((a & 0xFFFFFFFFull) + (b & 0xFFFFFFFFull) + c) >> 32) & 1);
    } else {
        const uint64_t m = 0x7FFFFFFFFFFFFFFFull;
        const uint64_t k = ((a & m) + (b & m) + c) >> 63;
        ca = (uint32_t)(((a >> 63) + (b >> 63) + k) >> 1);
    }
    const uint64_t low = (ra < (1ull << 48)) ? 0xFFFFFFFFFFFFull : 0xFFFFFFull;
    const uint64_t test = low + 1;
    const uint32_t oc = (((a & low) + (b & low) + c) & test) ? 1 : 0;
    set_xer_ca_oc(iop, ca, oc);
    if (write_rt) iSET_GPR_Second(iop, FIELD_RT(word), b + a + c);
    return 1;
}

// ---- misaligned accesses ----

bool vsx_indexed(const IOPDesc *iop)
{
    switch (x31(iop)) {
    case 716:
    case 748:
    case 780:
    case 812:
    case 844:
    case 876:
    case 908:
    case 940:
    case 972:
    case 1004:
        return true;
    default:
        return false;
    }
}

// (RA, or 0 when the field is 0) + (RB, or 0 when the field is 0).
uint64_t misal_ea(IOPDesc *iop)
{
    const uint32_t ra = FIELD_RA(iop->word), rb = FIELD_RB(iop->word);
    return (ra ? src(iop, ra, OPERAND_A) : 0) + (rb ? src(iop, rb, OPERAND_B) : 0);
}

// RA + (RB, or 0 when the field is 0), RA read without the RA = 0 rule.
uint64_t misal_ra_rb(IOPDesc *iop)
{
    const uint32_t rb = FIELD_RB(iop->word);
    return src(iop, FIELD_RA(iop->word), OPERAND_A) + (rb ? src(iop, rb, OPERAND_B) : 0);
}

// The shift count of a misaligned shift step: 8 times the data access size; -1 for 64..127 bits.
int misal_shift(IOPDesc *iop)
{
    const uint32_t n = 8u * (uint32_t)(uint16_t)iop->data.size;
    if (iop->row && (iop->row->class_flags & II_STRING)) iop->data.row_size = (int16_t)iop->row->access_size;
    if (n & 64) return -1;
    return (int)(n % 64);
}

uint32_t string_register(const IOPDesc *iop, uint32_t base)
{
    return (base + iop->ucode_id / 4 + 31) % 32;
}

int run_crack(IOPDesc *iop, int (*whole)(IOPDesc *))
{
    if (iop->ucode_id == 0) {
        iSET_GPR(iop, FIELD_RA(iop->word), 0);
        return 1;
    }
    return whole(iop);
}

int mtxer_step(IOPDesc *iop, int step)
{
    const uint64_t rs = src(iop, FIELD_RS(iop->word), OPERAND_S);
    switch (step) {
    case 0:
        set_xer_ov(iop, (rs & XER_OV) ? 1 : 0);
        return 1;
    case 1:
        IOP_Write_XER_Field(iop, xr_mask[XR_CA_OC], rs);
        XER_Mark_Written(iop, xr_mask[XR_CA_OC]);
        return 1;
    case 2:
        if (!IOP_Option(iop, PO_FXCC_FIELD_IN_XER) || !FXCC_Is_Written(iop)) return 1;
        IOP_Write_XER_Field(iop, xr_mask[XR_FXCC], rs & 0x0E000000ull);
        XER_Mark_Written(iop, xr_mask[XR_FXCC]);
        return 1;
    case 3:
        IOP_Write_XER_Field(iop, xr_mask[XR_TGCC], rs);
        XER_Mark_Written(iop, xr_mask[XR_TGCC]);
        IOP_Write_XER_Field(iop, xr_mask[XR_SO_COUNT], rs);
        XER_Mark_Written(iop, xr_mask[XR_SO_COUNT]);
        return 1;
    default:
        return 0;
    }
}

int segment_ucode(IOPDesc *iop, int (*whole)(IOPDesc *))
{
    return iop->ucode_id == 0 ? whole(iop) : 1;
}

void multiple_text(char *text, size_t size, const IOPDesc *iop, bool store)
{
    const uint32_t word = iop->word;
    const int rt = (int)FIELD_RT(word), ra = (int)FIELD_RA(word);
    const int d = (int)(int16_t)(word & 0xFFFF);
    const int ds = (int)(int16_t)(word & 0xFFFC);
    switch (word >> 26) {
    case 58:
        if (!store && (word & 3) == 3) {
            snprintf(text, size, "lmd     r%d,%d(r%d)", rt, ds, ra);
            return;
        }
        break;
    case 62:
        if (store && (word & 3) == 3) {
            snprintf(text, size, "stmd    r%d,%d(r%d)", rt, ds, ra);
            return;
        }
        break;
    case 46:
        if (!store) {
            snprintf(text, size, "lmw     r%d,%d(r%d)", rt, d, ra);
            return;
        }
        break;
    case 47:
        if (store) {
            snprintf(text, size, "stmw    r%d,%d(r%d)", rt, d, ra);
            return;
        }
        break;
    case 50:
        if (!store) {
            snprintf(text, size, "lfd     f%d,%d(r%d)", rt, d, ra);
            return;
        }
        break;
    case 54:
        if (store) {
            snprintf(text, size, "stfd    f%d,%d(r%d)", rt, d, ra);
            return;
        }
        break;
    default:
        break;
    }
    snprintf(text, size, "*unrecognized* 0x%08X", word);
}

} // namespace

// ---- the two GPR writes ----

void iSET_GPR(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr1, value);
    else
        SET_GPR(iop, n, value);
}

void iSET_GPR_Second(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        SET_GPR(iop, n, value);
}

// ---- cracked fixed-point pieces ----

int semantic_ld_exts(IOPDesc *iop)
{
    const uint32_t rt = FIELD_RT(iop->word);
    const uint64_t value = src(iop, rt, OPERAND_A);
    const uint32_t op = primary(iop), xo = x31(iop);
    const bool half = op == 42 || op == 43 || xo == 343 || xo == 375;
    iSET_GPR_Second(iop, rt, EXTS(value, half ? 16 : 32));
    return 1;
}

int semantic_cmpxi_rt(IOPDesc *iop)
{
    SET_CR0(iop, src(iop, FIELD_RT(iop->word), OPERAND_A), 0);
    return 1;
}

int semantic_cmpxi_ra(IOPDesc *iop)
{
    SET_CR0(iop, src(iop, FIELD_RA(iop->word), OPERAND_A), 0);
    return 1;
}

int semantic_adde_ov(IOPDesc *iop)
{
    return ov_form(iop, false, true);
}
int semantic_subfe_ov(IOPDesc *iop)
{
    return ov_form(iop, true, true);
}
int semantic_addc_ov(IOPDesc *iop)
{
    return ov_form(iop, false, false);
}
int semantic_subfc_ov(IOPDesc *iop)
{
    return ov_form(iop, true, false);
}
int semantic_addz_ov(IOPDesc *iop)
{
    return addz_ov(iop, false);
}
int semantic_subfz_ov(IOPDesc *iop)
{
    return addz_ov(iop, true);
}
int semantic_addm_ov(IOPDesc *iop)
{
    return addm_ov(iop, false);
}
int semantic_subfm_ov(IOPDesc *iop)
{
    return addm_ov(iop, true);
}
int semantic_addc_caoc(IOPDesc *iop)
{
    return caoc_form(iop, false, false);
}
int semantic_subfc_caoc(IOPDesc *iop)
{
    return caoc_form(iop, true, false);
}
int semantic_add_caoc(IOPDesc *iop)
{
    return caoc_form(iop, false, true);
}
int semantic_subf_caoc(IOPDesc *iop)
{
    return caoc_form(iop, true, true);
}

int semantic_isel_cmov(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    uint64_t value;
    if (iop->cr_operand) {
        const uint32_t ra = FIELD_RA(word);
        value = ra ? src(iop, ra, OPERAND_A) : 0;
    } else {
        value = src(iop, FIELD_RB(word), OPERAND_B);
    }
    iSET_GPR_Second(iop, FIELD_RT(word), value);
    return 1;
}

int semantic_rlwinm_i(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint64_t low = src(iop, FIELD_RS(word), OPERAND_S) & 0xFFFFFFFFull;
    const uint32_t sh = (word >> 11) & 31, mb = (word >> 6) & 31, me = (word >> 1) & 31;
    iSET_GPR(iop, SCRATCH32, rotate_left_64(low | (low << 32), sh) & MakeMask64(mb + 32, me + 32));
    return 1;
}

int semantic_wi(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t ra = FIELD_RA(word), mb = (word >> 6) & 31, me = (word >> 1) & 31;
    const uint64_t mask = MakeMask64(mb + 32, me + 32);
    const uint64_t rotated = src(iop, SCRATCH32, OPERAND_S);
    iSET_GPR(iop, ra, rotated | (src(iop, ra, OPERAND_A) & ~mask));
    return 1;
}

int semantic_selii_crack(IOPDesc *iop)
{
    return run_crack(iop, semantic_selii);
}
int semantic_selir_crack(IOPDesc *iop)
{
    return run_crack(iop, semantic_selir);
}
int semantic_selri_crack(IOPDesc *iop)
{
    return run_crack(iop, semantic_selri);
}
int semantic_selrr_crack(IOPDesc *iop)
{
    return run_crack(iop, semantic_selrr);
}

// ---- micro-coded CR and XER moves ----

int semantic_mfcr_ucode(IOPDesc *iop)
{
    const uint32_t a = (uint32_t)iop->operand_slot1[0], b = (uint32_t)iop->operand_slot2[0];
    const uint32_t rt = FIELD_RT(iop->word);
    switch (iop->ucode_id) {
    case 0:
        iSET_GPR_Second(iop, rt, (b & 0x0F000000u) | (a & 0xF0000000u));
        return 1;
    case 1:
        iSET_GPR_Second(iop, SCRATCH32, (b & 0x000F0000u) | (a & 0x00F00000u));
        return 1;
    case 3:
        iSET_GPR_Second(iop, SCRATCH32, (b & 0xF00u) | (a & 0xF000u));
        return 1;
    case 4:
        iSET_GPR_Second(iop, SCRATCH33, (b & 0xFu) | (a & 0xF0u));
        return 1;
    default:
        sim_panic("mfcr_ucode: Wrong ucode_id: %d", iop->ucode_id);
    }
}

int semantic_mfcr_add(IOPDesc *iop)
{
    const uint32_t rt = FIELD_RT(iop->word);
    switch (iop->ucode_id) {
    case 2:
        iSET_GPR_Second(iop, rt, src(iop, rt, OPERAND_A) | src(iop, SCRATCH32, OPERAND_B));
        return 1;
    case 5:
        iSET_GPR_Second(iop, SCRATCH32, src(iop, SCRATCH32, OPERAND_A) | src(iop, SCRATCH33, OPERAND_B));
        return 1;
    case 6:
        iSET_GPR_Second(iop, rt, src(iop, SCRATCH32, OPERAND_A) | src(iop, rt, OPERAND_B));
        return 1;
    default:
        sim_panic("mfcr_add: Wrong ucode_id: %d", iop->ucode_id);
    }
}

int semantic_mfxer_ucode(IOPDesc *iop)
{
    uint64_t group;
    uint32_t target = SCRATCH33;
    switch (iop->ucode_id) {
    case 0:
        group = XER_OV;
        target = SCRATCH32;
        break;
    case 1:
        group = XER_CA | XER_OC;
        break;
    case 3:
        group = XER_FXCC;
        break;
    case 5:
        group = 0x80FFFFFFull;
        break;
    default:
        sim_warning(2, "semantic_mfxer_ucode: wrong place %d", iop->ucode_id);
        return 1;
    }
    XER_Mark_Read(iop, group);
    iSET_GPR_Second(iop, target, IOP_XER_Value(iop) & group);
    return 1;
}

int semantic_mfxer_add(IOPDesc *iop)
{
    const uint32_t step = iop->ucode_id;
    if (step != 2 && step != 4 && step != 6) {
        sim_warning(2, "semantic_mfxer_add: wrong place %d", step);
        return 1;
    }
    const uint64_t value = src(iop, SCRATCH32, OPERAND_A) | src(iop, SCRATCH33, OPERAND_B);
    iSET_GPR_Second(iop, step == 6 ? FIELD_RT(iop->word) : SCRATCH32, value);
    return 1;
}

int semantic_mfcrf_ucode(IOPDesc *iop)
{
    if (IOP_Option(iop, PO_OMFCR_ALLOW_MULTIPLE_FIELDS))
        sim_panic("semantic_mfcr: cracked mfcrf encountered\n");
    const uint32_t fxm = (iop->word >> 12) & 0xFF;
    uint64_t value = 0;
    for (uint32_t n = 0; n < 8; n++) {
        if (fxm & (0x80u >> n)) {
            value = iop->cr_operand & (0xFu << (4 * (7 - n)));
            break;
        }
    }
    iSET_GPR(iop, FIELD_RT(iop->word), value);
    return 1;
}

int semantic_mtcrf_ucode(IOPDesc *iop)
{
    const uint32_t k = (uint32_t)(iop->iid + 7) & 7;
    const uint32_t fxm = (iop->word >> 12) & 0xFF;
    if (!(fxm & (1u << (7 - k)))) return 1;
    const uint64_t rs = src(iop, FIELD_RS(iop->word), OPERAND_S);
    IOP_Write_CR_Field(iop, k, (uint32_t)(rs >> (4 * (7 - k))) & 0xF);
    return 1;
}

int semantic_mtxer0(IOPDesc *iop)
{
    return mtxer_step(iop, 0);
}
int semantic_mtxer1(IOPDesc *iop)
{
    return mtxer_step(iop, 1);
}
int semantic_mtxer2(IOPDesc *iop)
{
    return mtxer_step(iop, 2);
}
int semantic_mtxer3(IOPDesc *iop)
{
    return mtxer_step(iop, 3);
}
int semantic_mtxer_ucode(IOPDesc *iop)
{
    return mtxer_step(iop, iop->ucode_id);
}

int semantic_mfsr_ucode(IOPDesc *iop)
{
    return segment_ucode(iop, semantic_mfsr);
}
int semantic_mfsrin_ucode(IOPDesc *iop)
{
    return segment_ucode(iop, semantic_mfsrin);
}
int semantic_mtsr_ucode(IOPDesc *iop)
{
    return segment_ucode(iop, semantic_mtsr);
}
int semantic_mtsrin_ucode(IOPDesc *iop)
{
    return segment_ucode(iop, semantic_mtsrin);
}

// ---- misaligned-access steps ----

int semantic_misal_add(IOPDesc *iop)
{
    const uint32_t ra = FIELD_RA(iop->word), rb = FIELD_RB(iop->word), xo = x31(iop);
    const bool vsx = vsx_indexed(iop);
    switch (iop->ucode_id) {
    case 0:
        iSET_GPR_Second(iop, vsx ? SCRATCH33 : SCRATCH32, misal_ea(iop));
        return 1;
    case 1: {
        uint32_t target = SCRATCH34;
        if (xo == 407 || xo == 439 || xo == 533 || xo == 565 || xo == 661 || xo == 693)
            target = SCRATCH33;
        else if (xo == 727 || xo == 759)
            target = SCRATCH32;
        iSET_GPR_Second(iop, target, misal_ea(iop));
        return 1;
    }
    case 2:
        iSET_GPR_Second(iop, SCRATCH32, misal_ea(iop));
        return 1;
    case 3:
        if (vsx)
            iSET_GPR_Second(iop, ra, misal_ra_rb(iop));
        else if (xo == 759)
            iSET_GPR_Second(iop, ra, src(iop, SCRATCH32, OPERAND_A));
        else
            iSET_GPR_Second(iop, SCRATCH33, misal_ea(iop));
        return 1;
    case 4:
        iSET_GPR_Second(iop, SCRATCH34, rb ? src(iop, rb, OPERAND_A) : 0);
        return 1;
    case 5:
        iSET_GPR_Second(iop, ra, src(iop, (xo == 588 || xo == 620) ? SCRATCH34 : SCRATCH33, OPERAND_A));
        return 1;
    case 6:
        if (vsx)
            iSET_GPR_Second(iop, ra, misal_ra_rb(iop));
        else
            iSET_GPR_Second(iop, ra, src(iop, xo == 759 ? SCRATCH32 : SCRATCH33, OPERAND_A));
        return 1;
    default:
        return 0;
    }
}

int semantic_misal_add_ds(IOPDesc *iop)
{
    const uint32_t word = iop->word, ra = FIELD_RA(word);
    const uint64_t d = (uint64_t)(int64_t)(int16_t)(word & 0xFFFC);
    switch (iop->ucode_id) {
    case 1:
        iSET_GPR_Second(iop, SCRATCH34, (ra ? src(iop, ra, OPERAND_A) : 0) + d);
        return 1;
    case 2: {
        if (primary(iop) != 62) sim_panic("semantic_misal_add_ds: OPCD=0x%x", primary(iop));
        const bool update = (word & 3) != 0;
        if (update && ra == 0) sim_panic("semantic_misal_add_ds: RA=0");
        iSET_GPR_Second(iop, update ? ra : SCRATCH33, (ra ? src(iop, ra, OPERAND_A) : 0) + d);
        return 1;
    }
    case 5:
        iSET_GPR_Second(iop, ra, src(iop, ra, OPERAND_A) + d);
        return 1;
    default:
        return 0;
    }
}

int semantic_misal_addi(IOPDesc *iop)
{
    const uint32_t word = iop->word, ra = FIELD_RA(word), rt = FIELD_RT(word);
    const uint64_t d = (uint64_t)(int64_t)(int16_t)(word & 0xFFFF);
    switch (iop->ucode_id) {
    case 1:
        iSET_GPR_Second(iop, SCRATCH34, (ra ? src(iop, ra, OPERAND_A) : 0) + d);
        return 1;
    case 2:
    case 4:
        if (ra == rt || ra == 0) return 0;
        iSET_GPR(iop, ra, src(iop, ra, OPERAND_A) + d);
        return 1;
    case 3:
        if (ra == 0) return 0;
        iSET_GPR_Second(iop, ra, src(iop, ra, OPERAND_A) + d);
        return 1;
    case 5:
        if (ra == 0) return 0;
        iSET_GPR(iop, ra, src(iop, ra, OPERAND_A));
        return 1;
    case 6:
        iSET_GPR(iop, ra, src(iop, ra, OPERAND_A) + src(iop, SCRATCH34, OPERAND_B));
        return 1;
    default:
        return 0;
    }
}

int semantic_misal_or(IOPDesc *iop)
{
    const uint32_t step = iop->ucode_id, rt = FIELD_RT(iop->word), xo = x31(iop), op = primary(iop);
    uint32_t s, b, target;
    if (xo == 533 || xo == 565 || xo == 597 || xo == 629) {
        s = SCRATCH34;
        b = (xo == 533 || xo == 565) ? SCRATCH32 : SCRATCH33;
        target = string_register(iop, rt);
    } else {
        switch (step) {
        case 3:
            s = SCRATCH32, b = SCRATCH33, target = rt;
            break;
        case 4:
            if (xo == 532 || xo == 534 || xo == 790)
                s = SCRATCH33, b = SCRATCH34, target = xo == 790 ? rt : SCRATCH34;
            else if (xo == 588 || xo == 620)
                s = SCRATCH32, b = SCRATCH33, target = SCRATCH32;
            else if (op == 50 || op == 51 || xo == 599 || xo == 631)
                s = SCRATCH33, b = SCRATCH32, target = SCRATCH32;
            else
                s = SCRATCH33, b = SCRATCH32, target = rt;
            break;
        case 5:
            s = SCRATCH33, b = SCRATCH32, target = rt;
            break;
        case 7:
        case 10:
            s = SCRATCH33, b = SCRATCH34, target = (step == 10 && xo == 534) ? rt : SCRATCH34;
            break;
        case 13:
        case 16:
        case 19:
        case 22:
            s = SCRATCH33, b = SCRATCH34, target = (step == 22 && xo == 532) ? rt : SCRATCH34;
            break;
        default:
            sim_panic("semantic_misal_or wrong ucode_id=%d", step);
        }
    }
    iSET_GPR(iop, target, src(iop, s, OPERAND_S) | src(iop, b, OPERAND_B));
    return 1;
}

int semantic_misal_srw(IOPDesc *iop)
{
    const uint32_t step = iop->ucode_id, xo = x31(iop);
    uint32_t from, to;
    if (xo == 533 || xo == 565) {
        from = to = SCRATCH32;
    } else if (xo == 597 || xo == 629) {
        from = to = SCRATCH33;
    } else if (step == 0) {
        from = FIELD_RT(iop->word), to = SCRATCH32;
    } else if (step == 2 || step == 3) {
        from = to = SCRATCH33;
    } else if (step == 4 || step == 6 || step == 9 || step == 12 || step == 14 || step == 17 || step == 20) {
        from = FIELD_RT(iop->word), to = SCRATCH33;
    } else {
        return 0;
    }
    const int n = misal_shift(iop);
    const uint64_t value = src(iop, from, OPERAND_S);
    iSET_GPR(iop, to, n < 0 ? 0 : value >> n);
    return 1;
}

int semantic_misal_slw(IOPDesc *iop)
{
    const uint32_t step = iop->ucode_id, rs = FIELD_RS(iop->word);
    uint32_t from, to;
    if (step % 3 == 0 && step >= 3 && step <= 21) {
        from = to = SCRATCH33;
    } else if (step == 0) {
        from = rs, to = SCRATCH32;
    } else if (step % 4 == 0) {
        from = string_register(iop, rs), to = SCRATCH32;
    } else {
        return 0;
    }
    const int n = misal_shift(iop);
    const uint64_t value = src(iop, from, OPERAND_S);
    iSET_GPR(iop, to, n < 0 ? 0 : value << n);
    return 1;
}

// ---- listing texts ----

void Disassemble_Load_Multiple_Ucode(char *text, size_t size, const IOPDesc *iop)
{
    multiple_text(text, size, iop, false);
}

void Disassemble_Store_Multiple_Ucode(char *text, size_t size, const IOPDesc *iop)
{
    multiple_text(text, size, iop, true);
}
