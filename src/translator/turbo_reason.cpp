// Names of the exit reasons.
#include "translator/turbo_reason.h"

namespace
{

const char *const reason_names[TURBO_EXIT_REASONS] = {
    "align",
    "bogus",
    "branch-self",
    "mftb",
    "limit",
    "fetch",
    "ta",
    "fp",
    "not sure",
    "hyper",
    "interrupt",
    "invalid",
    "mode",
    "priority_change",
    "priority_low_low",
    "bit-accurate",
    "dcbz",
    "delay_1000",
    "eao_needed",
    "msr (done)",
    "msr (not done)",
    "priv",
    "read",
    "rfid",
    "not sure",
    "stamp",
    "trap",
    "unknown",
    "write",
    "larx",
    "stcx",
    "not sure",
    "load balance",
    "exit reservation",
    "other exit reservation",
    "little_endian",
    "slb",
    "tlb",
    "vmx",
    "vsx",
    "xflush",
    "pa_pctrigger",
    "ea_pctrigger",
    "pa_memtrigger",
    "ea_memtrigger",
    "msr_w_regtrigger",
    "PTurbo unsafe",
    "amount-too-small",
    "sim_stopped",
    "no-emat",
    "Wait on memory to change",
    "transactional memory",
    "dirty fprs",
};

} // namespace

const char *turbo_reason(unsigned code)
{
    return code < (unsigned)TURBO_EXIT_REASONS ? reason_names[code] : "not sure";
}
