// The load and store data path.
#include "mmu/load_store_path.h"

#include <algorithm>

#include "decode/semantics.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "memory/reservations.h"
#include "memory/reservations.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "mmu/physical_access.h"
#include "mmu/storage_interrupts.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/value_ops.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{

constexpr int READ_BUFFER_BYTES = 16;
constexpr int QUADWORD_ATTEMPTS = 11;
constexpr int DEBUG_CATEGORY_PAGE_CHECK = 77;
constexpr uint64_t MSR_BTAE = 0x0800000000000000ull;
constexpr uint64_t SIM_CTRL1_TAG_CHECK = 1ull << 61;
constexpr uint64_t XER_TAG_BIT = 0x100000;
constexpr int16_t WHOLE_QUADWORD = 16;
constexpr int16_t SECOND_DOUBLEWORD = -1;

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

uint32_t machine_mode(const IOPDesc *iop)
{
    const GenericMachine *machine = iop->thread->machine;
    return machine ? machine->mode : MODE_SIMPLE;
}

uint64_t sign_extend(uint64_t value, int bytes)
{
    switch (bytes) {
    case 1:
        return (uint64_t)(int64_t)(int8_t)value;
    case 2:
        return (uint64_t)(int64_t)(int16_t)value;
    case 4:
        return (uint64_t)(int64_t)(int32_t)value;
    default:
        return value;
    }
}

uint64_t big_endian_value(const uint8_t *bytes, int count)
{
    uint64_t value = 0;
    for (int i = 0; i < count; i++)
        value = (value << 8) | bytes[i];
    return value;
}

// The crossing options: a page-crossing piece (status 2), or a translated piece crossing a
// multiple of its own size.
bool crossing_refused(const IOPDesc *iop, int status)
{
    const AXD *data = &iop->data;
    if (status == XLATE_CROSSES_PAGE &&
        option(iop, PO_LOADS_STORES_CROSSING_4K_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION))
        return TEST_BIT_XUCR0_FLSTA_AFLSTA() != 0;
    if (status == XLATE_OK && data->size > 0 &&
        option(iop, PO_LOADS_STORES_CROSSING_OPERAND_BOUNDARY_CAUSE_ALIGNMENT_EXCEPTION)) {
        uint64_t ea = data->ea, last = ea + (uint64_t)(data->size - 1);
        if ((ea ^ last) & ~(uint64_t)(data->size - 1)) return TEST_BIT_XUCR0_FLSTA_AFLSTA() != 0;
    }
    return false;
}

bool is_algebraic_row(const IOPDesc *iop)
{
    return iop->row && (iop->row->class_flags & II_ALGEBRAIC);
}

// Load_Value_To_GRT into any register.
void load_value_to(IOPDesc *iop, uint64_t value, uint32_t target)
{
    int size = iop->data.size;
    if (iop->algebraic) value = sign_extend(value, size);
    if (IOP_Data_Little_Endian(iop) ^ (iop->byte_reversed != 0)) {
        value = Reverse_RegValue(value, size);
        if (iop->algebraic) value = sign_extend(value, size);
    }
    IOP_Write_Load_Target(iop, target, value);
}

// load_single_register into any register; the value as read goes to *raw.
int load_register(IOPDesc *iop, int advance, uint64_t update_base, uint32_t target, uint64_t *raw)
{
    AXD *data = &iop->data;
    uint32_t ra = FIELD_RA(iop->word);
    bool update = iop->update_form != 0;
    bool glent = option(iop, PO_SUPPORTS_GLENT_LD_ST_UPDATE);
    uint64_t ea = data->ea;

    if (glent && update && target == 0 && ra == 0) {
        uint64_t address = ea;
        if (is_algebraic_row(iop) && (data->size == 2 || data->size == 4))
            address = sign_extend(address, data->size);
        uint64_t ignored = 0;
        if (!Load_Memory_Value(iop, &ignored)) return 0;
        UPDATE_EA(iop, 0, address);
        if (!PPC_MMU_CheckAlignment(iop, data)) return 0;
        if (advance) IOP_Advance_NIA(iop);
        return 1;
    }
    if (iop->addr_only && update && (!glent || target != 0 || ra != 0)) UPDATE_EA(iop, ra, ea);

    uint64_t value = 0;
    if (!Load_Memory_Value(iop, &value)) return 0;
    if (raw) *raw = value;
    load_value_to(iop, value, target);

    if (update && !iop->addr_only) {
        if (!option(iop, PO_SUPPORTS_Dravo_LD_ST_UPDATE) || ra != target) {
            UPDATE_EA(iop, ra, ea);
        } else {
            uint64_t loaded = value;
            uint64_t msr = iop->thread->MSR.value;
            if (glent && ra != 0 && (((msr & MSR_LE) != 0) ^ ((msr & MSR_SLE) != 0)))
                loaded = Reverse_RegValue(loaded, data->size);
            if (is_algebraic_row(iop) && (data->size == 2 || data->size == 4))
                loaded = sign_extend(loaded, data->size);
            UPDATE_EA(iop, ra, update_base + loaded);
        }
    }
    if (advance) IOP_Advance_NIA(iop);
    return 1;
}

