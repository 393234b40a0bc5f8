// The alignment and storage-attribute rules of translated accesses.
#include "mmu/alignment.h"

#include "decode/instr_info.h"
#include "decode/storage_rows.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/address_translate.h"
#include "mmu/storage_interrupts.h"
#include "processor/config/processor_options.h"
#include "processor/config/vrill_refine.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/message.h"

namespace
{

// Subtypes these rules raise.
enum : int32_t {
    EST_ALIGN_FP_NOT_WORD_ALIGNED = 4,
    EST_ALIGN_FP_GHARM_LOAD_CROSSES_32 = 10,
    EST_ALIGN_FP_GHARM_STORE_CROSSES_PAGE = 11,
    EST_ALIGN_FLOAT_LOAD_CROSSES_32 = 8,
    EST_ALIGN_LE_CROSSES_32 = 27,
    EST_ALIGN_VSX_NOT_WORD_ALIGNED = 45,
    EST_ALIGN_VSX_CI_SCALAR_NOT_WORD = 50,
    EST_ALIGN_VSX_CI_SCALAR_NOT_NATURAL = 51,
    EST_ALIGN_VSX_LE_CROSSES_32 = 56,
    EST_ALIGN_VSX_LE_NOT_DOUBLEWORD = 58,
    EST_ALIGN_VSX_CI_VECTOR_NOT_16 = 59,
    EST_ALIGN_VSX_CI_VECTOR_NOT_WORD = 60,
    EST_ALIGN_CI_DCBZ_OLD = 70,
    EST_ALIGN_ICSWX_NOT_128 = 78,
    EST_ALIGN_NOT_NATURAL = 80,
    EST_ALIGN_CI_RESERVATION_V2 = 81,
    EST_ALIGN_CI_RESERVATION_OLD = 82,
    EST_ALIGN_LITTLE_ENDIAN_MULTIPLE = 86,
    EST_ALIGN_CI_NOT_NATURAL_GEN8 = 87,
    EST_ALIGN_FP_PAIR_NOT_16 = 90,
    EST_ALIGN_FP_PAIR_CI = 91,
    EST_ALIGN_FP_LOAD_CROSSES_32 = 102,
    EST_ALIGN_CI_RESERVATION_MULTIPLE_FLOAT = 121,
    EST_ALIGN_CI_LOAD_ALGEBRAIC = 122,
    EST_ALIGN_CI_FP_DOUBLE = 133,
    EST_ALIGN_CI_STORE_NOT_NATURAL = 134,
    EST_ALIGN_CI_MULTIPLE_C1 = 135,
    EST_ALIGN_FP_STORE_CROSSES_PAGE = 184,
    EST_ALIGN_SPECIAL = 198,
    EST_DSI_CI_STQ = 236,
    EST_DSI_CI_ICSWX = 237,
    EST_DSI_CI_LQ_STQ_OLD = 242,
    EST_ALIGN_LE_ALGEBRAIC = 261,
    EST_ALIGN_LE_STRING = 262,
    EST_ALIGN_LE_STRING_COUNT = 263,
    EST_ALIGN_LE_MULTIPLE = 264,
    EST_ALIGN_CI_LOAD_NOT_NATURAL = 265,
    EST_ALIGN_CI_VMX_STORE_NOT_NATURAL = 266,
    EST_ALIGN_CI_MULTIPLE_C0 = 267,
    EST_ALIGN_PBT_NOT_128 = 282,
    EST_DSI_CI_PBT = 283,
    EST_DSI_WRITE_THRU_PBT = 284,
    EST_DSI_WRITE_THRU_ICSWX = 287,
};

constexpr uint64_t II_LOAD_OR_STORE = II_LOAD | II_STORE;
// The classes the generation-8 rules look at beyond the plain cache-enabled access.
constexpr uint64_t GEN8_SPECIAL = II_QUAD | II_FP_PAIR | II_RESERVE | II_VSX | II_MULTIPLE | II_STRING | II_ICSWX;
constexpr int32_t TM_NOT_ALLOWED = 0x1800000; // persistent failure, instruction not allowed
constexpr uint32_t XER_READ_MASK = 0x808FFFFF;

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

uint64_t class_flags(const IOPDesc *iop)
{
    return iop->row ? iop->row->class_flags : 0;
}

bool has(uint64_t flags, uint64_t bits)
{
    return (flags & bits) != 0;
}

bool first_piece(const AXD *axd)
{
    return axd->ea == axd->ea2;
}

bool inhibited(const AXD *axd)
{
    return (axd->wimg & AXD_WIMG_I) != 0;
}

bool write_through(const AXD *axd)
{
    return (axd->wimg & AXD_WIMG_W) != 0;
}

bool crosses(uint64_t ea, int64_t length, uint64_t block)
{
    if (length <= 1) return false;
    return (ea / block) != ((ea + (uint64_t)(length - 1)) / block);
}

bool same_page(uint64_t a, uint64_t b, uint32_t shift)
{
    return shift >= 64 || (a >> shift) == (b >> shift);
}

// The access size the rules demand: size2 when set (0 counting as 1), else the row's size; an
// access without either demands nothing.
uint64_t demanded_size(const IOPDesc *iop, const AXD *axd)
{
    if (axd->size2 != -1) return axd->size2 == 0 ? 1 : (uint64_t)axd->size2;
    if (iop->row && iop->row->access_size > 0) return iop->row->access_size;
    return 1;
}

uint64_t row_size_mask(const AXD *axd)
{
    return axd->row_size > 0 ? (uint64_t)(axd->row_size - 1) : 0;
}

void alignment(IOPDesc *iop, AXD *axd, uint64_t address, int32_t subtype)
{
    interrupt_AlignmentException(iop, address, 0, axd->kind, subtype);
}

void alignment_kind(IOPDesc *iop, uint64_t address, uint32_t kind, int32_t subtype)
{
    interrupt_AlignmentException(iop, address, 0, kind, subtype);
}

void dsi(IOPDesc *iop, uint64_t address, uint32_t kind, int32_t subtype)
{
    interrupt_DataStorageAccess(iop, address, kind, subtype);
}

// The second page of a page-crossing VSX access names the fault address.
void page_crossing_adjust(AXD *axd)
{
    if (same_page(axd->ea, axd->ea2, axd->page_shift)) return;
    axd->orig_ea += 16;
    axd->crosses = 1;
}

uint32_t load_or_store_kind(uint64_t flags)
{
    return has(flags, II_LOAD) ? AXD_KIND_LOAD : AXD_KIND_STORE;
}

// The VSX rules on cache-inhibited storage; TM-guarded. Returns -1 when a transaction ended the
// check, else the count of interrupts raised.
int vsx_inhibited_rules(IOPDesc *iop, AXD *axd, uint64_t flags)
{
    if (!has(flags, II_VSX) || !inhibited(axd)) return 0;
    if (has(flags, II_VSX_VECTOR)) {
        if (axd->ea2 % 16) {
            if (TerminatePendingTransaction(iop)) return -1;
            page_crossing_adjust(axd);
            alignment(iop, axd, axd->ea, EST_ALIGN_VSX_CI_VECTOR_NOT_16);
            return 1;
        }
        if (axd->ea % 4) {
            if (TerminatePendingTransaction(iop)) return -1;
            alignment(iop, axd, axd->ea, EST_ALIGN_VSX_CI_VECTOR_NOT_WORD);
            return 1;
        }
        return 0;
    }
    uint64_t mask = axd->size > 0 ? (uint64_t)(axd->size - 1) : 0;
    if (axd->ea2 & mask) {
        if (TerminatePendingTransaction(iop)) return -1;
        page_crossing_adjust(axd);
        alignment(iop, axd, axd->ea, EST_ALIGN_VSX_CI_SCALAR_NOT_NATURAL);
        return 1;
    }
    if (axd->ea & mask) {
        if (TerminatePendingTransaction(iop)) return -1;
        page_crossing_adjust(axd);
        alignment(iop, axd, axd->ea, EST_ALIGN_VSX_CI_SCALAR_NOT_WORD);
        return 1;
    }
    return 0;
}

} // namespace

