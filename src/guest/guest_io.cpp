// Guest memory, string and host-file services of the sim-support call.
#include "guest/guest_io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "cache/cache_flush.h"
#include "cache/cache_services.h"
#include "interrupts/msr_write.h"
#include "guest/sim_support.h"
#include "processor/hooks/sim_support_halt.h"
#include "isa/semantics_helpers.h"
#include "devices/console.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "mmu/ea_copy.h"
#include "mmu/real_mode.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/time/processor_time.h"
#include "processor/regs/register_file.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"

FileTable_s FileTable;

namespace
{

constexpr uint64_t MINUS_ONE = ~0ull;
constexpr uint32_t CONSOLE_LIMIT = 4096;

uint64_t arg(IOPDesc *iop, uint32_t n)
{
    return SimSupport_Arg(iop, n);
}

int result(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

MemoryMap *chip0_map(GenericMachine *machine)
{
    MCM *chip = machine && machine->num_mcms > 0 && machine->mcms ? machine->mcms[0] : nullptr;
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

// The configured memory region that holds the address, or null.
const MemoryRegionDesc *region_of(GenericMachine *machine, uint64_t address)
{
    uint32_t shift = machine->memory_region_id_shift;
    uint64_t index = shift < 64 ? address >> shift : 0;
    if (index >= machine->memory_region_count) return nullptr;
    const MemoryRegionDesc *region = &machine->memory_regions[index];
    return address >= region->start && address <= region->end ? region : nullptr;
}

bool address_valid(GenericMachine *machine, uint64_t address)
{
    return region_of(machine, address) || MemMap_ValidAddr(chip0_map(machine), address);
}

} // namespace

bool Guest_Physical_Range_Valid(GenericMachine *machine, uint64_t start, uint64_t length)
{
    uint64_t last = start + length - 1;
    if (last < start) return false;
    if (!address_valid(machine, start) || !address_valid(machine, last)) return false;
    if (const MemoryRegionDesc *region = region_of(machine, start)) return last <= region->end;
    MemoryMap *map = chip0_map(machine);
    MapList *list = map ? map->map_list : nullptr;
    for (MapListElement *element = list ? list->first : nullptr; element; element = element->next)
        if (element->start <= start && start <= element->end) return last <= element->end;
    return false;
}

namespace
{

bool range_valid(GenericMachine *machine, uint64_t start, uint64_t length)
{
    return Guest_Physical_Range_Valid(machine, start, length);
}

// The real address of an effective address by the thread's real-mode address computation.
bool real_address(IOPDesc *iop, uint64_t *address)
{
    int refused = 0;
    return PA_canonical(iop, address, &refused) && !refused;
}

uint64_t ticks_per_cycle(const ProcessorState *core)
{
    return core && core->core_domain && core->core_domain->ticks_per_cycle
               ? core->core_domain->ticks_per_cycle
               : 1;
}

// The text of a console write (codes 0, 151, 187) into text (CONSOLE_LIMIT + 1 bytes), terminated
// after the n-th byte. 1 when read; 0 when it failed, *completed then being the call's flag.
int read_console_text(IOPDesc *iop, char *text, int *completed, const char *real_error)
{
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 5);
    uint64_t mode = arg(iop, 6);
    uint32_t n = length > CONSOLE_LIMIT ? CONSOLE_LIMIT : (uint32_t)length;
    if (mode == 1) {
        if (!EA_copy_buffer_from_memory_exception(iop, address, text, n, 1)) {
            *completed = SimSupport_Failed_Copy(iop);
            if (*completed) result(iop, MINUS_ONE);
            return 0;
        }
    } else {
        uint64_t real = address;
        if (!real_address(iop, &real)) {
            sim_error("%s", real_error);
            *completed = result(iop, MINUS_ONE);
            return 0;
        }
        PA_read_string_NoEffect(iop, real, text, n + 1, address);
    }
    text[n] = '\0';
    return 1;
}

int console_write(IOPDesc *iop, bool prefixed)
{
    static char text[CONSOLE_LIMIT + 1];
    ConsoleDevice *console = Get_Console(iop->thread->machine);
    int completed = 1;
    if (!read_console_text(iop, text, &completed, "2: Error in EA_copy_buffer_from_memory(2)"))
        return completed;
    if (!console) {
        SIM_PRINT("simConsolePrintf: %s\n", text);
        return result(iop, MINUS_ONE);
    }
    if (prefixed) {
        int processor = 0, thread = 0;
        SimSupport_Name_Numbers(iop->thread, &processor, &thread);
        char prefix[32];
        snprintf(prefix, sizeof prefix, "<%02d:%02d> ", processor, thread);
        for (const char *p = prefix; *p; p++)
            Console_Write(console, (unsigned char)*p);
    }
    for (const char *p = text; *p; p++)
        Console_Write(console, (unsigned char)*p);
    return 1;
}

// ---- host files ----

char implicit_path[SIM_PATH_SIZE];
FILE *implicit_file = nullptr;
char file_buffer[4096];

// The open entry of a file number, or null.
FileTableEntry *open_entry(uint64_t number)
{
    if (number >= SIM_FILE_COUNT) return nullptr;
    FileTableEntry *entry = &FileTable.entries[number];
    return entry->in_use && entry->stream ? entry : nullptr;
}

// size x count of a numbered-file transfer, or 0 with *refused when it overflows or passes the
// limit.
uint64_t transfer_bytes(uint64_t size, uint64_t count, bool *refused)
{
    *refused = false;
    if (size == 0 || count == 0) return 0;
    if (size > SIM_FILE_TRANSFER_LIMIT || count > SIM_FILE_TRANSFER_LIMIT / size) {
        *refused = true;
        return 0;
    }
    return size * count;
}

// ---- time stamps ----

uint64_t saved_instruction_count = 0;
uint64_t saved_host_seconds = 0;

// The thread's processor's current cycle from the machine's tick, rounded up.
uint64_t stamp_cycles(ThreadState *thread)
{
    tsim_s *tsim = thread->machine ? thread->machine->tsim : nullptr;
    uint64_t tick = tsim ? tsim->now : 0;
    if (tick == 0) return 0;
    uint64_t per_cycle = ticks_per_cycle(thread->processor);
    return tick / per_cycle + (tick % per_cycle != 0);
}

// Stores the values in turn (8 or 4 bytes each); 1 when all were stored.
int store_all(IOPDesc *iop, uint64_t address, const uint64_t *values, const int *sizes, int count)
{
    for (int i = 0; i < count; i++) {
        if (!SimSupport_Store(iop, address, values[i], sizes[i])) return 0;
        address += (uint64_t)sizes[i];
    }
    return 1;
}

uint64_t processor_hz(const ProcessorState *core)
{
    return core && core->core_freq ? evaluate_frequency_ratio(core->core_freq, nullptr) : 0;
}

uint32_t thread_count_started = 0;

} // namespace

// ---- console ----

int SimSupport_ConsoleWrite(IOPDesc *iop)
{
    return console_write(iop, false);
}

int SimSupport_ConsoleWritePrefixed(IOPDesc *iop)
{
    return console_write(iop, true);
}

int SimSupport_ConsoleRead(IOPDesc *iop)
{
    ConsoleDevice *console = Get_Console(iop->thread->machine);
    if (!console) return result(iop, MINUS_ONE);
    return result(iop, (uint64_t)(int64_t)(int32_t)Console_Read(console));
}

int SimSupport_DebugString(IOPDesc *iop)
{
    static char text[CONSOLE_LIMIT + 1];
    int completed = 1;
    if (!read_console_text(iop, text, &completed, "1: Error in EA_copy_buffer_from_memory(2)"))
        return completed;
    ProcessorState *core = iop->thread->processor;
    SIM_PRINT("CALLTHRU_DEBUG_STRING (CLOCK:%ld CPU:%d) : %s\n",
              (long)TD_get_current_cycles(core ? core->core_domain : nullptr),
              SimSupport_Thread_Number(iop->thread), text);
    return result(iop, MINUS_ONE);
}

int SimSupport_Print(IOPDesc *iop)
{
    static char text[4097];
    uint64_t address = arg(iop, 4);
    text[0] = '\0';
    if (!EA_copy_string_from_memory(iop, address, text, sizeof text)) {
        sim_error("Error in EA_copy_string_from_memory");
        return result(iop, MINUS_ONE);
    }
    int printed = printf("%s", text);
    fflush(stdout);
    return result(iop, (uint64_t)(int64_t)printed);
}

// ---- physical memory ----

int SimPhysMemCopy(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    uint64_t destination = arg(iop, 4);
    uint64_t source = arg(iop, 5);
    int32_t length = (int32_t)arg(iop, 6);
    if (!real_address(iop, &source)) {
        sim_error("1: Error in SimPhysMemCopy(1)");
        return result(iop, 0);
    }
    if (!real_address(iop, &destination)) {
        sim_error("2: Error in SimPhysMemCopy(1)");
        return result(iop, 0);
    }
    if (length == 0) return result(iop, 0);
    if (length < 0 || !range_valid(machine, destination, (uint64_t)length) ||
        !range_valid(machine, source, (uint64_t)length)) {
        sim_error("Bad address for copy: %d bytes from 0x%016lX to 0x%016lX", length, (unsigned long)source,
                  (unsigned long)destination);
        return result(iop, 0);
    }
    Cache_Flush_Lines_For_Range(machine, destination, (uint64_t)length);
    Cache_Flush_Lines_For_Range(machine, source, (uint64_t)length);
    PA_copy_memory_directly_to_memory(iop->thread->memory_client, destination, source, length, 0);
    return result(iop, (uint64_t)(int64_t)length);
}

int SimFastRevMemCopy(IOPDesc *iop)
{
    sim_warning(2, "SimFastRevMemCopy() obsolete!!");
    sim_warning(2, "   please use SimPhysMemCopy() which is safe for overlaps");
    return SimPhysMemCopy(iop);
}

int SimPhysMemSet(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 6);
    if (!real_address(iop, &address)) {
        sim_error("Error in SimPhysMemSet(1)");
        return result(iop, 0);
    }
    if (length == 0) return result(iop, 0);
    if (length > (uint64_t)INT64_MAX || !range_valid(machine, address, length)) {
        sim_error("Bad address for memset: %ld bytes from 0x%016lX", (long)length, (unsigned long)address);
        return result(iop, 0);
    }
    uint8_t byte = (uint8_t)arg(iop, 5);
    Cache_Flush_Lines_For_Range(machine, address, length);
    if (byte)
        PA_set_memory_directly(iop->thread, address, (int64_t)length, byte, 0);
    else
        PA_clear_memory_directly(iop->thread, address, (int64_t)length, 0);
    return result(iop, length);
}

