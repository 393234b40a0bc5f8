// Declarations of every semantic routine the instruction table names: int semantic_X(IOPDesc *).
// A routine returns 1 when the instruction completed and 0 when it raised an interrupt or was refused.
#pragma once

struct IOPDesc;

#define SEMANTIC(name) int name(IOPDesc *iop);
#include "decode/semantic_routines.def"
#undef SEMANTIC

// The shared body of every routine that is not implemented yet: raises the illegal-instruction interrupt
// with the routine's name as text and returns 0.
int semantic_unimplemented(IOPDesc *iop, const char *name);
