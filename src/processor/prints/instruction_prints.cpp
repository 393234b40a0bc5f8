// Instruction prints and after-instruction triggers.
#include "processor/prints/instruction_prints.h"

#include <cstdio>

#include "processor/config/processor_options.h"
#include "processor/hooks/disassembler.h"
#include "processor/hooks/fpscr_text.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/hooks/turbo_reason_name.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/time_registers.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"

namespace
{

constexpr int DISASSEMBLY_SIZE = 200;
constexpr int DEBUG_INSTRUCTIONS = 12, DEBUG_INSTRUCTIONS_ALSO = 14, DEBUG_INSTRUCTION_REGISTERS = 15;

bool translated_mode(const GenericMachine *machine)
{
    return machine &&
           (machine->mode == MODE_TURBO || machine->mode == MODE_PTURBO || machine->mode == MODE_NAMELESS);
}
constexpr uint64_t HID0_ATTN_ENABLE = 0x100000000ull; // bit 32

// The thread's name for a print header: only when the machine has several processors or the
// processor several threads.
const char *header_name(ThreadState *thread)
{
    if ((thread->machine && GenericMachine__ProcessorCount(thread->machine) > 1) ||
        (thread->processor && thread->processor->num_threads > 1))
        return thread->name;
    return nullptr;
}

// The address the triggers report: the fetch address of an instruction in flight, else the PC.
uint64_t trigger_address(IOPDesc *iop)
{
    return iop->use_slots ? iop->fetch.ea : iop->thread->PC.value;
}

// Fires the machine's associative trigger with "{ sim %s mcm %d cpu %d thread %d pc 0x%016lX }",
// and " reg %d" before the closing brace when reg is not negative.
void fire(IOPDesc *iop, const char *name, uint64_t address, int reg)
{
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    TriggerTable *table = Machine_Trigger_Table(machine);
    if (!table || table->assoc_count == 0) return;
    const char *sim = machine && machine->name ? machine->name : "";
    int chip = thread->mcm ? thread->mcm->number : 0;
    int cpu = thread->processor ? (int)thread->processor->number_in_chip : 0;
    if (reg < 0)
        Assoc_Trigger_Fire(table, name, "{ sim %s mcm %d cpu %d thread %d pc 0x%016lX }", sim, chip, cpu,
                           thread->thread_id_in_core, (unsigned long)address);
    else
        Assoc_Trigger_Fire(table, name, "{ sim %s mcm %d cpu %d thread %d pc 0x%016lX reg %d }", sim, chip,
                           cpu, thread->thread_id_in_core, (unsigned long)address, reg);
}

} // namespace

int PrintInstruction(IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    ThreadState *thread = iop->thread;
    char text[DISASSEMBLY_SIZE];
    disassemble(text, sizeof text, iop, (iGET_MSR(iop) & MSR_SF) != 0);
    char line[512];
    int length = snprintf(line, sizeof line, "%s0x%016lX : %s\n",
                          Make_Print_Header(thread->machine, 0, header_name(thread)),
                          (unsigned long)thread->PC.value, text);
    SIM_PRINT("%s", line);
    return length;
}

void PrintInstructionAndDumpState(IOPDesc *iop)
{
    if (!iop || !iop->thread) return;
    ThreadState *thread = iop->thread;
    PrintInstruction(iop);
    SIM_PRINT("  lr:0x%016lX  ctr:0x%016lX  cr:%s\n", (unsigned long)thread->LR.value,
              (unsigned long)thread->CTR.value, Prepare_CR(thread->CR.value));
    char msr[MSR_TEXT_SIZE];
    SIM_PRINT("  msr:%s srr0:0x%016lX srr1:0x%016lX\n", Prepare_MSR(msr, thread->MSR.value),
              (unsigned long)thread->SRR0.value, (unsigned long)thread->SRR1.value);
    ProcessorState *tb_core = thread->shared_processor ? thread->shared_processor : thread->processor;
    SIM_PRINT("  tb:0x%016lX  dec:0x%08X\n", (unsigned long)(tb_core ? ProcessorState__GetTB(tb_core) : 0),
              ThreadState__GetDEC(thread));
    SIM_PRINT("  fpscr:%s\n", Prepare_FPSCR(thread->FPSCR.value));
    for (int n = 0; n < NUM_GPRS; n += 4)
        SIM_PRINT("   r%02d:0x%016lX r%02d:0x%016lX r%02d:0x%016lX r%02d:0x%016lX\n", n,
                  (unsigned long)thread->GPR[n].value, n + 1, (unsigned long)thread->GPR[n + 1].value, n + 2,
                  (unsigned long)thread->GPR[n + 2].value, n + 3, (unsigned long)thread->GPR[n + 3].value);
}