// ---- the implicit host file ----

// A file opened before is closed first: a stream left open would keep unflushed data and a host
// descriptor for the rest of the process.
int SimSupport_FileOpen(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    char mode[2] = {(char)arg(iop, 5), '\0'};
    if (implicit_file) {
        fclose(implicit_file);
        implicit_file = nullptr;
    }
    implicit_path[0] = '\0';
    if (!EA_copy_string_from_memory(iop, address, implicit_path, sizeof implicit_path))
        return result(iop, MINUS_ONE);
    implicit_path[sizeof implicit_path - 1] = '\0';
    implicit_file = fopen(implicit_path, mode);
    return result(iop, implicit_file ? 0 : MINUS_ONE);
}

int SimSupport_FileClose(IOPDesc *iop)
{
    if (implicit_file) fclose(implicit_file);
    implicit_file = nullptr;
    return result(iop, 0);
}

int SimSupport_FileRead(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    if (!implicit_file) return result(iop, MINUS_ONE);
    size_t count = fread(file_buffer, 1, sizeof file_buffer, implicit_file);
    if (!EA_copy_buffer_to_memory(iop, address, file_buffer, (uint32_t)count)) return result(iop, 0);
    return result(iop, count);
}

int SimSupport_FileWrite(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 5);
    if (!implicit_file) return result(iop, MINUS_ONE);
    uint32_t n = length > sizeof file_buffer ? (uint32_t)sizeof file_buffer : (uint32_t)length;
    if (!EA_copy_buffer_from_memory(iop, address, file_buffer, n)) {
        sim_error("Error in EA_copy_buffer_from_memory for FileWrite");
        return result(iop, 0);
    }
    size_t written = fwrite(file_buffer, 1, n, implicit_file);
    fflush(implicit_file);
    return result(iop, written);
}

