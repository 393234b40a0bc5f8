// The data address watchpoint and the effective-address overflow check.
#include "mmu/dawr_eao.h"

#include "decode/storage_rows.h"
#include "interrupts/exception_names.h"
#include "interrupts/exception_types.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/storage_interrupts.h"
#include "mmu/xlate_debug.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"

namespace
{

// DAWRX0 fields.
constexpr uint64_t DAWRX_MRD = 0xFC00;
constexpr uint64_t DAWRX_MRD_QUADWORD = 0xF800;
constexpr uint64_t DAWRX_HRAMMC = 0x80;
constexpr uint64_t DAWRX_DW = 0x40;
constexpr uint64_t DAWRX_DR = 0x20;
constexpr uint64_t DAWRX_WT = 0x10;
constexpr uint64_t DAWRX_WTI = 0x8;
constexpr uint64_t DAWRX_HYP = 0x4;
constexpr uint64_t DAWRX_PNH = 0x2;
constexpr uint64_t DAWRX_PRO = 0x1;

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_VPM1 = 0x4000000000000000ull;

constexpr uint64_t QUADWORD_GRANULE_ROWS = 0x20000000000ull; // class flag
constexpr uint64_t WATCH_BLOCK = 0x1FF;                      // the watched range stays in 512 bytes
constexpr uint64_t REAL_MODE_MASK = 0x8003FFFFFFFFFFFFull;
constexpr uint64_t REAL_MODE_MASK_HRAMMC = 0x0003FFFFFFFFFFFFull;

constexpr uint32_t DSISR_DAWR = 0x400000;
constexpr uint32_t DSISR_EAO = 0x1;
constexpr uint32_t DSISR_STORE = 0x2000000;
constexpr uint32_t MERGED_UNDEFINED = 0x10000;

constexpr uint64_t TAGGED_BASE = 1ull << 48;
constexpr uint32_t ATTR_IMMEDIATE_COUNT = 0x200; // string rows without an RB field
constexpr int ACCESS_CLASS_TOUCH = 1;
constexpr int ACCESS_CLASS_NONE = 2;

constexpr RowSet NEVER_WATCHED_ROWS{ROW_DCBF, ROW_DCBST, ROW_DCBT, ROW_DCBTST, ROW_ICBI};
constexpr RowSet VECTOR_ELEMENT_LOADS{ROW_LVEBX, ROW_LVEHX, ROW_LVEWX};
// D- and DS-form loads and stores whose RA = 0 overflow only from a tagged base.
constexpr RowSet DISPLACEMENT_ONLY_ROWS{
    ROW_LD,   ROW_LDU,  ROW_LFD,  ROW_LFDP, ROW_LFDU,  ROW_LFS,   ROW_LFSU,  ROW_LHA,   ROW_LHAU, ROW_LHZ,
    ROW_LHZU, ROW_LMD,  ROW_LMW,  ROW_LWA,  ROW_LWZ,   ROW_LWZU,  ROW_STD,   ROW_STDU,  ROW_STFD, ROW_STFDP,
    ROW_STFDU, ROW_STFS, ROW_STFSU, ROW_STH, ROW_STHU, ROW_STMD, ROW_STMW, ROW_STW, ROW_STWU};

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

uint32_t store_bits(uint32_t dsisr, uint32_t kind)
{
    return (kind == AXD_KIND_STORE || kind == AXD_KIND_CACHE_SET) ? dsisr | DSISR_STORE : dsisr;
}

bool hypervisor_state(uint64_t msr)
{
    return (msr & MSR_HV) && !(msr & MSR_PR);
}

bool routed_to_hypervisor(IOPDesc *iop, uint64_t msr, uint32_t kind)
{
    if (hypervisor_state(msr)) return false;
    uint64_t lpcr = iGET_LPCR(iop);
    uint64_t relocation = kind == AXD_KIND_FETCH ? MSR_IR : MSR_DR;
    return (lpcr & ((msr & relocation) ? LPCR_VPM1 : LPCR_VPM0)) != 0;
}

bool taken_by_transaction(IOPDesc *iop, uint64_t msr, int32_t type)
{
    return (msr & MSR_TS) && !OS_SUPPORTS_HTM(iop) && htm_handle_exception(iop, type) != 0;
}

void fill_sdar(IOPDesc *iop, PowerPCException *record)
{
    if (option(iop, PO_NO_SIAR_SDAR_UNDEFINED_MASK) && (record->msr_at_instruction & MSR_SE))
        Exception_Set_DAR_From_Instruction(iop, record, iop->data.ea2);
}

uint16_t row_id(const IOPDesc *iop)
{
    return iop->row ? iop->row->id : 0;
}

bool quadword_granule(const IOPDesc *iop)
{
    return iop->row && (iop->row->class_flags & QUADWORD_GRANULE_ROWS);
}

bool same_page(uint64_t a, uint64_t b, uint32_t shift)
{
    return shift >= 64 || (a >> shift) == (b >> shift);
}

// The address test with the registers already read.
int dawr_match(IOPDesc *iop, AXD *axd, uint64_t dawr, uint64_t dawrx, uint64_t msr, uint64_t *dar_io,
               uint64_t *match_out, int check_end)
{
    bool quad = quadword_granule(iop);
    uint64_t granule = quad ? 16 : 8;
    uint64_t align = ~(granule - 1);
    uint64_t length = quad ? (dawrx & DAWRX_MRD_QUADWORD) >> 7 : ((dawrx & DAWRX_MRD) >> 10) * 8;
    uint64_t amask = (msr & MSR_SF) ? ~0ull : 0xFFFFFFFFull;
    uint64_t rmask = ~0ull;
    if (hypervisor_state(msr) && !(msr & MSR_DR))
        rmask = (dawrx & DAWRX_HRAMMC) ? REAL_MODE_MASK_HRAMMC : REAL_MODE_MASK;

    uint64_t start = dawr & align;
    uint64_t end = (dawr + length) & align;
    uint64_t block_end = (start | WATCH_BLOCK) & align;
    if (end > block_end || end < start) end = block_end;
    start &= rmask;
    end &= rmask;

    uint16_t id = row_id(iop);
    if (NEVER_WATCHED_ROWS.contains(id)) return 0;
    uint64_t tested = axd->xlate_ea;
    if (id == ROW_DCBZ) {
        tested = axd->ea2;
    } else if (VECTOR_ELEMENT_LOADS.contains(id)) {
        tested = axd->ea2;
        *dar_io = axd->ea2;
    }
    tested = tested & amask & align & rmask;
    if (start <= tested && tested <= end) {
        *match_out = *dar_io & amask;
        *dar_io &= ~7ull;
        return 1;
    }

    if (check_end && same_page(axd->ea, axd->ea + (uint64_t)(axd->size - 1), axd->page_shift) &&
        !VECTOR_ELEMENT_LOADS.contains(id)) {
        int64_t span = axd->size2 >= 1 ? axd->size2 : axd->size;
        uint64_t last = (axd->xlate_ea + (uint64_t)(span - 1)) & align & amask & rmask;
        if (start <= last && last <= end) {
            uint64_t reported = start;
            if (id == ROW_DCBZ)
                reported = axd->ea2;
            else if (quad && axd->ea2 % 16)
                reported = axd->ea2 + 16;
            *match_out = reported & amask;
            *dar_io = *match_out & ~7ull;
            return 1;
        }
    }

    // dcbz zeroes a whole block: any 16-byte step of it from ea2 on that is watched matches.
    if (id == ROW_DCBZ && axd->size2 > 0) {
        uint64_t block = (uint64_t)axd->size2;
        uint64_t block_start = axd->ea2 & ~(block - 1);
        for (uint64_t step = axd->ea2; step < block_start + block; step += 16) {
            uint64_t address = step & amask & rmask;
            if (start <= address && address <= end) {
                *match_out = axd->ea2 & amask;
                *dar_io = *match_out & ~7ull;
                return 1;
            }
        }
    }
    return 0;
}

// The tagged-base test: d the base, e the effective address.
bool overflows(uint64_t d, uint64_t e, bool *tagged)
{
    *tagged = d >= TAGGED_BASE;
    return *tagged ? (d >> 24) != (e >> 24) : e >= TAGGED_BASE;
}

int64_t sign_extend(uint64_t value, int bits)
{
    uint64_t sign = 1ull << (bits - 1);
    return (int64_t)((value ^ sign) - sign);
}

} // namespace

