// The exception-type table, the family priority tables and the list operations on records.
#include "interrupts/exception_table.h"

#include <array>
#include <utility>

#include "processor/records/exception_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

ExceptionInfo_s ExceptionInfo[NUM_EXCEPTION_TYPES];

namespace
{

constexpr ExceptionInfo_s exception_rows[NUM_EXCEPTION_TYPES] = {
    {"Illegal Interrupt Table Entry", 0x0, 0x0},
    {"ALIGNMENT", 0x30D, 0x600},
    {"PROGRAM", 0x304, 0x700},
    {"SYSTEM_CALL", 0x304, 0xC00},
    {"TRACE", 0x410, 0xD00},
    {"PERF_MONITOR", 0x800, 0xF00},
    {"SYSTEM_RESET", 0x100, 0x100},
    {"MACHINE_CHECK", 0x200, 0x200},
    {"DATA_STORAGE", 0x309, 0x300},
    {"DATA_STORAGE_KEY", 0x307, 0x300},
    {"DATA_PROTECTION", 0x308, 0x300},
    {"DATA_STORAGE_DAWR", 0x30B, 0x300},
    {"DATA_SEG_FAULT", 0x309, 0x380},
    {"INSTRUCTION_STORAGE", 0x301, 0x400},
    {"INSTRUCTION_KEY", 0x300, 0x400},
    {"INSTRUCTION_PROTECTION", 0x302, 0x400},
    {"INST_SEG_FAULT", 0x301, 0x480},
    {"EXTERNAL", 0x450, 0x500},
    {"DECREMENTER", 0x450, 0x900},
    {"SYSTEM_ERROR", 0x700, 0x1200},
    {"EAO_DATA_STORAGE", 0x306, 0x300},
    {"FP_UNAVAILABLE", 0x303, 0x800},
    {"FLOATING_POINT", 0x400, 0x700},
    {"TM_UNAVAILABLE", 0x303, 0xF60},
    {"TM_OP_FAILURE", 0x300, 0x0},
    {"MEDIATED_EXTERNAL", 0x450, 0x500},
    {"HV_DECREMENTER", 0x400, 0x980},
    {"HV_SYSTEM_CALL", 0x304, 0xC00},
    {"HEA", 0x302, 0xE40},
    {"HV_DSI", 0x309, 0xE00},
    {"HV_DSI_KEY", 0x307, 0xE00},
    {"HV_DSI_PROTECTION", 0x308, 0xE00},
    {"HV_DSI_DAWR", 0x30B, 0xE00},
    {"HV_ISI", 0x301, 0xE20},
    {"HV_ISI_KEY", 0x300, 0xE20},
    {"HV_ISI_PROTECTION", 0x302, 0xE20},
    {"HV_DTLB", 0x309, 0xE80},
    {"HV_ITLB", 0x301, 0xEA0},
    {"HV_EAO_DATA_STORAGE", 0x306, 0xE00},
    {"HMI", 0x450, 0xE60},
    {"VMX_UNAVAILABLE", 0x303, 0xF20},
    {"VMX_ASSIST", 0x308, 0x1700},
    {"VSX_UNAVAILABLE", 0x303, 0xF40},
    {"FACILITY_UNAVAILABLE", 0x303, 0xF60},
    {"HYPER_FACILITY_UNAVAILABLE", 0x303, 0xF80},
    {"VECTORED_SYSTEM_CALL", 0x304, 0xFFFFFFFFFF003000ull},
    {"IMC_SOFTPATCH", 0x305, 0x1500},
    {"DENORM_SOFTPATCH", 0x30F, 0x1500},
    {"UC_DENORM_SOFTPATCH", 0x308, 0x1500},
    {"P_DBELL", 0x304, 0xA00},
    {"H_DBELL", 0x304, 0xE80},
    {"IRPT_CTL", 0x0, 0x0},
    {"IRPT_CTL_EBB", 0x0, 0x0},
    {"IRPT_CTL_HYPER", 0x0, 0x0},
    {"IRPT_CTL_EBB_HYPER", 0x0, 0x0},
};

constexpr int NUM_SUBTYPE_CODES = 305;
using FamilyTable = std::array<uint8_t, NUM_SUBTYPE_CODES>;

template <size_t N> constexpr FamilyTable family(const std::pair<int, int> (&entries)[N])
{
    FamilyTable table{};
    for (const auto &[code, value] : entries)
        table[(size_t)code] = (uint8_t)value;
    return table;
}

constexpr std::pair<int, int> durn_entries[] = {
    {4, 2},   {5, 3},   {8, 1},    {17, 1},   {80, 3},   {81, 12}, {82, 12},  {107, 9},
    {121, 3}, {122, 9}, {126, 6},  {134, 12}, {135, 12}, {229, 1}, {234, 11}, {239, 4},
    {247, 7}, {248, 8}, {249, 11}, {254, 14}, {261, 5},  {265, 9}, {266, 13}, {267, 9},
};
constexpr std::pair<int, int> dravo_entries[] = {
    {228, 11}, {229, 10}, {238, 3}, {239, 5}, {242, 14}, {247, 6}, {248, 7}, {249, 8}, {268, 4},
};
constexpr std::pair<int, int> glent_entries[] = {
    {50, 3},   {51, 3},  {87, 3},  {134, 3}, {228, 11}, {229, 10}, {238, 3}, {239, 5},
    {242, 14}, {247, 6}, {248, 7}, {249, 8}, {268, 4},  {289, 5},  {290, 1},
};
constexpr std::pair<int, int> fendra_entries[] = {
    {4, 4},   {65, 8},  {74, 8},  {109, 7}, {113, 7},  {114, 7}, {121, 5},  {140, 7},
    {142, 7}, {218, 1}, {219, 1}, {221, 1}, {232, 10}, {248, 9}, {249, 11}, {251, 2},
    {252, 2}, {271, 2}, {273, 4}, {274, 4}, {275, 3},  {276, 6},
};

constexpr FamilyTable durn_table = family(durn_entries);
constexpr FamilyTable dravo_table = family(dravo_entries);
constexpr FamilyTable glent_table = family(glent_entries);
constexpr FamilyTable fendra_table = family(fendra_entries);

int32_t entry(const FamilyTable &table, int32_t subtype)
{
    return subtype >= 0 && subtype < NUM_SUBTYPE_CODES ? table[(size_t)subtype] : 0;
}

} // namespace

