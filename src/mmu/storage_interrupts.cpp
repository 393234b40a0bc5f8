// The storage interrupts and the common DAR/DSISR setter.
#include "mmu/storage_interrupts.h"

#include "decode/storage_rows.h"
#include "interrupts/exception_names.h"
#include "interrupts/exception_types.h"
#include "interrupts/interrupt_raisers.h"
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
#include "runtime/message.h"

namespace
{

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_VPM1 = 0x4000000000000000ull;
constexpr uint64_t LPCR_KBV = 0x1000000000000000ull;

constexpr uint32_t DSISR_STORE = 0x2000000;
constexpr uint32_t DSISR_PAGE_FAULT = 0x40000000;
constexpr uint32_t DSISR_PROTECTION = 0x8000000;
constexpr uint32_t DSISR_UNSUPPORTED_ACCESS = 0x4000000;
constexpr uint32_t DSISR_KEY = 0x200000;
constexpr uint32_t DSISR_CI_LOAD_STORE = 0x2;
constexpr uint32_t DSISR_HYPERVISOR_ONLY = 0x4;
constexpr uint32_t MERGED_UNDEFINED = 0x10000;
constexpr uint32_t MERGED_ALIGNMENT = 0x1F;

// The segment-fault subtypes (the translation driver names them too).
constexpr int32_t SUBTYPE_DSI_SEGMENT_FAULT = 247;
constexpr int32_t SUBTYPE_ISI_SEGMENT_FAULT = 250;

constexpr uint64_t SRR1_PAGE_FAULT = 0x40000000;
constexpr uint64_t SRR1_PROTECTION = 0x8000000;
constexpr uint64_t SRR1_DIRECT_STORE = 0x10000000;
constexpr uint64_t SRR1_GUARDED_OR_NO_EXECUTE = 0x10000000;

const char *const HVTLB_TEXT = "Hypervisor TLB Exception: TLB miss when hardware PTE search disabled";

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

bool is_fetch(uint32_t kind)
{
    return kind == AXD_KIND_FETCH;
}

uint32_t store_bits(uint32_t dsisr, uint32_t kind)
{
    return (kind == AXD_KIND_STORE || kind == AXD_KIND_CACHE_SET) ? dsisr | DSISR_STORE : dsisr;
}

bool hypervisor_state(uint64_t msr)
{
    return (msr & MSR_HV) && !(msr & MSR_PR);
}

bool relocated(uint64_t msr, uint32_t kind)
{
    return (msr & (is_fetch(kind) ? MSR_IR : MSR_DR)) != 0;
}

// A partition's access (outside hypervisor state) takes the hypervisor form when LPCR[VPM0] is set
// with its relocation off, or LPCR[VPM1] with it on.
bool routed_to_hypervisor(IOPDesc *iop, uint64_t msr, uint32_t kind)
{
    if (hypervisor_state(msr)) return false;
    uint64_t lpcr = iGET_LPCR(iop);
    return (lpcr & (relocated(msr, kind) ? LPCR_VPM1 : LPCR_VPM0)) != 0;
}

// Inside a transaction of an operating system that does not handle them, the transactional model
// records the failure first; the interrupt is raised all the same.
void note_transaction(IOPDesc *iop, uint64_t msr, int32_t type)
{
    if ((msr & MSR_TS) && !OS_SUPPORTS_HTM(iop)) htm_handle_interrupt(iop, type);
}

AXD *access_of(IOPDesc *iop, uint32_t kind)
{
    return is_fetch(kind) ? &iop->fetch : &iop->data;
}

// The texts of the storage subtypes, used while the exception names do not describe them.
struct SubtypeText {
    int32_t subtype;
    const char *text;
};
constexpr SubtypeText STORAGE_SUBTYPE_TEXTS[] = {
    {6, "ALIGNMENT: load crosses page boundary"},
    {7, "ALIGNMENT: store crosses page boundary"},
    {9, "ALIGNMENT: Floating Point: load crosses page boundary"},
    {22, "ALIGNMENT: load multiple from unaligned address."},
    {23, "ALIGNMENT: load multiple spans pages with different Storage Attributes (WIMG)"},
    {24, "ALIGNMENT: load crosses page boundary"},
    {26, "ALIGNMENT: load spans pages with different Storage Attributes (WIMG)"},
    {30, "ALIGNMENT: Cache-inhibited: Reservation access"},
    {31, "ALIGNMENT: store multiple from unaligned address."},
    {32, "ALIGNMENT: store multiple spans pages with different Storage Attributes (WIMG)"},
    {35, "ALIGNMENT: store spans pages with different Storage Attributes (WIMG)"},
    {38, "ALIGNMENT: load string spans pages with different Storage Attributes (WIMG)"},
    {39, "ALIGNMENT: store string spans pages with different Storage Attributes (WIMG)"},
    {50, "ALIGNMENT: VSX: Cache-inhibited: scalar ld/stx not 4-byte aligned"},
    {51, "ALIGNMENT: VSX: Cache-inhibited: scalar ld/stx not naturally aligned"},
    {59, "ALIGNMENT: VSX: Cache-inhibited: vector ld/stx not 16-byte aligned"},
    {60, "ALIGNMENT: VSX: Cache-inhibited: vector ld/stx not 4-byte aligned"},
    {64, "ALIGNMENT: Cache-inhibited: memory not naturally aligned"},
    {68, "ALIGNMENT: Cache-inhibited: dcbz (cirn)"},
    {78, "ALIGNMENT: icswx not 128-byte aligned"},
    {80, "ALIGNMENT: larx/stcx OR ld/st mult OR ld/st quad not naturally aligned"},
    {81, "ALIGNMENT: Cache-inhibited: larx/stcx from/to memory (V2)"},
    {82, "ALIGNMENT: Cache-inhibited: larx/stcx from/to memory"},
    {83, "ALIGNMENT: Write-thru: larx/stcx"},
    {86, "ALIGNMENT: Little-endian: ld/st string OR ld/st mult OR ld/st quad"},
    {87, "ALIGNMENT: Cache-inhibited: ld/st store not naturally aligned"},
    {90, "ALIGNMENT: Floating Point: lfdp./stfdp. not 16-byte aligned"},
    {122, "ALIGNMENT: Cache-inhibited: load algebraic"},
    {133, "ALIGNMENT: Floating Point: Cache-inhibited: load/store double not 8-byte aligned"},
    {134, "ALIGNMENT: Cache-inhibited: store to memory not naturally aligned (C=1)"},
    {135, "ALIGNMENT: Cache-inhibited: load/store multiple from/to memory (C=1)"},
    {198, "ALIGNMENT: store violates special alignment"},
    {227, "DSI: Write-thru: Reservation"},
    {228, "DSI: Cache-inhibited: Reservation"},
    {232, "DSI: Direct Store Segment"},
    {236, "DSI: Cache-inhibited: stq"},
    {237, "DSI: Cache-inhibited: icswx"},
    {238, "DSI: unavailable coprocessor: icswx"},
    {239, "DSI: Real-Mode Data Storage Protection Fault"},
    {242, "ALIGNMENT: Cache-inhibited: lq/stq"},
    {247, "DSI: Data Storage Segment Fault"},
    {248, "DSI: Page Fault"},
    {249, "DSI: Storage Key"},
    {250, "ISI: Instruction Storage Segment Fault"},
    {251, "ISI: Storage Key"},
    {252, "ISI: Page Fault"},
    {265, "ALIGNMENT: Cache-inhibited: load/store from/to memory not naturally aligned (C=0)"},
    {266, "ALIGNMENT: Cache-inhibited: VMX store to memory not naturally aligned"},
    {267, "ALIGNMENT: Cache-inhibited: load/store multiple from/to memory (C=0)"},
    {268, "DSI: Effective Address Overflow (EAO)"},
    {278, "DSI: DAWR match"},
    {280, "DSI: CI op w/DR=1 or to G=0 space"},
    {281, "DSI: PBT not updating CR0=2"},
    {282, "ALIGNMENT: pbt not 128-byte aligned"},
    {283, "DSI: Cache-inhibited: pbt"},
    {284, "DSI: Write-thru: pbt"},
    {285, "DSI: Effective Address Overflow (EAO) segment cross"},
    {287, "DSI: Write-thru: icswx"},
    {299, "DSI: AMO Load/Store with Invalid function code"},
    {302, "ALIGNMENT: PELK load/store not naturally aligned"},
};

} // namespace

