// The XCOFF program loader: places the text, data and bss sections of a 32-bit (magic 0x01DF) or
// 64-bit (0x01F7) XCOFF program in a hardware thread's memory, applies its relocations, turns
// calls to eight library routines into host-call words served by the simulator, builds the
// argument vector and starts the thread at the entry routine's function descriptor. A raw load
// only places and relocates the sections. Also the field readers, symbol and relocation
// extraction, memory dumps, hexadecimal parsing and name lookups of the format.
#pragma once

#include <cstdint>

struct ThreadState;

constexpr uint16_t XCOFF_MAGIC_32 = 0x01DF;
constexpr uint16_t XCOFF_MAGIC_64 = 0x01F7;

// Host-call words (each the whole 32-bit instruction word).
constexpr uint32_t XCOFF_CALL_SNPRINTF = 0xF7;
constexpr uint32_t XCOFF_CALL_SPRINTF = 0xF8;
constexpr uint32_t XCOFF_CALL_FREE = 0xF9;
constexpr uint32_t XCOFF_CALL_CALLOC = 0xFA;
constexpr uint32_t XCOFF_CALL_MALLOC = 0xFB;
constexpr uint32_t XCOFF_CALL_PRINTF = 0xFC;
constexpr uint32_t XCOFF_CALL_EXIT = 0xFD;
constexpr uint32_t XCOFF_CALL_MAIN_RETURN = 0xFE;
constexpr uint32_t XCOFF_CALL_INVALID = 0xFF;

// Text, data and bss as placed: name, load address, link address (s_vaddr) and size.
struct XcoffSection {
    const char *name;
    uint64_t load;
    uint64_t link;
    uint64_t size;
};

// One load: the file, the placed sections, the entry descriptor, the memory layout and the
// bump pointer of the guest's malloc. A thread keeps the record of its last XCOFF load.
struct XcoffSymbolNode;
struct XcoffImage {
    int bits;                 // 32 or 64
    int raw;                  // the raw flag of the load
    int has_entry;            // the auxiliary header names an entry
    XcoffSymbolNode *symbols; // extracted symbols, newest first (released when the load ends)
    const char *path;         // interned
    uint64_t length;          // file size
    const uint8_t *mapping;   // the file, mapped read-only while the load runs
    uint64_t entry;           // address of the entry routine's function descriptor
    uint16_t entry_section;   // o_snentry (1-based)
    uint64_t first_instruction;
    uint64_t toc;
    uint64_t stack_top;
    int64_t argc;
    uint64_t argv;
    uint64_t heap_half;
    uint64_t heap_start;
    uint64_t stack_half;
    uint64_t heap; // bump pointer of malloc and calloc
    uint64_t stub_address;
    uint64_t stub_length;
    XcoffSection sections[3];
};

struct XcoffSymbol {
    const char *name; // into the string table, or into inline_name
    int32_t index;
    uint64_t value;
    int32_t section; // n_scnum, sign-extended
    uint32_t type;
    uint32_t storage_class;
    uint32_t aux_count;
    uint64_t csect_length;
    uint32_t csect_alignment; // log2
    uint32_t csect_symbol_type;
    uint32_t csect_mapping_class;
    const char *file_name;
    int32_t symbol_aux; // line number or symbol value of a symbol aux entry
    int32_t function_size;
    uint64_t line_pointer;
    int32_t end_index;
    uint64_t exception_pointer;
    char inline_name[9];
};

struct XcoffReloc {
    uint64_t address; // r_vaddr
    int32_t symbol_index;
    int32_t is_signed; // bit 0x80 of r_rsize
    int32_t fixup;     // bit 0x40 of r_rsize
    int32_t length;    // bits: (r_rsize & 0x3F) + 1
    uint32_t type;     // r_rtype
};

struct XcoffSymbolNode {
    XcoffSymbolNode *next;
    int defined;
    uint64_t address; // relocated; 0 when undefined
    XcoffSymbol symbol;
};

// One host call: the library routine's name, its word and what serves it (none ends the table).
struct XcoffHostCall {
    const char *name;
    uint32_t code;
    int (*handler)(ThreadState *thread, XcoffImage *image);
};
constexpr int XCOFF_HOST_CALL_ROWS = 9;
extern const XcoffHostCall xcoff_host_calls[XCOFF_HOST_CALL_ROWS];

// Loads path for the thread (see the header comment); addresses are the load addresses of the
// first three section headers (all ones: not given); argc/argv are the command's words, in which
// a lone "-" starts the program's arguments. 1 on success.
int Load_XCOFF(ThreadState *thread, int raw, const char *path, const char *entry_name,
               const uint64_t addresses[3], int relocate, int reset, int argc, char **argv);

// The thread's host-call hook: serves a host-call word; 0 for a word that is none.
int xcoff_host_call(ThreadState *thread, uint32_t word);

// Big-endian fields of width 1, 2, 4 or 8 (any other width reads 0); the signed form
// sign-extends from the width.
uint64_t xcoff_get_field_unsigned(const void *pointer, int width);
int64_t xcoff_get_field_signed(const void *pointer, int width);
// Fills the symbol from symbol-table entry index: the entries it occupies (1 + aux count) when it
// is kept, minus that when its storage class is not handled, 0 when the index is outside the
// table or an entry is malformed.
int xcoff_extract_symbol(XcoffSymbol *symbol, const XcoffImage *image, int32_t index);
// Fills the relocation from entry reloc_index of section header section_index (0-based); 1, or
// 0 when either index is out of range.
int xcoff_extract_reloc(XcoffReloc *reloc, const XcoffImage *image, int32_t section_index,
                        int32_t reloc_index);
// A hex dump of guest memory.
void xcoff_dump(ThreadState *thread, const char *title, uint64_t address, uint64_t length);
// Hexadecimal digits (after an optional "0x" when the text has three or more characters) up to
// the first other character.
uint64_t xcoff_get_hex(const char *text);
const char *xcoff_reloc_description(uint32_t type);
const char *xcoff_symbol_type_name(uint32_t type);
const char *xcoff_storage_class_name(uint32_t storage_class);
const char *xcoff_storage_mapping_class_name(uint32_t mapping_class);
