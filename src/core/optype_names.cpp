// The operation types of the out-of-order core.
#include "isa/instr_info.h"

// STAND-IN: the out-of-order core is not built yet; of it only the table of its operation-type
// names exists (ids 0 to 23, the first name of each id first). Weak, so that the table of the
// instruction module or the core replaces it.
extern const IDNamePair opTypeName[] __attribute__((weak));
const IDNamePair opTypeName[] = {
    {0, "FX"},       {0, "INT_ALU"},  {1, "MULT"},    {1, "INT_MULT"}, {2, "DIV"},       {2, "INT_DIV"},
    {3, "LOAD"},     {3, "LD"},       {4, "STORE"},   {4, "ST"},       {5, "FP"},        {6, "FMUL"},
    {6, "FPMUL"},    {7, "FMADD"},    {7, "FPMADD"},  {8, "FDIV"},     {8, "FPDIV"},     {9, "FSQRT"},
    {9, "FPSQRT"},   {10, "BR"},      {10, "BRANCH"}, {11, "CR"},      {12, "STORE_SP"}, {12, "ST_SP"},
    {13, "INT_SPR"}, {13, "INT_SRU"}, {14, "VMS"},    {15, "VMC"},     {16, "VMF"},      {17, "VPM"},
    {17, "VMPERM"},  {18, "VSP"},     {18, "VMFSP"},  {19, "SDI"},     {20, "SDF"},      {21, "SDV"},
    {22, "LDF"},     {23, "LDV"},     {0, nullptr},
};
