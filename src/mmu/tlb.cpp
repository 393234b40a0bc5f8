// The TLB operations.
#include "mmu/tlb.h"

#include <cstdarg>
#include <cstdio>

#include "mmu/hooks/translator_xlate.h"
#include "mmu/page_table.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/tcl_eval.h"

namespace
{

constexpr uint64_t TLB_R_BIT = 0x100;
constexpr uint64_t INVALIDATE_FIELD = 0x7FFFFFFFC000ull;

uint64_t low_mask(int64_t bits)
{
    if (bits <= 0) return 0;
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

// Keeps bits 0 and 1 and every bit from p up.
uint64_t M(int32_t p)
{
    return ~(low_mask(p) & ~3ull);
}

bool has_trigger(const TLB *tlb)
{
    return tlb->trigger && tlb->trigger->enabled && tlb->trigger->procedure && tlb->trigger->procedure[0];
}

int32_t classes(const TLB *tlb)
{
    return tlb->num_entries / tlb->assoc;
}

// The segment's VSID in segment units: from an SLB VSID word, and from an RB operand.
uint64_t v_of_word(uint64_t vsid_word, int32_t s)
{
    return vsid_word >> (s == 40 ? 24 : 12);
}
uint64_t v_of_rb(uint64_t rb, int32_t s)
{
    return s >= 64 ? 0 : rb >> s;
}

int32_t gen8_class(uint64_t v, uint64_t ea, int32_t p, int32_t s)
{
    if (s != 28 && s != 40) {
        sim_error("Ervik TLB hash has s=%d (should only be 28 or 40)", s);
        return 0;
    }
    if (p == 15 || p == 19) return 0;
    if (s == 28) {
        if (p == 12 || p == 16 || p == 20)
            return (int32_t)((((v ^ (ea >> (p + 2))) & 0x1F) << 2) | ((ea >> p) & 3));
        if (p == 24) return (int32_t)(((v & 7) << 4) | ((ea >> 24) & 0xF));
        sim_warning(2, "Ervik TLB hash has (s=28) has offset_bits = %d", p);
        return 0;
    }
    if (p == 12 || p == 16 || p == 20 || p == 24)
        return (int32_t)(((((ea >> (p + 3)) & 0xF) ^ (v & 0xF)) << 3) | ((ea >> p) & 7));
    if (p == 34) return (int32_t)(((((ea >> 36) & 0xF) ^ (v & 0xF)) << 3) | ((ea >> 34) & 7));
    sim_error("Ervik TLB hash has (s=40) has offset_bits = %d", p);
    return 0;
}

int32_t generic_class(const TLB *tlb, uint64_t va, int32_t p)
{
    int32_t k = tlb->entry_bits - tlb->assoc_bits;
    if (k >= 64) return (int32_t)(va >> p);
    uint64_t low = (p >= 64 ? 0 : va >> p) & low_mask(k);
    uint64_t g = p >= 64 ? 0 : ((0xFFFFFFFull >> p) & ~low_mask(k)) << p;
    if (!g) return (int32_t)low;
    return (int32_t)(low ^ (((va & g) >> (28 - k)) & ~0xFull));
}

// The class of (v, ea) at page shift p, always within the table.
int32_t class_of(TLB *tlb, uint64_t v, uint64_t ea, uint64_t va, int32_t p, int32_t s)
{
    int32_t cls = 0;
    if (tlb->hash_kind == TLB_HASH_GEN8)
        cls = gen8_class(v, ea, p, s);
    else if (tlb->hash_kind == TLB_HASH_GENERIC)
        cls = generic_class(tlb, va, p);
    else
        sim_panic("incomplete TLB definition");
    return cls & (classes(tlb) - 1);
}

int32_t lookup_class(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t p, int32_t s)
{
    uint64_t v = v_of_word(vsid_word, s);
    uint64_t va = (s >= 64 ? 0 : v << s) + (ea & low_mask(s));
    return class_of(tlb, v, ea, va, p, s);
}

int32_t rb_class(TLB *tlb, uint64_t rb, int32_t p, int32_t s)
{
    uint64_t ea = rb & low_mask(s) & ~low_mask(p);
    return class_of(tlb, v_of_rb(rb, s), ea, rb, p, s);
}

uint64_t stored_tag(const TLB *tlb, uint64_t ea, int32_t p, int32_t s, uint32_t lp, const uint64_t pte[2])
{
    uint64_t l = (pte[0] & PTE_L) ? 2 : 0;
    if (tlb->hash_kind == TLB_HASH_GEN8)
        return l | ((pte[0] & ~0x7Full) << 16) | lp | (ea & low_mask(s) & ~low_mask(p));
    if (tlb->hash_kind == TLB_HASH_GENERIC)
        return (((ea >> 12) << 11) & 0x3FFFFF) | l | ((pte[0] >> 7) << 22) | lp;
    sim_panic("incomplete TLB definition");
}

uint64_t lookup_tag(uint64_t vsid_word, uint64_t ea, int32_t p, int32_t s, uint32_t lp)
{
    return M(p) & ((p != 12 ? 2 : 0) | (vsid_word << 16) | lp | (ea & low_mask(s) & ~low_mask(p)));
}

void touch(TLB *tlb, TLB_ENTRY_t *entry)
{
    if (tlb->repl_policy == TLB_REPL_LRU)
        entry->stamp = tlb->lru_counter++;
    else
        tlb->rr_way = (tlb->rr_way + 1) % tlb->assoc;
}

// The mask and value of an invalidation or reference-bit clearing by RB.
void rb_match(const TLB *tlb, uint64_t rb, int32_t p, uint32_t lp, uint64_t l, uint64_t *mask,
              uint64_t *value)
{
    if (tlb->hash_kind == TLB_HASH_GEN8) {
        *mask = M(p) & INVALIDATE_FIELD;
        *value = ((rb & ~0xFFFull) | l | lp) & *mask;
        return;
    }
    int32_t bits = p + tlb->entry_bits - tlb->assoc_bits - 3;
    *mask = bits > 63 ? 3 : M(bits) & 0x7FFFFFFFFFFFull;
    *value = *mask & (((rb >> 1) & ~0x7FFull) | lp | (p != 12 ? 2 : 0));
}

} // namespace

TLB_ENTRY_t *TLB_FindMapping_In_Set(TLB *tlb, int32_t first, uint64_t lookup, uint64_t mask, int32_t lpid,
                                    int32_t s, int32_t p, IOPDesc *iop, uint32_t kind, SLB *segment)
{
    for (int32_t way = 0; way < tlb->assoc; way++) {
        TLB_ENTRY_t *e = &tlb->entries[first + way];
        if (!e->valid || e->lpidr != lpid || e->seg_size != s || (e->tag & mask) != lookup ||
            e->page_shift != p)
            continue;
        if (segment && iop) {
            uint64_t pte[2] = {e->pte_upper, e->pte_lower};
            if (!PPC_MMU_Match_PTE_Size(iop, kind, pte, segment)) continue;
        }
        return e;
    }
    return nullptr;
}

TLB_ENTRY_t *TLB_FindMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t p, int32_t lpid, int32_t s,
                             uint32_t lp, uint64_t *hint, IOPDesc *iop, uint32_t kind, SLB *segment)
{
    int32_t first = 0;
    for (int attempt = 0; attempt < 2; attempt++) {
        first = lookup_class(tlb, vsid_word, ea, p, s) * tlb->assoc;
        uint64_t lookup = lookup_tag(vsid_word, ea, p, s, lp);
        TLB_ENTRY_t *hit = TLB_FindMapping_In_Set(tlb, first, lookup, M(p), lpid, s, p, iop, kind, segment);
        if (hit) {
            touch(tlb, hit);
            if (has_trigger(tlb))
                TLB_Trigger_Invoke(
                    tlb,
                    "op find ea 0x%016lX entry %d tag 0x%016lX match {tag 0x%016lX mask 0x%016lX "
                    "lpidr %d} result success",
                    (unsigned long)ea, hit->index, (unsigned long)hit->tag, (unsigned long)lookup,
                    (unsigned long)M(p), lpid);
            return hit;
        }
        if (p == 12)
            p = 16;
        else if (p == 16)
            p = 24;
        else
            break;
    }
    if (hint) *hint = TLB_Define_Replacement_Hint(tlb, first);
    return nullptr;
}

