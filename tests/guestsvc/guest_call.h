// A machine built as "define machine" builds it (one core of one thread unless configured
// otherwise), its thread 0 in 64-bit hypervisor real mode, and an instruction record of the support
// instruction on that thread: tests put arguments in GPR4 onwards and guest data in RAM, call
// SimSupport and read GPR3 and RAM. Also a Tcl interpreter with the procedure "record" and the
// associative-trigger double (sim_support_test.cpp) through which "CALLTHRU" can be defined.
#pragma once

#include <gtest/gtest.h>
#include <tcl.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "interrupts/exception_table.h"
#include "decode/instr_tables.h"
#include "guest/sim_support.h"
#include "processor/records/generic_machine.h"
#include "memory/memory_map.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/common.h"
#include "runtime/stop.h"
#include "support/built_machine.h"

constexpr uint32_t SUPPORT_WORD = 0x000EAEB0;

// Defines "CALLTHRU" (or any machine event) with a command on every GuestCall machine made
// afterwards (Apply sets them on a machine's trigger table); Clear forgets them all.
void Test_Assoc_Define(const char *name, const char *command);
void Test_Assoc_Clear();
void Test_Assoc_Apply(GenericMachine *machine);

class GuestCall
{
  public:
    explicit GuestCall(const BuiltMachine::Configure &configure = {})
        : m("g", [&](BuiltMachine &b) {
              b.set("processor/number_of_threads", "1");
              if (configure) configure(b);
          })
    {
        Init_ExceptionStructures();
        if (!m.machine) return;
        Test_Assoc_Apply(m.machine);
        core = GenericMachine__Processor(m.machine, 0);
        t = &core->threads[0];
        prepare(t);
        Start_The_Simulation();
    }
    ~GuestCall()
    {
        if (iop) return_Instruction(iop);
    }
    GuestCall(const GuestCall &) = delete;
    GuestCall &operator=(const GuestCall &) = delete;

    // Makes the record an instruction of thread: 64-bit hypervisor real mode, PC 0x100.
    void prepare(ThreadState *thread)
    {
        if (iop) return_Instruction(iop);
        t = thread;
        t->MSR.value = 0x9000000000000000ull;
        t->processor->HRMOR.value = 0;
        t->PC.value = 0x100;
        iop = get_Instruction(t);
        iop->word = SUPPORT_WORD;
        iop->row = Processor_Decode_Instruction(t->processor, SUPPORT_WORD);
    }

    bool ok() const { return m.machine && t && iop; }
    uint64_t &gpr(int n) { return t->GPR[n].value; }

    // Runs the call; the completion flag.
    int call(uint64_t code, uint64_t r4 = 0, uint64_t r5 = 0, uint64_t r6 = 0)
    {
        gpr(3) = code;
        gpr(4) = r4;
        gpr(5) = r5;
        gpr(6) = r6;
        return SimSupport(iop);
    }
    // GPR3 after the call, as a signed number.
    int64_t result() { return (int64_t)gpr(3); }

    void write(uint64_t address, int size, uint64_t value)
    {
        ASSERT_EQ(Write_Mapped_Memory_Reg(t->memory_client, address, size, value, 0), 1);
    }
    uint64_t read(uint64_t address, int size)
    {
        uint64_t value = 0;
        EXPECT_EQ(Read_Mapped_Memory_Reg(t->memory_client, address, size, &value, 0, 1), 1);
        return value;
    }
    void put(uint64_t address, const void *data, size_t length)
    {
        const uint8_t *bytes = static_cast<const uint8_t *>(data);
        for (size_t i = 0; i < length; i++)
            write(address + i, 1, bytes[i]);
    }
    void put_string(uint64_t address, const char *text) { put(address, text, strlen(text) + 1); }
    std::string get_string(uint64_t address, size_t limit = 4096)
    {
        std::string text;
        for (size_t i = 0; i < limit; i++) {
            char c = (char)read(address + i, 1);
            if (!c) break;
            text += c;
        }
        return text;
    }

    BuiltMachine m;
    ProcessorState *core = nullptr;
    ThreadState *t = nullptr;
    IOPDesc *iop = nullptr;
};

// The simulator's interpreter for one test, with the procedure "record" that appends its
// arguments to ::fired.
class TclRecorder
{
  public:
    TclRecorder()
    {
        interp = Tcl_CreateInterp();
        saved = quarn_common.interpreter;
        quarn_common.interpreter = interp;
        Tcl_Eval(interp, "set ::fired {}; proc record {args} { lappend ::fired $args }");
    }
    ~TclRecorder()
    {
        quarn_common.interpreter = saved;
        Tcl_DeleteInterp(interp);
    }
    TclRecorder(const TclRecorder &) = delete;
    TclRecorder &operator=(const TclRecorder &) = delete;
    std::string fired() { return Tcl_GetVar(interp, "fired", TCL_GLOBAL_ONLY); }
    void clear() { Tcl_Eval(interp, "set ::fired {}"); }
    Tcl_Interp *interp;

  private:
    Tcl_Interp *saved;
};
