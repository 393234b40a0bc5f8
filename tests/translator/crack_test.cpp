// Instruction cracking: kinds of sample words, the unregistered opcodes, names, branch and block
// classification, form codes and resource masks, and the registration patterns of each format.
#include <gtest/gtest.h>

#include <bitset>
#include <set>
#include <string>
#include <vector>

#include "translator/crack.h"

namespace
{

class Crack : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        ::testing::internal::CaptureStderr();
        crack_init();
        crack_init(); // a second call returns at once
        init_errors = ::testing::internal::GetCapturedStderr();
    }
    static std::string init_errors;
};
std::string Crack::init_errors;

TEST_F(Crack, SampleWordsCrackToTheirKinds)
{
    struct Sample {
        const char *what;
        uint32_t word;
        uint32_t kind;
    };
    const Sample samples[] = {
        {"add r3,r4,r5", 0x7C642A14, 1},
        {"add. r3,r4,r5", 0x7C642A15, 2},
        {"addo r3,r4,r5", 0x7C642E14, 3},
        {"addi r3,r4,5", 0x38640005, 13},
        {"b .", 0x48000000, 31},
        {"b .-4", 0x4BFFFFFC, 31},
        {"b .+0x1234", 0x48001234, 31},
        {"bl .+8", 0x48000009, 41},
        {"blr", 0x4E800020, 39},
        {"bctrl", 0x4E800421, 38},
        {"sc", 0x44000002, 277},
        {"sc with bits 30-31 = 01", 0x44000001, 278},
        {"sync", 0x7C0004AC, 362},
        {"mflr r0", 0x7C0802A6, 224},
        {"mtctr r9", 0x7D2903A6, 226},
        {"vcmpequb v1,v2,v3", 0x10221806, 515},
        {"vcmpgtsb. v1,v2,v3", 0x10221F06, 522},
        {"vmulesb v1,v2,v3", 0x10221B08, 446},
        {"lwz r9,8(r1)", 0x81210008, 203},
        {"ld r9,8(r1)", 0xE9210008, 169},
        {"ldu r9,8(r1)", 0xE9210009, 171},
        {"lmd", 0xE9210003, 190},
        {"std r31,-8(r1)", 0xFBE1FFF8, 312},
        {"stdcx. r9,0,r3", 0x7D2019AD, 313},
        {"rlwinm r3,r3,2,0,29", 0x5463103A, 273},
        {"rldicl r3,r3,0,32 (sh5 and mb free)", 0x78630020, 265},
        {"rldcl r3,r4,r5,0", 0x78832810, 259},
        {"sradi r3,r3,63 (sh5 set)", 0x7C63FE76, 298},
        {"mulhw r3,r4,r5 with the overflow bit set", 0x7C642C96, 231},
        {"fmadd f1,f2,f3,f4", 0xFC2220FA, 134},
        {"fadd f1,f2,f3", 0xFC22182A, 114},
        {"xsadddp vs1,vs2,vs3 with AX, BX, TX", 0xF0221907, 545},
        {"xxpermdi with DM 3", 0xF0221B50, 578},
        {"xxsel", 0xF02218F0, 593},
        {"selrr.", 0x7883281F, 286},
        {"support", 0x000006B1, 386},
        {"slbia", 0x7C0003E4, 287},
        {"slbie r3", 0x7C001B64, 288},
        {"fadd. (record form not registered)", 0xFC22182B, 0},
        {"frsp. (record form not registered)", 0xFC201019, 0},
        {"vcmpgtfp. (not registered)", 0x10221EC6, 0},
    };
    for (const Sample &s : samples)
        EXPECT_EQ(turbo_id(s.word), s.kind) << s.what;
    EXPECT_TRUE(CRACK_IS_BRANCH(0x4BFFFFFC));
    EXPECT_FALSE(CRACK_IS_BRANCH(0x38640005));
}