void Init_ExceptionStructures(void)
{
    for (auto &row : ExceptionInfo)
        row = {"Illegal Interrupt Table Entry", 0, 0};
    for (int type = 1; type < NUM_EXCEPTION_TYPES; type++)
        ExceptionInfo[type] = exception_rows[type];
    Init_est_table();
}

const char *Exception_Type_Name(int32_t type)
{
    if (type < 0 || type >= NUM_EXCEPTION_TYPES) return nullptr;
    // Before start-up has filled the table the constant rows answer.
    return ExceptionInfo[type].name ? ExceptionInfo[type].name : exception_rows[type].name;
}

uint64_t ExceptionInterruptAddress(int32_t type)
{
    return ExceptionInfo[type].vector;
}

int32_t DURN_exception_priority(int32_t priority, int32_t subtype)
{
    return priority * 256 + entry(durn_table, subtype);
}

int32_t Dravo_exception_priority(int32_t priority, int32_t subtype)
{
    return priority * 256 + entry(dravo_table, subtype);
}

int32_t Glent_exception_priority(int32_t priority, int32_t subtype)
{
    return priority * 256 + entry(glent_table, subtype);
}

int32_t FENDRA_exception_priority(int32_t priority, int32_t subtype)
{
    if (subtype == 0) return priority;
    return (priority & ~0xFF) + entry(fendra_table, subtype);
}

int32_t PowerPCException__Priority(PowerPCException *record)
{
    int32_t priority =
        (record->type >= 0 && record->type < NUM_EXCEPTION_TYPES) ? ExceptionInfo[record->type].priority : 0;
    ProcessorState *core = record->thread ? record->thread->processor : nullptr;
    switch (core ? core->processor_type : 0) {
    case 11:
    case 13:
    case 14:
        return Dravo_exception_priority(priority, record->subtype);
    case 15:
    case 17:
        return Glent_exception_priority(priority, record->subtype);
    case 21:
    case 22:
        return DURN_exception_priority(priority, record->subtype);
    case 6:
    case 7:
        return FENDRA_exception_priority(priority, record->subtype);
    default:
        return priority;
    }
}

void PowerPCException__InsertAfter(PowerPCException *record, PowerPCException *after)
{
    record->next = after->next;
    if (after->next) after->next->prev = record;
    record->prev = after;
    after->next = record;
}

PowerPCException *SearchException(ThreadState *thread, int32_t type)
{
    for (PowerPCException *record = thread->interrupt_queue.head; record; record = record->next)
        if (record->type == type) return record;
    return nullptr;
}

void interrupt_removeException(PowerPCException **list, PowerPCException *record)
{
    if (!list || !*list || !record) return;
    PowerPCException *walk = *list;
    while (walk && walk != record)
        walk = walk->next;
    if (!walk) return;
    if (record == *list) {
        *list = record->next;
        if (record->next) record->next->prev = nullptr;
    } else {
        record->prev->next = record->next;
        if (record->next) record->next->prev = record->prev;
    }
    record->next = nullptr;
    record->prev = nullptr;
    FreeException(record, __FILE__, __LINE__);
}

void RemoveException(ThreadState *thread, PowerPCException *record)
{
    interrupt_removeException(&thread->interrupt_queue.head, record);
}

void SidetrackInterrupts(void) {}
void RestoreInterrupts(ThreadState *) {}
void *CaptureExceptionData(void)
{
    return nullptr;
}
void RestoreExceptionData(void) {}
