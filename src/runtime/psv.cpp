// The processor-specific-value table.
#include "runtime/psv.h"

#include <cstdio>
#include <strings.h>

#include "runtime/alloc.h"
#include "runtime/property_list.h"
#include "runtime/psv_table.h"

PSV_entry *PSV_List = nullptr;

namespace
{

bool same(const char *a, const char *b)
{
    return a && b && strcasecmp(a, b) == 0;
}

void register_value(const char *type, const char *key, const char *value, int32_t public_mark)
{
    if (!key) return;
    PSV_entry *entry = PSV_List;
    while (entry && !same(entry->key, key))
        entry = entry->next;
    if (!entry) {
        entry = QUARN_ZALLOC(1, struct PSV_entry);
        entry->key = key;
        entry->next = PSV_List;
        PSV_List = entry;
    }
    entry->public_mark = public_mark;
    if (!type) {
        entry->default_value = value;
        return;
    }
    for (PSV_specific_entry *s = entry->specific_values; s; s = s->next) {
        if (same(s->processor_type, type)) {
            s->value = value;
            return;
        }
    }
    PSV_specific_entry *s = QUARN_ZALLOC(1, struct PSV_specific_entry);
    s->processor_type = type;
    s->value = value;
    s->next = entry->specific_values;
    entry->specific_values = s;
}

void register_rows(const char *type, const PSV_Row *rows, size_t count, const char *missing_value)
{
    for (size_t i = 0; i < count; i++) {
        const char *value = rows[i].value ? rows[i].value : missing_value;
        register_value(type, rows[i].key, value, rows[i].is_public ? 1 : 0);
    }
}

} // namespace

void Add_PSV_Table(const char *type, const char *key, const char *value)
{
    register_value(type, key, value, 0);
}

void Add_PSV_Table_Public(const char *type, const char *key, const char *value)
{
    register_value(type, key, value, 1);
}

const char *Search_PSV_Value(const char *type, const char *key)
{
    PSV_entry *entry = PSV_List;
    while (entry && !same(entry->key, key))
        entry = entry->next;
    if (!entry) return "0";
    for (PSV_specific_entry *s = entry->specific_values; s; s = s->next)
        if (same(s->processor_type, type)) return s->value;
    return entry->default_value;
}

void PSV_Add_Default_Values(PropertyList *list, const char *prefix)
{
    const char *type = PropertyList__GetString(list, "processor/type");
    for (PSV_entry *entry = PSV_List; entry; entry = entry->next)
        Add_Hidden_Default_Value(list, prefix, entry->key, Search_PSV_Value(type, entry->key), nullptr);
}

void Init_PSV_Table(void)
{
    register_rows(nullptr, PSV_Default_Rows, PSV_Default_Row_Count, nullptr);
    Init_GLENT_PSV_Values("Ervik");
}

void Init_GLENT_PSV_Values(const char *type)
{
    // The one value that is not a literal: the SIM_CTRL1 initial value.
    static char sim_ctrl1[32];
    snprintf(sim_ctrl1, sizeof sim_ctrl1, "0x%016lX", 0x4600000000000000UL);
    register_rows(type, PSV_Ervik_Rows, PSV_Ervik_Row_Count, sim_ctrl1);
}

// Initialisers of processor families that no configuration of this build uses: no rows.
void Init_morlet_PSV_Values(void) {}
void Init_pirsk_PSV_Values(void) {}
void Init_meridu_PSV_Values(const char *) {}
