// Cache-block and ordering instructions: dcbt, dcbtst, dcbst, dcbf, icbi, dcbz, icbt, the
// exported dcbi and external-PID forms, isync, sync, eieio, tlbsync and icread; the common
// cache-block operation, the cache-operation performer and the replay on other processors.
#include "isa/semantics_cache.h"

#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
#include "mmu/icread.h"
#include "mmu/load_store_path.h"
#include "mmu/physical_access.h"
#include "mmu/storage_interrupts.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/common.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"

namespace
{

constexpr uint64_t PAGE_OFFSET_4K = 0xFFF;
constexpr uint64_t HID5_CACHE_DISABLE = 1ull << 62;
constexpr uint32_t TH_STREAM = 10;
constexpr uint32_t TH_STREAM_ALTERNATE = 11;
constexpr uint32_t TH_PARTIAL = 24;
constexpr uint32_t TH_TRANSIENT = 0x1C;
constexpr uint32_t WORD_BIT_24 = 1u << 24; // TH bit 8
constexpr uint64_t DEFAULT_CACHE_BLOCK = 128;

enum : int { TOUCH_DCBF = 3, TOUCH_DCBI = 4, TOUCH_ICBI = 6 };

bool option(const IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

uint32_t machine_mode(const IOPDesc *iop)
{
    const GenericMachine *machine = iop->thread->machine;
    return machine ? machine->mode : MODE_SIMPLE;
}

uint64_t cache_block_size(const IOPDesc *iop)
{
    const GenericMachine *machine = iop->thread->machine;
    return machine && machine->cache_block_size ? machine->cache_block_size : DEFAULT_CACHE_BLOCK;
}

uint32_t field_th(uint32_t word)
{
    return (word >> 21) & 0x1F;
}

bool transactions_exist(const IOPDesc *iop)
{
    return HTM_Threads_In_Transaction(iop->thread->machine) != 0;
}

int complete(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}

bool problem_state(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_PR) != 0;
}

// The privilege check of the external-PID forms; false after the interrupt.
bool privileged(IOPDesc *iop)
{
    if (!problem_state(iop)) return true;
    interrupt_PrivilegedInstruction(iop);
    return false;
}

} // namespace

int cache_op_treated_as_nop(void)
{
    return 0;
}

int IOP_Do_Cache_Operation(IOPDesc *iop, uint32_t operation, int, CachePerformFunction perform)
{
    ThreadState *thread = iop->thread;
    AXD *data = &iop->data;
    uint64_t line = cache_block_size(iop);
    uint32_t mode = machine_mode(iop);
    int touch = 0;
    switch (operation) {
    case CACHE_OP_DCBF:
        if (option(iop, PO_RESERVATION_LOST_FOR_DCBF) && thread->memory_client &&
            __atomic_load_n(&thread->memory_client->reservation_valid, __ATOMIC_ACQUIRE))
            clear_reservation_bit(thread->memory_client);
        touch = TOUCH_DCBF;
        break;
    case CACHE_OP_DCBI:
        touch = TOUCH_DCBI;
        break;
    case CACHE_OP_ICBI:
        touch = TOUCH_ICBI;
        break;
    case CACHE_OP_DCBZ: {
        data->ea &= ~(line - 1);
        data->pa &= ~(line - 1);
        data->size = (int16_t)line;
        PA_Write_Memory_Tag_AXD(iop, data, 0, 1);
        if (mode <= MODE_SIMPLE) {
            bool inhibited_outside_transaction =
                (data->wimg & AXD_WIMG_I) && (thread->MSR.value & MSR_TS) == 0;
            if (transactions_exist(iop) && !inhibited_outside_transaction)
                HTM_PA_Clear_Memory_Directly(iop, data, (int64_t)line);
            else
                PA_clear_memory_directly(thread, data->pa, (int64_t)line, 1);
        }
        if ((data->ea & PAGE_OFFSET_4K) == 0 || ((data->ea + line) & PAGE_OFFSET_4K) == 0)
            Event_DCBZ_Start_End(thread, data->ea, data->pa, (uint32_t)line);
        break;
    }
    default:
        break;
    }
    if (touch && transactions_exist(iop))
        htm_check_touch_collision(iop, thread->device_number, data->pa, 0, touch);
    if (mode <= MODE_SIMPLE) return 1;

    uint32_t th = field_th(iop->word);
    if (operation == CACHE_OP_DCBT && (iop->word & WORD_BIT_24)) {
        if (th != TH_TRANSIENT) data->size = (int16_t)line;
    } else if (!(operation == CACHE_OP_DCBTST && th == TH_TRANSIENT)) {
        data->ea &= ~(line - 1);
        data->pa &= ~(line - 1);
        data->size = (int16_t)line;
    }
    if (iop->addr_only) return 1;
    return perform(thread->memory_client, data) == 0 ? 1 : 0;
}

