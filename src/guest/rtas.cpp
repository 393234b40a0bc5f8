// RTAS: the "rtascall" instruction and the functions it serves.
#include "guest/rtas.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "interrupts/interrupt_raisers.h"
#include "exec/thread_job.h"
#include "guest/sim_support.h"
#include "processor/hooks/sim_support_halt.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "devices/console.h"
#include "devices/nvram.h"
#include "devices/ppcic.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_map.h"
#include "processor/records/processor_state.h"
#include "processor/regs/register_file.h"
#include "processor/run/run_control.h"
#include "processor/run/thread_run_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime/utils.h"

const IDNamePair rtas_func_names[] = {
    {1000, "restart-rtas"},
    {1001, "nvram-fetch"},
    {1002, "nvram-store"},
    {1003, "get-time-of-day"},
    {1004, "set-time-of-day"},
    {1005, "set-time-for-power-on"},
    {1006, "event-scan"},
    {1007, "check-exception"},
    {1008, "last-error"},
    {1009, "read-pci-config"},
    {1010, "write-pci-config"},
    {1011, "qzb,read-pci-config"},
    {1012, "qzb,write-pci-config"},
    {1013, "display-character"},
    {1014, "set-indicator"},
    {1015, "get-sensor-state"},
    {1016, "set-power-level"},
    {1017, "get-power-level"},
    {1018, "assume-power-management"},
    {1019, "relinquish-power-management"},
    {1020, "power-off"},
    {1021, "hibernate"},
    {1022, "suspend"},
    {1023, "system-reboot"},
    {1024, "update-flash-and-reboot"},
    {1025, "update-flash"},
    {1026, "qzb,update-flash-64-and-reboot"},
    {1027, "qzb,update-flash-64"},
    {1028, "cache-control"},
    {1029, "freeze-time-base"},
    {1030, "thaw-time-base"},
    {1031, "stop-self"},
    {1032, "start-cpu"},
    {1054, "put-term-char"},
    {1055, "get-term-char"},
    {1056, "qzb,set-eeh-option"},
    {1057, "qzb,get-system-parameter"},
    {1058, "qzb,set-system-parameter"},
    {1033, "query-cpu-stopped-state"},
    {1034, "qzb,os-term"},
    {1035, "qzb,exti2c"},
    {1036, "qzb,refresh-firmware-parameters"},
    {1037, "qzb,nmi-register"},
    {1040, "qzb,flash-block-version"},
    {1041, "qzb,manage-flash-image"},
    {1042, "qzb,sensor-0003"},
    {1043, "qzb,validate-flash-image"},
    {1044, "rtas-error-log-max"},
    {1045, "rtas-event-scan-rate"},
    {1046, "rtas-get-flashside"},
    {1047, "rtas-sensors"},
    {1048, "rtas-set-flashside"},
    {1049, "qzb,display-line-length"},
    {1050, "qzb,get-xive"},
    {1051, "qzb,set-xive"},
    {1052, "qzb,int-on"},
    {1053, "qzb,int-off"},
    {0, nullptr},
};

namespace
{

constexpr uint64_t MSR_SF = 1ull << 63;
// Functions read at most 3 arguments and set at most 8 results.
constexpr uint32_t RTAS_MIN_CELLS = 8;

// The argument and result buffers of the program: grown to a multiple of 8 cells, zero-filled
// when (re)allocated, never cleared between calls.
struct CellBuffer {
    int32_t *cells = nullptr;
    uint32_t capacity = 0;

