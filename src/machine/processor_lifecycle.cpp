// Processor and thread records: creation, initialisation from the configuration, teardown.
#include "machine/processor_lifecycle.h"

#include <cstdio>

#include "decode/decoder.h"
#include "decode/instr_tables.h"
#include "exec/thread_job.h"
#include "exec/thread_loops.h"
#include "kernel/arbiter.h"
#include "kernel/counter.h"
#include "kernel/job.h"
#include "machine/hooks/command_hooks.h"
#include "memory/memory_map.h"
#include "mmu/xlate_debug.h"
#include "processor/config/config_getters.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/periodic_stats_standin.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/htm_user_state.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/processor_type.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/processor_reset.h"
#include "processor/regs/register_file.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/spr/ex_spr.h"
#include "processor/spr/pmc_groups.h"
#include "processor/spr/spr_table.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "translator/emat.h"

namespace
{

constexpr const char *PROCESSOR = "processor";
constexpr int DEBUG_CATEGORY_XLATE = 27;

// MSR bits every processor implements, and those its options add.
constexpr uint64_t MSR_IMPLEMENTED_ALWAYS =
    0x8000000002C0FF36ull | 0x1000000000000000ull | 0x0400000000000000ull | 0x700000000ull | 0x1ull;
constexpr uint64_t SRR1_IMPLEMENTED_ALWAYS = 0x702200000ull;
constexpr uint64_t HSRR1_IMPLEMENTED_ALWAYS = 0x700000000ull;
constexpr uint64_t HID0_INITIAL_BIT = 0x100000000ull;

// The machine's per-processor configuration entry of the core (entry 0 beyond the entries).
const CoreTopConfig *core_config(const ProcessorState *core)
{
    const GenericMachine *machine = core->machine;
    if (!machine || !machine->core_configs || machine->total_cores == 0) return nullptr;
    uint32_t index = core->core_id < machine->total_cores ? core->core_id : 0;
    return &machine->core_configs[index];
}

uint64_t read_int(ProcessorState *core, PropertyList *list, const char *name, uint64_t default_value = 0)
{
    return get_plist_int_wd(list, PROCESSOR, (int32_t)core->core_id, name, default_value);
}

// 2^n - 1, all ones from n = 64 on.
uint64_t low_ones(uint64_t n)
{
    return n >= 64 ? ~0ull : (1ull << n) - 1;
}

uint64_t implemented_msr_bits(const ProcessorState *core)
{
    const uint32_t *o = core->options;
    uint64_t bits = MSR_IMPLEMENTED_ALWAYS;
    if (!o[PO_RESERVE_MSR_WE_BIT]) bits |= 0x40000;
    if (o[PO_MSR_IP_BIT]) bits |= 0x40;
    if (o[PO_MSR_US_BIT]) bits |= 0x80;
    if (o[PO_POWERPC_V2] && o[PO_TAGS_ACTIVE]) bits |= 0x4000000000000000ull;
    if (o[PO_MSR_ILE_BIT]) bits |= 0x10000;
    if (o[PO_MSR_SO_BIT]) bits |= 0x8;
    return bits;
}

bool power_of_two_or_zero(uint32_t n)
{
    return (n & (n - 1)) == 0;
}

ERAT_Struct *new_erats(uint32_t count)
{
    return count ? QUARN_ZALLOC(count, ERAT_Struct) : nullptr;
}

Xlate_Debug *new_xlate_debug(void)
{
    Xlate_Debug *record = QUARN_ZALLOC(1, Xlate_Debug);
    if (record) Xlate_Debug_Reset(record);
    return record;
}

void set_descriptor_mask(Register_File_Entry *entry, uint64_t mask)
{
    if (entry && entry->desc) entry->desc->mask = mask;
}

} // namespace

ProcessorState *Processor_Create(PropertyList *, const char *name)
{
    ProcessorState *core = QUARN_ZALLOC(1, ProcessorState);
    if (!core) return nullptr;
    if (name) core->name = REMEMBER_STRING(name);
    core->object_id = (uint32_t)BaseObject__New(name ? name : "", OBJECT_KIND_PROCESSOR, core);
    return core;
}