const char *Storage_Subtype_Text(int32_t subtype)
{
    if (subtype == 0) return "";
    if (const char *text = est_string(subtype)) return text;
    for (const SubtypeText &entry : STORAGE_SUBTYPE_TEXTS)
        if (entry.subtype == subtype) return entry.text;
    return "";
}

namespace
{

const char *subtype_text(int32_t subtype)
{
    return Storage_Subtype_Text(subtype);
}

PowerPCException *new_record(IOPDesc *iop, int32_t type, int32_t subtype, uint64_t address, bool hypervisor)
{
    PowerPCException *record = IOP_New_Exception(iop, type, subtype);
    if (!record) return nullptr;
    record->address = address;
    record->address_valid = 1;
    record->srr1_set = 0;
    if (hypervisor) record->hypervisor = record->save_to = 1;
    return record;
}

// Notes the interrupt to the transactional model, then makes its record.
PowerPCException *raise_record(IOPDesc *iop, uint64_t msr, int32_t type, int32_t subtype, uint64_t address,
                               bool hypervisor)
{
    note_transaction(iop, msr, type);
    return new_record(iop, type, subtype, address, hypervisor);
}

// A data storage interrupt in the form the partition's routing picks for the access.
PowerPCException *routed_dsi_record(IOPDesc *iop, uint32_t kind, int32_t subtype, uint64_t address)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = routed_to_hypervisor(iop, msr, kind);
    int32_t type = hypervisor ? EXC_TYPE_HV_DSI : EXC_TYPE_DATA_STORAGE;
    return raise_record(iop, msr, type, subtype, address, hypervisor);
}

