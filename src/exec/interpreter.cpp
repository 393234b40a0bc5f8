// The one-instruction interpreter.
#include "exec/interpreter.h"

#include <cstring>

#include "decode/instr_info.h"
#include "exec/instruction_hooks.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "interrupts/msr_write.h"
#include "isa/semantics_helpers.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "mmu/data_path_hooks.h"
#include "mmu/address_translate.h"
#include "mmu/hooks/cache_data_path.h"
#include "mmu/hooks/pc_triggers.h"
#include "mmu/physical_access.h"
#include "mmu/xlate_debug.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/prints/instruction_prints.h"
#include "processor/prints/trace_text.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/value_ops.h"
#include "processor/run/smt.h"
#include "processor/translation/xlate_version.h"
#include "runtime/debug.h"
#include "runtime/plugin_events.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"

uint32_t z93_pending_IPIs = 0;

const char *const FAIL_TRANSLATION = "Instruction Translation Fault";
const char *const FAIL_CACHED_READ = "Cached Instruction Read Fails";
const char *const FAIL_READ = "Instruction Read Fails";
const char *const FAIL_INSTRUCTION = "Instruction Failed";
const char *const FAIL_ILLEGAL = "Illegal Instruction";

namespace
{

constexpr uint64_t PAGE_MASK_4K = ~0xFFFull;
constexpr uint64_t PAGE_SIZE_4K = 0x1000;
constexpr int MODE_THROUGH_CACHE = 5;
// Rows whose execution goes on although an interrupt was raised before it (the soft-patch match):
// floating point, VMX, VSX, transactional memory, pbt, branch history and two internal classes.
constexpr uint64_t EXECUTE_DESPITE_RAISED = 0x0068000028048040ull;
constexpr uint64_t FPSCR_FEX = 0x40000000;
constexpr uint64_t MSR_FE0 = 0x800;
constexpr uint64_t MSR_FE1 = 0x100;
constexpr uint64_t MSR_TS_BITS = 0x0000000600000000ull;
constexpr uint64_t SRR1_TS_BITS = 0x600000000ull;
constexpr int32_t TRACE_CIABR = 279;
constexpr int32_t TRACE_CIABR_AND_STEP = 288;

// Decoded rows by instruction word: a row depends only on the word, the table and the decoder, so
// an entry is valid while all three match. Direct-mapped by the word's low and opcode bits.
struct DecodedRow {
    uint32_t word;
    InstrInfo *table;
    DecodeInstrFn decoder;
    InstrInfo *row;
};
constexpr uint32_t DECODE_CACHE_SIZE = 4096;
// Per host thread: the parallel translator's workers may interpret too.
thread_local DecodedRow decode_cache[DECODE_CACHE_SIZE];

InstrInfo *decode_cached(DecodeInstrFn decoder, InstrInfo *table, uint32_t word)
{
    DecodedRow &entry = decode_cache[(word ^ (word >> 20) ^ (word >> 9)) & (DECODE_CACHE_SIZE - 1)];
    if (entry.row && entry.word == word && entry.table == table && entry.decoder == decoder) return entry.row;
    InstrInfo *row = decoder(table, word);
    entry.word = word;
    entry.table = table;
    entry.decoder = decoder;
    entry.row = row;
    return row;
}

// The host page of the last instruction page each thread fetched from plain memory. An entry holds
// while the memory maps are unchanged (MapList_Changes): the region's bytes stay where they are.
struct FetchPage {
    const ThreadState *thread;
    uint64_t pa_page;
    uint64_t map_changes;
    const uint8_t *host;
};
constexpr uint32_t FETCH_PAGES = 8;
constexpr int DEBUG_MEM_REFS = 77;
thread_local FetchPage fetch_pages[FETCH_PAGES];

const uint8_t *fetch_host_page(ThreadState *thread, uint64_t pa_page)
{
    FetchPage &entry = fetch_pages[((uintptr_t)thread >> 6) & (FETCH_PAGES - 1)];
    if (entry.thread == thread && entry.pa_page == pa_page && entry.map_changes == MapList_Changes)
        return entry.host;
    MCM *chip = thread->memory_client ? thread->memory_client->mcm : nullptr;
    MemoryMap *map = chip && chip->mbus ? chip->mbus->memory_map : nullptr;
    // The one element the whole page lies in (none when another element shares the page), and
    // only a memory region, whose reads are the bytes of its host chunks.
    MapListElement *element = map ? MapList_SearchForUniqueByAddr(map->map_list, pa_page, PAGE_SIZE_4K) : nullptr;
    if (!element || !element->ops || element->ops->read != MEMORY_READ_MMAPI_FUNCTION || !element->instance ||
        pa_page < element->start || element->end - pa_page < PAGE_SIZE_4K - 1)
        return nullptr;
    const uint8_t *host = region_host_address(static_cast<sim_memory *>(element->instance),
                                              pa_page - element->start, PAGE_SIZE_4K, false);
    if (!host) return nullptr;
    entry = {thread, pa_page, MapList_Changes, host};
    return host;
}

// The instruction word straight from host memory when the physical read would do nothing else:
// no cache model, transaction, checker, reference trace, assist-thread stop or dirty-address
// tracking (the memory triggers never watch fetches). False leaves the fetch to the full path.
bool fetch_word_direct(ThreadState *thread, GenericMachine *machine, const AXD *fetch, uint32_t *word)
{
    if (memoryDataless || machine->threads_in_transaction > 0 || machine->cache_contained_checker ||
        machine->page_cache_mode_checker || debug_state[DEBUG_MEM_REFS] > 0)
        return false;
    if (thread->is_assist_thread && !(fetch->wimg & AXD_WIMG_M) && (fetch->wimg & 0xD) != 0xD) return false;
    if (mc_dirty_table_hit(machine, fetch->pa)) return false;
    if (!(thread->MSR.value & MSR_HV) && !(fetch->wimg & AXD_WIMG_I) && ha_tracking_enabled(thread)) return false;
    const uint8_t *host = fetch_host_page(thread, fetch->pa & PAGE_MASK_4K);
    if (!host) return false;
    uint32_t raw;
    memcpy(&raw, host + (fetch->pa & ~PAGE_MASK_4K), sizeof raw);
    *word = __builtin_bswap32(raw);
    return true;
}

bool stopping()
{
    uint32_t word = __atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST);
    return word != 0 && word != STOP_USER_INTERRUPT;
}

