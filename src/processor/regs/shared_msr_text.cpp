// The shared MSR text, rendered on demand.
#include "processor/regs/shared_msr_text.h"

#include "processor/regs/msr_rules.h"

thread_local uint64_t Shared_MSR_Noted_Value = 0;

namespace
{

thread_local bool noted_stale = true;
thread_local const char *rendered = nullptr;

} // namespace

void Prepare_MSR_Deferred(uint64_t msr)
{
    // The text of an unchanged value needs no new rendering (it is the hot path of every MSR read).
    if (msr == Shared_MSR_Noted_Value) return;
    Shared_MSR_Noted_Value = msr;
    noted_stale = true;
}

const char *Shared_MSR_Text(void)
{
    if (noted_stale || !rendered) {
        rendered = Prepare_MSR(nullptr, Shared_MSR_Noted_Value);
        noted_stale = false;
    }
    return rendered;
}
