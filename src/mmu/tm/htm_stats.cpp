// The transactional-memory statistics and their callbacks.
#include "mmu/tm/htm_stats.h"

#include <cstring>

#include "mmu/tm/htm_failure.h"
#include "processor/records/generic_machine.h"
#include "processor/records/htm_data.h"
#include "runtime/callbacks.h"
#include "runtime/hooks/model_callbacks.h"
#include "runtime/message.h"
#include "runtime/stat_print.h"

#include <cstdarg>
#include <cstdio>

namespace
{

// One line of the section, as formatted (the statistics layout would change the texts' '=').
void line(const char *format, ...) __attribute__((format(printf, 1, 2)));
void line(const char *format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    SIM_PRINT("%s\n", text);
}

} // namespace

void HTM_stats_print(void *, GenericMachine *machine)
{
    Stat_print_set_tag("HTM-stats");
    Stat_print_head("HTM");
    const htm_data *data = machine ? machine->htm : nullptr;
    if (!data || !data->enabled) {
        line("Never used");
        Stat_print_tail("HTM");
        return;
    }
    line(" ");
    line("Tbegins : total: %d, outer: %d", data->tbegins_total, data->tbegins_outer);
    line("Tends   : Transactional total: %d, outer: %d. Non-Transactional: %d", data->tends_total,
         data->tends_outer, data->tends_non_transactional);
    line("Taborts : Transactional: %d, Non-Transactional: %d", data->taborts_transactional,
         data->taborts_non_transactional);
    line("%-34s : %ld", "Instrs in Tran-Mode", (long)data->instructions_in_tm);
    line("%-34s : %ld", "Instrs in Trans that fail", (long)data->instructions_failed);
    line("%-34s : %ld", "Instrs in Trans that succeed", (long)data->instructions_succeeded);
    line("%-34s : %d", "False Sharing Load-hit-store", data->false_sharing_load_hit_store);
    line("%-34s : %d", "False Sharing Store-hit-load/store", data->false_sharing_store_hit_load);
    line("%s", "Failure Reason Counts: Instructions Wasted Due to Failure Type");
    for (int type = 0; type < HTM_FAILURE_TYPES; type++)
        line(" %-34s : %d: %ld", htm_failure_type_name(type), data->failure_counts[type],
             (long)data->wasted_instructions[type]);
    line("%-34s : %d", "Extra atomicity violations", data->extra_atomicity_violations);
    Stat_print_tail("HTM");
}

void HTM_stats_reset(void *, GenericMachine *machine)
{
    htm_data *data = machine ? machine->htm : nullptr;
    if (!data) return;
    data->tbegins_total = data->tbegins_outer = 0;
    data->tends_total = data->tends_non_transactional = data->tends_outer = 0;
    data->taborts_transactional = data->taborts_non_transactional = 0;
    data->instructions_in_tm = data->instructions_failed = data->instructions_succeeded = 0;
    data->false_sharing_load_hit_store = data->false_sharing_store_hit_load = 0;
    memset(data->failure_counts, 0, sizeof data->failure_counts);
    memset(data->wasted_instructions, 0, sizeof data->wasted_instructions);
    data->extra_atomicity_violations = 0;
}

void Callbacks_register_HTM(void)
{
    Callback_register_stats_print(CALLBACK_ID_HTM, "HTM", reinterpret_cast<CallbackFunction>(HTM_stats_print),
                                  nullptr);
    Callback_register_stats_reset(CALLBACK_ID_HTM, "HTM", reinterpret_cast<CallbackFunction>(HTM_stats_reset),
                                  nullptr);
}
