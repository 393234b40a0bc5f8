// The transactional-memory statistics of a machine: printed and reset with the machine's other
// statistics under the name "HTM".
#pragma once

struct GenericMachine;

void HTM_stats_print(void *data, GenericMachine *machine);
void HTM_stats_reset(void *data, GenericMachine *machine);