int TestDawrEaMatch(IOPDesc *iop, AXD *axd, uint64_t *dar_io, uint64_t *match_out, int check_end)
{
    uint64_t dawr = iGET_DAWR0(iop);
    uint64_t dawrx = iGET_DAWRX0(iop);
    uint64_t msr = iGET_MSR(iop);
    return dawr_match(iop, axd, dawr, dawrx, msr, dar_io, match_out, check_end);
}

int CheckDAWR(IOPDesc *iop, uint64_t dar, AXD *axd, int check_end)
{
    if (axd->kind == AXD_KIND_FETCH || axd->access_origin == 1) return 0;
    uint64_t dawrx = iGET_DAWRX0(iop);
    if (!(dawrx & (DAWRX_DW | DAWRX_DR))) return 0;
    uint64_t msr = iGET_MSR(iop);
    if (((dawrx & DAWRX_WT) != 0) != ((msr & MSR_DR) != 0) && !(dawrx & DAWRX_WTI)) return 0;

    bool hv = hypervisor_state(msr);
    bool pr = (msr & MSR_PR) != 0;
    bool privileged = ((dawrx & DAWRX_HYP) && hv) || ((dawrx & DAWRX_PNH) && !pr && !hv) ||
                      ((dawrx & DAWRX_PRO) && pr && !hv);
    if (!privileged) return 0;
    if (axd->kind == AXD_KIND_STORE) {
        if (!(dawrx & DAWRX_DW)) return 0;
    } else if (axd->kind == AXD_KIND_LOAD) {
        if (!(dawrx & DAWRX_DR)) return 0;
    } else {
        return 0;
    }

    uint64_t dawr = iGET_DAWR0(iop);
    uint64_t match = 0;
    if (!dawr_match(iop, axd, dawr, dawrx, msr, &dar, &match, check_end)) return 0;
    uint64_t reported = match;
    if (VSX_VECTOR_ROWS.contains(iop->row) && (axd->ea2 % 16) && axd->ea2 != axd->ea) reported = axd->ea2 + 16;
    interrupt_DAWR_Match(iop, 0, reported, axd->kind, EST_DSI_DAWR_MATCH);
    return 1;
}