void Processor_Init(ProcessorState *core, PropertyList *list)
{
    if (!core) return;
    GenericMachine *machine = core->machine;
    int32_t index = (int32_t)core->core_id;

    const char *type = PropertyList__GetString(list, "processor/type");
    core->type_name = REMEMBER_STRING(type ? type : "");
    core->processor_type = (uint32_t)ProcessorName_2_Type(core->type_name);
    if (core->processor_type == 0) sim_warning(2, "creating processor without a processor_type");

    Processor_Options_Init(core, list);
    Set_Chip_Version(core, get_plist_string(list, PROCESSOR, index, "chip_version"));

    int64_t granule = (int64_t)read_int(core, list, "reservation_granularity");
    if (core->mcm)
        core->mcm->reservation_granule = (int32_t)(granule > 0 ? granule
                                                   : machine   ? (int64_t)machine->coherence_block_size
                                                               : 0);

    core->instruction_table =
        InstrInfo__id2table((int32_t)get_plist_int(list, "core", index, "private_ii_table"));
    core->decoder = SelectDecoder(core->type_name);
    core->cpi = machine ? machine->cpi : 0.0f;
    core->cpi_fraction = 0.0f;
    core->command_table = build_ppc_Cmd_table(core->type_name);

    const CoreTopConfig *config = core_config(core);
    if (config) {
        core->core_domain = config->domain;
        core->core_freq = const_cast<FreqSpec *>(&config->freq);
    }
    Initialize_FreqSpec(&core->timebase_freq);
    get_plist_frequency(list, PROCESSOR, index, "timebase_frequency", &core->timebase_freq);
    if (machine) {
        char name[32];
        if (machine->total_cores < 2)
            snprintf(name, sizeof name, "timebase");
        else
            snprintf(name, sizeof name, "timebase-%d", index);
        core->timebase_domain = TD_declare_time_domain(name, &machine->time_domains, &core->timebase_freq);
    }

    // ERATs: counts must be powers of two and not 0.
    core->ierat_count = (uint32_t)read_int(core, list, "number_of_iERATs");
    core->derat_count = (uint32_t)read_int(core, list, "number_of_dERATs");
    if (!power_of_two_or_zero(core->ierat_count))
        sim_panic("Num_of_iERATs (%d) isn't a power of 2.", (int)core->ierat_count);
    if (!power_of_two_or_zero(core->derat_count))
        sim_panic("Num_of_dERATs (%d) isn't a power of 2.", (int)core->derat_count);
    if (core->ierat_count == 0 || core->derat_count == 0) sim_panic("Num_of_dERATs or Num_of_iERATs is 0");
    core->ierat_entries = (int32_t)read_int(core, list, "number_of_iERAT_entries");
    core->derat_entries = (int32_t)read_int(core, list, "number_of_dERAT_entries");
    core->ierat_depth = (int32_t)read_int(core, list, "iERAT_depth");
    core->derat_depth = (int32_t)read_int(core, list, "dERAT_depth");
    core->ierat_large_page = (int64_t)read_int(core, list, "IERAT_mapped_large_page");
    core->derat_large_page = (int64_t)read_int(core, list, "DERAT_mapped_large_page");
    core->ierat_base_page = (int64_t)read_int(core, list, "IERAT_mapped_base_page");
    core->derat_base_page = (int64_t)read_int(core, list, "DERAT_mapped_base_page");
    core->ierat_msr_mask = (int64_t)read_int(core, list, "ierat_msr_mask");
    core->derat_msr_mask = (int64_t)read_int(core, list, "derat_msr_mask");
    core->ierats = new_erats(core->ierat_count);
    if (!core->ierats) core->ierat_count = 0;
    core->derats = new_erats(core->derat_count);
    if (!core->derats) core->derat_count = 0;
    for (uint32_t i = 0; i < core->ierat_count; i++)
        ERAT_Init(core, (int32_t)i, &core->ierats[i], core->ierat_entries, core->ierat_depth, 1);
    for (uint32_t i = 0; i < core->derat_count; i++)
        ERAT_Init(core, (int32_t)i, &core->derats[i], core->derat_entries, core->derat_depth, 0);

    TLB_Geometry geometry{};
    geometry.entries = (int32_t)read_int(core, list, "number_of_TLB_entries");
    geometry.assoc = (int32_t)read_int(core, list, "TLB_associativity");
    geometry.repl_policy = get_plist_enum(list, PROCESSOR, index, "TLB_repl_policy", TLB_REPL_POLICY_NAMES);
    geometry.tlbie_clears_class = get_plist_bit(list, PROCESSOR, index, "TLB_tlbie_clears_class");
    core->tlb = TLB_new(geometry, core, 'u', 1);

    core->mmcr0_interrupt_enabled_mask =
        PropertyList__GetUint64(list, "processor/mmcr0_interrupt_enabled_mask");
    core->sim_msr_bit = PropertyList__GetUint64(list, "processor/quarn_msr_bit");

    // Masks. A mask key that is not configured removes no bits.
    core->msr_mask = implemented_msr_bits(core) & read_int(core, list, "mask/MSR", ~0ull);
    core->srr1_mask = read_int(core, list, "mask/SRR1", ~0ull) | SRR1_IMPLEMENTED_ALWAYS;
    core->hsrr1_mask = read_int(core, list, "mask/HSRR1", ~0ull) | HSRR1_IMPLEMENTED_ALWAYS;
    core->slbe_esid_mask = read_int(core, list, "SLBE_esid_mask");
    core->slbe_vsid_mask = read_int(core, list, "SLBE_vsid_mask");
    core->pcr_mask = read_int(core, list, "mask/PCR", ~0ull);
    uint64_t real_bits = read_int(core, list, "real_mode_address_bits");
    core->real_mode_mask = standalone_mode ? ~0ull : low_ones(real_bits);
    int64_t vsid_bits = (int64_t)read_int(core, list, "virtual_address_bits") - 28;
    core->vsid_mask = vsid_bits > 63  ? 0xFFFFFFFFFFFFF000ull
                      : vsid_bits > 0 ? low_ones((uint64_t)vsid_bits) << 12
                                      : 0;
    uint64_t b_bits = read_int(core, list, "slbe_B_field_bits");
    core->slbe_b_mask = b_bits > 63 ? 0xFFFFFFFFu : (uint32_t)low_ones(b_bits);
    core->storage_keys = (uint32_t)read_int(core, list, "number_of_storage_keys");

    if (machine && machine->tsim) counter_init(&core->ppu_counter, machine->tsim, "ppu counter");
    core->reserved_word = 0;
    CPU_InitState(core);

    if (config)
        core->num_threads = config->num_threads > 0 ? (uint32_t)config->num_threads : 0;
    else
        core->num_threads = (uint32_t)read_int(core, list, "number_of_threads", 1);
    core->threads = core->num_threads ? QUARN_ZALLOC(core->num_threads, ThreadState) : nullptr;
    if (!core->threads) core->num_threads = 0;
    for (uint32_t i = 0; i < core->num_threads; i++)
        Thread_Init(core, i, &core->threads[i], list);

    core->fp_estimate_precision = (int32_t)read_int(core, list, "floating_point_estimate_precision");

    core->register_file = Init_Register_File();
    Define_Processor_Registers(core);
    INIT_SPR_Table(core, list);
    INIT_ex_spr_table(core);

    for (uint32_t i = 0; i < core->num_threads; i++)
        Thread_StallState(&core->threads[i], "Thread_Init", STALL_INITIAL_STATE);

    // The machine record carries no word for the processor yet.
    core->machine_word = 0;

    if (core->PVR.rfe && core->PVR.rfe->desc) core->PVR.rfe->desc->initial = Default_PVR_Value(core, list);
    if (core->HID0.rfe && core->HID0.rfe->desc) core->HID0.rfe->desc->initial |= HID0_INITIAL_BIT;

    for (uint32_t i = 0; i < core->num_threads; i++) {
        Set_Initial_MSR(&core->threads[i]);
        Set_Initial_PC(&core->threads[i]);
        current_xlate_version++;
    }

    ProcessorState__SetInitialState(core);
}

