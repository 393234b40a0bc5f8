// The translation-cache commands: SLB entries, ERATs and the TLB.
#include "command/translation_cache_commands.h"

#include <tcl.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "mmu/tlb.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/translation/erat.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

bool whole_number(const char *text, uint64_t *value)
{
    char *end = nullptr;
    errno = 0;
    *value = strtoull(text, &end, 0);
    return end != text && *end == '\0' && errno == 0;
}

// An index word read as a number in 0 .. count - 1; negative numbers and words that are no
// number are refused like numbers too large.
bool index_word(const char *word, int32_t count, int32_t *index)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    if (!ok || count <= 0 || value >= (uint64_t)count) return false;
    *index = (int32_t)value;
    return true;
}

SLB *slb_entry(ThreadState *thread, Tcl_Interp *interpreter, char **argv)
{
    int32_t n = 0;
    if (!thread->slb || !index_word(argv[1], thread->slb_entries, &n)) {
        int ok = 0;
        int32_t shown = (int32_t)STRING2INT_rc(argv[1], &ok);
        SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid slb index found: %s (slb_index=%d)", argv[0], argv[1], shown);
        return nullptr;
    }
    return &thread->slb[n];
}

// The ERAT of a kind that the thread uses: index thread number AND (count - 1).
ERAT_Struct *thread_erat(ThreadState *thread, bool instruction)
{
    ProcessorState *core = thread->processor;
    ERAT_Struct *erats = instruction ? core->ierats : core->derats;
    uint32_t count = instruction ? core->ierat_count : core->derat_count;
    if (!erats || !count) return nullptr;
    return &erats[(uint32_t)thread->thread_id_in_core & (count - 1)];
}

ERAT_Struct *erat_row(Selector *selector, Tcl_Interp *interpreter, char **argv, bool instruction, int32_t *row)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return nullptr;
    ERAT_Struct *erat = thread_erat(thread, instruction);
    if (!erat || !index_word(argv[1], erat->rows, row)) {
        SIM_TCLPRINT(interpreter, "Error: (%s): Invalid %s row:%s", argv[0], instruction ? "ierat" : "derat", argv[1]);
        return nullptr;
    }
    return erat;
}

ERAT_Entry *erat_entry(Selector *selector, Tcl_Interp *interpreter, char **argv, bool instruction)
{
    int32_t row = 0, column = 0;
    ERAT_Struct *erat = erat_row(selector, interpreter, argv, instruction, &row);
    if (!erat) return nullptr;
    if (!index_word(argv[2], erat->ways, &column)) {
        SIM_TCLPRINT(interpreter, "Error: (%s): Invalid %s col:%s", argv[0], instruction ? "ierat" : "derat", argv[2]);
        return nullptr;
    }
    return &erat->entries[row * erat->ways + column];
}

TLB *selected_tlb(Selector *selector)
{
    ThreadState *thread = select_thread(selector);
    return thread && thread->processor ? thread->processor->tlb : nullptr;
}

TLB_ENTRY_t *tlb_entry(Selector *selector, Tcl_Interp *interpreter, char **argv)
{
    TLB *tlb = selected_tlb(selector);
    int32_t n = 0;
    if (!tlb || !index_word(argv[1], tlb->num_entries, &n)) {
        SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid tlb index found:%s", argv[0], argv[1]);
        return nullptr;
    }
    return &tlb->entries[n];
}

int display_rowc(Selector *selector, Tcl_Interp *interpreter, char **argv, bool instruction)
{
    int32_t row = 0;
    ERAT_Struct *erat = erat_row(selector, interpreter, argv, instruction, &row);
    if (!erat) return 1;
    SIM_TCLPRINT(interpreter, "0x%08X", (unsigned)erat->row_count[row]);
    return 0;
}

int set_rowc(Selector *selector, Tcl_Interp *interpreter, char **argv, bool instruction)
{
    int32_t row = 0;
    ERAT_Struct *erat = erat_row(selector, interpreter, argv, instruction, &row);
    if (!erat) return 1;
    unsigned value = 0;
    if (sscanf(argv[2], "0x%08X", &value) == 1) erat->row_count[row] = (int32_t)value;
    return 0;
}

