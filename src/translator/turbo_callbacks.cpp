// Start-up of the translator.
#include "translator/turbo_callbacks.h"

#include "runtime/hooks/model_callbacks.h"
#include "translator/crack.h"
#include "translator/disassembler.h"
#include "translator/jit_stubs.h"
#include "translator/turbo_stats.h"

void turbo_init(void)
{
    crack_init();
    dis_init();
    jit_init(1);
    turbo_stats_clear();
}

// STAND-IN: the translator's periodic report is not built yet; it registers nothing.
void Callbacks_register_TurboMode(void) {}