void SLB_Init(ThreadState *thread, PropertyList *list)
{
    ProcessorState *core = thread->processor;
    int64_t count =
        (int64_t)get_plist_int(list, PROCESSOR, core ? (int32_t)core->core_id : -1, "number_of_SLB_Entries");
    // Every entry adds two registers to the thread's file: no more than it could hold.
    if (count < 0 || count > REGISTER_FILE_CAPACITY) count = count < 0 ? 0 : REGISTER_FILE_CAPACITY;
    thread->slb_entries = (int32_t)count;
    thread->slb = count ? QUARN_ZALLOC(count, SLB) : nullptr;
    if (!thread->slb) thread->slb_entries = 0;
    for (int32_t i = 0; i < thread->slb_entries; i++)
        SLBE_Init(&thread->slb[i], thread);
}

void Thread_Init(ProcessorState *core, uint32_t index, ThreadState *t, PropertyList *list)
{
    GenericMachine *machine = core->machine;
    int32_t core_index = (int32_t)core->core_id;

    t->processor = core;
    t->shared_processor = core;
    t->mcm = core->mcm;
    t->machine = machine;
    t->thread_id_in_core = (int32_t)index;
    t->thread_id_in_partition = (int32_t)index;
    t->pc_trigger_mark = ~0ull;
    t->turbo.current_pc = ~0ull;
    t->inst_xlate_version = ~0ull; // the first fetch translates

    if (machine && machine->device_manager) {
        if (machine->thread_major < 0)
            machine->thread_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
        t->device_number =
            DeviceMgr__AddDevice(machine->device_manager, t, machine->thread_major, -1, nullptr);
    }

    char name[256];
    if (core->num_threads < 2)
        snprintf(name, sizeof name, "%s", core->name ? core->name : "");
    else
        snprintf(name, sizeof name, "%s:%u", core->name ? core->name : "", index);
    t->name = REMEMBER_STRING(name);
    t->object_id = (uint32_t)BaseObject__New(t->name, OBJECT_KIND_THREAD, t);

    t->command_table = build_thread_Cmd_table(core->type_name);

    if (machine && machine->tsim) {
        counter_init(&t->wake_counter, machine->tsim, t->name);
        t->wake_me_up_if_my_priority_changes = 0;
        t->job = job_new_exec(machine->tsim, t->name, nullptr, PPC_Advance_Job, t);
        counter_set(&t->wake_counter, 1);
    }

    SLB_Init(t, list);
    t->memory_client = MemoryClientCreate(machine, core->mcm, t->name, t->object_id);

    t->register_file = Init_Register_File();
    Define_Thread_Registers(t);

    for (int32_t &word : t->fpr_words)
        word = 3;
    t->FPR_INVALID_MAP.value = ~0ull;

    set_descriptor_mask(t->SRR1.rfe, core->srr1_mask);
    set_descriptor_mask(t->HSRR1.rfe, core->hsrr1_mask);

    if (t->memory_client) {
        if (core->options[PO_CAN_WAIT_FOR_RESERVERATION]) {
            t->memory_client->revoke_callback = wait_lost_reservation_callback;
            t->memory_client->revoke_data = t;
        }
        t->memory_client->thread = t;
    }

    // PIR: the processor number, shifted by the thread bits (1 when not configured above 0), and
    // the chip position, shifted by the processor bits when those are configured.
    int64_t thread_bits = (int64_t)get_plist_int(list, PROCESSOR, core_index, "PIR_bits_for_thread");
    int64_t processor_bits =
        (int64_t)get_plist_int_wd(list, PROCESSOR, core_index, "PIR_bits_for_processor", ~0ull);
    uint64_t shift = thread_bits > 0 ? (uint64_t)thread_bits : 1;
    uint64_t pir = shift < 64 ? (uint64_t)core->core_id << shift : 0;
    if (processor_bits != -1)
        pir |= (uint64_t)processor_bits >= 64 ? 0 : (uint64_t)(uint32_t)core->chip_position << processor_bits;
    if (t->PIR.rfe && t->PIR.rfe->desc) t->PIR.rfe->desc->initial = pir;

    Init_Decrementer(t);
    ereg_dec(t);
    t->rtas_stopped = 1; // until the firmware's start-cpu call
    t->current_iop = get_Instruction(t);

    if (!quiet_mode) {
        t->stats_interval = Default_PERIODIC_STATS_cycles;
        if (!t->stats_loop)
            t->stats_loop = cycle_loop_new(core, t->stats_interval, Periodic_Stats_Callback, t);
    }
    if (!t->heartbeat_loop)
        t->heartbeat_loop =
            cycle_loop_new(core, machine ? machine->heartbeat_interval : 0, Heartbeat_Callback, t);

    for (uint64_t *&counters : t->turbo.instruction_mix)
        counters = QUARN_ZALLOC(NUM_INSTRUCTION_MIX_COUNTERS, uint64_t);
    t->turbo.fp_control_zero = 0;
    for (int mode = 0; mode < 4; mode++) {
        t->turbo.mxcsr_by_rn[mode] = TURBO_SSE_CONTROL_WORDS[mode];
        t->turbo.fpucw_by_rn[mode] = TURBO_X87_CONTROL_WORDS[mode];
    }
    t->turbo.one = 1.0;
    t->turbo.conversion_save = 0;
    t->turbo.big_endian = TURBO_ENDIAN_NOT_FIXED;
    t->turbo.pending_fprf_register = -1;
    t->turbo.pending_fpcc_field = -1;
    t->turbo.minus_one = -1;
    t->turbo.two = 2;
    t->turbo.srr1_bits = PROCESSOR_CHIP_VERSION(core) >= 0x300 ? core->srr1_mask | 1 : core->srr1_mask;

    for (emat_s *&map : t->emat)
        map = nullptr;
    PMC_start(t);
    SMTA_Init_Thread_Data_Structures(t);
    SMTA_Check_Thread_Enabled(t);

    pturbo_spin_lock_init(&t->raise_lock, "Raise Exception");

    t->htm = QUARN_ZALLOC(1, htm_user_state);
    t->htm_words[0] = 0;
    t->htm_words[1] = 0;

    if (standalone_mode) ThreadState__SetStandaloneModeInitialState(t);

    Init_ExceptionPool(&t->exception_pool);

    if (get_debug_flag(DEBUG_CATEGORY_XLATE) > 0) t->xlate_debug = new_xlate_debug();
}