int display_erate(Selector *selector, Tcl_Interp *interpreter, char **argv, bool instruction)
{
    ERAT_Entry *entry = erat_entry(selector, interpreter, argv, instruction);
    if (!entry) return 1;
    char text[512];
    ERAT_Entry_Format(text, sizeof text, entry);
    SIM_TCLPRINT(interpreter, "%s", text);
    return 0;
}

int set_erate(Selector *selector, Tcl_Interp *interpreter, char **argv, bool instruction)
{
    ERAT_Entry *entry = erat_entry(selector, interpreter, argv, instruction);
    if (!entry) return 1;
    ERAT_Entry_Scan(entry, argv[3]);
    return 0;
}

int set_slb_half(Selector *selector, Tcl_Interp *interpreter, char **argv, bool esid)
{
    uint64_t value = 0;
    if (!whole_number(argv[2], &value)) {
        SIM_TCLPRINT(interpreter, "set %s: error reading value", esid ? "slbe" : "slbv");
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    SLB *entry = slb_entry(thread, interpreter, argv);
    if (!entry) return 1;
    if (esid)
        SLB_Write_ESID_Half(entry, value);
    else
        SLB_Write_VSID_Half(entry, value);
    SIM_TCLPRINT(interpreter, "%s", argv[2]);
    return 0;
}

int set_tlb_half(Selector *selector, Tcl_Interp *interpreter, char **argv, bool upper)
{
    uint64_t value = 0;
    if (!whole_number(argv[2], &value)) {
        SIM_TCLPRINT(interpreter, "set %s: error reading value", upper ? "tlbv" : "tlbr");
        return 1;
    }
    TLB *tlb = selected_tlb(selector);
    int32_t n = 0;
    if (!tlb || !index_word(argv[1], tlb->num_entries, &n)) {
        SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid tlb index found:%s", argv[0], argv[1]);
        return 1;
    }
    const TLB_ENTRY_t &old = tlb->entries[n];
    const uint64_t pte[2] = {upper ? value : old.pte_upper, upper ? old.pte_lower : value};
    const uint64_t ea = (pte[0] >> 4) << 12;
    const int32_t lpid = (int32_t)((pte[1] >> 56) & 0x1F);
    const uint32_t large = (pte[0] & 0x4) && (pte[1] & 0x1000) ? 1 : 0;
    TLB_AddIndexedMapping(tlb, n, pte, ea, lpid, 12, 28, large, 0);
    SIM_TCLPRINT(interpreter, "0x%016lX for index %d, ea = 0x%016lX, L=%d, lpid=%d", (unsigned long)value, n,
                 (unsigned long)ea, (int)((pte[0] >> 2) & 1), lpid);
    return 0;
}

Tcl_Obj *hex_obj(uint64_t value)
{
    char text[32];
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)value);
    return Tcl_NewStringObj(text, -1);
}

void append(Tcl_Obj *list, Tcl_Obj *element)
{
    Tcl_ListObjAppendElement(nullptr, list, element);
}

void append_word(Tcl_Obj *list, const char *word)
{
    append(list, Tcl_NewStringObj(word, -1));
}

Tcl_Obj *pte_list(uint64_t upper, uint64_t lower)
{
    Tcl_Obj *pte = Tcl_NewListObj(0, nullptr);
    append(pte, Tcl_NewIntObj(0));
    append(pte, hex_obj(upper));
    append(pte, Tcl_NewIntObj(1));
    append(pte, hex_obj(lower));
    return pte;
}