MemoryMap *reservation_map(const ThreadState *thread)
{
    MCM *chip = thread->mcm;
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

bool holds_reservation(const ThreadState *thread)
{
    const MemoryClient *client = thread->memory_client;
    return client && __atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE);
}

// A store-conditional that found no reservation while suspended fails the transaction when it
// targets the store footprint.
void failed_stcx_in_suspended_state(IOPDesc *iop)
{
    if (!option(iop, PO_HTM_FAILED_STCX_TO_STORE_FOOTPRINT_FAILS_TRANSACTION)) return;
    uint64_t msr = iop->thread->MSR.value;
    if ((msr & MSR_TS) != MSR_TS_SUSPENDED) return;
    if (!Is_PA_To_HTM_Store_Footprint(iop, iop->data.pa)) return;
    HTM_Debug_Failure(iop,
                      "Failed Store conditional '%s' to store footprint in Suspend mode kills Transaction.",
                      iop->row ? iop->row->mnemonic : "no instruction");
    htm_record_failure(iop->thread, HTM_FAILURE_STCX_TO_FOOTPRINT, IOP_Current_Address(iop), 0, 0, msr);
}

// A validation read of the doubleword at ea without side effects, on a scratch copy of the
// instruction; its physical address goes to *pa.
bool quiet_doubleword(IOPDesc *iop, uint64_t ea, uint64_t *value, uint64_t *pa)
{
    IOPDesc scratch = *iop;
    scratch.exceptions = nullptr;
    scratch.data.ea = scratch.data.orig_ea = ea;
    scratch.data.size = 8;
    uint32_t result = EA_Read_Memory_Reg(&scratch, value, 0);
    Discard_Instruction_Bound_Exceptions(&scratch, 0);
    if (pa) *pa = scratch.data.pa;
    return result == 0;
}

// The same read with side effects on the instruction, which raises the interrupt.
bool loud_doubleword(IOPDesc *iop, uint64_t ea, uint64_t *value)
{
    AXD *data = &iop->data;
    data->ea = data->orig_ea = ea;
    data->size = 8;
    return EA_Read_Memory_Reg(iop, value, 1) == 0;
}

bool reservation_access(const IOPDesc *iop)
{
    return iop->data.access_origin == 2;
}

void take_quadword_reservation(IOPDesc *iop, uint64_t pa)
{
    if (!reservation_access(iop) || machine_mode(iop) > MODE_NAMELESS) return;
    if (MemoryClient *client = iop->thread->memory_client) create_reservation(client, pa, 8);
    htm_record_reservation_taken_state(iop, &iop->data);
}

void drop_quadword_reservation(IOPDesc *iop)
{
    if (!reservation_access(iop) || machine_mode(iop) > MODE_NAMELESS) return;
    if (option(iop, PO_RESERVATION_KEPT_FOR_LOAD_RESERVE_W_EXCEPTION)) return;
    if (MemoryClient *client = iop->thread->memory_client) clear_reservation_bit(client);
}

// The tag-condition field for a quadword whose tag is set, from RT's value.
uint64_t tag_condition(const IOPDesc *iop, uint64_t rt_value)
{
    uint32_t low = iop->word & 0xF;
    uint64_t tgcc = 1;
    if (((8u >> ((rt_value >> 62) & 3)) & low) && !((rt_value >> 61) & 1)) tgcc |= 4;
    if ((rt_value >> 56) == (uint64_t)(0xA0 | low)) tgcc |= 2;
    return tgcc;
}

void write_tgcc(IOPDesc *iop, uint64_t tgcc)
{
    IOP_Write_XER_Field(iop, XER_TGCC, tgcc << 20);
    XER_Mark_Written(iop, XER_TGCC);
}

} // namespace

