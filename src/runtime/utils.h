// Small shared helpers: {id, name} vocabulary tables, masks and bit fields in the big-endian
// bit numbering of the PowerPC architecture (bit 0 is the most significant), integer helpers,
// text comparison and editing, fixed formats for sizes and values, and range checks.
// Functions that return text return a static buffer that the next call overwrites.
#pragma once

#include <cstddef>
#include <cstdint>

// One row of an {id, name} table; a table ends with a row whose name is null.
struct IDNamePair {
    int32_t id;
    const char *name;
};

const char *ID2Name(const IDNamePair *table, int32_t id);
int32_t Name2ID(const IDNamePair *table, const char *name);
int32_t IDNamePair_array_size(const IDNamePair *table);

// Masks with ones in bits first..last (bit 0 = most significant); last < first wraps around.
uint64_t MakeMask64(uint32_t first, uint32_t last);
uint32_t MakeMask32(uint32_t first, uint32_t last);
uint16_t MakeMask16(uint32_t first, uint32_t last);
uint8_t MakeMask8(uint32_t first, uint32_t last);
inline uint64_t mask64(uint32_t first, uint32_t last)
{
    return MakeMask64(first, last);
}
inline uint32_t mask32(uint32_t first, uint32_t last)
{
    return MakeMask32(first, last);
}

uint64_t I64_CopyBits(uint64_t target, uint32_t position, uint64_t source, uint32_t first, uint32_t last);
uint32_t rotate_left_32(uint32_t value, uint32_t n);
uint64_t rotate_left_64(uint64_t value, uint32_t n);
uint64_t EXTS(uint64_t value, uint32_t bits);
int32_t Count_Bits(uint64_t value);
int32_t PopCount32(int32_t value);
int32_t Count_Leading_Zeros(uint32_t value);
int32_t Bit_1_Position(uint32_t value);
int32_t Log_2(uint64_t value);
uint64_t To_Power_Of_2(int64_t value);
int32_t Bit_Range(uint64_t value);
uint64_t u64_div_up(uint64_t a, uint64_t b);

// Result of add64: the 64-bit sum, the carry out of bit 63 and the signed-overflow flag.
struct add64_result {
    uint64_t sum;
    uint8_t carry;
    uint8_t overflow;
};
void add64(add64_result *result, uint64_t a, uint64_t b, uint32_t carry_in);

// Bit fields of a byte array, bit 0 the most significant bit of byte 0 (up to 64 bits wide).
void place_big_endian_value(uint8_t *bytes, uint32_t first, uint32_t last, uint64_t value);
uint64_t extract_big_endian_value(const uint8_t *bytes, uint32_t first, uint32_t last);

int asciiHexNibbleToBinary(char character, uint8_t *out);
uint32_t Fast_Rand(void);
float rate(uint64_t part, uint64_t whole);

// Text.
bool StrEqual(const char *a, const char *b);
bool StrCaseEqual(const char *a, const char *b);
bool StrNCaseEqual(const char *a, const char *b, size_t n);
char *StrCaseStrWhere(const char *text, const char *part);
bool StrCaseStr(const char *text, const char *part);
const char *slowstrcasestr(const char *text, const char *part);
void Force_Lower(char *text);
void Force_Upper(char *text);
size_t StrLenWithoutSpace(const char *text);
size_t remove_trailing_char(char *text, char character);
void safe_strcat(char *buffer, const char *text, size_t size);
const char *Pad_String(const char *text, int width);
bool StrAllNum(const char *text);
const char *Bit2String(int flag);
const char *printrep(int character);

// Formats.
const char *Prepare_MemorySize(uint64_t bytes);
int QuarnSizePrint(char *buffer, int size, uint64_t value);
const char *PrepareFL(const char *file, int line);
uint64_t GetMicroSecond(void);
void LogEntry(const char *tag, int number, const char *format, ...) __attribute__((format(printf, 3, 4)));

// Checks.
const char *Check_range_int(int value, int low, int high, const char *name, int fatal);
int Check_power_of_2_int(int value, const char *name, int fatal);
