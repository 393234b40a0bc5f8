#include "coproc/signal_coprocessor.h"

// STAND-IN: the coprocessor engines are not built yet; every request is rejected.
int Signal_Coprocessor(IOPDesc *, CRB *)
{
    return 2;
}
