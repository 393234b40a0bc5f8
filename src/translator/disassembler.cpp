// Start-up of the disassemblers.
#include "translator/disassembler.h"

#include "translator/crack.h"

namespace
{
bool dis_done = false;
}

void dis_init(void)
{
    if (dis_done) return;
    dis_done = true;
    crack_init();
}
