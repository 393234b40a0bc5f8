// Typed configuration lookups per chip and per processor.
#include "processor/config/property_lookup.h"

#include <cstdio>
#include <strings.h>

#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

const char *get_mcm_plist_string(MCM *chip, PropertyList *list, const char *key)
{
    if (!key) return nullptr;
    if (chip) {
        char qualified[256];
        snprintf(qualified, sizeof qualified, "MCM/%d/%s", chip->number, key);
        if (const char *value = PropertyList__GetString(list, qualified)) return value;
    }
    return PropertyList__GetString(list, key);
}

const char *get_cpu_plist_string(ProcessorState *core, PropertyList *list, const char *key)
{
    if (!key) return nullptr;
    const char *value = nullptr;
    if (core) {
        char qualified[256];
        snprintf(qualified, sizeof qualified, "CPU/%u/%s", core->core_id, key);
        value = PropertyList__GetString(list, qualified);
    }
    if (!value) value = get_mcm_plist_string(core ? core->mcm : nullptr, list, key);
    if (!value) sim_warning(2, "cannot find a plist object value for %s", key);
    return value;
}

const char *PropertyList__GetString_Warn(PropertyList *list, const char *key)
{
    const char *value = PropertyList__GetString(list, key);
    if (!very_quiet_mode) {
        if (!value)
            sim_warning(2, "No plist value found for %s", key);
        else if (!*value)
            sim_warning(2, "NULL plist value found for %s", key);
    }
    return value;
}

// ---- booleans ----

int convert_plist_boolean(const char *key, const char *text, int *flag)
{
    if (!text) return 0;
    static const char *const true_words[] = {"on", "1", "yes", "true"};
    static const char *const false_words[] = {"off", "0", "no", "false"};
    for (const char *word : true_words) {
        if (strcasecmp(text, word) == 0) {
            *flag = 1;
            return 1;
        }
    }
    for (const char *word : false_words) {
        if (strcasecmp(text, word) == 0) {
            *flag = 0;
            return 1;
        }
    }
    sim_warning(2, "property list %s has bad boolean value %s", key, text);
    return 0;
}

int get_mcm_plist_boolean_rc(MCM *chip, PropertyList *list, const char *key, int *flag)
{
    return convert_plist_boolean(key, get_mcm_plist_string(chip, list, key), flag);
}

int get_mcm_plist_boolean(MCM *chip, PropertyList *list, const char *key)
{
    int flag = 0;
    get_mcm_plist_boolean_rc(chip, list, key, &flag);
    return flag;
}

int get_cpu_plist_boolean(ProcessorState *core, PropertyList *list, const char *key)
{
    int flag = 0;
    convert_plist_boolean(key, get_cpu_plist_string(core, list, key), &flag);
    return flag;
}

int PropertyList__GetBoolean(PropertyList *list, const char *key)
{
    int flag = 0;
    convert_plist_boolean(key, PropertyList__GetString(list, key), &flag);
    return flag;
}

// ---- names to ids ----

int convert_plist_name2id(const char *key, const char *text, const IDNamePair *table, int32_t *id)
{
    if (!text) return 0;
    int32_t found = Name2ID(table, text);
    if (found < 0) {
        sim_warning(2, "property list %s has a bad value %s", key, text);
        return 0;
    }
    *id = found;
    return 1;
}

int32_t get_cpu_plist_name2id(ProcessorState *core, PropertyList *list, const char *key,
                              const IDNamePair *table)
{
    int32_t id = -1;
    convert_plist_name2id(key, get_cpu_plist_string(core, list, key), table, &id);
    return id;
}

int32_t get_plist_name2id(PropertyList *list, const char *key, const IDNamePair *table)
{
    int32_t id = -1;
    convert_plist_name2id(key, PropertyList__GetString(list, key), table, &id);
    return id;
}

// ---- cache replacement modes ----

int convert_plist_e_cs_ReplaceMode(const char *key, const char *text, e_cs_ReplaceMode *mode)
{
    if (!text) return 0;
    if (strcasecmp(text, "lru") == 0 || strcasecmp(text, "perfect_lru") == 0)
        *mode = CS_REPLACE_LRU;
    else if (strcasecmp(text, "fifo") == 0)
        *mode = CS_REPLACE_FIFO;
    else if (strcasecmp(text, "pseudo_lru") == 0)
        *mode = CS_REPLACE_PSEUDO_LRU;
    else {
        sim_warning(2, "property list %s has bad cache replacement mode value %s", key, text);
        return 0;
    }
    return 1;
}

int get_mcm_plist_cs_ReplaceMode_rc(MCM *chip, PropertyList *list, const char *key, e_cs_ReplaceMode *mode)
{
    return convert_plist_e_cs_ReplaceMode(key, get_mcm_plist_string(chip, list, key), mode);
}

e_cs_ReplaceMode get_mcm_plist_cs_ReplaceMode(MCM *chip, PropertyList *list, const char *key)
{
    e_cs_ReplaceMode mode = CS_REPLACE_LRU;
    get_mcm_plist_cs_ReplaceMode_rc(chip, list, key, &mode);
    return mode;
}

// ---- scaled integers ----

int convert_plist_scaled_int(const char *key, const char *text, uint64_t base, uint64_t *value)
{
    if (!text) return 0;
    int ok = 0;
    uint64_t v = STRING2SCALED_INT_rc(text, &ok, base);
    if (!ok) {
        sim_warning(2, "4: property list %s has bad integer value %s", key, text);
        return 0;
    }
    *value = v;
    return 1;
}

int get_mcm_plist_scaled_int_rc(MCM *chip, PropertyList *list, const char *key, uint64_t base,
                                uint64_t *value)
{
    return convert_plist_scaled_int(key, get_mcm_plist_string(chip, list, key), base, value);
}

uint64_t get_mcm_plist_scaled_int_wd(MCM *chip, PropertyList *list, const char *key, uint64_t base,
                                     uint64_t default_value)
{
    uint64_t value = default_value;
    get_mcm_plist_scaled_int_rc(chip, list, key, base, &value);
    return value;
}

uint64_t get_mcm_plist_scaled_int(MCM *chip, PropertyList *list, const char *key, uint64_t base)
{
    return get_mcm_plist_scaled_int_wd(chip, list, key, base, 0);
}

uint64_t get_plist_scaled_int(PropertyList *list, const char *key, uint64_t base)
{
    uint64_t value = 0;
    convert_plist_scaled_int(key, PropertyList__GetString(list, key), base, &value);
    return value;
}