// The translation-debug record when the fetch translation is reused: text 0 stands for this fetch.
void debug_reuse(Xlate_Debug *record)
{
    Xlate_Debug_Text &first = record->texts[0];
    if (record->current != 0 && first.text[0] == '\0') {
        strcpy(first.text, "SIM_DEBUG_EXXLATE Fetch message error: should be same page as previous accress");
        first.ea = -1;
        first.page_shift = 12;
        first.mode = XLAT_DEBUG_MODE_NOT_SET;
    } else {
        first.ea += 4;
    }
    first.reserved = first.failed = 0;
    record->current = 1;
    record->flush = record->paused = 0;
    Xlate_Debug_Clear_Text(&record->texts[1]);
    Xlate_Debug_Clear_Text(&record->texts[2]);
}

void debug_new(Xlate_Debug *record)
{
    record->current = record->flush = record->paused = 0;
    for (Xlate_Debug_Text &text : record->texts)
        Xlate_Debug_Clear_Text(&text);
}

// The cost of the instruction: the row's throughput, or the processor's cycles per instruction
// with the fraction carried to the next instruction.
void charge_cycles(IOPDesc *iop, ProcessorState *core, const InstrInfo *row)
{
    int32_t t;
    if (core->cpi == 0.0f) {
        t = (int32_t)row->throughput;
    } else {
        float x = core->cpi + core->cpi_fraction;
        t = (int32_t)((double)x + 0.5);
        core->cpi_fraction = x - (float)t;
    }
    if (t > 0) iop->cycles += t;
}