int PPC_MMU_CheckAlignment(IOPDesc *iop, AXD *axd)
{
    return PPC_MMU_CheckGlentAlignment(iop, axd);
}

int PPC_MMU_CheckGlentAlignment(IOPDesc *iop, AXD *axd)
{
    if (standalone_mode || axd->kind == AXD_KIND_FETCH) return 1;
    uint64_t flags = class_flags(iop);
    if (has(flags, II_CACHE)) return 1;
    bool ci = inhibited(axd);
    bool pbt = iop->row && (iop->row->id == ROW_PBT || iop->row->id == ROW_PBT_DOT);
    // The common case: cache-enabled storage and none of the special classes.
    if (!ci && !has(flags, GEN8_SPECIAL) && !pbt) return 1;

    uint64_t e = demanded_size(iop, axd) - 1;
    bool first = first_piece(axd);
    int result = 1;
    if (has(flags, II_QUAD) && ci) {
        if (TerminatePendingTransaction(iop)) return 1;
        dsi(iop, axd->orig_ea, load_or_store_kind(flags), EST_DSI_CI_STQ);
        result = 0;
    }
    if (!has(flags, II_VMX | II_VSX) && has(flags, II_LOAD_OR_STORE) && first && ci && (axd->ea & e)) {
        if (TerminatePendingTransaction(iop)) return 1;
        alignment(iop, axd, axd->orig_ea, EST_ALIGN_CI_NOT_NATURAL_GEN8);
        result = 0;
    }
    if (has(flags, II_FP_PAIR | II_RESERVE) && has(flags, II_LOAD_OR_STORE) && first && ci) {
        if (TerminatePendingTransaction(iop)) return 1;
        alignment(iop, axd, axd->orig_ea, EST_ALIGN_CI_NOT_NATURAL_GEN8);
        result = 0;
    }
    int vsx = vsx_inhibited_rules(iop, axd, flags);
    if (vsx < 0) return 1;
    if (vsx > 0) result = 0;
    if (has(flags, II_MULTIPLE) && first && (axd->ea & row_size_mask(axd))) {
        alignment(iop, axd, axd->ea, EST_ALIGN_NOT_NATURAL);
        result = 0;
    }
    if (has(flags, II_QUAD) && first && (axd->ea & e)) {
        alignment(iop, axd, axd->ea, EST_ALIGN_NOT_NATURAL);
        result = 0;
    }
    if (has(flags, II_STRING | II_MULTIPLE) && first && IOP_Access_Is_Little_Endian(iop, axd->kind)) {
        alignment(iop, axd, axd->ea, EST_ALIGN_LITTLE_ENDIAN_MULTIPLE);
        result = 0;
    }
    if (has(flags, II_FP_PAIR) && first && crosses(axd->ea, axd->size, 16)) {
        alignment_kind(iop, axd->orig_ea, AXD_KIND_STORE, EST_ALIGN_FP_PAIR_NOT_16);
        result = 0;
    }
    if (has(flags, II_RESERVE) && first && (axd->ea & e)) {
        alignment(iop, axd, axd->ea, EST_ALIGN_NOT_NATURAL);
        result = 0;
    }
    if (has(flags, II_ICSWX)) {
        if (ci) {
            dsi(iop, axd->orig_ea, AXD_KIND_STORE, EST_DSI_CI_ICSWX);
            return 0;
        }
        if (write_through(axd)) {
            dsi(iop, axd->orig_ea, AXD_KIND_STORE, EST_DSI_WRITE_THRU_ICSWX);
            return 0;
        }
        if (axd->ea & 0x7F) {
            alignment_kind(iop, axd->orig_ea, AXD_KIND_STORE, EST_ALIGN_ICSWX_NOT_128);
            result = 0;
        }
    }
    if (pbt) {
        if (ci) {
            if (TerminatePendingTransaction(iop)) return 1;
            dsi(iop, axd->orig_ea, AXD_KIND_LOAD, EST_DSI_CI_PBT);
            result = 0;
        }
        if (write_through(axd)) {
            dsi(iop, axd->orig_ea, AXD_KIND_LOAD, EST_DSI_WRITE_THRU_PBT);
            result = 0;
        }
        if (axd->ea & 0x7F) {
            alignment_kind(iop, axd->orig_ea, AXD_KIND_LOAD, EST_ALIGN_PBT_NOT_128);
            return 0;
        }
    }
    return result;
}

