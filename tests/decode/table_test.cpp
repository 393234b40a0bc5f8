// Instruction table: row order and names, the counts that cross-check the row data, the fully listed rows,
// the routine-name rule, the name search and edit operations, keyed copies and the name lookups.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "decode/semantics.h"
#include "embed/libsim_names.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"

namespace {

const char *const row_names[] = {
#include "row_names.inc"
};

const InstrInfo &row(const char *mnemonic) {
    for (const InstrInfo &r : instruction_info_table)
        if (strcmp(r.mnemonic, mnemonic) == 0)
            return r;
    ADD_FAILURE() << "no row " << mnemonic;
    return instruction_info_table[ROW_INVALID];
}

template <class F> int count_rows(F pred) {
    int n = 0;
    for (const InstrInfo &r : instruction_info_table)
        n += pred(r) ? 1 : 0;
    return n;
}

TEST(InstrTable, RowsAreInOrderWithTheirIds) {
    static_assert(sizeof row_names / sizeof row_names[0] == 1119);
    ASSERT_EQ(InstrInfo_Table_Size(), 1119u);
    for (uint32_t i = 0; i < NUM_II_ENTRIES; ++i) {
        const InstrInfo &r = instruction_info_table[i];
        ASSERT_STREQ(r.mnemonic, row_names[i]) << i;
        ASSERT_EQ(r.id, i);
        ASSERT_EQ(r.iops, 1);
        ASSERT_EQ(r.core_words[0] | r.core_words[1] | r.core_words[2] | r.core_words[3], 0);
        ASSERT_EQ(r.semantic == nullptr, i == 0) << r.mnemonic;
        ASSERT_EQ(r.operands, nullptr);
        // Only rows that name a soft-patch predicate are bound to one.
        if (r.softpatch) {
            ASSERT_NE(instruction_softpatch_names[i], nullptr) << r.mnemonic;
        }
    }
}

TEST(InstrTable, RowIdsUsedByValueElsewhere) {
    const std::map<int, const char *> ids = {
        {0, "INVALID"},  {1, "add"},        {16, "addi"},      {43, "bc"},       {53, "bclr"},     {71, "cmpi"},
        {75, "cmpli"},   {101, "dcbt"},     {208, "dss"},      {209, "dssall"},  {210, "dst"},     {211, "dstst"},
        {212, "dststt"}, {213, "dstt"},     {244, "fabs"},     {245, "fabs."},   {260, "fcpsgn"},  {261, "fcpsgn."},
        {288, "fmr"},    {289, "fmr."},     {300, "fnabs"},    {301, "fnabs."},  {302, "fneg"},    {303, "fneg."},
        {346, "icswx"},  {396, "lsdi"},     {397, "lsdx"},     {398, "lswi"},    {399, "lswx"},    {402, "lvehx"},
        {403, "lvewx"},  {406, "lvx"},      {407, "lvxl"},     {436, "mflr"},    {439, "mfspr"},   {489, "mtmsrd"},
        {528, "nop"},    {537, "nop_mark"}, {542, "or"},       {543, "or."},     {548, "pbt"},     {549, "pbt."},
        {555, "rfebb"},  {557, "rfid"},     {578, "sc"},       {579, "sc"},      {580, "scv"},     {659, "stsdi"},
        {660, "stsdx"},  {661, "stswi"},    {662, "stswx"},    {664, "stvehx"},  {665, "stvewx"},  {666, "stvx"},
        {667, "stvxl"},  {672, "stwcx."},   {708, "support"},  {709, "support_halt"}, {710, "sync"},
        {728, "tresume."}, {1118, "xxspltw"},
    };
    for (const auto &[id, name] : ids)
        EXPECT_STREQ(instruction_info_table[id].mnemonic, name) << id;
}

TEST(InstrTable, ClassBitCounts) {
    const std::map<int, int> rows_per_bit = {
        {0, 179}, {1, 20},  {2, 8},   {3, 27},  {4, 16},  {6, 364}, {7, 13},  {8, 74},  {9, 99},  {10, 11},
        {11, 24}, {12, 69}, {13, 4},  {14, 14}, {15, 190}, {16, 5}, {17, 15}, {19, 7},  {20, 4},  {21, 14},
        {22, 18}, {23, 1},  {24, 4},  {25, 6},  {26, 8},  {27, 234}, {28, 17}, {29, 1}, {30, 7},  {31, 2},
        {32, 20}, {33, 11}, {36, 72}, {37, 32}, {38, 6},  {39, 2},  {41, 19}, {43, 12}, {44, 37}, {45, 43},
        {46, 2},  {47, 1},  {49, 37}, {50, 20}, {51, 13}, {52, 5},  {53, 2},  {54, 2},  {55, 1},  {56, 1},
        {57, 5},
    };
    for (int bit = 0; bit < 64; ++bit) {
        auto it = rows_per_bit.find(bit);
        EXPECT_EQ(count_rows([&](const InstrInfo &r) { return (r.class_flags >> bit) & 1; }),
                  it == rows_per_bit.end() ? 0 : it->second)
            << "class bit " << bit;
    }
    // A few rows the class lists single out.
    EXPECT_EQ(row("cmpla").class_flags & II_COMPARE, 0u);
    EXPECT_EQ(row("fabs.").class_flags & II_FP_MOVE, 0u);
    EXPECT_EQ(row("frsp.").class_flags & II_FP_ARITH, 0u);
    EXPECT_NE(row("frsp").class_flags & II_FP_ARITH, 0u);
    EXPECT_EQ(row("tcheck").class_flags & II_MSR_CHANGE, 0u);
}

TEST(InstrTable, FpscrMaskCounts) {
    const std::map<uint32_t, int> rows_per_mask = {
        {0xFFFFFF00, 76}, {0x9B97F000, 32}, {0x8307F100, 20}, {0x81000000, 19}, {0x8107F000, 17}, {0x9B900000, 16},
        {0x8207F000, 12}, {0x9B87F000, 12}, {0x0000F000, 8},  {0x81080000, 8},  {0x82000000, 8},  {0x83000100, 8},
        {0x9FFFF7FF, 8},  {0x9B17F000, 6},  {0x9D07F000, 6},  {0x9F67F000, 6},  {0x8507F200, 5},  {0x9B07F000, 4},
        {0x9B800000, 4},  {0x8307F200, 3},  {0x9B07F200, 3},  {0x8100F000, 2},  {0x8108F000, 2},  {0x83000000, 2},
        {0x83000200, 2},  {0x87000200, 2},  {0x9B100000, 2},  {0x9D000000, 2},  {0x9F600000, 2},  {0x8307F000, 1},
        {0x9707F200, 1},  {0x9B000000, 1},  {0x9FF80700, 1},
    };
    std::map<uint32_t, int> got;
    for (const InstrInfo &r : instruction_info_table)
        if (r.fpscr_mask != 0)
            ++got[r.fpscr_mask];
    EXPECT_EQ(got, rows_per_mask);
    EXPECT_EQ(row("dcmpo").fpscr_mask, 0x8107F000u);
    EXPECT_EQ(row("dtstsfq").fpscr_mask, 0x0000F000u);
    EXPECT_EQ(row("mcrfs").fpscr_mask, 0x9FF80700u);
}

TEST(InstrTable, OperationTypesFormsAndTimes) {
    // Operation types with the rows they are given by.
    const std::map<uint32_t, int> per_optype = {{OPTYPE_MULT, 17}, {OPTYPE_DIV, 32}, {OPTYPE_STORE, 69},
                                                {OPTYPE_FMUL, 4},  {OPTYPE_FMADD, 16}, {OPTYPE_FDIV, 5},
                                                {OPTYPE_FSQRT, 5}, {OPTYPE_SDI, 1}, {OPTYPE_SDF, 3},
                                                {OPTYPE_SDV, 3},   {OPTYPE_LDF, 0}, {OPTYPE_LDV, 0}};
    for (const auto &[optype, n] : per_optype)
        EXPECT_EQ(count_rows([&](const InstrInfo &r) { return r.optype == optype; }), n) << "optype " << optype;
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return r.optype > OPTYPE_LDV; }), 0);
    // Every store row is a STORE operation; every II_LOAD row outside the string micro-operations a LOAD.
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return (r.class_flags & II_STORE) && r.optype != OPTYPE_STORE; }), 0);
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return (r.class_flags & II_LOAD) && r.optype != OPTYPE_LOAD; }), 0);

    // Formats: every count except D (4), X (13) and VX (16), which follow each row's architected format.
    const std::map<uint32_t, int> per_form = {
        {0, 1},   {1, 49},  {2, 1},  {3, 10}, {5, 17},  {6, 2},   {7, 1},  {8, 4},   {9, 6},  {10, 8},
        {11, 12}, {12, 3},  {14, 6}, {15, 19}, {17, 26}, {18, 2}, {19, 16}, {20, 25}, {21, 108}, {22, 2},
        {27, 1},  {28, 4},  {29, 13}, {33, 17}, {34, 66}, {35, 74}, {36, 1}, {37, 3},
    };
    for (const auto &[form, n] : per_form)
        EXPECT_EQ(count_rows([&](const InstrInfo &r) { return r.form == form; }), n) << "form " << form;
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return r.form == 4 || r.form == 13 || r.form == 16; }), 84 + 389 + 149);

    const std::map<uint32_t, int> per_throughput = {{2, 6}, {3, 3}, {4, 4}, {10, 4}, {17, 2}, {20, 32}, {31, 2}};
    for (const auto &[t, n] : per_throughput)
        EXPECT_EQ(count_rows([&](const InstrInfo &r) { return r.throughput == t; }), n) << "throughput " << t;
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return r.throughput == 1; }), 1066);
    EXPECT_EQ(row("mulhw").throughput, 1u);
    EXPECT_EQ(row("mulhw.").throughput, 2u);
}

