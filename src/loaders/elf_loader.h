// The ELF program loader: reads a PowerPC ELF executable (32-bit big-endian, 64-bit big- or
// little-endian) from a host file into a machine's physical memory through a hardware thread's
// memory client, and prepares that thread to start it (PC, MSR, stack pointer, TOC or entry
// register and, for standalone programs, the auxiliary vector).
#pragma once

#include <cstdint>

struct MemoryClient;
struct ThreadState;

// What a load found. The caller sets entry and toc to all ones and elfv2 to 0 before reading.
struct ElfImageInfo {
    uint64_t entry;           // start address; all ones when not found
    uint64_t toc;             // TOC word of the entry's function descriptor; all ones for none
    uint64_t phdr_address;    // guest address of the program-header table (64-bit images)
    uint64_t phdr_entry_size; // e_phentsize (64-bit images)
    uint64_t phdr_count;      // e_phnum (64-bit images)
    int32_t dynamic;          // the image has a SHT_DYNAMIC section
    int32_t little_endian;    // the image is little-endian
    int32_t elfv2;            // a little-endian image of the second 64-bit ABI (e_flags 2)
};

// Reads the file and fills memory; with relocate the image is shifted so that its lowest
// loadable section starts at load_address. 1 when the image was loaded and its entry point is a
// valid address, else 0 (with a fatal-error message for bad files).
int Elf_ReadImage(MemoryClient *client, const char *path, ElfImageInfo *info, int relocate,
                  uint64_t load_address);

// Loads the image for the thread (resetting every processor of the machine first when reset is
// set), marks its processor configured and sets the thread's start-up state. 1 on success.
int Load_Elf_Processor(ThreadState *thread, const char *path, int relocate, int reset, uint64_t load_address);
