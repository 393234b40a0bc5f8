// The operand-field printers and the operand classes' field lists behind the exerciser trace.
#include <gtest/gtest.h>

#include <set>

#include "decode/decode_init.h"
#include "decode/instr_info.h"
#include "decode/operand_fields.h"
#include "processor/prints/trace_text.h"
#include "processor/records/instruction_record.h"
#include "support/sink_capture.h"

namespace
{

std::string fields_of(uint32_t operand_class, uint32_t word)
{
    Init_Instruction_Parameter_Table();
    InstrInfo row{};
    row.operand_class = operand_class;
    IOPDesc iop{};
    iop.row = &row;
    iop.word = word;
    SinkCapture sink;
    print_iparameter(&iop);
    return sink.text();
}

TEST(OperandFields, PrintsTheClassFieldsInOrder)
{
    struct Case {
        uint32_t operand_class, word;
        const char *text;
    } cases[] = {
        {123, 0x7C642A14, " rt=3 ra=4 rb=5"},                // add
        {125, 0x3864FFFF, " rt=3 ra=4 si=65535"},            // addi with SI = -1
        {61, 0x7C000000, ""},                                // mtsle: no list
        {82, 0x7C00051D, ""},                                // tbegin.: no list
        {0, 0x7C642A14, ""},                                 // class 0: empty list
        {227, 0x7C642A14, ""},                               // empty list
        {114, 0x7C6102A6 | (0x1Fu << 11), " rt=3 dcrn=993"}, // split field: bits 16-20 low, 11-15 high
        {147, 0xF0000007 | (3u << 21) | (4u << 16), " t=35 a=4 b=32"},
        {169, 0x10000401 | (1u << 21) | (2u << 16), " vrt=1 vd=66 vrb=32"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.operand_class);
        EXPECT_EQ(fields_of(c.operand_class, c.word), c.text);
    }
}

TEST(OperandFields, TablesAreFilledAsListed)
{
    Init_Instruction_Parameter_Table();
    int printers = 0;
    for (int id = 0; id < NIF_TABLE_SIZE; id++)
        if (nif_table[id]) printers++;
    EXPECT_EQ(printers, 163);
    EXPECT_EQ(nif_table[0], nullptr);
    EXPECT_EQ(nif_table[90], nullptr);
    EXPECT_EQ(nif_table[165], nullptr);

    std::set<int> filled;
    for (int k = 0; k < IPARAMETER_TABLE_SIZE; k++) {
        if (!iparameter_table[k]) continue;
        filled.insert(k);
        for (const uint32_t *id = iparameter_table[k]; *id; id++) {
            ASSERT_LT(*id, (uint32_t)NIF_TABLE_SIZE) << "class " << k;
            EXPECT_NE(nif_table[*id], nullptr) << "class " << k << " field " << *id;
        }
    }
    std::set<int> expected;
    for (int k = 0; k <= 195; k++)
        if (k != 61 && k != 82) expected.insert(k);
    for (int k : {199, 223, 224, 225, 226, 227})
        expected.insert(k);
    EXPECT_EQ(filled, expected);
    EXPECT_EQ(iparameter_table[0][0], 0u);
    EXPECT_EQ(iparameter_table[227][0], 0u);

    // Every row names a filled class, except the two classes that print nothing (mtsle, tbegin.).
    for (uint32_t r = 0; r < NUM_II_ENTRIES; r++) {
        const int klass = (int)instruction_info_table[r].operand_class;
        EXPECT_TRUE(filled.count(klass) || klass == 61 || klass == 82) << instruction_info_table[r].mnemonic;
    }
}

TEST(OperandFields, RowsSelectTheirClass)
{
    Init_Instruction_Parameter_Table();
    struct Case {
        uint16_t row;
        uint32_t word;
        const char *text;
    } cases[] = {
        {ROW_ADD, 0x7C642A14, " rt=3 ra=4 rb=5"},
        {ROW_ADDI, 0x3864FFFF, " rt=3 ra=4 si=65535"},
        {ROW_LWZ, 0x80640010, " rt=3 ra=4 d=16"},
        {ROW_STW, 0x90640010, " rt=3 ra=4 d=16"},
        {ROW_BL, 0x48000011, " li=4"},
        {ROW_XXPERMDI, 0xF0221A50, " t=1 a=2 b=3 shw=2"},
        {ROW_MTSLE, 0x7C200126, ""},      // class 61: no list
        {ROW_TBEGIN_DOT, 0x7C00051D, ""}, // class 82: no list
        {ROW_ADD_CAOC, 0x7C642A14, ""},   // internal operation
    };
    for (const Case &c : cases) {
        IOPDesc iop{};
        iop.row = &instruction_info_table[c.row];
        iop.word = c.word;
        SinkCapture sink;
        print_iparameter(&iop);
        EXPECT_EQ(sink.text(), c.text) << iop.row->mnemonic;
    }
}

} // namespace
