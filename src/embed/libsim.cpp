// The embedding interface's handle and its life cycle, run control, mode, settings, statistics,
// debug and configuration functions.
#include "embed/libsim.h"

#include "embed/libsim_api.h"
#include "embed/libsim_memory.h"
#include "embed/libsim_threads.h"
#include "embed/libsim_trc.h"

#include <tcl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "embed/hooks/startup_hooks.h"
#include "embed/library_config.h"
#include "embed/libsim_names.h"
#include "exec/thread_job.h"
#include "interrupts/exception_names.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_map.h"
#include "processor/hooks/emat_zap.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "processor/run/run_control.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/stop.h"
#include "runtime/version.h"
#include "kernel/tsim.h"

PropertyList *global_property_list = nullptr;

namespace
{

constexpr const char *LIBRARY_MACHINE_NAME = "MYRRIN";
// Debug categories of the library: the special debug switch and the library's own messages.
constexpr int DEBUG_LIBRARY_SPECIAL = 134;
constexpr int DEBUG_LIBRARY_MESSAGES = 204;

void copy_text(char *field, size_t size, const char *text)
{
    snprintf(field, size, "%s", text);
}

typedef void (*StatsResetFn)(void *data, GenericMachine *machine);
typedef void (*StatsPrintFn)(void *data, GenericMachine *machine, int, int);

int debug_category(int id)
{
    return debug_name_table[id].category;
}

} // namespace

GenericMachine *LSD_Machine(vLIBSIM_data *handle)
{
    if (!handle) return nullptr;
    if (handle->machine) return handle->machine;
    GenericMachine *machine = GenericMachine_Create(LIBRARY_MACHINE_NAME, handle->plist);
    if (!machine) {
        sim_warning(2, "LIBSIM__Create: Failed to create %s", LIBRARY_MACHINE_NAME);
        return nullptr;
    }
    handle->machine = machine;
    // The host serves all guest memory.
    MemMap_Empty(machine);
    copy_text(handle->disk.mode, sizeof handle->disk.mode, "newcow");
    copy_text(handle->disk.cow_path, sizeof handle->disk.cow_path, "simple.cow");
    handle->disk.hash_size = 1024;
    if (!init_bogusdisk(machine->device_manager, 0, &handle->disk)) SIM_PRINT("init_bogusdisk failed.\n");
    return machine;
}

MCM *LSD_MCM(vLIBSIM_data *handle)
{
    if (handle->mcm) return handle->mcm;
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return nullptr;
    if (machine->num_mcms == 0 || !machine->mcms) {
        sim_error("bad mcm number: %d", 0);
        handle->mcm = nullptr;
        return nullptr;
    }
    handle->mcm = machine->mcms[0];
    return handle->mcm;
}

MemoryClient *LSD_MemoryClient(vLIBSIM_data *handle)
{
    if (handle->memory_client) return handle->memory_client;
    MCM *chip = LSD_MCM(handle);
    if (!chip) return nullptr;
    handle->memory_client = MemoryClientCreate(handle->machine, chip, "Simics", 0);
    return handle->memory_client;
}

// ---- life cycle ----

PropertyList *LIBSIM__Init(void)
{
    Quarn_Common_Init();
    Quarn_Output_File = stderr;
    // The simulator's asynchronous stop handlers live in the Tcl library, which a host that embeds
    // the simulator has not set up.
    Tcl_FindExecutable(nullptr);
    Initialize_Quarn_Data_Structures();
    quiet_mode = 0;
    useXterms = 0;
    sim_warning_level = 2;
    CheckIfDebuggerAttached = 1;
    global_property_list = LIBSIM_Default_Config();
    return global_property_list;
}

vLIBSIM_data *LIBSIM__Create(int processors)
{
    vLIBSIM_data *handle =
        (vLIBSIM_data *)quarn_zalloc(sizeof(vLIBSIM_data), sizeof(vLIBSIM_data), "vLIBSIM_data", __FILE__, __LINE__);
    if (!handle) {
        sim_error("LIBSIM__Create: failed to allocate data structure");
        return nullptr;
    }
    handle->machine = nullptr;
    handle->read_func = nullptr;
    handle->write_func = nullptr;
    // One LIBSIM__Init feeds exactly one handle.
    handle->plist = global_property_list;
    global_property_list = nullptr;
    if (!handle->plist) handle->plist = LIBSIM_Default_Config();
    if (!handle->plist) {
        sim_error("LIBSIM__Create: failed to allocate plist data structure");
        quarn_free(handle, __FILE__, __LINE__);
        return nullptr;
    }
    char text[16];
    snprintf(text, sizeof text, "%d", processors);
    PropertyList__UpdatePropertyValue(handle->plist, "cpus", text, nullptr, 1);
    handle->disk.path[0] = handle->disk.mode[0] = handle->disk.cow_path[0] = '\0';
    return handle;
}