TEST(InstrTable, EffectiveAddressClassAccessSizeAndInternalRows) {
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return r.tea == 1; }), 2);
    EXPECT_EQ(row("dcbt").tea, 1);
    EXPECT_EQ(row("dcbtst").tea, 1);
    EXPECT_EQ(row("misal_stxswx").tea, 0);
    EXPECT_EQ(row("misal_lbz").tea, 2);
    // Every architected load and store row and the listed cache and coprocessor rows have class 0.
    EXPECT_EQ(count_rows([](const InstrInfo &r) {
                  return r.tea == 0 && !r.internal && !(r.class_flags & (II_LOAD | II_STORE));
              }),
              8);
    EXPECT_EQ(count_rows([](const InstrInfo &r) {
                  return !r.internal && (r.class_flags & (II_LOAD | II_STORE)) && r.tea != 0;
              }),
              0);
    for (const InstrInfo &r : instruction_info_table)
        if (r.access_size != 0) {
            EXPECT_TRUE(r.access_size == 1 || r.access_size == 2 || r.access_size == 4 || r.access_size == 8 ||
                        r.access_size == 16)
                << r.mnemonic;
        }
    EXPECT_EQ(count_rows([](const InstrInfo &r) { return r.internal == 1; }), 69);
    for (const char *name : {"add_caoc", "misal_lbz", "st_data", "lq_tag", "lwds", "crins", "andi", "andis"})
        EXPECT_EQ(row(name).internal, 1) << name;
    for (const char *name : {"andi.", "andis.", "ltptr", "settag", "txer", "mcrxrt", "logmpp", "waitasec"})
        EXPECT_EQ(row(name).internal, 0) << name;
}

