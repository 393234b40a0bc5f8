// Processor-specific default values: one row per configuration key with a default text for every
// processor type and texts for named types.
#pragma once

// Builds the table of processor-specific values.
void Init_PSV_Table(void);
