// Thread control and interrupt injection commands.
#include "command/thread_control_commands.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "devices/interrupt_hook.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/machine_check.h"
#include "mmu/storage_interrupts.h"
#include "processor/hooks/hmi.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

// Subtype codes of the interrupts a user generates.
enum : int32_t {
    EST_ALIGN_USER = 213,
    EST_ISI_USER = 225,
    EST_DSI_USER = 240,
    EST_DSI_WRITE_THRU_RESERVATION_USER = 241,
};

uint64_t number_word(const char *word)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    return ok ? value : 0;
}

// How a row raises its interrupt: on the thread, or on the temporary instruction.
using ThreadRaiser = void (*)(ThreadState *);
using InstructionRaiser = void (*)(IOPDesc *);

// Raises on a temporary instruction of the thread, moves the result to the thread's queue and
// reports.
int schedule(Selector *selector, Tcl_Interp *interpreter, char **argv, InstructionRaiser on_instruction,
             ThreadRaiser on_thread)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    iop.data.ea = 0;
    if (on_instruction) on_instruction(&iop);
    if (on_thread) on_thread(thread);
    FlushException(&iop);
    SIM_TCLPRINT(interpreter, "Scheduled %s Interrupt", argv[0]);
    return 0;
}

// The Load/Store word: 1 for a store, 0 for a load, -1 (after the message) for anything else.
int store_flag(Tcl_Interp *interpreter, const char *word)
{
    char c = (char)toupper((unsigned char)word[0]);
    if (c == 'L') return 0;
    if (c == 'S') return 1;
    SIM_TCLPRINT(interpreter, "Error: expected L(oad) or S(tore), got %s", word);
    return -1;
}

// A storage interrupt with a Load/Store word, and optionally an address word before it.
using StorageRaiser = void (*)(IOPDesc *, uint64_t address, uint32_t store);
int storage_interrupt(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv, bool with_address,
                      StorageRaiser raiser)
{
    uint64_t address = 0;
    if (with_address) {
        char *end = nullptr;
        address = strtoull(argv[1], &end, 0);
        if (end == argv[1] || *end) {
            SIM_TCLPRINT(interpreter, "Error: reading address got 0x%016lX from %s", (unsigned long)address, argv[1]);
            return 1;
        }
    }
    int store = store_flag(interpreter, argv[argc - 1]);
    if (store < 0) return 1;
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    iop.data.ea = address;
    raiser(&iop, address, (uint32_t)store);
    FlushException(&iop);
    SIM_TCLPRINT(interpreter, "Scheduled %s Interrupt", argv[0]);
    return 0;
}

#define INSTRUCTION_INTERRUPT(handler, call)                                                               \
    int handler(Selector *selector, Tcl_Interp *interpreter, int, char **argv)                             \
    {                                                                                                      \
        return schedule(selector, interpreter, argv, [](IOPDesc *iop) { call; }, nullptr);                \
    }
#define THREAD_INTERRUPT(handler, call)                                                                    \
    int handler(Selector *selector, Tcl_Interp *interpreter, int, char **argv)                             \
    {                                                                                                      \
        return schedule(selector, interpreter, argv, nullptr, [](ThreadState *thread) { call; });         \
    }

THREAD_INTERRUPT(PPCInterruptDecrementer, interrupt_Decrementer(thread))
THREAD_INTERRUPT(PPCInterruptHV_Decrementer, interrupt_HV_Decrementer(thread))
THREAD_INTERRUPT(PPCInterruptSystemError, interrupt_System_Error(thread))
THREAD_INTERRUPT(PPCInterruptIPI, interrupt_IPI(thread))
THREAD_INTERRUPT(PPCInterruptPerfMonitor, interrupt_PerfMonitor(thread, 0))
THREAD_INTERRUPT(PPCInterruptSystemReset, interrupt_SystemReset(thread))
INSTRUCTION_INTERRUPT(PPCInterruptFPUnavailable, interrupt_FPUnavailable(iop))
INSTRUCTION_INTERRUPT(PPCInterruptHvSystemCall, interrupt_HvSystemCall(iop))
INSTRUCTION_INTERRUPT(PPCInterruptMER, interrupt_MER(iop))
INSTRUCTION_INTERRUPT(PPCInterruptIllegalInstruction, interrupt_IllegalInstruction(iop, "user generated"))
INSTRUCTION_INTERRUPT(PPCInterruptInstStorageG1, interrupt_InstStorage_ISI(iop, EST_ISI_USER))
INSTRUCTION_INTERRUPT(PPCInterruptPrivilegedInstruction, interrupt_PrivilegedInstruction(iop))
INSTRUCTION_INTERRUPT(PPCInterruptSystemCall, interrupt_SystemCall(iop))
INSTRUCTION_INTERRUPT(PPCInterruptTrapInstruction, interrupt_TrapInstruction(iop))
INSTRUCTION_INTERRUPT(PPCInterruptVMX_Assist, interrupt_VMX_Assist(iop))
INSTRUCTION_INTERRUPT(PPCInterruptVMXUnavailable, interrupt_VMXUnavailable(iop))
INSTRUCTION_INTERRUPT(PPCInterruptMachineCheck, interrupt_MachineCheck(iop, 0))
INSTRUCTION_INTERRUPT(PPCInterruptPreciseMachineCheck, interrupt_PreciseMachineCheck(iop))
INSTRUCTION_INTERRUPT(PPCInterruptHMI, interrupt_HMI(iop, iop->thread))

