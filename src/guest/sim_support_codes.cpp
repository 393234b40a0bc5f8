// The small services of the sim-support code table.
#include "guest/sim_support_codes.h"

#include <sys/time.h>

#include <cstdio>

#include "isa/hooks/cache_entries.h"
#include "cache/cache_flush.h"
#include "cache/cache_services.h"
#include "runtime/tcl_eval.h"
#include "exec/interpreter.h"
#include "guest/guest_locks.h"
#include "guest/sim_support.h"
#include "isa/semantics_helpers.h"
#include "kernel/delay.h"
#include "processor/records/generic_machine.h"
#include "processor/run/modes.h"
#include "mmu/address_translate.h"
#include "mmu/ea_copy.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/time/processor_time.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "guest/hooks/guest_hooks.h"
#include "runtime/stop.h"
#include "runtime/trackpid.h"
#include "runtime/utils.h"

namespace
{

uint64_t arg(IOPDesc *iop, uint32_t n)
{
    return SimSupport_Arg(iop, n);
}

int result(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

constexpr uint64_t MINUS_ONE = ~0ull;

uint32_t level_bit(uint32_t level)
{
    return 0x80000000u >> level;
}

simDeviceInfo_s *device_entry(uint64_t kind)
{
    return &simDeviceInfo[kind == 1 ? 1 : kind == 2 ? 2 : 0];
}

uint32_t leading_zeros(uint32_t value)
{
    return value ? (uint32_t)__builtin_clz(value) : 32;
}

ProcessorState *processor_of(IOPDesc *iop)
{
    return iop->thread->processor;
}

uint64_t current_cycles(IOPDesc *iop)
{
    ProcessorState *core = processor_of(iop);
    return TD_get_current_cycles(core ? core->core_domain : nullptr);
}

uint64_t processor_hz(IOPDesc *iop)
{
    ProcessorState *core = processor_of(iop);
    return core && core->core_freq ? evaluate_frequency_ratio(core->core_freq, nullptr) : 0;
}

uint64_t ticks_per_cycle(IOPDesc *iop)
{
    ProcessorState *core = processor_of(iop);
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

typedef unsigned __int128 u128;

u128 gcd128(u128 a, u128 b)
{
    while (b) {
        u128 r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// The frequency a domain adds to the machine's tick rate (the least common multiple of them):
// its Hz, or for a ratio n/d of base b the smallest whole multiple of b x n / d.
u128 tick_contribution(const FreqSpec *spec)
{
    if (!spec) return 0;
    if (spec->is_absolute) return spec->hz;
    if (!spec->base || spec->numerator <= 0 || spec->denominator <= 0) return 0;
    u128 product = (u128)evaluate_frequency_ratio(spec->base, nullptr) * (uint32_t)spec->numerator;
    return product ? product / gcd128(product, (u128)(uint32_t)spec->denominator) : 0;
}

// 1 when the machine's clock can still tick with the base frequency at hz: the tick rate the
// domains then need fits in 64 bits with more than 6 bits of tick range.
bool tick_rate_fits(GenericMachine *machine, uint64_t hz)
{
    if (!machine) return false;
    FreqSpec saved = machine->base_freq;
    machine->base_freq.is_absolute = 1;
    machine->base_freq.hz = hz;
    machine->base_freq.base = nullptr;
    u128 rate = hz;
    for (time_domain *domain = machine->time_domains.domains; domain && rate <= (u128)~0ull;
         domain = domain->next) {
        u128 m = tick_contribution(domain->spec);
        if (m) rate = rate / gcd128(rate, m) * m;
    }
    machine->base_freq = saved;
    return rate <= (u128)~0ull && TD_tick_range_bits((uint64_t)rate) > 6;
}

// Runs the statistics callbacks of a list with the machine (and, for printing, the two flags).
void run_stats_print(GenericMachine *machine, int flag, int verbose)
{
    typedef void (*Print)(void *, GenericMachine *, int, int);
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_STATS_PRINT].head; entry;
         entry = entry->next)
        if (entry->function) reinterpret_cast<Print>(entry->function)(entry->data, machine, flag, verbose);
}

void run_stats_reset(GenericMachine *machine)
{
    typedef void (*Reset)(void *, GenericMachine *);
    for (Callback_Function *entry = callBackFunctionLists[CALLBACK_STATS_RESET].head; entry;
         entry = entry->next)
        if (entry->function) reinterpret_cast<Reset>(entry->function)(entry->data, machine);
}

// The guest string at GPR4 copied with the capacity; 1 when the copy succeeded.
int copy_string(IOPDesc *iop, uint64_t address, char *buffer, uint32_t capacity)
{
    buffer[0] = '\0';
    int ok = EA_copy_string_from_memory(iop, address, buffer, capacity);
    buffer[capacity - 1] = '\0';
    return ok;
}

char string_buffer[4097];

} // namespace

// ---- device and external interrupt words ----

int SimDeviceIntRegister(IOPDesc *iop)
{
    simDeviceInfo_s *entry = device_entry(arg(iop, 4));
    int32_t level = (int32_t)arg(iop, 5);
    if (level > 31) {
        sim_error("SimDeviceIntRegister passed level %d, should be 0<=level<=31", level);
        return 1;
    }
    entry->level = level;
    entry->registered = 1;
    return result(iop, 0);
}

int SimSupport_DeviceIntUnregister(IOPDesc *iop)
{
    simDeviceInfo_s *entry = device_entry(arg(iop, 4));
    entry->level = 0;
    entry->registered = 0;
    return result(iop, 0);
}

int SimSupport_InterruptingDevice(IOPDesc *iop)
{
    uint64_t kind = arg(iop, 4);
    result(iop, MINUS_ONE);
    if (kind == 1) {
        sim_error("Attempt to get interrupting device for 'disk' (not yet supported)");
        return 1;
    }
    if (kind == 2) {
        sim_error("Attempt to get interrupting device for 'ethernet' (not yet supported)");
        return 1;
    }
    uint32_t zeros = leading_zeros(simDeviceInfo[0].pending);
    return result(iop, zeros < 32 ? zeros : MINUS_ONE);
}

int SimResetIntForStreamCode(IOPDesc *)
{
    sim_error("Called SimSupport with \"SimResetIntForStreamCode\", not yet supported");
    return 1;
}

int SimSupport_TakeExternal(IOPDesc *iop)
{
    uint32_t v = pending_external_mask & pending_external_interrupts & ~temp_external_mask;
    if (!v) return result(iop, MINUS_ONE);
    uint32_t n = leading_zeros(v);
    temp_external_mask |= level_bit(n);
    return result(iop, n);
}

int SimSupport_SetExternalMask(IOPDesc *iop)
{
    pending_external_mask = (uint32_t)arg(iop, 4);
    return result(iop, 0);
}

int SimSupport_RaiseExternal(IOPDesc *iop)
{
    pending_external_interrupts |= (uint32_t)arg(iop, 4);
    return result(iop, 0);
}

int SimSupport_SetSteering(IOPDesc *iop)
{
    uint64_t level = arg(iop, 4);
    external_steering[level & 31] = (uint32_t)arg(iop, 5);
    return result(iop, 0);
}

int SimSupport_ClearExternal(IOPDesc *iop)
{
    pending_external_interrupts &= ~(uint32_t)arg(iop, 4);
    return result(iop, 0);
}

int SimInterruptEOI(IOPDesc *iop)
{
    uint64_t level = arg(iop, 4);
    if (level > 31) {
        sim_error("SimInterruptEOI passed invalid level (0x%08X)", (unsigned)level);
        return 1;
    }
    temp_external_mask &= ~level_bit((uint32_t)level);
    return result(iop, 0);
}

int SimSupport_SendIPI(IOPDesc *iop)
{
    uint64_t thread = arg(iop, 4);
    z93_pending_IPIs |= (uint32_t)(0x80000000ull >> (thread & 63));
    return result(iop, 0);
}

// ---- unsupported services ----

// The call completes with GPR3 = -1, so that the guest is never stuck re-executing it.
int SimSupport_Checkpoint(IOPDesc *iop)
{
    sim_warning(2, "Sim_support for checkpoint not available");
    return result(iop, MINUS_ONE);
}

int SimSupport_Connections(IOPDesc *iop)
{
    sim_warning(2, "Sim_support for connections not available");
    return result(iop, MINUS_ONE);
}

// ---- strings ----

int SimSupport_StringProbe(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint32_t capacity = SimSupport_String_Capacity(arg(iop, 5));
    return result(iop, copy_string(iop, address, string_buffer, capacity) ? 1 : 0);
}

int SimSupport_ShortStringProbe(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    char text[128];
    return result(iop, copy_string(iop, address, text, sizeof text) ? 0 : MINUS_ONE);
}

// ---- run control and statistics ----

int SimSupport_Stop(IOPDesc *)
{
    Stop_The_Simulation(STOP_SIM_SUPPORT_EXIT);
    return 1;
}

int SimSupport_Zero(IOPDesc *iop)
{
    return result(iop, 0);
}

int SimSupport_StatsDump(IOPDesc *iop)
{
    uint64_t flags = arg(iop, 4);
    SIM_PRINT("\n:::::Stats dumped at %ld by proc %d:::::::\n", (long)current_cycles(iop),
              SimSupport_Thread_Number(iop->thread));
    run_stats_print(iop->thread->machine, (int)((flags >> 1) & 1), (int)(flags & 1));
    return result(iop, 0);
}

int SimSupport_StatsReset(IOPDesc *iop)
{
    SIM_PRINT("\n:::::Stats cleaned at %ld by proc %d:::::::\n", (long)current_cycles(iop),
              SimSupport_Thread_Number(iop->thread));
    run_stats_reset(iop->thread->machine);
    Guest_Stall_Reset();
    return result(iop, 0);
}

int SimSupport_MemTraceOn(IOPDesc *iop)
{
    result(iop, 0);
    GenericMachine_MemTraceEnable(iop->thread->machine);
    return 1;
}

int SimSupport_MemTraceOff(IOPDesc *iop)
{
    result(iop, 0);
    GenericMachine_MemTraceDisable(iop->thread->machine);
    return 1;
}

int SimSupport_Version(IOPDesc *iop)
{
    return result(iop, get_quarn_version_info());
}

int SimSupport_StateDump(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    LogEntry("State Dump", SimSupport_Thread_Number(thread), "PC:0x%016lX LR:0x%016lX\n",
             (unsigned long)IOP_Current_Address(iop), (unsigned long)thread->LR.value);
    return result(iop, 0);
}

int SimSupport_InstructionCount(IOPDesc *iop)
{
    return result(iop, iop->thread->Instruction_Number);
}

int SimSupport_ProcessorCount(IOPDesc *iop)
{
    return result(iop, (uint64_t)(int64_t)GenericMachine__ProcessorCount(iop->thread->machine));
}

int SimSupport_MachineAttribute(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    switch (arg(iop, 4)) {
    case 0:
        return result(iop, (uint64_t)(int64_t)GenericMachine__ProcessorCount(machine));
    case 1:
        return result(iop, machine->total_memory);
    default:
        sim_error("simulator: error: unknown mcm attribute request");
        return result(iop, MINUS_ONE);
    }
}

int SimSupport_HostTime(IOPDesc *iop)
{
    timeval now{};
    gettimeofday(&now, nullptr);
    return result(iop, ((uint64_t)now.tv_sec << 32) + (uint64_t)now.tv_usec);
}

int SimSupport_LogStats(IOPDesc *iop)
{
    uint64_t label_address = arg(iop, 4);
    uint64_t value = arg(iop, 5);
    char label[100];
    copy_string(iop, label_address, label, sizeof label);
    SIM_PRINT("LOG-STATS: %s:%ld : INSTS:%ld\n", label, (long)value, (long)iop->thread->Instruction_Number);
    return 1;
}

int SimSupport_TclEval(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint32_t capacity = SimSupport_String_Capacity(arg(iop, 5));
    if (!copy_string(iop, address, string_buffer, capacity)) return result(iop, 0);
    int code = safe_Tcl_Eval(quarn_common.interpreter, string_buffer);
    return result(iop, code == 0 ? 1 : 0);
}

int SimSupport_ReadGPR4(IOPDesc *iop)
{
    arg(iop, 4);
    return 1;
}

int SimSupport_HexDump(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 5);
    static char copy[4096];
    copy_string(iop, address, copy, sizeof copy);
    size_t bytes = length >= 4095 ? 4096 : (size_t)length + 1;
    const char *name = iop->thread->machine->hexdump_file_name;
    FILE *file = nullptr;
    if (name) {
        file = fopen(name, "a+");
        if (!file) return result(iop, 0);
    }
    hexdump(copy, bytes, file);
    if (file) fclose(file);
    return result(iop, 1);
}

int SimSupport_CycleCount(IOPDesc *iop)
{
    return result(iop, current_cycles(iop));
}

int SimSupport_TrackStart(IOPDesc *iop)
{
    int32_t pid = (int32_t)arg(iop, 4);
    uint64_t address = arg(iop, 5);
    uint32_t capacity = SimSupport_String_Capacity(arg(iop, 6));
    if (!copy_string(iop, address, string_buffer, capacity)) return result(iop, 0);
    trackpid_start(iop->thread, pid, string_buffer);
    return 1;
}

int SimSupport_TrackStop(IOPDesc *iop)
{
    trackpid_stop(iop->thread, (int32_t)arg(iop, 4));
    return 1;
}

int SimSupport_Delay(IOPDesc *iop)
{
    uint64_t cycles = arg(iop, 4);
    if (cycles == 0) return 1;
    uint64_t per_cycle = ticks_per_cycle(iop);
    uint64_t ticks = cycles > ~0ull / per_cycle ? ~0ull : cycles * per_cycle;
    current_delay_ticks(ticks);
    return 1;
}

int SimSupport_Frequency(IOPDesc *iop)
{
    return result(iop, processor_hz(iop) / 1000000);
}

int SimSupport_ClockFrequency(IOPDesc *iop)
{
    uint64_t khz = arg(iop, 4);
    if (khz == MINUS_ONE) {
        SIM_PRINT("Core frequency set at %s", Prepare_AbsoluteFrequency(processor_hz(iop)));
        return result(iop, 0);
    }
    // A frequency the machine's clock cannot tick at is refused rather than ending the simulator.
    GenericMachine *machine = iop->thread->machine;
    if (khz == 0 || khz > ~0ull / 1000 || !tick_rate_fits(machine, khz * 1000)) return result(iop, MINUS_ONE);
    Machine__ResetClockFreqHZ(machine, khz * 1000);
    return result(iop, 0);
}

// ---- cache model ----

int SimSupport_CacheFlushRange(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 5);
    GenericMachine *machine = iop->thread->machine;
    // Only the timed modes hold lines; no range is longer than the machine's memory.
    if (machine->mode <= MODE_SIMPLE || length == 0) return 1;
    if (length > machine->total_memory) length = machine->total_memory;
    uint64_t end = address + length;
    if (end < address) end = ~0ull;
    for (uint64_t piece = address; piece < end;) {
        uint64_t page_end = (piece | 0xFFF) + 1;
        uint64_t stop = page_end == 0 || page_end > end ? end : page_end;
        AXD axd = INITIAL_AXD;
        axd.iop = iop;
        axd.ea = axd.orig_ea = piece;
        axd.size = 1;
        if (PPC_MMU_AddressTranslate(ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION, iop, &axd) == XLATE_OK)
            Cache_Flush_Lines_For_Range(machine, axd.pa, stop - piece);
        if (stop == ~0ull) break;
        piece = stop;
    }
    return 1;
}