int CheckInhibitedFaults(IOPDesc *iop, AXD *axd, uint32_t wimg, int mode)
{
    if (!(wimg & AXD_WIMG_I) || axd->kind == AXD_KIND_FETCH || (mode & XLATE_NOSIDEEFFECT)) return 0;
    uint64_t flags = class_flags(iop);
    uint64_t ea = axd->ea;
    bool raised = false;
    bool load = axd->kind == AXD_KIND_LOAD || (mode & XLATE_PTE_CHANGED);
    if (option(iop, PO_UNCACHED_FLOAT_DOUBLE_MUST_BE_ALIGNED) && has(flags, II_FP) && axd->size == 8 && (ea % 8)) {
        alignment(iop, axd, ea, EST_ALIGN_CI_FP_DOUBLE);
        raised = true;
    }
    if (has(flags, II_RESERVE) && option(iop, PO_CACHE_INHIBITED_LSWD_ARX)) {
        if (option(iop, PO_CACHE_INHIBITED_LSWD_ARX_CAUSE_DSI))
            dsi(iop, ea, axd->kind, EST_DSI_CI_RESERVATION);
        else
            alignment(iop, axd, ea, EST_ALIGN_CI_RESERVATION_OLD);
        raised = true;
    }
    if (option(iop, PO_POWERPC_V2)) {
        if (has(flags, II_STRING | II_MULTIPLE)) {
            if (TerminatePendingTransaction(iop)) return 1;
            alignment(iop, axd, ea, load ? EST_ALIGN_CI_MULTIPLE_C0 : EST_ALIGN_CI_MULTIPLE_C1);
            raised = true;
        }
        if (has(flags, II_RESERVE)) {
            if (TerminatePendingTransaction(iop)) return 1;
            alignment(iop, axd, ea, EST_ALIGN_CI_RESERVATION_V2);
            raised = true;
        }
    }
    if (option(iop, PO_LOAD_ALGEBRAIC_MUST_BE_CACHE_ENABLED) && (flags & (II_ALGEBRAIC | II_LOAD)) == (II_ALGEBRAIC | II_LOAD)) {
        alignment_kind(iop, ea, AXD_KIND_LOAD, EST_ALIGN_CI_LOAD_ALGEBRAIC);
        raised = true;
    }
    if (option(iop, PO_INHIBITED_MEMORY_MUST_BE_ALIGNED)) {
        int64_t n = axd->align >= 0 ? axd->align : axd->size;
        if (n > 0 && (ea & (uint64_t)(n - 1)) && first_piece(axd)) {
            int32_t subtype = load ? EST_ALIGN_CI_LOAD_NOT_NATURAL
                                   : (has(flags, II_VMX) ? EST_ALIGN_CI_VMX_STORE_NOT_NATURAL
                                                         : EST_ALIGN_CI_STORE_NOT_NATURAL);
            alignment(iop, axd, ea, subtype);
            return 1;
        }
    }
    return raised ? 1 : 0;
}