TEST(InstrTable, TellingRowsFieldByField) {
    struct Tell {
        int id;
        const char *templ;
        uint32_t form, operand_class;
        uint64_t class_flags;
        uint32_t attributes, optype, access_size, tea, internal, throughput, fpscr_mask;
        const char *operands, *softpatch;
    };
    const Tell tells[] = {
        {0, "M", 0, 0, 0x0, 0x30, 0, 0, 2, 0, 1, 0, nullptr, nullptr},
        {1, "M\trT,rA,rB", 21, 123, 0x1, 0x0, 0, 0, 2, 0, 1, 0, "operands__RT__RA_RB", nullptr},
        {2, "M\trT,rA,rB", 21, 123, 0x1, 0x0, 0, 0, 2, 0, 1, 0, "operands__RT__RA_RB__Rc", nullptr},
        {3, "M\trT,rA,rB", 21, 0, 0x1, 0x0, 0, 0, 2, 1, 1, 0, "operands__RT__RA_RB_caoc", nullptr},
        {43, "PRINT_B_FORM", 3, 17, 0x2, 0x20, 10, 0, 2, 0, 1, 0, "operands_bc", nullptr},
        {53, "PRINT_BCLR", 20, 16, 0x2, 0x20, 10, 0, 2, 0, 1, 0, "operands_bc", nullptr},
        {75, "M\tcrBF,L,rA,UI", 4, 12, 0x8, 0x0, 0, 0, 2, 0, 1, 0, "operands__cc__RA", nullptr},
        {84, "M\tcrT,crA,crB", 20, 19, 0x10, 0x10, 11, 0, 2, 0, 1, 0, "operands__BT__BA_BB", nullptr},
        {152, "M\trT,rA,rB", 21, 123, 0x1, 0x50, 2, 4, 2, 0, 20, 0, "operands__RT__RA_RB", nullptr},
        {246, "M\tfT,fA,fB", 1, 32, 0x200000000040, 0x0, 5, 8, 2, 0, 1, 0x9B87F000, "operands__FRT__FRA_FRB", nullptr},
        {278, "M\tfT,fA,fB", 1, 32, 0x200000000040, 0x840, 8, 8, 2, 0, 31, 0x9F67F000, "operands__FRT__FRA_FRB", nullptr},
        {332, "M\tfT,fB", 1, 37, 0x200000000040, 0x840, 9, 8, 2, 0, 1, 0x8307F200, "operands__FRT__FRB", nullptr},
        {359, "M\trT,DS(rA)", 5, 120, 0x2000000100, 0x0, 3, 8, 0, 0, 1, 0, "operands__RT__RA0", nullptr},
        {393, "M\trT,D(rA)", 6, 119, 0x20002000100, 0x0, 3, 16, 0, 0, 1, 0, "operands_lq", nullptr},
        {436, "M\trT", 19, 111, 0x800, 0x50, 11, 0, 2, 0, 1, 0, "operands_mflr", nullptr},
        {452, "M\trT,D(rA)", 4, 0, 0x100, 0x200000, 3, 1, 2, 1, 1, 0, "operands_misal_lbz", nullptr},
        {528, "M", 4, 0, 0x200, 0x0, 0, 0, 2, 0, 1, 0, "operands_ori", nullptr},
        {672, "M\trS,rA,rB", 13, 123, 0x200021000, 0x10, 4, 4, 0, 0, 1, 0, "operands_stcx", nullptr},
        {710, "M", 13, 63, 0x2000, 0x32, 12, 0, 2, 0, 3, 0, "operands__nothing__nothing", nullptr},
        {737, "M\tvT,vA,vB", 16, 188, 0x8000, 0x0, 18, 0, 2, 0, 1, 0, "operands__VRT__VRA_VRB", "spatchin_glent__VRA_VRB"},
        {1021, "M\txT,xA,xB", 35, 148, 0x1008000040, 0x0, 16, 2, 2, 0, 1, 0x9B800000, "operands__VST__VSA_VSB", nullptr},
    };
    auto same = [](const char *a, const char *b) { return a == b || (a && b && strcmp(a, b) == 0); };
    for (const Tell &t : tells) {
        const InstrInfo &r = instruction_info_table[t.id];
        SCOPED_TRACE(r.mnemonic);
        EXPECT_STREQ(r.template_, t.templ);
        EXPECT_EQ(r.form, t.form);
        EXPECT_EQ(r.operand_class, t.operand_class);
        EXPECT_EQ(r.class_flags, t.class_flags);
        EXPECT_EQ(r.attributes, t.attributes);
        EXPECT_EQ(r.optype, t.optype);
        EXPECT_EQ(r.access_size, t.access_size);
        EXPECT_EQ(r.tea, t.tea);
        EXPECT_EQ(r.internal, t.internal);
        EXPECT_EQ(r.throughput, t.throughput);
        EXPECT_EQ(r.fpscr_mask, t.fpscr_mask);
        EXPECT_TRUE(same(instruction_operands_names[t.id], t.operands)) << instruction_operands_names[t.id];
        EXPECT_TRUE(same(instruction_softpatch_names[t.id], t.softpatch));
    }
    EXPECT_EQ(instruction_info_table[ROW_ADD].semantic, &semantic_add);
    EXPECT_EQ(instruction_info_table[ROW_ADD_DOT].semantic, &semantic_add_dot);
    EXPECT_EQ(instruction_info_table[ROW_NOP].semantic, &semantic_ori);
    EXPECT_EQ(instruction_info_table[ROW_STWCX_DOT].semantic, &semantic_stwcx_dot);
}

