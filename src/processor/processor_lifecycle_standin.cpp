// Processor records, their initialisation from the configuration and their teardown, as far as
// machine creation needs them now.
#include <cstdio>

#include "kernel/counter.h"
#include "machine/generic_machine.h"
#include "machine/memory_map.h"
#include "processor/config_getters.h"
#include "processor/mcm.h"
#include "processor/processor_identity.h"
#include "processor/processor_lifecycle.h"
#include "processor/processor_options.h"
#include "processor/processor_state.h"
#include "processor/processor_type.h"
#include "processor/register_file.h"
#include "processor/run_control.h"
#include "processor/scom_blocks.h"
#include "processor/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"

namespace
{

// The machine's per-processor configuration entry of the core (entry 0 beyond the entries).
const CoreTopConfig *core_config(const ProcessorState *core)
{
    const GenericMachine *machine = core->machine;
    if (!machine || !machine->core_configs || machine->total_cores == 0) return nullptr;
    uint32_t index = core->core_id < machine->total_cores ? core->core_id : 0;
    return &machine->core_configs[index];
}

void thread_init(ProcessorState *core, uint32_t index, ThreadState *thread)
{
    GenericMachine *machine = core->machine;
    thread->processor = core;
    thread->shared_processor = core;
    thread->mcm = core->mcm;
    thread->machine = machine;
    thread->thread_id_in_core = (int32_t)index;
    if (machine && machine->device_manager) {
        if (machine->thread_major < 0)
            machine->thread_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
        thread->device_number =
            DeviceMgr__AddDevice(machine->device_manager, thread, machine->thread_major, -1, nullptr);
    }
    char name[256];
    if (core->num_threads < 2)
        snprintf(name, sizeof name, "%s", core->name ? core->name : "");
    else
        snprintf(name, sizeof name, "%s:%u", core->name ? core->name : "", index);
    thread->name = REMEMBER_STRING(name);
    thread->object_id = (uint32_t)BaseObject__New(thread->name, OBJECT_KIND_THREAD, thread);
    if (machine && machine->tsim) {
        counter_init(&thread->wake_counter, machine->tsim, thread->name);
        counter_set(&thread->wake_counter, 1);
    }
    thread->memory_client = MemoryClientCreate(machine, core->mcm, thread->name, thread->object_id);
    if (thread->memory_client) thread->memory_client->thread = thread;
    Init_Decrementer(thread);
    thread->power_mode = 5;
}

void thread_quit(ThreadState *thread)
{
    Quit_Decrementer(thread);
    ThreadState_free_decoders(thread);
    if (thread->memory_client) MemoryClientDelete(thread->mcm, thread->memory_client);
    thread->memory_client = nullptr;
    if (thread->wake_counter.tsim) counter_force_cleanup(&thread->wake_counter);
    BaseObject__Delete((int32_t)thread->object_id);
    FORGET_STRING(thread->name);
    thread->name = nullptr;
}

} // namespace

// STAND-IN: complete as it stands (record, name, registry entry), kept with the stand-in life cycle
// of this file until the processor life cycle replaces the whole file.
ProcessorState *Processor_Create(PropertyList *, const char *name)
{
    ProcessorState *core = QUARN_ZALLOC(1, ProcessorState);
    if (!core) return nullptr;
    core->name = REMEMBER_STRING(name ? name : "");
    core->object_id = (uint32_t)BaseObject__New(core->name, OBJECT_KIND_PROCESSOR, core);
    return core;
}

// STAND-IN: reads the processor type, the options, the chip version and the reservation granule,
// takes the core's clock domain, creates the threads (registered as objects and "Thread" devices,
// with their wake counters, memory clients and decrementer records) and sets the run state. The
// decoder and instruction table, ERATs, TLB, register files and register definitions, SPR tables,
// time base, thread jobs and loops, SMT state and the first reset come with the processor life
// cycle.
void Processor_Init(ProcessorState *core, PropertyList *list)
{
    if (!core) return;
    GenericMachine *machine = core->machine;
    const char *type = PropertyList__GetString(list, "processor/type");
    core->type_name = REMEMBER_STRING(type ? type : "");
    core->processor_type = (uint32_t)(type ? ProcessorName_2_Type(type) : 0);
    if (core->processor_type == 0 || core->processor_type == (uint32_t)-1) {
        core->processor_type = 0;
        sim_warning(2, "creating processor without a processor_type");
    }
    Processor_Options_Init(core, list);
    Set_Chip_Version(core, get_plist_string(list, "processor", (int32_t)core->core_id, "chip_version"));
    int64_t granule =
        (int64_t)get_plist_int(list, "processor", (int32_t)core->core_id, "reservation_granularity");
    if (core->mcm)
        core->mcm->reservation_granule = (int32_t)(granule > 0 ? granule
                                                   : machine   ? (int64_t)machine->coherence_block_size
                                                               : 0);
    if (const CoreTopConfig *config = core_config(core)) {
        core->core_domain = config->domain;
        core->core_freq = const_cast<FreqSpec *>(&config->freq);
        core->num_threads = config->num_threads > 0 ? (uint32_t)config->num_threads : 0;
    } else {
        core->num_threads =
            (uint32_t)get_plist_int_wd(list, "processor", (int32_t)core->core_id, "number_of_threads", 1);
    }
    if (machine && machine->tsim) counter_init(&core->ppu_counter, machine->tsim, "ppu counter");
    core->reserved_word = 0;
    CPU_InitState(core);
    core->threads = core->num_threads ? QUARN_ZALLOC(core->num_threads, ThreadState) : nullptr;
    if (!core->threads) core->num_threads = 0;
    for (uint32_t i = 0; i < core->num_threads; i++)
        thread_init(core, i, &core->threads[i]);
    core->fp_estimate_precision = (int32_t)get_plist_int(list, "processor", (int32_t)core->core_id,
                                                         "floating_point_estimate_precision");
}

// STAND-IN: releases what Processor_Init made, the partition views and the core's SCOM block.
void Processor_Quit(void *object)
{
    auto *core = static_cast<ProcessorState *>(object);
    if (!core) return;
    for (uint32_t i = 0; i < core->num_threads; i++)
        thread_quit(&core->threads[i]);
    QUARN_FREE(core->threads);
    core->threads = nullptr;
    for (int v = 1; v < PARTITION_VIEW_COUNT; v++) {
        ProcessorState *view = core->partition_views[v];
        if (!view || view == core) continue;
        UnDefine_Registers(view->register_file);
        Quit_Register_File(view->register_file);
        QUARN_FREE(view);
        core->partition_views[v] = nullptr;
    }
    UnDefine_Registers(core->register_file);
    Quit_Register_File(core->register_file);
    if (core->ppu_counter.tsim) counter_force_cleanup(&core->ppu_counter);
    QUARN_FREE(core->ex_scom_regs);
    BaseObject__Delete((int32_t)core->object_id);
    FORGET_STRING(core->name);
    FORGET_STRING(core->type_name);
    QUARN_FREE(core);
}

// STAND-IN: the register definitions are not built yet; nothing is defined.
void Define_Processor_Registers(ProcessorState *) {}
