// The execution engine's process-wide tables.
#include "exec/exec_init.h"

#include "exec/fast_interpreter.h"

uint64_t masks64[64 * 64];
uint32_t crfmasks[256];
uint32_t crfmasks1[256];

namespace
{

// Ones from big-endian bit mb through bit me, wrapping around past bit 63 when mb > me.
uint64_t rotate_mask(unsigned mb, unsigned me)
{
    uint64_t from_mb = ~0ull >> mb;
    uint64_t to_me = ~0ull << (63 - me);
    return mb <= me ? (from_mb & to_me) : (from_mb | to_me);
}

} // namespace

void fast_init(void)
{
    for (unsigned mb = 0; mb < 64; mb++)
        for (unsigned me = 0; me < 64; me++)
            masks64[mb * 64 + me] = rotate_mask(mb, me);
    // Bit b of the index (bit 7 = CR field 0) selects the nibble of field 7 - b.
    for (unsigned i = 0; i < 256; i++) {
        uint32_t all = 0, highest = 0;
        for (unsigned b = 0; b < 8; b++) {
            if (!(i & (1u << b))) continue;
            all |= 0xFu << (4 * b);
            highest = 0xFu << (4 * b);
        }
        crfmasks[i] = all;
        crfmasks1[i] = highest;
    }
}
