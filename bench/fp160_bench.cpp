// The FP160 library's kernels as every floating-point instruction of the interpreting modes uses
// them: widening a double, one operation and the narrowing back to double precision.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"

namespace
{

uint64_t bits_of(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}

template <int Op> void BM_Operation(benchmark::State &state)
{
    const uint64_t a_bits = bits_of(1.2345678901234), b_bits = bits_of(-9.87654321e-3), c_bits = bits_of(3.5);
    uint64_t out = 0;
    for (auto _ : state) {
        FP160 a, b, c;
        FP160_ConvertFromDP(&a, &a_bits, "bench::op_A");
        FP160_ConvertFromDP(&b, &b_bits, "bench::op_B");
        switch (Op) {
        case 0:
            FP160_Add(&a, &b, 0);
            break;
        case 1:
            FP160_Multiply(&a, &b);
            break;
        case 2:
            FP160_Divide(&a, &b);
            break;
        case 3:
            FP160_Sqrt(&a);
            break;
        default:
            FP160_ConvertFromDP(&c, &c_bits, "bench::op_C");
            FP160_Multiply(&a, &c);
            FP160_Add(&a, &b, 0);
            break;
        }
        FP160_Convert64(&a, 0, &out, 3);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK_TEMPLATE(BM_Operation, 0)->Name("FP160_Add");
BENCHMARK_TEMPLATE(BM_Operation, 1)->Name("FP160_Multiply");
BENCHMARK_TEMPLATE(BM_Operation, 2)->Name("FP160_Divide");
BENCHMARK_TEMPLATE(BM_Operation, 3)->Name("FP160_Sqrt");
BENCHMARK_TEMPLATE(BM_Operation, 4)->Name("FP160_FusedMultiplyAdd");

} // namespace