    bool hold(uint32_t count)
    {
        if (count < RTAS_MIN_CELLS) count = RTAS_MIN_CELLS;
        if (count <= capacity) return true;
        uint32_t size = (count + 7) & ~7u;
        int32_t *fresh = (int32_t *)calloc(size, sizeof(int32_t));
        if (!fresh) return false;
        free(cells);
        cells = fresh;
        capacity = size;
        return true;
    }
};
CellBuffer rtas_args, rtas_results;

const char *name_of(ThreadState *thread)
{
    return thread->name ? thread->name : "";
}

uint64_t address_of(int32_t argument)
{
    return (uint64_t)(int64_t)argument; // arguments used as addresses are sign-extended
}

// The start address a start-cpu gives: whole in 64-bit mode, else its low 32 bits; word-aligned.
uint64_t start_address(ThreadState *caller, uint64_t address)
{
    if (!(caller->MSR.value & MSR_SF)) address &= 0xFFFFFFFFull;
    return address & ~3ull;
}

void set_pc(ThreadState *thread, uint64_t address)
{
    thread->PC.value = address & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
    thread->next_pc = address;
}

bool guest_physical_write(ThreadState *thread, uint64_t address, uint8_t byte)
{
    return Write_Mapped_Memory_Reg(thread->memory_client, address, 1, byte, 0) == 1;
}

bool guest_physical_read(ThreadState *thread, uint64_t address, uint8_t *byte)
{
    uint64_t value = 0;
    if (Read_Mapped_Memory_Reg(thread->memory_client, address, 1, &value, 0, 0) != 1) return false;
    *byte = (uint8_t)value;
    return true;
}

void time_of_day(IOPDesc *iop, int32_t *r)
{
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    uint64_t tick = machine->tsim ? machine->tsim->now : 0;
    uint64_t per_cycle = machine->base_domain && machine->base_domain->ticks_per_cycle
                             ? machine->base_domain->ticks_per_cycle
                             : 1;
    uint64_t cycles = tick / per_cycle + (tick % per_cycle != 0);
    uint64_t hz = evaluate_frequency_ratio(&machine->base_freq, nullptr);
    time_t seconds = (time_t)(machine->rtc_base + (int64_t)(hz ? cycles / hz : 0));
    tm broken{};
    gmtime_r(&seconds, &broken);
    r[0] = 0;
    r[1] = broken.tm_year + 1900;
    r[2] = broken.tm_mon + 1;
    r[3] = broken.tm_mday;
    r[4] = broken.tm_hour;
    r[5] = broken.tm_min;
    r[6] = broken.tm_sec;
    r[7] = 0;
    switch (machine->mode) {
    case MODE_TURBO:
    case MODE_NAMELESS:
        if (chunk_instruction_limit <= 0) SimBogusHalt(thread);
        break;
    case MODE_PTURBO:
    case MODE_LOOSE:
    case MODE_FAST:
    case MODE_WARMUP:
        SimBogusHalt(thread);
        break;
    default:
        break;
    }
}

void start_cpu(IOPDesc *iop, const int32_t *p, int32_t *r)
{
    ThreadState *caller = iop->thread;
    GenericMachine *machine = caller->machine;
    int32_t threads = GenericMachine__ThreadCount(machine);
    r[0] = 0;
    if ((uint32_t)p[0] >= (uint32_t)threads) {
        sim_error("RTAS start_cpu.  Thread # %d is invalid (max threads is %d)", p[0], threads);
        return;
    }
    ThreadState *thread = GenericMachine__Thread(machine, p[0]);
    if (!thread) return;
    thread->GPR[3].value = (uint64_t)(int64_t)p[2];
    if (thread->thread_id_in_core == 0) {
        set_pc(thread, start_address(caller, address_of(p[1])));
        Thread_RunState(thread);
        if (thread->processor) CPU_RunState(thread->processor, "RTAS:start-cpu");
    } else {
        SMTA_Start_Thread(thread, 10, address_of(p[1]));
    }
    thread->rtas_stopped = 0;
}

void console_character(IOPDesc *iop, const int32_t *p, int32_t *r, const char *warning)
{
    ConsoleDevice *console = Get_Console(iop->thread->machine);
    if (!console) {
        sim_warning(2, warning, name_of(iop->thread), p[0] & 0xFF, p[0] & 0xFF);
        r[0] = -1;
        return;
    }
    Console_Write(console, p[0] & 0xFF);
    r[0] = 0;
}

// The NVRAM copies stop at the end of the image: every byte after it would fail the same way.
void nvram_fetch(IOPDesc *iop, const int32_t *p, int32_t *r)
{
    ThreadState *thread = iop->thread;
    for (int64_t i = 0; i < p[2]; i++) {
        uint8_t byte = 0;
        if (!halvo_nvram_read(thread->machine->nvram, &byte, (uint64_t)(uint32_t)p[0] + (uint64_t)i)) {
            sim_error("[%s]: NVRAM fetch: read failed!", name_of(thread));
            break;
        }
        if (!guest_physical_write(thread, address_of(p[1]) + (uint64_t)i, byte))
            sim_warning(2, "[%s]: NVRAM fetch: memory copy failed!", name_of(thread));
    }
    r[0] = 0;
    r[1] = p[2] > 0 ? p[2] : 0;
}

void nvram_store(IOPDesc *iop, const int32_t *p, int32_t *r)
{
    ThreadState *thread = iop->thread;
    for (int64_t i = 0; i < p[2]; i++) {
        uint8_t byte = 0;
        if (!guest_physical_read(thread, address_of(p[1]) + (uint64_t)i, &byte))
            sim_warning(2, "[%s]: NVRAM store: memory copy failed!", name_of(thread));
        if (!halvo_nvram_write(thread->machine->nvram, byte, (uint64_t)(uint32_t)p[0] + (uint64_t)i)) {
            sim_warning(2, "[%s]: NVRAM store: nvram write failed!", name_of(thread));
            break;
        }
    }
    r[0] = 0;
    r[1] = p[2] > 0 ? p[2] : 0;
}

void perform(IOPDesc *iop, int32_t token, const int32_t *p, int32_t *r)
{
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    const char *name = name_of(thread);
    switch (token) {
    case 1000:
        sim_warning(2, "[%s]: RTAS restart-rtas", name);
        r[0] = 0;
        return;
    case 1001:
        nvram_fetch(iop, p, r);
        return;
    case 1002:
        nvram_store(iop, p, r);
        return;
    case 1003:
        time_of_day(iop, r);
        return;
    case 1004:
    case 1005:
    case 1016:
    case 1018:
    case 1019:
    case 1035:
    case 1036: {
        static const IDNamePair texts[] = {
            {1004, "[%s]: RTAS set-time-of-day"},
            {1005, "[%s]: RTAS set-time-for-power-on"},
            {1016, "[%s]: RTAS set-power-level"},
            {1018, "[%s]: RTAS assume-power-management"},
            {1019, "[%s]: RTAS relinquish-power-management"},
            {1035, "[%s]: RTAS exti2c"},
            {1036, "[%s]: RTAS refresh-firmware-parameters"},
            {0, nullptr},
        };
        sim_warning(2, ID2Name(texts, token), name);
        r[0] = 0;
        return;
    }
    case 1006:
        sim_warning(2, "[%s]: RTAS event-scan", name);
        r[0] = 1;
        return;
    case 1007:
        sim_warning(2, "[%s]: RTAS check-exception", name);
        r[0] = 1;
        return;
    case 1008:
        sim_warning(2, "[%s]: RTAS last-error", name);
        r[0] = 1;
        return;
    case 1009:
    case 1011:
        r[0] = -1;
        r[1] = 0;
        return;
    case 1010:
    case 1012:
        r[0] = -1;
        return;
    case 1013:
        console_character(iop, p, r, "[%s]: RTAS display-character '0x%X:%c' but can't get console");
        return;
    case 1054:
        console_character(iop, p, r, "[%s]: RTAS put-term-char '0x%X:%c' but can't get console");
        return;
    case 1014:
        SIM_PRINT("[%s]: RTAS set-indicator %d[%d] = %d\n", name, p[0], p[1], p[2]);
        r[0] = 0;
        return;
    case 1015:
        sim_warning(2, "[%s]: RTAS get-sensor-state (%d)", name, p[0]);
        if (p[0] == 1) {
            r[0] = 0;
            r[1] = 1;
        } else {
            r[0] = -3;
        }
        return;
    case 1017:
        sim_warning(2, "[%s]: RTAS get-power-level", name);
        r[0] = -3;
        return;
    case 1020:
        sim_warning(2, "[%s]: RTAS power-off", name);
        Stop_The_Simulation(STOP_RTAS);
        r[0] = -1;
        return;
    case 1021:
        sim_warning(2, "[%s]: RTAS hibernate", name);
        r[0] = -1;
        return;
    case 1022:
        sim_warning(2, "[%s]: RTAS suspend", name);
        r[0] = -1;
        return;
    case 1023:
        sim_warning(2, "[%s]: RTAS reboot.............", name);
        Stop_The_Simulation(STOP_RTAS);
        r[0] = 0;
        return;
    case 1024:
    case 1025:
    case 1026:
    case 1027:
        sim_warning(2, "[%s]: RTAS update-flash etc.", name);
        r[0] = -1;
        return;
    case 1028:
        sim_warning(2, "[%s]: RTAS cache-control (cache %d, state %d)", name, p[0], p[1]);
        r[0] = 0;
        return;
    case 1029:
        sim_warning(2, "[%s]: RTAS freeze-time-base", name);
        GenericMachine__Freeze_Time_Base(machine);
        r[0] = 0;
        return;
    case 1030:
        sim_warning(2, "[%s]: RTAS thaw-time-base", name);
        GenericMachine__Thaw_Time_Base(machine);
        r[0] = 0;
        return;
    case 1031:
        thread->rtas_stopped = 1;
        SMTA_Stop_Thread(thread);
        r[0] = 0;
        return;
    case 1032:
        start_cpu(iop, p, r);
        return;
    case 1033: {
        // A thread that does not exist is a hardware error, never a look past the thread table.
        ThreadState *target = (uint32_t)p[0] < (uint32_t)GenericMachine__ThreadCount(machine)
                                  ? GenericMachine__Thread(machine, p[0])
                                  : nullptr;
        if (!target) {
            r[0] = -1;
            return;
        }
        r[0] = 0;
        r[1] = target->rtas_stopped ? 0 : 2;
        return;
    }
    case 1034: {
        char text[257];
        int i = 0;
        for (; i < 256; i++) {
            uint8_t byte = 0;
            if (!guest_physical_read(thread, address_of(p[0]) + (uint64_t)i, &byte) || !byte) break;
            text[i] = (char)byte;
        }
        text[i] = '\0';
        sim_warning(2, "[%s]: RTAS os-term: \"%s\"", name, text);
        r[0] = 0;
        return;
    }
    case 1037:
        sim_warning(2, "[%s]: RTAS qzb_nmi_register", name);
        r[0] = -1;
        return;
    case 1050: {
        uint32_t server = 0, priority = 0;
        get_InterruptSource_Config(thread, p[0], &server, &priority);
        r[0] = 0;
        r[1] = (int32_t)server;
        r[2] = (int32_t)priority;
        return;
    }
    case 1051:
        set_InterruptSource_Config(thread, p[0], (uint32_t)p[1], (uint32_t)p[2]);
        r[0] = 0;
        return;
    case 1052:
        if (!enable_InterruptSource(thread, p[0])) {
            sim_warning(2, "qzb_int_on: irq=0x%0X failed", p[0]);
            r[0] = -1;
        } else {
            r[0] = 0;
        }
        return;
    case 1053:
        if (!disable_InterruptSource(thread, p[0])) {
            sim_warning(2, "qzb_int_off: irq=0x%0X failed", p[0]);
            r[0] = -1;
        } else {
            r[0] = 0;
        }
        return;
    case 1055: {
        ConsoleDevice *console = Get_Console(machine);
        if (!console) {
            sim_error("[%s]: RTAS get-term-char but can't get console", name);
            r[0] = -1;
            return;
        }
        int character = Console_Read(console);
        r[1] = character;
        r[0] = character == -1 ? -1 : 0;
        return;
    }
    case 1056:
        sim_error("[%s]: RTAS qzb,set-eeh-option not supported yet", name);
        r[0] = -1;
        return;
    case 1057:
        sim_error("[%s]: RTAS qzb,get-system-parameter not supported yet", name);
        r[0] = -1;
        return;
    case 1058:
        sim_error("[%s]: RTAS qzb,set-system-parameter not supported yet", name);
        r[0] = -1;
        return;
    default: {
        const char *function = nullptr;
        for (const IDNamePair *row = rtas_func_names; row->name; row++)
            if (row->id == token) function = row->name;
        sim_warning(2, "[%s]: RTAS unsupported call 0x%0X (%s). Setting failure return value.", name, token,
                    function ? function : "");
        r[0] = -1;
        return;
    }
    }
}

} // namespace