int Partial_Load_Translation(IOPDesc *iop, AXD *axd, uint64_t address, int64_t size, int raise)
{
    int r;
    if (raise) {
        r = PPC_MMU_AddressTranslate(XLATE_PARTIAL, iop, axd);
    } else {
        r = PPC_MMU_AddressTranslate(XLATE_PARTIAL | XLATE_NOEXCEPTION | XLATE_NOSIDEEFFECT, iop, axd);
        if (iop->exceptions) sim_warning(3, "ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION");
        Discard_Instruction_Bound_Exceptions(iop, 1);
    }
    if (r != XLATE_OK && r != XLATE_CROSSES_PAGE) return 1;
    if (option(iop, PO_INHIBITED_MEMORY_MUST_BE_ALIGNED) && inhibited(axd) && size > 0 &&
        (address & (uint64_t)(size - 1))) {
        uint64_t msr = iGET_MSR(iop);
        if ((msr & MSR_TS) == MSR_TS_TRANSACTIONAL)
            htm_record_failure(iop->thread, TM_NOT_ALLOWED, IOP_Current_Address(iop), 1, 0, msr);
        else if (raise)
            alignment(iop, axd, iop->data.ea, EST_ALIGN_CI_NOT_NATURAL);
        return 1;
    }
    return r;
}

