// Property lists: the global list of lists, value operations and value parsers.
#include "runtime/property_list.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <tcl.h>

#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"

PropertyList *Quarn_PropertyList_List = nullptr;

namespace
{

// A key given as (section, name): "section/name" when the section is not empty, else the name.
struct ComposedKey {
    char text[256];
    ComposedKey(const char *section, const char *name)
    {
        if (section && *section)
            snprintf(text, sizeof text, "%s/%s", section, name ? name : "");
        else
            snprintf(text, sizeof text, "%s", name ? name : "");
    }
};

int key_compare(const char *a, const char *b)
{
    return strcasecmp(a, b);
}

void free_entry(ConfigEntry *entry)
{
    FORGET_STRING(entry->key);
    if (entry->value) FORGET_STRING(entry->value);
    if (entry->description) FORGET_STRING(entry->description);
    QUARN_FREE(entry);
}

void set_visible(PropertyList *list, const char *key, int visible)
{
    if (ConfigEntry *entry = PropertyList__FindEntry(list, key)) entry->visible = visible;
}

} // namespace

// ---- lists ----

PropertyList *PropertyList__New(const char *name)
{
    PropertyList *list = QUARN_ZALLOC(1, PropertyList);
    list->name = REMEMBER_STRING(name ? name : "");
    list->is_mutable = 1;
    list->entries = nullptr;

    // Before the first list whose name is greater or equal, but never before an equal head.
    if (!Quarn_PropertyList_List || strcasecmp(Quarn_PropertyList_List->name, list->name) > 0) {
        list->next = Quarn_PropertyList_List;
        Quarn_PropertyList_List = list;
    } else {
        PropertyList *p = Quarn_PropertyList_List;
        while (p->next && strcasecmp(p->next->name, list->name) < 0)
            p = p->next;
        list->next = p->next;
        p->next = list;
    }
    BaseObject__New(list->name, OBJECT_KIND_CONFIGURATION, list);
    return list;
}

PropertyList *Find_PropertyList_By_Name(const char *name)
{
    if (!name) return nullptr;
    for (PropertyList *p = Quarn_PropertyList_List; p; p = p->next)
        if (strcasecmp(p->name, name) == 0) return p;
    return nullptr;
}

void PropertyList__Set_Immutable(PropertyList *list)
{
    if (list) list->is_mutable = 0;
}

void PropertyList__Delete(PropertyList *list)
{
    if (!list) return;
    while (ConfigEntry *entry = list->entries) {
        list->entries = entry->next;
        free_entry(entry);
    }
    for (PropertyList **link = &Quarn_PropertyList_List; *link; link = &(*link)->next) {
        if (*link == list) {
            *link = list->next;
            break;
        }
    }
    // The registry entry of this very list: with two lists of one name, deleting by name alone
    // could drop the other list's entry and leave this one pointing at freed memory.
    int32_t id = BaseObject__Find_Object(OBJECT_KIND_CONFIGURATION, list);
    if (id >= 0)
        BaseObject__Delete(id);
    else
        BaseObject__Delete_by_Name(list->name);
    FORGET_STRING(list->name);
    QUARN_FREE(list);
}

void Quit_Property_List(PropertyList *list)
{
    if (!list) return;
    if (!list->is_mutable) {
        sim_warning(2, "Attempt to remove immutable plist object %s", list->name);
        return;
    }
    if (quarn_common.interpreter) Tcl_DeleteCommand(quarn_common.interpreter, list->name);
    PropertyList__Delete(list);
}

void Delete_All_Property_Lists(void)
{
    while (Quarn_PropertyList_List)
        PropertyList__Delete(Quarn_PropertyList_List);
}

void PropertyList__Print(PropertyList *list)
{
    if (!list) return;
    SIM_PRINT("%s:\n", list->name);
    for (ConfigEntry *e = list->entries; e; e = e->next) {
        if (e->description)
            SIM_PRINT("    %s = %s  (%s)\n", e->key, e->value ? e->value : "(null)", e->description);
        else
            SIM_PRINT("    %s = %s\n", e->key, e->value ? e->value : "(null)");
    }
}

void PropertyList__Print_Unused_Values(PropertyList *) {}

void Kolm_Cache_Create_Default_Property_List(void) {}

// ---- values ----

ConfigEntry *PropertyList__FindEntry(PropertyList *list, const char *key)
{
    if (!list || !key) return nullptr;
    for (ConfigEntry *e = list->entries; e; e = e->next) {
        int c = key_compare(e->key, key);
        if (c == 0) return e;
        if (c > 0) break;
    }
    return nullptr;
}