void LIBSIM__Destroy(vLIBSIM_data *handle)
{
    if (!handle) return;
    GenericMachine *machine = LSD_Machine(handle);
    if (machine) GenericMachine_Quit(machine);
    PropertyList__Delete(handle->plist);
    quarn_free(handle, __FILE__, __LINE__);
}

void LIBSIM__ChangeMemMgmtCalls(LIBSIM_Free_Func free_func, LIBSIM_Malloc_Func malloc_func,
                                LIBSIM_Malloc_Func zalloc_func, LIBSIM_Realloc_Func realloc_func)
{
    mm_change_functions(free_func, malloc_func, zalloc_func, realloc_func);
}

int LIBSIM__RegisterOutputSink(LIBSIM_Output_Func output, void *data)
{
    mm_change_print_function((MessageOutputHook)output, data);
    return 1;
}

const char *LIBSIM__GetVersion(void)
{
    return get_quarn_version();
}

// ---- run control ----

uint64_t LIBSIM__GetCycles(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine || !machine->tsim) return 0;
    ThreadState *thread = GenericMachine__Thread(machine, 0);
    const time_domain *domain = thread && thread->processor ? thread->processor->core_domain : nullptr;
    uint64_t per_cycle = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
    return (machine->tsim->now + per_cycle - 1) / per_cycle;
}

void LIBSIM__StopSimulation(vLIBSIM_data *handle)
{
    LSD_Machine(handle);
    Stop_The_Simulation(STOP_EXTERNAL_DRIVER);
}

uint64_t LIBSIM__StepLimit(ThreadState *thread, uint64_t n)
{
    StopAfterThreadInstructions(thread, n);
    return thread->Instruction_Number;
}

uint64_t LIBSIM__InstCount(ThreadState *thread)
{
    return thread->Instruction_Number;
}

uint64_t LIBSIM__M_Get_Instruction_Number(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? machine->instruction_count : 0;
}

void LIBSIM__M_Set_Instruction_Number(vLIBSIM_data *handle, uint64_t count)
{
    if (GenericMachine *machine = LSD_Machine(handle)) machine->instruction_count = count;
}

int LIBSIM__GetChunkSize(vLIBSIM_data *handle)
{
    if (chunk_instruction_limit <= 0) return 0;
    LSD_Machine(handle);
    return chunk_instruction_limit;
}

void LIBSIM__SetChunkSize(vLIBSIM_data *handle, int size)
{
    chunk_instruction_limit = size > 0 ? size : 0;
    LSD_Machine(handle);
}

// ---- simulation mode ----

int LIBSIM__SetMode(vLIBSIM_data *handle, const char *name)
{
    if (!handle) {
        sim_warning(2, "LIBSIM__SetMode: called with NULL lsd");
        return 0;
    }
    GenericMachine *machine = LSD_Machine(handle);
    int32_t mode = Name2ID(modeTypesName, name);
    if (mode < 0) return 0;
    if (machine) Mode_Change(machine, (uint32_t)mode);
    return mode;
}

void LIBSIM__SetMode_ID(vLIBSIM_data *handle, int mode)
{
    if (!handle) {
        sim_warning(2, "LIBSIM__SetMode_ID: called with NULL lsd");
        return;
    }
    if (GenericMachine *machine = LSD_Machine(handle)) Mode_Change(machine, (uint32_t)mode);
}

void LIBSIM__TurboMode(vLIBSIM_data *handle)
{
    if (GenericMachine *machine = LSD_Machine(handle)) Mode_Change(machine, MODE_TURBO);
}

// ---- machine settings ----

int LIBSIM__GetBitAccurateMode(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? machine->bit_accurate : 0;
}

int LIBSIM__SetBitAccurateMode(vLIBSIM_data *handle, int value)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return 0;
    machine->bit_accurate = value;
    return machine->bit_accurate;
}

