// Bit, number and text utilities.
#include "runtime/utils.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/time.h>

#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"

// ---- {id, name} tables ----

const char *ID2Name(const IDNamePair *table, int32_t id)
{
    static char buffer[64];
    for (const IDNamePair *row = table; row && row->name; row++)
        if (row->id == id) return row->name;
    snprintf(buffer, sizeof buffer, "Name for %d not found", id);
    return buffer;
}

int32_t Name2ID(const IDNamePair *table, const char *name)
{
    if (!table || !name) return -1;
    size_t length = strlen(name);
    for (const IDNamePair *row = table; row->name; row++) {
        if (StrLenWithoutSpace(row->name) == length && strncasecmp(row->name, name, length) == 0)
            return row->id;
    }
    return -1;
}

int32_t IDNamePair_array_size(const IDNamePair *table)
{
    int32_t n = 0;
    while (table && table[n].name)
        n++;
    return n;
}

// ---- masks and bits ----

namespace
{

// Ones in bits first..last of a word of Width bits, bit 0 the most significant.
// Shifts are kept below the word width (a shift by the width is undefined in C++).
template <unsigned Width> uint64_t make_mask(uint32_t first, uint32_t last)
{
    constexpr uint32_t top = Width - 1;
    constexpr uint64_t all = Width == 64 ? ~0ULL : ((1ULL << Width) - 1);
    auto range = [](uint32_t lo, uint32_t hi) -> uint64_t { // lo <= hi <= top
        uint64_t upper = all >> lo;                         // bits lo..top
        uint64_t lower = (all << (top - hi)) & all;         // bits 0..hi
        return upper & lower;
    };
    if (last >= top) return first > top ? 0 : range(first, top);
    if (last >= first) return range(first, last);
    // Wrap: bits 0..last and first..top (the second part is empty when first is beyond the word).
    uint64_t mask = range(0, last);
    if (first <= top) mask |= range(first, top);
    return mask;
}

} // namespace

uint64_t MakeMask64(uint32_t first, uint32_t last)
{
    return make_mask<64>(first, last);
}
uint32_t MakeMask32(uint32_t first, uint32_t last)
{
    return (uint32_t)make_mask<32>(first, last);
}
uint16_t MakeMask16(uint32_t first, uint32_t last)
{
    return (uint16_t)make_mask<16>(first, last);
}
uint8_t MakeMask8(uint32_t first, uint32_t last)
{
    return (uint8_t)make_mask<8>(first, last);
}

uint64_t I64_CopyBits(uint64_t target, uint32_t position, uint64_t source, uint32_t first, uint32_t last)
{
    if (first > last || last > 63 || position > 63) return target;
    uint32_t width = last - first + 1;
    uint64_t field = (source >> (63 - last)) & (width == 64 ? ~0ULL : ((1ULL << width) - 1));
    // Bits falling beyond bit 63 of the target are dropped.
    uint32_t end = position + width - 1;
    if (end > 63) {
        field >>= end - 63;
        end = 63;
    }
    uint64_t mask = MakeMask64(position, end);
    return (target & ~mask) | ((field << (63 - end)) & mask);
}

uint32_t rotate_left_32(uint32_t value, uint32_t n)
{
    n &= 31;
    return n == 0 ? value : (value << n) | (value >> (32 - n));
}

uint64_t rotate_left_64(uint64_t value, uint32_t n)
{
    n &= 63;
    return n == 0 ? value : (value << n) | (value >> (64 - n));
}

uint64_t EXTS(uint64_t value, uint32_t bits)
{
    if (bits == 0) return 0;
    if (bits >= 64) return value;
    uint64_t sign = 1ULL << (bits - 1);
    uint64_t low = value & ((1ULL << bits) - 1);
    return (low ^ sign) - sign;
}

int32_t Count_Bits(uint64_t value)
{
    return __builtin_popcountll(value);
}

int32_t PopCount32(int32_t value)
{
    return Count_Bits((uint64_t)(int64_t)value);
}

int32_t Count_Leading_Zeros(uint32_t value)
{
    return value == 0 ? 32 : __builtin_clz(value);
}

int32_t Bit_1_Position(uint32_t value)
{
    return value == 0 ? -1 : __builtin_ctz(value);
}

int32_t Log_2(uint64_t value)
{
    if (value == 0 || (value & (value - 1)) != 0) return -1;
    return __builtin_ctzll(value);
}

uint64_t To_Power_Of_2(int64_t value)
{
    if (value <= 0) return 0;
    uint64_t p = 1;
    while (p < (uint64_t)value)
        p <<= 1;
    return p;
}

