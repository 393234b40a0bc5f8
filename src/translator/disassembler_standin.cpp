// Stand-ins of the translation listings.
#include "translator/disassembler.h"

// STAND-IN: the host disassembler is not built; the listing has no host code.
void jit_show_range(uint64_t, uint64_t) {}

// STAND-IN: the guest disassembler is not built; the listing has no guest lines.
void dis_guest_word(uint64_t, int) {}
