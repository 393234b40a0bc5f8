// Property lookup by path: the most specific property for a name below a base path, trying ever
// shorter base paths with an optional qualifier, and path construction.
#pragma once

#include <cstddef>
#include <cstdint>

struct PropertyList;

// A new text: first and, for each further part up to the closing null, a "/" and the part.
// Released with QUARN_FREE.
char *Config_Construct_Path(const char *first, ...);
// The value text of the first candidate key that exists, or null. With a base B the candidates
// are B/Q/name, B/P/name (P: the qualifier Q cut before its last separator) and B/name, then
// the same with B cut before its last separator, and so on; without a base Q/name, P/name and
// name. When out is given it receives the matched key (empty on failure).
const char *Find_Property_Value(PropertyList *list, const char *base, const char *qualifier, char separator,
                                const char *name, char *out, size_t outlen);
// The found value as an integer: 1 and the value, or 0 with the result 0.
int Find_Property_FieldVal(PropertyList *list, const char *base, const char *qualifier, char separator,
                           const char *name, uint64_t *result);
