// Stand-ins of the host disassembler.
#include "translator/disassembler.h"

extern "C" {
const char *const reg_names[16][7] = {};
const char *const sizes[8] = {"b", "w", "l", "q", "_xmm", "_mmx", "_f80", ""};
}

// STAND-IN: the host disassembler is not built; nothing is decoded.
void dis_x86_64_range(uint64_t, uint64_t, dis_line_fn, void *) {}

void jit_show_range(uint64_t from, uint64_t to)
{
    dis_x86_64_range(from, to);
}
