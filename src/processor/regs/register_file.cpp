// Register files, register descriptions, register definition, the generic by-name accessors,
// power levels, alternative SPR handlers, partition re-scoping, listing and teardown.
#include "processor/regs/register_file.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "processor/config/config_getters.h"
#include "processor/records/machine_access.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"
#include "processor/spr/spr_table.h"
#include "processor/translation/slb.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

// ---- files and descriptions ----

Register_File *Init_Register_File(void)
{
    return QUARN_ZALLOC(1, Register_File);
}

namespace
{

// Frees a slot's trigger record with its trigger lists.
void free_trigger_record(Reg_Trigger_Desc **slot)
{
    if (!*slot) return;
    Reg_Trigger_List_Free(&(*slot)->read, &(*slot)->enabled_read);
    Reg_Trigger_List_Free(&(*slot)->write, &(*slot)->enabled_write);
    QUARN_FREE(*slot);
    *slot = nullptr;
}

} // namespace

void UnDefine_Registers(Register_File *file)
{
    if (!file) return;
    for (int32_t i = 0; i < file->count; i++) {
        Register_File_Entry *entry = &file->entries[i];
        if (!entry->slot || !entry->desc) continue;
        switch (entry->desc->reg_type) {
        case REG_TYPE_REG32:
        case REG_TYPE_PERF_COUNTER:
            free_trigger_record(&((Reg32 *)entry->slot)->trigger);
            break;
        case REG_TYPE_REG64:
        case REG_TYPE_REG:
        case REG_TYPE_FPREG:
        case REG_TYPE_FPSCR:
            free_trigger_record(&((Reg64 *)entry->slot)->trigger);
            break;
        default: // vector-scalar slots have no triggers
            break;
        }
    }
}

void Quit_Register_File(Register_File *file)
{
    QUARN_FREE(file);
}

void QUIT_rdt(reg_desc_table *table)
{
    if (!table) return;
    while (reg_desc_table_entry *desc = table->head) {
        table->head = desc->next;
        if (desc->name) FORGET_STRING(desc->name);
        QUARN_FREE(desc);
    }
}

reg_desc_table_entry *Find_Register_Table_Entry_By_Name(reg_desc_table *table, const char *name)
{
    if (!table || !name) return nullptr;
    for (reg_desc_table_entry *desc = table->head; desc; desc = desc->next)
        if (desc->name && strcasecmp(desc->name, name) == 0) return desc;
    return nullptr;
}

reg_desc_table_entry *Register_Table_Entry(reg_desc_table *table, const char *name, int32_t reg_type,
                                           int32_t size, int32_t index, int32_t scope, int32_t offset)
{
    reg_desc_table_entry *desc = Find_Register_Table_Entry_By_Name(table, name);
    if (desc) {
        if (desc->reg_type == reg_type && desc->size == size && desc->index == index) return desc;
        sim_warning(2, "Register %s has two definitions:", name);
        sim_warning(2, "\tsize %d, reg_type %d, index %d", desc->size, desc->reg_type, desc->index);
        sim_warning(2, "\tsize %d, reg_type %d, index %d", size, reg_type, index);
    } else {
        desc = QUARN_ZALLOC(1, reg_desc_table_entry);
        if (!desc) return nullptr;
        desc->name = REMEMBER_STRING(name);
        desc->scope = scope;
        desc->offset = offset;
        desc->special = scope == REG_SCOPE_OTHER;
        desc->power_level = POWER_OFF;
        desc->mask = ~0ull;
        desc->next = table->head;
        table->head = desc;
    }
    desc->size = size;
    desc->reg_type = reg_type;
    desc->index = index;
    return desc;
}

reg_desc_table_entry *make_register_special(reg_desc_table *table, const char *name)
{
    reg_desc_table_entry *desc = Find_Register_Table_Entry_By_Name(table, name);
    if (desc) desc->special = 1;
    return desc;
}

Register_File_Entry *Search_Register_File(Register_File *file, const char *name)
{
    if (!file || !name) return nullptr;
    for (int32_t i = 0; i < file->count; i++) {
        reg_desc_table_entry *desc = file->entries[i].desc;
        if (desc && desc->name && strcasecmp(desc->name, name) == 0) return &file->entries[i];
    }
    return nullptr;
}