// The hypervisor data storage interrupt of an instruction the partition may not use (PBT, AMO):
// noted to the transactional model, always the hypervisor form, no fault address of its own.
PowerPCException *hypervisor_only_record(IOPDesc *iop, int32_t subtype)
{
    note_transaction(iop, iGET_MSR(iop), EXC_TYPE_HV_DSI);
    PowerPCException *record = IOP_New_Exception(iop, EXC_TYPE_HV_DSI, subtype);
    if (!record) return nullptr;
    record->hypervisor = record->save_to = 1;
    record->srr1_set = 0;
    return record;
}

// The SDAR of a data access traced by single-stepping.
void fill_sdar(IOPDesc *iop, PowerPCException *record)
{
    if (option(iop, PO_NO_SIAR_SDAR_UNDEFINED_MASK) && (record->msr_at_instruction & MSR_SE))
        Exception_Set_DAR_From_Instruction(iop, record, iop->data.ea2);
}

void mark_merged(IOPDesc *iop, PowerPCException *record)
{
    if (!option(iop, PO_DSISR_BITS_ARE_DEFINED_FOR_ALL_INTERRUPTS)) record->dsisr_merged = MERGED_UNDEFINED;
}

// The data-access part shared by most raisers: SDAR, DAR and DSISR (both valid), the merge mask.
void data_access(IOPDesc *iop, PowerPCException *record, uint32_t kind, uint64_t address, uint32_t dsisr,
                 bool merged)
{
    fill_sdar(iop, record);
    Set_DSISR_DAR(iop, record, kind, address, dsisr, 1, 1);
    if (merged) mark_merged(iop, record);
}