Tcl_Obj *erat_contents(const ERAT_Struct *erat)
{
    Tcl_Obj *rows = Tcl_NewListObj(0, nullptr);
    for (int32_t r = 0; r < erat->rows; r++) {
        int32_t count = erat->row_count[r];
        if (count <= 0) continue;
        if (count > erat->ways) count = erat->ways;
        Tcl_Obj *columns = Tcl_NewListObj(0, nullptr);
        for (int32_t c = 0; c < count; c++) {
            const ERAT_Entry &e = erat->entries[r * erat->ways + c];
            Tcl_Obj *fields = Tcl_NewListObj(0, nullptr);
            append_word(fields, "thread");
            append(fields, Tcl_NewIntObj(e.thread));
            append_word(fields, "ea");
            append(fields, hex_obj(e.axd.ea));
            append_word(fields, "ra");
            append(fields, hex_obj(e.axd.pa));
            append_word(fields, "pte");
            append(fields, pte_list(e.pte[0], e.pte[1]));
            append_word(fields, "access");
            append(fields, Tcl_NewWideIntObj((Tcl_WideInt)e.last_use));
            append(columns, Tcl_NewIntObj(c));
            append(columns, fields);
        }
        append(rows, Tcl_NewIntObj(r));
        append(rows, columns);
    }
    return rows;
}

// Appends name and contents of every ERAT of the array whose name matches.
int match_erats(Tcl_Interp *interpreter, Tcl_Obj *result, ERAT_Struct *erats, uint32_t count, Tcl_Obj *pattern)
{
    for (uint32_t i = 0; erats && i < count; i++) {
        Tcl_Obj *name = Tcl_NewStringObj(erats[i].name, -1);
        Tcl_IncrRefCount(name);
        int match = Tcl_RegExpMatchObj(interpreter, name, pattern);
        if (match < 0) {
            Tcl_DecrRefCount(name);
            return 1;
        }
        if (match) {
            append(result, name);
            append(result, erat_contents(&erats[i]));
        }
        Tcl_DecrRefCount(name);
    }
    return 0;
}

Tcl_Obj *tlb_contents(const TLB *tlb)
{
    Tcl_Obj *groups = Tcl_NewListObj(0, nullptr);
    const int32_t per_group = tlb->assoc > 0 ? tlb->num_entries / tlb->assoc : 0;
    for (int32_t g = 0; g < tlb->assoc; g++) {
        Tcl_Obj *entries = Tcl_NewListObj(0, nullptr);
        bool any = false;
        for (int32_t i = 0; i < per_group; i++) {
            const TLB_ENTRY_t &e = tlb->entries[g * per_group + i];
            if (!e.valid) continue;
            any = true;
            Tcl_Obj *fields = Tcl_NewListObj(0, nullptr);
            append_word(fields, "valid");
            append(fields, Tcl_NewIntObj(e.valid));
            append_word(fields, "tag");
            append(fields, hex_obj(e.tag));
            append_word(fields, "lpidr");
            append(fields, Tcl_NewIntObj(e.lpidr));
            append_word(fields, "B");
            append(fields, Tcl_NewIntObj(e.seg_size));
            append_word(fields, "pte");
            append(fields, pte_list(e.pte_upper, e.pte_lower));
            append_word(fields, "access");
            append(fields, Tcl_NewWideIntObj((Tcl_WideInt)e.stamp));
            append(entries, Tcl_NewIntObj(i));
            append(entries, fields);
        }
        if (!any) {
            Tcl_DecrRefCount(entries);
            continue;
        }
        append(groups, Tcl_NewIntObj(g));
        append(groups, entries);
    }
    return groups;
}

} // namespace

void SLB_Write_ESID_Half(SLB *entry, uint64_t value)
{
    entry->esid_base = value & ~0xFFFFFFFull;
    entry->valid = (uint8_t)((value >> 27) & 1);
    entry->SLBE.value = value & ~0x7FFFFFFull;
}

void SLB_Write_VSID_Half(SLB *entry, uint64_t value)
{
    SLB_Set_VSID_Word(entry, value);
    entry->SLBV.value = entry->vsid | ((uint64_t)entry->segment_size << 62) | (value & 0xFFCull);
}