TLB_ENTRY_t *TLB_AddMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t, int32_t p, int32_t lpid,
                            int32_t s, uint32_t lp, const uint64_t pte[2], uint64_t pte_addr)
{
    if ((pte[0] & PTE_L) && ((pte[1] >> 12) & 0xFF) == 0x38) {
        p = 16;
        ea &= ~0xFFFFull;
    } else {
        ea &= ~low_mask(p);
    }
    int32_t first = lookup_class(tlb, vsid_word, ea, p, s) * tlb->assoc;
    uint64_t tag = stored_tag(tlb, ea, p, s, lp, pte);
    for (int32_t way = 0; way < tlb->assoc; way++) {
        TLB_ENTRY_t *e = &tlb->entries[first + way];
        if (!e->valid || e->lpidr != lpid || e->seg_size != s || e->tag != tag) continue;
        // The stored first doubleword has H cleared: an entry of the secondary group is the same.
        if (e->pte_upper == (pte[0] & ~PTE_H) && e->pte_lower == pte[1] && e->pte_addr == pte_addr &&
            e->page_shift == p) {
            e->stamp = tlb->lru_counter;
            return e;
        }
        e->valid = 0;
        TLB_AddIndexedMapping(tlb, first + way, pte, ea, lpid, p, s, lp, pte_addr);
        e->page_shift = p;
        return e;
    }
    int32_t victim = tlb->rr_way;
    if (tlb->repl_policy == TLB_REPL_LRU) {
        victim = -1;
        for (int32_t way = 0; way < tlb->assoc && victim < 0; way++)
            if (!tlb->entries[first + way].valid) victim = way;
        if (victim < 0) {
            victim = 0;
            for (int32_t way = 1; way < tlb->assoc; way++)
                if (tlb->entries[first + way].stamp < tlb->entries[first + victim].stamp) victim = way;
        }
    }
    TLB_ENTRY_t *e = TLB_AddIndexedMapping(tlb, first + victim, pte, ea, lpid, p, s, lp, pte_addr);
    if (e) e->page_shift = p;
    return e;
}

