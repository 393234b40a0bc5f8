// The line store: geometry and set selection, configuration errors, victim choice by replacement
// mode, state changes that keep or drop a line, big-endian partial values, and the assertion on a
// line operation given the wrong address.
#include <gtest/gtest.h>

#include <string>

#include "mmu/tm/line_store.h"
#include "support/sink_capture.h"

namespace
{

constexpr int32_t LINE_LOG2 = 7; // 128-byte lines

// 2^lines lines of 128 bytes, 2^ways_log2 ways, physically indexed.
cs_CacheStore_s *make(int32_t lines_log2, int32_t ways_log2, int32_t mode = 1)
{
    return cs_CacheStore_init("test", 1, lines_log2 + LINE_LOG2, LINE_LOG2, ways_log2, 1, mode);
}

// Fills the address's chosen line with bytes of the value.
int32_t fill(cs_CacheStore_s *cs, uint64_t paddr, uint8_t value = 0, int32_t state = cs_State_S)
{
    std::string bytes(cs_GetLineSize(cs), (char)value);
    const int32_t line = cs_SelectNewLine(cs, paddr, paddr, 0, nullptr);
    EXPECT_NE(line, -1);
    cs_LoadLine(cs, line, paddr, paddr, reinterpret_cast<const uint8_t *>(bytes.data()), state);
    return line;
}

TEST(LineStore, GeometryAndSets)
{
    cs_CacheStore_s *cs = make(6, 4);
    ASSERT_NE(cs, nullptr);
    EXPECT_EQ(cs_GetLineCount(cs), 64u);
    EXPECT_EQ(cs_GetCongruenceSetCount(cs), 4u);
    EXPECT_EQ(cs_GetLineSize(cs), 128u);
    for (uint64_t a : {0x0ull, 0x200ull, 0x400ull, 0x10000ull})
        EXPECT_EQ(cs_GetCongruenceSet(cs, 0, a), 0u) << a;
    EXPECT_EQ(cs_GetCongruenceSet(cs, 0, 0x80), 1u);
    EXPECT_EQ(cs_MaskToMemoryBlockAddr(cs, 0x1234), 0x1200u);

    // 16 lines of set 0 fit; a 17th finds the set full (its victim is still valid).
    for (uint64_t n = 0; n < 16; n++)
        fill(cs, n * 0x200);
    int32_t state = 0;
    EXPECT_NE(cs_SelectNewLine(cs, 0, 16 * 0x200, 0, &state), -1);
    EXPECT_EQ(state, cs_State_S);
    EXPECT_EQ(cs_LookupAddr(cs, 0, 0x1A10, &state), (int32_t)(0x1A00 / 0x200));
    EXPECT_EQ(cs_LookupAddr(cs, 0, 0x80, &state), -1);
    EXPECT_EQ(state, 0);
    cs_CacheStore_FREE(cs);

    cs = make(6, -1); // one fully associative set
    ASSERT_NE(cs, nullptr);
    EXPECT_EQ(cs_GetCongruenceSetCount(cs), 1u);
    EXPECT_EQ(cs_GetCongruenceSet(cs, 0, 0x80), 0u);
    cs_CacheStore_FREE(cs);
}

TEST(LineStore, ConfigurationErrors)
{
    SinkCapture sink;
    EXPECT_EQ(cs_CacheStore_init("bad", 1, 7, 7, 0, 1, 1), nullptr);
    EXPECT_NE(sink.text().find("ERROR: Cache Size must allow for multiple lines!"), std::string::npos);
    EXPECT_EQ(make(2, 3), nullptr);
    EXPECT_NE(
        sink.text().find("ERROR: log of line_count_per_slice (2) is less than log of associativity (3)"),
        std::string::npos)
        << sink.text();
}

// Two ways of one set hold A and B (filled in that order), then A is read: least recently used
// (mode 0) evicts B, insertion order (mode 1) evicts A.
TEST(LineStore, VictimsByMode)
{
    for (int32_t mode : {0, 1}) {
        SCOPED_TRACE(mode);
        cs_CacheStore_s *cs = make(1, 1, mode);
        const int32_t a = fill(cs, 0x0), b = fill(cs, 0x80 * 2);
        ASSERT_NE(a, b);
        uint8_t byte;
        cs_ReadPartial(cs, a, 0, 0x10, &byte, 1);
        cs_ReadPartial(cs, a, 0, 0x10, &byte, 1);
        EXPECT_EQ(cs_SelectNewLine(cs, 0, 0x400, 0, nullptr), mode == 0 ? b : a);
        cs_CacheStore_FREE(cs);
    }
    // Tree pseudo-LRU: after the ways were filled in order way 0 goes first; once 0 is used again
    // the tree points to the other half.
    cs_CacheStore_s *cs = make(2, 2, 2);
    for (uint64_t n = 0; n < 4; n++)
        EXPECT_EQ(fill(cs, n * 0x80), (int32_t)n);
    EXPECT_EQ(cs_SelectNewLine(cs, 0, 0x800, 0, nullptr), 0);
    cs_LoadLine(cs, 0, 0, 0x0, nullptr, cs_State_M);
    EXPECT_EQ(cs_SelectNewLine(cs, 0, 0x800, 0, nullptr), 2);
    cs_CacheStore_FREE(cs);
}

TEST(LineStore, StateChanges)
{
    cs_CacheStore_s *cs = make(1, 1, 0);
    const int32_t a = fill(cs, 0x0, 0xAB), b = fill(cs, 0x100);
    uint8_t out[128];
    EXPECT_EQ(cs_AbandonLine(cs, a, 0x0, out, cs_State_M), cs_State_S); // stays valid and listed
    EXPECT_EQ(out[5], 0xAB);
    EXPECT_EQ(cs_GetLineState(cs, a), cs_State_M);
    EXPECT_EQ(cs_SelectNewLine(cs, 0, 0x200, 0, nullptr), a); // a is still the older of the two
    EXPECT_EQ(cs_SetState(cs, b, 0x100, cs_State_E), cs_State_S);
    EXPECT_EQ(cs_AbandonLine(cs, a, 0x0, nullptr, cs_State_Invalid), cs_State_M);
    uint64_t paddr = 0;
    EXPECT_EQ(cs_GetLineInfo(cs, a, &paddr), cs_State_Invalid);
    EXPECT_EQ(cs_SelectNewLine(cs, 0, 0x200, 0, nullptr), a); // the free way
    EXPECT_EQ(cs_GetLineInfo(cs, b, &paddr), cs_State_E);
    EXPECT_EQ(paddr, 0x100u);
    EXPECT_STREQ(cs_Prepare(cs_State_M), "cs_State_M");
    EXPECT_STREQ(cs_Prepare(15), "TRANSITION_PUSH_2_E");
    EXPECT_STREQ(cs_Prepare(16), "Unknown cs_CacheState");
    cs_CacheStore_FREE(cs);
}

TEST(LineStore, PartialValuesAreBigEndian)
{
    cs_CacheStore_s *cs = make(2, 1);
    const int32_t line = fill(cs, 0x1000);
    cs_WritePartialReg(cs, line, 0, 0x1008, 0x1122334455667788ull, 8);
    EXPECT_EQ(cs_ReadPartialReg(cs, line, 0, 0x1008, 2), 0x1122u);
    EXPECT_EQ(cs_ReadPartialReg(cs, line, 0, 0x100E, 2), 0x7788u);
    EXPECT_EQ(cs_ReadPartialReg(cs, line, 0, 0x1008, 3), 0u); // only 1, 2, 4 and 8 bytes read
    cs_WritePartialReg(cs, line, 0, 0x1010, 0xAABBCC, 3);     // the low bytes, least significant last
    EXPECT_EQ(cs_ReadPartialReg(cs, line, 0, 0x1010, 4), 0xAABBCC00u);
    cs_CacheStore_FREE(cs);
}

TEST(LineStoreDeathTest, LineOperationOnTheWrongAddress)
{
    cs_CacheStore_s *cs = make(2, 1);
    const int32_t line = fill(cs, 0x1000);
    // The message sink writes to standard error inside the dying process.
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            cs_UnLoadLine(cs, line, 0x2000, nullptr);
        },
        "Assert : paddr2 == paddr at line");
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            cs_ReadPartialReg(cs, line, 0, 0x1000, 9);
        },
        "length<=8");
    cs_CacheStore_FREE(cs);
}

} // namespace