int32_t Bit_Range(uint64_t value)
{
    int32_t bits = 0;
    while (bits < 64 && (1ULL << bits) < value)
        bits++;
    return bits;
}

uint64_t u64_div_up(uint64_t a, uint64_t b)
{
    if (b == 0) return 0; // no division by zero on the host
    return (a + b - 1) / b;
}

void add64(add64_result *result, uint64_t a, uint64_t b, uint32_t carry_in)
{
    unsigned __int128 wide = (unsigned __int128)a + b + (carry_in ? 1 : 0);
    uint64_t sum = (uint64_t)wide;
    uint8_t carry_out = (uint8_t)(wide >> 64);
    // Carry into bit 63: the sum of the low 63 bits overflows into bit 63.
    uint64_t low = (a & 0x7FFFFFFFFFFFFFFFULL) + (b & 0x7FFFFFFFFFFFFFFFULL) + (carry_in ? 1 : 0);
    uint8_t carry_into_63 = (uint8_t)(low >> 63);
    result->sum = sum;
    result->carry = carry_out;
    result->overflow = carry_into_63 ^ carry_out;
}

void place_big_endian_value(uint8_t *bytes, uint32_t first, uint32_t last, uint64_t value)
{
    if (first > last || last - first > 63) return;
    for (uint32_t bit = last + 1; bit-- > first;) {
        uint8_t m = (uint8_t)(0x80 >> (bit & 7));
        if (value & 1)
            bytes[bit >> 3] |= m;
        else
            bytes[bit >> 3] &= (uint8_t)~m;
        value >>= 1;
    }
}

uint64_t extract_big_endian_value(const uint8_t *bytes, uint32_t first, uint32_t last)
{
    if (first > last || last - first > 63) return 0;
    uint64_t value = 0;
    for (uint32_t bit = first; bit <= last; bit++)
        value = (value << 1) | ((bytes[bit >> 3] >> (7 - (bit & 7))) & 1);
    return value;
}

int asciiHexNibbleToBinary(char character, uint8_t *out)
{
    if (character >= '0' && character <= '9')
        *out = (uint8_t)(character - '0');
    else if (character >= 'A' && character <= 'F')
        *out = (uint8_t)(character - 'A' + 10);
    else if (character >= 'a' && character <= 'f')
        *out = (uint8_t)(character - 'a' + 10);
    else
        return 1;
    return 0;
}

static uint32_t fast_rand_seed = 12345;

uint32_t Fast_Rand(void)
{
    fast_rand_seed = fast_rand_seed * 1103515245u + 12345u;
    return fast_rand_seed;
}

float rate(uint64_t part, uint64_t whole)
{
    if (part == 0 || whole == 0) return 0.0f;
    return (float)(100.0 * (double)part / (double)whole);
}

// ---- text ----

bool StrEqual(const char *a, const char *b)
{
    return a && b && strcmp(a, b) == 0;
}
bool StrCaseEqual(const char *a, const char *b)
{
    return a && b && strcasecmp(a, b) == 0;
}
bool StrNCaseEqual(const char *a, const char *b, size_t n)
{
    return a && b && strncasecmp(a, b, n) == 0;
}

char *StrCaseStrWhere(const char *text, const char *part)
{
    if (!text || !part) return nullptr;
    return strcasestr(const_cast<char *>(text), part);
}

bool StrCaseStr(const char *text, const char *part)
{
    return StrCaseStrWhere(text, part) != nullptr;
}

const char *slowstrcasestr(const char *text, const char *part)
{
    if (!text || !part) return nullptr;
    char *t = REMEMBER_STRING(text);
    char *p = REMEMBER_STRING(part);
    Force_Lower(t);
    Force_Lower(p);
    const char *hit = strstr(t, p);
    const char *result = hit ? text + (hit - t) : nullptr;
    FORGET_STRING(t);
    FORGET_STRING(p);
    return result;
}

void Force_Lower(char *text)
{
    for (; text && *text; text++)
        *text = (char)tolower((unsigned char)*text);
}

void Force_Upper(char *text)
{
    for (; text && *text; text++)
        *text = (char)toupper((unsigned char)*text);
}

size_t StrLenWithoutSpace(const char *text)
{
    if (!text) return 0;
    const char *begin = text;
    while (*begin && isspace((unsigned char)*begin))
        begin++;
    const char *end = begin + strlen(begin);
    while (end > begin && isspace((unsigned char)end[-1]))
        end--;
    return (size_t)(end - begin);
}

size_t remove_trailing_char(char *text, char character)
{
    if (!text) return 0;
    size_t length = strlen(text);
    while (length > 0 && text[length - 1] == character)
        text[--length] = '\0';
    return length;
}

