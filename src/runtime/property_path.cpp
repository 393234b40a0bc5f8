// Property lookup by path and property files.
#include "runtime/property_path.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

namespace
{

constexpr int KEY_BUFFER = 1024;
constexpr size_t PATH_BUFFER = 4096;
constexpr int LINE_BUFFER = 1024;

// Copies text into out of size outlen, always terminated; nothing with no room at all.
void copy_key(char *out, int outlen, const char *text)
{
    if (!out || outlen <= 0) return;
    snprintf(out, (size_t)outlen, "%s", text);
}

// Reads the candidate key; the property list marks a found property as read.
const char *try_key(PropertyList *plist, const std::string &key, char *out, int outlen)
{
    const char *value = PropertyList__GetString(plist, key.c_str());
    if (value) copy_key(out, outlen, key.c_str());
    return value;
}

// Looks the name up and converts its text to an unsigned 64-bit integer. 1 and the value when
// found and an integer; 0 otherwise, *found telling which.
int lookup_integer(PropertyList *plist, const char *base, const char *qualifier, char separator,
                   const char *name, uint64_t *value, int *found)
{
    char key[KEY_BUFFER];
    const char *text = Find_Property_Value(plist, base, qualifier, separator, name, key, sizeof key);
    *found = text != nullptr;
    if (!text) return 0;
    int ok = 0;
    uint64_t parsed = STRING2INT_rc(text, &ok);
    if (!ok) {
        sim_warning(2, "1: property list %s has bad integer value %s", key, text);
        return 0;
    }
    *value = parsed;
    return 1;
}

// The 64-bit forms: the result is 0 whenever the lookup fails.
int lookup_u64(PropertyList *plist, const char *base, const char *qualifier, char separator, const char *name,
               uint64_t *result)
{
    uint64_t value = 0;
    int found = 0;
    int ok = lookup_integer(plist, base, qualifier, separator, name, &value, &found);
    if (result) *result = ok ? value : 0;
    return ok;
}

bool is_name_char(char c)
{
    return isalnum((unsigned char)c) || c == '_' || c == '/';
}

// Splits one stored line into a pair and appends it. Returns false when the set is full.
bool take_line(char *line, int number, const char *path, name_value_pairs *pairs)
{
    char *p = line;
    while (*p == ' ')
        p++;
    if (!*p) return true;
    char *name_start = p;
    while (is_name_char(*p))
        p++;
    std::string name(name_start, (size_t)(p - name_start));
    if (*p) p++; // the separator after the name, whatever it is
    while (*p == ' ' || *p == ':' || *p == '=')
        p++;
    if (!*p) {
        sim_warning(2, "line %d in %s: name (%s) but no value", number, path, name.c_str());
        return true;
    }
    pairs->names[pairs->count] = REMEMBER_STRING(name.c_str());
    pairs->values[pairs->count] = REMEMBER_STRING(p);
    pairs->count++;
    if (pairs->count >= MAX_NAME_VALUE_PAIRS) {
        sim_error("Too many name/value pairs in file %s, filename", path);
        return false;
    }
    return true;
}

void release_pairs(name_value_pairs *pairs)
{
    for (int i = 0; i < pairs->count; i++) {
        FORGET_STRING(pairs->names[i]);
        FORGET_STRING(pairs->values[i]);
    }
    if (pairs->description) FORGET_STRING(pairs->description);
    QUARN_FREE(pairs);
}

} // namespace

char *Config_Construct_Path(const char *first, ...)
{
    std::string path = first ? first : "";
    va_list args;
    va_start(args, first);
    while (const char *part = va_arg(args, const char *)) {
        path += '/';
        path += part;
    }
    va_end(args);
    return REMEMBER_STRING(path.c_str());
}

const char *Find_Property_Value(PropertyList *plist, const char *base, const char *qualifier, char separator,
                                const char *name, char *out, int outlen)
{
    copy_key(out, outlen, "");
    if (!plist || !name) return nullptr;
    const std::string sep(1, separator);
    const char *cut = qualifier ? strrchr(qualifier, separator) : nullptr;
    const std::string parent = cut ? std::string(qualifier, (size_t)(cut - qualifier)) : std::string();
    if (!base) {
        if (qualifier)
            if (const char *v = try_key(plist, qualifier + sep + name, out, outlen)) return v;
        if (cut)
            if (const char *v = try_key(plist, parent + sep + name, out, outlen)) return v;
        return try_key(plist, name, out, outlen);
    }
    std::string b = base;
    for (;;) {
        if (qualifier)
            if (const char *v = try_key(plist, b + sep + qualifier + sep + name, out, outlen)) return v;
        if (cut)
            if (const char *v = try_key(plist, b + sep + parent + sep + name, out, outlen)) return v;
        if (const char *v = try_key(plist, b + sep + name, out, outlen)) return v;
        size_t last = b.rfind(separator);
        if (last == std::string::npos) return nullptr;
        b.erase(last);
    }
}

