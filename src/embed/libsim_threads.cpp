// Threads, registers, SLB, reservation and frequencies of the embedding interface.
#include "embed/libsim_threads.h"

#include "embed/libsim_api.h"

#include "embed/libsim.h"
#include "interrupts/exception_table.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_map.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "processor/run/thread_run_state.h"
#include "processor/spr/spr_moves.h"
#include "processor/translation/slb.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"

namespace
{

constexpr int GPR_COUNT = 32;
constexpr int FPR_COUNT = 32;
constexpr int VSX_COUNT = 64;
constexpr uint64_t SLB_VALID_BIT = 0x8000000;

bool slb_index_ok(ThreadState *thread, int n)
{
    return n >= 0 && n < thread->slb_entries && thread->slb;
}

// Calls fn on every processor of the machine, in device order; the number visited.
template <typename Fn> int for_each_processor(GenericMachine *machine, Fn fn)
{
    if (!machine) return 0;
    int count = GenericMachine__ProcessorCount(machine);
    for (int i = 0; i < count; i++)
        if (ProcessorState *core = GenericMachine__Processor(machine, i)) fn(core);
    return count;
}

} // namespace

// ---- threads ----

ThreadState *LIBSIM__GetThread(vLIBSIM_data *handle, int number)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? GenericMachine__Thread(machine, number) : nullptr;
}

ThreadState *LIBSIM__AllocThread(vLIBSIM_data *handle, int number)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return nullptr;
    uint32_t have = number >= 0 ? GenericMachine__SetMaxThreads(machine, (uint32_t)number + 1) : 0;
    if (number < 0 || have <= (uint32_t)number) {
        sim_error("LIBSIM__AllocThread: unable to allocate thread index %d", number);
        return nullptr;
    }
    return GenericMachine__Thread(machine, number);
}

GenericMachine *LIBSIM__Machine(ThreadState *thread)
{
    return thread->machine;
}

int64_t LIBSIM__ProcNum(ThreadState *thread)
{
    return thread->device_number;
}

const char *LIBSIM__ThreadName(ThreadState *thread)
{
    return thread->name;
}

int LIBSIM__ThreadEnabled(ThreadState *thread)
{
    return thread->manual_disable ? 0 : 1;
}

// ---- program counter and registers ----

uint64_t LIBSIM__GetPC(ThreadState *thread)
{
    return thread->PC.value;
}

void LIBSIM__SetPC(ThreadState *thread, uint64_t address)
{
    thread->next_pc = address;
    uint64_t mask = thread->PC.rfe && thread->PC.rfe->desc ? thread->PC.rfe->desc->mask : ~0ull;
    thread->PC.value = address & mask;
    thread->PC.written = 1;
}

int LIBSIM__GPR_Count(void)
{
    return GPR_COUNT;
}

int LIBSIM__FPR_Count(void)
{
    return FPR_COUNT;
}

int LIBSIM__VSX_Count(void)
{
    return VSX_COUNT;
}

uint64_t LIBSIM__GetGPR(ThreadState *thread, int n)
{
    if (n < 0 || n >= GPR_COUNT) {
        sim_warning(2, "LIBSIM__GetGPR(%s,%d) INVALID INDEX.   Returning:0x%016lX", thread->name, n,
                    (unsigned long)-1);
        return ~0ull;
    }
    return thread->GPR[n].value;
}

void LIBSIM__SetGPR(ThreadState *thread, int n, uint64_t value)
{
    if (n < 0 || n >= GPR_COUNT) return;
    thread->GPR[n].value = value;
}

uint64_t LIBSIM__GetFPR(ThreadState *thread, int n)
{
    return n >= 0 && n < FPR_COUNT ? thread->VSR[n].value[0] : 0;
}

void LIBSIM__SetFPR(ThreadState *thread, int n, uint64_t value)
{
    if (n < 0 || n >= FPR_COUNT) return;
    thread->VSR[n].value[0] = value;
    thread->VSR[n].value[1] = 0;
}

uint64_t LIBSIM__GetVSX_top(ThreadState *thread, int n)
{
    return n >= 0 && n < VSX_COUNT ? thread->VSR[n].value[0] : 0;
}

uint64_t LIBSIM__GetVSX_bottom(ThreadState *thread, int n)
{
    return n >= 0 && n < VSX_COUNT ? thread->VSR[n].value[1] : 0;
}

void LIBSIM__SetVSX_top(ThreadState *thread, int n, uint64_t value)
{
    if (n >= 0 && n < VSX_COUNT) thread->VSR[n].value[0] = value;
}

void LIBSIM__SetVSX_bottom(ThreadState *thread, int n, uint64_t value)
{
    if (n >= 0 && n < VSX_COUNT) thread->VSR[n].value[1] = value;
}

uint64_t LIBSIM__GetSPR(ThreadState *thread, int spr)
{
    return GUESS_spr(thread, spr, 7);
}

void LIBSIM__SetSPR(ThreadState *thread, int spr, uint64_t value)
{
    FORCE_spr(thread, spr, value, 7);
}

spr_table_entry *LIBSIM__Register_MTSPR(ThreadState *thread, int spr, SPRMoveToEventFn routine)
{
    ProcessorState *core = thread->processor;
    if (!core || !valid_spr_number(core, spr)) return nullptr;
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    if (!entry || !entry->valid) return nullptr;
    Request_MTSPR_Event(core, spr, routine);
    return entry;
}