int Cache_Block_Operation(IOPDesc *iop, uint32_t operation, uint16_t kind, CachePerformFunction perform)
{
    if (cache_op_treated_as_nop()) return complete(iop);
    AXD *data = &iop->data;
    uint32_t th = field_th(iop->word);
    bool touch = kind == AXD_KIND_CACHE_TOUCH;
    bool touch_row = operation == CACHE_OP_DCBT || operation == CACHE_OP_DCBTST;
    if (iop->addr_only) iop->core_rec.operation = (uint8_t)operation;
    data->iop = iop;
    data->row = iop->row;
    data->size = 1;
    data->kind = kind;
    if (touch) data->kind = operation == CACHE_OP_DCBT ? AXD_KIND_CACHE_LOAD : AXD_KIND_CACHE_STORE;
    uint64_t alignment = cache_block_size(iop);
    if (operation == CACHE_OP_DCBT && th == TH_PARTIAL && option(iop, PO_DCBTP_PARTIAL)) alignment /= 2;

    if (touch_row && (th == TH_STREAM || (th == TH_STREAM_ALTERNATE && option(iop, PO_DCBT_TH_11)))) {
        if (machine_mode(iop) > MODE_SIMPLE && !iop->addr_only) perform(iop->thread->memory_client, data);
        return complete(iop);
    }

    uint32_t ra = FIELD_RA(iop->word);
    uint64_t index = IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
    uint64_t ea = (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0) + index;
    data->ea = data->orig_ea = data->ea2 = ea;
    if (iop->defer_side_effects) iop->operand_slot2[0] = index;
    int overflow = CEA_CHECK_EAO(iop, ra, index, 1);
    if (touch_row && option(iop, PO_DCBT_TH_8) && option(iop, PO_POWERPC_V206))
        data->ea = ea & ~(alignment - 1);

    if (overflow == 1 || overflow == 3) {
        if (touch_row && option(iop, PO_DCBT_W_EAO_STILL_XLATE)) {
            PPC_MMU_AddressTranslate(ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION, iop, data);
            Discard_Instruction_Bound_Exceptions(iop, 0);
        }
        return complete(iop);
    }
    if (overflow == 0 && !touch) return 0;

    int status;
    if (touch) {
        status = PPC_MMU_AddressTranslate(ADDRESS_TRANSLATE_DATA_NOEXCEPTION, iop, data);
        Discard_Instruction_Bound_Exceptions(iop, 0);
    } else {
        status = PPC_MMU_AddressTranslate(0, iop, data);
    }
    bool translated = status == XLATE_OK;
    // A touch is a hint: one that cannot be translated completes as a no-op.
    if (!translated && touch) return complete(iop);
    if (!translated && operation != CACHE_OP_DCBZ) return 0;

    if (translated && touch && (data->wimg & (AXD_WIMG_I | AXD_WIMG_G))) return complete(iop);
    if (operation == CACHE_OP_DCBST || operation == CACHE_OP_DCBF) data->wimg &= ~(AXD_WIMG_I | AXD_WIMG_G);

    if (operation == CACHE_OP_DCBZ) {
        uint64_t line = ea & ~(alignment - 1);
        int watched = CheckDAWR(iop, line, data, 1);
        if (data->wimg & AXD_WIMG_I)
            interrupt_AlignmentException(iop, ea, alignment - 1, data->kind, EST_ALIGN_CI_DCBZ);
        if (!option(iop, PO_DCBZ_HID_CACHE_DISABLE_ALI) && (iGET_HID5(iop) & HID5_CACHE_DISABLE))
            interrupt_AlignmentException(iop, ea, alignment - 1, data->kind, EST_ALIGN_CI_DCBZ);
        if (watched || !translated || iop->exceptions) return 0;
    }
    if (!IOP_Do_Cache_Operation(iop, operation, 0, perform)) return 0;
    return complete(iop);
}