TEST(InstrTable, RoutineNamesFollowTheRuleWithItsExceptions) {
    std::map<std::string, InstrSemanticFn> by_name;
#define SEMANTIC(name) by_name[#name] = &name;
#include "decode/semantic_routines.def"
#undef SEMANTIC
    EXPECT_EQ(by_name.size(), 1047u);
    const std::map<std::string, std::string> exceptions = {
        {"ba", "b"}, {"bl", "b"}, {"bla", "b"}, {"bc_uncond", "bc"}, {"bca", "bc"}, {"bcl", "bc"},
        {"bcl_uncond", "bc"}, {"bcla", "bc"}, {"bdnz", "bc"}, {"bdz", "bc"}, {"bf", "bc"}, {"bt", "bc"},
        {"bcctrl", "bcctr"}, {"bclrl", "bclr"}, {"bctar", "bclr"}, {"bctarl", "bclr"}, {"cmpwi", "cmpi"},
        {"cmpdi", "cmpi"}, {"cmplwi", "cmpli"}, {"cmpldi", "cmpli"}, {"nop", "ori"}, {"inoop", "ori"},
        {"nop_mark", "and"}, {"nop_530", "nop"}, {"nop_562", "nop"}, {"nop_594", "nop"}, {"nop_626", "nop"},
        {"nop_658", "nop"}, {"nop_690", "nop"}, {"nop_722", "nop"}, {"nop_754", "nop"}, {"notrace1", "notrace"},
        {"fcmpo", "compare_fp"}, {"fcmpu", "compare_fp"}, {"dssall", "dss"}, {"dstt", "dst"}, {"dststt", "dstst"},
        {"mfocrf", "mfcr"}, {"mtocrf", "mtcrf"}, {"mtdar", "mtspr"}, {"icbt_ppc207", "icbt"},
        {"d_agenu", "d_agen_update"}, {"ds_agenu", "ds_agen_update"}, {"x_agenu", "x_agen_update"},
        {"st_vmfpdata", "st_vmdata"}, {"st_vsfpdata", "st_vsdata"}, {"vcfpsxws", "vctsxs"}, {"vcfpuxws", "vctuxs"},
        {"vcsxwfp", "vcfsx"}, {"vcuxwfp", "vcfux"},
    };
    // Record forms that share the plain form's routine.
    const std::set<std::string> plain_routine = {
        "fabs.", "fmr.", "fnabs.", "fneg.", "fre.", "fsel.", "mffs.", "mtfsb0.", "mtfsb1.", "mtfsf.", "mtfsfi.",
        "vcmpbfp.", "vcmpeqfp.", "vcmpequb.", "vcmpequh.", "vcmpequw.", "vcmpgefp.", "vcmpgtfp.", "vcmpgtsb.",
        "vcmpgtsh.", "vcmpgtsw.", "vcmpgtub.", "vcmpgtuh.", "vcmpgtuw.", "xvcmpeqdp.", "xvcmpeqsp.", "xvcmpgedp.",
        "xvcmpgesp.", "xvcmpgtdp.", "xvcmpgtsp.",
    };
    EXPECT_EQ(exceptions.size() + plain_routine.size(), 80u);
    for (uint32_t i = 1; i < NUM_II_ENTRIES; ++i) {
        std::string name = instruction_info_table[i].mnemonic;
        if (auto it = exceptions.find(name); it != exceptions.end())
            name = it->second;
        else if (plain_routine.count(name))
            name.pop_back();
        std::string routine = "semantic_";
        for (char c : name)
            routine += c == '.' ? std::string("_dot") : std::string(1, c);
        ASSERT_TRUE(by_name.count(routine)) << routine;
        EXPECT_EQ(instruction_info_table[i].semantic, by_name[routine]) << instruction_info_table[i].mnemonic;
    }
}