int Check_Special_Alignment(IOPDesc *iop, AXD *axd)
{
    if (axd->align > 0 && (axd->ea & (uint64_t)(axd->align - 1))) {
        alignment(iop, axd, axd->ea, EST_ALIGN_SPECIAL);
        return 0;
    }
    return 1;
}

// ---- the older rule sets ----

int PPC_MMU_CheckDravoAlignment(IOPDesc *iop, AXD *axd, int)
{
    if (standalone_mode || axd->kind == AXD_KIND_FETCH) return 1;
    uint64_t flags = class_flags(iop);
    uint64_t e = demanded_size(iop, axd) - 1;
    bool first = first_piece(axd);
    bool ci = inhibited(axd);
    uint64_t ea = axd->ea;
    if (has(flags, II_QUAD) && ci) {
        dsi(iop, axd->orig_ea, load_or_store_kind(flags), EST_DSI_CI_LQ_STQ_OLD);
        return 0;
    }
    if (has(flags, II_RESERVE | II_MULTIPLE) && first && (ea & row_size_mask(axd))) {
        alignment(iop, axd, ea, EST_ALIGN_NOT_NATURAL);
        return 0;
    }
    if (has(flags, II_QUAD) && first && (ea & e)) {
        alignment(iop, axd, ea, EST_ALIGN_NOT_NATURAL);
        return 0;
    }
    if (has(flags, II_QUAD | II_STRING | II_MULTIPLE) && first && IOP_Access_Is_Little_Endian(iop, axd->kind)) {
        alignment(iop, axd, ea, EST_ALIGN_LITTLE_ENDIAN_MULTIPLE);
        return 0;
    }
    if (has(flags, II_FP_PAIR) && first) {
        if (ci) {
            alignment(iop, axd, axd->orig_ea, EST_ALIGN_FP_PAIR_CI);
            return 0;
        }
        if (crosses(ea, axd->size, 16)) {
            alignment(iop, axd, axd->orig_ea, EST_ALIGN_FP_PAIR_NOT_16);
            return 0;
        }
    }
    if (has(flags, II_FP) && has(flags, II_LOAD) && axd->size == 4 && crosses(ea, 4, 32)) {
        alignment(iop, axd, ea, EST_ALIGN_FP_LOAD_CROSSES_32);
        return 0;
    }
    if (has(flags, II_FP) && has(flags, II_STORE) && crosses(ea, axd->size, 4096) &&
        (axd->size == 4 || (axd->size == 8 && (ea % 4)))) {
        alignment(iop, axd, ea, EST_ALIGN_FP_STORE_CROSSES_PAGE);
        return 0;
    }
    if (has(flags, II_DCBZ) && ci) {
        alignment(iop, axd, axd->orig_ea, EST_ALIGN_CI_DCBZ_OLD);
        return 0;
    }
    if (has(flags, II_CACHE)) return 1;
    int vsx = vsx_inhibited_rules(iop, axd, flags);
    if (vsx != 0) return vsx < 0 ? 1 : 0;
    if (has(flags, II_VSX) && first) {
        if (ea % 4) {
            alignment(iop, axd, axd->orig_ea, EST_ALIGN_VSX_NOT_WORD_ALIGNED);
            return 0;
        }
        if (has(flags, II_VSX_VECTOR) && IOP_Access_Is_Little_Endian(iop, axd->kind)) {
            if (ea % 8) {
                alignment(iop, axd, axd->orig_ea, EST_ALIGN_VSX_LE_NOT_DOUBLEWORD);
                return 0;
            }
            int64_t length = iop->row ? iop->row->access_size : axd->size;
            if (crosses(ea, length, 32)) {
                alignment(iop, axd, axd->orig_ea, EST_ALIGN_VSX_LE_CROSSES_32);
                return 0;
            }
        }
    }
    if (has(flags, II_ICSWX)) {
        if (ci) {
            dsi(iop, axd->orig_ea, AXD_KIND_STORE, EST_DSI_CI_ICSWX);
            return 0;
        }
        if (ea & 0x7F) {
            alignment(iop, axd, axd->orig_ea, EST_ALIGN_ICSWX_NOT_128);
            return 0;
        }
    }
    if (first && IOP_Access_Is_Little_Endian(iop, axd->kind) && crosses(ea, axd->size, 32) &&
        Vrill_LE_Align_DD2_1_Refine(iop, axd)) {
        alignment(iop, axd, axd->orig_ea, EST_ALIGN_LE_CROSSES_32);
        return 0;
    }
    if (!has(flags, II_VMX | II_VSX) && ci && (ea & e)) {
        alignment(iop, axd, axd->orig_ea, EST_ALIGN_CI_NOT_NATURAL_GEN8);
        return 0;
    }
    return 1;
}