int PPCInterruptAlignmentException(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return storage_interrupt(selector, interpreter, argc, argv, false, [](IOPDesc *iop, uint64_t, uint32_t store) {
        interrupt_AlignmentException(iop, 0, 0, store, EST_ALIGN_USER);
    });
}

int PPCInterruptDataStoragePageFault(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return storage_interrupt(selector, interpreter, argc, argv, false, [](IOPDesc *iop, uint64_t, uint32_t store) {
        interrupt_DataStoragePageFault(iop, 0, store);
    });
}

int PPCInterruptDataStorageProtection(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return storage_interrupt(selector, interpreter, argc, argv, false, [](IOPDesc *iop, uint64_t, uint32_t store) {
        interrupt_DataStorageProtection(iop, 0, store, EST_DSI_USER);
    });
}

int PPCInterruptDSRsrvWWT(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return storage_interrupt(selector, interpreter, argc, argv, true,
                             [](IOPDesc *iop, uint64_t address, uint32_t store) {
                                 interrupt_DataStorageAccess(iop, address, store, EST_DSI_WRITE_THRU_RESERVATION_USER);
                             });
}

int PPCInterruptDataStorageSegmentFault(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return storage_interrupt(selector, interpreter, argc, argv, true,
                             [](IOPDesc *iop, uint64_t address, uint32_t store) {
                                 interrupt_DataStorageSegmentFault(iop, address, store, 0);
                             });
}

} // namespace

int PPC_Step(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 2) {
        SIM_TCLPRINT(interpreter, "Usage: %s {number of instrs}", argv[0]);
        return 1;
    }
    uint64_t n = number_word(argv[1]);
    if (n == 0) {
        SIM_TCLPRINT(interpreter, "Value (0x%016lX) was less than or equal to 0; treat as 1\n", 0UL);
        n = 1;
    }
    int level = what_selector_level(selector);
    if (level >= 2) {
        ThreadState *thread = select_thread(selector);
        if (!thread) return 1;
        SIM_TCLPRINT(interpreter, "%ld", (long)ThreadState__Step(thread, n));
        return 0;
    }
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    uint64_t before = machine->instruction_count;
    StopAfterInstructions(machine, n);
    GenericMachine__Run(machine);
    SIM_TCLPRINT(interpreter, "%ld", (long)(machine->instruction_count - before));
    return 0;
}

int PPC_stallCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    ProcessorState *processor = thread ? thread->processor : select_processor(selector);
    if (thread) {
        Thread_StallState(thread, "TCL command stall", STALL_TCL_COMMAND);
        Thread_Set_Manual_Disable(thread, 1);
        SIM_TCLPRINT(interpreter, "Thread %s stalled\n", thread->name);
    } else if (processor) {
        CPU_StallState(processor, "TCL command stall");
    } else {
        SIM_TCLPRINT(interpreter, "Must specify a processor");
        return 1;
    }
    if (processor && processor->x_cpuState != CPU_RUNNING) SIM_TCLPRINT(interpreter, "CPU %s stalled", processor->name);
    return 0;
}

int PPC_configonCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (thread) Thread_Set_Manual_Disable(thread, 0);
    ProcessorState *processor = thread ? thread->processor : select_processor(selector);
    if (!processor) {
        SIM_TCLPRINT(interpreter, "Must specify a processor to config-on");
        return 1;
    }
    CPU_RunState(processor, "TCL command config-on");
    if (!thread) thread = processor->num_threads ? &processor->threads[0] : nullptr;
    if (!thread) return 1;
    Thread_RunState(thread);
    SIM_TCLPRINT(interpreter, "CPU %s set running", thread->name);
    return 0;
}

int Start_Thread_Cmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    return SMTA_Start_Thread(thread, 0, number_word(argv[1])) ? 0 : 1;
}

int Stop_Thread_Cmd(Selector *selector, Tcl_Interp *, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    return SMTA_Stop_Thread(thread) ? 0 : 1;
}