Register_File_Entry *Find_Register_By_Name(ThreadState *thread, const char *name)
{
    if (!thread || !name || !*name) return nullptr;
    if (Register_File_Entry *entry = Search_Register_File(thread->register_file, name)) return entry;
    if (ProcessorState *partition = thread->shared_processor) {
        Register_File_Entry *entry = Search_Register_File(partition->register_file, name);
        if (entry && entry->partition) return entry;
    }
    if (ProcessorState *core = thread->processor)
        if (Register_File_Entry *entry = Search_Register_File(core->register_file, name)) return entry;
    return Search_Register_File(MachineAccess_RegisterFile(thread->machine), name);
}

// ---- definition ----

namespace
{

// Links a slot to its entry and clears its value, by the form the kind code gives.
void bind_slot(int32_t reg_type, void *slot, Register_File_Entry *entry, const char *name)
{
    switch (reg_type) {
    case REG_TYPE_REG32:
    case REG_TYPE_PERF_COUNTER: {
        Reg32 *reg = (Reg32 *)slot;
        reg->rfe = entry;
        reg->value = 0;
        break;
    }
    case REG_TYPE_REG64:
    case REG_TYPE_REG:
    case REG_TYPE_FPREG:
    case REG_TYPE_FPSCR: {
        Reg64 *reg = (Reg64 *)slot;
        reg->rfe = entry;
        reg->value = 0;
        break;
    }
    case REG_TYPE_REG128: {
        Reg128 *reg = (Reg128 *)slot;
        reg->rfe = entry;
        reg->value[0] = 0;
        reg->value[1] = 0;
        break;
    }
    default:
        sim_warning(2, "Not handling complete initialization for %s", name);
        break;
    }
}

// The integer value of "processor/<kind>/<name>" in the configuration, if there is one.
bool configured_value(PropertyList *list, const char *kind, const char *name, uint64_t *value)
{
    if (!list) return false;
    char key[64];
    int length = snprintf(key, sizeof key, "processor/%s/%s", kind, name);
    // A key that does not fit names nothing (its cut text could name another register).
    if (length < 0 || (size_t)length >= sizeof key) return false;
    return convert_plist_int(key, PropertyList__GetString(list, key), value) != 0;
}

} // namespace

Register_File_Entry *Define_Register(GenericMachine *machine, ProcessorState *core, ThreadState *thread,
                                     const char *name, int32_t reg_type, int32_t index, int32_t size,
                                     void *slot, RegGenericRead generic_read, RegGenericWrite generic_write,
                                     RegCookedFn cooked_get, RegCookedFn cooked_set)
{
    Register_File *file = nullptr;
    reg_desc_table *table = nullptr;
    const void *owner_record = nullptr;
    ThreadState *owner = thread;
    int32_t scope;
    if (machine) {
        scope = REG_SCOPE_MACHINE;
        file = MachineAccess_RegisterFile(machine);
        table = MachineAccess_RegisterDescriptions(machine);
        owner_record = machine;
    } else if (core) {
        scope = REG_SCOPE_CORE;
        file = core->register_file;
        table = &core->register_descriptions;
        owner_record = core;
    } else if (thread) {
        scope = REG_SCOPE_THREAD;
        file = thread->register_file;
        core = thread->processor;
        table = core ? &core->register_descriptions : nullptr;
        owner_record = thread;
    } else {
        sim_panic("Assert : %s at line %d, file %s", "M || PS || T", __LINE__, __FILE__);
    }
    if (!file || !table) sim_panic("Assert : %s at line %d, file %s", "file && table", __LINE__, __FILE__);
    if (!owner)
        owner = core && core->num_threads && core->threads ? &core->threads[0]
                                                           : MachineAccess_FirstThread(machine);
    if (!machine) machine = core ? core->machine : thread->machine;

    int32_t position = file->count;
    if (position + 1 > REGISTER_FILE_LIMIT)
        sim_panic("More registers than space: %d < %d", REGISTER_FILE_CAPACITY, position + 1);
    Register_File_Entry *entry = &file->entries[position];
    memset(entry, 0, sizeof *entry);
    entry->index = position;
    entry->scope = scope;
    entry->access_kind = REG_ACCESS_DEFINED;
    file->count = position + 1;

    bind_slot(reg_type, slot, entry, name);

    int32_t offset = (int32_t)((const char *)slot - (const char *)owner_record);
    reg_desc_table_entry *desc = Register_Table_Entry(table, name, reg_type, size, index, scope, offset);
    entry->desc = desc;
    entry->slot = slot;
    entry->owner = owner;
    if (!desc) return entry;
    desc->generic_read = generic_read;
    desc->generic_write = generic_write;
    desc->cooked_get = cooked_get;
    desc->cooked_set = cooked_set;

    PropertyList *list = MachineAccess_PropertyList(machine);
    uint64_t mask = ~0ull, initial = 0;
    if (!configured_value(list, "mask", name, &mask)) mask = ~0ull;
    desc->mask = mask;
    if (configured_value(list, "initial", name, &initial)) {
        if (initial & ~mask)
            sim_warning(2,
                        "register %s has initial value 0x%016lX but implemented bits 0x%016lX (unimplemented "
                        "bits are non-zero 0x%016lX)",
                        name, (unsigned long)initial, (unsigned long)mask, (unsigned long)(initial & ~mask));
    } else {
        initial = 0;
    }
    desc->initial = initial;
    return entry;
}