void ERAT_Entry_Format(char *out, size_t size, const ERAT_Entry *e)
{
    const AXD &a = e->axd;
    snprintf(out, size,
             "0x%016lX,%d,%d,%d,%hd,0x%016lX,0x%016lX,%d,%d,%hd,%d,%hhd,%u,%d,%ldt,%hd,%hd,%d,%u", (unsigned long)a.ea,
             a.size, a.align, a.kind, a.access_origin, (unsigned long)a.pa, (unsigned long)a.vsid, (int)a.wimg,
             (int)a.erat_class, (short)a.page_shift, a.xlate_mode, (signed char)a.perm, (unsigned)(uint16_t)a.size2,
             a.row_size, (long)e->last_use, e->page_shift, e->erat_shift, e->kind, (unsigned)e->thread);
}

int ERAT_Entry_Scan(ERAT_Entry *e, const char *text)
{
    AXD &a = e->axd;
    unsigned long ea = a.ea, pa = a.pa, vsid = a.vsid;
    int size = a.size, align = a.align, kind = a.kind, origin = a.access_origin, wimg = (int)a.wimg,
        erat_class = (int)a.erat_class, page = a.page_shift, mode = a.xlate_mode, perm = (int8_t)a.perm,
        size2 = a.size2, row_size = a.row_size, made_by = e->kind;
    long last_use = (long)e->last_use;
    short page_shift = e->page_shift, erat_shift = e->erat_shift;
    unsigned thread = e->thread;
    int n = sscanf(text, "0x%16lX,%d,%d,%d,%d,0x%16lX,0x%16lX,%d,%d,%d,%d,%d,%d,%d,%ldt,%hd,%hd,%d,%u", &ea, &size,
                   &align, &kind, &origin, &pa, &vsid, &wimg, &erat_class, &page, &mode, &perm, &size2, &row_size,
                   &last_use, &page_shift, &erat_shift, &made_by, &thread);
    if (n <= 0) return 0;
    a.ea = ea;
    a.size = (int16_t)size;
    a.align = (int16_t)align;
    a.kind = (uint16_t)kind;
    a.access_origin = (int16_t)origin;
    a.pa = pa;
    a.vsid = vsid;
    a.wimg = (uint32_t)wimg;
    a.erat_class = (uint32_t)erat_class;
    a.page_shift = (uint8_t)page;
    a.xlate_mode = mode;
    a.perm = (uint8_t)perm;
    a.size2 = (int16_t)size2;
    a.row_size = (int16_t)row_size;
    e->last_use = (uint64_t)last_use;
    e->page_shift = page_shift;
    e->erat_shift = erat_shift;
    e->kind = (uint16_t)made_by;
    e->thread = (uint16_t)thread;
    return n;
}

void TLB_Entry_Format(char *out, size_t size, const TLB_ENTRY_t *e)
{
    snprintf(out, size, "%d,0x%016lX,%d,0x%016lX,0x%016lX,%u", e->valid, (unsigned long)e->tag, e->lpidr,
             (unsigned long)e->pte_upper, (unsigned long)e->pte_lower, e->stamp);
}

int TLB_Entry_Scan(TLB_ENTRY_t *e, const char *text)
{
    int valid = e->valid, lpid = e->lpidr;
    unsigned long tag = e->tag, upper = e->pte_upper, lower = e->pte_lower;
    unsigned stamp = e->stamp;
    int n = sscanf(text, "%d,0x%16lX,%d,0x%16lX,0x%16lX,%u", &valid, &tag, &lpid, &upper, &lower, &stamp);
    if (n <= 0) return 0;
    e->valid = valid;
    e->tag = tag;
    e->lpidr = lpid;
    e->pte_upper = upper;
    e->pte_lower = lower;
    e->stamp = stamp;
    return n;
}