// ---- numbered host files ----

int SimFileOpen(IOPDesc *iop)
{
    static char path[SIM_PATH_SIZE];
    char mode[8];
    uint64_t path_address = arg(iop, 4);
    uint64_t mode_address = arg(iop, 5);
    path[0] = mode[0] = '\0';
    if (!EA_copy_string_from_memory(iop, path_address, path, sizeof path) ||
        !EA_copy_string_from_memory(iop, mode_address, mode, sizeof mode))
        return result(iop, MINUS_ONE);
    path[sizeof path - 1] = mode[sizeof mode - 1] = '\0';
    FILE *stream = fopen(path, mode);
    if (!stream) return result(iop, MINUS_ONE);
    if (FileTable.count >= SIM_FILE_COUNT) {
        sim_error("Too many sim_support files open. Quarn cannot handle");
        fclose(stream); // not recorded, so it must not stay open
        return result(iop, SIM_FILE_COUNT);
    }
    for (int i = 0; i < SIM_FILE_COUNT; i++) {
        FileTableEntry *entry = &FileTable.entries[i];
        if (entry->in_use) continue;
        snprintf(entry->path, sizeof entry->path, "%s", path);
        entry->stream = stream;
        entry->in_use = 1;
        FileTable.count++;
        return result(iop, (uint64_t)i);
    }
    fclose(stream);
    return result(iop, MINUS_ONE);
}

