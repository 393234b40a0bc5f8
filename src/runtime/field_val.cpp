// Named bit-field values.
#include "runtime/field_val.h"

#include <cstdarg>

#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_path.h"

namespace
{

inline uint64_t range_mask(const Range *range)
{
    return (~uint64_t(0) >> range->first64) & (~uint64_t(0) << (63 - range->last64));
}

// A position is usable when it lies below the width and within the 64-bit word.
inline bool position_ok(int32_t bit, int32_t width)
{
    return bit >= 0 && bit < width && bit >= width - 64;
}

} // namespace

void Field_Val_Init(FieldVal *fv)
{
    fv->name = REMEMBER_STRING("f");
    fv->path = nullptr;
    fv->value = 0;
    fv->width = 64;
    fv->display_override = nullptr;
    fv->set_override = nullptr;
    Tcl_InitHashTable(&fv->fields, TCL_STRING_KEYS);
}

void Field_Val_Cleanup(FieldVal *fv)
{
    Tcl_HashSearch search;
    for (Tcl_HashEntry *entry = Tcl_FirstHashEntry(&fv->fields, &search); entry;
         entry = Tcl_NextHashEntry(&search))
        QUARN_FREE(Tcl_GetHashValue(entry));
    Tcl_DeleteHashTable(&fv->fields);
    FORGET_STRING(fv->name);
    FORGET_STRING(fv->path);
    fv->name = fv->path = nullptr;
}

void Field_Val_Declare(FieldVal *fv, const char *prefix, const char *name, uint64_t default_value,
                       int32_t width, PropertyList *list, FieldVal_Override display_override,
                       FieldVal_Override set_override, ...)
{
    if (!prefix || !name) return;
    FORGET_STRING(fv->name);
    fv->name = REMEMBER_STRING(name);
    char *path = Config_Construct_Path(prefix, name, (const char *)nullptr);
    QUARN_FREE(fv->path);
    fv->path = path;
    uint64_t value = 0;
    fv->value = Find_Property_FieldVal(list, prefix, nullptr, '/', name, &value) ? value : default_value;
    fv->width = width;
    fv->display_override = display_override;
    fv->set_override = set_override;
    va_list args;
    va_start(args, set_override);
    while (const char *field_name = va_arg(args, const char *)) {
        int32_t a = va_arg(args, int32_t);
        int32_t b = va_arg(args, int32_t);
        Field_Val_Declare_Field(fv, field_name, b, a, list);
    }
    va_end(args);
}

void Field_Val_Declare_Field(FieldVal *fv, const char *field_name, int32_t start, int32_t end,
                             PropertyList *list)
{
    if (!field_name) return;
    // Positions outside the width would make the field's shifts meaningless: the field is left out.
    if (!position_ok(start, fv->width)) {
        sim_error("Range_Init: Start bit position %d for field '%s' past width %d", start, field_name,
                  fv->width);
        return;
    }
    if (!position_ok(end, fv->width)) {
        sim_error("Range_Init: End bit position %d for field '%s' past width %d", end, field_name, fv->width);
        return;
    }
    if (start > end) {
        sim_warning(
            2, "Range_Init: Reversing start %d and end %d bit positions of field '%s' to form range [%d..%d]",
            start, end, field_name, end, start);
        int32_t swap = start;
        start = end;
        end = swap;
    }
    int is_new = 0;
    Tcl_HashEntry *entry = Tcl_CreateHashEntry(&fv->fields, field_name, &is_new);
    auto *range = is_new ? nullptr : static_cast<Range *>(Tcl_GetHashValue(entry));
    if (!range) {
        range = static_cast<Range *>(quarn_zalloc(sizeof(Range), sizeof(Range), "Range", __FILE__, __LINE__));
        if (!range) {
            Tcl_DeleteHashEntry(entry);
            return;
        }
        Tcl_SetHashValue(entry, range);
    }
    range->first = start;
    range->last = end;
    range->first64 = start + 64 - fv->width;
    range->last64 = end + 64 - fv->width;
    range->length = end - start + 1;
    uint64_t value = 0;
    if (list && Find_Property_FieldVal(list, fv->path, nullptr, '/', field_name, &value))
        fv->value = Range_Put(range, fv->value, value);
}

void Field_Val_Declare_Bit(FieldVal *fv, const char *field_name, int32_t bit, PropertyList *list)
{
    Field_Val_Declare_Field(fv, field_name, bit, bit, list);
}

const Range *Field_Val_Find_Field(const FieldVal *fv, const char *field_name)
{
    if (!field_name) return nullptr;
    Tcl_HashEntry *entry = Tcl_FindHashEntry(const_cast<Tcl_HashTable *>(&fv->fields), field_name);
    return entry ? static_cast<const Range *>(Tcl_GetHashValue(entry)) : nullptr;
}

uint64_t Range_Get(const Range *range, uint64_t value)
{
    return (value & range_mask(range)) >> (63 - range->last64);
}

uint64_t Range_Put(const Range *range, uint64_t value, uint64_t x)
{
    uint64_t mask = range_mask(range);
    return (value & ~mask) | ((x << (63 - range->last64)) & mask);
}

uint64_t Field_Val_Get_Scalar(const FieldVal *fv)
{
    return fv->value;
}

void Field_Val_Put_Scalar(FieldVal *fv, uint64_t x)
{
    fv->value = x;
}

uint64_t Field_Val_Get_Field(const FieldVal *fv, const char *field_name)
{
    const Range *range = Field_Val_Find_Field(fv, field_name);
    return range ? Range_Get(range, fv->value) : 0;
}

void Field_Val_Put_Field(FieldVal *fv, const char *field_name, uint64_t x)
{
    if (const Range *range = Field_Val_Find_Field(fv, field_name)) fv->value = Range_Put(range, fv->value, x);
}
