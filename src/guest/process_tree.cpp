// The guest process tree and the traceback-table function-name lookup.
#include "guest/process_tree.h"

#include <cstring>

#include "guest/sim_support.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "mmu/ea_copy.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/reg_accessors.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/trackpid.h"
#include "translator/trace_process.h"

int32_t PT_MAX_CORES = 1;

namespace
{

bool pid_in_range(mpid_t pid)
{
    return pid >= 0 && pid <= PT_MAX_PID;
}

uint64_t tree_tick(ProcessTree *tree)
{
    if (!tree->machine || !tree->machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    return tree->machine->tsim->now;
}

char *copy_name(const char *name)
{
    return name ? REMEMBER_STRING(name) : nullptr;
}

void free_name(char *&name)
{
    if (name) FORGET_STRING(name);
    name = nullptr;
}

void free_file(LoadedFile *file)
{
    free_name(file->name);
    QUARN_FREE(file);
}

void free_files(Process *process)
{
    while (LoadedFile *file = process->files) {
        process->files = file->next;
        free_file(file);
    }
}

void free_process(Process *process)
{
    free_files(process);
    free_name(process->name);
    QUARN_FREE(process);
}

// The entry of currentPID that a hardware thread uses.
int32_t pid_entry(int32_t thread_number)
{
    return thread_number >= 0 && thread_number < PT_MAX_CORES ? thread_number : 0;
}

void append_child(Process *parent, Process *child)
{
    Process **link = &parent->child;
    while (*link)
        link = &(*link)->sibling;
    *link = child;
    child->sibling = nullptr;
}

ProcessTree *tree_of(IOPDesc *iop)
{
    GenericMachine *machine = iop->thread->machine;
    return machine ? machine->process_tree : nullptr;
}

uint64_t arg(IOPDesc *iop, uint32_t n)
{
    return SimSupport_Arg(iop, n);
}

char name_buffer[4096];

// The guest's name at address (capacity length + 1 up to 4096); 0 after setting GPR3 = 0.
int copy_guest_name(IOPDesc *iop, uint64_t address, uint64_t length)
{
    name_buffer[0] = '\0';
    if (!EA_copy_string_from_memory(iop, address, name_buffer, SimSupport_String_Capacity(length))) {
        SimSupport_Result(iop, 0);
        return 0;
    }
    name_buffer[sizeof name_buffer - 1] = '\0';
    return 1;
}

// size bytes at address as a big-endian number; 1 when read.
int read_guest(IOPDesc *iop, uint64_t address, int size, uint64_t *value)
{
    uint8_t bytes[8];
    if (!EA_copy_buffer_from_memory(iop, address, bytes, (uint32_t)size)) return 0;
    uint64_t v = 0;
    for (int i = 0; i < size; i++)
        v = v << 8 | bytes[i];
    *value = v;
    return 1;
}

int unknown(char *buffer, const char *warning)
{
    sim_warning(2, "%s", warning);
    strcpy(buffer, "Unknown");
    return 0;
}

} // namespace

ProcessTree *PT_Init(GenericMachine *machine)
{
    ProcessTree *tree = QUARN_ZALLOC(1, ProcessTree);
    if (!tree) return nullptr;
    int32_t threads = GenericMachine__ThreadCount(machine);
    PT_MAX_CORES = threads > 0 ? threads : 1;
    tree->machine = machine;
    tree->currentPID = QUARN_MALLOC(PT_MAX_CORES, mpid_t);
    if (!tree->currentPID) {
        sim_error("unable to allocate pt->currentPID\n");
        QUARN_FREE(tree);
        return nullptr;
    }
    for (int32_t i = 0; i < PT_MAX_CORES; i++)
        tree->currentPID[i] = -1;
    PT_Populate(tree);
    if (!tree->table) {
        QUARN_FREE(tree->currentPID);
        QUARN_FREE(tree);
        return nullptr;
    }
    return tree;
}

void PT_Populate(ProcessTree *tree)
{
    if (tree && !tree->table) tree->table = QUARN_ZALLOC(PT_TABLE_SIZE, Process *);
}

Process *PT_FindProcess(ProcessTree *tree, mpid_t pid)
{
    if (!tree || !pid_in_range(pid)) return nullptr;
    PT_Populate(tree);
    return tree->table ? tree->table[pid] : nullptr;
}

void PT_NewProcess(ProcessTree *tree, mpid_t pid, mpid_t ppid, int32_t flags)
{
    if (!tree) return;
    PT_Populate(tree);
    if (!tree->table) return;
    if (pid != 0 && !tree->root) PT_NewProcess(tree, 0, 0, 0);
    if (!tree->machine || !pid_in_range(pid)) return;
    Process *existing = tree->table[pid];
    if (existing && existing->state != PT_ENDED) return;
    if (pid == 0 && tree->root) return;
    if (pid != 0 && !pid_in_range(ppid)) return;
    Process *process = QUARN_ZALLOC(1, Process);
    if (!process) {
        sim_error("PT_NewProcess: failed to malloc new process");
        return;
    }
    Process *parent = nullptr;
    if (pid == 0) {
        tree->root = process;
    } else {
        parent = tree->table[ppid] ? tree->table[ppid] : tree->table[0];
        if (parent) {
            append_child(parent, process);
            process->name = copy_name(parent->name);
        }
        process->parent = parent;
    }
    process->pid = pid;
    process->ppid = ppid;
    process->flags = flags;
    process->state = PT_RUNNING;
    process->create_tick = tree_tick(tree);
    process->older = tree->table[pid];
    tree->table[pid] = process;
    tree->process_count++;
    if (parent)
        for (LoadedFile *file = parent->files; file; file = file->next)
            PT_AddFile(tree, process, file->name, file->address, file->length, file->protection, file->flag,
                       file->offset, 1);
}

void PT_AddFile(ProcessTree *tree, Process *process, const char *name, uint64_t address, uint64_t length,
                int32_t protection, int32_t flag, uint64_t offset, int32_t inherited)
{
    if (!tree || !process) return;
    LoadedFile *file = QUARN_ZALLOC(1, LoadedFile);
    if (!file) {
        sim_error("unable to allocate file\n");
        return;
    }
    file->tick = tree_tick(tree);
    file->address = address;
    file->length = length;
    file->protection = protection;
    file->flag = flag;
    file->offset = offset;
    file->name = copy_name(name);
    if (!inherited && !process->name) process->name = copy_name(name);
    int32_t index = 0;
    LoadedFile **link = &process->files;
    for (; *link; link = &(*link)->next)
        index++;
    file->index = index;
    *link = file;
}

void PT_LoadedFile(ProcessTree *tree, int32_t thread_number, const char *name, uint64_t address,
                   uint64_t length, int32_t protection, int32_t flag, uint64_t offset)
{
    if (!tree || !tree->currentPID || !tree->machine) return;
    mpid_t pid = tree->currentPID[pid_entry(thread_number)];
    Process *process = PT_FindProcess(tree, pid);
    if (process) PT_AddFile(tree, process, name, address, length, protection, flag, offset, 0);
}

void PT_SetCurrentProcess(ProcessTree *tree, int32_t thread_number, mpid_t pid)
{
    if (!tree || !tree->currentPID || !pid_in_range(pid)) return;
    tree->currentPID[pid_entry(thread_number)] = pid;
}

void PT_ExecProcess(ProcessTree *tree, mpid_t pid, const char *name)
{
    if (!tree || !tree->machine) return;
    Process *process = PT_FindProcess(tree, pid);
    if (!process) return;
    free_name(process->name);
    process->name = copy_name(name);
    process->state = PT_EXECED;
    process->exec_tick = tree_tick(tree);
    LoadedFile *file = process->files;
    process->files = nullptr;
    while (file) {
        LoadedFile *next = file->next;
        if (file->name && strcmp(file->name, "vmlinux") == 0) {
            file->next = process->files;
            process->files = file;
        } else {
            free_file(file);
        }
        file = next;
    }
}

void PT_KillProcess(ProcessTree *tree, mpid_t pid)
{
    if (!tree || !tree->machine) return;
    Process *process = PT_FindProcess(tree, pid);
    if (!process || process->state == PT_ENDED) return;
    process->state = PT_ENDED;
    process->end_tick = tree_tick(tree);
}

void RemoveSingleProcessInfo(ProcessTree *tree, Process *process)
{
    if (!tree || !process || process->pid == 0 || !pid_in_range(process->pid) || !tree->table) return;
    free_files(process);
    for (Process **link = &tree->table[process->pid]; *link; link = &(*link)->older)
        if (*link == process) {
            *link = process->older;
            break;
        }
    if (Process *parent = process->parent)
        for (Process **link = &parent->child; *link; link = &(*link)->sibling)
            if (*link == process) {
                *link = process->sibling;
                break;
            }
    Process *root = tree->root;
    while (Process *child = process->child) {
        process->child = child->sibling;
        child->ppid = 0;
        child->parent = root;
        if (root) append_child(root, child);
    }
    if (tree->currentPID && root) tree->currentPID[0] = root->pid;
    free_name(process->name);
    QUARN_FREE(process);
}

void PT_Quit(ProcessTree *tree)
{
    if (!tree) return;
    if (tree->table) {
        for (int32_t pid = 0; pid < PT_TABLE_SIZE; pid++)
            while (Process *process = tree->table[pid]) {
                tree->table[pid] = process->older;
                free_process(process);
            }
        QUARN_FREE(tree->table);
    }
    if (tree->currentPID) QUARN_FREE(tree->currentPID);
    QUARN_FREE(tree);
}

int FindFunctionName(IOPDesc *iop, uint64_t descriptor, char *buffer)
{
    if (!buffer) sim_panic("FindFunctionName: function_name should point to buffer (not NULL)");
    uint64_t entry = 0;
    if (!read_guest(iop, descriptor, 8, &entry))
        return unknown(buffer, "FindFunctionName: reading function_ptr failed");
    uint64_t address = entry;
    for (;;) {
        if (address - entry > 32767)
            return unknown(buffer, "FindFunctionName: never found 0 at start of traceback table");
        uint64_t word = 0;
        if (!read_guest(iop, address, 4, &word))
            return unknown(buffer,
                           "FindFunctionName: failed while looking for 0 word at start of traceback table");
        address += 4;
        if (word == 0) break;
    }
    uint64_t flags = 0;
    if (!read_guest(iop, address, 8, &flags))
        return unknown(buffer, "FindFunctionName: failed when reading the traceback flags");
    address += 8;
    if (!(flags >> 38 & 1)) {
        strcpy(buffer, "Unknown");
        return 0;
    }
    if (flags & 0xFFFF) address += 4;
    if (flags >> 45 & 1) address += 4;
    uint64_t length = 0;
    if (!read_guest(iop, address, 2, &length))
        return unknown(buffer, "FindFunctionName: failed when reading the name length");
    address += 2;
    int16_t count = (int16_t)length;
    if (count < 1) {
        buffer[0] = '\0';
        return 1;
    }
    if (count > 1023) count = 1023;
    for (int16_t i = 0; i < count; i++) {
        uint8_t byte = 0;
        if (!EA_copy_buffer_from_memory(iop, address + (uint64_t)i, &byte, 1)) {
            sim_warning(2, "FindFunctionName: failed when reading name at idx=%d", (int)i);
            strcpy(buffer, "Unknown");
            return 0;
        }
        buffer[i] = (char)byte;
    }
    buffer[count] = '\0';
    return 1;
}

// ---- sim-support codes ----

int SimSupport_ProcessCreateTracked(IOPDesc *iop)
{
    mpid_t ppid = (mpid_t)arg(iop, 4);
    mpid_t pid = (mpid_t)arg(iop, 5);
    int32_t flags = (int32_t)arg(iop, 6);
    iGET_LR(iop);
    trackpid_create(iop->thread, ppid, pid);
    PT_NewProcess(tree_of(iop), pid, ppid, flags);
    return 1;
}

int SimSupport_ProcessCreate(IOPDesc *iop)
{
    mpid_t ppid = (mpid_t)arg(iop, 4);
    mpid_t pid = (mpid_t)arg(iop, 5);
    int32_t flags = (int32_t)arg(iop, 6);
    PT_NewProcess(tree_of(iop), pid, ppid, flags);
    return 1;
}

int SimSupport_ProcessExec(IOPDesc *iop)
{
    mpid_t pid = (mpid_t)arg(iop, 4);
    uint64_t address = arg(iop, 5);
    uint64_t length = arg(iop, 6);
    if (!copy_guest_name(iop, address, length)) return 1;
    trackpid_exec(iop->thread, pid, name_buffer);
    PT_ExecProcess(tree_of(iop), pid, name_buffer);
    return 1;
}

int SimSupport_ProcessSwitch(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    mpid_t pid = (mpid_t)arg(iop, 5);
    trackpid_resume(thread, pid);
    thread->current_pid = pid;
    TRC_SET_PID(pid);
    ProcessTree *tree = tree_of(iop);
    if (tree && tree->machine) PT_SetCurrentProcess(tree, SimSupport_Thread_Number(thread), pid);
    return 1;
}

int SimSupport_ProcessKill(IOPDesc *iop)
{
    mpid_t pid = (mpid_t)arg(iop, 4);
    trackpid_kill(iop->thread, pid);
    PT_KillProcess(tree_of(iop), pid);
    return 1;
}

int SimSupport_FunctionName(IOPDesc *iop)
{
    static char name[1024];
    arg(iop, 4);
    uint64_t descriptor = arg(iop, 5);
    FindFunctionName(iop, descriptor, name);
    return 1;
}

int SimSupport_LoadedFile(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 5);
    if (!copy_guest_name(iop, address, length)) return 1;
    uint64_t file_address = arg(iop, 6);
    uint64_t file_length = arg(iop, 7);
    int32_t protection = (int32_t)arg(iop, 8);
    int32_t flag = (int32_t)arg(iop, 9);
    uint64_t offset = arg(iop, 10);
    PT_LoadedFile(tree_of(iop), SimSupport_Thread_Number(iop->thread), name_buffer, file_address, file_length,
                  protection, flag, offset);
    return 1;
}
