// The decoder: a walk over the constant decode tree from a 32-bit instruction word to a row of an
// instruction table, and the selection of the decode function by processor type name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/instr_info.h"

typedef InstrInfo *(*DecodeInstrFn)(InstrInfo *table, uint32_t word);
typedef void (*InitDecodeTableFn)(void);

// Node header: bits 24-31 the type, bits 0-15 the count of pairs or field words.
enum : uint32_t { DECODE_NODE_MATCH_LIST = 0, DECODE_NODE_BIT_GATHER = 1 };
// Longest walk the decoder accepts before it reports a malformed tree.
enum : int { DECODE_MAX_DEPTH = 10 };

// The tree: match-list nodes {header, mask, default row, (value, result) × count} and bit-gather nodes
// {header, field words × count, results}; a result >= 0 is a row, < 0 the negated offset of a child node.
extern const uint32_t decode_tree_Ervik[];
extern const size_t decode_tree_Ervik_size;

// Row of `word` in `table`; never null (a word that matches no row gives row 0).
InstrInfo *DecodeInstr_Ervik(InstrInfo *table, uint32_t word);
// Selects the decoder of a processor type name ("Ervik", any case, optionally after an upper-case "PROC_").
// Sets both globals and returns the decode function, or reports the name, clears both and returns null.
DecodeInstrFn SelectDecoder(const char *name);
// The tree is constant data: nothing to initialise.
void Init_DecodeTable_Ervik(void);

extern DecodeInstrFn DecodeInstr;
extern InitDecodeTableFn Init_DecodeTable;
