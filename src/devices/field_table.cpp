// Device register field tables.
#include "devices/field_table.h"

#include <cstdio>
#include <cstring>

#include "memory/memory_bus.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t DEADBEEF64 = 0xDEADBEEFDEADBEEFULL;

inline bool is_last(const field_entry &entry)
{
    return entry.access & FIELD_LAST;
}

// The number of entries up to and including the closing one.
int entry_count(const field_entry *entries)
{
    int n = 1;
    while (!is_last(entries[n - 1]))
        n++;
    return n;
}

void check_list(field_table *table, field_list *list)
{
    field_entry *e = list->entries;
    if (is_last(e[0]) || is_last(e[1])) {
        sim_error("Field list %s in table %s, field list has no entries ", list->name, table->name);
        return;
    }
    if (e[1].start != 0) e[0].limit = e[1].start - 1;
    bool any_field = false;
    for (int i = 1;; i++) {
        if (e[i].start - 1 < e[i - 1].limit) {
            if (is_last(e[i]))
                sim_error("1: Field list %s in table %s, field starting at address 0x%08X overflows 32-bit "
                          "address range",
                          list->name, table->name, e[i].start);
            else
                sim_error(
                    "2: Field list %s in table %s, field starting at address 0x%08X overlaps field starting "
                    "at 0x%08X",
                    list->name, table->name, e[i].start, e[i - 1].start);
        }
        if (is_last(e[i])) break;
        if (e[i].access & (FIELD_READ | FIELD_WRITE)) any_field = true;
    }
    if (!any_field) sim_error("Field list %s in table %s has no fields", list->name, table->name);
}

field_list *new_list(field_table *table, const field_entry *entries)
{
    auto *list = static_cast<field_list *>(
        quarn_zalloc(sizeof(field_list), sizeof(field_list), "field_list", __FILE__, __LINE__));
    if (!list) return nullptr;
    const char *unique = table->chip ? MCM_Unique_Name(table->chip, table->name) : table->name;
    list->name = REMEMBER_STRING(unique);
    int count = entry_count(entries);
    list->entries = QUARN_MALLOC(count < 2 ? 2 : count, field_entry);
    memcpy(list->entries, entries, sizeof(field_entry) * (size_t)count);
    if (count < 2) list->entries[1] = list->entries[0];
    return list;
}

bool length_permitted(int length, uint32_t access)
{
    return (length == 1 || length == 2 || length == 4 || length == 8) && (access & (uint32_t)length);
}

// The walk of an access over the lists: the covering field's access routine decides, or a code
// is reported.
int field_access(MMAPI_Access *access, field_table *table, uint64_t offset, void *buffer, int length,
                 int write)
{
    uint32_t permission = write ? FIELD_WRITE : FIELD_READ;
    int code = FIELD_RESERVED;
    const field_entry *failed = nullptr;
    for (field_list *list = table->lists; list; list = list->next) {
        if (offset < list->base) {
            code = FIELD_RESERVED;
            continue;
        }
        uint64_t d = offset - list->base;
        const field_entry *e = list->entries;
        // A second entry at offset 0 leaves nothing to the leading one.
        if (!is_last(e[0]) && e[1].start == 0) e++;
        while (!is_last(*e) && d > e->limit)
            e++;
        if (is_last(*e) || d < e->start) {
            code = FIELD_RESERVED;
            failed = nullptr;
            continue;
        }
        uint64_t within = d - e->start;
        failed = e;
        if (e->access & FIELD_UNIMPLEMENTED) {
            code = FIELD_UNIMPLEMENTED_ERROR;
            continue;
        }
        if (!(e->access & permission))
            code = FIELD_PERMISSION_ERROR;
        else if ((uint64_t)(length - 1) & 0xF & within)
            code = FIELD_ALIGNMENT_ERROR;
        else if (!length_permitted(length, e->access))
            code = FIELD_SIZE_ERROR;
        else if ((uint64_t)e->limit + 1 < d + (uint64_t)length)
            code = FIELD_OVERFLOW_ERROR;
        else {
            field_access_s description = {write, d, (uint32_t)within, length, buffer, e, list, access};
            return list->routine && list->routine(list->routine_data, &description) ? 1 : 0;
        }
        break;
    }
    if (table->error) table->error(table->error_data, access, code, table, failed, offset, length);
    return 0;
}

// ---- the memory-map device ----

void forget_instance(field_table *table, MemoryMap_to_field_table *instance)
{
    for (int i = 0; i < table->instance_count; i++) {
        if (table->instances[i] != instance) continue;
        table->instances[i] = table->instances[--table->instance_count];
        return;
    }
}

void *device_init(const char *, PropertyList *, InstanceLink *, uint64_t, uint64_t)
{
    return quarn_zalloc(32, 32, "MemoryMap_to_field_table", __FILE__, __LINE__);
}