// ---- byte order and targets ----

int IOP_Data_Little_Endian(const IOPDesc *iop)
{
    uint64_t msr = iop->thread->MSR.value;
    return ((msr & MSR_LE) != 0) ^ ((msr & MSR_SLE) != 0);
}

void IOP_Write_Load_Target(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        SET_GPR(iop, n, value);
}

// ---- loads and stores ----

int Load_Memory_Value(IOPDesc *iop, uint64_t *value)
{
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    int status = PPC_MMU_AddressTranslate(0, iop, data);
    if (status == XLATE_EXCEPTION) return 0;
    if (status == XLATE_CROSSES_PAGE && iop->row && (iop->row->class_flags & II_MULTIPLE)) status = XLATE_OK;
    if (crossing_refused(iop, status)) {
        interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_LOAD_CROSSES_PAGE);
        return 0;
    }
    PPC_MMU_CheckAlignment(iop, data);
    if (iop->addr_only) {
        iop->core_rec.kind = 1;
        return 0;
    }
    int size = data->size;
    if (size < 0 || size > READ_BUFFER_BYTES) {
        sim_error("Load_Memory_Value: unsupported access size %d", size);
        return 0;
    }
    uint8_t buffer[READ_BUFFER_BYTES] = {};
    uint32_t result;
    switch (status) {
    case XLATE_OK:
        if (reservation_access(iop) && !IOP_Check_Reservation_Storage(iop)) return 0;
        result = PA_Read_Memory_BigEndian_Buffer(iop, buffer, data, 1);
        break;
    case XLATE_CROSSES_PAGE:
        result = Read_Data_One_Byte_at_a_Time(iop, buffer, 1);
        break;
    case XLATE_LE_BYTEWISE:
        result = Read_LE_Data_One_Byte_at_a_Time(iop, buffer, 1);
        break;
    case XLATE_ADDRESS_ONLY:
        return 0;
    default:
        sim_do_error("common/processor/semantics", __LINE__,
                     "Load_Memory_Value_Part2: Unexpected return status of address translation : %d", status);
        return 0;
    }
    *value = size > 8 ? big_endian_value(buffer + size - 8, 8) : big_endian_value(buffer, size);
    return result == 0;
}

int Store_Memory_Value(IOPDesc *iop, uint64_t value, int offset, int reverse)
{
    ThreadState *thread = iop->thread;
    AXD *data = &iop->data;
    uint32_t mode = machine_mode(iop);
    bool conditional = reservation_access(iop) && offset != 8;

    if (conditional && option(iop, PO_CHECK_RESERVATION_BEFORE_TRANSLATION) && mode <= MODE_NAMELESS &&
        !holds_reservation(thread)) {
        if (option(iop, PO_DABR_AND_FAILED_STORE_CONDITIONAL_MATCHES) && CheckDAWR(iop, data->ea, data, 0))
            return 1;
        return 2;
    }
    int status = EA_Write_Memory_Reg_Part1(iop, 1);
    if (iop->addr_only) {
        iop->core_rec.kind = 2;
        iop->core_rec.result = status;
        return 1;
    }
    if (status == XLATE_EXCEPTION || status == XLATE_ADDRESS_ONLY) return 1;
    if (crossing_refused(iop, status)) {
        interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_STORE_CROSSES_PAGE);
        return 1;
    }
    if (IOP_Data_Little_Endian(iop)) reverse = !reverse;
    if (reverse) value = Reverse_RegValue(value, data->size);

    // In the untimed modes the reservation test, the write and the revocation of other
    // reservations on the address are one step for every other job. A store ends the other
    // threads' reservations and spares the storing thread's own (a store-conditional has
    // consumed its own already).
    MemoryMap *map = mode <= MODE_NAMELESS ? reservation_map(thread) : nullptr;
    if (map) {
        gate_enter_inline(&map->gate);
        if (conditional) {
            if (!stcx_has_proper_reservation(thread, data)) {
                gate_leave_inline(&map->gate);
                failed_stcx_in_suspended_state(iop);
                return 2;
            }
            if (map->reservation_count > 0)
                revoke_core_reservations(thread->mcm, thread->memory_client, data->pa);
        }
    }
    uint32_t result = EA_Write_Memory_Reg_Part2(iop, value, 1, status);
    if (map) {
        if (map->reservation_count > 0 && data->size > 0)
            revoke_core_reservations_range(thread->mcm, thread->memory_client, data->pa,
                                           (uint64_t)data->size);
        gate_leave_inline(&map->gate);
    }
    if (result == 5) return 2;
    if (result != 0) return 1;
    if (thread->held_lock_count && !reservation_access(iop)) Check_lock_release(thread, data->pa);
    return 0;
}