int DisplayTLBCmd(TLB *tlb, Tcl_Interp *interpreter, const char *word)
{
    const bool all = strcasecmp(word, "all") == 0;
    const bool valid = strcasecmp(word, "valid") == 0;
    int32_t only = -1;
    if (!all && !valid && !index_word(word, tlb ? tlb->num_entries : 0, &only)) {
        SIM_TCLPRINT(interpreter, "Error: Invalid TLB number found:%s", word);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "   #       PTE_upper          PTE_lower       lpid   \n");
    for (int32_t n = 0; tlb && n < tlb->num_entries; n++) {
        const TLB_ENTRY_t &e = tlb->entries[n];
        if (valid && !e.valid) continue;
        if (only >= 0 && n != only) continue;
        SIM_TCLPRINT(interpreter, "%4d %c 0x%016lX 0x%016lX %d\n", n, (valid || e.valid) ? 'V' : ' ',
                     (unsigned long)e.pte_upper, (unsigned long)e.pte_lower, e.lpidr);
    }
    return 0;
}

// ---- SLB ----

int PPC_DisplaySLBECmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    SLB *entry = thread ? slb_entry(thread, interpreter, argv) : nullptr;
    if (!entry) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)entry->SLBE.value);
    return 0;
}

int PPC_DisplaySLBVCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    SLB *entry = thread ? slb_entry(thread, interpreter, argv) : nullptr;
    if (!entry) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)entry->SLBV.value);
    return 0;
}

int PPC_DisplaySLBEntryCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    SLB *entry = thread ? slb_entry(thread, interpreter, argv) : nullptr;
    if (!entry) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX 0x%016lX", (unsigned long)entry->SLBE.value, (unsigned long)entry->SLBV.value);
    return 0;
}

int PPC_ExplainSLBEntryCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    SLB *e = thread ? slb_entry(thread, interpreter, argv) : nullptr;
    if (!e) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX # esid=0x%016lX, V=%d\n", (unsigned long)e->SLBE.value,
                 (unsigned long)e->esid_base, e->valid);
    SIM_TCLPRINT(interpreter, "0x%016lX # vsid=0x%016lX, Ks=%d, Kp=%d, N=%d, L=%d, class=%d, LP=%d, B=%d",
                 (unsigned long)e->SLBV.value, (unsigned long)e->vsid, e->ks, e->kp, e->n, e->l, e->c, e->lp,
                 e->segment_size);
    return 0;
}

int PPC_SetSLBECmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return set_slb_half(selector, interpreter, argv, true);
}

int PPC_SetSLBVCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return set_slb_half(selector, interpreter, argv, false);
}

int PPC_SetSLBEntryCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    SLB *entry = thread ? slb_entry(thread, interpreter, argv) : nullptr;
    if (!entry) return 1;
    int ok = 0;
    uint64_t esid = STRING2INT_rc(argv[2], &ok);
    uint64_t vsid = STRING2INT_rc(argv[3], &ok);
    SLBE_Init(entry, thread);
    SLB_Write_ESID_Half(entry, esid);
    SLB_Write_VSID_Half(entry, vsid);
    return 0;
}

// ---- ERAT ----

int PPC_DisplayDERATCCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return display_rowc(s, i, argv, false);
}
int PPC_DisplayIERATCCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return display_rowc(s, i, argv, true);
}
int PPC_SetDERATCCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return set_rowc(s, i, argv, false);
}
int PPC_SetIERATCCmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return set_rowc(s, i, argv, true);
}
int PPC_DisplayDERATECmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return display_erate(s, i, argv, false);
}
int PPC_DisplayIERATECmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return display_erate(s, i, argv, true);
}
int PPC_SetDERATECmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return set_erate(s, i, argv, false);
}
int PPC_SetIERATECmd(Selector *s, Tcl_Interp *i, int, char **argv)
{
    return set_erate(s, i, argv, true);
}

