// Decoder: specialised decodes, decoder selection, the shape of the tree and its equivalence with a
// linear match over the row file's encodings.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "decode/decoder.h"
#include "decode/instr_tables.h"

namespace {

struct Enc {
    int id;
    uint32_t mask, value;
    int priority;
    bool internal;
};

std::vector<Enc> row_encodings() {
    std::vector<Enc> v;
#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,        \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value, enc_prio)  \
    v.push_back(Enc{id, enc_mask, enc_value, enc_prio, internal != 0});
#include "decode/instructions.def"
#undef INSTR
    return v;
}

// Reference decoder: the matching row of highest priority, row 0 when none matches; rows bucketed by
// primary opcode.
class LinearMatcher {
  public:
    LinearMatcher() {
        for (const Enc &e : row_encodings())
            if (!e.internal && e.mask != 0)
                by_primary_[e.value >> 26].push_back(e);
    }
    int decode(uint32_t word) const {
        int best = 0, best_priority = -1;
        for (const Enc &e : by_primary_[word >> 26])
            if ((word & e.mask) == e.value && e.priority > best_priority) {
                best = e.id;
                best_priority = e.priority;
            }
        return best;
    }

  private:
    std::array<std::vector<Enc>, 64> by_primary_;
};

int decode(uint32_t word) { return DecodeInstr_Ervik(instruction_info_table, word)->id; }

const char *name_of(uint32_t word) { return DecodeInstr_Ervik(instruction_info_table, word)->mnemonic; }

TEST(Decoder, SpecialisedAndWorkedExampleWords) {
    struct Case {
        uint32_t word;
        const char *mnemonic;
        int row; // -1: check the mnemonic only
    };
    const Case cases[] = {
        {0x00000000, "INVALID", 0},     {0x60000000, "nop", 528},      {0x60000001, "ori", -1},
        {0x7C000038, "nop_mark", 537},  {0x7C210838, "and", -1},       {0x7C6802A6, "mflr", 436},
        {0x7C6042A6, "mfspr", 439},     {0x7C000080, "INVALID", 0},    {0x7C200080, "cmpla", 73},
        {0x44000002, "sc", 578},        {0x44000003, "sc", 578},       {0x44000000, "sc", 579},
        {0x44000001, "scv", 580},       {0x7C642A14, "add", 1},        {0x38600001, "addi", 16},
        {0x4E800020, "bclr", 53},       {0x7C0004AD, "sync", 710},     {0x7C2004AC, "sync", 710},
        {0xF000006E, "notrace", 540},   {0x24000000, "notrace1", 541}, {0x24000004, "emask", 232},
        {0x24000020, "emasksave", 235}, {0x24000028, "emaskres", 234}, {0x24000030, "emask_mv", 233},
        {0x24000038, "INVALID", 0},     {0x7C000424, "nop_530", 529},  {0x7C0005E4, "nop_754", 536},
        {0x7C0102A6, "mfxer", 446},     {0x7C0902A6, "mfctr", 433},    {0x7C0103A6, "mtxer", 499},
        {0x7C0803A6, "mtlr", 487},      {0x7C0903A6, "mtctr", 477},    {0x7C1303A6, "mtdar", 478},
        {0x7C6043A6, "mtspr", 492},
        {0x7C700026, "mfocrf", 438},    {0x7C600026, "mfcr", 431},     {0x7C781120, "mtocrf", 490},
        {0x7C681120, "mtcrf", 476},     {0x42800000, "bc_uncond", 44}, {0x42A00000, "bc_uncond", 44},
        {0x42000010, "bdnz", 57},       {0x42400000, "bdz", 58},       {0x40820010, "bf", 59},
        {0x41820010, "bt", 64},         {0x43800000, "bc", 43},        {0x42800001, "bcl_uncond", 51},
        {0x42000001, "bcl", 50},        {0x40820002, "bca", 45},       {0x42800003, "bcla", 52},
        {0x2C030001, "cmpwi", 77},      {0x2C230001, "cmpdi", 70},     {0x28030001, "cmplwi", 76},
        {0x28230001, "cmpldi", 74},     {0x7C00066C, "dss", 208},      {0x7E00066C, "dssall", 209},
        {0x7C0002AC, "dst", 210},       {0x7E0002AC, "dstt", 213},     {0x7C0002EC, "dstst", 211},
        {0x7E0002EC, "dststt", 212},    {0x7C00055D, "tend.", 720},    {0x7E00055D, "tendouter.", 721},
        {0x7C0005DD, "tsuspend.", 729}, {0x7C2005DD, "tresume.", 728}, {0x000EAEB0, "support", 708},
        {0x000006B2, "support_halt", 709}, {0x7C0007CA, "rtascall", 577}, {0x7C00046A, "lsdx", 397},
        {0x7C00056A, "stsdx", 660},     {0xE8600003, "lmd", 390},      {0xF8600003, "stmd", 654},
        {0x78000018, "selii", 581},     {0x7800001F, "selrr.", 588},   {0x7C0000BB, "dtcs.", 218},
        {0x7C0000BA, "INVALID", 0},     {0x7C00007A, "dsixes", 207},   {0x7C000234, "cdtbcd", 66},
        {0x7C000274, "cbcdtd", 65},     {0x7C00012D, "stwcx.", 672},   {0x7C00012C, "stwcx", 671},
        {0x04000000, "INVALID", 0},     {0x14000000, "INVALID", 0},    {0x18000000, "INVALID", 0},
        {0x58000000, "INVALID", 0},
    };
    for (const Case &c : cases) {
        EXPECT_STREQ(name_of(c.word), c.mnemonic) << std::hex << c.word;
        if (c.row >= 0) {
            EXPECT_EQ(decode(c.word), c.row) << std::hex << c.word;
        }
    }
}

TEST(Decoder, PrimaryOpcodesWithoutInstructionsYieldRowZero) {
    std::mt19937 rng(7);
    for (uint32_t primary : {1u, 5u, 6u, 22u})
        for (int i = 0; i < 20000; ++i)
            ASSERT_EQ(decode((primary << 26) | (rng() & 0x03FFFFFF)), 0);
}

TEST(Decoder, RegisterAndReservedFieldsDoNotChangeTheRow) {
    // add, mfspr 256, lwz, and, stwcx.: only register fields differ.
    EXPECT_EQ(decode(0x7C000214), decode(0x7FFFFA14));
    EXPECT_EQ(decode(0x80000000), decode(0x83FFFFFF));
    EXPECT_EQ(decode(0x7C000038 | (5u << 21)), 32);
}

TEST(Decoder, SelectDecoderNames) {
    testing::internal::CaptureStderr();
    for (const char *good : {"ervik", "Ervik", "ERVIK", "PROC_Ervik", "PROC_ERVIK", "PROC_ervik"}) {
        DecodeInstr = nullptr;
        Init_DecodeTable = nullptr;
        EXPECT_EQ(SelectDecoder(good), DecodeInstr_Ervik) << good;
        EXPECT_EQ(DecodeInstr, DecodeInstr_Ervik);
        EXPECT_EQ(Init_DecodeTable, Init_DecodeTable_Ervik);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    for (const char *bad : {"proc_Ervik", "PROC_", "Erviks", "Myrrin", ""}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(SelectDecoder(bad), nullptr) << bad;
        EXPECT_EQ(DecodeInstr, nullptr);
        EXPECT_EQ(Init_DecodeTable, nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("*** ERROR: SelectDecoder() called with unrecognized processor name: ") + bad + "\n");
    }
    // Without a decode function every word takes the illegal-instruction row.
    EXPECT_EQ(Processor_Decode_Instruction(nullptr, 0x7C642A14), &instruction_info_table[ROW_INVALID]);
    ASSERT_EQ(SelectDecoder("Ervik"), DecodeInstr_Ervik);
    EXPECT_EQ(Processor_Decode_Instruction(nullptr, 0x7C642A14), &instruction_info_table[ROW_ADD]);
}

// Walks every node of the tree once, checking the node format, and records leaves, defaults and depth.
struct TreeWalk {
    std::set<uint32_t> visited;
    std::set<int> leaves;           // rows reached as a pair result or result-array entry
    std::set<int> defaults;         // rows used as a match-list default
    std::set<int> covering_default; // defaults of match lists whose pairs cover every value of the mask
    int max_depth = 0;
    size_t words = 0;

    void result(int32_t r, int depth) {
        if (r >= 0)
            leaves.insert(r);
        else
            node((uint32_t)-r, depth + 1);
    }

    void node(uint32_t offset, int depth) {
        ASSERT_LT(offset, decode_tree_Ervik_size);
        ASSERT_TRUE(visited.insert(offset).second) << "node reachable twice at " << offset;
        max_depth = std::max(max_depth, depth);
        const uint32_t *n = &decode_tree_Ervik[offset];
        const uint32_t type = n[0] >> 24, count = n[0] & 0xFFFF;
        ASSERT_EQ((n[0] >> 16) & 0xFF, 0u);
        if (type == DECODE_NODE_MATCH_LIST) {
            ASSERT_LE(count, 4u);
            const uint32_t mask = n[1];
            ASSERT_GE((int32_t)n[2], 0) << "match-list default must be a row";
            defaults.insert((int)n[2]);
            std::set<uint32_t> values;
            for (uint32_t i = 0; i < count; ++i) {
                ASSERT_EQ(n[3 + 2 * i] & ~mask, 0u);
                ASSERT_TRUE(values.insert(n[3 + 2 * i]).second);
                result((int32_t)n[4 + 2 * i], depth);
            }
            if (__builtin_popcount(mask) < 32 && values.size() == (size_t)1 << __builtin_popcount(mask))
                covering_default.insert((int)n[2]);
            words += 3 + 2 * count;
        } else {
            ASSERT_EQ(type, DECODE_NODE_BIT_GATHER);
            ASSERT_GE(count, 1u);
            uint32_t all = 0;
            for (uint32_t i = 1; i <= count; ++i) {
                const uint32_t f = n[i];
                ASSERT_EQ(f >> 21, 0u);
                ASSERT_NE(f & 0xFFFF, 0u);
                ASSERT_EQ(all & f & 0xFFFF, 0u) << "overlapping gather masks";
                all |= f & 0xFFFF;
            }
            ASSERT_EQ(all & (all + 1), 0u) << "gather masks not a contiguous run of low bits";
            ASSERT_LE(all + 1, 64u);
            for (uint32_t i = 0; i <= all; ++i)
                result((int32_t)n[1 + count + i], depth);
            words += 1 + count + all + 1;
        }
    }
};

TEST(DecodeTree, NodesAreWellFormedAndEveryDecodableRowAppears) {
    TreeWalk walk;
    walk.node(0, 1);
    EXPECT_EQ(walk.words, decode_tree_Ervik_size) << "every word belongs to exactly one node";
    EXPECT_LE(walk.max_depth, 5);

    std::set<int> appearing = walk.leaves;
    appearing.insert(walk.defaults.begin(), walk.defaults.end());
    std::set<int> decodable;
    for (const Enc &e : row_encodings())
        if (!e.internal)
            decodable.insert(e.id);
    EXPECT_EQ(appearing, decodable);
    EXPECT_EQ(decodable.size(), 1050u);
    for (const Enc &e : row_encodings()) {
        if (e.internal) {
            EXPECT_EQ(appearing.count(e.id), 0u) << instruction_info_table[e.id].mnemonic;
        }
    }

    // cmpi and cmpli only as defaults that no word reaches.
    for (int row : {ROW_CMPI, ROW_CMPLI}) {
        EXPECT_EQ(walk.leaves.count(row), 0u);
        EXPECT_EQ(walk.covering_default.count(row), 1u);
    }
}

// Every word built from the tree's tested fields: all gather indices and, at a match list, each pair value
// and one value that no pair has; the untested bits are filled at random.
void enumerate(uint32_t offset, uint32_t fixed, uint32_t value, std::vector<std::pair<uint32_t, uint32_t>> &out) {
    const uint32_t *n = &decode_tree_Ervik[offset];
    const uint32_t count = n[0] & 0xFFFF;
    auto follow = [&](int32_t r, uint32_t f, uint32_t v) {
        if (r < 0)
            enumerate((uint32_t)-r, f, v, out);
        else
            out.emplace_back(f, v);
    };
    if ((n[0] >> 24) == DECODE_NODE_MATCH_LIST) {
        const uint32_t mask = n[1];
        std::set<uint32_t> values;
        for (uint32_t i = 0; i < count; ++i) {
            values.insert(n[3 + 2 * i]);
            follow((int32_t)n[4 + 2 * i], fixed | mask, value | n[3 + 2 * i]);
        }
        for (uint32_t candidate = 0; candidate <= 4; ++candidate) {
            uint32_t v = 0; // spread the candidate over the mask's low bits
            for (uint32_t b = 0, k = 0; b < 32 && k < 3; ++b)
                if (mask >> b & 1)
                    v |= ((candidate >> k++) & 1) << b;
            if (!values.count(v)) {
                out.emplace_back(fixed | mask, value | v);
                break;
            }
        }
        return;
    }
    uint32_t all = 0;
    for (uint32_t i = 1; i <= count; ++i)
        all |= n[i] & 0xFFFF;
    for (uint32_t index = 0; index <= all; ++index) {
        uint32_t f = fixed, v = value;
        for (uint32_t i = 1; i <= count; ++i) {
            const uint32_t m = n[i] & 0xFFFF, shift = (n[i] >> 16) & 31;
            f |= m << shift;
            v |= (index & m) << shift;
        }
        follow((int32_t)n[1 + count + index], f, v);
    }
}

TEST(DecodeTree, AgreesWithLinearMatchOnEveryTestedFieldValue) {
    const LinearMatcher linear;
    std::vector<std::pair<uint32_t, uint32_t>> paths;
    enumerate(0, 0, 0, paths);
    ASSERT_GT(paths.size(), 2000u);
    std::mt19937 rng(12345);
    for (const auto &[fixed, value] : paths)
        for (int fill = 0; fill < 4; ++fill) {
            const uint32_t untested = fill == 0 ? 0 : fill == 1 ? ~0u : (uint32_t)rng();
            const uint32_t word = value | (untested & ~fixed);
            ASSERT_EQ(decode(word), linear.decode(word)) << std::hex << word;
        }
    // Each row's own encoding, with every single tested bit flipped.
    for (const Enc &e : row_encodings()) {
        if (e.internal || e.mask == 0)
            continue;
        const uint32_t word = e.value | ((uint32_t)rng() & ~e.mask);
        ASSERT_EQ(decode(word), linear.decode(word)) << std::hex << word;
        if (e.id != ROW_CMPI && e.id != ROW_CMPLI) { // always refined by L
            // Reachable with the untested bits all clear or all set (a refinement takes one of the two).
            ASSERT_TRUE(decode(e.value) == e.id || decode(e.value | ~e.mask) == e.id)
                << instruction_info_table[e.id].mnemonic << " is shadowed";
        }
        for (int b = 0; b < 32; ++b) {
            if (e.mask >> b & 1) {
                ASSERT_EQ(decode(word ^ (1u << b)), linear.decode(word ^ (1u << b))) << std::hex << (word ^ (1u << b));
            }
        }
    }
}

TEST(DecodeTree, AgreesWithLinearMatchOnRandomWords) {
    const LinearMatcher linear;
    std::mt19937 rng(2024);
    for (int i = 0; i < 10000000; ++i) {
        const uint32_t word = (uint32_t)rng();
        if (decode(word) != linear.decode(word))
            FAIL() << std::hex << word << " tree " << name_of(word) << " linear "
                   << instruction_info_table[linear.decode(word)].mnemonic;
    }
}

TEST(Decoder, PrivateTableRowsComeFromThatCopy) {
    InstrInfo *copy = InstrInfo__id2table(3);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, instruction_info_table);
    EXPECT_EQ(InstrInfo__id2table(3), copy);
    EXPECT_EQ(InstrInfo__id2table(0), instruction_info_table);
    for (uint32_t word : {0x7C642A14u, 0x00000000u, 0x44000001u, 0x7C6802A6u}) {
        InstrInfo *row = DecodeInstr_Ervik(copy, word);
        EXPECT_GE(row, copy);
        EXPECT_LT(row, copy + NUM_II_ENTRIES);
        EXPECT_EQ(row - copy, decode(word));
    }
}

} // namespace
