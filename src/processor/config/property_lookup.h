// Typed configuration lookups per chip and per processor: a key is looked up behind
// "CPU/<core>/", then behind "MCM/<chip>/", then plain, and converted to a boolean, an id of an
// {id, name} table, a cache replacement mode or a scaled integer, with defaults and (silent)
// warnings for bad values.
#pragma once

#include <cstdint>

#include "runtime/utils.h"

struct MCM;
struct ProcessorState;
struct PropertyList;

// Cache replacement modes of the cache models.
enum e_cs_ReplaceMode : int32_t {
    CS_REPLACE_LRU = 0,
    CS_REPLACE_FIFO = 1,
    CS_REPLACE_PSEUDO_LRU = 2,
};

const char *get_mcm_plist_string(MCM *chip, PropertyList *list, const char *key);
const char *get_cpu_plist_string(ProcessorState *core, PropertyList *list, const char *key);
const char *PropertyList__GetString_Warn(PropertyList *list, const char *key);

int convert_plist_boolean(const char *key, const char *text, int *flag);
int get_mcm_plist_boolean_rc(MCM *chip, PropertyList *list, const char *key, int *flag);
int get_mcm_plist_boolean(MCM *chip, PropertyList *list, const char *key);
int get_cpu_plist_boolean(ProcessorState *core, PropertyList *list, const char *key);
int PropertyList__GetBoolean(PropertyList *list, const char *key);

int convert_plist_name2id(const char *key, const char *text, const IDNamePair *table, int32_t *id);
int32_t get_cpu_plist_name2id(ProcessorState *core, PropertyList *list, const char *key,
                              const IDNamePair *table);
int32_t get_plist_name2id(PropertyList *list, const char *key, const IDNamePair *table);

int convert_plist_e_cs_ReplaceMode(const char *key, const char *text, e_cs_ReplaceMode *mode);
int get_mcm_plist_cs_ReplaceMode_rc(MCM *chip, PropertyList *list, const char *key, e_cs_ReplaceMode *mode);
e_cs_ReplaceMode get_mcm_plist_cs_ReplaceMode(MCM *chip, PropertyList *list, const char *key);

int convert_plist_scaled_int(const char *key, const char *text, uint64_t base, uint64_t *value);
int get_mcm_plist_scaled_int_rc(MCM *chip, PropertyList *list, const char *key, uint64_t base,
                                uint64_t *value);
uint64_t get_mcm_plist_scaled_int_wd(MCM *chip, PropertyList *list, const char *key, uint64_t base,
                                     uint64_t default_value);
uint64_t get_mcm_plist_scaled_int(MCM *chip, PropertyList *list, const char *key, uint64_t base);
uint64_t get_plist_scaled_int(PropertyList *list, const char *key, uint64_t base);
