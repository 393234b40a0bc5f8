// The VSX add, subtract, multiply and divide element workers.
#include "vector/vsx_arith_micro.h"

#include "fp/fp160_arith.h"
#include "vector/vsx_fp_common.h"

namespace
{

using namespace vec;

enum class Op { Add, Sub, Mul, Div };

// Op tags of the operands and the label of the NaN marks (the double-format single forms use a
// second label for the QNaN mark of the add).
struct Labels {
    const char *a, *b, *snan_mark, *qnan_mark;
};

// A := A op B on the FP160 values; the single forms use the graph-mode names (graph flag 0).
template <Op op> void compute(FP160 *a, FP160 *b, int mode, bool graph_names)
{
    switch (op) {
    case Op::Sub:
        invert_sign(b);
        [[fallthrough]];
    case Op::Add:
        if (graph_names)
            FP160_Add_GMode(a, b, mode, 0);
        else
            FP160_Add(a, b, mode);
        break;
    case Op::Mul:
        if (graph_names)
            FP160_Multiply_GMode(a, b, 0);
        else
            FP160_Multiply(a, b);
        break;
    case Op::Div:
        if (graph_names)
            FP160_Divide_GMode(a, b, 0);
        else
            FP160_Divide(a, b);
        break;
    }
}

// The result of the widened operands before rounding: a NaN operand chosen A first (marked SNaN
// when either signals, else QNaN, and quieted), or the library's operation.
template <Op op> void operate(FP160 *a, FP160 *b, int mode, bool graph_names, const Labels &labels)
{
    if (!FP160_Is_NaN(a) && !FP160_Is_NaN(b)) {
        compute<op>(a, b, mode, graph_names);
        return;
    }
    FP160 chosen = FP160_Is_NaN(a) ? *a : *b;
    if (FP160_Is_SNaN(a) || FP160_Is_SNaN(b))
        FP160_Mark_Exception(&chosen, FP_SNAN_OPERAND, 0, labels.snan_mark, "SNaN operand");
    else
        FP160_Mark_Exception(&chosen, FP_QNAN_OPERAND, 0, labels.qnan_mark, "QNaN operand");
    quiet_nan(&chosen);
    *a = chosen;
}

template <Op op>
uint32_t dp(IOPDesc *iop, uint64_t *out, const uint64_t *a_bits, const uint64_t *b_bits, int mode,
            const Labels &labels)
{
    FP160 a, b;
    FP160_ConvertFromDP(&a, a_bits, labels.a);
    FP160_ConvertFromDP(&b, b_bits, labels.b);
    operate<op>(&a, &b, mode, false, labels);
    FP_Convert_ExceptionHandler64(iop, &a, out, 0, mode);
    return a.exceptions;
}

template <Op op>
uint32_t sp(IOPDesc *iop, uint32_t *out, uint32_t a_bits, uint32_t b_bits, int mode, const Labels &labels)
{
    FP160 a, b;
    FP160_VX_ConvertFromSP_Source(&a, a_bits, 0, 0, labels.a);
    FP160_VX_ConvertFromSP_Source(&b, b_bits, 0, 0, labels.b);
    operate<op>(&a, &b, mode, true, labels);
    int delivered;
    return deliver_single(iop, &a, out, mode, true, &delivered);
}

template <Op op>
uint32_t sp_dp(IOPDesc *iop, uint64_t *out, uint64_t a_bits, uint64_t b_bits, int mode, const Labels &labels)
{
    FP160 a, b;
    FP160_ConvertFromDP(&a, &a_bits, labels.a);
    FP160_ConvertFromDP(&b, &b_bits, labels.b);
    operate<op>(&a, &b, mode, true, labels);
    FP160_Convert_to_32_as_DW(iop, &a, out, 0, mode);
    return a.exceptions;
}

constexpr Labels kDpAdd{"vsx_dp_add::op_A", "vsx_dp_add::op_B", "vmicro_dp_add", "vmicro_dp_add"};
constexpr Labels kDpSub{"vsx_dp_sub::op_A", "vsx_dp_sub::op_B", "vmicro_dp_sub", "vmicro_dp_sub"};
constexpr Labels kDpMul{"vsx_dp_mul::op_A", "vsx_dp_mul::op_B", "vmicro_dp_mul", "vmicro_dp_mul"};
constexpr Labels kDpDiv{"vsx_dp_div::op_A", "vsx_dp_div::op_B", "vmicro_dp_div", "vmicro_dp_div"};
constexpr Labels kSpAdd{"vsx_sp_add::op_A", "vsx_sp_add::op_B", "vmicro_sp_add", "vmicro_sp_add"};
constexpr Labels kSpSub{"vsx_sp_sub::op_A", "vsx_sp_sub::op_B", "vmicro_sp_sub", "vmicro_sp_sub"};
constexpr Labels kSpMul{"vsx_sp_mul::op_A", "vsx_sp_mul::op_B", "vmicro_sp_mul", "vmicro_sp_mul"};
constexpr Labels kSpDiv{"vsx_sp_div::op_A", "vsx_sp_div::op_B", "vmicro_sp_div", "vmicro_sp_div"};
constexpr Labels kSDpAdd{"vsx_sp_add::op_A", "vsx_sp_add::op_B", "vmicro_s_sp_add", "vmicro_sp_s_add"};
constexpr Labels kSDpSub{"vsx_sp_sub::op_A", "vsx_sp_sub::op_B", "vmicro_s_sp_sub", "vmicro_s_sp_sub"};
constexpr Labels kSDpMul{"vsx_sp_mul::op_A", "vsx_sp_mul::op_B", "vmicro_s_sp_mul", "vmicro_s_sp_mul"};
constexpr Labels kSDpDiv{"vsx_sp_div::op_A", "vsx_sp_div::op_B", "vmicro_s_sp_div", "vmicro_s_sp_div"};

} // namespace