void Define_Machine_Registers(GenericMachine *) {}

// ---- generic by-name accessors ----

int Read_Register_Reg32(Register_File_Entry *entry, void *value)
{
    entry->access_kind = REG_ACCESS_FILE;
    uint32_t v;
    if (entry->desc && entry->desc->cooked_get)
        v = ((RegCookedGet32)entry->desc->cooked_get)(entry->owner, REG_ACCESS_FILE);
    else
        v = ((Reg32 *)entry->slot)->value;
    memcpy(value, &v, sizeof v);
    return 2;
}

void Write_Register_Reg32(Register_File_Entry *entry, const void *value, const void *)
{
    uint32_t v;
    memcpy(&v, value, sizeof v);
    if (entry->desc && entry->desc->cooked_set) {
        ((RegCookedSet32)entry->desc->cooked_set)(entry->owner, v, REG_ACCESS_FILE);
    } else {
        Reg32 *reg = (Reg32 *)entry->slot;
        reg->value = v & (uint32_t)Register_Entry_Mask(entry);
        reg->written = 1;
    }
}

int Read_Register_Reg64(Register_File_Entry *entry, void *value)
{
    entry->access_kind = REG_ACCESS_FILE;
    uint64_t v;
    if (entry->desc && entry->desc->cooked_get)
        v = ((RegCookedGet64)entry->desc->cooked_get)(entry->owner, REG_ACCESS_FILE);
    else
        v = ((Reg64 *)entry->slot)->value;
    memcpy(value, &v, sizeof v);
    return 2;
}

void Write_Register_Reg64(Register_File_Entry *entry, const void *value, const void *)
{
    uint64_t v;
    memcpy(&v, value, sizeof v);
    if (entry->desc && entry->desc->cooked_set) {
        ((RegCookedSet64)entry->desc->cooked_set)(entry->owner, v, REG_ACCESS_FILE);
    } else {
        Reg64 *reg = (Reg64 *)entry->slot;
        reg->value = v & Register_Entry_Mask(entry);
        reg->written = 1;
    }
}

int Read_Register_GPR(Register_File_Entry *entry, void *value)
{
    memcpy(value, &((Reg64 *)entry->slot)->value, sizeof(uint64_t));
    return 2;
}

void Write_Register_GPR(Register_File_Entry *entry, const void *value, const void *)
{
    memcpy(&((Reg64 *)entry->slot)->value, value, sizeof(uint64_t));
}

int Read_Register_FPSCR(Register_File_Entry *entry, void *value)
{
    memcpy(value, &((Reg64 *)entry->slot)->value, sizeof(uint64_t));
    return 2;
}

void Write_Register_FPSCR(Register_File_Entry *entry, const void *value, const void *)
{
    uint64_t v;
    memcpy(&v, value, sizeof v);
    ((Reg64 *)entry->slot)->value = v & Register_Entry_Mask(entry);
}

int Read_Register_VSR(Register_File_Entry *entry, void *value)
{
    memcpy(value, ((Reg128 *)entry->slot)->value, 16);
    return 2;
}

