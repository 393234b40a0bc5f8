// The "processor options" table (list, show and change the selected processor's options) and the
// "tag" table (read and write the memory tag of a real address). Neither is attached by the
// simulator; a host or plug-in attaches them with connect_subtable.
#pragma once

#include <cstddef>

struct ProcessorOption;
struct ProcessorState;
struct SimCmdTable;

// Formats the option line of the processor's option: "NAME: TRUE", padded with blanks to 40
// characters, then "  (help)\n". Answers the length written (cut to size).
size_t PO_print_option(char *out, size_t size, const ProcessorState *processor, const ProcessorOption *option);

SimCmdTable *build_ProcessorOptionsCmd_table(void *argument);
SimCmdTable *build_tagCmd_table(void *argument);