PowerPCException *interrupt_DAWR_Match(IOPDesc *iop, uint64_t, uint64_t address, uint32_t kind, int32_t subtype)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = routed_to_hypervisor(iop, msr, kind);
    int32_t type = hypervisor ? EXC_TYPE_HV_DSI_DAWR : EXC_TYPE_DATA_STORAGE_DAWR;
    if (taken_by_transaction(iop, msr, type)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, type, subtype);
    if (!record) return nullptr;
    if (hypervisor) record->hypervisor = record->save_to = 1;
    record->address = Vector_Element_Align(iop->row, address);
    record->address_valid = 1;
    record->srr1_set = 0;
    if (!option(iop, PO_DSISR_BITS_ARE_DEFINED_FOR_ALL_INTERRUPTS)) record->dsisr_merged = MERGED_UNDEFINED;
    fill_sdar(iop, record);
    Set_DSISR_DAR(iop, record, kind, address, store_bits(DSISR_DAWR, kind), 1, 1);
    return Take_Care_Of_Exception(iop, record, "DAWR Match");
}

int CEA_CHECK_EAO(IOPDesc *iop, uint32_t, uint64_t, int64_t enable)
{
    if (!enable || (iop->row && iop->row->tea >= ACCESS_CLASS_NONE)) return 2;
    return CEA_CHECK_EAO_WITH_INTERRUPT(iop);
}

