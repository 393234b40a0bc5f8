// Decimal rendering with thousands separators.
#include "runtime/punctuate.h"

#include <cstdio>
#include <cstring>

char *PunctuateLargeInteger(char *buffer, int64_t v)
{
    int length = snprintf(buffer, PUNCTUATE_BUFFER_SIZE, "%lld", (long long)v);
    int sign = buffer[0] == '-' ? 1 : 0;
    int digits = length - sign;
    int commas = (digits - 1) / 3;
    // Shift right in place, from the terminator backwards, dropping a comma after every third
    // digit counted from the right.
    int from = length, to = length + commas;
    buffer[to--] = '\0';
    for (int count = 0; from-- > sign;) {
        buffer[to--] = buffer[from];
        if (++count % 3 == 0 && from > sign) buffer[to--] = ',';
    }
    return buffer;
}