void cache_broadcast(IOPDesc *iop, uint32_t operation, uint16_t kind, CachePerformFunction perform)
{
    if (!option(iop, PO_SYNC_CACHE_OPERATIONS)) return;
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    DeviceMgr *manager = machine ? machine->device_manager : nullptr;
    if (!manager) return;
    if (machine->thread_major < 0) machine->thread_major = DeviceMgr__GetDeviceMajorNum(manager, "Thread");
    int32_t major = machine->thread_major;
    if (major < 0) return;
    int32_t count = DeviceMgr__GetDeviceCount(manager, major);
    for (int32_t i = 0; i < count; i++) {
        int32_t minor = DeviceMgr__GetIndexMinor(manager, major, i);
        auto *other = static_cast<ThreadState *>(DeviceMgr__GetDevice(manager, major, minor));
        if (!other || other->processor == thread->processor) continue;
        IOPDesc *copy = get_Instruction(other);
        if (!copy) return;
        copy->row = iop->row;
        copy->word = iop->word;
        copy->length = iop->length;
        copy->exceptions = nullptr;
        copy->data = iop->data;
        copy->data.iop = copy;
        copy->data.kind = kind;
        IOP_Do_Cache_Operation(copy, operation, 0, perform);
        Discard_Instruction_Bound_Exceptions(copy, 0);
        return_Instruction(copy);
    }
}

// ---- the rows ----

int semantic_dcbt(IOPDesc *iop)
{
    if (field_th(iop->word) != 0 && !option(iop, PO_DCBT_EXTENDED_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "dcbt");
        return 0;
    }
    return Cache_Block_Operation(iop, CACHE_OP_DCBT, AXD_KIND_CACHE_TOUCH, Cache_dcbt);
}

int semantic_dcbtst(IOPDesc *iop)
{
    if (field_th(iop->word) != 0 && !option(iop, PO_DCBTST_EXTENDED_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "dcbtst");
        return 0;
    }
    return Cache_Block_Operation(iop, CACHE_OP_DCBTST, AXD_KIND_CACHE_TOUCH, Cache_dcbtst);
}

int semantic_dcbst(IOPDesc *iop)
{
    if (Transaction_Guard(iop)) return 1;
    return Cache_Block_Operation(iop, CACHE_OP_DCBST, AXD_KIND_CACHE_LOAD, Cache_dcbst);
}

int semantic_dcbf(IOPDesc *iop)
{
    if ((iop->word & (1u << 21)) && !option(iop, PO_DCBF_EXTENDED_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "dcbf");
        return 0;
    }
    if (Transaction_Guard(iop)) return 1;
    return Cache_Block_Operation(iop, CACHE_OP_DCBF, AXD_KIND_CACHE_FLUSH, Cache_dcbf);
}

int semantic_icbi(IOPDesc *iop)
{
    if (Transaction_Guard(iop)) return 1;
    if (!Cache_Block_Operation(iop, CACHE_OP_ICBI, AXD_KIND_CACHE_FLUSH, Cache_icbi)) return 0;
    cache_broadcast(iop, CACHE_OP_ICBI, AXD_KIND_CACHE_FLUSH, Cache_icbi);
    return 1;
}

int semantic_dcbz(IOPDesc *iop)
{
    if (!Cache_Block_Operation(iop, CACHE_OP_DCBZ, AXD_KIND_STORE, Cache_dcbz)) return 0;
    cache_broadcast(iop, CACHE_OP_DCBI, AXD_KIND_CACHE_INVALIDATE, Cache_dcbf);
    return 1;
}