TLB_ENTRY_t *TLB_AddIndexedMapping(TLB *tlb, int32_t index, const uint64_t pte[2], uint64_t ea, int32_t lpid,
                                   int32_t p, int32_t s, uint32_t lp, uint64_t pte_addr)
{
    if (index < 0 || index >= tlb->num_entries) return nullptr;
    TLB_ENTRY_t *e = &tlb->entries[index];
    e->valid = 0;
    e->lpidr = lpid;
    e->seg_size = s;
    e->valid = (pte[0] & PTE_V) ? 1 : 0;
    e->tag = stored_tag(tlb, ea, p, s, lp, pte);
    e->pte_upper = pte[0] & ~PTE_H;
    e->pte_addr = pte_addr;
    e->pte_lower = pte[1];
    e->stamp = tlb->lru_counter;
    if (has_trigger(tlb))
        TLB_Trigger_Invoke(tlb, "op add ea 0x%016lX entry %d tag 0x%016lX lpidr %d pte {0x%016lX 0x%016lX}",
                           (unsigned long)ea, index, (unsigned long)e->tag, lpid, (unsigned long)e->pte_upper,
                           (unsigned long)e->pte_lower);
    current_xlate_version++;
    return e;
}

TLB_ENTRY_t *TLB_FindIndexedMapping(TLB *tlb, int32_t index)
{
    return &tlb->entries[index];
}