TEST(InstrTable, UnimplementedRoutinesRaiseTheIllegalInstructionInterrupt) {
    IOPDesc iop;
    INITIAL_IOP(&iop, nullptr);
    iop.word = 0x7C000234; // any word: the shared default body of every routine not built
    EXPECT_EQ(semantic_unimplemented(&iop, "mcrxrt"), 0);
    ASSERT_NE(iop.exceptions, nullptr);
    EXPECT_EQ(iop.exceptions->type, 28);
    EXPECT_EQ(iop.exceptions->subtype, 221);
    EXPECT_EQ(iop.exceptions->heir, 0x7C000234u);
    EXPECT_EQ(iop.exceptions->next, nullptr);
    Discard_Instruction_Bound_Exceptions(&iop, 0);
}

TEST(InstrTable, SearchAndEdits) {
    EXPECT_EQ(Search_II_Table(instruction_info_table, "ADD."), &instruction_info_table[ROW_ADD_DOT]);
    EXPECT_EQ(Search_II_Table(instruction_info_table, "INVALID"), nullptr);
    EXPECT_EQ(Search_II_Table(instruction_info_table, "sc"), &instruction_info_table[ROW_SC]);
    EXPECT_EQ(Search_II_Table(instruction_info_table, "no-such"), nullptr);

    InstrInfo &lwz = instruction_info_table[ROW_LWZ];
    ASSERT_STREQ(lwz.mnemonic, "lwz");
    const InstrInfo saved = lwz;
    EXPECT_EQ(lwz.tea, 0);
    EXPECT_EQ(Clear_instr_tea(instruction_info_table, "lwz"), &lwz);
    EXPECT_EQ(lwz.tea, 2);
    EXPECT_EQ(Clear_instr_tea(instruction_info_table, "no-such"), nullptr);

    EXPECT_EQ(Set_instr_throughput_and_iops(instruction_info_table, "LWZ", 7, 0), &lwz);
    EXPECT_EQ(lwz.throughput, 7u);
    EXPECT_EQ(lwz.iops, 1);
    EXPECT_EQ(Set_instr_throughput_and_iops(instruction_info_table, "lwz", 9, -3), &lwz);
    EXPECT_EQ(lwz.throughput, 9u);
    EXPECT_EQ(lwz.iops, 1);
    EXPECT_EQ(Set_instr_throughput_and_iops(instruction_info_table, "lwz", 9, 0x104), &lwz);
    EXPECT_EQ(lwz.iops, 4);
    EXPECT_EQ(Set_instr_throughput_and_iops(instruction_info_table, "no-such", 9, 2), nullptr);

    EXPECT_EQ(Add_instr_flag(instruction_info_table, "lwz", II_ATTR_FUSABLE), &lwz);
    EXPECT_EQ(Add_instr_flag(instruction_info_table, "lwz", II_ATTR_FX_IN_LSU), &lwz);
    EXPECT_EQ(lwz.attributes, saved.attributes | II_ATTR_FUSABLE | II_ATTR_FX_IN_LSU);
    EXPECT_EQ(Add_instr_flag(instruction_info_table, "no-such", 1), nullptr);
    lwz = saved;
}

