// Stand-in of the coprocessor request entry.
#include "isa/hooks/coprocessor.h"

// STAND-IN: the coprocessors (request parsing, engines, queues) are not built; every request is
// rejected, since nothing would serve it.
__attribute__((weak)) int Signal_Coprocessor(IOPDesc *, CRB *)
{
    return 2;
}
