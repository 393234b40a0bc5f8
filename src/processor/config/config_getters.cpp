// Typed configuration getters.
#include "processor/config/config_getters.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "processor/config/property_lookup.h"
#include "processor/records/generic_machine.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

// ---- converters ----

namespace
{

int convert_integer(const char *key, const char *text, uint64_t *result, const char *warning)
{
    if (!text) return 0;
    int ok = 0;
    uint64_t value = STRING2INT_rc(text, &ok);
    if (!ok) {
        sim_warning(2, warning, key, text);
        return 0;
    }
    *result = value;
    return 1;
}

// Ratios are ratios of the base domain of the machine being configured (the current machine).
time_domain *machine_base_domain(void)
{
    return currentMachine ? currentMachine->base_domain : nullptr;
}

} // namespace

int convert_plist_int(const char *key, const char *text, uint64_t *result)
{
    return convert_integer(key, text, result, "1: property list %s has bad integer value %s");
}

int convert_plist_Tick(const char *key, const char *text, uint64_t *result)
{
    return convert_integer(key, text, result, "2: property list %s has bad integer value %s");
}

int convert_plist_Cycle(const char *key, const char *text, uint64_t *result)
{
    return convert_integer(key, text, result, "3: property list %s has bad integer value %s");
}

int convert_plist_float(const char *key, const char *text, double *result)
{
    if (!text) return 0;
    char *end = nullptr;
    errno = 0;
    double value = strtod(text, &end);
    if (end == text || *end != '\0') {
        sim_warning(2, "property list %s has bad floating value %s", key, text);
        return 0;
    }
    *result = value;
    return 1;
}

int convert_plist_PA(const char *key, const char *text, uint64_t *result)
{
    if (!text) return 0;
    int ok = 0;
    uint64_t value = STRING2PA_rc(text, &ok);
    if (!ok) {
        sim_warning(2, "property list %s has bad physical address value %s", key, text);
        return 0;
    }
    *result = value;
    return 1;
}

// ---- indexed getters ----

namespace
{

// The indices a lookup has passed through its dup redirects, innermost last.
struct Visited {
    int32_t index;
    const Visited *outer;
    bool contains(int32_t n) const
    {
        for (const Visited *v = this; v; v = v->outer)
            if (v->index == n) return true;
        return false;
    }
};

// Formats a key; false when it does not fit (such a key can find nothing).
template <typename... Args> bool make_key(char (&key)[256], const char *format, Args... args)
{
    int n = snprintf(key, sizeof key, format, args...);
    return n >= 0 && (size_t)n < sizeof key;
}

const char *lookup_indexed(PropertyList *list, const char *prefix, int32_t index, const char *name,
                           const Visited *outer)
{
    char key[256];
    if (index >= 0) {
        if (prefix) {
            bool fits = name ? make_key(key, "%s/%d/%s", prefix, index, name) : make_key(key, "%s/%d", prefix, index);
            if (fits)
                if (const char *value = PropertyList__GetString(list, key)) return value;
        }
        bool fits = prefix ? make_key(key, "%s/%d/dup", prefix, index) : make_key(key, "%d/dup", index);
        const char *dup = fits ? PropertyList__GetString(list, key) : nullptr;
        int ok = 0;
        uint64_t target = dup ? STRING2INT_rc(dup, &ok) : 0;
        // A redirect back to an index already on the way would never end: it finds nothing.
        Visited here{index, outer};
        if (ok && !here.contains((int32_t)target)) {
            if (const char *value = lookup_indexed(list, prefix, (int32_t)target, name, &here)) return value;
        }
    }
    bool fits;
    if (prefix && name)
        fits = make_key(key, "%s/%s", prefix, name);
    else if (prefix)
        fits = make_key(key, "%s", prefix);
    else if (name)
        fits = make_key(key, "%s", name);
    else
        return nullptr;
    return fits ? PropertyList__GetString(list, key) : nullptr;
}

// The text of the indexed lookup and the composed name for messages.
struct Indexed {
    const char *text;
    char label[256];
    Indexed(PropertyList *list, const char *prefix, int32_t index, const char *name)
    {
        text = get_plist_string(list, prefix, index, name);
        if (prefix && name)
            snprintf(label, sizeof label, "%s/%s", prefix, name);
        else
            snprintf(label, sizeof label, "%s", prefix ? prefix : name ? name : "");
    }
};

} // namespace

const char *get_plist_string(PropertyList *list, const char *prefix, int32_t index, const char *name)
{
    return lookup_indexed(list, prefix, index, name, nullptr);
}

uint64_t get_plist_int(PropertyList *list, const char *prefix, int32_t index, const char *name)
{
    return get_plist_int_wd(list, prefix, index, name, 0);
}

uint64_t get_plist_int_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                          uint64_t default_value)
{
    Indexed found(list, prefix, index, name);
    uint64_t value = default_value;
    convert_plist_int(found.label, found.text, &value);
    return value;
}

uint64_t get_plist_scaled_int_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                                 uint64_t base, uint64_t default_value)
{
    Indexed found(list, prefix, index, name);
    uint64_t value = default_value;
    convert_plist_scaled_int(found.label, found.text, base, &value);
    return value;
}

double get_plist_float_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                          double default_value)
{
    Indexed found(list, prefix, index, name);
    double value = default_value;
    convert_plist_float(found.label, found.text, &value);
    return value;
}

int get_plist_frequency(PropertyList *list, const char *prefix, int32_t index, const char *name,
                        FreqSpec *spec)
{
    Indexed found(list, prefix, index, name);
    return convert_plist_frequency(machine_base_domain(), found.label, found.text, spec);
}