void Write_Register_VSR(Register_File_Entry *entry, const void *value, const void *)
{
    memcpy(((Reg128 *)entry->slot)->value, value, 16);
}

int Read_Register_VMX(Register_File_Entry *entry, void *value)
{
    return Read_Register_VSR(entry, value);
}

void Write_Register_VMX(Register_File_Entry *entry, const void *value, const void *mask)
{
    Write_Register_VSR(entry, value, mask);
}

int Read_Register_Word(Register_File_Entry *entry, void *value)
{
    memcpy(value, entry->slot, sizeof(uint64_t));
    return 2;
}

void Write_Register_Word(Register_File_Entry *entry, const void *value, const void *)
{
    memcpy(entry->slot, value, sizeof(uint64_t));
}

int Read_Register_SLBE(Register_File_Entry *entry, void *value)
{
    memcpy(value, &((Reg64 *)entry->slot)->value, sizeof(uint64_t));
    return 2;
}

void Write_Register_SLBE(Register_File_Entry *entry, const void *value, const void *)
{
    uint64_t v;
    memcpy(&v, value, sizeof v);
    SLB *slb = (SLB *)((char *)entry->slot - offsetof(SLB, SLBE));
    slb->esid_base = v & ~0xFFFFFFFull;
    slb->valid = (uint8_t)((v >> 27) & 1);
    slb->SLBE.value = v & ~0x7FFFFFFull;
}

int Read_Register_SLBV(Register_File_Entry *entry, void *value)
{
    memcpy(value, &((Reg64 *)entry->slot)->value, sizeof(uint64_t));
    return 2;
}

void Write_Register_SLBV(Register_File_Entry *entry, const void *value, const void *)
{
    uint64_t v;
    memcpy(&v, value, sizeof v);
    SLB_Set_VSID_Word((SLB *)((char *)entry->slot - offsetof(SLB, SLBV)), v);
}

int Read_Register_CR(Register_File_Entry *entry, void *value)
{
    memcpy(value, &((Reg32 *)entry->slot)->value, sizeof(uint32_t));
    return 2;
}

void Write_Register_CR(Register_File_Entry *entry, const void *value, const void *)
{
    uint32_t v;
    memcpy(&v, value, sizeof v);
    ((Reg32 *)entry->slot)->value = v & (uint32_t)Register_Entry_Mask(entry);
}

int Read_Register_into_RegValue(Register_File_Entry *entry, uint64_t *low, uint64_t *high)
{
    reg_desc_table_entry *desc = entry ? entry->desc : nullptr;
    if (!desc || !desc->generic_read) return 0;
    *low = 0;
    *high = 0;
    if (desc->size == 4) {
        uint32_t v = 0;
        int result = desc->generic_read(entry, &v);
        *low = v;
        return result;
    }
    if (desc->size == 8) return desc->generic_read(entry, low);
    sim_warning(2, "trying to read 16-bytes into RegValue: %s", desc->name ? desc->name : "");
    return 0;
}

void Mark_Register_As_Known(Register_File_Entry *) {}

int Register_is_Known(Register_File_Entry *)
{
    return 1;
}

int Wolk_Reg_Init(void)
{
    return 0;
}

void Set_Wolk_Reg_Init(int) {}

// ---- power levels ----

void Set_Register_Required_Power_Level(reg_desc_table *table, const char *name, int32_t level)
{
    reg_desc_table_entry *desc = Find_Register_Table_Entry_By_Name(table, name);
    if (!desc) {
        sim_warning(2, "attempt to set power level for unknown name: %s", name ? name : "");
        return;
    }
    desc->power_level = level;
}

int32_t Get_Register_Required_Power_Level(reg_desc_table *table, const char *name)
{
    reg_desc_table_entry *desc = Find_Register_Table_Entry_By_Name(table, name);
    if (!desc) {
        sim_warning(2, "attempt to get power level for unknown name: %s", name ? name : "");
        return POWER_ACTIVE;
    }
    return desc->power_level;
}

extern "C" void LIBSIM__Set_Register_Power_Level(ThreadState *thread, const char *name, int32_t level)
{
    Set_Register_Required_Power_Level(
        thread && thread->processor ? &thread->processor->register_descriptions : nullptr, name, level);
}

