// {id, name} vocabulary rows (IDNamePair); a table ends with a row whose name is null.
// STAND-IN: the runtime's table module (IDNamePair with ID2Name, Name2ID, IDNamePair_array_size) is not on
// this branch yet; this header only defines the row type so that tables can be declared. Replace the
// includes of this file by the real header when that module lands.
#pragma once

#include <cstdint>

struct IDNamePair {
    int32_t id;
    const char *name;
};
