// The chip memory bus (MBUS): one per chip, linking the chip to the machine's kernel, holding
// the chip's memory map, a console slot and the phantom-MMIO value; it places the ROM and a
// small RAM window in the map and adds the memory defaults of every configuration.
#pragma once

#include <cstdint>

struct ConsoleDevice;
struct GenericMachine;
struct InstanceLink;
struct MCM;
struct MemoryMap;
struct PropertyList;

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

MBUS *MBUS__Init(MCM *chip, const char *name);
void MBUS__Quit(MBUS *bus);
// The bus of the chip of processor device n ("Processor" class); null when there is none.
MBUS *Assign_MBUS(GenericMachine *machine, int32_t core_number);
// Places the ROM (unless NO_ROM) and the "RAM" window (unless standalone or NO_RAM), then fixes.
void MBUS_Memory_Map_Populate(MBUS *bus, PropertyList *list);
int MBUS_Fix(MBUS *bus);
// Quits the bus's console when one is set.
void MBUS_Memory_Map_Quit(MBUS *bus);
// The memory defaults, then the coprocessor ("COP") and ROM ("ROM") defaults.
void MBUS_Add_Default_Values(PropertyList *list, const char *section);
// The name itself on a one-chip machine, else "<chip>:<name>" in one static buffer that the next
// call overwrites.
const char *MCM_Unique_Name(MCM *chip, const char *name);
