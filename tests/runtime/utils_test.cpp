#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/utils.h"

namespace
{

TEST(Masks, BigEndianBitRangesIncludingWrapAndOutOfRange)
{
    struct Case {
        uint32_t first, last;
        uint64_t mask;
    } cases[] = {
        {0, 0, 0x8000000000000000ULL},
        {60, 63, 0xFULL},
        {62, 1, 0xC000000000000003ULL},
        {0, 63, ~0ULL},
        {63, 63, 1ULL},
        {60, 100, 0xFULL}, // last beyond 63: first..63
        {70, 1, 0xC000000000000000ULL},
        {8, 15, 0x00FF000000000000ULL}, // first beyond 63 wraps to 0..last
    };
    for (const Case &c : cases)
        EXPECT_EQ(MakeMask64(c.first, c.last), c.mask) << c.first << "," << c.last;
    EXPECT_EQ(mask64(62, 1), 0xC000000000000003ULL);
    EXPECT_EQ(MakeMask32(0, 31), 0xFFFFFFFFu);
    EXPECT_EQ(MakeMask32(30, 1), 0xC0000003u);
    EXPECT_EQ(mask32(28, 31), 0xFu);
    EXPECT_EQ(MakeMask16(8, 15), 0x00FF);
    EXPECT_EQ(MakeMask16(0, 40), 0xFFFF);
    EXPECT_EQ(MakeMask8(0, 0), 0x80);
    EXPECT_EQ(MakeMask8(7, 0), 0x81);
}

TEST(Bits, RotationsAndSignExtensionAtTheWordWidth)
{
    EXPECT_EQ(rotate_left_64(0x8000000000000001ULL, 1), 3ULL);
    EXPECT_EQ(rotate_left_64(0x123456789ABCDEF0ULL, 0), 0x123456789ABCDEF0ULL);
    EXPECT_EQ(rotate_left_64(0x123456789ABCDEF0ULL, 64), 0x123456789ABCDEF0ULL);
    EXPECT_EQ(rotate_left_32(0x80000001u, 4), 0x18u);
    EXPECT_EQ(rotate_left_32(0x80000001u, 32), 0x80000001u);

    EXPECT_EQ(EXTS(0x80, 8), 0xFFFFFFFFFFFFFF80ULL);
    EXPECT_EQ(EXTS(0x7F, 8), 0x7FULL);
    EXPECT_EQ(EXTS(0x1FF80, 8), 0xFFFFFFFFFFFFFF80ULL); // bits above the field are ignored
    EXPECT_EQ(EXTS(1, 1), ~0ULL);
    EXPECT_EQ(EXTS(0x8000000000000000ULL, 64), 0x8000000000000000ULL);
    EXPECT_EQ(EXTS(0x80000000ULL, 32), 0xFFFFFFFF80000000ULL);
}

TEST(Bits, CopyBitsPlacesAFieldAndKeepsTheRest)
{
    EXPECT_EQ(I64_CopyBits(0, 60, 0xF, 60, 63), 0xFULL);
    EXPECT_EQ(I64_CopyBits(0, 0, 0xF, 60, 63), 0xF000000000000000ULL);
    EXPECT_EQ(I64_CopyBits(~0ULL, 4, 0, 0, 3), 0xF0FFFFFFFFFFFFFFULL);
    EXPECT_EQ(I64_CopyBits(0, 62, 0xF, 60, 63), 0x3ULL); // the field is cut at bit 63
}

TEST(Bits, CountsPowersAndRanges)
{
    EXPECT_EQ(Count_Bits(0xF0F0ULL), 8);
    EXPECT_EQ(PopCount32(-1), 64); // widened with its sign
    EXPECT_EQ(PopCount32(0x7FFFFFFF), 31);
    EXPECT_EQ(Count_Leading_Zeros(0), 32);
    EXPECT_EQ(Count_Leading_Zeros(1), 31);
    EXPECT_EQ(Bit_1_Position(0), -1);
    EXPECT_EQ(Bit_1_Position(0x18), 3);
    EXPECT_EQ(Log_2(6), -1);
    EXPECT_EQ(Log_2(0), -1);
    EXPECT_EQ(Log_2(1ULL << 40), 40);
    EXPECT_EQ(To_Power_Of_2(5), 8u);
    EXPECT_EQ(To_Power_Of_2(8), 8u);
    EXPECT_EQ(To_Power_Of_2(0), 0u);
    EXPECT_EQ(To_Power_Of_2(-3), 0u);
    const int bit_range[][2] = {{1, 0}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {1024, 10}, {1025, 11}};
    for (const auto &c : bit_range)
        EXPECT_EQ(Bit_Range(c[0]), c[1]) << c[0];
    EXPECT_EQ(u64_div_up(10, 3), 4u);
    EXPECT_EQ(u64_div_up(9, 3), 3u);
    EXPECT_EQ(u64_div_up(9, 0), 0u);
}

TEST(Bits, Add64CarryAndOverflow)
{
    struct Case {
        uint64_t a, b;
        uint32_t carry_in;
        uint64_t sum;
        int carry, overflow;
    } cases[] = {
        {~0ULL, 1, 0, 0, 1, 0},
        {0x7FFFFFFFFFFFFFFFULL, 1, 0, 0x8000000000000000ULL, 0, 1},
        {0x8000000000000000ULL, 0x8000000000000000ULL, 0, 0, 1, 1},
        {1, 1, 1, 3, 0, 0},
        {~0ULL, 0, 1, 0, 1, 0},
    };
    for (const Case &c : cases) {
        add64_result r;
        add64(&r, c.a, c.b, c.carry_in);
        EXPECT_EQ(r.sum, c.sum);
        EXPECT_EQ(r.carry, c.carry);
        EXPECT_EQ(r.overflow, c.overflow);
    }
}

TEST(Bits, BigEndianFieldsInByteArrays)
{
    uint8_t bytes[12] = {};
    place_big_endian_value(bytes, 4, 11, 0xAB);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0xB0);
    EXPECT_EQ(extract_big_endian_value(bytes, 4, 11), 0xABu);