TEST(InstrTable, KeyedCopiesShareOrIsolateEdits) {
    InstrInfo *seven = InstrInfo__id2table(7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(InstrInfo__id2table(7), seven); // one copy per key
    EXPECT_EQ(InstrInfo__id2table(0), instruction_info_table);

    // An edit of a private copy stays in it.
    Set_instr_throughput_and_iops(seven, "add", 11, 0);
    EXPECT_EQ(seven[1].throughput, 11u);
    EXPECT_EQ(instruction_info_table[ROW_ADD].throughput, 1u);

    // An edit through key 0 reaches every user of the static table and copies made afterwards.
    Set_instr_throughput_and_iops(InstrInfo__id2table(0), "add", 5, 0);
    EXPECT_EQ(Processor_Decode_Instruction(nullptr, 0x7C642A14)->throughput, 5u);
    EXPECT_EQ(seven[1].throughput, 11u);
    InstrInfo *eight = InstrInfo__id2table(8);
    EXPECT_EQ(eight[1].throughput, 5u);
    instruction_info_table[ROW_ADD].throughput = 1;

    InstrInfo__Quit();
    EXPECT_EQ(specialInstrInfoTables, nullptr);
    InstrInfo *again = InstrInfo__id2table(7);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again[1].throughput, 1u);
    InstrInfo__Quit();
}

