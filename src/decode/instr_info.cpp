// The static instruction table, built from the row file, and the name search and edit operations.
#include "decode/instr_info.h"

#include <strings.h>

#include "decode/semantics.h"
#include "runtime/message.h"

#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,        \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value, enc_prio)  \
    {mnemonic,   templ,      form,       operand_class, class_flags, attributes, optype, id, access_size,          \
     tea,        internal,   iops,       {0, 0, 0, 0},  throughput,  fpscr_mask, semantic, nullptr, nullptr},
InstrInfo instruction_info_table[NUM_II_ENTRIES] = {
#include "decode/instructions.def"
};
#undef INSTR

#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,        \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value, enc_prio)  \
    operands,
const char *const instruction_operands_names[NUM_II_ENTRIES] = {
#include "decode/instructions.def"
};
#undef INSTR
#define INSTR(id, mnemonic, templ, form, operand_class, class_flags, attributes, optype, access_size, tea,        \
              internal, iops, throughput, fpscr_mask, semantic, operands, softpatch, enc_mask, enc_value, enc_prio)  \
    softpatch,
const char *const instruction_softpatch_names[NUM_II_ENTRIES] = {
#include "decode/instructions.def"
};
#undef INSTR

const IDNamePair opTypeName[] = {
    {0, "FX"},        {0, "INT_ALU"},  {1, "MULT"},    {1, "INT_MULT"}, {2, "DIV"},       {2, "INT_DIV"},
    {3, "LOAD"},      {3, "LD"},       {4, "STORE"},   {4, "ST"},       {5, "FP"},        {6, "FMUL"},
    {6, "FPMUL"},     {7, "FMADD"},    {7, "FPMADD"},  {8, "FDIV"},     {8, "FPDIV"},     {9, "FSQRT"},
    {9, "FPSQRT"},    {10, "BR"},      {10, "BRANCH"}, {11, "CR"},      {12, "STORE_SP"}, {12, "ST_SP"},
    {13, "INT_SPR"},  {13, "INT_SRU"}, {14, "VMS"},    {15, "VMC"},     {16, "VMF"},      {17, "VPM"},
    {17, "VMPERM"},   {18, "VSP"},     {18, "VMFSP"},  {19, "SDI"},     {20, "SDF"},      {21, "SDV"},
    {22, "LDF"},      {23, "LDV"},     {0, nullptr},
};

uint32_t InstrInfo_Table_Size(void) { return NUM_II_ENTRIES; }

InstrInfo *Search_II_Table(InstrInfo *table, const char *name) {
    if (table == nullptr || name == nullptr)
        return nullptr;
    for (uint32_t i = 1; i < NUM_II_ENTRIES; ++i)
        if (strcasecmp(table[i].mnemonic, name) == 0)
            return &table[i];
    return nullptr;
}

InstrInfo *Clear_instr_tea(InstrInfo *table, const char *name) {
    InstrInfo *row = Search_II_Table(table, name);
    if (row == nullptr) {
        sim_warning(1, "Clear_instr_tea: Instruction %s not found", name ? name : "(null)");
        return nullptr;
    }
    row->tea = 2;
    return row;
}

InstrInfo *Add_instr_flag(InstrInfo *table, const char *name, uint32_t bits) {
    InstrInfo *row = Search_II_Table(table, name);
    if (row == nullptr) {
        sim_warning(1, "Instruction %s not found", name ? name : "(null)");
        return nullptr;
    }
    row->attributes |= bits;
    return row;
}

InstrInfo *Set_instr_throughput_and_iops(InstrInfo *table, const char *name, uint32_t throughput, int iops) {
    InstrInfo *row = Search_II_Table(table, name);
    if (row == nullptr) {
        sim_warning(1, "Instruction %s not found", name ? name : "(null)");
        return nullptr;
    }
    row->throughput = throughput;
    if (iops > 0)
        row->iops = (uint8_t)iops;
    return row;
}
