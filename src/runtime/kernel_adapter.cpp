// The event kernel's message and allocation hooks over the sink and the allocation wrappers.
#include "kernel/hooks/kernel_adapter.h"

#include "runtime/alloc.h"
#include "runtime/debug.h"
#include "runtime/message.h"

void *mist_malloc(size_t size, const char *file, int line) { return quarn_malloc(size, 1, "char", file, line); }

void mist_free(void *pointer) { quarn_free(pointer, __FILE__, __LINE__); }

void mist_verror(const char *format, va_list args)
{
    unsafe_vMessage(MSG_FATAL, format, "jobs", nullptr, nullptr, args);
}

void mist_vprintf(const char *format, va_list args)
{
    unsafe_vMessage(MSG_PRINT, format, "jobs", nullptr, nullptr, args);
}

void mist_vdebug(const char *format, va_list args)
{
    if (get_debug_flag(DEBUG_CATEGORY_KERNEL) > 0) unsafe_vMessage(MSG_DEBUG, format, "TASK", nullptr, nullptr, args);
}

int mist_debug_on(int category) { return get_debug_flag(category) > 0; }