int CEA_CHECK_EAO_WITH_INTERRUPT(IOPDesc *iop)
{
    const InstrInfo *row = iop->row;
    if (!row || row->tea >= ACCESS_CLASS_NONE || !iop->thread) return 2;
    if (!option(iop, PO_TAGS_ACTIVE)) return 2;
    uint64_t msr = iGET_MSR(iop);
    if (!(msr & MSR_TA) || !(msr & MSR_DR)) return 2;

    AXD *data = &iop->data;
    uint32_t w = iop->word;
    uint32_t ra = (w >> 16) & 0x1F;
    uint64_t e = data->ea;
    bool tagged = false;
    bool overflow = false;
    uint64_t d = 0;
    bool have_base = true;
    if (ra != 0) {
        d = IOP_Read_GPR(iop, ra, OPERAND_A);
    } else {
        switch (row->form) {
        case FORM_D:
            d = (uint64_t)sign_extend(w & 0xFFFF, 16);
            break;
        case FORM_DS:
            d = (uint64_t)(sign_extend((w >> 2) & 0x3FFF, 14) * 4);
            break;
        case FORM_DQ:
            d = (uint64_t)(sign_extend((w >> 4) & 0xFFF, 12) * 16);
            break;
        case FORM_X:
        case 29:
        case 33:
            if (row->attributes & ATTR_IMMEDIATE_COUNT)
                have_base = false;
            else
                d = IOP_Read_GPR(iop, (w >> 11) & 0x1F, OPERAND_B);
            break;
        default:
            return 2;
        }
    }
    if (have_base) {
        overflow = overflows(d, e, &tagged);
    } else {
        overflow = e >= TAGGED_BASE;
    }
    if (!overflow) return 2;

    if (ra == 0 && DISPLACEMENT_ONLY_ROWS.contains(row)) {
        if (!tagged || (d >> 24) == (e >> 24) || option(iop, PO_NO_EAO_WHEN_RA_0_AND_NO_RB_FIELD)) return 2;
    }
    e = Vector_Element_Align(row, e);
    data->orig_ea = e;
    if (row->tea == ACCESS_CLASS_TOUCH) return 1;
    interrupt_EAO(iop, e, e, data->kind);
    return 0;
}

PowerPCException *interrupt_EAO(IOPDesc *iop, uint64_t address, uint64_t dar_address, uint32_t kind)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = routed_to_hypervisor(iop, msr, kind);
    int32_t type = hypervisor ? EXC_TYPE_HV_EAO_DATA_STORAGE : EXC_TYPE_EAO_DATA_STORAGE;
    if (taken_by_transaction(iop, msr, EXC_TYPE_EAO_DATA_STORAGE)) return nullptr;
    int32_t subtype = iop->data.crosses ? (int32_t)EST_DSI_EAO_SEGMENT_CROSS : (int32_t)EST_DSI_EAO;
    PowerPCException *record = IOP_New_Exception(iop, type, subtype);
    if (!record) return nullptr;
    if (hypervisor) record->hypervisor = record->save_to = 1;
    record->address = address;
    record->address_valid = 1;
    record->srr1_set = 0;
    fill_sdar(iop, record);
    Set_DSISR_DAR(iop, record, kind, dar_address, store_bits(DSISR_EAO, kind), 1, 1);
    Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_FAIL, &iop->data, "\nINTERRUPT: %s\n", Storage_Subtype_Text(subtype));
    return Take_Care_Of_Exception(iop, record, "Effective Address Overflow");
}

int EA_Gen_RA_Disp_EAO(IOPDesc *iop, uint32_t ra, uint64_t displacement, int64_t enable)
{
    uint64_t ea = displacement + (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0);
    if (iop->defer_side_effects) iop->operand_slot2[0] = displacement;
    AXD *data = &iop->data;
    data->orig_ea = data->ea = data->ea2 = ea;
    data->row_size = iop->row ? (int16_t)iop->row->access_size : -1;
    return CEA_CHECK_EAO(iop, ra, displacement, enable);
}