extern "C" int32_t LIBSIM__Get_Register_Power_Level(ThreadState *thread, const char *name)
{
    return Get_Register_Required_Power_Level(
        thread && thread->processor ? &thread->processor->register_descriptions : nullptr, name);
}

void reset_register_to_initial_value(Register_File_Entry *entry)
{
    reg_desc_table_entry *desc = entry ? entry->desc : nullptr;
    if (!desc || !desc->generic_write) return;
    switch (desc->reg_type) {
    case REG_TYPE_REG32: {
        uint32_t value = (uint32_t)desc->initial, mask = ~0u;
        desc->generic_write(entry, &value, &mask);
        break;
    }
    case REG_TYPE_REG64: {
        uint64_t value = desc->initial, mask = ~0ull;
        desc->generic_write(entry, &value, &mask);
        break;
    }
    case REG_TYPE_REG128: {
        uint8_t value[16] = {}, mask[16] = {};
        int32_t size = desc->size < 0 ? 0 : desc->size > 16 ? 16 : desc->size;
        memset(mask + 16 - size, 0xFF, (size_t)size);
        desc->generic_write(entry, value, mask);
        break;
    }
    default:
        sim_warning(2, "trying to lose state of unknown register type");
        break;
    }
}

namespace
{

void lose_state(Register_File *file, int32_t level)
{
    if (!file) return;
    for (int32_t i = 0; i < file->count; i++) {
        Register_File_Entry *entry = &file->entries[i];
        if (entry->desc && entry->desc->power_level >= level) reset_register_to_initial_value(entry);
    }
}

} // namespace

void Lower_Processor_Power_Level(ProcessorState *core, int32_t level)
{
    if (!core || level == POWER_ACTIVE) return;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        lose_state(core->threads[i].register_file, level);
    lose_state(core->register_file, level);
}

// ---- alternative SPR handlers ----

reg_desc_table_entry *SPR_Get_ValidRtde(ProcessorState *core, int32_t spr)
{
    spr_table_entry *row = Index_SPR_Table(core, spr);
    if (!row) return nullptr;
    if (!row->valid) {
        char name[32];
        snprintf(name, sizeof name, "bogus_spr_%d", spr);
        Define_SPR(core, spr, 0, name, 8, nullptr, SPR_LEVEL_ANY, nullptr, SPR_LEVEL_ANY, nullptr, nullptr);
    }
    if (!row->rdte) {
        sim_error("SPR_Get_ValidRtde: internal error.  spre->rdte should not be NULL here!");
        return nullptr;
    }
    if (!row->valid) sim_error("SPR_Get_ValidRtde: spre is invalid for %d (should not be the case)", spr);
    return row->rdte;
}

int Register_Alternative_Read_SPR(ProcessorState *core, int32_t spr, RegAlternativeRead function, void *data)
{
    reg_desc_table_entry *desc = SPR_Get_ValidRtde(core, spr);
    if (!desc) {
        sim_warning(2, "Register_Alternative_Read_SPR number %d is not a known spr for %s", spr,
                    core && core->name ? core->name : "");
        return 0;
    }
    desc->alternative_read_spr = function;
    desc->alternative_read_data = data;
    SIM_INFO("Register_Alternative_Read_SPR (%d): rdte->alternative_read_spr = <%p>", spr, (void *)function);
    return 1;
}

int Register_Alternative_Write_SPR(ProcessorState *core, int32_t spr, RegAlternativeWrite function,
                                   void *data)
{
    reg_desc_table_entry *desc = SPR_Get_ValidRtde(core, spr);
    if (!desc) {
        sim_warning(2, "Register_Alternative_Write_SPR number %d is not a known spr for %s", spr,
                    core && core->name ? core->name : "");
        return 0;
    }
    desc->alternative_write_spr = function;
    desc->alternative_write_data = data;
    SIM_INFO("Register_Alternative_Write_SPR (%d): rdte->alternative_write_spr = <%p>", spr,
             (void *)function);
    return 1;
}

uint64_t call_alternative_read_spr(reg_desc_table_entry *desc, ThreadState *thread, uint32_t kind)
{
    if (!desc || !desc->alternative_read_spr) return 0;
    return desc->alternative_read_spr(desc->alternative_read_data, thread, desc->index, kind);
}

