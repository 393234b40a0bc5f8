// Named bit-field values: a 64-bit value of a chosen width whose bit ranges carry names, in the
// PowerPC bit numbering (bit 0 is the most significant of the width bits). A component declares
// the value and its fields once, takes initial values from a property list and reads and writes
// fields by name; command/field_commands.h offers the "field" commands over it. Exported for
// plug-ins and embedding hosts.
#pragma once

#include <tcl.h>

#include <cstdint>

struct PropertyList;
struct FieldVal;

// One named field.
struct Range {
    int32_t first;   // first bit in the value's own numbering (0 = most significant of the width)
    int32_t last;    // last bit, first <= last
    int32_t first64; // first + 64 - width: the first bit in the numbering of a 64-bit word
    int32_t last64;  // last + 64 - width
    int32_t length;  // last - first + 1
};

// Replaces the behaviour of the command "display" or "set": (fv, interpreter, word count, words
// with the command word first); its result is the command's result.
typedef int (*FieldVal_Override)(FieldVal *fv, Tcl_Interp *interpreter, int argc, char **argv);

struct FieldVal {
    char *name; // owned; "f" after initialisation
    char *path; // owned or null: the property path of the fields, prefix "/" name
    uint64_t value;
    int32_t width;        // significant bits; field positions lie below it
    Tcl_HashTable fields; // field name -> Range
    FieldVal_Override display_override;
    FieldVal_Override set_override;
};

// Makes fv empty: name "f", no path, value 0, width 64, no overrides, no fields. For a record that
// holds nothing yet.
void Field_Val_Init(FieldVal *fv);
// Releases the name, the path and the fields (the record may then be initialised again).
void Field_Val_Cleanup(FieldVal *fv);
// Declares the value: name, path prefix/name, the value from the property prefix/name (or the
// default), the width and the overrides, then one field per triple (field name, bit, bit) up to a
// null field name. Fields declared earlier stay.
void Field_Val_Declare(FieldVal *fv, const char *prefix, const char *name, uint64_t default_value,
                       int32_t width, PropertyList *list, FieldVal_Override display_override,
                       FieldVal_Override set_override, ...);
// Declares one field over the bits start..end (either order); a position outside the width is a
// fatal error and the field is not entered. With a property list, a value found for
// path/field_name is stored into the field.
void Field_Val_Declare_Field(FieldVal *fv, const char *field_name, int32_t start, int32_t end,
                             PropertyList *list);
void Field_Val_Declare_Bit(FieldVal *fv, const char *field_name, int32_t bit, PropertyList *list);

// The declared field of that name, or null.
const Range *Field_Val_Find_Field(const FieldVal *fv, const char *field_name);
// A field's bits of a value, right-aligned; the value with a field's bits replaced by the low
// length bits of x.
uint64_t Range_Get(const Range *range, uint64_t value);
uint64_t Range_Put(const Range *range, uint64_t value, uint64_t x);

uint64_t Field_Val_Get_Scalar(const FieldVal *fv);
// Stores x as it is, bits above the width included.
void Field_Val_Put_Scalar(FieldVal *fv, uint64_t x);
// The field's value, right-aligned; 0 for an undeclared name.
uint64_t Field_Val_Get_Field(const FieldVal *fv, const char *field_name);
// Replaces the field's bits with the low length bits of x; nothing for an undeclared name.
void Field_Val_Put_Field(FieldVal *fv, const char *field_name, uint64_t x);
