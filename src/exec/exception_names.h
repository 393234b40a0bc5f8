// Names of exception types and subtypes.
#pragma once

#include <cstdint>

// The exception table's name of a type (0 to 54); null above.
const char *Exception_Type_Name(int32_t type);
// The description of a subtype code; null for an undescribed one.
const char *est_string(int32_t subtype);