void DisassembleInstruction(IOPDesc *iop, const char *tag)
{
    if (!iop || !iop->thread) return;
    ThreadState *thread = iop->thread;
    GenericMachine *machine = thread->machine;
    char text[400];
    disassemble(text, sizeof text, iop, (IOP_Read_MSR(iop) & MSR_SF) != 0);
    SIM_PRINT("DEBUG: %s%s: ", Make_Print_Header(machine, (long)iop->counter, header_name(thread)), tag);
    SIM_PRINT("PC=0x%016lX: [0x%08X]: %s", (unsigned long)iop->fetch.ea, iop->word, text);
    if (translated_mode(machine) && !iop->xlate_message)
        iop->xlate_message = turbo_reason((unsigned)thread->turbo.reason);
    if (iop->xlate_message) {
        SIM_PRINT(" [%s]", iop->xlate_message);
        iop->xlate_message = nullptr;
    }
    if (iop->exceptions) {
        // Exception_Name answers in one shared buffer: each name is printed as soon as it is made.
        SIM_PRINT(" <");
        for (PowerPCException *e = iop->exceptions; e; e = e->next) {
            if (e != iop->exceptions) SIM_PRINT(", ");
            SIM_PRINT("%s", Exception_Name(e));
        }
        SIM_PRINT(">");
    }
    SIM_PRINT("\n");
    if (get_debug_flag(DEBUG_INSTRUCTION_REGISTERS) <= 0) return;
    SIM_PRINT("  lr:0x%016lX ctr:0x%016lX cr:0x%08X xer:0x%016lX\n", (unsigned long)thread->LR.value,
              (unsigned long)thread->CTR.value, (uint32_t)thread->CR.value, (unsigned long)thread->XER.value);
    char msr[MSR_TEXT_SIZE];
    SIM_PRINT("  msr:%s srr0:0x%016lX srr1:0x%016lX\n", Prepare_MSR(msr, thread->MSR.value),
              (unsigned long)thread->SRR0.value, (unsigned long)thread->SRR1.value);
    SIM_PRINT("  fpscr:%s\n", Prepare_FPSCR(thread->FPSCR.value));
    for (int n = 0; n < NUM_GPRS; n += 4)
        SIM_PRINT("   r%02d:0x%016lX r%02d:0x%016lX r%02d:0x%016lX r%02d:0x%016lX\n", n,
                  (unsigned long)thread->GPR[n].value, n + 1, (unsigned long)thread->GPR[n + 1].value, n + 2,
                  (unsigned long)thread->GPR[n + 2].value, n + 3, (unsigned long)thread->GPR[n + 3].value);
    for (int n = 0; n < 32; n += 4)
        SIM_PRINT("   f%02d:0x%016lX f%02d:0x%016lX f%02d:0x%016lX f%02d:0x%016lX\n", n,
                  (unsigned long)thread->VSR[n].value[0], n + 1, (unsigned long)thread->VSR[n + 1].value[0],
                  n + 2, (unsigned long)thread->VSR[n + 2].value[0], n + 3,
                  (unsigned long)thread->VSR[n + 3].value[0]);
}

void CheckDebugInstruction(IOPDesc *iop)
{
    if (!iop || !iop->thread) return;
    if (get_debug_flag(DEBUG_INSTRUCTIONS) > 0 || get_debug_flag(DEBUG_INSTRUCTIONS_ALSO) > 0 ||
        (translated_mode(iop->thread->machine) && iop->thread->turbo.instruction_debug))
        DisassembleInstruction(iop, "INSTRUCTION");
}

void TraceDebugHook(IOPDesc *iop)
{
    if (iop && iop->thread && iop->thread->Instruction_Number != 0) PrintInstructionAndDumpState(iop);
}

void Handle_Trigger_After_Instruction(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    uint32_t word = iop->word;
    uint8_t flags = iop->deferred_triggers;
    uint64_t address = trigger_address(iop);

    if (flags & AFTER_BRANCH_SELF) {
        uint32_t bo = FIELD_BO(word);
        if ((word >> 26) == 18 || ((bo & 0x10) && (bo & 0x04))) fire(iop, "BRANCH_SELF", address, -1);
    }
    if (flags & AFTER_NOOP) {
        uint32_t rs = FIELD_RS(word);
        if (rs == FIELD_RA(word) && rs == FIELD_RB(word) && rs > 9) fire(iop, "NOOP", address - 4, (int)rs);
    }
    if (flags & AFTER_ATTN) {
        const uint32_t *options = thread->processor->options;
        if (iGET_HID0(iop) & HID0_ATTN_ENABLE)
            fire(iop, "ATTN", options[PO_ATTN_ADVANCE_NIA] ? address - 4 : address, -1);
        if (options[PO_ATTN_STOP]) Stop_The_Simulation(STOP_ATTN);
        if (iop->use_slots && options[PO_ATTN_STALL])
            Thread_StallState(thread, "ATTN instruction", STALL_ATTN);
    }
    iop->deferred_triggers = 0;
}
