// Property lists, the configuration store: named lists of text values under slash-separated
// keys (compared without regard to case), each with a description and a visibility flag; the
// global list of all property lists; and the parsers that turn value texts into numbers.
#pragma once

#include <cstdint>

struct ConfigEntry {
    ConfigEntry *next;
    char *key;         // full key, e.g. "processor/type"
    char *value;       // the value text (may be null)
    int32_t used;      // 1 once read through PropertyList__GetString
    int32_t visible;   // 1 public, 0 hidden from public listings
    char *description; // help text or null
};

struct PropertyList {
    PropertyList *next;   // next list of Quarn_PropertyList_List
    char *name;           // also the object-registry name and the Tcl command name
    int32_t is_mutable;   // 1 at creation, 0 once made immutable
    ConfigEntry *entries; // sorted by key, case-insensitively ascending
};

// All property lists, sorted by name case-insensitively.
extern PropertyList *Quarn_PropertyList_List;

// Lists.
PropertyList *PropertyList__New(const char *name);
PropertyList *Find_PropertyList_By_Name(const char *name);
void PropertyList__Set_Immutable(PropertyList *list);
void PropertyList__Delete(PropertyList *list);
void Quit_Property_List(PropertyList *list);
void Delete_All_Property_Lists(void);
void PropertyList__Print(PropertyList *list);
void PropertyList__Print_Unused_Values(PropertyList *list);
void Kolm_Cache_Create_Default_Property_List(void);

// Values.
ConfigEntry *PropertyList__FindEntry(PropertyList *list, const char *key);
const char *PropertyList__GetString(PropertyList *list, const char *key);
ConfigEntry *PropertyList__UpdatePropertyValue(PropertyList *list, const char *key, const char *value,
                                               const char *description, int create);
ConfigEntry *PropertyList__AddDefaultString(PropertyList *list, const char *section, const char *name,
                                            const char *value, const char *description);
ConfigEntry *PropertyList__AddDefaultString_Public(PropertyList *list, const char *section, const char *name,
                                                   const char *value, const char *description);
ConfigEntry *Add_Visible_Default_Value(PropertyList *list, const char *section, const char *name,
                                       const char *value, const char *description);
ConfigEntry *Add_Hidden_Default_Value(PropertyList *list, const char *section, const char *name,
                                      const char *value, const char *description);
ConfigEntry *PropertyList__AddDefaultBoolean(PropertyList *list, const char *section, const char *name,
                                             int flag, const char *description);
ConfigEntry *PropertyList__AddDefaultInt(PropertyList *list, const char *section, const char *name,
                                         uint64_t value, const char *description);
ConfigEntry *PropertyList__UpdateValue_PA(PropertyList *list, const char *section, const char *name,
                                          uint64_t value);
ConfigEntry *PropertyList__UpdateValue_Boolean(PropertyList *list, const char *section, const char *name,
                                               int flag);
void PropertyList__Set_Visible_Value(PropertyList *list, const char *section, const char *name);
void PropertyList__Show_In_Public_Release(PropertyList *list, const char *section, const char *name);
void PropertyList__Set_Hidden_Value(PropertyList *list, const char *section, const char *name);
void PropertyList__Hide_In_Public_Release(PropertyList *list, const char *section, const char *name);
void PropertyList__Set_Hidden_Value_Match(PropertyList *list, const char *section, const char *part);
void PropertyList__DeleteValue(PropertyList *list, const char *key);
ConfigEntry *PropertyList__FindRoot(PropertyList *list, const char *name);

// Parsers: ok is set to 1 on success and 0 on failure; a failure returns 0.
uint64_t STRING2INT_rc(const char *text, int *ok);
uint64_t STRING2INT_rc_silent(const char *text, int *ok);
uint64_t STRING2PA_rc(const char *text, int *ok);
uint64_t STRING2SCALED_INT_rc(const char *text, int *ok, uint64_t base);
int STRING2BOOLEAN_rc(const char *text, int *ok);