TEST_F(Crack, UnusedPrimaryOpcodesCrackToZero)
{
    for (uint32_t primary : {1, 5, 6, 9, 22, 56, 57, 61})
        for (uint32_t low = 0; low < 2048; low++)
            ASSERT_EQ(crack_table[primary * 2048 + low], 0u) << primary << " " << low;
}

TEST_F(Crack, NamesOfKinds)
{
    EXPECT_STREQ(turbo_id_name(0), "unknown");
    EXPECT_STREQ(turbo_id_name(56), "unknown");
    EXPECT_STREQ(turbo_id_name(287), "slbia");
    EXPECT_STREQ(turbo_id_name(288), "slbie");
    EXPECT_STREQ(turbo_id_name(277), "sc");
    EXPECT_STREQ(turbo_id_name(278), "sc");
    EXPECT_STREQ(turbo_id_name(593), "xxsel");
    EXPECT_STREQ(turbo_id_name(594), "unknown");

    const std::set<uint32_t> unregistered = {56,  98,  115, 117, 131, 133, 153, 155, 157, 160,
                                             162, 193, 527, 528, 529, 530, 531, 532, 567};
    int named = 0;
    for (uint32_t kind = 1; kind <= KIND_LAST; kind++) {
        bool unknown = std::string(crack_names[kind]) == "unknown";
        EXPECT_EQ(unknown, unregistered.count(kind) == 1) << kind;
        named += !unknown;
    }
    EXPECT_EQ(named, CRACK_REGISTERED_KINDS);
}

TEST_F(Crack, BranchesAndBlockTerminators)
{
    std::set<uint32_t> branches;
    for (uint32_t kind = 0; kind < (uint32_t)CRACK_KINDS; kind++)
        if (crack_outputs[kind] & CRACK_BRANCH) branches.insert(kind);
    std::set<uint32_t> expected;
    for (uint32_t kind = 31; kind <= 42; kind++)
        expected.insert(kind);
    EXPECT_EQ(branches, expected);

    struct Terminator {
        uint32_t word;
        bool ends_block;
    };
    const Terminator words[] = {
        {0x4E800020, true},  // blr
        {0x7C600124, true},  // mtmsr r3
        {0x7C600164, true},  // mtmsrd r3
        {0x4C000024, true},  // rfid
        {0x44000002, true},  // sc (kind 277)
        {0x44000001, false}, // kind 278
        {0x7C642A14, false}, // add
        {0x00000000, false}, // unknown
    };
    for (const Terminator &w : words)
        EXPECT_EQ(is_basicblock_terminator(nullptr, w.word, turbo_id(w.word)) != 0, w.ends_block)
            << std::hex << w.word;
}

TEST_F(Crack, FormCodesAndResourceMasks)
{
    struct Row {
        uint32_t kind;
        int32_t rio;
        uint64_t inputs;
        uint64_t outputs;
    };
    const Row rows[] = {
        {1, 2, 0, 0},              // add
        {13, 1, 0, 0},             // addi
        {31, 0, 0, 0x1000},        // b
        {39, 0, 0, 0x1000},        // bclr
        {166, 10, 0x4000, 0x9},    // lbzu
        {169, 1, 0x4000, 0x8},     // ld
        {170, 2, 0x4000, 0x8008},  // ldarx
        {175, 4, 0x4000, 0x101},   // lfdu
        {191, 0, 0x4000, 0x10000}, // lmw
        {224, 24, 0, 0},           // mfspr
        {226, 23, 0, 0},           // mtspr
        {229, 2, 0, 0},            // mulhdu
        {230, 0, 0, 0},            // mulhdu. (carries 0 unlike the other mulh kinds)
        {231, 2, 0, 0},            // mulhw
        {239, 1, 0, 0},            // mulli
        {252, 9, 0, 0},            // or
        {288, 18, 0, 0},           // slbie
        {312, 16, 0, 0x4000},      // std
        {313, 17, 0, 0x4000},      // stdcx.
        {335, 16, 0, 0x4000},      // stw
        {349, 7, 0, 0x4000},       // stwux
        {382, 14, 0, 0},           // tabortwdi.
        {395, 25, 0, 0},           // vperm
        {545, 25, 0, 0},           // xsadddp
    };
    for (const Row &r : rows) {
        EXPECT_EQ(crack_rio[r.kind], r.rio) << turbo_id_name(r.kind);
        EXPECT_EQ(crack_inputs[r.kind], r.inputs) << turbo_id_name(r.kind);
        EXPECT_EQ(crack_outputs[r.kind], r.outputs) << turbo_id_name(r.kind);
    }
    int form25 = 0, masked = 0;
    for (int i = 0; i < crack_registration_count; i++) {
        form25 += crack_rio[crack_registrations[i].kind] == 25;
        masked +=
            crack_inputs[crack_registrations[i].kind] != 0 || crack_outputs[crack_registrations[i].kind] != 0;
    }
    EXPECT_EQ(form25, 279);
    EXPECT_EQ(masked, 88);
}

