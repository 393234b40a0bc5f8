// The guest kernel symbol and line decoder, for plug-ins and embedding hosts: turns a guest
// address into function, source file and line from the symbol table and the stabs entries of a
// 32-bit big-endian ELF file (a guest kernel image, say).
#pragma once

#include <cstdint>

// One function: from the symbol table (line -1, no file) or from a stabs function entry.
struct ed_function_st {
    const char *file;
    const char *dir;
    const char *name;
    uint64_t start;
    uint64_t size;
    int64_t line;
    int32_t has_end; // the size came from the stabs end entry of the function
};

// One address: a source line, or (line -1) the start of a symbol-table function.
struct ed_line_num_st {
    const char *file;
    const char *dir;
    uint64_t address;
    int64_t line;
    int64_t function; // index into the decoder's functions
};

struct elf_decode_t {
    ed_function_st *functions; // grown 1,000 records at a time
    ed_line_num_st *lines;     // grown 10,000 records at a time, sorted by address once read
    int32_t function_count, line_count;
    int32_t function_capacity, line_capacity;
    // The files read; every text of the records points into them.
    uint8_t **images;
    int32_t image_count;
};

// Reads the file into a new decoder (decoder null) or adds its records to the given one; null
// after a printed message when the file cannot be read or lacks symbols or stabs. A given decoder
// is then left as it was before the call.
elf_decode_t *elf_decode_init(const char *path, elf_decode_t *decoder);
// The line record with the greatest address not above address, when its function covers the
// address (start <= address <= start + size); null otherwise. The function's name is cut at its
// first ':'.
ed_line_num_st *elf_decode_lookup(uint64_t address, elf_decode_t *decoder);
// The address of "do_execve" from the last file read under the path "vmlinux"; 0 until then.
uint64_t get_sys_execve(void);
