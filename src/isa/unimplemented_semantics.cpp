// Default bodies of the semantic routines: every routine that no subsystem defines yet resolves to the
// shared stub, so that a program reaching such a row takes the illegal-instruction path, never a null call.
#include "interrupts/interrupt_raisers.h"
#include "decode/semantics.h"

int semantic_unimplemented(IOPDesc *iop, const char *name) {
    interrupt_IllegalInstruction(iop, name);
    return 0;
}

// STAND-IN: the semantic routines of the instruction families (fixed point, branches, storage, floating
// point, vector, decimal, transactional memory, the cycle-level core's internal operations) are not built
// yet. Each name is defined here weakly; the family's real definition (a plain, strong definition of the
// same routine anywhere in quarn_sim) replaces it at link time, which relies on the library being linked
// whole (as the quarn executable and the tests do).
#define SEMANTIC(name)                                                                                      \
    __attribute__((weak)) int name(IOPDesc *iop) { return semantic_unimplemented(iop, #name + 9); }
#include "decode/semantic_routines.def"
#undef SEMANTIC