int SimFileClose(IOPDesc *iop)
{
    uint64_t number = arg(iop, 4);
    FileTableEntry *entry = open_entry(number);
    if (!entry) {
        sim_error("File %d to be closed not found", (int)number);
        return result(iop, MINUS_ONE);
    }
    fclose(entry->stream);
    entry->stream = nullptr;
    entry->in_use = 0;
    entry->path[0] = '\0';
    FileTable.count--;
    return result(iop, 0);
}

// The host buffer is cleared first: the whole size x count bytes go to the guest, also when fewer
// items were read.
int SimFileRead(IOPDesc *iop)
{
    uint64_t number = arg(iop, 7);
    uint64_t address = arg(iop, 4);
    uint64_t size = arg(iop, 5);
    uint64_t count = arg(iop, 6);
    FileTableEntry *entry = open_entry(number);
    if (!entry) {
        sim_error("SIMSUPPORT: SimFileRead (%d): No such file", (int)number);
        return result(iop, MINUS_ONE);
    }
    bool refused = false;
    uint64_t bytes = transfer_bytes(size, count, &refused);
    if (refused) return result(iop, 0);
    if (bytes == 0) return result(iop, 0);
    char *buffer = (char *)calloc(1, bytes);
    if (!buffer) return result(iop, 0);
    size_t items = fread(buffer, size, count, entry->stream);
    int copied = EA_copy_buffer_to_memory(iop, address, buffer, (uint32_t)bytes);
    free(buffer);
    return result(iop, copied ? items : 0);
}

int SimFileWrite(IOPDesc *iop)
{
    uint64_t number = arg(iop, 7);
    uint64_t address = arg(iop, 4);
    uint64_t size = arg(iop, 5);
    uint64_t count = arg(iop, 6);
    FileTableEntry *entry = open_entry(number);
    if (!entry) {
        sim_error("SIMSUPPORT: SimFileWrite (%d): No such file", (int)number);
        return result(iop, MINUS_ONE);
    }
    bool refused = false;
    uint64_t bytes = transfer_bytes(size, count, &refused);
    if (refused || bytes == 0) return result(iop, 0);
    char *buffer = (char *)malloc(bytes);
    if (!buffer) return result(iop, 0);
    size_t items = 0;
    if (EA_copy_buffer_from_memory(iop, address, buffer, (uint32_t)bytes))
        items = fwrite(buffer, size, count, entry->stream);
    free(buffer);
    return result(iop, items);
}