int PIC_InterruptExternal(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    MCM *chip = select_mcm(selector);
    if (!chip) {
        SIM_TCLPRINT(interpreter, "%s: No MCM defined", argv[0]);
        return 1;
    }
    IntHandler *hook = chip->int_handler;
    if (!hook || !IntHandler__isSetup(hook)) {
        SIM_TCLPRINT(interpreter, "%s: Interrupt handler is not setup", argv[0]);
        return 1;
    }
    if (argc != 3) {
        SIM_TCLPRINT(interpreter, "Usage: %s {msi|raise|lower} <isrc>", argv[0]);
        return 1;
    }
    uint64_t source = number_word(argv[2]);
    if (source == 0) {
        SIM_TCLPRINT(interpreter, "%s: isrc is out of range: %s", argv[0], argv[2]);
        return 1;
    }
    if (strcmp(argv[1], "msi") == 0) {
        IntHandler__Message(hook, 0, source);
    } else if (strcmp(argv[1], "raise") == 0) {
        IntHandler__Raise(hook, 0, source, "TCL_raise");
    } else if (strcmp(argv[1], "lower") == 0) {
        IntHandler__Lower(hook, 0, source);
    } else {
        SIM_TCLPRINT(interpreter, "%s: unknown interrupt type: %s", argv[0], argv[1]);
        return 1;
    }
    return 0;
}

SimCmdTable *build_ppc_interruptCmd_table(void *)
{
    SimCmdTable *t = Init_SimCmdTable("ppc_interrupt");
    constexpr const char *LOAD_STORE = "{Load|Store}";
    constexpr const char *DAR_LOAD_STORE = "{dar_value} {Load|Store}";
    add_simcommand(t, "External", PIC_InterruptExternal, "PIC_InterruptExternal", 2, 0,
                   "{msi|raise|lower} <interrupt_source_number>");
    add_simcommand(t, "AlignmentException", PPCInterruptAlignmentException, "PPCInterruptAlignmentException", 1, 0,
                   LOAD_STORE);
    add_simcommand(t, "DataStoragePageFault", PPCInterruptDataStoragePageFault, "PPCInterruptDataStoragePageFault",
                   1, 0, LOAD_STORE);
    add_simcommand(t, "DataStorageProtection", PPCInterruptDataStorageProtection,
                   "PPCInterruptDataStorageProtection", 1, 0, LOAD_STORE);
    add_simcommand(t, "DataStorageReservationWithWriteThrough", PPCInterruptDSRsrvWWT, "PPCInterruptDSRsrvWWT", 2,
                   0, DAR_LOAD_STORE);
    add_simcommand(t, "DataStorageSegmentFault", PPCInterruptDataStorageSegmentFault,
                   "PPCInterruptDataStorageSegmentFault", 2, 0, DAR_LOAD_STORE);
    static const struct {
        const char *word;
        SimCmdHandler handler;
        const char *name;
    } plain[] = {
        {"Decrementer", PPCInterruptDecrementer, "PPCInterruptDecrementer"},
        {"FPUnavailable", PPCInterruptFPUnavailable, "PPCInterruptFPUnavailable"},
        {"HV_Decrementer", PPCInterruptHV_Decrementer, "PPCInterruptHV_Decrementer"},
        {"HvSystemCall", PPCInterruptHvSystemCall, "PPCInterruptHvSystemCall"},
        {"MER", PPCInterruptMER, "PPCInterruptMER"},
        {"SystemError", PPCInterruptSystemError, "PPCInterruptSystemError"},
        {"IllegalInstruction", PPCInterruptIllegalInstruction, "PPCInterruptIllegalInstruction"},
        {"InstStorageG1", PPCInterruptInstStorageG1, "PPCInterruptInstStorageG1"},
        {"IPI", PPCInterruptIPI, "PPCInterruptIPI"},
        {"PerfMonitor", PPCInterruptPerfMonitor, "PPCInterruptPerfMonitor"},
        {"PrivilegedInstruction", PPCInterruptPrivilegedInstruction, "PPCInterruptPrivilegedInstruction"},
        {"SystemCall", PPCInterruptSystemCall, "PPCInterruptSystemCall"},
        {"TrapInstruction", PPCInterruptTrapInstruction, "PPCInterruptTrapInstruction"},
        {"VMX_Assist", PPCInterruptVMX_Assist, "PPCInterruptVMX_Assist"},
        {"VMXUnavailable", PPCInterruptVMXUnavailable, "PPCInterruptVMXUnavailable"},
        {"MachineCheck", PPCInterruptMachineCheck, "PPCInterruptMachineCheck"},
        {"PreciseMachineCheck", PPCInterruptPreciseMachineCheck, "PPCInterruptPreciseMachineCheck"},
        {"SystemReset", PPCInterruptSystemReset, "PPCInterruptSystemReset"},
        {"HMI", PPCInterruptHMI, "PPCInterruptHMI"},
    };
    for (const auto &row : plain)
        add_simcommand(t, row.word, row.handler, row.name, 0, 0, "");
    return t;
}
