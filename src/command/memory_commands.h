// The "memory" table of the thread-level commands: single values and strings through the physical
// access path, and RAM ranges copied to and from host files (plain, gzip, or gzip skipping chunks
// never touched), piece by piece.
#pragma once

#include <cstdint>

struct GenericMachine;
struct Selector;
struct SimCmdTable;
struct Tcl_Interp;

// Set while a saved machine is restored: fread and freadcmp copy straight into the chunks.
extern int RestoreInProgress;

// Largest piece a file command moves at once.
constexpr uint64_t MEMTCL_MAX_PIECE = 0x20000000;

SimCmdTable *build_memoryCmd_table(void *argument = nullptr);

// The unit size of a name ("byte", "WORD", "8", ...), or -1.
int ConvertMemSize2Enum(const char *name);

// One piece of a RAM range: the region, the offset in it, the physical address, the length, and
// whether its chunk exists.
struct MemoryPiece {
    void *region;
    uint64_t region_offset;
    uint64_t physical;
    uint64_t length;
    bool chunk_exists;
};
// The piece starting at RAM offset `offset` with `remaining` bytes to go; false when the offset is
// beyond the machine's RAM.
bool Memory_Piece(GenericMachine *machine, uint64_t offset, uint64_t remaining, MemoryPiece *piece);

int MEMTCL_MemoryDisplayCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemorySetCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryFreadCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryFwriteCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryFreadcmpCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryFwritecmpCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryFreadgzCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryFwritegzCmd(Selector *, Tcl_Interp *, int, char **);
int MEMTCL_MemoryUseSwap(Selector *, Tcl_Interp *, int, char **);
