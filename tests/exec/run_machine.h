// A one-thread machine built as "define machine" builds it, with RAM from address 0, its thread in
// hypervisor real mode at a chosen PC and its processor running: tests write instruction words,
// set a stop count and run the machine's kernel.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "exec/cpu_config.h"
#include "interrupts/exception_table.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/value_ops.h"
#include "processor/run/run_control.h"
#include "runtime/stop.h"
#include "support/built_machine.h"

class RunMachine
{
  public:
    explicit RunMachine(const BuiltMachine::Configure &configure = {})
        : m("run", [&](BuiltMachine &b) {
              b.set("processor/number_of_threads", "1");
              if (configure) configure(b);
          })
    {
        Init_ExceptionStructures(); // as the program's start-up does: vectors and priorities
        if (!m.machine) return;
        core = GenericMachine__Processor(m.machine, 0);
        t = &core->threads[0];
        t->MSR.value = 0x9000000000000000ull; // SF, HV; relocation off
        core->HRMOR.value = 0;
        t->PC.value = 0x100;
        Start_The_Simulation(); // a stop word left set would end every step at once
    }

    bool ok() const { return m.machine && core && t; }
    uint64_t tpc() const { return core->core_domain ? core->core_domain->ticks_per_cycle : 1; }
    uint64_t now() const { return m.machine->tsim->now; }

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
    // Instruction words from the address on, stored in the byte order of MSR[LE].
    void program(uint64_t address, std::initializer_list<uint32_t> words)
    {
        bool le = (t->MSR.value & 1) != 0;
        for (uint32_t word : words) {
            write(address, 4, le ? Reverse_RegValue(word, 4) : word);
            address += 4;
        }
    }
    // Runs until the thread has executed count more instructions (or another stop).
    void run(uint64_t count)
    {
        StopAfterThreadInstructions(t, count);
        CPU_ConfigOn(core, "test");
        how_to_run(m.machine);
    }

    BuiltMachine m;
    ProcessorState *core = nullptr;
    ThreadState *t = nullptr;
};