int Find_Property_UINT64(PropertyList *plist, const char *base, const char *qualifier, char separator,
                         const char *name, uint64_t *result)
{
    return lookup_u64(plist, base, qualifier, separator, name, result);
}

int Find_Property_PA(PropertyList *plist, const char *base, const char *qualifier, char separator,
                     const char *name, uint64_t *result)
{
    return lookup_u64(plist, base, qualifier, separator, name, result);
}

int Find_Property_FieldVal(PropertyList *plist, const char *base, const char *qualifier, char separator,
                           const char *name, uint64_t *result)
{
    return lookup_u64(plist, base, qualifier, separator, name, result);
}

int Find_Property_RegValue(PropertyList *plist, const char *base, const char *qualifier, char separator,
                           const char *name, uint64_t *result)
{
    return lookup_u64(plist, base, qualifier, separator, name, result);
}

int Find_Property_UINT32(PropertyList *plist, const char *base, const char *qualifier, char separator,
                         const char *name, uint32_t *result)
{
    char key[KEY_BUFFER];
    const char *text = Find_Property_Value(plist, base, qualifier, separator, name, key, sizeof key);
    if (!text) {
        if (result) *result = 0;
        return 0;
    }
    int ok = 0;
    uint64_t value = STRING2INT_rc(text, &ok);
    if (!ok) return 0;
    if (value > 0xFFFFFFFFull)
        sim_warning(2, "Find_Property_UINT32 -- Value for %s truncated (was %s)", key, text);
    if (result) *result = (uint32_t)value;
    return 1;
}

int Find_Property_int(PropertyList *plist, const char *base, const char *qualifier, char separator,
                      const char *name, int32_t *result)
{
    uint64_t value = 0;
    int found = 0;
    int ok = lookup_integer(plist, base, qualifier, separator, name, &value, &found);
    if (!found && result) *result = 0;
    if (ok && result) *result = (int32_t)(uint32_t)value;
    return ok;
}

const char *Find_MDF_File(const char *name)
{
    static char path[PATH_BUFFER];
    if (!name) name = "";
    const char *list = getenv("MDF_PATH");
    if (list && *list) {
        std::string dirs = list; // the variable itself is left as it is
        size_t start = 0;
        while (start <= dirs.size()) {
            size_t end = dirs.find(':', start);
            if (end == std::string::npos) end = dirs.size();
            std::string dir = dirs.substr(start, end - start);
            start = end + 1;
            if (dir.empty()) continue;
            int n = snprintf(path, sizeof path, "%s/%s.mdf", dir.c_str(), name);
            if (n < 0 || (size_t)n >= sizeof path) continue; // a cut path names another file
            if (access(path, R_OK) == 0) return path;
        }
    }
    snprintf(path, sizeof path, "%s.mdf", name);
    return path;
}

void Add_Name_Value_Pairs_From_File(const char *path, name_value_pairs *pairs)
{
    if (!pairs) return;
    FILE *file = path ? fopen(path, "r") : nullptr;
    if (!file) {
        std::string text = std::string("Unable to find ") + (path ? path : "");
        pairs->description = REMEMBER_STRING(text.c_str());
        sim_warning(2, "Unable to find %s", path ? path : "");
        return;
    }
    pairs->description = REMEMBER_STRING(path);
    char line[LINE_BUFFER];
    for (int number = 1;; number++) {
        int length = 0;
        bool comment = false;
        int c;
        while ((c = fgetc(file)) != EOF && c != '\n') {
            if (c == '#') comment = true;
            if (comment || length >= LINE_BUFFER - 1) continue;
            line[length++] = isspace(c) ? ' ' : (char)c;
        }
        while (length > 0 && line[length - 1] == ' ')
            length--;
        line[length] = '\0';
        if (length == 0 && c == EOF) break;
        if (!take_line(line, number, path, pairs)) break;
        if (c == EOF) break;
    }
    fclose(file);
}

void Apply_Design_Specific_Properties(name_value_pairs *pairs, PropertyList *plist)
{
    if (!pairs) return;
    for (int i = 0; i < pairs->count; i++) {
        PropertyList__UpdatePropertyValue(plist, pairs->names[i], pairs->values[i], pairs->description, 1);
        SIM_PRINT("    %s = %s\n", pairs->names[i], pairs->values[i]);
    }
}

void Find_MDF_and_Apply(const char *name, PropertyList *plist)
{
    name_value_pairs *pairs = QUARN_ZALLOC(1, name_value_pairs);
    if (!pairs) return;
    const char *path = Find_MDF_File(name);
    Add_Name_Value_Pairs_From_File(path, pairs);
    if (pairs->count > 0) {
        SIM_PRINT("Additional properties from file: %s\n", path);
        Apply_Design_Specific_Properties(pairs, plist);
    } else {
        SIM_PRINT("No additional properties found (file: %s)\n", path);
    }
    release_pairs(pairs);
}
