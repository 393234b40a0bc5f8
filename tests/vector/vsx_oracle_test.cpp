// The VSX element workers against the host's IEEE arithmetic: random finite doubles and singles
// (denormals included) in each rounding mode, compared with the host's + - x / and fma for the
// result bits, XX and OX. NaN results are left out (the host's default NaN is negative, the
// unit's positive), and so are results near the underflow threshold, where the host detects
// tininess after rounding. Operands and results go through volatile variables so that nothing is
// folded across fesetround.
#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>

#include "fp/fpscr.h"
#include "vec_fixture.h"
#include "vector/vsx_arith_micro.h"
#include "vector/vsx_madd_micro.h"

namespace vec_test
{
namespace
{

constexpr int kHostModes[4] = {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD};
constexpr int kPerModeAndOp = 1500;

template <typename T, typename B> B bits_of(T x)
{
    B b;
    memcpy(&b, &x, sizeof b);
    return b;
}
template <typename T, typename B> T from_bits(B b)
{
    T x;
    memcpy(&x, &b, sizeof x);
    return x;
}

// A random finite operand: any exponent, or one near the reference exponent so that sums and
// differences keep most bits; every tenth a denormal.
class Operands
{
  public:
    explicit Operands(uint64_t seed) : random_(seed) {}
    uint64_t dp(int near)
    {
        const uint64_t sign = (uint64_t)(random_() & 1) << 63, fraction = random_() & 0xFFFFFFFFFFFFFull;
        uint64_t exponent;
        switch (random_() % 10) {
        case 0:
            exponent = 0;
            break;
        case 1:
        case 2:
        case 3:
            exponent = 1 + random_() % 2046;
            break;
        default:
            exponent = (uint64_t)std::clamp(near + (int)(random_() % 121) - 60, 1, 2046);
            break;
        }
        return sign | (exponent << 52) | fraction;
    }
    uint32_t sp(int near)
    {
        const uint32_t sign = (uint32_t)(random_() & 1) << 31, fraction = (uint32_t)random_() & 0x7FFFFF;
        uint32_t exponent;
        switch (random_() % 10) {
        case 0:
            exponent = 0;
            break;
        case 1:
        case 2:
        case 3:
            exponent = 1 + (uint32_t)(random_() % 254);
            break;
        default:
            exponent = (uint32_t)std::clamp(near + (int)(random_() % 41) - 20, 1, 254);
            break;
        }
        return sign | (exponent << 23) | fraction;
    }
    int pick(int low, int high) { return low + (int)(random_() % (uint64_t)(high - low + 1)); }

  private:
    std::mt19937_64 random_;
};

enum class Op { Add, Sub, Mul, Div, Fma };

template <typename T> T host(Op op, T a, T b, T c)
{
    volatile T va = a, vb = b, vc = c;
    volatile T r;
    switch (op) {
    case Op::Add:
        r = va + vb;
        break;
    case Op::Sub:
        r = va - vb;
        break;
    case Op::Mul:
        r = va * vb;
        break;
    case Op::Div:
        r = va / vb;
        break;
    case Op::Fma:
        r = std::fma((T)va, (T)vb, (T)vc);
        break;
    }
    return r;
}

// Results whose magnitude lies between half the smallest normal and twice it.
template <typename T> bool near_underflow(T r)
{
    const T m = std::fabs(r), normal = std::numeric_limits<T>::min();
    return m >= normal / 2 && m <= normal * 2;
}

class VsxOracle : public VecTest
{
  protected:
    IOPDesc *open(const char *mnemonic, int mode)
    {
        ew.t->FPSCR.value = (uint64_t)mode;
        IOPDesc *iop = ew.prepare(encoding(mnemonic));
        IOP_Cache_FPSCR(iop);
        return iop;
    }

    // One comparison; a message when it disagrees.
    template <typename T>
    void check(const char *what, int mode, T expected, uint64_t got, int host_flags, const IOPDesc *iop,
               uint64_t a, uint64_t b, uint64_t c)
    {
        using Bits = std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t>;
        const bool xx = (iop->fpscr_cache & FPSCR_XX) != 0, ox = (iop->fpscr_cache & FPSCR_OX) != 0;
        if ((uint64_t)bits_of<T, Bits>(expected) == got && xx == ((host_flags & FE_INEXACT) != 0) &&
            ox == ((host_flags & FE_OVERFLOW) != 0))
            return;
        if (++failures_ > 10) return;
        ADD_FAILURE() << what << " mode " << mode << std::hex << " a " << a << " b " << b << " c " << c
                      << ": host " << (uint64_t)bits_of<T, Bits>(expected) << " xx "
                      << ((host_flags & FE_INEXACT) != 0) << " ox " << ((host_flags & FE_OVERFLOW) != 0)
                      << ", worker " << got << " xx " << xx << " ox " << ox;
    }

