// Allocation wrappers: all dynamic memory goes through these four calls, which carry the
// element size, the element type's name and the caller's position to optional host hooks.
// Strings are copied and released through remember/forget.
#pragma once

#include <cstddef>

typedef void (*quarn_free_hook)(void *pointer, const char *file, int line);
typedef void *(*quarn_malloc_hook)(size_t size, size_t element_size, const char *type_name, const char *file,
                                   int line);
typedef void *(*quarn_realloc_hook)(void *pointer, size_t size, size_t element_size, const char *type_name,
                                    const char *file, int line);

void *quarn_malloc(size_t size, size_t element_size, const char *type_name, const char *file, int line);
void *quarn_zalloc(size_t size, size_t element_size, const char *type_name, const char *file, int line);
void *quarn_realloc(void *pointer, size_t size, size_t element_size, const char *type_name, const char *file,
                    int line);
void quarn_free(void *pointer, const char *file, int line);
void mm_change_functions(quarn_free_hook free_hook, quarn_malloc_hook allocate_hook,
                         quarn_malloc_hook allocate_zeroed_hook, quarn_realloc_hook reallocate_hook);

char *remember_string(const char *text, const char *file, int line);
void forget_string(const char *text, const char *file, int line);
char *remember_concat_strings(const char *first, const char *second, char separator, const char *file,
                              int line);

// Typed conveniences: n elements of type T, with the type's name as text.
#define QUARN_MALLOC(n, T) ((T *)quarn_malloc((size_t)(n) * sizeof(T), sizeof(T), #T, __FILE__, __LINE__))
#define QUARN_ZALLOC(n, T) ((T *)quarn_zalloc((size_t)(n) * sizeof(T), sizeof(T), #T, __FILE__, __LINE__))
#define QUARN_REALLOC(p, n, T)                                                                               \
    ((T *)quarn_realloc((p), (size_t)(n) * sizeof(T), sizeof(T), #T, __FILE__, __LINE__))
#define QUARN_FREE(p) quarn_free((void *)(p), __FILE__, __LINE__)
#define REMEMBER_STRING(s) remember_string((s), __FILE__, __LINE__)
#define FORGET_STRING(s) forget_string((s), __FILE__, __LINE__)
