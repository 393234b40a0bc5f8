// Processor-specific default values: for every configuration key whose default depends on the
// processor type, one default text for every type and optional texts for named types. Filled
// once at start-up (Init_PSV_Table) and read when the defaults of a configuration are built.
#pragma once

#include <cstdint>

struct PropertyList;

struct PSV_specific_entry {
    PSV_specific_entry *next;
    const char *processor_type; // referenced, not copied
    const char *value;          // referenced, not copied
};

struct PSV_entry {
    PSV_entry *next;                     // toward the first registered key
    const char *key;                     // referenced, not copied; compared without regard to case
    const char *default_value;           // null when the key was only registered for named types
    PSV_specific_entry *specific_values; // newest first
    int32_t public_mark;                 // 1 when the latest registration was Add_PSV_Table_Public
};

// All keys, the most recently created first.
extern PSV_entry *PSV_List;

// Registration keeps the texts it is given: they must live as long as the program.
void Add_PSV_Table(const char *type, const char *key, const char *value);
void Add_PSV_Table_Public(const char *type, const char *key, const char *value);
// The value of a key for a processor type (none: the default); an unknown key gives "0".
const char *Search_PSV_Value(const char *type, const char *key);
// Adds every key as a hidden default for the list's "processor/type", under "prefix/key"
// when the prefix is not empty.
void PSV_Add_Default_Values(PropertyList *list, const char *prefix);

void Init_PSV_Table(void);
void Init_GLENT_PSV_Values(const char *type);
void Init_morlet_PSV_Values(void);
void Init_pirsk_PSV_Values(void);
void Init_meridu_PSV_Values(const char *type);