TEST(LibsimNames, ExceptionTypes) {
    EXPECT_EQ(LIBSIM__FindExceptionNumber(nullptr, "IRPT_CTL_EBB_HYPER"), 54);
    EXPECT_EQ(LIBSIM__FindExceptionNumber(nullptr, "irpt_ctl_ebb_hyper"), 54);
    EXPECT_EQ(LIBSIM__FindExceptionNumber(nullptr, "Illegal Interrupt Table Entry"), 0);
    EXPECT_EQ(LIBSIM__FindExceptionNumber(nullptr, "hea"), 28);
    EXPECT_EQ(LIBSIM__FindExceptionNumber(nullptr, "NO_SUCH_INTERRUPT"), -1);
    EXPECT_EQ(LIBSIM__FindExceptionNumber(nullptr, nullptr), -1);
}

const char *table_a(int row) {
    static const char *const names[] = {"HELPFUL", "BRANCH", "MEM_REFS", nullptr, "HIDDEN"};
    return row < 5 ? names[row] : nullptr;
}
int table_a_reads = 0;
const char *counting_table_a(int row) {
    ++table_a_reads;
    return table_a(row);
}
const char *unnamed_first(int row) { return row == 1 ? "BRANCH" : nullptr; }

TEST(LibsimNames, DebugCategories) {
    int cache = 0;
    EXPECT_EQ(Debug_Number_Lookup(&cache, counting_table_a, "branch"), 1);
    EXPECT_EQ(cache, 3);
    const int reads = table_a_reads;
    EXPECT_EQ(Debug_Number_Lookup(&cache, counting_table_a, "MEM_REFS"), 2);
    EXPECT_EQ(table_a_reads - reads, 3) << "the count is kept after the first call";
    EXPECT_EQ(Debug_Number_Lookup(&cache, counting_table_a, "HIDDEN"), -1) << "rows after the first unnamed row";
    EXPECT_EQ(Debug_Number_Lookup(&cache, counting_table_a, "nothing"), -1);

    int empty = 0;
    EXPECT_EQ(Debug_Number_Lookup(&empty, unnamed_first, "BRANCH"), -1);
    EXPECT_EQ(Debug_Number_Lookup(&empty, unnamed_first, "BRANCH"), -1);
}

} // namespace