// How many table entries hold the kind.
int entries_of(uint32_t kind)
{
    int n = 0;
    for (uint32_t k : crack_table)
        n += k == kind;
    return n;
}

TEST_F(Crack, EveryRegistrationFillsItsWholePattern)
{
    EXPECT_EQ(init_errors, ""); // crack_init reported no overlap
    EXPECT_EQ(crack_registration_count, CRACK_REGISTERED_KINDS);
    std::vector<int> counts(CRACK_KINDS, 0);
    for (uint32_t k : crack_table)
        counts[k]++;
    for (int i = 0; i < crack_registration_count; i++) {
        const crack_registration &r = crack_registrations[i];
        int expected = 1 << (11 - (int)std::bitset<11>(r.fixed).count());
        EXPECT_EQ(counts[r.kind], expected) << r.name;
    }

    // The entry count of each format.
    struct Format {
        const char *name;
        uint32_t kind;
        int entries;
    };
    const Format formats[] = {
        {"addi (D)", 13, 2048},    {"rlwinm (M)", 273, 1024},
        {"sc, bit 30", 277, 1024}, {"ld (DS)", 169, 512},
        {"b (I)", 31, 512},        {"bc (B)", 33, 512},
        {"sc, 01", 278, 512},      {"xxsel (XX4)", 593, 512},
        {"rldicl (MD)", 265, 128}, {"rldcl (MDS)", 259, 64},
        {"selii", 279, 64},        {"fadd (A)", 114, 32},
        {"vperm (VA)", 395, 32},   {"xxpermdi", 578, 32},
        {"xsadddp (XX3)", 545, 8}, {"xsabsdp (XX2)", 544, 4},
        {"mulhw", 231, 2},         {"sradi (XS)", 298, 2},
        {"cmp (X)", 43, 2},        {"support", 386, 2},
        {"add (XO)", 1, 1},        {"and. (X, record)", 26, 1},
        {"mtmsrd", 223, 1},        {"bclr", 39, 1},
        {"frsp", 156, 1},          {"treclaim", 384, 1},
        {"vaddubm (VX)", 407, 1},  {"vcmpequb. (VC)", 516, 1},
    };
    for (const Format &f : formats)
        EXPECT_EQ(counts[f.kind], f.entries) << f.name;
}

TEST_F(Crack, ARegistrationOverAnOccupiedEntryKeepsTheFirstAndReports)
{
    crack_registration again = crack_registrations[0]; // add, one entry
    again.rio = 7;
    ::testing::internal::CaptureStderr();
    crack_register(&again);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Crack table error, index = 64020, add(1) replacing add(1)\n");
    EXPECT_EQ(turbo_id(0x7C642A14), 1u);
    EXPECT_EQ(crack_rio[1], 2); // the entry was not written, so neither were its attributes
    EXPECT_EQ(entries_of(1), 1);

    // crack_init runs once: a later call registers nothing again.
    ::testing::internal::CaptureStderr();
    crack_init();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

} // namespace
