// Processor-type names and ids.
#pragma once

#include <cstdint>

#include "runtime/utils.h"

// {id, name} rows of the processor types of this build.
extern const IDNamePair Processor_Name_and_Type[];

enum : int32_t { PROCESSOR_TYPE_ERVIK = 15 };

// The type's name, or null when the id is no known type.
const char *ProcessorType_2_Name(int32_t type);
// The type id of a name (case-insensitive); 0 when the name is not a known type.
int32_t ProcessorName_2_Type(const char *name);