PowerPCException *file(IOPDesc *iop, PowerPCException *record, uint32_t kind, const char *debug_format)
{
    const char *text = subtype_text(record->subtype);
    if (debug_format)
        Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_FAIL, access_of(iop, kind), debug_format, text);
    return Take_Care_Of_Exception(iop, record, text);
}

// A data access's record: SDAR, DAR and DSISR (with the store bit for a store), then filed with the
// debug line.
PowerPCException *file_data_access(IOPDesc *iop, PowerPCException *record, uint32_t kind, uint64_t address,
                                   uint32_t dsisr, bool merged)
{
    data_access(iop, record, kind, address, store_bits(dsisr, kind), merged);
    return file(iop, record, kind, "\nINTERRUPT: %s\n");
}

// A fetch reports through SRR1 bits, a data access through SDAR, DAR and DSISR (merged).
void fetch_or_data(IOPDesc *iop, PowerPCException *record, uint32_t kind, uint64_t address, uint64_t srr1,
                   uint32_t dsisr)
{
    if (is_fetch(kind))
        record->srr1_set = srr1;
    else
        data_access(iop, record, kind, address, store_bits(dsisr, kind), true);
}

constexpr RowSet SCALAR_VSX_ROWS{ROW_LXSDX, ROW_LXVDSX, ROW_STXSDX};

bool data_storage_class(int32_t type)
{
    switch (type) {
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 20:
    case 29:
    case 30:
    case 31:
    case 32:
    case 38:
        return true;
    default:
        return false;
    }
}

uint64_t page_of(uint64_t address, uint32_t shift)
{
    return shift >= 64 ? 0 : address >> shift;
}

// The fault address of a VSX access that crosses into a second page names that page.
uint64_t page_crossing_vsx_address(IOPDesc *iop, const PowerPCException *record, uint64_t address)
{
    const AXD *data = &iop->data;
    const InstrInfo *row = iop->row;
    if (!data->crosses || !row || !(row->class_flags & II_VSX) || data->ea == data->ea2) return address;
    bool alignment_across_pages = record->type == EXC_ALIGNMENT &&
                                  page_of(data->ea, data->page_shift) != page_of(data->ea2, data->page_shift);
    if (!data_storage_class(record->type) && !alignment_across_pages) return address;
    if (VSX_VECTOR_ROWS.contains(row)) return data->ea2 + 16;
    if (option(iop, PO_GLENT_ALIGNMENT_INTERRUPTS)) return address;
    if (SCALAR_VSX_ROWS.contains(row)) return (data->ea2 % 8) ? data->ea2 + 4 : address;
    uint64_t page_start = data->page_shift >= 64 ? 0 : data->ea2 & ~((1ull << data->page_shift) - 1);
    return page_start + (uint64_t)(data->size - 1) + 8;
}

} // namespace

void Set_DSISR_DAR(IOPDesc *iop, PowerPCException *record, uint32_t, uint64_t address, uint32_t dsisr,
                   int dar_flag, int dsisr_flag)
{
    address = page_crossing_vsx_address(iop, record, address);
    address = Vector_Element_Align(iop->row, address);
    if (!(iop->thread->MSR.value & MSR_SF)) address &= 0xFFFFFFFFull;
    if (record->hypervisor) {
        record->dar_valid = 1;
        record->dar = address;
        record->dsisr_valid = 1;
        record->dsisr = dsisr;
        return;
    }
    record->dar_valid = dar_flag ? 1 : 0;
    if (dar_flag) {
        record->dar = address;
        Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_INFO, &iop->data, "\nDAR<-0x%016lX ",
                           (unsigned long)address);
    }
    record->dsisr_valid = dsisr_flag ? 1 : 0;
    if (dsisr_flag) {
        record->dsisr = dsisr;
        Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_INFO, &iop->data, "DSISR<-0x%08X ", dsisr);
    }
}

