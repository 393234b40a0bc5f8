// Stand-ins of the MSR and CR texts.
#include "processor/register_text.h"

#include <cstdio>

namespace
{

uint64_t shared_msr_value = 0;
bool shared_msr_stale = true;
char shared_msr_text[MSR_TEXT_SIZE];

} // namespace

// STAND-IN: the MSR text lacks the "32," and "OS," marks and the names of the set bits; it is the
// value in hexadecimal.
__attribute__((weak)) const char *Prepare_MSR(char *buffer, uint64_t msr)
{
    if (!buffer) {
        shared_msr_value = msr;
        shared_msr_stale = true;
        return nullptr;
    }
    snprintf(buffer, MSR_TEXT_SIZE, "0x%016lX", (unsigned long)msr);
    return buffer;
}

// STAND-IN: see Prepare_MSR.
__attribute__((weak)) const char *Shared_MSR_Text(void)
{
    if (shared_msr_stale) {
        Prepare_MSR(shared_msr_text, shared_msr_value);
        shared_msr_stale = false;
    }
    return shared_msr_text;
}

// STAND-IN: defined here until the module of the machine-state texts brings it.
__attribute__((weak)) const char *Prepare_CR(uint32_t cr)
{
    static char text[32];
    static const char field_chars[] = ".S=X>XXX<XXXXXXX";
    int used = snprintf(text, sizeof text, "0x%08X  ", cr);
    for (int field = 0; field < 8; field++)
        text[used + field] = field_chars[(cr >> (28 - 4 * field)) & 0xF];
    text[used + 8] = '\0';
    return text;
}
