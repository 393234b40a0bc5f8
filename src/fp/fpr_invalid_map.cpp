// The FPR invalid map and the soft-patch predicates.
#include "fp/fpr_invalid_map.h"

#include <cstdarg>
#include <cstring>

#include "decode/instr_info.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"

namespace
{

constexpr uint64_t kFpscrUE = 0x20;
constexpr uint32_t kSinglePrecisionResult = 0x400; // row attribute
constexpr uint64_t kMsrBit5 = 1ull << 58;

// ---- instruction fields (word bits numbered from the most significant) ----

uint32_t field(const IOPDesc *iop, int shift)
{
    return (iop->word >> shift) & 0x1F;
}
uint32_t FRA(const IOPDesc *iop)
{
    return field(iop, 16);
}
uint32_t FRB(const IOPDesc *iop)
{
    return field(iop, 11);
}
uint32_t FRC(const IOPDesc *iop)
{
    return field(iop, 6);
}
uint32_t FRT(const IOPDesc *iop)
{
    return field(iop, 21);
}
// The vector-scalar registers: the field plus 32 when its extension bit (AX 0x4, BX 0x2, CX 0x8,
// TX 0x1) is set.
uint32_t XA(const IOPDesc *iop)
{
    return FRA(iop) + ((iop->word & 0x4) ? 32 : 0);
}
uint32_t XB(const IOPDesc *iop)
{
    return FRB(iop) + ((iop->word & 0x2) ? 32 : 0);
}
uint32_t XC(const IOPDesc *iop)
{
    return FRC(iop) + ((iop->word & 0x8) ? 32 : 0);
}
uint32_t XT(const IOPDesc *iop)
{
    return FRT(iop) + ((iop->word & 0x1) ? 32 : 0);
}

bool option(const IOPDesc *iop, int index)
{
    return FP_Option(iop, index);
}

// A row of the load class and DISABLE_FP_SOFTPATCH_LOADS, or any other (or none) and
// DISABLE_FP_SOFTPATCH_SCALARS.
bool exempt(const IOPDesc *iop)
{
    const bool load = iop->row && (iop->row->class_flags & II_LOAD);
    return option(iop, load ? PO_DISABLE_FP_SOFTPATCH_LOADS : PO_DISABLE_FP_SOFTPATCH_SCALARS);
}

bool dirty(const IOPDesc *iop, uint32_t n)
{
    return n < 64 && !(iop->thread->FPR_INVALID_MAP.value & (1ull << (63 - n)));
}

uint32_t biased_exponent(uint64_t d)
{
    return (uint32_t)(d >> 52) & 0x7FF;
}

// Doubleword 0 (the FPR half) of VSR n, or of operand slot A or B in the cycle-model form.
uint64_t doubleword0(const IOPDesc *iop, uint32_t n, int slot)
{
    if (iop->use_slots) return slot == 0 ? iop->operand_slot1[1] : iop->operand_slot2[1];
    return iop->thread->VSR[n & 63].value[1];
}
uint64_t doubleword1(const IOPDesc *iop, uint32_t n, int slot)
{
    if (iop->use_slots) return slot == 0 ? iop->operand_slot1[0] : iop->operand_slot2[0];
    return iop->thread->VSR[n & 63].value[0];
}

bool glent(const IOPDesc *iop)
{
    return option(iop, PO_SUPPORTS_GLENT_FP_SOFTPATCH);
}

// The dravo divide-test rule on registers a and b: exactly one dirty, then the exponent rule.
int dravo_div(IOPDesc *iop, uint32_t a, uint32_t b, bool vector)
{
    if (exempt(iop)) return 0;
    const bool ad = dirty(iop, a), bd = dirty(iop, b);
    if (ad == bd) return 0;
    if (DirtyAndExponentInRange(ad, bd, doubleword0(iop, a, 0), doubleword0(iop, b, 1))) return 1;
    if (vector && DirtyAndExponentInRange(ad, bd, doubleword1(iop, a, 0), doubleword1(iop, b, 1))) return 1;
    return 0;
}

// The store rule: the access of the row's size at the data address, then the source register.
int store_rule(IOPDesc *iop, uint32_t source, bool fpr_form, uint64_t block)
{
    if (!option(iop, PO_FP_UNALIGNED_STORE_TAKES_SOFTPATCH)) return 0;
    if (fpr_form && exempt(iop)) return 0;
    const uint64_t dawrx = iGET_DAWRX0(iop);
    const uint64_t msr = iGET_MSR(iop);
    if (block == 16 && !(msr & MSR_LE) == !(msr & kMsrBit5)) return 0;
    const uint64_t ea = iop->data.ea;
    const uint64_t size = iop->row ? iop->row->access_size : 0;
    const uint64_t last = ea + (size ? size - 1 : 0);
    if ((ea >> 12) == (last >> 12)) {
        if (ea / block == last / block) return 0;
        if (!(dawrx & 0x40)) return 0;
        if (!(dawrx & 0x10) != !(msr & MSR_DR) && !(dawrx & 0x8)) return 0;
        const bool problem = (msr & MSR_PR) != 0;
        const bool hypervisor = (msr & MSR_HV) && !problem;
        const bool privilege = ((dawrx & 0x4) && hypervisor) || ((dawrx & 0x2) && !problem && !hypervisor) ||
                               ((dawrx & 0x1) && problem);
        if (!privilege) return 0;
    }
    return Check_Dirty_FPR_Invalid_Map(iop, 1, source);
}

struct Binding {
    const char *name;
    InstrSoftpatchFn predicate;
};

const Binding kBindings[] = {
    {"spatchin__FRA", spatchin__FRA},
    {"spatchin__FRB", spatchin__FRB},
    {"spatchin__FRA_FRB", spatchin__FRA_FRB},
    {"spatchin__Double_FRA", spatchin__Double_FRA},
    {"spatchin__Double_FRB", spatchin__Double_FRB},
    {"spatchin__Double_FRA_FRB", spatchin__Double_FRA_FRB},
    {"spatchin__FRA_Double_FRB", spatchin__FRA_Double_FRB},
    {"spatchin__VSB", spatchin__VSB},
    {"spatchin__VSA_VSB", spatchin__VSA_VSB},
    {"spatchin__VSA_VSB_VST", spatchin__VSA_VSB_VST},
    {"spatchin__VSA_VSB_VSC", spatchin__VSA_VSB_VSC},
    {"spatchin__VST", spatchin__VST},
    {"spatchin__VRA", spatchin__VRA},
    {"spatchin__VRB", spatchin__VRB},
    {"spatchin__VRA_VRB", spatchin__VRA_VRB},
    {"spatchin__VRA_VRB_VRC", spatchin__VRA_VRB_VRC},
    {"spatchin_glent__FRB", spatchin_glent__FRB},
    {"spatchin_glent__VSB", spatchin_glent__VSB},
    {"spatchin_glent__VST", spatchin_glent__VST},
    {"spatchin_glent__VRA", spatchin_glent__VRA},
    {"spatchin_glent__VRB", spatchin_glent__VRB},
    {"spatchin_glent__VRA_VRB", spatchin_glent__VRA_VRB},
    {"spatchin_glent__VRA_VRB_VRC", spatchin_glent__VRA_VRB_VRC},
    {"spatchin__fcmp", spatchin__fcmp},
    {"spatchin__vcmp", spatchin__vcmp},
    {"spatchin__FRA_FRB_Scaler_Div", spatchin__FRA_FRB_Scaler_Div},
    {"spatchin__VSA_VSB_Scaler_Div", spatchin__VSA_VSB_Scaler_Div},
    {"spatchin__VSA_VSB_Vector_Div", spatchin__VSA_VSB_Vector_Div},
    {"spatchin__FRS", spatchin__FRS},
    {"spatchin__FRS_Word", spatchin__FRS_Word},
    {"spatchin__XS", spatchin__XS},
    {"spatchin__XS_Word", spatchin__XS_Word},
    {"spatchin__XS_Q", spatchin__XS_Q},
};

// Gives every row of the static table that names a predicate its routine.
struct BindPredicates {
    BindPredicates()
    {
        for (uint32_t i = 0; i < NUM_II_ENTRIES; i++) {
            const char *name = instruction_softpatch_names[i];
            if (!name || instruction_info_table[i].softpatch) continue;
            for (const Binding &b : kBindings)
                if (strcmp(name, b.name) == 0) instruction_info_table[i].softpatch = b.predicate;
        }
    }
} bind_predicates;

} // namespace