void call_alternative_write_spr(reg_desc_table_entry *desc, ThreadState *thread, uint64_t value,
                                uint32_t kind)
{
    if (!desc || !desc->alternative_write_spr) return;
    desc->alternative_write_spr(desc->alternative_write_data, thread, desc->index, value, kind);
}

// ---- partitions ----

void LPAR_CORRECT_RTI(ProcessorState *core, ThreadState *thread)
{
    if (!core) return;
    Register_File_Entry *entries[] = {
        core->PVR.rfe,  core->TB.rfe,   core->TBL.rfe,   core->TBU.rfe,   core->PMCR.rfe, core->SDR1.rfe,
        core->HDEC.rfe, core->RMOR.rfe, core->PCR.rfe,   core->LPIDR.rfe, core->AMOR.rfe, core->DPDES.rfe,
        core->RPR.rfe,  core->VTB.rfe,  core->LDBAR.rfe, core->PMMAR.rfe, core->MPPR.rfe,
    };
    for (Register_File_Entry *entry : entries) {
        if (!entry) continue;
        entry->owner = thread;
        entry->scope = REG_SCOPE_PARTITION;
        entry->partition = 1;
    }
}

void Switch_LPAR_Mode_Multi_To_1(ProcessorState *core)
{
    if (!core) return;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++) {
        core->threads[i].thread_id_in_partition = (int32_t)i;
        core->threads[i].shared_processor = core;
    }
    core->partition_count = 1;
    core->HID0.value = 0;
    core->HID0.written = 1;
}

// ---- listing ----

const char *Register_Scope_Name(int32_t scope)
{
    static const char *const names[] = {"Other", "M", "PS", "T", "PS_LPAR"};
    return scope >= 0 && scope <= 4 ? names[scope] : "unknown";
}

const char *Register_Type_Name(int32_t reg_type)
{
    static const char *const names[] = {
        "Reg32",     "Reg64",    "Reg128",    "Reg256",        "TLB_RESERVE", "TLBE",  "RESRV",
        "Reg",       "FPReg",    "FPSCR_Reg", "PerfCounter_t", "IERAT",       "DERAT", "ERAT_ROUND_ROBIN",
        "WATCHLOST", "Watch_Reg"};
    return reg_type >= 0 && reg_type <= 15 ? names[reg_type] : "unknown";
}

void Print_Register_Table(reg_desc_table *table)
{
    if (!table) return;
    for (reg_desc_table_entry *desc = table->head; desc; desc = desc->next)
        SIM_PRINT("%10s \tsize %4d type %s offset %d in %s\n", desc->name ? desc->name : "", desc->size,
                  Register_Type_Name(desc->reg_type), desc->offset, Register_Scope_Name(desc->scope));
}

// ---- register-trigger lists ----

void Reg_Trigger_List_Clear(Reg_Trigger_List *list)
{
    if (!list) return;
    while (Reg_Trigger_Node *node = list->head) {
        list->head = node->next;
        QUARN_FREE(node);
    }
    list->tail = nullptr;
    list->count = 0;
}

void Reg_Trigger_List_Free(Reg_Trigger_List *list, Reg_Trigger_List *enabled)
{
    Reg_Trigger_List_Clear(enabled);
    if (!list) return;
    while (Reg_Trigger_Node *node = list->head) {
        list->head = node->next;
        QUARN_FREE(node->data);
        QUARN_FREE(node);
    }
    list->tail = nullptr;
    list->count = 0;
}

void Reg_Trigger_List_Remove(Reg_Trigger_List *, Reg_Trigger_List *enabled, Reg_Trigger_Node *node)
{
    if (!node || !node->data) return;
    if (enabled) {
        for (Reg_Trigger_Node *e = enabled->head; e; e = e->next) {
            if (e->data != node->data) continue;
            if (e->prev)
                e->prev->next = e->next;
            else
                enabled->head = e->next;
            if (e->next)
                e->next->prev = e->prev;
            else
                enabled->tail = e->prev;
            enabled->count--;
            QUARN_FREE(e);
            break;
        }
    }
    QUARN_FREE(node->data);
    node->data = nullptr;
}