PowerPCException *interrupt_DataStoragePageFault(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = routed_to_hypervisor(iop, msr, kind);
    bool fetch = is_fetch(kind);
    int32_t type = fetch ? (hypervisor ? EXC_TYPE_HV_ISI : EXC_TYPE_INSTRUCTION_STORAGE)
                         : (hypervisor ? EXC_TYPE_HV_DSI : EXC_TYPE_DATA_STORAGE);
    PowerPCException *record =
        raise_record(iop, msr, type, fetch ? EST_ISI_PAGE_FAULT : EST_DSI_PAGE_FAULT, address, hypervisor);
    if (!record) return nullptr;
    fetch_or_data(iop, record, kind, address, SRR1_PAGE_FAULT, DSISR_PAGE_FAULT);
    return file(iop, record, kind, "\nINTERRUPT: %s\n");
}

PowerPCException *interrupt_DataStorageSegmentFault(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                    int32_t message_subtype)
{
    uint64_t msr = iGET_MSR(iop);
    bool fetch = is_fetch(kind);
    int32_t type = fetch ? EXC_TYPE_INST_SEG_FAULT : EXC_TYPE_DATA_SEG_FAULT;
    int32_t subtype = fetch ? SUBTYPE_ISI_SEGMENT_FAULT : SUBTYPE_DSI_SEGMENT_FAULT;
    PowerPCException *record = raise_record(iop, msr, type, subtype, address, false);
    if (!record) return nullptr;
    if (!fetch) {
        fill_sdar(iop, record);
        if (option(iop, PO_ZENK_DSISR_BIT10))
            Set_DSISR_DAR(iop, record, kind, address, store_bits(DSISR_KEY, kind), 1,
                          option(iop, PO_DSISR_BITS_ARE_DEFINED_FOR_SEGMENT_FAULT_INTERRUPTS));
        else
            Set_DSISR_DAR(iop, record, kind, address, store_bits(0, kind), 1, 1);
        if (!option(iop, PO_DSISR_BITS_ARE_DEFINED_FOR_ALL_INTERRUPTS)) record->dsisr_merged = ~0u;
    }
    Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_FAIL, access_of(iop, kind), "\nINTERRUPT: %s\n",
                       subtype_text(message_subtype ? message_subtype : subtype));
    return Take_Care_Of_Exception(iop, record, subtype_text(subtype));
}

PowerPCException *interrupt_DataStorageKey(IOPDesc *iop, uint64_t address, uint32_t kind, uint32_t dsisr,
                                           uint64_t srr1_bits)
{
    uint64_t msr = iGET_MSR(iop);
    bool fetch = is_fetch(kind);
    bool hypervisor = false; // the hypervisor form, with HSRR0/HSRR1
    bool hypervisor_flag = false;
    bool kbv = false;
    if (!hypervisor_state(msr)) {
        uint64_t lpcr = iGET_LPCR(iop);
        kbv = option(iop, PO_LPCR_KBV_ENABLE_BIT) && (lpcr & LPCR_KBV);
        if (!relocated(msr, kind))
            hypervisor = (lpcr & LPCR_VPM0) != 0;
        else if (lpcr & LPCR_VPM1)
            hypervisor = true;
        else if (kbv && !fetch)
            hypervisor_flag = true; // a data access of the key-based virtualisation
    }
    int32_t type = fetch ? (hypervisor ? EXC_TYPE_HV_ISI_KEY : EXC_TYPE_INSTRUCTION_KEY)
                         : (hypervisor || hypervisor_flag ? EXC_TYPE_HV_DSI_KEY : EXC_TYPE_DATA_STORAGE_KEY);
    PowerPCException *record = raise_record(
        iop, msr, type, fetch ? (int32_t)EST_ISI_KEY : (int32_t)EST_DSI_STORAGE_KEY, address, hypervisor);
    if (!record) return nullptr;
    if (hypervisor_flag) record->hypervisor = 1;
    if (!fetch && kbv && record->hypervisor && (msr & MSR_DR)) dsisr = DSISR_KEY;
    fetch_or_data(iop, record, kind, address, srr1_bits, dsisr);
    return file(iop, record, kind, "\nINTERRUPT: %s\n");
}