void Thread_Quit(ThreadState *t)
{
    if (!t) return;
    QUARN_FREE(t->htm);
    t->htm = nullptr;
    loop_free(t->heartbeat_loop);
    t->heartbeat_loop = nullptr;
    loop_free(t->stats_loop);
    t->stats_loop = nullptr;
    if (t->current_iop) {
        Discard_Instruction_Bound_Exceptions(t->current_iop, 0);
        return_Instruction(t->current_iop);
        t->current_iop = nullptr;
    }
    // The register entries lead to slots inside the SLB: their trigger records go first.
    UnDefine_Registers(t->register_file);
    Quit_Decrementer(t);
    SLB_Quit(t);
    for (emat_s *&map : t->emat) {
        emat_free(map);
        map = nullptr;
    }
    if (t->memory_client) MemoryClientDelete(t->mcm, t->memory_client);
    t->memory_client = nullptr;
    Quit_Register_File(t->register_file);
    t->register_file = nullptr;
    if (t->job) job_free(t->job);
    t->job = nullptr;
    if (t->wake_counter.tsim) counter_force_cleanup(&t->wake_counter);
    if (t->name) {
        BaseObject__Delete((int32_t)t->object_id);
        FORGET_STRING(t->name);
        t->name = nullptr;
    }
    for (uint64_t *&counters : t->turbo.instruction_mix) {
        QUARN_FREE(counters);
        counters = nullptr;
    }
    if (t->pmc_info) PMC_stop(t);
    pturbo_spin_lock_destroy(&t->raise_lock);
    Quit_ExceptionPool(&t->exception_pool);
    Quit_SimCmdTable(t->command_table);
    t->command_table = nullptr;
    ThreadState_free_decoders(t);
    QUARN_FREE(t->xlate_debug);
    t->xlate_debug = nullptr;
}