int get_plist_frequency_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                           FreqSpec *spec, const char *default_text)
{
    if (get_plist_frequency(list, prefix, index, name, spec)) return 1;
    return convert_plist_frequency(machine_base_domain(), name ? name : prefix, default_text, spec);
}

int32_t get_plist_enum(PropertyList *list, const char *prefix, int32_t index, const char *name,
                       const IDNamePair *table)
{
    return get_plist_enum_wd(list, prefix, index, name, table, 0);
}

int32_t get_plist_enum_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                          const IDNamePair *table, int32_t default_value)
{
    Indexed found(list, prefix, index, name);
    int32_t value = default_value;
    convert_plist_name2id(found.label, found.text, table, &value);
    return value;
}

int get_plist_boolean(PropertyList *list, const char *prefix, int32_t index, const char *name)
{
    return get_plist_bit_wd(list, prefix, index, name, 0);
}

int get_plist_bit(PropertyList *list, const char *prefix, int32_t index, const char *name)
{
    return get_plist_bit_wd(list, prefix, index, name, 0);
}

int get_plist_bit_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                     int default_value)
{
    Indexed found(list, prefix, index, name);
    int flag = default_value ? 1 : 0;
    convert_plist_boolean(found.label, found.text, &flag);
    return flag ? 1 : 0;
}

const char *ROM_file_name(PropertyList *list, const char *prefix, int32_t index)
{
    if (const char *name = get_plist_string(list, prefix, index, "ROM/file_name")) return name;
    return get_plist_string(list, prefix, index, "ROM_file");
}

// ---- plain-key getters ----

double get_plist_float(PropertyList *list, const char *key)
{
    double value = 0.0;
    convert_plist_float(key, PropertyList__GetString(list, key), &value);
    return value;
}

uint64_t PropertyList__GetUint64(PropertyList *list, const char *key)
{
    uint64_t value = 0;
    convert_plist_int(key, PropertyList__GetString(list, key), &value);
    return value;
}

uint64_t Default_PVR_Value(ProcessorState *, PropertyList *list)
{
    return PropertyList__GetUint64(list, "processor/initial/PVR");
}

int PropertyList__GetU64Pair(PropertyList *list, const char *key1, uint64_t *value1, const char *key2,
                             uint64_t *value2)
{
    const char *text1 = PropertyList__GetString(list, key1);
    const char *text2 = PropertyList__GetString(list, key2);
    if (text1 && text2) {
        *value1 = 0;
        *value2 = 0;
        return convert_plist_int(key1, text1, value1) && convert_plist_int(key2, text2, value2);
    }
    if (text1 || text2)
        sim_warning(2, "Need both %s (%s) and %s (%s)", key1, text1 ? text1 : "(null)", key2,
                    text2 ? text2 : "(null)");
    return 0;
}

// ---- chip and processor getters ----

uint64_t get_mcm_plist_int(MCM *chip, PropertyList *list, const char *key)
{
    uint64_t value = 0;
    convert_plist_int(key, get_mcm_plist_string(chip, list, key), &value);
    return value;
}

int32_t get_mcm_plist_int_wd(MCM *chip, PropertyList *list, const char *key, int32_t default_value)
{
    int32_t value = default_value;
    get_mcm_plist_int_rc(chip, list, key, &value);
    return value;
}

int get_mcm_plist_int_rc(MCM *chip, PropertyList *list, const char *key, int32_t *value)
{
    uint64_t wide = 0;
    if (!convert_plist_int(key, get_mcm_plist_string(chip, list, key), &wide)) return 0;
    *value = (int32_t)wide;
    return 1;
}

int get_conditional_mcm_property_int_rc(MCM *chip, PropertyList *list, const char *key, int32_t *value)
{
    return get_mcm_plist_int_rc(chip, list, key, value);
}

int get_conditional_mcm_property_uint64_t_rc(MCM *chip, PropertyList *list, const char *key, uint64_t *value)
{
    return convert_plist_int(key, get_mcm_plist_string(chip, list, key), value);
}

int get_conditional_mcm_property_Cycle_rc(MCM *chip, PropertyList *list, const char *key, uint64_t *value)
{
    return convert_plist_Cycle(key, get_mcm_plist_string(chip, list, key), value);
}

int get_conditional_mcm_property_Tick_rc(MCM *chip, PropertyList *list, const char *key, uint64_t *value)
{
    return convert_plist_Tick(key, get_mcm_plist_string(chip, list, key), value);
}

int get_mcm_plist_float_rc(MCM *chip, PropertyList *list, const char *key, double *value)
{
    return convert_plist_float(key, get_mcm_plist_string(chip, list, key), value);
}

uint64_t get_cpu_plist_int(ProcessorState *core, PropertyList *list, const char *key)
{
    uint64_t value = 0;
    convert_plist_int(key, get_cpu_plist_string(core, list, key), &value);
    return value;
}

// ---- units sharing a configuration ----

int copy_configuration_data_from_another_unit(void **units, PropertyList *list, const char *prefix, int32_t n)
{
    if (n >= 0 && get_plist_string(list, prefix, n, "dup")) {
        uint64_t d = get_plist_int(list, prefix, n, "dup");
        if (d > (uint64_t)n) sim_panic("Cannot dup a later config");
        if (d == (uint64_t)n) return 0;
        units[n] = units[d];
        return 1;
    }
    char key[256];
    int length;
    if (!prefix)
        length = snprintf(key, sizeof key, "configured");
    else if (n < 0)
        length = snprintf(key, sizeof key, "%s/configured", prefix);
    else
        length = snprintf(key, sizeof key, "%s/%d/configured", prefix, n);
    bool configured = length >= 0 && (size_t)length < sizeof key && PropertyList__GetString(list, key);
    if (configured || n < 1) return 0;
    units[n] = units[0];
    return 1;
}