int semantic_dcbi(IOPDesc *iop)
{
    if (option(iop, PO_DCBI_PRIVILEGED) && !privileged(iop)) return 0;
    if (Transaction_Guard(iop)) return 1;
    if (!Cache_Block_Operation(iop, CACHE_OP_DCBI, AXD_KIND_CACHE_INVALIDATE, Cache_dcbf)) return 0;
    cache_broadcast(iop, CACHE_OP_DCBI, AXD_KIND_CACHE_INVALIDATE, Cache_dcbf);
    return 1;
}

int semantic_icbiep(IOPDesc *iop)
{
    return privileged(iop) ? semantic_icbi(iop) : 0;
}

int semantic_dcbzep(IOPDesc *iop)
{
    return privileged(iop) ? semantic_dcbz(iop) : 0;
}

int semantic_dcbtstep(IOPDesc *iop)
{
    return privileged(iop) ? semantic_dcbtst(iop) : 0;
}

int semantic_dcbtep(IOPDesc *iop)
{
    if (!privileged(iop)) return 0;
    uint32_t th = field_th(iop->word);
    if (th != 0 && !option(iop, PO_DCBT_EXTENDED_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "dcbt");
        return 0;
    }
    uint16_t kind = option(iop, PO_DCBT_TH_8) && th == 8 ? AXD_KIND_LOAD : AXD_KIND_CACHE_TOUCH;
    return Cache_Block_Operation(iop, CACHE_OP_DCBT, kind, Cache_dcbt);
}

int semantic_dcbfep(IOPDesc *iop)
{
    if (!privileged(iop)) return 0;
    if (!semantic_dcbf(iop)) return 0;
    cache_broadcast(iop, CACHE_OP_DCBF, AXD_KIND_CACHE_FLUSH, Cache_dcbf);
    return 1;
}

int semantic_dcbstep(IOPDesc *iop)
{
    if (!privileged(iop)) return 0;
    if (!semantic_dcbst(iop)) return 0;
    cache_broadcast(iop, CACHE_OP_DCBST, AXD_KIND_CACHE_LOAD, Cache_dcbst);
    return 1;
}

int semantic_icbt(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    uint32_t ra = FIELD_RA(iop->word);
    uint64_t index = IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
    AXD *data = &iop->data;
    data->ea = data->orig_ea = data->ea2 = (ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0) + index;
    if (!CEA_CHECK_EAO(iop, ra, index, 1)) return 0;
    sim_warning(1, "ICBT: without semantics!");
    return complete(iop);
}

// ---- ordering ----

int semantic_isync(IOPDesc *iop)
{
    Event_Core_Sync_Instruction(iop->thread, SYNC_EVENT_ISYNC);
    return complete(iop);
}

int semantic_sync(IOPDesc *iop)
{
    Event_Core_Sync_Instruction(iop->thread, SYNC_EVENT_SYNC);
    uint32_t level = 0;
    if (option(iop, PO_POWERPC_V2))
        level = option(iop, PO_2BIT_SYNC) ? (iop->word >> 21) & 3 : (iop->word >> 21) & 1;
    if (level == 3) {
        if (!quiet_mode) sim_warning(1, "sync with level 3 -- no effect");
        return complete(iop);
    }
    if (machine_mode(iop) > MODE_SIMPLE) Cache_sync(iop->thread->memory_client, iop);
    return complete(iop);
}

int semantic_eieio(IOPDesc *iop)
{
    Event_Core_Sync_Instruction(iop->thread, SYNC_EVENT_EIEIO);
    if (!option(iop, PO_EIEIO_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "eieio");
        return 0;
    }
    if (machine_mode(iop) > MODE_SIMPLE) Cache_eieio(iop->thread->memory_client, iop);
    return complete(iop);
}

int semantic_tlbsync(IOPDesc *iop)
{
    uint64_t msr = iGET_MSR(iop);
    if (!(msr & MSR_HV) || (msr & MSR_PR)) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    if (machine_mode(iop) > MODE_SIMPLE) Cache_ptesync(iop->thread->memory_client, iop);
    return complete(iop);
}

int semantic_icread(IOPDesc *iop)
{
    if (!core_icread(iop)) return 0;
    return complete(iop);
}