// After a transactional instruction whose transaction has recorded a failure; returns whether
// the trace step still follows.
bool transaction_post_check(IOPDesc *iop, ThreadState *thread, const InstrInfo *row, uint64_t msr_before)
{
    GenericMachine *machine = thread->machine;
    if (!thread->htm_failure_pending || thread->htm_failure_stage == 0) return true;
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_TS_BITS) != MSR_TS_TRANSACTIONAL || !machine || machine->threads_in_transaction == 0) return true;
    uint64_t flags = row->class_flags;
    if ((msr & MSR_SE) && row->id == ROW_TRESUME_DOT) return true;
    if ((msr_before & MSR_SE) && !(flags & II_SYSTEM) && (flags & II_MSR_CHANGE) && (flags & II_SPR)) {
        if (thread->htm_failure_stage != -1) return true;
        htm_handle_failure(iop);
        return false;
    }
    if (row->id == ROW_RFEBB && (msr & (MSR_SE | MSR_BE))) return true;
    htm_handle_failure(iop);
    uint64_t msr_after = iGET_MSR(iop);
    if ((thread->FPSCR.value & FPSCR_FEX) && (msr_after & (MSR_FE0 | MSR_FE1)) &&
        !((msr_before & MSR_SE) && row->id == ROW_MTMSRD)) {
        PowerPCException *record = interrupt_FloatingPointException(iop, 1);
        if (record && row->id == ROW_TRESUME_DOT) record->srr1_set |= SRR1_TS_BITS;
    }
    if (flags & II_TABORT) return true;
    if ((flags & II_SYSTEM) && (flags & II_MSR_CHANGE)) return true;
    if (row->id == ROW_MTMSRD && (thread->htm_failure_stage > 0 || thread->htm_failure_stage == -2)) return true;
    return false;
}

void trace_interrupts(IOPDesc *iop, const InstrInfo *row, uint64_t msr_before, int ciabr)
{
    if (row->attributes & II_ATTR_NO_TRACE_AFTER) return;
    bool traced = (msr_before & MSR_SE) ||
                  (((row->class_flags & II_BRANCH) || (row->class_flags & II_RFEBB)) && (iGET_MSR(iop) & MSR_BE));
    if (traced && ciabr == 1)
        interrupt_TraceSingleStep(iop, TRACE_CIABR_AND_STEP);
    else if (ciabr == 1)
        interrupt_TraceSingleStep(iop, TRACE_CIABR);
    else if (traced)
        interrupt_TraceSingleStep(iop, 0);
}

} // namespace

int32_t In_Spindrel_Trace_Mode(GenericMachine *machine)
{
    return machine ? machine->exerciser_trace_mode : 0;
}

