// Stand-in of the debug-name table's row accessor.
#include "isa/libsim_names.h"

// STAND-IN: debug_name_table (34 rows {name, flag, category}, the named rows sorted by name at start-up) is
// not on this branch; this accessor answers a table without rows. The debug module's accessor returns the
// name of row `row` (null for an unnamed row or past the end). Defined weakly so that it replaces this one.
__attribute__((weak)) const char *Debug_Name_Table_Row(int) { return nullptr; }