int Load_Value_To_GRT(IOPDesc *iop, uint64_t value)
{
    load_value_to(iop, value, FIELD_RT(iop->word));
    return 1;
}

int load_single_register(IOPDesc *iop, int advance, uint64_t update_base)
{
    return load_register(iop, advance, update_base, FIELD_RT(iop->word), nullptr);
}

int store_single_register(IOPDesc *iop, uint64_t value)
{
    uint32_t ra = FIELD_RA(iop->word);
    bool update = iop->update_form != 0;
    uint64_t ea = iop->data.ea;
    if (update && ra == 0 && Invalid_Form(iop, "store with update is invalid when RA=0")) return 0;
    if (update && iop->addr_only) UPDATE_EA(iop, ra, ea);
    if (Store_Memory_Value(iop, value, 0, iop->byte_reversed) == 1) return 0;
    if (update && !iop->addr_only) UPDATE_EA(iop, ra, ea);
    return 1;
}

void UPDATE_EA(IOPDesc *iop, uint32_t reg, uint64_t value)
{
    IOP_Write_GPR(iop, reg, value);
}

// ---- quadwords ----

int Start_Quadword_Access(IOPDesc *iop, uint32_t must_be_even, uint32_t *reg)
{
    if (!option(iop, PO_LQ_STQ_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, iop->row ? iop->row->mnemonic : "no instruction");
        return 0;
    }
    int allowed = 1;
    if (!Tags_Active(iop) && option(iop, PO_LQ_STQ_PRIVILEGED) && (iGET_MSR(iop) & MSR_PR)) {
        interrupt_PrivilegedInstruction(iop);
        allowed = 0;
    }
    if (*reg & 1) {
        sim_warning(1, "%s instruction to odd source register RS(%d).",
                    iop->row ? iop->row->mnemonic : "no instruction", (int)*reg);
        if (must_be_even) {
            interrupt_IllegalInstruction(iop, "RS is odd for lq/stq");
            allowed = 0;
        }
        if (option(iop, PO_LQ_STQ_BACKUP_ON_ODD)) *reg -= 1;
    }
    return allowed;
}

int Actual_QuadWord_Load(IOPDesc *iop, uint32_t rt, uint64_t offset, AXD *data, uint64_t *first_pa)
{
    uint32_t ra = FIELD_RA(iop->word);
    uint32_t second = (rt + 1) & 31;
    iop->update_form = iop->algebraic = iop->byte_reversed = 0;
    data->size = data->size2 = 16;
    data->kind = AXD_KIND_LOAD;
    data->row_size = 8;
    uint64_t ea = (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0) + offset;
    data->ea = data->orig_ea = data->ea2 = ea;
    data->row_size = iop->row ? (int16_t)iop->row->access_size : 16;
    if (!CEA_CHECK_EAO(iop, ra, offset, 16)) return 0;
    data->size = 8;
    data->align = WHOLE_QUADWORD;

    // The register of the lower doubleword: RT in big-endian order, RT + 1 in little-endian.
    bool little = IOP_Data_Little_Endian(iop) != 0;
    uint32_t low_register = little ? second : rt;
    uint32_t high_register = little ? rt : second;

    uint64_t low = 0, high = 0;
    for (int attempt = 0; attempt < QUADWORD_ATTEMPTS; attempt++) {
        uint64_t check_low = 0, check_high = 0, pa = 0;
        if (!quiet_doubleword(iop, ea, &check_low, &pa)) {
            if (!loud_doubleword(iop, ea, &check_low)) {
                drop_quadword_reservation(iop);
                return 0;
            }
            pa = data->pa;
        }
        take_quadword_reservation(iop, pa);
        if (iop->exceptions) {
            drop_quadword_reservation(iop);
            return 0;
        }
        *first_pa = pa;
        if (!quiet_doubleword(iop, ea + 8, &check_high, nullptr)) {
            loud_doubleword(iop, ea + 8, &check_high);
            drop_quadword_reservation(iop);
            return 0;
        }
        data->ea = data->orig_ea = ea;
        data->size = 8;
        data->align = WHOLE_QUADWORD;
        if (!load_register(iop, 0, 0, low_register, &low)) {
            drop_quadword_reservation(iop);
            return 0;
        }
        data->ea = data->orig_ea = ea + 8;
        data->align = SECOND_DOUBLEWORD;
        if (!load_register(iop, 0, 0, high_register, &high)) {
            drop_quadword_reservation(iop);
            return 0;
        }
        take_quadword_reservation(iop, pa);
        uint64_t again_low = 0, again_high = 0;
        if (!quiet_doubleword(iop, ea, &again_low, nullptr) ||
            !quiet_doubleword(iop, ea + 8, &again_high, nullptr))
            sim_panic("Assert : %s at line %d, file %s", "status == MMU_SUCCESS", __LINE__, __FILE__);
        if (low == check_low && low == again_low && high == check_high && high == again_high) return 1;
    }
    sim_warning(1, "lq: unable to validate load atomicity");
    sim_warning(1, "lq: 1: 0x%016lX 0x%016lX", (unsigned long)low, (unsigned long)high);
    sim_warning(1, "lq: .: 0x%016lX 0x%016lX", (unsigned long)low, (unsigned long)high);
    sim_warning(1, "lq: 2: 0x%016lX 0x%016lX", (unsigned long)low, (unsigned long)high);
    return 1;
}

