// Property lookup by path and property files, for plug-ins and embedding hosts: find the most
// specific property for a name below a base path (trying ever shorter bases, with an optional
// qualifier) and convert it to an integer; and read "<name>.mdf" files found along "MDF_PATH"
// into a property list. The boolean and frequency lookups are in processor/property_path_typed.h.
#pragma once

#include <cstdint>

struct PropertyList;

constexpr int MAX_NAME_VALUE_PAIRS = 256;

// The name/value pairs read from one property file.
struct name_value_pairs {
    char *description; // the file's path, or "Unable to find <path>" when it could not be opened
    int32_t count;     // pairs stored, 0 to 256
    char *names[MAX_NAME_VALUE_PAIRS];
    char *values[MAX_NAME_VALUE_PAIRS];
};

// first, then "/" and each further part up to the closing null. The caller releases the result
// with QUARN_FREE.
char *Config_Construct_Path(const char *first, ...);

// The value of the first candidate key that plist holds, or null. Candidates with a base B and a
// qualifier Q (P is Q cut before its last separator, when Q holds one): B/Q/name, B/P/name,
// B/name, then the same with B cut before its last separator, until B has none; without a base:
// Q/name, P/name, name. When out is given (outlen its size), it receives the matched key, or the
// empty text when nothing matched; it is always terminated within outlen.
const char *Find_Property_Value(PropertyList *plist, const char *base, const char *qualifier, char separator,
                                const char *name, char *out, int outlen);

// Typed lookups: 1 when the property was found and converted, else 0. Not found: result 0.
// Found but not an integer: result 0 for the 64-bit forms, unchanged for UINT32 and int.
int Find_Property_UINT64(PropertyList *plist, const char *base, const char *qualifier, char separator,
                         const char *name, uint64_t *result);
int Find_Property_PA(PropertyList *plist, const char *base, const char *qualifier, char separator,
                     const char *name, uint64_t *result);
int Find_Property_FieldVal(PropertyList *plist, const char *base, const char *qualifier, char separator,
                           const char *name, uint64_t *result);
int Find_Property_RegValue(PropertyList *plist, const char *base, const char *qualifier, char separator,
                           const char *name, uint64_t *result);
// A value above 0xFFFFFFFF gives its low 32 bits (with a silent warning).
int Find_Property_UINT32(PropertyList *plist, const char *base, const char *qualifier, char separator,
                         const char *name, uint32_t *result);
// The low 32 bits of the value.
int Find_Property_int(PropertyList *plist, const char *base, const char *qualifier, char separator,
                      const char *name, int32_t *result);

// The path of the property file for name: "<dir>/<name>.mdf" for the first directory of
// "MDF_PATH" (':'-separated, empty parts skipped) where it is readable, else "<name>.mdf". A static
// buffer that the next call overwrites.
const char *Find_MDF_File(const char *name);
// Reads the file at path into the (empty) pair set: per line a name of letters, digits, '_' and
// '/', one separator character, blanks, ':' and '=' skipped, then the value; '#' starts a comment.
// The 256th pair ends reading with a fatal error.
void Add_Name_Value_Pairs_From_File(const char *path, name_value_pairs *pairs);
// Sets every pair in plist (creating it, visible) and prints "    <name> = <value>" for each.
void Apply_Design_Specific_Properties(name_value_pairs *pairs, PropertyList *plist);
// Finds, reads and applies the property file of name, printing what it did.
void Find_MDF_and_Apply(const char *name, PropertyList *plist);