namespace
{

// One row of the server integer rules: the rows it names, the condition, the subtype.
struct ServerRule {
    uint16_t rows[6];
    int32_t subtype;
};

bool row_in(uint16_t id, const uint16_t (&rows)[6])
{
    for (uint16_t row : rows)
        if (row && row == id) return true;
    return false;
}

// Applies every rule whose rows hold the instruction; returns the count raised.
template <size_t N> int apply(IOPDesc *iop, AXD *axd, const ServerRule (&rules)[N], bool condition)
{
    if (!condition || !iop->row) return 0;
    int raised = 0;
    for (const ServerRule &rule : rules) {
        if (row_in(iop->row->id, rule.rows)) {
            alignment(iop, axd, axd->ea, rule.subtype);
            raised++;
        }
    }
    return raised;
}

constexpr RowSet STRING_LOADS{ROW_LSDI, ROW_LSDX, ROW_LSWI, ROW_LSWX};
constexpr RowSet STRING_STORES{ROW_STSDI, ROW_STSDX, ROW_STSWI, ROW_STSWX};

// The little-endian and cache-inhibited rules share the string rows.
int string_rule(IOPDesc *iop, AXD *axd, const RowSet &rows, bool condition, int32_t subtype)
{
    if (!condition || !rows.contains(iop->row)) return 0;
    alignment(iop, axd, axd->ea, subtype);
    return 1;
}

int quad_attributes(IOPDesc *iop, AXD *axd, uint16_t row, uint32_t kind)
{
    if (!option(iop, PO_LQ_STQ_BAD_ATTRIBUTES_CAUSES_DSI) || !iop->row || iop->row->id != row) return 0;
    int raised = 0;
    if (write_through(axd)) {
        dsi(iop, axd->orig_ea, kind, 235);
        raised++;
    }
    if (inhibited(axd)) {
        dsi(iop, axd->orig_ea, kind, EST_DSI_CI_STQ);
        raised++;
    }
    return raised;
}

} // namespace