    memset(bytes, 0xFF, sizeof bytes);
    place_big_endian_value(bytes, 3, 66, 0x0123456789ABCDEFULL); // 64 bits, unaligned
    EXPECT_EQ(extract_big_endian_value(bytes, 3, 66), 0x0123456789ABCDEFULL);
    EXPECT_EQ(bytes[0] & 0xE0, 0xE0); // bits 0-2 kept
    EXPECT_EQ(bytes[8] & 0x1F, 0x1F); // bits 67-71 kept
}

TEST(Numbers, HexNibblesRandomAndRate)
{
    uint8_t v = 99;
    EXPECT_EQ(asciiHexNibbleToBinary('a', &v), 0);
    EXPECT_EQ(v, 10);
    EXPECT_EQ(asciiHexNibbleToBinary('F', &v), 0);
    EXPECT_EQ(v, 15);
    EXPECT_EQ(asciiHexNibbleToBinary('G', &v), 1);
    EXPECT_EQ(v, 15);

    uint32_t r1 = Fast_Rand();
    uint32_t r2 = Fast_Rand();
    EXPECT_EQ(r2, r1 * 1103515245u + 12345u);

    EXPECT_FLOAT_EQ(rate(1, 4), 25.0f);
    EXPECT_FLOAT_EQ(rate(0, 4), 0.0f);
    EXPECT_FLOAT_EQ(rate(4, 0), 0.0f);
}

const IDNamePair modes[] = {{1, "FAST  "}, {2, "SIMPLE"}, {3, "FAST"}, {0, nullptr}};

TEST(IDNameTables, LookupsBothWays)
{
    EXPECT_EQ(Name2ID(modes, "fast"), 1);
    EXPECT_EQ(Name2ID(modes, "Fast"), 1);
    EXPECT_EQ(Name2ID(modes, "fas"), -1);
    EXPECT_EQ(Name2ID(modes, "simple"), 2);
    EXPECT_EQ(Name2ID(modes, nullptr), -1);
    EXPECT_STREQ(ID2Name(modes, 2), "SIMPLE");
    EXPECT_STREQ(ID2Name(modes, 7), "Name for 7 not found");
    EXPECT_EQ(IDNamePair_array_size(modes), 3);
}

TEST(Text, ComparisonsAndEditing)
{
    EXPECT_FALSE(StrEqual(nullptr, nullptr));
    EXPECT_TRUE(StrEqual("a", "a"));
    EXPECT_FALSE(StrEqual("a", "A"));
    EXPECT_TRUE(StrCaseEqual("a", "A"));
    EXPECT_TRUE(StrNCaseEqual("abcX", "ABCy", 3));
    EXPECT_TRUE(StrCaseStr("Hello World", "WORLD"));
    const char *text = "Hello World";
    EXPECT_EQ(slowstrcasestr(text, "WORLD"), text + 6);
    EXPECT_EQ(slowstrcasestr(text, "planet"), nullptr);

    char s[] = "MiXed";
    Force_Lower(s);
    EXPECT_STREQ(s, "mixed");
    Force_Upper(s);
    EXPECT_STREQ(s, "MIXED");

    EXPECT_EQ(StrLenWithoutSpace("  ab c \t"), 4u);
    EXPECT_EQ(StrLenWithoutSpace("   "), 0u);
    char path[] = "abc///";
    EXPECT_EQ(remove_trailing_char(path, '/'), 3u);
    EXPECT_STREQ(path, "abc");

    char buffer[8] = "abc";
    safe_strcat(buffer, "defghijk", sizeof buffer);
    EXPECT_STREQ(buffer, "abcdefg");

    EXPECT_STREQ(Pad_String("ab", 4), "ab  ");
    EXPECT_STREQ(Pad_String("abcdef", 3), "abc");
    EXPECT_EQ(Pad_String(nullptr, 3), nullptr);
    EXPECT_EQ(strlen(Pad_String("x", 500)), 128u);

    EXPECT_TRUE(StrAllNum(""));
    EXPECT_TRUE(StrAllNum("0123"));
    EXPECT_FALSE(StrAllNum("12a"));
    EXPECT_FALSE(StrAllNum(nullptr));
    EXPECT_STREQ(Bit2String(5), "On");
    EXPECT_STREQ(Bit2String(0), "Off");
}

