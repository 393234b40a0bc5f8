// Stand-in of the fast interpreter.
#include "exec/fast_interpreter.h"

// STAND-IN: the fast interpreter is not built; it executes nothing and every instruction goes to
// the one-instruction interpreter.
__attribute__((weak)) uint32_t fast_go(ThreadState *, uint32_t)
{
    return 0;
}