int run_one_instruction(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    GenericMachine *machine = thread->machine;
    iop->fail = nullptr;

    // The forced interrupt reads its control registers only when one is set or read triggers watch
    // them (the reads fire those triggers).
    if ((thread->IRPT_CTL.value != 0 || Reg_Read_Triggers_Armed(thread->IRPT_CTL.trigger) ||
         Reg_Read_Triggers_Armed(thread->IRPT_CTL_MSR.trigger)) &&
        process_wolk_IRPT_CTL_interrupt(iop))
        return 1;

    int32_t number = thread->device_number;
    if (number >= 0 && number < 32) {
        uint32_t bit = 1u << (31 - number);
        if ((z93_pending_IPIs & bit) && (thread->MSR.value & MSR_EE)) {
            interrupt_IPI(thread);
            z93_pending_IPIs &= ~bit;
        }
    }

    if (thread->htm_failure_stage == -1) thread->htm_failure_stage = -2;

    if (!thread->x_smt_enable) {
        sim_warning(2, "SMT enable not set for active thread! Setting enable flag.");
        SMTA_Set_Thread_Enabled(thread);
    }

    iop->length = 4;
    iop->fetch.le = 0;
    iop->data.size = iop->data.size2 = iop->data.row_size = iop->data.align = -1;
    if (iop->exceptions) Discard_Instruction_Bound_Exceptions(iop, 1);

    uint64_t pc = iop->defer_side_effects ? iop->fetch.ea : thread->PC.value;
    iop->msr = iop->start_msr = thread->MSR.value;

    AXD *fetch = &iop->fetch;
    if (current_xlate_version == thread->inst_xlate_version && (pc & PAGE_MASK_4K) == (fetch->ea & PAGE_MASK_4K)) {
        if (thread->xlate_debug) debug_reuse(thread->xlate_debug);
        fetch->ea = pc;
        fetch->pa = (fetch->pa & PAGE_MASK_4K) | (pc & ~PAGE_MASK_4K);
    } else {
        if (thread->xlate_debug) debug_new(thread->xlate_debug);
        fetch->ea = fetch->orig_ea = pc;
        fetch->size = 4;
        fetch->iop = iop;
        fetch->crosses = 0;
        fetch->kind = AXD_KIND_FETCH;
        if (PPC_MMU_AddressTranslate(0, iop, fetch) != 0) {
            iop->fail = FAIL_TRANSLATION;
            return 1;
        }
        thread->inst_xlate_version = current_xlate_version;
    }

    if (fetch->ea == thread->pc_trigger_mark) {
        thread->pc_trigger_mark = ~0ull;
        // The count test keeps the call off the path of a machine without real-address triggers.
        if (machine && machine->trigger_table && machine->trigger_table->realpc_count != 0) {
            Trigger_RealPC__Find_And_Doit(machine, thread, fetch->pa);
            if (stopping()) return 0;
        }
    }

    uint32_t word = 0;
    if (machine && machine->mode > MODE_THROUGH_CACHE) {
        if (PA_Read_inst_Cached(thread->memory_client, fetch, &word) != 0) {
            iop->fail = FAIL_CACHED_READ;
            return 1;
        }
    } else if (!machine || !fetch_word_direct(thread, machine, fetch, &word)) {
        uint64_t value = 0;
        if (PA_Read_Memory_Effect(iop, &value, fetch, 1) != 0) {
            iop->fail = FAIL_READ;
            return 1;
        }
        word = (uint32_t)value;
    }

    if (IOP_Read_MSR(iop) & MSR_LE) word = (uint32_t)Reverse_RegValue(word, 4);

    iop->word = word;
    iop->update_form = iop->algebraic = iop->byte_reversed = 0;

    if (machine && machine->trigger_table && machine->trigger_table->realpc_count != 0)
        Trigger_RealPC__Find_And_Doit(machine, thread, fetch->pa);
    if (stopping()) return 0;

    if (core->check_imc && check_for_imc_match(iop) == 0) return 1;

    InstrInfo *table = core->instruction_table ? core->instruction_table : instruction_info_table;
    InstrInfo *row = core->decoder ? decode_cached(core->decoder, table, iop->word) : &table[0];
    iop->row = row;

    AXD *data = &iop->data;
    data->access_origin = 0;
    data->wimg = 0;
    data->le = 0;
    data->crosses = 0;
    data->row = row;
    data->closing[0] = data->closing[1] = ~0ull;

    if (!row->semantic) {
        if (thread->host_call_hook && thread->host_call_hook(thread, iop->word)) {
            IOP_Advance_NIA(iop);
            iop->fail = nullptr;
            if (thread->xlate_debug) Print_Xlate_Debug_Summary(thread);
            return 1;
        }
        execute_illegal_instruction(iop);
        iop->fail = FAIL_ILLEGAL;
        if (thread->xlate_debug) Print_Xlate_Debug_Summary(thread);
        return 1;
    }

    if (iop->exceptions && !(row->class_flags & EXECUTE_DESPITE_RAISED)) {
        if (thread->xlate_debug) Print_Xlate_Debug_Summary(thread);
        return 1;
    }
    charge_cycles(iop, core, row);
    if (!iop->defer_side_effects) Event_Instruction_PreExecution(iop);
    row = iop->row;
    if (!row->semantic) {
        sim_error("6. no semantic routine for %s", row->mnemonic);
        iop->fail = FAIL_INSTRUCTION;
        return 1;
    }
    iop->sequence_number = New_IOP_Global_Sequence_Number();
    uint64_t msr_before = IOP_Read_MSR(iop);
    // An unarmed CIABR matches nothing; the check is made (and reads its registers, firing their
    // read triggers) when it is armed or a read trigger watches CIABR or the MSR.
    int ciabr = 0;
    if ((thread->CIABR.value & 3) != 0 || Reg_Read_Triggers_Armed(thread->CIABR.trigger) ||
        Reg_Read_Triggers_Armed(thread->MSR.trigger))
        ciabr = CheckCIABR(iop, fetch->ea, fetch->kind);

    int rc = row->semantic(iop);
    if (iop->deferred_triggers) Handle_Trigger_After_Instruction(iop);
    if (thread->xlate_debug) Print_Xlate_Debug_Summary(thread);
    if (rc != 1) {
        iop->fail = FAIL_INSTRUCTION;
        return 1;
    }
    if (!iop->defer_side_effects) Event_Instruction_Commit(iop);
    HTM_INCR_INSTR_COUNT(iop);
    bool trace = transaction_post_check(iop, thread, row, msr_before);
    if (trace && core->options[PO_PROCESS_TRACE_EXCEPTIONS]) trace_interrupts(iop, row, msr_before, ciabr);
    iop->fail = nullptr;
    if (machine && machine->exerciser_trace_mode) Print_Spindrel_Trace(iop);
    return 1;
}