void Processor_Quit(void *object)
{
    auto *core = static_cast<ProcessorState *>(object);
    if (!core) return;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        Thread_Quit(&core->threads[i]);
    QUARN_FREE(core->threads);
    core->threads = nullptr;

    // The partition views the machine made share the core's threads, name and type name.
    for (int v = 1; v < PARTITION_VIEW_COUNT; v++) {
        ProcessorState *view = core->partition_views[v];
        if (!view || view == core) continue;
        UnDefine_Registers(view->register_file);
        Quit_Register_File(view->register_file);
        QUIT_rdt(&view->register_descriptions);
        QUARN_FREE(view);
        core->partition_views[v] = nullptr;
    }

    UnDefine_Registers(core->register_file);
    Quit_Register_File(core->register_file);
    core->register_file = nullptr;
    TLB_Quit(core->tlb);
    core->tlb = nullptr;
    for (uint32_t i = 0; core->derats && i < core->derat_count; i++)
        ERAT_Destroy(&core->derats[i]);
    for (uint32_t i = 0; core->ierats && i < core->ierat_count; i++)
        ERAT_Destroy(&core->ierats[i]);
    QUARN_FREE(core->derats);
    QUARN_FREE(core->ierats);
    core->derats = nullptr;
    core->ierats = nullptr;
    if (core->ppu_counter.tsim) counter_force_cleanup(&core->ppu_counter);
    if (core->timebase_domain) TD_undeclare_time_domain(core->timebase_domain);
    core->timebase_domain = nullptr;
    QUIT_SPR_Table(core);
    QUIT_ex_spr_table(core);
    QUIT_rdt(&core->register_descriptions);
    Quit_SimCmdTable(core->command_table);
    core->command_table = nullptr;
    QUARN_FREE(core->ex_scom_regs);
    BaseObject__Delete((int32_t)core->object_id);
    if (core->name) FORGET_STRING(core->name);
    if (core->type_name) FORGET_STRING(core->type_name);
    QUARN_FREE(core);
}
