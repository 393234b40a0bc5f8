// The defaults of a whole configuration.
#include "machine/default_values.h"

#include <cstdio>

#include "coproc/coprocessors.h"
#include "machine/chip_setup.h"
#include "machine/machine_config.h"
#include "machine/machine_lifecycle.h"
#include "machine/mcm_lifecycle.h"
#include "memory/memory_bus.h"
#include "processor/records/processor_identity.h"
#include "runtime/property_list.h"

namespace
{

struct BaseDefault {
    const char *key;
    const char *value; // null: offered without a value, so nothing is added
    const char *description;
    bool is_public;
};

constexpr BaseDefault BASE_DEFAULTS[] = {
    {"enable_sim_support", "TRUE", "special sim support for cut-thrus", false},
    {"enable_rtas_support", "TRUE", "special RTAS support by Quarn", false},
    {"enable_breakpoint_instruction", "TRUE", "special breakpoint instruction support by Quarn", false},
    {"enable_halvo_nvram", "TRUE", nullptr, false},
    {"chunky_instructions_default", "100000",
     "default number of instructions to run in chunky mode: used for 'set chunky on'", false},
    {"htm/max_tbegin_nesting", "0x03F", "number of nested tbegin operations", false},
    {"htm/cache_lines_log2", "6", "number of cache line in TM cache", false},
    {"htm/cache_set_size_log2", "4", "number of cache lines in a congruence set", false},
    {"htm/htm_os_supports_tm", "TRUE", "does the OS support TM operations", true},
    {"htm/TEXASR_extra_info", "FALSE",
     "add non-architected info (used cache line count, failure info) into TEXASR", false},
    {"htm/inject_transaction_fail_rate", "0.0",
     "force otherwise successful transactions to randomly fail at this rate (if > 0.0) [0.0,1.0]", false},
    {"htm/cache_store_lines_log2", "0", "number of cache lines that can be stored in TM cache", false},
    {"turbo/xlimit", "2000", "limits the number of translated frames", false},
    {"turbo/minimum", "20", "smallest number of instructions to run in turbo mode", false},
    {"turbo/maximum", "100000", "largest number of instructions to run in turbo mode", false},
    {"turbo/debug", "FALSE", "turbo mode honors debug flags", false},
    {"turbo/dynamic_debug", "FALSE", "turbo mode honors T->turbo.instruction_debug (e.g. from gdb)", false},
    {"turbo/standalone", "FALSE", "agressive turbo mode optimization for standalone applications", false},
    {"turbo/fmadd", "TRUE", "turbo mode does fused multiply-add (in its various forms)", false},
    {"turbo/mftb", "FALSE", "turbo mode does mftb", false},
    {"turbo/nop", "FALSE", "turbo mode short-circuits special nop instructions", false},
    {"turbo/delay_on_priority_low", "FALSE", "whether turbo should treat an or 1,1,1 as a delay", false},
    {"turbo/mftb_xtra", "1000", "number of \"extra\" cycles turbo should delay for MFTB", false},
    {"turbo/noop_delay", "1000",
     "number of \"extra\" cycles turbo should delay for the special xori r0,r0,0 noop", false},
    {"enable_scalability_analysis", "FALSE",
     "enable to causes scalability (parallel turbo) stats to be collected", false},
    {"enable_cache_contained_checker", "FALSE", "enable cache contained checker per processor", false},
    {"cache_contained_checker_type", "Zindle_L2", "enable cache contained checker per processor", false},
    {"dsmp_memory_regions", "0", "number of unique system memory maps", false},
    {"fbar_regions", "0", "total number of FBAR regions, usually a multiple of 2", false},
    {"enable_distributed_smp_support", "FALSE",
     "each mcm has a unique main memory map with subsets of processors able to share SMP memory with 2 other "
     "mcms",
     false},
    {"pturbo_threads", "1", "Total number of host threads in pturbo mode: 1 or more.", false},
    {"basis", nullptr, nullptr, false},
};

constexpr uint64_t PPCIC_DEFAULT_START = 0x0003FFFF80000000ULL;
constexpr uint64_t PPCIC_DEFAULT_END = 0x0003FFFFBFFFFFFFULL;

} // namespace

void base_Add_Default_Values(PropertyList *list, const char *prefix)
{
    const char *section = prefix && *prefix ? prefix : nullptr;
    Machine_Option_Add_Default_Values(list, prefix);
    PropertyList__AddDefaultString_Public(list, nullptr, "start_tick", "0", "tsim start time.");
    for (const BaseDefault &row : BASE_DEFAULTS) {
        if (!row.value) continue;
        if (row.is_public)
            PropertyList__AddDefaultString_Public(list, section, row.key, row.value, row.description);
        else
            PropertyList__AddDefaultString(list, section, row.key, row.value, row.description);
    }
    char text[32];
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)PPCIC_DEFAULT_START);
    PropertyList__AddDefaultString(list, "ppcic", "start", text, "PPC interrupt controller starting address");
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)PPCIC_DEFAULT_END);
    PropertyList__AddDefaultString(list, "ppcic", "end", text, "PPC interrupt controller ending address");
    PropertyList__AddDefaultString(list, nullptr, "number_of_MCMs", "1", nullptr);
    MCM_Add_Default_Values(list, prefix);
    MBUS_Add_Default_Values(list, prefix);
    Processor_Add_Default_Values(list, prefix);
    Machine_Add_Default_Values(list);
    Nest_Add_Default_Values(list, prefix);
}
