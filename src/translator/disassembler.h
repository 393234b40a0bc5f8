// The guest and host disassemblers of the translator's diagnostics: one line of assembler text
// per guest instruction word (the instruction profile's DISASSEMBLY column, translation listings)
// and the decoding of translated x86-64 code.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
// Condition names by the bit within a CR field, their negations, and the trap conditions by TO.
extern const char *const cond_names[4];
extern const char *const negative_cond_names[4];
extern const char *const trap_names[32];
// Host register names by register number: byte without REX, byte with REX, 16-, 32- and 64-bit,
// XMM, MMX; operand-size suffixes.
extern const char *const reg_names[16][7];
extern const char *const sizes[8];
}

// Builds the kind tables once (crack_init and the forms of the kinds).
void dis_init(void);
// Writes the text of a guest word into the buffer (at most size bytes with the terminator) and
// returns the full length of the text; branch targets are relative to the address.
int dis_instruction(uint32_t word, char *buffer, size_t size, uint64_t address);
// Lists the guest word at a host address in the page's byte order.
void dis_guest_word(uint64_t host_address, int little_endian);
// Decodes host instructions from start until the position reaches end, one text per
// instruction; each is passed to the sink when one is given (else printed).
typedef void (*dis_line_fn)(void *data, uint64_t address, const char *bytes, const char *text);
void dis_x86_64_range(uint64_t start, uint64_t end, dis_line_fn sink = nullptr, void *data = nullptr);
// Lists host code from one address up to another (translation listings).
void jit_show_range(uint64_t from, uint64_t to);
