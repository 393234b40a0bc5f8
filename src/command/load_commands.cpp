// The program loading commands.
#include "command/load_commands.h"

#include <strings.h>

#include <cstring>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "core/cycle_core_tcl.h"
#include "loaders/boot_image_loaders.h"
#include "loaders/elf_loader.h"
#include "loaders/xcoff_loader.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/msr_rules.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

// The room a program's first frame keeps above its stack pointer: the frame header and parameter
// area of the first 64-bit ABI, which covers the second ABI's and the 32-bit one's.
constexpr uint64_t STACK_FRAME_RESERVE = 112;

// Thread 0 of processor 0 unless the words chose others.
ThreadState *load_thread(Selector *selector)
{
    if (selector->thread_index == -1) selector->thread_index = 0;
    if (selector->cpu_index == -1) selector->cpu_index = 0;
    return select_thread(selector);
}

// A loaded program's data lie below its initial stack pointer.
int loaded(ThreadState *thread, int result)
{
    if (result && thread->machine) thread->machine->stack_top = thread->GPR[1].value;
    return result ? 0 : 1;
}

bool is_noreset(const char *word)
{
    return word && strcasecmp(word, "-noreset") == 0;
}

} // namespace

int Load_Elf_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Usage: %s {filename} [-noreset]", argv[0]);
        return 1;
    }
    ThreadState *thread = load_thread(selector);
    if (!thread) return 1;
    int reset = !(argc > 2 && is_noreset(argv[2]));
    return loaded(thread, Load_Elf_Processor(thread, argv[1], 0, reset, 0));
}

int Load_Vmlinux_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 3) {
        SIM_TCLPRINT(interpreter, "Usage: %s {file} [address]", argv[0]);
        return 1;
    }
    ThreadState *thread = load_thread(selector);
    if (!thread) return 1;
    int ok = 0;
    uint64_t address = STRING2INT_rc(argv[2], &ok);
    int reset = !(argc > 3 && is_noreset(argv[3]));
    return loaded(thread, Load_Elf_Processor(thread, argv[1], 1, reset, address));
}

int Load_XCOFF_Cmd(Selector *selector, Tcl_Interp *, int argc, char **argv)
{
    if (argc < 2) {
        SIM_PRINT("LOAD XCOFF : file name not specified\n");
        return 1;
    }
    int raw = 0, relocate = 1, reset = 1;
    uint64_t addresses[3] = {~0ull, ~0ull, ~0ull};
    int end = argc;
    for (int i = 2; i < argc; i++)
        if (!strcmp(argv[i], "-")) {
            end = i;
            break;
        }
    int word = 2;
    if (word < end && !strcmp(argv[word], "-raw")) {
        raw = 1;
        word++;
    }
    if (word < end && !strcmp(argv[word], "-norelo")) {
        relocate = 0;
        word++;
    }
    if (word < end && !strcmp(argv[word], "-noreset")) {
        reset = 0;
        word++;
    }
    for (int n = 0; n < 3 && word < end; n++, word++)
        addresses[n] = xcoff_get_hex(argv[word]);
    ThreadState *thread = load_thread(selector);
    if (!thread) return 1;
    return loaded(thread, Load_XCOFF(thread, raw, argv[1], nullptr, addresses, relocate, reset, argc, argv));
}

int Load_Linux_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    return Load_Linux(select_mcm(selector), argv[1]) ? 0 : 1;
}

int Load_Plan9_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    return Load_Plan9(select_mcm(selector), argv[1]) ? 0 : 1;
}

int setargsConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine || machine->stack_top == ~0ull) {
        SIM_TCLPRINT(interpreter, "\nERROR: config setargs needs to have an elf object loaded first!");
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    uint64_t pointer = (thread->MSR.value & MSR_SF) ? 8 : 4;
    uint64_t area = (uint64_t)(argc + 2) * pointer;
    for (int i = 0; i < argc; i++)
        area += strlen(argv[i]) + 8;
    // The area lies below 2 GiB: the arithmetic is done on the low 32 bits and sign-extended.
    uint32_t low = ((uint32_t)machine->stack_top - (uint32_t)area) & ~7u;
    uint64_t top = (uint64_t)(int64_t)(int32_t)low;
    machine->stack_top = top;
    CycleCore_TCL_forced(thread);
    thread->GPR[4].value = top;
    thread->GPR[3].value = (uint64_t)argc;
    // Pointers in the program's byte order; the array ends with a null pointer.
    bool little_endian = (thread->MSR.value & MSR_LE) != 0;
    auto put_pointer = [&](uint64_t at, uint64_t value) {
        if (little_endian)
            value = pointer == 8 ? __builtin_bswap64(value) : __builtin_bswap32((uint32_t)value);
        Write_Mapped_Memory_Reg(thread->memory_client, at, (int)pointer, value, 0);
    };
    uint64_t text = top + (uint64_t)(argc + 2) * pointer;
    for (int i = 0; i < argc; i++) {
        put_pointer(top + (uint64_t)i * pointer, text);
        size_t length = strlen(argv[i]) + 1;
        PA_copy_buffer_directly_to_memory(thread->memory_client, text, argv[i], (int64_t)length, 1);
        text += length;
    }
    put_pointer(top + (uint64_t)argc * pointer, 0);
    // The program's stack starts below the area, so that its frames never overwrite the words:
    // room for the caller's frame header of either ABI, 16-byte aligned, back chain zero.
    uint64_t stack = (top - STACK_FRAME_RESERVE) & ~15ull;
    thread->GPR[1].value = stack;
    Write_Mapped_Memory_Reg(thread->memory_client, stack, (int)pointer, 0, 0);
    return 0;
}

SimCmdTable *build_load_Cmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("Load");
    add_simcommand(table, "xcoff", Load_XCOFF_Cmd, "Load_XCOFF_Cmd", -1, 0, "{filename} {entry point}");
    add_simcommand(table, "linux", Load_Linux_Cmd, "Load_Linux_Cmd", 1, 0, "{filename}");
    add_simcommand(table, "plan9", Load_Plan9_Cmd, "Load_Plan9_Cmd", 1, 4, "{filename}");
    add_simcommand(table, "elf", Load_Elf_Cmd, "Load_Elf_Cmd", -1, 0, "{filename}");
    add_simcommand(table, "vmlinux", Load_Vmlinux_Cmd, "Load_Vmlinux_Cmd", -1, 0, "{filename} {address}");
    return table;
}