void safe_strcat(char *buffer, const char *text, size_t size)
{
    if (!buffer || size == 0) return;
    buffer[size - 1] = '\0';
    if (!text) return;
    size_t used = strlen(buffer);
    size_t room = size - 1 - used;
    size_t n = strlen(text);
    if (n > room) n = room;
    memcpy(buffer + used, text, n);
    buffer[used + n] = '\0';
}

const char *Pad_String(const char *text, int width)
{
    static char buffer[129];
    if (!text) return nullptr;
    if (width < 0) width = 0;
    if (width > 128) width = 128;
    size_t n = strlen(text);
    if (n > (size_t)width) n = (size_t)width;
    memcpy(buffer, text, n);
    memset(buffer + n, ' ', (size_t)width - n);
    buffer[width] = '\0';
    return buffer;
}

bool StrAllNum(const char *text)
{
    if (!text) return false;
    for (; *text; text++)
        if (!isdigit((unsigned char)*text)) return false;
    return true;
}

const char *Bit2String(int flag)
{
    return flag ? "On" : "Off";
}

const char *printrep(int character)
{
    static char buffer[16];
    if (character >= 0 && character < 32)
        snprintf(buffer, sizeof buffer, "^%c", character + 64);
    else if (character >= 32 && character <= 126)
        snprintf(buffer, sizeof buffer, "%c", character);
    else if (character == 127)
        return "<del>";
    else if (character >= 128 && character <= 255)
        snprintf(buffer, sizeof buffer, "\\%03o", character);
    else if (character == 0xFFFF)
        return "EOF";
    else
        snprintf(buffer, sizeof buffer, "0x%04X", (unsigned)character);
    return buffer;
}

// ---- formats ----

const char *Prepare_MemorySize(uint64_t bytes)
{
    static char buffer[32];
    const struct {
        unsigned shift;
        char unit;
    } units[] = {{40, 'T'}, {30, 'G'}, {20, 'M'}, {10, 'K'}};
    for (const auto &u : units) {
        if ((bytes & ((1ULL << u.shift) - 1)) == 0) {
            snprintf(buffer, sizeof buffer, "%ld%c", (long)(bytes >> u.shift), u.unit);
            return buffer;
        }
    }
    snprintf(buffer, sizeof buffer, "%ld", (long)bytes);
    return buffer;
}

int QuarnSizePrint(char *buffer, int size, uint64_t value)
{
    switch (size) {
    case 1:
        return sprintf(buffer, "0x%02X", (unsigned)(value & 0xFF));
    case 2:
        return sprintf(buffer, "0x%04X", (unsigned)(value & 0xFFFF));
    case 4:
        return sprintf(buffer, "0x%08X", (unsigned)(value & 0xFFFFFFFF));
    case 8:
        return sprintf(buffer, "0x%016lX", (unsigned long)value);
    default:
        return sprintf(buffer, "SizePrint: illegal size (%d) for 0x%016lX", size, (unsigned long)value);
    }
}

const char *PrepareFL(const char *file, int line)
{
    static char buffer[256];
    if (regress_mode) {
        buffer[0] = '\0';
        return buffer;
    }
    const char *path = file ? file : "";
    const char *src = strstr(path, "src/");
    snprintf(buffer, sizeof buffer, "(file %s, line %d)", src ? src : path, line);
    return buffer;
}

uint64_t GetMicroSecond(void)
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    return (uint64_t)now.tv_sec * 1000000u + (uint64_t)now.tv_usec;
}

void LogEntry(const char *tag, int number, const char *format, ...)
{
    if (very_very_quiet_mode) return;
    char message[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    FILE *out = Quarn_Output_File ? Quarn_Output_File : stdout;
    fprintf(out, "LOG-ENTRY (%s:%d) : %s\n", tag ? tag : "(null)", number, message);
    fflush(out);
}

// ---- checks ----

const char *Check_range_int(int value, int low, int high, const char *name, int fatal)
{
    if (value < low || value > high) {
        if (fatal)
            sim_panic("%s (%d) is out of range [%d, %d]", name, value, low, high);
        else
            sim_warning(2, "%s (%d) is out of range [%d, %d]", name, value, low, high);
    }
    return name;
}

int Check_power_of_2_int(int value, const char *name, int fatal)
{
    if (value == 0 || (value > 0 && (value & (value - 1)) == 0)) return value;
    if (fatal) sim_panic("%s (%d) (0x%X) must be a power of 2.", name, value, (unsigned)value);
    sim_warning(2, "Reset %s (%d) (0x%X) to a power of 2.", name, value, (unsigned)value);
    return (int)To_Power_Of_2(value);
}