const char *PropertyList__GetString(PropertyList *list, const char *key)
{
    ConfigEntry *entry = PropertyList__FindEntry(list, key);
    if (!entry) return nullptr;
    entry->used = 1;
    return entry->value;
}

ConfigEntry *PropertyList__UpdatePropertyValue(PropertyList *list, const char *key, const char *value,
                                               const char *description, int create)
{
    if (!list || !key) return nullptr;
    if (!list->is_mutable) {
        sim_warning(1, "1: Attempt to modify immutable plist object %s", list->name);
        return nullptr;
    }
    if (ConfigEntry *entry = PropertyList__FindEntry(list, key)) {
        char *copy = value ? REMEMBER_STRING(value) : nullptr;
        if (entry->value) FORGET_STRING(entry->value);
        entry->value = copy;
        entry->visible = 1;
        if (!entry->description && description) entry->description = REMEMBER_STRING(description);
        return entry;
    }
    if (!create) {
        sim_warning(2, "Attempt to update an unknown value %s in object %s", key, list->name);
        return nullptr;
    }
    ConfigEntry *entry = QUARN_ZALLOC(1, ConfigEntry);
    entry->key = REMEMBER_STRING(key);
    entry->value = value ? REMEMBER_STRING(value) : nullptr;
    entry->description = description ? REMEMBER_STRING(description) : nullptr;
    entry->used = 0;
    entry->visible = 1;
    ConfigEntry **link = &list->entries;
    while (*link && key_compare((*link)->key, key) <= 0)
        link = &(*link)->next;
    entry->next = *link;
    *link = entry;
    return entry;
}

ConfigEntry *PropertyList__AddDefaultString(PropertyList *list, const char *section, const char *name,
                                            const char *value, const char *description)
{
    if (!value) return nullptr;
    ComposedKey key(section, name);
    ConfigEntry *entry = PropertyList__UpdatePropertyValue(list, key.text, value, description, 1);
    if (entry) entry->visible = 0;
    return entry;
}

ConfigEntry *PropertyList__AddDefaultString_Public(PropertyList *list, const char *section, const char *name,
                                                   const char *value, const char *description)
{
    ConfigEntry *entry = PropertyList__AddDefaultString(list, section, name, value, description);
    if (entry) entry->visible = 1;
    return entry;
}

ConfigEntry *Add_Visible_Default_Value(PropertyList *list, const char *section, const char *name,
                                       const char *value, const char *description)
{
    return PropertyList__AddDefaultString_Public(list, section, name, value, description);
}

ConfigEntry *Add_Hidden_Default_Value(PropertyList *list, const char *section, const char *name,
                                      const char *value, const char *description)
{
    return PropertyList__AddDefaultString(list, section, name, value, description);
}

ConfigEntry *PropertyList__AddDefaultBoolean(PropertyList *list, const char *section, const char *name,
                                             int flag, const char *description)
{
    return PropertyList__AddDefaultString(list, section, name, flag ? "TRUE" : "FALSE", description);
}

ConfigEntry *PropertyList__AddDefaultInt(PropertyList *list, const char *section, const char *name,
                                         uint64_t value, const char *description)
{
    char text[32];
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)value);
    return PropertyList__AddDefaultString(list, section, name, text, description);
}

ConfigEntry *PropertyList__UpdateValue_PA(PropertyList *list, const char *section, const char *name,
                                          uint64_t value)
{
    char key[256], text[32];
    snprintf(key, sizeof key, "%s/%s", section ? section : "", name ? name : "");
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)value);
    return PropertyList__UpdatePropertyValue(list, key, text, nullptr, 0);
}

ConfigEntry *PropertyList__UpdateValue_Boolean(PropertyList *list, const char *section, const char *name,
                                               int flag)
{
    char key[256];
    snprintf(key, sizeof key, "%s/%s", section ? section : "", name ? name : "");
    return PropertyList__UpdatePropertyValue(list, key, flag ? "true" : "false", nullptr, 0);
}

void PropertyList__Set_Visible_Value(PropertyList *list, const char *section, const char *name)
{
    set_visible(list, ComposedKey(section, name).text, 1);
}

void PropertyList__Show_In_Public_Release(PropertyList *list, const char *section, const char *name)
{
    PropertyList__Set_Visible_Value(list, section, name);
}

void PropertyList__Set_Hidden_Value(PropertyList *list, const char *section, const char *name)
{
    set_visible(list, ComposedKey(section, name).text, 0);
}

void PropertyList__Hide_In_Public_Release(PropertyList *list, const char *section, const char *name)
{
    PropertyList__Set_Hidden_Value(list, section, name);
}

