// The path lookups of runtime/property_path.h converted to a boolean or a frequency.
#pragma once

struct FreqSpec;
struct InstanceLink;
struct PropertyList;

// "on"/"off", "1"/"0", "yes"/"no", "true"/"false" without regard to case: 1 and the flag. Not
// found: 0 and result 0; found but no boolean: 0 with result unchanged.
int Find_Property_Boolean(PropertyList *plist, const char *base, const char *qualifier, char separator,
                          const char *name, int *result);
// A scaled number in Hz ("2G", "512M") or a ratio ("1/1") of the base time domain of the link's
// machine: 1 and the frequency setting; 0 otherwise, with the setting untouched when not found.
int Find_Property_Frequency(PropertyList *plist, const char *base, const char *qualifier, char separator,
                            const char *name, FreqSpec *result, InstanceLink *link);
