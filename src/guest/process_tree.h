// The guest process tree of a machine: the processes the guest reports (ids, parents and
// children, the program each runs, the files loaded into each, creation, exec and end ticks), the
// process each hardware thread runs now, and the function-name lookup through a traceback table.
#pragma once

#include <cstdint>

struct GenericMachine;
struct IOPDesc;

typedef int32_t mpid_t;

// Process ids run from 0 (the root) to PT_MAX_PID.
constexpr int32_t PT_MAX_PID = 32767;
constexpr int32_t PT_TABLE_SIZE = PT_MAX_PID + 1;

enum : int32_t { PT_RUNNING = 0, PT_EXECED = 1, PT_ENDED = 2 };

struct LoadedFile {
    char *name; // owned; may be null
    uint64_t tick;
    uint64_t address;
    uint64_t length;
    int32_t protection;
    int32_t flag;
    uint64_t offset;
    int32_t index; // position in the process's list, from 0
    LoadedFile *next;
};

struct Process {
    Process *older; // the older record of the same id
    mpid_t pid;
    mpid_t ppid;
    int32_t flags;
    Process *parent;
    Process *sibling;
    Process *child;
    uint64_t create_tick;
    uint64_t exec_tick;
    uint64_t end_tick;
    int32_t state; // PT_RUNNING, PT_EXECED or PT_ENDED
    char *name;    // owned; may be null
    LoadedFile *files;
};

struct ProcessTree {
    mpid_t *currentPID; // PT_MAX_CORES entries, -1: none
    GenericMachine *machine;
    Process *root;
    Process **table; // PT_TABLE_SIZE slots: the newest record of each id
    int32_t process_count;
};

// Entries of currentPID in the latest tree: the machine's thread count (1 before any tree).
extern int32_t PT_MAX_CORES;

// The machine's tree, or null when it cannot be made ("unable to allocate pt->currentPID\n").
ProcessTree *PT_Init(GenericMachine *machine);
// Makes the table when the tree has none.
void PT_Populate(ProcessTree *tree);
// Creates process pid under ppid (the root first when needed); nothing for an id above PT_MAX_PID,
// a negative id or an id whose newest record has not ended.
void PT_NewProcess(ProcessTree *tree, mpid_t pid, mpid_t ppid, int32_t flags);
// The program name becomes name (copied); the files other than "vmlinux" are dropped.
void PT_ExecProcess(ProcessTree *tree, mpid_t pid, const char *name);
// Marks the newest record of pid ended.
void PT_KillProcess(ProcessTree *tree, mpid_t pid);
// Appends a file to the process's list; a file that is not inherited names a process without one.
void PT_AddFile(ProcessTree *tree, Process *process, const char *name, uint64_t address, uint64_t length,
                int32_t protection, int32_t flag, uint64_t offset, int32_t inherited);
// Records a file loaded into the current process of hardware thread thread_number.
void PT_LoadedFile(ProcessTree *tree, int32_t thread_number, const char *name, uint64_t address,
                   uint64_t length, int32_t protection, int32_t flag, uint64_t offset);
// Makes pid the current process of hardware thread thread_number (entry 0 for a number at or
// above PT_MAX_CORES); nothing for an id outside 0..PT_MAX_PID.
void PT_SetCurrentProcess(ProcessTree *tree, int32_t thread_number, mpid_t pid);
// The newest record of pid, or null.
Process *PT_FindProcess(ProcessTree *tree, mpid_t pid);
// Removes one process (not the root): its files are freed, its children move to the root.
void RemoveSingleProcessInfo(ProcessTree *tree, Process *process);
// Frees every record, the table and the tree.
void PT_Quit(ProcessTree *tree);

// The name of the function whose descriptor is at the effective address, from the traceback
// table after its code: 1 with the name in buffer (at least 1024 bytes), else 0 with "Unknown".
int FindFunctionName(IOPDesc *iop, uint64_t descriptor, char *buffer);

// The sim-support codes of the process tree: 101 and 106 create, 103 exec, 104 switch, 105 kill,
// 123 function name, 124 loaded file. Each returns the completion flag.
int SimSupport_ProcessCreateTracked(IOPDesc *iop);
int SimSupport_ProcessCreate(IOPDesc *iop);
int SimSupport_ProcessExec(IOPDesc *iop);
int SimSupport_ProcessSwitch(IOPDesc *iop);
int SimSupport_ProcessKill(IOPDesc *iop);
int SimSupport_FunctionName(IOPDesc *iop);
int SimSupport_LoadedFile(IOPDesc *iop);
