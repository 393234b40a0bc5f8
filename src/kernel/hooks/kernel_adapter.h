// The event kernel's message and allocation hooks: the kernel allocates, prints, reports errors
// and debug output only through these. The kernel stands below everything else; the runtime
// defines the hooks (runtime/kernel_adapter.cpp) over its message sink and allocation wrappers.
#pragma once

#include <cstdarg>
#include <cstddef>

// The debug categories the kernel asks about (numbers of the runtime's category table).
enum : int {
    DEBUG_CATEGORY_KERNEL = 4,      // the event kernel's own debug output ("TASK")
    DEBUG_CATEGORY_STACK_CHECK = 5, // guarded job stacks grown page by page
};

void *mist_malloc(size_t size, const char *file, int line);
void mist_free(void *pointer);
// Level 1 (fatal error) with tag "jobs".
void mist_verror(const char *format, va_list args);
// Level 3 (plain print) with tag "jobs".
void mist_vprintf(const char *format, va_list args);
// Level 6 (debug) with tag "TASK", only while debug category 4 is on.
void mist_vdebug(const char *format, va_list args);
// Whether a debug category's level is above 0.
int mist_debug_on(int category);
