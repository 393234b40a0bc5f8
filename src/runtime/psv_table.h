// The rows of the processor-specific-value table, in registration order.
#pragma once

#include <cstddef>

struct PSV_Row {
    const char *key;
    const char *value;
    bool is_public; // registered with Add_PSV_Table_Public
};

extern const PSV_Row PSV_Default_Rows[];
extern const size_t PSV_Default_Row_Count;
extern const PSV_Row PSV_Ervik_Rows[];
extern const size_t PSV_Ervik_Row_Count;