void PropertyList__Set_Hidden_Value_Match(PropertyList *list, const char *section, const char *part)
{
    if (!list || !section || !*section) return;
    size_t n = strlen(section);
    for (ConfigEntry *e = list->entries; e; e = e->next) {
        if (strncasecmp(e->key, section, n) != 0 || e->key[n] != '/') continue;
        if (part && !strcasestr(e->key, part)) continue;
        e->visible = 0;
    }
}

void PropertyList__DeleteValue(PropertyList *list, const char *key)
{
    if (!list || !key) return;
    if (!list->is_mutable) {
        sim_warning(2, "2: Attempt to modify immutable plist object %s", list->name);
        return;
    }
    if (!list->entries) {
        sim_warning(2, "Attempt to delete from empty plist object %s", list->name);
        return;
    }
    for (ConfigEntry **link = &list->entries; *link; link = &(*link)->next) {
        if (key_compare((*link)->key, key) == 0) {
            ConfigEntry *entry = *link;
            *link = entry->next;
            free_entry(entry);
            return;
        }
    }
    sim_warning(2, "can not find %s to delete from %s", key, list->name);
}

ConfigEntry *PropertyList__FindRoot(PropertyList *list, const char *name)
{
    if (!list || !name) return nullptr;
    size_t name_length = strlen(name);
    for (ConfigEntry *e = list->entries; e; e = e->next) {
        // The key up to its last '/', or the name's length when that is longer.
        const char *slash = strrchr(e->key, '/');
        size_t length = slash ? (size_t)(slash - e->key) : 0;
        if (length < name_length) length = name_length;
        if (strncasecmp(e->key, name, length) == 0) return e;
        if (key_compare(e->key, name) > 0) break;
    }
    return nullptr;
}

// ---- parsers ----

namespace
{

// strtoull in base 0; false when no number could be read or it does not fit 64 bits.
bool read_number(const char *text, uint64_t *value, const char **end)
{
    char *stop = nullptr;
    errno = 0;
    *value = strtoull(text, &stop, 0);
    *end = stop;
    return errno != ERANGE;
}

uint64_t string_to_int(const char *text, int *ok, bool report)
{
    int dummy;
    if (!ok) ok = &dummy;
    *ok = 0;
    if (!text) return 0;
    uint64_t value;
    const char *rest;
    if (read_number(text, &value, &rest)) {
        while (*rest == ' ' || *rest == '\t')
            rest++;
        if (strcmp(rest, "ull") == 0 || strcmp(rest, "ULL") == 0) rest += 3;
        if (*rest == '\0') {
            *ok = 1;
            return value;
        }
    }
    if (report) sim_warning(2, "Bad int argument value: %s", text);
    return 0;
}

} // namespace

uint64_t STRING2INT_rc(const char *text, int *ok)
{
    return string_to_int(text, ok, true);
}

uint64_t STRING2INT_rc_silent(const char *text, int *ok)
{
    return string_to_int(text, ok, false);
}

uint64_t STRING2PA_rc(const char *text, int *ok)
{
    int dummy;
    if (!ok) ok = &dummy;
    *ok = 0;
    if (!text) return 0;
    uint64_t value;
    const char *rest;
    if (read_number(text, &value, &rest) && *rest == '\0') {
        *ok = 1;
        return value;
    }
    sim_warning(2, "Bad physical address argument value: %s", text);
    return 0;
}

uint64_t STRING2SCALED_INT_rc(const char *text, int *ok, uint64_t base)
{
    int dummy;
    if (!ok) ok = &dummy;
    *ok = 0;
    if (!text) return 0;
    uint64_t value;
    const char *rest;
    bool good = read_number(text, &value, &rest);
    for (; good && *rest; rest++) {
        int power;
        switch (*rest | 0x20) {
        case 'k':
            power = 1;
            break;
        case 'm':
            power = 2;
            break;
        case 'g':
            power = 3;
            break;
        case 't':
            power = 4;
            break;
        case 'p':
            power = 5;
            break;
        default:
            power = 0;
            break;
        }
        if (power == 0) {
            good = false;
            break;
        }
        // A size that does not fit 64 bits is refused rather than wrapped.
        for (int i = 0; i < power && good; i++)
            good = !__builtin_mul_overflow(value, base, &value);
    }
    if (!good) {
        sim_warning(2, "Bad scaled argument value: %s", text);
        return 0;
    }
    *ok = 1;
    return value;
}

int STRING2BOOLEAN_rc(const char *text, int *ok)
{
    int dummy;
    if (!ok) ok = &dummy;
    *ok = 0;
    if (!text) return 0;
    int flag = 0;
    // No interpreter is passed: a word that is no boolean must not leave Tcl's message in the
    // result of the command that is reading it.
    if (Tcl_GetBoolean(nullptr, text, &flag) != TCL_OK) return 0;
    *ok = 1;
    return flag ? 1 : 0;
}