int SimFileSeek(IOPDesc *iop)
{
    uint64_t number = arg(iop, 4);
    int64_t offset = (int64_t)arg(iop, 5);
    uint64_t origin = arg(iop, 6);
    FileTableEntry *entry = open_entry(number);
    if (!entry) {
        sim_error("SIMSUPPORT: SimFileSeek (%d): No such file", (int)number);
        return result(iop, MINUS_ONE);
    }
    if (origin > 2) {
        sim_error("SimFileSeek: Bad fseek(whence=%d)", (int)origin);
        return result(iop, MINUS_ONE);
    }
    static const int whence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (fseeko(entry->stream, (off_t)offset, whence[origin]) != 0) {
        sim_error("SimFileSeek: Error in fseek (%d)", (int)number);
        return result(iop, MINUS_ONE);
    }
    return result(iop, 0);
}

int SimFileEOF(IOPDesc *iop)
{
    uint64_t number = arg(iop, 4);
    FileTableEntry *entry = open_entry(number);
    if (!entry) {
        sim_error("SIMSUPPORT: SimFileEOF (%d): No such file", (int)number);
        return result(iop, MINUS_ONE);
    }
    return result(iop, (uint64_t)(int64_t)feof(entry->stream));
}

int SimFileTell(IOPDesc *iop)
{
    uint64_t number = arg(iop, 4);
    FileTableEntry *entry = open_entry(number);
    if (!entry) {
        sim_error("SIMSUPPORT: SimFileTell (%d): No such file", (int)number);
        return result(iop, MINUS_ONE);
    }
    off_t position = ftello(entry->stream);
    if (position == -1) sim_error("SimFileTell: Error in ftell(%s): %s", entry->path, strerror(errno));
    return result(iop, (uint64_t)(int64_t)position);
}

// ---- time stamps and machine information ----

int SimSupport_TimeStamps(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint64_t address = arg(iop, 4);
    uint64_t count = thread->Instruction_Number;
    uint64_t seconds = (uint64_t)time(nullptr);
    uint64_t values[5] = {count, count - saved_instruction_count, seconds - saved_host_seconds, seconds,
                          stamp_cycles(thread)};
    static const int sizes[5] = {8, 8, 8, 8, 8};
    saved_instruction_count = count;
    saved_host_seconds = seconds;
    if (!store_all(iop, address, values, sizes, 5)) return SimSupport_Failed_Copy(iop);
    return result(iop, 0);
}

int SimSupport_MachineInfo(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    uint64_t address = arg(iop, 4);
    CacheLevelConfig l1d{}, l1i{}, l2{}, l3{};
    Cache_Global_Config(machine, "cache/l1d", &l1d);
    Cache_Global_Config(machine, "cache/l1i", &l1i);
    Cache_Global_Config(machine, "cache/l2", &l2);
    Cache_Global_Config(machine, "cache/l3", &l3);
    uint64_t values[] = {
        machine->total_cores,
        processor_hz(iop->thread->processor) / 1000000,
        machine->total_memory,
        (uint32_t)l1d.size,
        l1d.sets,
        l1d.line_size,
        l1d.line_size,
        (uint32_t)l1i.size,
        l1i.sets,
        l1i.line_size,
        l1i.line_size,
        (uint32_t)l2.size,
        l2.sets,
        l2.line_size,
        (uint32_t)l3.size,
        l3.sets,
        l3.line_size,
    };
    static const int sizes[] = {4, 4, 8, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4};
    static_assert(sizeof values / sizeof values[0] == sizeof sizes / sizeof sizes[0], "one size per field");
    if (!store_all(iop, address, values, sizes, (int)(sizeof sizes / sizeof sizes[0])))
        return SimSupport_Failed_Copy(iop);
    return 1;
}

// ---- starting processors and threads ----