void End_Quadword_Load(IOPDesc *iop, uint64_t pa, uint32_t rt)
{
    int tag = PA_Read_Memory_Tag(iop->thread, pa, 0);
    if ((iGET_SIM_CTRL1(iop) & SIM_CTRL1_TAG_CHECK) && !Tags_Active(iop)) return;
    write_tgcc(iop, tag ? tag_condition(iop, iop->thread->GPR[rt].value) : 0);
}

int End_Quadword_Store(IOPDesc *iop, AXD *data)
{
    uint64_t msr = iop->thread->MSR.value;
    if (Tags_Active(iop) || (msr & MSR_BTAE) || option(iop, PO_STQ_ALWAYS_STORES_TAG)) {
        XER_Mark_Written(iop, XER_TAG_BIT);
        PA_Write_Memory_Tag_AXD(iop, data, (IOP_XER_Value(iop) & XER_TAG_BIT) ? 1 : 0, 1);
        return 1;
    }
    PA_Write_Memory_Tag_AXD(iop, data, 0, 1);
    return 0;
}

// ---- shared helpers ----

int IOP_Check_Reservation_Storage(IOPDesc *iop)
{
    AXD *data = &iop->data;
    if (data->access_origin != 2) return 1;
    if ((data->wimg & AXD_WIMG_W) && option(iop, PO_RESERVATION_WRITE_THROUGH_CAUSES_EXCEPTION)) {
        if (option(iop, PO_WRITE_THRU_LSWD_ARX))
            interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_WRITE_THRU_RESERVATION);
        else
            interrupt_DataStorageAccess(iop, data->orig_ea, data->kind, EST_DSI_WRITE_THRU_RESERVATION);
        return 0;
    }
    if ((data->wimg & AXD_WIMG_I) && option(iop, PO_CACHE_INHIBITED_LSWD_ARX)) {
        if (option(iop, PO_CACHE_INHIBITED_LSWD_ARX_CAUSE_DSI))
            interrupt_DataStorageAccess(iop, data->orig_ea, data->kind, EST_DSI_CI_RESERVATION);
        else
            interrupt_AlignmentException(iop, data->ea, 0, data->kind, EST_ALIGN_CI_RESERVATION);
        return 0;
    }
    return 1;
}

int Load_String_Length(IOPDesc *iop, int bytes, int ra, int rb, int rt, int unit)
{
    if (!option(iop, PO_LSWX_SHORTENED)) return bytes;
    if (rb > 32) {
        if (ra == 0) return bytes;
        rb = ra;
    }
    int r = ra ? ra : rb;
    int n = (bytes + unit - 1) / unit;
    int k = n;
    if (rt <= r && r < rt + n) k = r - rt;
    if (rb >= 0 && rt <= rb && rb < rt + n) k = std::min(k, rb - rt);
    if (k < n) {
        bytes -= (n - k) * unit;
    } else {
        int end = rt + n;
        if (end <= 32) return bytes;
        int wrapped = end - 32;
        int m = wrapped;
        if (r >= 0) m = std::min(m, r);
        if (rb >= 0 && rb < wrapped) m = std::min(m, rb);
        if (m == wrapped) return bytes;
        bytes -= (wrapped - m) * unit;
    }
    if (option(iop, PO_LSWX_FINISHS_REGISTERS)) bytes = (bytes + unit - 1) / unit * unit;
    return bytes;
}