const char *RTAS_func_id2name(int32_t token)
{
    return ID2Name(rtas_func_names, token);
}

int32_t RTAS_func_name2id(const char *name)
{
    return Name2ID(rtas_func_names, name);
}

int core_rtascall(IOPDesc *iop)
{
    uint64_t block = SimSupport_Arg(iop, 3);
    uint64_t value = 0;
    uint64_t header[3];
    for (int i = 0; i < 3; i++) {
        if (!SimSupport_Load(iop, block + 4 * (uint64_t)i, 4, &value)) return SimSupport_Failed_Copy(iop);
        header[i] = (uint32_t)value;
    }
    int32_t token = (int32_t)header[0];
    uint32_t nargs = (uint32_t)header[1], nret = (uint32_t)header[2];
    if (nargs > RTAS_MAX_CELLS || nret > RTAS_MAX_CELLS) {
        if (nret > 0 && !SimSupport_Store(iop, block + 4 * (3 + (uint64_t)nargs), 0xFFFFFFFFu, 4))
            return SimSupport_Failed_Copy(iop);
        return 1;
    }
    if (!rtas_args.hold(nargs) || !rtas_results.hold(nret)) return 1;
    for (uint32_t i = 0; i < nargs; i++) {
        if (!SimSupport_Load(iop, block + 4 * (3 + (uint64_t)i), 4, &value))
            return SimSupport_Failed_Copy(iop);
        rtas_args.cells[i] = (int32_t)value;
    }
    perform(iop, token, rtas_args.cells, rtas_results.cells);
    if (iop->defer_side_effects) return 1;
    for (uint32_t i = 0; i < nret; i++) {
        uint64_t cell = block + 4 * (3 + (uint64_t)nargs + i);
        if (!SimSupport_Store(iop, cell, (uint32_t)rtas_results.cells[i], 4))
            return SimSupport_Failed_Copy(iop);
    }
    return 1;
}

int semantic_rtascall(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    if (!machine || !machine->enable_rtas_support) {
        interrupt_IllegalInstruction(iop, "rtascall");
        return 0;
    }
    Thread_sync_time(thread, "rtascall");
    if (!core_rtascall(iop)) return 0;
    if (iop->use_slots) return 1;
    IOP_Advance_NIA(iop);
    return 1;
}
