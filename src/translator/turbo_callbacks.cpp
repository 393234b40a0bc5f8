// Start-up of the translator.
#include "translator/turbo_callbacks.h"

#include "runtime/callbacks.h"
#include "runtime/hooks/model_callbacks.h"
#include "translator/crack.h"
#include "translator/disassembler.h"
#include "translator/jit_stubs.h"
#include "translator/turbo_kips.h"
#include "translator/turbo_stats.h"

void turbo_init(void)
{
    crack_init();
    dis_init();
    jit_init(1);
    turbo_stats_clear();
}

void Callbacks_register_TurboMode(void)
{
    Callback_register_periodic_stats_print(CALLBACK_ID_CORE, "turbo",
                                           reinterpret_cast<CallbackFunction>(turbo_kips_periodic), nullptr);
}
