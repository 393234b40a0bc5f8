// The chip record (MCM): one chip of a machine with its number, name and links. This is the
// beginning of the record; the chip set-up adds its memory bus, command table and units.
#pragma once

#include <cstdint>

struct InstanceLink;
struct GenericMachine;
struct SimCmdTable;

struct MCM {
    InstanceLink *link;      // the chip's own instance link
    GenericMachine *machine; // owning machine
    int32_t object_id;       // object-registry entry (kind 3)
    char *name;              // interned
    int32_t number;          // chip number within the machine
    uint32_t cores_per_chip; // the machine's cores / its chips
    SimCmdTable *command_table;
};