    int failures_ = 0;
};

TEST_F(VsxOracle, DoubleWorkersMatchTheHost)
{
    struct Worker {
        Op op;
        const char *mnemonic;
        uint32_t (*arith)(IOPDesc *, uint64_t *, const uint64_t *, const uint64_t *, int);
    } workers[] = {
        {Op::Add, "xsadddp", vmicro_dp_add}, {Op::Sub, "xssubdp", vmicro_dp_sub},
        {Op::Mul, "xsmuldp", vmicro_dp_mul}, {Op::Div, "xsdivdp", vmicro_dp_div},
        {Op::Fma, "xsmaddadp", nullptr},
    };
    Operands operands(20260101);
    int compared = 0;
    for (const Worker &w : workers) {
        for (int mode = 0; mode < 4; mode++) {
            for (int i = 0; i < kPerModeAndOp; i++) {
                const int near = operands.pick(1, 2046);
                uint64_t a = operands.dp(near), b = operands.dp(w.op == Op::Mul ? 2046 - near : near);
                uint64_t c = operands.dp(near);
                if (w.op == Op::Fma) c = operands.dp(std::clamp(2 * near - 1023, 1, 2046));
                std::fesetround(kHostModes[mode]);
                std::feclearexcept(FE_ALL_EXCEPT);
                const double expected =
                    host<double>(w.op, from_bits<double>(a), from_bits<double>(b), from_bits<double>(c));
                const int host_flags = std::fetestexcept(FE_INEXACT | FE_OVERFLOW);
                std::fesetround(FE_TONEAREST);
                if (std::isnan(expected) || near_underflow(expected)) continue;
                IOPDesc *iop = open(w.mnemonic, mode);
                uint64_t got = 0;
                if (w.op == Op::Fma)
                    vmicro_dp_madd(iop, &got, &a, &b, &c, mode);
                else
                    w.arith(iop, &got, &a, &b, mode);
                check<double>(w.mnemonic, mode, expected, got, host_flags, iop, a, b, c);
                compared++;
            }
        }
    }
    EXPECT_GT(compared, 25000);
}

TEST_F(VsxOracle, SingleWorkersMatchTheHost)
{
    struct Worker {
        Op op;
        const char *mnemonic;
        uint32_t (*arith)(IOPDesc *, uint32_t *, uint32_t, uint32_t, int);
    } workers[] = {
        {Op::Add, "xvaddsp", vmicro_sp_add}, {Op::Sub, "xvsubsp", vmicro_sp_sub},
        {Op::Mul, "xvmulsp", vmicro_sp_mul}, {Op::Div, "xvdivsp", vmicro_sp_div},
        {Op::Fma, "xvmaddasp", nullptr},
    };
    Operands operands(20260202);
    int compared = 0;
    for (const Worker &w : workers) {
        for (int mode = 0; mode < 4; mode++) {
            for (int i = 0; i < kPerModeAndOp; i++) {
                const int near = operands.pick(1, 254);
                const uint32_t a = operands.sp(near), b = operands.sp(w.op == Op::Mul ? 254 - near : near);
                const uint32_t c = w.op == Op::Fma ? operands.sp(std::clamp(2 * near - 127, 1, 254)) : 0;
                std::fesetround(kHostModes[mode]);
                std::feclearexcept(FE_ALL_EXCEPT);
                const float expected =
                    host<float>(w.op, from_bits<float>(a), from_bits<float>(b), from_bits<float>(c));
                const int host_flags = std::fetestexcept(FE_INEXACT | FE_OVERFLOW);
                std::fesetround(FE_TONEAREST);
                if (std::isnan(expected) || near_underflow(expected)) continue;
                // The vector rows keep XX but not FR/FI/FPRF: XX is what is compared.
                IOPDesc *iop = open(w.mnemonic, mode);
                uint32_t got = 0;
                if (w.op == Op::Fma)
                    vmicro_sp_madd(iop, &got, a, b, c, mode);
                else
                    w.arith(iop, &got, a, b, mode);
                check<float>(w.mnemonic, mode, expected, got, host_flags, iop, a, b, c);
                compared++;
            }
        }
    }
    EXPECT_GT(compared, 25000);
}

} // namespace
} // namespace vec_test
