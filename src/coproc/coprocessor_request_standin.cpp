// Stand-ins of the coprocessor request entry.
#include "isa/hooks/coprocessor.h"

// STAND-IN: the coprocessors (request parsing, engines, queues) are not built; every request is
// accepted and nothing is done with it.
__attribute__((weak)) int Signal_Coprocessor(IOPDesc *, CoprocessorRequest *)
{
    return 0;
}

// STAND-IN: the option-driven answers of the record forms' request path are not built; it
// answers what the request entry answers.
__attribute__((weak)) int signal_cop(IOPDesc *iop, CoprocessorRequest *request)
{
    return Signal_Coprocessor(iop, request);
}
