// The chip memory bus (MBUS): one per chip, linking the chip to the machine's kernel, holding
// the chip's memory map, a console slot and the phantom-MMIO value. Its creation, which places the
// ROM and a small RAM window in the map, and the memory defaults of every configuration are with
// the chip set-up (machine/chip_setup.h).
#pragma once

#include <cstdint>

struct ConsoleDevice;
struct GenericMachine;
struct InstanceLink;
struct MCM;
struct MemoryMap;

struct MBUS {
    InstanceLink *link; // owner = the chip, define function MemMap_Define
    GenericMachine *machine;
    MCM *mcm;
    char *name; // the chip's name, interned
    char *path; // copies of the name
    char *path_copy;
    MemoryMap *memory_map; // null until MemMap_Create
    ConsoleDevice *console;
    uint64_t phantom_value; // the last phantom write's value, returned by phantom reads
};

// The bus's RAM window: 64 KB just below 4 GB.
constexpr uint64_t MBUS_RAM_START = 0xFFFF0000ULL;
constexpr uint64_t MBUS_RAM_END = 0xFFFFFFFFULL;

// The bus of the chip of processor device n ("Processor" class); null when there is none.
MBUS *Assign_MBUS(GenericMachine *machine, int32_t core_number);
// The name itself on a one-chip machine, else "<chip>:<name>" in one static buffer that the next
// call overwrites.
const char *MCM_Unique_Name(MCM *chip, const char *name);