int32_t TLB_Get_Entry_Index(TLB *tlb, uint64_t tlb_index)
{
    int32_t n = tlb->assoc;
    uint64_t d = tlb_index & low_mask((int64_t)n + tlb->entry_bits - tlb->assoc_bits);
    uint64_t w = d & low_mask(n);
    int32_t f = 0;
    if (w == 0) {
        sim_warning(2, "TLB_Get_Entry_Index: No set specified in tlb_index=0x%08X", (unsigned)tlb_index);
    } else {
        f = __builtin_ctzll(w);
        if (w & (w - 1))
            sim_warning(
                2, "TLB_Get_Entry_Index: Multiple sets specified in tlb_index=0x%08X; using left most (0x%X)",
                (unsigned)tlb_index, 1u << f);
    }
    uint64_t cls = n >= 64 ? 0 : d >> n;
    return (int32_t)(cls * (uint64_t)n) + (n - 1 - f);
}

void TLB_MMIO_Read(TLB *tlb, uint64_t tlb_index, uint64_t, uint64_t *lower, uint64_t *upper)
{
    const TLB_ENTRY_t *e = &tlb->entries[TLB_Get_Entry_Index(tlb, tlb_index)];
    *upper = e->pte_upper;
    *lower = e->pte_lower;
}

void TLB_MMIO_Write(TLB *tlb, uint64_t tlb_index, int32_t lpid, uint64_t lower, uint64_t upper, int32_t s)
{
    uint64_t pte[2] = {upper, lower};
    uint64_t ea = (((upper >> 7) << 11) | ((tlb_index >> 37) & 0x7FF)) << 12;
    uint32_t lp = ((upper & PTE_L) && (lower & 0x1000)) ? 1 : 0;
    TLB_AddIndexedMapping(tlb, TLB_Get_Entry_Index(tlb, tlb_index), pte, ea, lpid, 12, s, lp, 0);
}

void TLB_tlbie(TLB *tlb, uint64_t rb, uint64_t ignored, int32_t is, int32_t lpid, uint32_t lp, uint32_t b,
               const char *name)
{
    int wide = (lp & 0xF) == 0xA || (lp & 7) == 6;
    TLB_InvalidateEntry(tlb, rb, ignored, tlb->tlbie_clears_class ? 3 : is, lpid, lp, b, name, wide);
}

void TLB_InvalidateEntry(TLB *tlb, uint64_t rb, uint64_t, int32_t is, int32_t lpid, uint32_t lp, uint32_t b,
                         const char *name, int wide)
{
    int32_t first = 0;
    uint64_t mask = 0, value = 0;
    if (is == 2 || is == 3) {
        for (int32_t k = 0; k < tlb->assoc; k++) {
            TLB_ENTRY_t *e = &tlb->entries[k];
            if (e->valid && (is == 3 || e->lpidr == lpid)) e->valid = 0;
        }
    } else if (is == 0) {
        uint64_t l = rb & 1;
        int32_t s = (b & 1) ? 40 : 28;
        static const int32_t small[] = {12, 16};
        static const int32_t large[] = {16, 24, 20, 34};
        const int32_t *shifts = l ? large : small;
        int count = l ? 4 : 2;
        for (int i = 0; i < count; i++) {
            int32_t p = shifts[i];
            first = rb_class(tlb, rb, p, s) * tlb->assoc;
            rb_match(tlb, rb, p, lp, l ? 2 : 0, &mask, &value);
            int32_t span = tlb->assoc;
            if (wide) {
                // The wide form scans eight classes, stopping at the end of the table.
                span = 8 * tlb->assoc;
                if (span > tlb->num_entries - first) span = tlb->num_entries - first;
                mask &= l ? ~0xFFFFFull : ~0x7FFFull;
                value &= mask;
            }
            for (int32_t k = 0; k < span; k++) {
                TLB_ENTRY_t *e = &tlb->entries[first + k];
                if (e->valid && (e->tag & mask) == value) e->valid = 0;
            }
        }
    }
    trc_tlbie(rb);
    current_xlate_version++;
    if (has_trigger(tlb))
        TLB_Trigger_Invoke(
            tlb, "op invalidate inst %s is %d ccindex %d match {tag 0x%016lX mask 0x%016lX lpidr %d}",
            name ? name : "", is, first, (unsigned long)value, (unsigned long)mask, lpid);
}

void TLB_Clear(IOPDesc *, TLB *tlb)
{
    for (int32_t k = 0; k < tlb->num_entries; k++)
        tlb->entries[k].valid = 0;
    tlb->lru_counter = 0;
    current_xlate_version++;
}