// ---- the map ----

void Update_FPR_Invalid_Map(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (!option(iop, PO_SUPPORTS_FP_SOFTPATCH) || n > 63) return;
    bool becomes_dirty = false;
    const InstrInfo *row = iop->row;
    if (row && (row->attributes & kSinglePrecisionResult)) {
        const uint32_t exponent = biased_exponent(value);
        const bool denormal_single = (value << 1) != 0 && exponent >= 874 && exponent <= 896;
        becomes_dirty = denormal_single && ((row->class_flags & II_LOAD) || !(iGET_FPSCR(iop) & kFpscrUE));
    }
    uint64_t &map = iop->thread->FPR_INVALID_MAP.value;
    const uint64_t bit = 1ull << (63 - n);
    map = becomes_dirty ? map & ~bit : map | bit;
}

int Check_Dirty_FPR_Invalid_Map(IOPDesc *iop, int count, ...)
{
    if (count <= 0 || !option(iop, PO_SUPPORTS_FP_SOFTPATCH) || exempt(iop)) return 0;
    va_list registers;
    va_start(registers, count);
    int found = 0;
    for (int i = 0; i < count; i++)
        if (dirty(iop, va_arg(registers, unsigned int))) found = 1;
    va_end(registers);
    return found;
}

int DirtyAndExponentInRange(int a_dirty, int b_dirty, uint64_t a, uint64_t b)
{
    const uint32_t ea = biased_exponent(a), eb = biased_exponent(b);
    if (a_dirty && (eb < 1895 || eb > 1917)) return 0;
    if (b_dirty) return ea >= 1897 && ea <= 1919;
    return 1;
}