int Check_Integer_Load_Alignment(IOPDesc *iop, AXD *axd)
{
    if (!option(iop, PO_SERVER_ALIGNMENT_INTERRUPTS) || !iop->row) return 1;
    uint64_t span = axd->ea ^ (axd->ea + (uint64_t)(axd->size - 1));
    bool le = IOP_Access_Is_Little_Endian(iop, axd->kind) != 0;
    bool ci = inhibited(axd);
    int raised = 0;
    static const ServerRule multiple_word[] = {{{ROW_LMW}, 118}};
    static const ServerRule multiple_double[] = {{{ROW_LMD}, 115}};
    static const ServerRule quad[] = {{{ROW_LQ}, 138}};
    static const ServerRule little[] = {{{ROW_LMD}, 116}, {{ROW_LMW, ROW_LQ}, 120}};
    static const ServerRule inhibited_rows[] = {{{ROW_LMD}, 117}, {{ROW_LMW}, 119}};
    static const ServerRule half[] = {{{ROW_LHA, ROW_LHAU, ROW_LHZ, ROW_LHZU}, 105},
                                      {{ROW_LHAUX, ROW_LHAX, ROW_LHBRX, ROW_LHZCIX, ROW_LHZUX, ROW_LHZX}, 106}};
    static const ServerRule word[] = {{{ROW_LWA}, 148},
                                      {{ROW_LWAUX, ROW_LWAX, ROW_LWBRX, ROW_LWZCIX, ROW_LWZUX, ROW_LWZX}, 149},
                                      {{ROW_LWZ, ROW_LWZU}, 150}};
    static const ServerRule dword[] = {{{ROW_LD, ROW_LDU}, 85}, {{ROW_LDBRX, ROW_LDCIX, ROW_LDUX, ROW_LDX}, 84}};
    raised += apply(iop, axd, multiple_word, (span & ~3ull) != 0);
    raised += apply(iop, axd, multiple_double, span > 7);
    raised += apply(iop, axd, quad, span > 15);
    raised += apply(iop, axd, little, le);
    raised += string_rule(iop, axd, STRING_LOADS, le, 129);
    raised += string_rule(iop, axd, STRING_LOADS, le && crosses(axd->ea, axd->size, 32), 126);
    raised += apply(iop, axd, inhibited_rows, ci);
    raised += string_rule(iop, axd, STRING_LOADS, ci, 130);
    raised += apply(iop, axd, half, ci && (span & ~1ull));
    raised += apply(iop, axd, word, ci && span > 3);
    raised += apply(iop, axd, dword, ci && span > 7);
    raised += quad_attributes(iop, axd, ROW_LQ, AXD_KIND_LOAD);
    return raised ? 0 : 1;
}

int Check_Integer_Store_Alignment(IOPDesc *iop, AXD *axd)
{
    if (!option(iop, PO_SERVER_ALIGNMENT_INTERRUPTS) || !iop->row) return 1;
    int raised = Check_Special_Alignment(iop, axd) ? 0 : 1;
    uint64_t span = axd->ea ^ (axd->ea + (uint64_t)(axd->size - 1));
    bool le = IOP_Access_Is_Little_Endian(iop, axd->kind) != 0;
    bool ci = inhibited(axd);
    static const ServerRule word_span[] = {{{ROW_STMW}, 190}, {{ROW_STWCX_DOT}, 211}};
    static const ServerRule dword_span[] = {{{ROW_STDCX_DOT}, 165}, {{ROW_STMD}, 189}};
    static const ServerRule quad[] = {{{ROW_STQ}, 200}};
    static const ServerRule little[] = {{{ROW_STMD, ROW_STQ}, 201}, {{ROW_STMW}, 191}};
    static const ServerRule inhibited_rows[] = {{{ROW_STMD}, 3}, {{ROW_STMW}, 192}};
    static const ServerRule half[] = {{{ROW_STH, ROW_STHU}, 187}, {{ROW_STHBRX, ROW_STHCIX, ROW_STHUX, ROW_STHX}, 188}};
    static const ServerRule word[] = {{{ROW_STW, ROW_STWU}, 210}, {{ROW_STWBRX, ROW_STWCIX, ROW_STWUX, ROW_STWX}, 212}};
    static const ServerRule dword[] = {{{ROW_STD, ROW_STDU}, 164}, {{ROW_STDBRX, ROW_STDCIX, ROW_STDUX, ROW_STDX}, 163}};
    raised += apply(iop, axd, word_span, (span & ~3ull) != 0);
    raised += apply(iop, axd, dword_span, span > 7);
    raised += apply(iop, axd, quad, span > 15);
    raised += apply(iop, axd, little, le);
    raised += string_rule(iop, axd, STRING_STORES, le, 205);
    raised += string_rule(iop, axd, STRING_STORES, le && crosses(axd->ea, axd->size, 32), 195);
    raised += apply(iop, axd, inhibited_rows, ci);
    raised += string_rule(iop, axd, STRING_STORES, ci, 204);
    raised += apply(iop, axd, half, ci && (span & ~1ull));
    raised += apply(iop, axd, word, ci && span > 3);
    raised += apply(iop, axd, dword, ci && span > 7);
    raised += quad_attributes(iop, axd, ROW_STQ, AXD_KIND_STORE);
    return raised ? 0 : 1;
}

