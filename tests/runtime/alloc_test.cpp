// Allocation wrappers and string interning.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <string>

#include "runtime/alloc.h"

namespace
{

TEST(AllocTest, ConcatStrings)
{
    struct Case {
        const char *first, *second;
        char separator;
        const char *expected; // null: no text at all
    } cases[] = {
        {"a", "b", '/', "a/b"},    {"a", "b", 0, "ab"}, {nullptr, "b", '/', "/b"},
        {"a", nullptr, '/', "a/"}, {"", "", 0, ""},     {nullptr, nullptr, '/', nullptr},
    };
    for (const Case &c : cases) {
        char *text = remember_concat_strings(c.first, c.second, c.separator, __FILE__, __LINE__);
        if (!c.expected) {
            EXPECT_EQ(text, nullptr);
            continue;
        }
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, c.expected);
        forget_string(text, __FILE__, __LINE__);
    }
}

TEST(AllocTest, RememberStringCopies)
{
    EXPECT_EQ(REMEMBER_STRING(nullptr), nullptr);
    static const char empty[] = "";
    char *copy = REMEMBER_STRING(empty);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, empty);
    EXPECT_STREQ(copy, "");
    FORGET_STRING(copy);
}

TEST(AllocTest, ZallocGivesAtLeastTheSizeAskedForZeroed)
{
    // A size that is not a multiple of the element size is rounded up, not down; an element size
    // of 0 counts as 1.
    struct Case {
        size_t size, element_size;
    } cases[] = {{10, 4}, {100, 64}, {1000, 999}, {7, 0}, {64, 8}};
    for (const Case &c : cases) {
        unsigned char *p = (unsigned char *)quarn_zalloc(c.size, c.element_size, "char", __FILE__, __LINE__);
        ASSERT_NE(p, nullptr);
        EXPECT_GE(malloc_usable_size(p), c.size) << c.size << "/" << c.element_size;
        for (size_t i = 0; i < c.size; i++)
            ASSERT_EQ(p[i], 0) << i;
        quarn_free(p, __FILE__, __LINE__);
    }
}

struct HookLog {
    std::string calls;
} hook_log;

void *log_malloc(size_t size, size_t element_size, const char *type_name, const char *, int)
{
    hook_log.calls +=
        "malloc " + std::to_string(size) + " " + std::to_string(element_size) + " " + type_name + ";";
    return malloc(size);
}
void *log_zalloc(size_t size, size_t element_size, const char *type_name, const char *, int)
{
    hook_log.calls +=
        "zalloc " + std::to_string(size) + " " + std::to_string(element_size) + " " + type_name + ";";
    return calloc(1, size);
}
void *log_realloc(void *p, size_t size, size_t, const char *type_name, const char *, int)
{
    hook_log.calls += "realloc " + std::to_string(size) + " " + type_name + ";";
    return realloc(p, size);
}
void log_free(void *p, const char *, int)
{
    hook_log.calls += "free;";
    free(p);
}

TEST(AllocTest, InstalledHooksReceiveTypeAndSizes)
{
    hook_log.calls.clear();
    mm_change_functions(log_free, log_malloc, log_zalloc, log_realloc);
    struct Pair {
        int a, b;
    };
    Pair *p = QUARN_MALLOC(3, Pair);
    p = QUARN_REALLOC(p, 4, Pair);
    QUARN_FREE(p);
    char *s = REMEMBER_STRING("abc");
    FORGET_STRING(s);
    int *z = QUARN_ZALLOC(2, int);
    QUARN_FREE(z);
    mm_change_functions(nullptr, nullptr, nullptr, nullptr);
    // Back to the C library: nothing more is logged.
    QUARN_FREE(QUARN_MALLOC(1, int));
    EXPECT_EQ(hook_log.calls,
              "malloc 24 8 Pair;realloc 32 Pair;free;malloc 4 1 char;free;zalloc 8 4 int;free;");
}

} // namespace