void device_quit(void *instance)
{
    auto *record = static_cast<MemoryMap_to_field_table *>(instance);
    if (!record) return;
    if (record->quit) record->quit(record);
    if (record->table) forget_instance(record->table, record);
    QUARN_FREE(record);
}

int device_read(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t *value, int length)
{
    auto *record = static_cast<MemoryMap_to_field_table *>(instance);
    if (!record || !record->table) {
        *value = 0xDEADBEEF;
        return 0;
    }
    return field_read_reg(access, record->table, offset, value, length);
}

int device_write(MMAPI_Access *access, void *instance, uint64_t offset, uint64_t value, int length)
{
    auto *record = static_cast<MemoryMap_to_field_table *>(instance);
    if (!record || !record->table) return 0;
    return field_write_reg(access, record->table, offset, value, length);
}

uint8_t *device_resolve(MemoryClient *, void *, uint64_t)
{
    return nullptr;
}

MMAPIentry_s *device_operations()
{
    static MMAPIentry_s *ops = nullptr;
    if (!ops && (ops = new_mmapi_entry())) {
        ops->version = MMAPI_VERSION;
        ops->init = device_init;
        ops->quit = device_quit;
        ops->read = device_read;
        ops->write = device_write;
        ops->resolve = device_resolve;
    }
    return ops;
}

} // namespace

field_table *field_table_create(MCM *chip, const char *name, const field_entry *entries, void *data,
                                field_access_fn routine)
{
    auto *table = static_cast<field_table *>(
        quarn_zalloc(sizeof(field_table), sizeof(field_table), "field_table", __FILE__, __LINE__));
    if (!table) return nullptr;
    table->chip = chip;
    table->name = REMEMBER_STRING(name ? name : "");
    table->error = field_table_report;
    table->error_data = table;
    if (entries) {
        field_list *list = new_list(table, entries);
        if (list) {
            list->routine = routine;
            list->routine_data = data;
            table->lists = list;
            check_list(table, list);
        }
    }
    return table;
}

MemoryMap_to_field_table *field_table_add_to_MemoryMap(field_table *table, uint64_t start, uint64_t end,
                                                       void *extra, void *element)
{
    if (!table || !table->chip) return nullptr;
    MMAPIentry_s *ops = device_operations();
    if (!ops) return nullptr;
    auto *instance = static_cast<MemoryMap_to_field_table *>(
        MemMap_Define(table->chip, MCM_Unique_Name(table->chip, table->name), ops, start, end, nullptr));
    if (!instance) return nullptr;
    if (instance->table != table) {
        if (instance->table) forget_instance(instance->table, instance);
        instance->table = table;
        auto **grown = QUARN_REALLOC(table->instances, table->instance_count + 1, MemoryMap_to_field_table *);
        if (grown) {
            table->instances = grown;
            table->instances[table->instance_count++] = instance;
        }
    }
    instance->extra = extra;
    instance->element = element;
    return instance;
}

void field_table_delete(field_table *table)
{
    if (!table) return;
    for (int i = 0; i < table->instance_count; i++)
        table->instances[i]->table = nullptr;
    QUARN_FREE(table->instances);
    while (field_list *list = table->lists) {
        table->lists = list->next;
        FORGET_STRING(list->name);
        QUARN_FREE(list->entries);
        QUARN_FREE(list);
    }
    FORGET_STRING(table->name);
    QUARN_FREE(table);
}

int field_read(MMAPI_Access *access, field_table *table, uint64_t offset, void *buffer, int length)
{
    if (length > 0) memset(buffer, 0, (size_t)length);
    if (!table) return 0;
    return field_access(access, table, offset, buffer, length, 0);
}

int field_write(MMAPI_Access *access, field_table *table, uint64_t offset, const void *buffer, int length)
{
    if (!table) return 0;
    return field_access(access, table, offset, const_cast<void *>(buffer), length, 1);
}

int field_read_reg(MMAPI_Access *access, field_table *table, uint64_t offset, uint64_t *value, int length)
{
    int rc;
    switch (length) {
    case 1: {
        uint8_t local;
        rc = field_read(access, table, offset, &local, 1);
        *value = local;
        return rc;
    }
    case 2: {
        uint16_t local;
        rc = field_read(access, table, offset, &local, 2);
        *value = local;
        return rc;
    }
    case 4: {
        uint32_t local;
        rc = field_read(access, table, offset, &local, 4);
        *value = local;
        return rc;
    }
    case 8:
        return field_read(access, table, offset, value, 8);
    default:
        *value = 0xDEADBEEF;
        return 0;
    }
}

