// Allocation wrappers: the C library unless an embedding host installed its own routines.
#include "runtime/alloc.h"

#include <cstdlib>
#include <cstring>

namespace
{
quarn_free_hook free_hook = nullptr;
quarn_malloc_hook allocate_hook = nullptr;
quarn_malloc_hook allocate_zeroed_hook = nullptr;
quarn_realloc_hook reallocate_hook = nullptr;
} // namespace

void *quarn_malloc(size_t size, size_t element_size, const char *type_name, const char *file, int line)
{
    if (allocate_hook) return allocate_hook(size, element_size, type_name, file, line);
    return malloc(size);
}

void *quarn_zalloc(size_t size, size_t element_size, const char *type_name, const char *file, int line)
{
    if (allocate_zeroed_hook) return allocate_zeroed_hook(size, element_size, type_name, file, line);
    // Round the element count up so that the caller always gets at least `size` bytes.
    if (element_size == 0) element_size = 1;
    return calloc(element_size, size / element_size + (size % element_size != 0));
}

void *quarn_realloc(void *pointer, size_t size, size_t element_size, const char *type_name, const char *file,
                    int line)
{
    if (reallocate_hook) return reallocate_hook(pointer, size, element_size, type_name, file, line);
    return realloc(pointer, size);
}

void quarn_free(void *pointer, const char *file, int line)
{
    if (free_hook) {
        free_hook(pointer, file, line);
        return;
    }
    free(pointer);
}

void mm_change_functions(quarn_free_hook new_free, quarn_malloc_hook new_allocate,
                         quarn_malloc_hook new_allocate_zeroed, quarn_realloc_hook new_reallocate)
{
    free_hook = new_free;
    allocate_hook = new_allocate;
    allocate_zeroed_hook = new_allocate_zeroed;
    reallocate_hook = new_reallocate;
}

char *remember_string(const char *text, const char *file, int line)
{
    if (!text) return nullptr;
    size_t length = strlen(text);
    char *copy = (char *)quarn_malloc(length + 1, 1, "char", file, line);
    if (copy) memcpy(copy, text, length + 1);
    return copy;
}

void forget_string(const char *text, const char *file, int line)
{
    quarn_free((void *)text, file, line);
}

char *remember_concat_strings(const char *first, const char *second, char separator, const char *file,
                              int line)
{
    if (!first && !second) return nullptr;
    size_t first_length = first ? strlen(first) : 0;
    size_t second_length = second ? strlen(second) : 0;
    char *result = (char *)quarn_malloc(first_length + second_length + 2, 1, "char", file, line);
    if (!result) return nullptr;
    char *p = result;
    memcpy(p, first ? first : "", first_length);
    p += first_length;
    if (separator) *p++ = separator;
    memcpy(p, second ? second : "", second_length);
    p[second_length] = '\0';
    return result;
}
