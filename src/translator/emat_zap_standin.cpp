#include "processor/hooks/emat_zap_standin.h"

long emat_zap_standin_calls = 0;

// STAND-IN: the dynamic translator is not built yet, so there is no translation to drop; the calls
// are counted. Weak, so that the translator's definition replaces it.
__attribute__((weak)) void EMAT_ZAP_(const char *, const char *, int)
{
    emat_zap_standin_calls++;
}