void clear_tlb_R_bit(TLB *, TLB_ENTRY_t *entry)
{
    entry->pte_lower &= ~TLB_R_BIT;
}

void TLB_Clear_Reference_Bit_For_Set(TLB *tlb, uint64_t, int32_t cls)
{
    if (cls < 0 || cls >= classes(tlb)) return;
    for (int32_t way = 0; way < tlb->assoc; way++)
        clear_tlb_R_bit(tlb, &tlb->entries[cls * tlb->assoc + way]);
}

void TLB_Clear_Specific_Reference_Bit(TLB *tlb, uint64_t rb, int32_t p, uint64_t, uint32_t lp, uint32_t b)
{
    int32_t s = (b & 1) ? 40 : 28;
    int32_t first = rb_class(tlb, rb, p, s) * tlb->assoc;
    uint64_t mask, value;
    rb_match(tlb, rb, p, lp, tlb->hash_kind == TLB_HASH_GEN8 ? 2 * (rb & 1) : 0, &mask, &value);
    for (int32_t way = 0; way < tlb->assoc; way++) {
        TLB_ENTRY_t *e = &tlb->entries[first + way];
        if (e->valid && (e->tag & mask) == value) clear_tlb_R_bit(tlb, e);
    }
}

TLB_ENTRY_t *non_Dravo_Ervik_TLB_FindMapping(TLB *tlb, uint64_t vsid_word, uint64_t ea, int32_t p,
                                             int32_t lpid, int32_t s, uint32_t lp, uint64_t *hint)
{
    int32_t first = lookup_class(tlb, vsid_word, ea, p, s) * tlb->assoc;
    uint64_t mask, tag;
    if (tlb->hash_kind == TLB_HASH_GEN8) {
        mask = M(p);
        tag = lookup_tag(vsid_word, ea, p, s, lp);
    } else {
        int32_t bits = p + tlb->entry_bits - tlb->assoc_bits - 3;
        mask = bits >= 64 ? 3 : M(bits);
        tag = mask & ((vsid_word << 15) | ((ea & 0xFFFF000) >> 1) | (p != 12 ? 2 : 0) | lp);
    }
    for (int32_t way = 0; way < tlb->assoc; way++) {
        TLB_ENTRY_t *e = &tlb->entries[first + way];
        if (!e->valid || e->lpidr != lpid || e->seg_size != s || (e->tag & mask) != tag) continue;
        touch(tlb, e);
        if (has_trigger(tlb))
            TLB_Trigger_Invoke(
                tlb,
                "op find ea 0x%016lX entry %d tag 0x%016lX match {tag 0x%016lX mask 0x%016lX lpidr "
                "%d} result success",
                (unsigned long)ea, e->index, (unsigned long)e->tag, (unsigned long)tag, (unsigned long)mask,
                lpid);
        return e;
    }
    if (has_trigger(tlb))
        TLB_Trigger_Invoke(tlb, "op find ea 0x%016lX match {tag 0x%016lX mask 0x%016lX lpidr %d} result fail",
                           (unsigned long)ea, (unsigned long)tag, (unsigned long)mask, lpid);
    if (hint) *hint = TLB_Define_Replacement_Hint(tlb, first);
    return nullptr;
}

void TLB_Trigger_Invoke(TLB *tlb, const char *format, ...)
{
    if (!tlb || !has_trigger(tlb)) return;
    ProcessorState *core = tlb->processor;
    GenericMachine *machine = core ? core->machine : nullptr;
    char text[1024];
    int used =
        snprintf(text, sizeof text, "%s sim %s mcm %d cpu %d tlb %s ", tlb->trigger->procedure,
                 machine && machine->name ? machine->name : "", core && core->mcm ? core->mcm->number : 0,
                 core ? (int)core->number_in_chip : 0, tlb->name);
    if (used < 0 || used >= (int)sizeof text) return;
    va_list args;
    va_start(args, format);
    vsnprintf(text + used, sizeof text - (size_t)used, format, args);
    va_end(args);
    safe_Tcl_Eval(quarn_common.interpreter, text);
}