int CheckLittleEndianAlignment(IOPDesc *iop, AXD *axd)
{
    if (axd->kind == AXD_KIND_FETCH || !iop->row) return 1;
    uint64_t flags = iop->row->class_flags;
    int raised = 0;
    if (has(flags, II_ALGEBRAIC)) {
        alignment(iop, axd, axd->ea, EST_ALIGN_LE_ALGEBRAIC);
        raised++;
    }
    if (has(flags, II_STRING)) {
        if (iop->word & 0x80) {
            alignment(iop, axd, axd->ea, EST_ALIGN_LE_STRING);
            raised++;
        }
        XER_Mark_Read(iop, XER_READ_MASK);
        if (IOP_XER_Value(iop) & 0x7F) {
            alignment(iop, axd, axd->ea, EST_ALIGN_LE_STRING_COUNT);
            raised++;
        }
    }
    if (has(flags, II_MULTIPLE)) {
        alignment(iop, axd, axd->ea, EST_ALIGN_LE_MULTIPLE);
        raised++;
    }
    if (has(flags, II_LOAD_OR_STORE) && crosses(axd->ea, axd->size, 32)) {
        alignment(iop, axd, axd->ea, EST_ALIGN_LE_CROSSES_32);
        raised++;
    }
    return raised ? 0 : 1;
}

int Check_FloatingPoint_Load_Early_Alignment(IOPDesc *iop, AXD *axd)
{
    if (option(iop, PO_ALIGNMENT_INTERRUPT_FOR_FLOAT_LOAD_CROSSING_32_BYTE_BOUNDARY) && axd->size == 4 &&
        axd->kind == AXD_KIND_LOAD && crosses(axd->ea, 4, 32)) {
        alignment_kind(iop, iop->data.ea, AXD_KIND_LOAD, EST_ALIGN_FLOAT_LOAD_CROSSES_32);
        return 0;
    }
    return 1;
}

int CheckAlignedReservationMultipleFloat(IOPDesc *iop, AXD *axd, int)
{
    if (axd->kind == AXD_KIND_FETCH || !iop->row) return 1;
    uint64_t flags = iop->row->class_flags;
    uint64_t ea = axd->ea;
    int raised = 0;
    if (has(flags, II_RESERVE | II_MULTIPLE)) {
        int64_t n = axd->align >= 0 ? axd->align : axd->size;
        if (n > 0 && (ea & (uint64_t)(n - 1))) {
            alignment(iop, axd, ea, EST_ALIGN_CI_RESERVATION_MULTIPLE_FLOAT);
            raised++;
        }
    }
    if (has(flags, II_FP) && has(flags, II_LOAD)) {
        if (option(iop, PO_FP_WORD_GHARM_ALIGNED) && axd->size == 4 && crosses(ea, 4, 32)) {
            alignment(iop, axd, ea, EST_ALIGN_FP_GHARM_LOAD_CROSSES_32);
            raised++;
        }
        if (!option(iop, PO_FP_WORD_UNALIGNED) && !axd->crosses && (ea % 4)) {
            alignment(iop, axd, ea, EST_ALIGN_FP_NOT_WORD_ALIGNED);
            raised++;
        }
    } else if (has(flags, II_FP) && has(flags, II_STORE)) {
        if (option(iop, PO_FP_WORD_GHARM_ALIGNED) && (ea % 4) && crosses(ea, axd->size, 4096)) {
            alignment(iop, axd, ea, EST_ALIGN_FP_GHARM_STORE_CROSSES_PAGE);
            raised++;
        }
        if (!option(iop, PO_FP_WORD_UNALIGNED) && !axd->crosses && (ea % 4)) {
            alignment(iop, axd, ea, EST_ALIGN_FP_NOT_WORD_ALIGNED);
            raised++;
        }
    }
    return raised ? 0 : 1;
}
