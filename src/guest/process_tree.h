// What the program loaders tell the machine's guest process tree: the first process, the program
// it runs, the parts of files loaded into it, and which process a hardware thread runs.
#pragma once

#include <cstdint>

// Creates guest process pid (0 is the root) under ppid unless it exists and has not ended.
void PT_NewProcess(void *tree, int32_t pid, int32_t ppid, int32_t flags);
// Records name as the program of process pid and drops its loaded files except "vmlinux".
void PT_ExecProcess(void *tree, int32_t pid, const char *name);
// Records [address, address + length) of file name at offset as loaded into the current process
// of hardware thread thread_number.
void PT_LoadedFile(void *tree, int32_t thread_number, const char *name, uint64_t address, uint64_t length,
                   int32_t protection, int32_t flag, uint64_t offset);
// Makes pid the current process of hardware thread thread_number.
void PT_SetCurrentProcess(void *tree, int32_t thread_number, int32_t pid);