spr_table_entry *LIBSIM__Register_MFSPR(ThreadState *thread, int spr, SPRMoveFromEventFn routine)
{
    ProcessorState *core = thread->processor;
    if (!core || !valid_spr_number(core, spr)) return nullptr;
    spr_table_entry *entry = Index_SPR_Table(core, spr);
    if (!entry || !entry->valid) return nullptr;
    Request_MFSPR_Event(core, spr, routine);
    return entry;
}

int LIBSIM__Register_Alternative_Write_SPR(vLIBSIM_data *handle, int spr, RegAlternativeWrite routine, void *data)
{
    return for_each_processor(LSD_Machine(handle), [&](ProcessorState *core) {
        Register_Alternative_Write_SPR(core, spr, routine, data);
    });
}

int LIBSIM__Register_Alternative_Read_SPR(vLIBSIM_data *handle, int spr, RegAlternativeRead routine, void *data)
{
    return for_each_processor(LSD_Machine(handle), [&](ProcessorState *core) {
        Register_Alternative_Read_SPR(core, spr, routine, data);
    });
}

// ---- translation state ----

int LIBSIM__SLB_Count(ThreadState *thread)
{
    return thread->slb_entries;
}

uint64_t LIBSIM__GetSLBE(ThreadState *thread, int n)
{
    if (!slb_index_ok(thread, n)) {
        sim_warning(2, "LIBSIM__GetSLBE(%s,%d) INVALID INDEX.   Returning:0x%016lX", thread->name, n,
                    (unsigned long)-1);
        return ~0ull;
    }
    return thread->slb[n].SLBE.value;
}

uint64_t LIBSIM__GetSLBV(ThreadState *thread, int n)
{
    if (!slb_index_ok(thread, n)) {
        sim_warning(2, "LIBSIM__GetSLBV(%s,%d) INVALID INDEX.   Returning:0x%016lX", thread->name, n,
                    (unsigned long)-1);
        return ~0ull;
    }
    return thread->slb[n].SLBV.value;
}

void LIBSIM__SetSLBE(ThreadState *thread, int n, uint64_t word)
{
    if (!slb_index_ok(thread, n)) return;
    SLB *entry = &thread->slb[n];
    entry->esid_base = word & ~0xFFFFFFFull;
    entry->valid = (word & SLB_VALID_BIT) ? 1 : 0;
    entry->SLBE.value = entry->esid_base | (entry->valid ? SLB_VALID_BIT : 0);
}

void LIBSIM__SetSLBV(ThreadState *thread, int n, uint64_t word)
{
    if (!slb_index_ok(thread, n)) return;
    SLB_Set_VSID_Word(&thread->slb[n], word);
}

int LIBSIM__TLB_Set(void)
{
    return 0;
}

int LIBSIM__TLB_Get(void)
{
    return 0;
}

int LIBSIM__TLB_Set_Field(void)
{
    return 0;
}

int LIBSIM__TLB_Get_Field(void)
{
    return 0;
}

int LIBSIM__TLB_Count(void)
{
    return 0;
}

// ---- reservation ----

int LIBSIM__GetReservationBit(ThreadState *thread)
{
    return thread && thread->memory_client ? thread->memory_client->reservation_valid : 0;
}

uint64_t LIBSIM__GetReservationAddress(ThreadState *thread)
{
    return thread && thread->memory_client ? thread->memory_client->reservation_address : 0;
}

void LIBSIM__SetReservationAddress(ThreadState *thread, uint64_t address)
{
    if (!thread || !thread->memory_client) return;
    MemoryClient *client = thread->memory_client;
    int32_t granule = client->mcm && client->mcm->reservation_granule > 0 ? client->mcm->reservation_granule : 1;
    client->reservation_address = address & ~((uint64_t)granule - 1);
    client->reservation_length = 4;
}

// ---- interrupt state ----

void *LIBSIM__Interrupts_Get(void)
{
    return CaptureExceptionData();
}

void LIBSIM__Interrupts_Restore(void)
{
    RestoreExceptionData();
}

// ---- frequencies ----

int LIBSIM__Set_TimeBase_Frequency_hz(ThreadState *thread, uint64_t hz)
{
    Define_FreqSpec_Frequency(&thread->processor->timebase_freq, hz);
    return for_each_processor(thread->machine,
                              [&](ProcessorState *core) { Define_FreqSpec_Frequency(&core->timebase_freq, hz); });
}

int LIBSIM__Set_ClockFreq_hz(ThreadState *thread, uint64_t hz)
{
    GenericMachine *machine = thread->machine;
    SIM_INFO("LIBSIM__Set_ClockFreq_hz: %s for %s", Prepare_AbsoluteFrequency(hz), thread->name);
    if (thread->processor->core_freq) Define_FreqSpec_Frequency(thread->processor->core_freq, hz);
    Define_FreqSpec_Frequency(&machine->base_freq, hz);
    int processors = GenericMachine__ProcessorCount(machine);
    SIM_INFO("LIBSIM__Set_ClockFreq_hz: %s for %d processors", Prepare_AbsoluteFrequency(hz), processors);
    for_each_processor(machine, [&](ProcessorState *core) {
        if (core->core_freq) Define_FreqSpec_Frequency(core->core_freq, hz);
    });
    int threads = GenericMachine__ThreadCount(machine);
    for (int i = 0; i < threads; i++)
        if (ThreadState *t = GenericMachine__Thread(machine, i)) Schedule_PERIODIC_STATS(t);
    return threads;
}
