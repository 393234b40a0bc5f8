// The assist-thread instructions, named by no row of this build's instruction table.
#pragma once

#include <cstddef>

struct IOPDesc;

// An assist thread stops itself (APSCR status 2, plus 0x10 for word bit 11); any other thread stops
// its running assist threads (status 1). APSCR's low five bits := the status; advances.
int semantic_sap(IOPDesc *iop);
// Starts an available assist thread at the instruction's address plus the 14-bit signed offset
// (APSCR := 0 when none is available); in transactional state the transaction fails and nothing
// starts.
int semantic_bail(IOPDesc *iop);
// The listing text of the bail form: "%s    %d,$%c0x%04x" with the mnemonic (or "no
// instruction"), the bit-25 flag, the offset's sign and its magnitude.
void Disassemble_Immediate_Form(char *text, size_t size, const IOPDesc *iop);