void Load_String_Undefined_Targets(IOPDesc *iop, uint32_t first, uint32_t count)
{
    if (!option(iop, PO_GPRS_UNDEFINED_FOR_LOAD_STRING_EXCEPTION) || !iop->row) return;
    uint16_t id = iop->row->id;
    if (id < ROW_LSDI || id > ROW_LSWX) return;
    // Four registers' worth: 16 bytes for the word strings, 32 for the doubleword strings.
    uint64_t alignment = (id == ROW_LSWI || id == ROW_LSWX) ? 16 : 32;
    if (iop->data.ea2 % alignment == 0) return;
    for (uint32_t i = 0; i < count; i++)
        SET_GPR(iop, (first + i) % 32, 0);
}

void PageCheckCacheableAccess(const char *name, AXD *axd)
{
    if (get_debug_flag(DEBUG_CATEGORY_PAGE_CHECK) <= 0) return;
    sim_do_debug(debug_name[DEBUG_CATEGORY_PAGE_CHECK].name, nullptr, nullptr,
                 "%s: cacheable(?) access to 0x%016lX, WIMG = %d", name, (unsigned long)axd->pa,
                 (int)axd->wimg);
}

int Is_EA_Odd_Word_Aligned(uint32_t address)
{
    return (address % 4 == 0 && address % 8 != 0) ? 1 : 0;
}

// ---- the cycle-level core's micro-operations ----

int semantic_noop(IOPDesc *)
{
    return 1;
}

namespace
{

constexpr uint32_t ATTR_MISALIGNED_FORM = 0x200000;

bool misaligned_partner(const IOPDesc *partner)
{
    return partner->row && (partner->row->attributes & ATTR_MISALIGNED_FORM);
}

} // namespace

int semantic_st_data(IOPDesc *iop)
{
    if (IOPDesc *partner = iop->partner) partner->operand_slot4[0] = iop->operand_slot4[0];
    return 1;
}

int semantic_st_fpdata(IOPDesc *iop)
{
    IOPDesc *partner = iop->partner;
    if (!partner) return 1;
    uint64_t value = iop->operand_slot4[1];
    if (misaligned_partner(partner) && partner->ucode_id == 0) value >>= 4;
    partner->operand_slot4[1] = value;
    return 1;
}

int semantic_st_vmdata(IOPDesc *iop)
{
    if (IOPDesc *partner = iop->partner) {
        partner->operand_slot4[0] = iop->operand_slot4[0];
        partner->operand_slot4[1] = iop->operand_slot4[1];
    }
    return 1;
}

int semantic_st_vsdata(IOPDesc *iop)
{
    IOPDesc *partner = iop->partner;
    if (!partner) return 1;
    uint64_t high = iop->operand_slot4[0], low = iop->operand_slot4[1];
    if (misaligned_partner(partner)) {
        if (partner->ucode_id == 4) low = high;
        if (partner->ucode_id == 5) low <<= 32;
    }
    partner->operand_slot4[0] = high;
    partner->operand_slot4[1] = low;
    return 1;
}

int semantic_st_voxadata(IOPDesc *)
{
    return 1;
}

int semantic_misal_xxpermdi(IOPDesc *)
{
    return 1;
}

int semantic_x_ls_update(IOPDesc *iop)
{
    uint32_t ra = FIELD_RA(iop->word);
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr1, iop->operand_slot2[0]);
    else
        SET_GPR(iop, ra, iop->thread->GPR[32].value);
    return 1;
}

int semantic_lq_tag(IOPDesc *iop)
{
    if (!Tags_Active(iop)) return 1;
    IOPDesc *first = iop->partner;
    if (!first) return 1;
    if (first->sequence_number > iop->sequence_number)
        sim_warning(1, "semantic_lq_tag: PA may have been corrupted.");
    int tag = PA_Read_Memory_Tag(iop->thread, first->data.pa, 0);
    write_tgcc(iop, tag ? tag_condition(iop, iop->operand_slot4[0]) : 0);
    return 1;
}