int SimStartCPU(IOPDesc *iop)
{
    ThreadState *caller = iop->thread;
    GenericMachine *machine = caller->machine;
    uint64_t number = arg(iop, 4);
    uint64_t start = arg(iop, 5);
    uint64_t value = arg(iop, 6);
    if (number == (uint64_t)(int64_t)SimSupport_Thread_Number(caller)) {
        sim_error("SimStartCPU for your own cpu (%d)", (int)number);
        return result(iop, MINUS_ONE);
    }
    ProcessorState *core =
        number <= (uint64_t)INT32_MAX ? GenericMachine__Processor(machine, (int32_t)number) : nullptr;
    if (!core || !core->threads || core->num_threads == 0) {
        sim_error("you are not simulating enough processors, check your defaults.tcl");
        return result(iop, MINUS_ONE);
    }
    for (uint32_t i = 0; i < core->num_threads; i++)
        SMTA_InitState(core, &core->threads[i]);
    ThreadState *first = &core->threads[0];
    uint64_t pc = start & ~3ull;
    first->next_pc = pc;
    first->PC.value = pc & Register_Entry_Mask(first->PC.rfe);
    first->PC.written = 1;
    _WriteMSR(first, 0x8000000000000002ull & Register_Entry_Mask(first->MSR.rfe), 0, pc, __FILE__, __LINE__);
    first->GPR[3].value = value;
    Thread_RunState(first);
    return result(iop, 1);
}

int SimPthreadCreate(IOPDesc *iop)
{
    ThreadState *caller = iop->thread;
    GenericMachine *machine = caller->machine;
    uint64_t descriptor = arg(iop, 4);
    uint64_t stack_size = arg(iop, 5);
    uint64_t thread_id = arg(iop, 6);
    if (stack_size == 0) stack_size = 0x100000;
    SIM_PRINT("Receiving a pthread_create request with start=0x%016lX, stacksize=0x%016lX, and "
              "threadid=0x%016lX\n",
              (unsigned long)descriptor, (unsigned long)stack_size, (unsigned long)thread_id);
    ThreadState *thread = nullptr;
    int32_t count = GenericMachine__ThreadCount(machine);
    for (int32_t n = 0; n < count && !thread; n++) {
        ThreadState *candidate = GenericMachine__Thread(machine, n);
        if (candidate && candidate->x_threadState != CPU_RUNNING) thread = candidate;
    }
    if (!thread) {
        sim_error("Can't find a free CPU or thread on which to start new pthread\n");
        return 1;
    }
    for (int i = 0; i < NUM_GPRS; i++) {
        thread->GPR[i].value = caller->GPR[i].value;
        thread->VSR[i].value[1] = caller->VSR[i].value[1]; // doubleword 0, the FPR
        thread->VSR[i].value[0] = 0;
    }
    uint64_t n = ++thread_count_started;
    uint64_t pc = 0, toc = 0;
    Read_Mapped_Memory_Reg(thread->memory_client, descriptor, 8, &pc, 0, 1);
    Read_Mapped_Memory_Reg(thread->memory_client, descriptor + 8, 8, &toc, 0, 1);
    thread->next_pc = pc;
    thread->PC.value = pc & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
    SIM_PRINT("Just set PC to 0x%016lX\n", (unsigned long)thread->PC.value);
    thread->GPR[2].value = toc;
    SIM_PRINT("Just set TOC (gpr[2]) to 0x%016lX\n", (unsigned long)toc);
    uint64_t first_region = machine->memory_region_count ? machine->memory_regions[0].size : 0;
    thread->GPR[1].value = first_region - n * stack_size - 112;
    thread->GPR[3].value = thread_id;
    ProcessorState *core = thread->processor;
    if (core && core->x_cpuState == CPU_NOT_BOOTED) {
        SIM_PRINT("booting core %d\n", (int)core->core_id);
        CPU_RunState(core, "SimPthreadCreate");
    }
    SIM_PRINT("Setting Thread %d:%d to be in running state\n", core ? (int)core->core_id : 0,
              thread->thread_id_in_core);
    Thread_RunState(thread);
    return 1;
}

// ---- halt ----

int SimSupport_Halt(IOPDesc *iop)
{
    SimBogusHalt(iop->thread);
    return 1;
}

int SimSupport_HaltOff(IOPDesc *)
{
    Set_BogusHalt(0);
    return 1;
}