PowerPCException *interrupt_DataStorageProtection(IOPDesc *iop, uint64_t address, uint32_t kind,
                                                  int32_t subtype)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = routed_to_hypervisor(iop, msr, kind);
    bool fetch = is_fetch(kind);
    int32_t type = fetch ? (hypervisor ? EXC_TYPE_HV_ISI_PROTECTION : EXC_TYPE_INSTRUCTION_PROTECTION)
                         : (hypervisor ? EXC_TYPE_HV_DSI_PROTECTION : EXC_TYPE_DATA_PROTECTION);
    PowerPCException *record = raise_record(iop, msr, type, subtype, address, hypervisor);
    if (!record) return nullptr;
    if (subtype == EST_DSI_REAL_MODE_PROTECTION) record->address_valid = 0;
    fetch_or_data(iop, record, kind, address, SRR1_PROTECTION, DSISR_PROTECTION);
    return file(iop, record, kind, "\nINTERRUPT: %s\n ");
}

PowerPCException *interrupt_DataStorageAccess(IOPDesc *iop, uint64_t address, uint32_t kind, int32_t subtype)
{
    PowerPCException *record = routed_dsi_record(iop, kind, subtype, address);
    if (!record) return nullptr;
    return file_data_access(iop, record, kind, address, DSISR_UNSUPPORTED_ACCESS, true);
}

PowerPCException *interrupt_DataStorageCILoadStore(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    PowerPCException *record =
        raise_record(iop, iGET_MSR(iop), EXC_TYPE_DATA_STORAGE, EST_DSI_CI_LOAD_STORE, address, false);
    if (!record) return nullptr;
    return file_data_access(iop, record, kind, address, DSISR_CI_LOAD_STORE, false);
}

PowerPCException *interrupt_InstructionStorage(IOPDesc *iop, uint64_t address, int32_t subtype)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = routed_to_hypervisor(iop, msr, AXD_KIND_FETCH);
    int32_t type = hypervisor ? EXC_TYPE_HV_ISI : EXC_TYPE_INSTRUCTION_STORAGE;
    PowerPCException *record = raise_record(iop, msr, type, subtype, address, hypervisor);
    if (!record) return nullptr;
    record->srr1_set = SRR1_GUARDED_OR_NO_EXECUTE;
    return file(iop, record, AXD_KIND_FETCH, "\nINTERRUPT: %s\n");
}

PowerPCException *interrupt_HVTLBException(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    uint64_t msr = iGET_MSR(iop);
    bool fetch = is_fetch(kind);
    int32_t type = fetch ? EXC_TYPE_HV_ITLB : EXC_TYPE_HV_DTLB;
    PowerPCException *record = raise_record(iop, msr, type, 0, address, true);
    if (!record) return nullptr;
    if (!fetch) {
        Set_DSISR_DAR(iop, record, kind, address, store_bits(DSISR_PROTECTION, kind), 1, 1);
        mark_merged(iop, record);
    }
    Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_FAIL, access_of(iop, kind), "\n%s\n", HVTLB_TEXT);
    return Take_Care_Of_Exception(iop, record, HVTLB_TEXT);
}

PowerPCException *interrupt_ICSWX(IOPDesc *iop, uint64_t address, uint32_t dsisr)
{
    PowerPCException *record = routed_dsi_record(iop, AXD_KIND_STORE, EST_DSI_ICSWX_UNAVAILABLE, address);
    if (!record) return nullptr;
    Set_DSISR_DAR(iop, record, AXD_KIND_STORE, address, store_bits(dsisr, AXD_KIND_STORE), 1, 1);
    return Take_Care_Of_Exception(iop, record, "icswx Data Storage Interrupt");
}

