// Texts of the instruction trace and debug output.
#include "processor/prints/trace_text.h"

#include "runtime/utils.h"

const char *SquashArgV(int count, char **words)
{
    static char buffer[1024];
    buffer[0] = '\0';
    for (int i = 1; i < count; i++) {
        if (i > 1) safe_strcat(buffer, "/", sizeof buffer);
        safe_strcat(buffer, words[i] ? words[i] : "", sizeof buffer);
    }
    return buffer;
}
