// Names of exception types and subtypes.
#pragma once

#include <cstdint>

// Exception_Type_Name and est_string are declared with the processor floor's calls into this one.
#include "processor/hooks/interrupt_hooks.h"

// Stores the subtype texts (codes 1 to 304).
void Init_est_table(void);