PowerPCException *interrupt_DataStoragePBT(IOPDesc *iop, uint64_t, uint32_t kind)
{
    PowerPCException *record = hypervisor_only_record(iop, EST_DSI_PBT);
    if (!record) return nullptr;
    uint64_t dar = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S) & 0xFFF;
    return file_data_access(iop, record, kind, dar, DSISR_HYPERVISOR_ONLY, false);
}

PowerPCException *interrupt_DirectStorage(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    PowerPCException *record =
        raise_record(iop, iGET_MSR(iop), EXC_TYPE_DATA_STORAGE, EST_DSI_DIRECT_STORE, address, false);
    if (!record) return nullptr;
    if (is_fetch(kind)) {
        record->srr1_set = SRR1_DIRECT_STORE;
        record->dar_valid = record->dsisr_valid = 1;
        record->dar = address;
        record->dsisr = 0;
    } else {
        data_access(iop, record, kind, address, store_bits(DSISR_PROTECTION, kind), true);
    }
    return file(iop, record, kind, "\nINTERRUPT: %s\n");
}

PowerPCException *interrupt_DataStorageAMO(IOPDesc *iop, uint64_t address, uint32_t kind)
{
    PowerPCException *record = hypervisor_only_record(iop, EST_DSI_AMO);
    if (!record) return nullptr;
    return file_data_access(iop, record, kind, address, DSISR_HYPERVISOR_ONLY, false);
}

uint32_t Compute_DSISR_Bits_From_inst(IOPDesc *iop)
{
    const InstrInfo *row = iop->row;
    if (!row) return 0;
    uint32_t w = iop->word;
    uint32_t dsisr = ((w >> 16) & 0x1F) | (((w >> 21) & 0x1F) << 5);
    uint32_t d_form = ((w & 0x78000000) >> 17) | ((w & 0x4000000) >> 12);
    uint32_t ds_form = d_form | ((w & 3) << 18);
    uint32_t x_form = ((w & 0x40) << 8) | ((w & 6) << 14) | ((w & 0x780) << 3);
    bool x_as_d = option(iop, PO_X_FORM_DSISR_SETTING_IS_D_FORM);
    bool d_as_x = option(iop, PO_D_FORM_DSISR_SETTING_IS_X_FORM);
    switch (row->form) {
    case FORM_D:
        return dsisr | (d_as_x ? x_form : d_form);
    case FORM_DS:
        return dsisr | (d_as_x ? x_form : ds_form);
    case FORM_X:
        return dsisr | (x_as_d ? ds_form : x_form);
    default:
        sim_error("Compute_DSISR_Bits_From_inst: Unknown instruction form");
        return 0;
    }
}

PowerPCException *interrupt_AlignmentException(IOPDesc *iop, uint64_t address, uint64_t, uint32_t kind,
                                               int32_t subtype)
{
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_TS) && !OS_SUPPORTS_HTM(iop) && htm_handle_exception(iop, EXC_TYPE_ALIGNMENT))
        return nullptr;
    PowerPCException *record = new_record(iop, EXC_TYPE_ALIGNMENT, subtype, address, false);
    if (!record) return nullptr;
    fill_sdar(iop, record);
    int dsisr_flag = option(iop, PO_DSISR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS);
    uint32_t dsisr = 0;
    if (dsisr_flag) {
        if (option(iop, PO_DSISR_BITS_ARE_UNCHANGED_FOR_ALIGNMENT_INTERRUPTS)) {
            dsisr = iGET_DSISR(iop);
            record->dsisr_merged = 0;
        } else {
            dsisr = Compute_DSISR_Bits_From_inst(iop);
            if (!option(iop, PO_DSISR_BITS_ARE_DEFINED_FOR_ALL_INTERRUPTS))
                record->dsisr_merged = MERGED_ALIGNMENT;
        }
    }
    Set_DSISR_DAR(iop, record, kind, address, dsisr,
                  option(iop, PO_DAR_BITS_ARE_DEFINED_FOR_ALIGNMENT_INTERRUPTS), dsisr_flag);
    return file(iop, record, kind, "\nINTERRUPT: %s\n");
}