// ---- plain predicates ----

int spatchin__FRA(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, FRA(iop));
}
int spatchin__FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, FRB(iop));
}
int spatchin__FRA_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, FRA(iop), FRB(iop));
}
int spatchin__Double_FRA(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, FRA(iop) & ~1u, FRA(iop) | 1u);
}
int spatchin__Double_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, FRB(iop) & ~1u, FRB(iop) | 1u);
}
int spatchin__Double_FRA_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 4, FRA(iop) & ~1u, FRA(iop) | 1u, FRB(iop) & ~1u, FRB(iop) | 1u);
}
int spatchin__FRA_Double_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 3, FRA(iop), FRB(iop) & ~1u, FRB(iop) | 1u);
}
int spatchin__VSB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, XB(iop));
}
int spatchin__VSA_VSB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, XA(iop), XB(iop));
}
int spatchin__VSA_VSB_VST(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 3, XA(iop), XB(iop), XT(iop));
}
int spatchin__VSA_VSB_VSC(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 3, XA(iop), XB(iop), XC(iop));
}
int spatchin__VST(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, XT(iop));
}
int spatchin__VRA(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, FRA(iop) + 32);
}
int spatchin__VRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, FRB(iop) + 32);
}
int spatchin__VRA_VRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, FRA(iop) + 32, FRB(iop) + 32);
}
int spatchin__VRA_VRB_VRC(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 3, FRA(iop) + 32, FRB(iop) + 32, FRC(iop) + 32);
}
int spatchin_glent__FRB(IOPDesc *iop)
{
    return glent(iop) ? spatchin__FRB(iop) : 0;
}
int spatchin_glent__VSB(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VSB(iop) : 0;
}
int spatchin_glent__VST(IOPDesc *iop)
{
    // XS of the GPR moves: the T field with TX.
    return glent(iop) ? Check_Dirty_FPR_Invalid_Map(iop, 1, XT(iop)) : 0;
}
int spatchin_glent__VRA(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VRA(iop) : 0;
}
int spatchin_glent__VRB(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VRB(iop) : 0;
}
int spatchin_glent__VRA_VRB(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VRA_VRB(iop) : 0;
}
int spatchin_glent__VRA_VRB_VRC(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VRA_VRB_VRC(iop) : 0;
}

// ---- compare and divide-test wrappers ----

int spatchin__fcmp_partial_support(IOPDesc *iop)
{
    if (exempt(iop)) return 0;
    const uint32_t a = FRA(iop), b = FRB(iop);
    const bool ad = dirty(iop, a), bd = dirty(iop, b);
    if (ad == bd) return 0;
    const uint64_t va = doubleword0(iop, a, 0), vb = doubleword0(iop, b, 1);
    if ((va >> 63) != (vb >> 63)) return 0;
    const uint32_t clean_exponent = biased_exponent(ad ? vb : va);
    return clean_exponent >= 1 && clean_exponent <= 896;
}

int spatchin__fcmp(IOPDesc *iop)
{
    return glent(iop) ? spatchin__FRA_FRB(iop) : spatchin__fcmp_partial_support(iop);
}
int spatchin__vcmp(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VSA_VSB(iop) : spatchin__fcmp_partial_support(iop);
}

int spatchin_dravo__FRA_FRB_Scaler_Div(IOPDesc *iop)
{
    return dravo_div(iop, FRA(iop), FRB(iop), false);
}
int spatchin_dravo__VSA_VSB_Scaler_Div(IOPDesc *iop)
{
    return dravo_div(iop, XA(iop), XB(iop), false);
}
int spatchin_dravo__VSA_VSB_Vector_Div(IOPDesc *iop)
{
    return dravo_div(iop, XA(iop), XB(iop), true);
}
int spatchin__FRA_FRB_Scaler_Div(IOPDesc *iop)
{
    return glent(iop) ? spatchin__FRA_FRB(iop) : spatchin_dravo__FRA_FRB_Scaler_Div(iop);
}
int spatchin__VSA_VSB_Scaler_Div(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VSA_VSB(iop) : spatchin_dravo__VSA_VSB_Scaler_Div(iop);
}
int spatchin__VSA_VSB_Vector_Div(IOPDesc *iop)
{
    return glent(iop) ? spatchin__VSA_VSB(iop) : spatchin_dravo__VSA_VSB_Vector_Div(iop);
}

// ---- store predicates ----

int spatchin__FRS(IOPDesc *iop)
{
    return store_rule(iop, FRT(iop), true, 8);
}
int spatchin__FRS_Word(IOPDesc *iop)
{
    return store_rule(iop, FRT(iop), true, 8);
}
int spatchin__XS(IOPDesc *iop)
{
    return store_rule(iop, XT(iop), false, 8);
}
int spatchin__XS_Word(IOPDesc *iop)
{
    return store_rule(iop, XT(iop), false, 8);
}
int spatchin__XS_Q(IOPDesc *iop)
{
    return store_rule(iop, XT(iop), false, 16);
}
