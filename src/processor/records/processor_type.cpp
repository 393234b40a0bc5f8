// Processor-type names and ids.
#include "processor/records/processor_type.h"

const IDNamePair Processor_Name_and_Type[] = {
    {PROCESSOR_TYPE_ERVIK, "Ervik"},
    {0, nullptr},
};

const char *ProcessorType_2_Name(int32_t type)
{
    for (const IDNamePair *row = Processor_Name_and_Type; row->name; row++)
        if (row->id == type) return row->name;
    return nullptr;
}

int32_t ProcessorName_2_Type(const char *name)
{
    int32_t id = Name2ID(Processor_Name_and_Type, name);
    return id < 0 ? 0 : id;
}
