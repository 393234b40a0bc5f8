// The entry points: each forwards to its per-format operation.
#include "dfp/dfp_entry_points.h"

#include "dfp/dfp_format_arith.h"
#include "dfp/dfp_format_convert.h"
#include "dfp/dfp_format_round.h"
#include "dfp/dfp_format_test.h"

void dadd(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Add_Double(a, b, result, env);
}
void daddq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Add_Quad(a, b, result, env);
}
void dsub(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Subtract_Double(a, b, result, env);
}
void dsubq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Subtract_Quad(a, b, result, env);
}
void dmul(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Multiply_Double(a, b, result, env);
}
void dmulq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Multiply_Quad(a, b, result, env);
}
void ddiv(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Divide_Double(a, b, result, env);
}
void ddivq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Divide_Quad(a, b, result, env);
}

void dcmpu(uint64_t a, uint64_t b, DFP_SystemEnvironment *env)
{
    DFP_Compare_Double(a, b, 0, env);
}
void dcmpuq(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *env)
{
    DFP_Compare_Quad(a, b, 0, env);
}
void dcmpo(uint64_t a, uint64_t b, DFP_SystemEnvironment *env)
{
    DFP_Compare_Double(a, b, 1, env);
}
void dcmpoq(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *env)
{
    DFP_Compare_Quad(a, b, 1, env);
}

void dtstdc(uint64_t a, int dcm, DFP_SystemEnvironment *env)
{
    DFP_Test_Data_Class_Double(a, dcm, env);
}
void dtstdcq(const uint64_t *a, int dcm, DFP_SystemEnvironment *env)
{
    DFP_Test_Data_Class_Quad(a, dcm, env);
}
int dtstdg(uint64_t a, int dgm, DFP_SystemEnvironment *env)
{
    return DFP_Test_Data_Group_Double(a, dgm, env);
}
int dtstdgq(const uint64_t *a, int dgm, DFP_SystemEnvironment *env)
{
    return DFP_Test_Data_Group_Quad(a, dgm, env);
}
void dtstex(uint64_t a, uint64_t b, DFP_SystemEnvironment *env)
{
    DFP_Test_Exponent_Double(a, b, env);
}
void dtstexq(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *env)
{
    DFP_Test_Exponent_Quad(a, b, env);
}
int dtstsf(uint64_t reference, uint64_t b, DFP_SystemEnvironment *env)
{
    return DFP_Test_Significance_Double(reference, b, env);
}
int dtstsfq(uint64_t reference, const uint64_t *b, DFP_SystemEnvironment *env)
{
    return DFP_Test_Significance_Quad(reference, b, env);
}

void dqua(uint64_t a, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Quantize_Double(a, b, rmc, result, env);
}
void dquaq(const uint64_t *a, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Quantize_Quad(a, b, rmc, result, env);
}
void dquai(int te, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Quantize_Immediate_Double(te, b, rmc, result, env);
}
void dquaiq(int te, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Quantize_Immediate_Quad(te, b, rmc, result, env);
}
void drrnd(uint64_t k, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Reround_Double(k, b, rmc, result, env);
}
void drrndq(uint64_t k, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Reround_Quad(k, b, rmc, result, env);
}
void drintx(uint64_t b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_RoundFPInteger_With_Inexact_Double(b, r, rmc, result, env);
}
void drintxq(const uint64_t *b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_RoundFPInteger_With_Inexact_Quad(b, r, rmc, result, env);
}
void drintn(uint64_t b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_RoundFPInteger_Without_Inexact_Double(b, r, rmc, result, env);
}
void drintnq(const uint64_t *b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_RoundFPInteger_Without_Inexact_Quad(b, r, rmc, result, env);
}

void dctdp(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Convert_No_M_Single_To_Double(b, result, env);
}
void dctqpq(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Convert_No_M_Double_To_Quad(b, result, env);
}
void drsp(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Round_No_M_Double_To_Single(b, result, env);
}
void drdpq(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Round_No_M_Quad_To_Double(b, result, env);
}

void dcffix(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Convert_From_Fixed_Double(integer, result, env);
}
void dcffixq(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Convert_From_Fixed_Quad(integer, result, env);
}
int dctfix(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    return DFP_Convert_To_Fixed_Double(b, result, env);
}
int dctfixq(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    return DFP_Convert_To_Fixed_Quad(b, result, env);
}
void ddedpd(int sp, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Decode_DPD_To_BCD_Double(sp, b, result, env);
}
void ddedpdq(int sp, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Decode_DPD_To_BCD_Quad(sp, b, result, env);
}
void denbcd(int s, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Encode_BCD_To_DPD_Double(s, b, result, env);
}
void denbcdq(int s, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Encode_BCD_To_DPD_Quad(s, b, result, env);
}

void dxex(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Extract_Biased_Exponent_Double(b, result, env);
}
void dxexq(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Extract_Biased_Exponent_Quad(b, result, env);
}
void diex(uint64_t exponent, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Insert_Biased_Exponent_Double(exponent, b, result, env);
}
void diexq(uint64_t exponent, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Insert_Biased_Exponent_Quad(exponent, b, result, env);
}
void dscli(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Shift_Coefficient_Left_Double(sh, a, result, env);
}
void dscliq(int sh, const uint64_t *a, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Shift_Coefficient_Left_Quad(sh, a, result, env);
}
void dscri(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Shift_Coefficient_Right_Double(sh, a, result, env);
}
void dscriq(int sh, const uint64_t *a, uint64_t *result, DFP_SystemEnvironment *env)
{
    DFP_Shift_Coefficient_Right_Quad(sh, a, result, env);
}