uint32_t vmicro_dp_add(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode)
{
    return dp<Op::Add>(iop, out, a, b, mode, kDpAdd);
}
uint32_t vmicro_dp_sub(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode)
{
    return dp<Op::Sub>(iop, out, a, b, mode, kDpSub);
}
uint32_t vmicro_dp_mul(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode)
{
    return dp<Op::Mul>(iop, out, a, b, mode, kDpMul);
}
uint32_t vmicro_dp_div(IOPDesc *iop, uint64_t *out, const uint64_t *a, const uint64_t *b, int mode)
{
    return dp<Op::Div>(iop, out, a, b, mode, kDpDiv);
}

uint32_t vmicro_sp_add(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode)
{
    return sp<Op::Add>(iop, out, a, b, mode, kSpAdd);
}
uint32_t vmicro_sp_sub(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode)
{
    return sp<Op::Sub>(iop, out, a, b, mode, kSpSub);
}
uint32_t vmicro_sp_mul(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode)
{
    return sp<Op::Mul>(iop, out, a, b, mode, kSpMul);
}
uint32_t vmicro_sp_div(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b, int mode)
{
    return sp<Op::Div>(iop, out, a, b, mode, kSpDiv);
}

uint32_t vmicro_sp_add_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode)
{
    return sp_dp<Op::Add>(iop, out, a, b, mode, kSDpAdd);
}
uint32_t vmicro_sp_sub_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode)
{
    return sp_dp<Op::Sub>(iop, out, a, b, mode, kSDpSub);
}
uint32_t vmicro_sp_mul_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode)
{
    return sp_dp<Op::Mul>(iop, out, a, b, mode, kSDpMul);
}
uint32_t vmicro_sp_div_dp(IOPDesc *iop, uint64_t *out, uint64_t a, uint64_t b, int mode)
{
    return sp_dp<Op::Div>(iop, out, a, b, mode, kSDpDiv);
}
