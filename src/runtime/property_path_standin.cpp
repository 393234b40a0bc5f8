// Property lookup by path.
// STAND-IN: of the path lookups only the value lookup and the field-value lookup that named
// bit-field values use are here; the other typed lookups (UINT64, PA, RegValue, UINT32, int,
// Boolean, Frequency) and the property files (".mdf") are not built yet.
#include "runtime/property_path.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

char *Config_Construct_Path(const char *first, ...)
{
    if (!first) return nullptr;
    std::string path = first;
    va_list args;
    va_start(args, first);
    while (const char *part = va_arg(args, const char *)) {
        path += '/';
        path += part;
    }
    va_end(args);
    char *copy = (char *)quarn_malloc(path.size() + 1, 1, "char", __FILE__, __LINE__);
    if (copy) memcpy(copy, path.c_str(), path.size() + 1);
    return copy;
}

namespace
{

const char *try_key(PropertyList *list, const std::string &key, std::string &matched)
{
    const char *value = PropertyList__GetString(list, key.c_str());
    if (value) matched = key;
    return value;
}

} // namespace

const char *Find_Property_Value(PropertyList *list, const char *base, const char *qualifier, char separator,
                                const char *name, char *out, size_t outlen)
{
    if (out && outlen) out[0] = 0;
    if (!list || !name) return nullptr;
    const std::string sep(1, separator);
    std::string q = qualifier ? qualifier : "";
    std::string p;
    bool has_p = false;
    if (qualifier) {
        size_t cut = q.rfind(separator);
        if (cut != std::string::npos) {
            p = q.substr(0, cut);
            has_p = true;
        }
    }
    std::string matched;
    const char *value = nullptr;
    if (base) {
        std::string b = base;
        for (;;) {
            if (qualifier && (value = try_key(list, b + sep + q + sep + name, matched))) break;
            if (has_p && (value = try_key(list, b + sep + p + sep + name, matched))) break;
            if ((value = try_key(list, b + sep + name, matched))) break;
            size_t cut = b.rfind(separator);
            if (cut == std::string::npos) break;
            b.resize(cut);
        }
    } else {
        if (qualifier) value = try_key(list, q + sep + name, matched);
        if (!value && has_p) value = try_key(list, p + sep + name, matched);
        if (!value) value = try_key(list, name, matched);
    }
    if (value && out && outlen) snprintf(out, outlen, "%s", matched.c_str());
    return value;
}

int Find_Property_FieldVal(PropertyList *list, const char *base, const char *qualifier, char separator,
                           const char *name, uint64_t *result)
{
    char key[1024];
    const char *text = Find_Property_Value(list, base, qualifier, separator, name, key, sizeof key);
    int ok = 0;
    uint64_t value = text ? STRING2INT_rc(text, &ok) : 0;
    if (!ok) {
        if (text) sim_warning(2, "1: property list %s has bad integer value %s", key, text);
        *result = 0;
        return 0;
    }
    *result = value;
    return 1;
}