int ERAT_DisplayMatchingCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ProcessorState *core = select_processor(selector);
    if (!core) return 1;
    Tcl_Obj *pattern = Tcl_NewStringObj(argv[1], -1);
    Tcl_IncrRefCount(pattern);
    Tcl_Obj *result = Tcl_NewListObj(0, nullptr);
    Tcl_IncrRefCount(result);
    int failed = match_erats(interpreter, result, core->ierats, core->ierat_count, pattern) ||
                 match_erats(interpreter, result, core->derats, core->derat_count, pattern);
    if (!failed) Tcl_SetObjResult(interpreter, result);
    Tcl_DecrRefCount(result);
    Tcl_DecrRefCount(pattern);
    return failed ? 1 : 0;
}

// ---- TLB ----

int PPC_DisplayTLBCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return DisplayTLBCmd(selected_tlb(selector), interpreter, argv[1]);
}

int PPC_DisplayTLBVCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    TLB_ENTRY_t *e = tlb_entry(selector, interpreter, argv);
    if (!e) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)e->pte_upper);
    return 0;
}

int PPC_DisplayTLBRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    TLB_ENTRY_t *e = tlb_entry(selector, interpreter, argv);
    if (!e) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)e->pte_lower);
    return 0;
}

int PPC_DisplayTLBEntryCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    TLB_ENTRY_t *e = tlb_entry(selector, interpreter, argv);
    if (!e) return 1;
    char text[128];
    TLB_Entry_Format(text, sizeof text, e);
    SIM_TCLPRINT(interpreter, "%s", text);
    return 0;
}

int PPC_DisplayTLBInfoCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    TLB *tlb = selected_tlb(selector);
    if (!tlb) return 1;
    SIM_TCLPRINT(interpreter, "0x%08X,%d", tlb->lru_counter, tlb->rr_way);
    return 0;
}

int PPC_SetTLBEntryCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    TLB_ENTRY_t *e = tlb_entry(selector, interpreter, argv);
    if (!e) return 1;
    TLB_Entry_Scan(e, argv[2]);
    return 0;
}

int PPC_SetTLBInfoCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    TLB *tlb = selected_tlb(selector);
    if (!tlb) return 1;
    unsigned counter = tlb->lru_counter;
    int way = tlb->rr_way;
    int n = sscanf(argv[1], "0x%08X,%d", &counter, &way);
    if (n >= 1) tlb->lru_counter = counter;
    // The rotating way must stay a way of the class.
    if (n >= 2 && way >= 0 && way < tlb->assoc) tlb->rr_way = way;
    return 0;
}

int PPC_SetTLBVCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return set_tlb_half(selector, interpreter, argv, true);
}

int PPC_SetTLBRCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return set_tlb_half(selector, interpreter, argv, false);
}

int TLB_DisplayMatchingCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Tcl_Obj *pattern = Tcl_NewStringObj(argv[1], -1);
    Tcl_IncrRefCount(pattern);
    Tcl_Obj *result = Tcl_NewListObj(0, nullptr);
    Tcl_IncrRefCount(result);
    int failed = 0;
    for (int32_t i = 0; !failed; i++) {
        ProcessorState *core = GenericMachine__Processor(machine, i);
        if (!core) break;
        if (!core->tlb || !core->tlb->name) continue;
        Tcl_Obj *name = Tcl_NewStringObj(core->tlb->name, -1);
        Tcl_IncrRefCount(name);
        int match = Tcl_RegExpMatchObj(interpreter, name, pattern);
        if (match < 0) failed = 1;
        if (match > 0) {
            append(result, name);
            append(result, tlb_contents(core->tlb));
        }
        Tcl_DecrRefCount(name);
    }
    if (!failed) Tcl_SetObjResult(interpreter, result);
    Tcl_DecrRefCount(result);
    Tcl_DecrRefCount(pattern);
    return failed;
}

SimCmdTable *build_ERAT_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ERAT");
    add_simcommand(table, "display", ERAT_DisplayMatchingCmd, "ERAT_DisplayMatchingCmd", 1, 0, "{pattern}");
    return table;
}

SimCmdTable *build_TLB_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("TLB");
    add_simcommand(table, "display", TLB_DisplayMatchingCmd, "TLB_DisplayMatchingCmd", 1, 0, "{pattern}");
    return table;
}