TEST(Text, PrintableRepresentation)
{
    const struct {
        int c;
        const char *text;
    } cases[] = {{1, "^A"},      {0, "^@"},      {'a', "a"},      {' ', " "},
                 {127, "<del>"}, {200, "\\310"}, {0xFFFF, "EOF"}, {300, "0x012C"}};
    for (const auto &c : cases)
        EXPECT_STREQ(printrep(c.c), c.text) << c.c;
}

TEST(Formats, MemorySizesAndSizedValues)
{
    const struct {
        uint64_t bytes;
        const char *text;
    } sizes[] = {{1536, "1536"},
                 {2048, "2K"},
                 {3ULL << 30, "3G"},
                 {0, "0T"},
                 {5ULL << 40, "5T"},
                 {3ULL << 20, "3M"},
                 {(1ULL << 30) + 1024, "1048577K"}};
    for (const auto &c : sizes)
        EXPECT_STREQ(Prepare_MemorySize(c.bytes), c.text) << c.bytes;

    char buffer[64];
    EXPECT_EQ(QuarnSizePrint(buffer, 1, 0x1234), 4);
    EXPECT_STREQ(buffer, "0x34");
    QuarnSizePrint(buffer, 2, 0x12345);
    EXPECT_STREQ(buffer, "0x2345");
    QuarnSizePrint(buffer, 4, 0x1ABCDEF01ULL);
    EXPECT_STREQ(buffer, "0xABCDEF01");
    QuarnSizePrint(buffer, 8, 0xAB);
    EXPECT_STREQ(buffer, "0x00000000000000AB");
    QuarnSizePrint(buffer, 3, 5);
    EXPECT_STREQ(buffer, "SizePrint: illegal size (3) for 0x0000000000000005");
}

TEST(Formats, FileAndLineKeepThePathFromSrc)
{
    int saved = regress_mode;
    regress_mode = 0;
    EXPECT_STREQ(PrepareFL("/home/x/quarn/src/runtime/utils.cpp", 12),
                 "(file src/runtime/utils.cpp, line 12)");
    EXPECT_STREQ(PrepareFL("utils.cpp", 3), "(file utils.cpp, line 3)");
    regress_mode = 1;
    EXPECT_STREQ(PrepareFL("/home/x/src/a.cpp", 1), "");
    regress_mode = saved;
}

// Reads what was written to a temporary output file.
std::string drain(FILE *file)
{
    fflush(file);
    rewind(file);
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    return text;
}

TEST(Formats, LogEntryWritesStraightToTheOutputUnlessVeryVeryQuiet)
{
    FILE *saved = Quarn_Output_File;
    int saved_quiet = very_very_quiet_mode;
    FILE *out = tmpfile();
    ASSERT_NE(out, nullptr);
    Quarn_Output_File = out;
    very_very_quiet_mode = 0;
    LogEntry("tag", 3, "hello %d", 5);
    very_very_quiet_mode = 1;
    LogEntry("tag", 4, "silenced");
    very_very_quiet_mode = saved_quiet;
    Quarn_Output_File = saved;
    EXPECT_EQ(drain(out), "LOG-ENTRY (tag:3) : hello 5\n");
    fclose(out);
}

TEST(Checks, RangeAndPowerOfTwo)
{
    EXPECT_EQ(Check_power_of_2_int(0, "zero", 1), 0);
    EXPECT_EQ(Check_power_of_2_int(8, "eight", 1), 8);
    EXPECT_EQ(Check_power_of_2_int(6, "six", 0), 8);
    EXPECT_STREQ(Check_range_int(5, 0, 10, "in", 1), "in");
    EXPECT_STREQ(Check_range_int(11, 0, 10, "out", 0), "out");
}

TEST(ChecksDeathTest, FatalChecksAbort)
{
    EXPECT_DEATH(Check_power_of_2_int(6, "six", 1), "");
    EXPECT_DEATH(Check_range_int(11, 0, 10, "out", 1), "");
}

} // namespace
