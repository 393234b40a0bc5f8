// The FPR invalid map and the soft-patch predicates of the decimal rows.
#include "fp/fpr_invalid_map.h"

#include <cstdarg>
#include <cstring>

#include "fp/fpscr.h"
#include "decode/instr_info.h"
#include "processor/records/instruction_record.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

// STAND-IN: of the soft-patch predicates only those of the decimal rows exist, and the rows that
// name them are bound here at start-up; the binary floating-point unit's predicates, its binding
// of every row and its own definitions of these functions (which replace these weak ones) are
// not built yet.

namespace
{

constexpr uint64_t kFpscrUE = 0x20;
constexpr uint32_t kSinglePrecisionResult = 0x400; // row attribute

uint32_t option(const IOPDesc *iop, uint32_t index)
{
    return iop->thread->processor->options[index];
}

uint32_t field(const IOPDesc *iop, int shift)
{
    return (iop->word >> shift) & 0x1F;
}
uint32_t fra(const IOPDesc *iop)
{
    return field(iop, 16);
}
uint32_t frb(const IOPDesc *iop)
{
    return field(iop, 11);
}

// A row of the load class and DISABLE_FP_SOFTPATCH_LOADS, or any other (or none) and
// DISABLE_FP_SOFTPATCH_SCALARS.
bool exempt(const IOPDesc *iop)
{
    const bool load = iop->row && (iop->row->class_flags & II_LOAD);
    return option(iop, load ? PO_DISABLE_FP_SOFTPATCH_LOADS : PO_DISABLE_FP_SOFTPATCH_SCALARS) != 0;
}

bool dirty(const IOPDesc *iop, uint32_t n)
{
    return n < 64 && !(iop->thread->FPR_INVALID_MAP.value & (1ull << (63 - n)));
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
};

// Gives the static table's rows that name one of the predicates above their routine.
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

__attribute__((weak)) void Update_FPR_Invalid_Map(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (!option(iop, PO_SUPPORTS_FP_SOFTPATCH) || n > 63) return;
    bool becomes_dirty = false;
    const InstrInfo *row = iop->row;
    if (row && (row->attributes & kSinglePrecisionResult)) {
        const uint64_t exponent = (value >> 52) & 0x7FF;
        const bool denormal_single = (value << 1) != 0 && exponent >= 874 && exponent <= 896;
        becomes_dirty = denormal_single && ((row->class_flags & II_LOAD) || !(iGET_FPSCR(iop) & kFpscrUE));
    }
    uint64_t &map = iop->thread->FPR_INVALID_MAP.value;
    const uint64_t bit = 1ull << (63 - n);
    map = becomes_dirty ? map & ~bit : map | bit;
}

__attribute__((weak)) int Check_Dirty_FPR_Invalid_Map(IOPDesc *iop, int count, ...)
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

__attribute__((weak)) int spatchin__FRA(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, fra(iop));
}

__attribute__((weak)) int spatchin__FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 1, frb(iop));
}

__attribute__((weak)) int spatchin__FRA_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, fra(iop), frb(iop));
}

__attribute__((weak)) int spatchin__Double_FRA(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, fra(iop) & ~1u, fra(iop) | 1u);
}

__attribute__((weak)) int spatchin__Double_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 2, frb(iop) & ~1u, frb(iop) | 1u);
}

__attribute__((weak)) int spatchin__Double_FRA_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 4, fra(iop) & ~1u, fra(iop) | 1u, frb(iop) & ~1u, frb(iop) | 1u);
}

__attribute__((weak)) int spatchin__FRA_Double_FRB(IOPDesc *iop)
{
    return Check_Dirty_FPR_Invalid_Map(iop, 3, fra(iop), frb(iop) & ~1u, frb(iop) | 1u);
}
