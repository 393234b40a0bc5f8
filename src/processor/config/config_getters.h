// Typed configuration getters. The indexed getters look a name up under a prefix and an
// index: "prefix/n/name", then the redirect "prefix/n/dup" (repeat with that index), then
// "prefix/name"; the chip and processor getters use the lookups of property_lookup.h. Every
// getter treats a missing key and a bad text alike and returns its default; bad texts only
// reach the (silent) warning call.
#pragma once

#include <cstdint>

#include "runtime/utils.h"

struct FreqSpec;
struct MCM;
struct ProcessorState;
struct PropertyList;

// Converters: 1 and the value when the text converts, else 0 with the value untouched.
int convert_plist_int(const char *key, const char *text, uint64_t *result);
int convert_plist_Cycle(const char *key, const char *text, uint64_t *result);
int convert_plist_Tick(const char *key, const char *text, uint64_t *result);
int convert_plist_float(const char *key, const char *text, double *result);
int convert_plist_PA(const char *key, const char *text, uint64_t *result);

// Indexed getters (an index below 0 skips the indexed forms; prefix and name may be null).
const char *get_plist_string(PropertyList *list, const char *prefix, int32_t index, const char *name);
uint64_t get_plist_int(PropertyList *list, const char *prefix, int32_t index, const char *name);
uint64_t get_plist_int_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                          uint64_t default_value);
uint64_t get_plist_scaled_int_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                                 uint64_t base, uint64_t default_value);
double get_plist_float_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                          double default_value);
int get_plist_frequency(PropertyList *list, const char *prefix, int32_t index, const char *name,
                        FreqSpec *spec);
int get_plist_frequency_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                           FreqSpec *spec, const char *default_text);
int32_t get_plist_enum(PropertyList *list, const char *prefix, int32_t index, const char *name,
                       const IDNamePair *table);
int32_t get_plist_enum_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                          const IDNamePair *table, int32_t default_value);
int get_plist_boolean(PropertyList *list, const char *prefix, int32_t index, const char *name);
int get_plist_bit(PropertyList *list, const char *prefix, int32_t index, const char *name);
int get_plist_bit_wd(PropertyList *list, const char *prefix, int32_t index, const char *name,
                     int default_value);
const char *ROM_file_name(PropertyList *list, const char *prefix, int32_t index);

// Plain-key getters.
double get_plist_float(PropertyList *list, const char *key);
uint64_t PropertyList__GetUint64(PropertyList *list, const char *key);
uint64_t Default_PVR_Value(ProcessorState *processor, PropertyList *list);
int PropertyList__GetU64Pair(PropertyList *list, const char *key1, uint64_t *value1, const char *key2,
                             uint64_t *value2);

// Chip ("MCM/<chip>/key", then the key) and processor getters.
uint64_t get_mcm_plist_int(MCM *chip, PropertyList *list, const char *key);
int32_t get_mcm_plist_int_wd(MCM *chip, PropertyList *list, const char *key, int32_t default_value);
int get_mcm_plist_int_rc(MCM *chip, PropertyList *list, const char *key, int32_t *value);
int get_conditional_mcm_property_int_rc(MCM *chip, PropertyList *list, const char *key, int32_t *value);
int get_conditional_mcm_property_uint64_t_rc(MCM *chip, PropertyList *list, const char *key, uint64_t *value);
int get_conditional_mcm_property_Cycle_rc(MCM *chip, PropertyList *list, const char *key, uint64_t *value);
int get_conditional_mcm_property_Tick_rc(MCM *chip, PropertyList *list, const char *key, uint64_t *value);
int get_mcm_plist_float_rc(MCM *chip, PropertyList *list, const char *key, double *value);
uint64_t get_cpu_plist_int(ProcessorState *core, PropertyList *list, const char *key);

// Lets timing-model unit n share another unit's configuration record: the unit its "dup" names
// (an earlier one; a later one is a fatal internal error, n itself reads normally), else unit 0
// when n >= 1 has no "configured" key. 1 when units[n] was set, 0 otherwise.
int copy_configuration_data_from_another_unit(void **units, PropertyList *list, const char *prefix, int32_t n);
