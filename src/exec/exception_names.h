// Names of exception types and subtypes.
#pragma once

#include <cstdint>

// The exception table's name of a type (0 to 54); null above.
const char *Exception_Type_Name(int32_t type);
// Stores the subtype texts (codes 1 to 304).
void Init_est_table(void);
// The text of a subtype code (1 to 304); null for 0.
const char *est_string(int32_t subtype);
