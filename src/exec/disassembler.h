// The instruction disassembler: assembler text of one instruction word, driven by the listing
// template of its instruction-table row (`disassemble` is declared in processor/hooks/disassembler.h
// for the lower floors), and the embedding interface's disassembly of a bare word.
#pragma once

#include <cstddef>
#include <cstdint>

#include "processor/hooks/disassembler.h"

struct ThreadState;

// Disassembles `word` (as the host stored it: its four bytes are reversed before decoding) for the
// thread into `buffer`, which holds at least 250 bytes; 64-bit branch targets. Returns the buffer,
// or null after an error message when the thread is null.
extern "C" char *LIBSIM__ThreadDisassemble(ThreadState *thread, void *unused, uint32_t word, char *buffer);

// The row a listing describes: the record's row when it is an internal operation, else the word
// decoded by the thread's processor decoder (the static table without a thread). May be null.
const struct InstrInfo *disassembly_row(IOPDesc *iop);