int LIBSIM__Get_TurboDelayOnPriorityLow(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? machine->turbo_delay_on_priority_low : 0;
}

void LIBSIM__Set_TurboDelayOnPriorityLow(vLIBSIM_data *handle, int value)
{
    if (GenericMachine *machine = LSD_Machine(handle)) machine->turbo_delay_on_priority_low = value;
}

uint64_t LIBSIM__GetNoopCycleDelay(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? machine->turbo_noop_delay : 0;
}

void LIBSIM__SetNoopCycleDelay(vLIBSIM_data *handle, int value)
{
    if (GenericMachine *machine = LSD_Machine(handle)) machine->turbo_noop_delay = (uint64_t)(int64_t)value;
}

int LIBSIM__GetInstProfilingState(vLIBSIM_data *handle)
{
    LSD_Machine(handle);
    return 0;
}

int LIBSIM__SetInstProfilingState(vLIBSIM_data *handle)
{
    LSD_Machine(handle);
    return 0;
}

// ---- statistics and vocabulary ----

void LIBSIM__StatsReset(vLIBSIM_data *handle)
{
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_STATS_RESET].head; entry; entry = entry->next)
        ((StatsResetFn)entry->function)(entry->data, LSD_Machine(handle));
}

void LIBSIM__StatsPrint(vLIBSIM_data *handle)
{
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_STATS_PRINT].head; entry; entry = entry->next)
        ((StatsPrintFn)entry->function)(entry->data, LSD_Machine(handle), 0, 0);
}

int LIBSIM__ExceptionCount(vLIBSIM_data *)
{
    return 55;
}

const char *LIBSIM__ExceptionName(vLIBSIM_data *handle, int type)
{
    LSD_Machine(handle);
    return Exception_Type_Name(type);
}

// ---- debug categories ----

int LIBSIM__DebugCount(void)
{
    return LIBSIM_Debug_Id_Count();
}

const char *LIBSIM__DebugName(int id)
{
    int count = LIBSIM_Debug_Id_Count();
    return id >= 0 && id < count ? debug_name_table[id].name : nullptr;
}

void LIBSIM__SetDebugState(int id, int level)
{
    int count = LIBSIM_Debug_Id_Count();
    if (id < 0 || id >= count) {
        sim_warning(2, "LIBSIM__SetDebug: attempt to set a invalid debug ID (%d).  ignoring.", id);
        sim_warning(2, "LIBSIM__SetDebug: valid range %d..%d", 0, count);
        return;
    }
    EMAT_ZAP_("LIBSIM__SetDebug", __FILE__, __LINE__);
    set_debug_flag(debug_category(id), level);
}

int LIBSIM__GetDebugState(int id)
{
    int count = LIBSIM_Debug_Id_Count();
    if (id < 0 || id >= count) {
        sim_warning(2, "LIBSIM__GetDebug: attempt to get a invalid debug ID (%d).  ignoring.", id);
        sim_warning(2, "LIBSIM__GetDebug: valid range %d..%d", 0, count);
        return 0;
    }
    return get_debug_flag(debug_category(id)) > 0 ? 1 : 0;
}

void LIBSIM__SpecialDebugOn(void)
{
    EMAT_ZAP_("LIBSIM__SetDebug", __FILE__, __LINE__);
    set_debug_flag(DEBUG_LIBRARY_SPECIAL, 1);
}

void LIBSIM__Debug(const char *format, ...)
{
    if (get_debug_flag(DEBUG_LIBRARY_MESSAGES) <= 0) return;
    va_list args;
    va_start(args, format);
    unsafe_vMessage(MSG_DEBUG, format, debug_name[DEBUG_LIBRARY_MESSAGES].name, nullptr, nullptr, args);
    va_end(args);
}

// ---- configuration values ----

namespace
{
PropertyList *handle_list(vLIBSIM_data *handle)
{
    return handle && handle->plist ? handle->plist : global_property_list;
}
} // namespace

int LIBSIM__UpdatePropertyValue(vLIBSIM_data *handle, const char *key, const char *value)
{
    PropertyList *list = handle_list(handle);
    if (!list || !list->is_mutable) return 0;
    return PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1) ? 1 : 0;
}

const char *LIBSIM__GetPropertyValue(vLIBSIM_data *handle, const char *key)
{
    PropertyList *list = handle_list(handle);
    return list ? PropertyList__GetString(list, key) : nullptr;
}
