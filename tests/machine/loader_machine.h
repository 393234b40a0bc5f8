// A whole default machine for the loader and bridge tests, with its first hardware thread and
// chip at hand, physical memory access through that thread's memory client, and the sink
// captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "runtime/stop.h"
#include "support/built_machine.h"
#include "support/image_builder.h"
#include "support/sink_capture.h"

class LoaderMachine
{
  public:
    explicit LoaderMachine(const BuiltMachine::Configure &configure = {}) : built("loader", configure)
    {
        machine = built.machine;
        thread = GenericMachine__Thread(machine, 0);
        chip = GenericMachine__GetMCM(machine, 0);
        client = thread ? thread->memory_client : nullptr;
        Start_The_Simulation();
    }
    ~LoaderMachine() { Start_The_Simulation(); }

    uint64_t read(uint64_t address, int length)
    {
        uint64_t value = 0;
        EXPECT_EQ(Read_Mapped_Memory_Reg(client, address, length, &value, 0, 0), 1) << std::hex << address;
        return value;
    }
    void write(uint64_t address, int length, uint64_t value)
    {
        EXPECT_EQ(Write_Mapped_Memory_Reg(client, address, length, value, 0), 1) << std::hex << address;
    }
    Bytes read_bytes(uint64_t address, size_t count)
    {
        Bytes bytes(count);
        for (size_t i = 0; i < count; i++)
            bytes[i] = (uint8_t)read(address + i, 1);
        return bytes;
    }
    MemoryMap *map() { return chip->mbus->memory_map; }
    // Gives general register n of thread 0 a value that a processor reset also restores (its
    // initial value), so that a test can tell whether a load set the register.
    void preset_gpr(int n, uint64_t value)
    {
        thread->GPR[n].value = value;
        if (thread->GPR[n].rfe && thread->GPR[n].rfe->desc) thread->GPR[n].rfe->desc->initial = value;
    }

    SinkCapture sink; // before the machine: its creation and teardown are captured too
    BuiltMachine built;
    GenericMachine *machine = nullptr;
    ThreadState *thread = nullptr;
    MCM *chip = nullptr;
    MemoryClient *client = nullptr;
};

// The path of a cross-compiled guest program, or empty when it was not built.
inline std::string guest_program(const char *name)
{
#ifdef QUARN_GUEST_DIR
    const char *dir = QUARN_GUEST_DIR;
#else
    const char *dir = getenv("QUARN_GUEST_DIR");
#endif
    if (!dir) return "";
    std::string path = std::string(dir) + "/" + name;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) return "";
    fclose(file);
    return path;
}