int SimSupport_CacheDump(IOPDesc *iop)
{
    uint64_t flags = arg(iop, 4);
    uint64_t level = arg(iop, 5);
    Cache_dump_contents(iop->thread->machine, flags, level);
    return result(iop, 0);
}

int SimSupport_CacheLocality(IOPDesc *iop)
{
    uint64_t flag = arg(iop, 4);
    uint64_t address = arg(iop, 5);
    uint64_t length = arg(iop, 6);
    Cache_set_locality(iop->thread->memory_client, flag, address, length);
    return result(iop, 0);
}

// ---- prints and modes ----

int SimSupport_PrintGPR4(IOPDesc *iop)
{
    uint64_t value = arg(iop, 4);
    SIM_PRINT("GPR4 contents = 0x%016lX, %ld\n", (unsigned long)value, (long)value);
    return 1;
}

int SimSupport_PrintGPR4Prefixed(IOPDesc *iop)
{
    uint64_t value = arg(iop, 4);
    int processor = 0, thread = 0;
    SimSupport_Name_Numbers(iop->thread, &processor, &thread);
    printf("<%d:%d> GPR4 contents = 0x%016lX, %ld\n", processor, thread, (unsigned long)value, (long)value);
    fflush(stdout);
    return 1;
}

int SimSupport_ModeSimple(IOPDesc *iop)
{
    Mode_Change(iop->thread->machine, MODE_SIMPLE);
    return 1;
}

int SimSupport_ModeTurbo(IOPDesc *iop)
{
    Mode_Change(iop->thread->machine, MODE_TURBO);
    return 1;
}