int field_write_reg(MMAPI_Access *access, field_table *table, uint64_t offset, uint64_t value, int length)
{
    switch (length) {
    case 1: {
        uint8_t local = (uint8_t)value;
        return field_write(access, table, offset, &local, 1);
    }
    case 2: {
        uint16_t local = (uint16_t)value;
        return field_write(access, table, offset, &local, 2);
    }
    case 4: {
        uint32_t local = (uint32_t)value;
        return field_write(access, table, offset, &local, 4);
    }
    case 8:
        return field_write(access, table, offset, &value, 8);
    default:
        return 0;
    }
}

void field_table_error_text(char *buffer, int size, int code, const field_table *table,
                            const field_entry *field, uint64_t address, int length)
{
    const char *table_name = table ? table->name : "";
    const char *field_name = field && field->name ? field->name : "";
    unsigned long a = (unsigned long)address;
    switch (code) {
    case FIELD_SIZE_ERROR:
        snprintf(buffer, size,
                 "Size error accessing field in table %s, field= %s, address= 0x%016lX, size=%d", table_name,
                 field_name, a, length);
        break;
    case FIELD_ALIGNMENT_ERROR:
        snprintf(buffer, size, "Alignment error accessing field in table %s, field= %s, address= 0x%016lX",
                 table_name, field_name, a);
        break;
    case FIELD_PERMISSION_ERROR:
        snprintf(buffer, size, "Permissions error accessing field in table %s, field= %s, address= 0x%016lX",
                 table_name, field_name, a);
        break;
    case FIELD_OVERFLOW_ERROR:
        snprintf(buffer, size,
                 "Address overflow error accessing field in table %s, field= %s, address= 0x%016lX",
                 table_name, field_name, a);
        break;
    case FIELD_RESERVED:
        snprintf(buffer, size, "Attempt to access reserved field in table %s, address= 0x%016lX", table_name,
                 a);
        break;
    case FIELD_UNIMPLEMENTED_ERROR:
        snprintf(buffer, size,
                 "Attempt to access unimplemented field in table %s, field= %s, address= 0x%016lX",
                 table_name, field_name, a);
        break;
    default:
        snprintf(buffer, size, "Error accessing field in table %s, field= %s, code= %d, address= 0x%016lX",
                 table_name, field_name, code, a);
    }
}

void field_table_report(void *, MMAPI_Access *access, int code, field_table *table, const field_entry *field,
                        uint64_t address, int length)
{
    char text[512];
    field_table_error_text(text, sizeof text, code, table, field, address, length);
    sim_warning(2, "%s", text);
    if (access) access->status = 1;
}

uint64_t field_convert_to_reg(const field_access_s *access)
{
    switch (access->length) {
    case 1:
        return *static_cast<const uint8_t *>(access->data);
    case 2:
        return *static_cast<const uint16_t *>(access->data);
    case 4:
        return *static_cast<const uint32_t *>(access->data);
    case 8:
        return *static_cast<const uint64_t *>(access->data);
    default:
        return DEADBEEF64;
    }
}

uint32_t field_convert_to_uint(const field_access_s *access)
{
    switch (access->length) {
    case 1:
    case 2:
    case 4:
        return (uint32_t)field_convert_to_reg(access);
    default:
        return 0xDEADBEEF;
    }
}

void field_convert_from_reg(field_access_s *access, uint64_t value)
{
    switch (access->length) {
    case 1:
        *static_cast<uint8_t *>(access->data) = (uint8_t)value;
        return;
    case 2:
        *static_cast<uint16_t *>(access->data) = (uint16_t)value;
        return;
    case 4:
        *static_cast<uint32_t *>(access->data) = (uint32_t)value;
        return;
    case 8:
        *static_cast<uint64_t *>(access->data) = value;
        return;
    default:
        // Never more bytes than the access has.
        if (access->length > 0)
            memcpy(access->data, &DEADBEEF64, access->length < 8 ? (size_t)access->length : 8);
    }
}

void field_convert_from_uint(field_access_s *access, uint32_t value)
{
    switch (access->length) {
    case 1:
    case 2:
    case 4:
    case 8:
        field_convert_from_reg(access, value);
        return;
    default:
        field_convert_from_reg(access, DEADBEEF64);
    }
}

void FieldHash_Init(FieldHash *slot, const FieldHash_Row *rows)
{
    slot->rows = rows;
}

const FieldHash_Row *FieldHash_Lookup(const FieldHash *slot, uint32_t offset, uint32_t count,
                                      uint32_t *length, uint32_t flag_mask)
{
    if (!slot || !slot->rows) return nullptr;
    for (const FieldHash_Row *row = slot->rows; row->start != 0xFFFFFFFFu; row++) {
        if (offset < row->start || (uint64_t)offset >= (uint64_t)row->start + row->length) continue;
        if (!(row->flags & flag_mask)) continue;
        uint32_t remaining = row->start + row->length - offset;
        if (length) *length = remaining < count ? remaining : count;
        return row;
    }
    return nullptr;
}
