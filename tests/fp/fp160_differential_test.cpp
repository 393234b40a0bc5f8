// The FP160 library against exact arithmetic and the host's IEEE arithmetic: add, subtract,
// multiply, divide, square root and fused multiply-add in the six rounding modes, for double,
// single, half and quad precision, over edge operands and a fixed-seed random sweep.
#include <gtest/gtest.h>

#include <cmath>

#include "fp_differential.h"

namespace
{

using fpdiff::Op;
using fpdiff::Report;
using fpref::u128;

constexpr long SWEEP = 3000; // random operand sets per operation and format

u128 d(double x)
{
    return fpref::bits_of(x);
}

void expect_clean(const Report &r)
{
    EXPECT_GT(r.cases, 0);
    EXPECT_EQ(r.failures, 0) << r.failures << " of " << r.cases << " cases differ; first:\n" << r.text();
}

// Named edge operands of double precision, each checked in every mode.
struct Edge {
    const char *what;
    Op op;
    double a, b, c;
};

const double MIN_NORMAL = 0x1p-1022, MIN_DENORMAL = 0x1p-1074, MAX = 1.7976931348623157e308;

const Edge double_edges[] = {
    {"halfway above 1", Op::ADD, 1.0, 0x1p-53, 0},
    {"halfway with odd last bit", Op::ADD, 1.0 + 0x1p-52, 0x1p-53, 0},
    {"just above halfway", Op::ADD, 1.0, 0x1p-53 + 0x1p-105, 0},
    {"1 - ulp/2", Op::SUB, 1.0, 0x1p-54, 0},
    {"far below the last bit", Op::SUB, 1.0, 0x1p-200, 0},
    {"cancellation", Op::SUB, 1.0 + 0x1p-52, 1.0, 0},
    {"denormal difference", Op::SUB, 0x1.8p-1022, MIN_NORMAL, 0},
    {"denormal sum", Op::ADD, MIN_DENORMAL, MIN_DENORMAL, 0},
    {"overflow by addition", Op::ADD, MAX, 0x1p970, 0},
    {"overflow below halfway", Op::ADD, MAX, 0x1p969, 0},
    {"1 + ulp square", Op::MUL, 1.0 + 0x1p-52, 1.0 + 0x1p-52, 0},
    {"product into denormals", Op::MUL, 0x1.8p-537, 0x1.8p-537, 0},
    {"product to the smallest normal", Op::MUL, 0x1.fffffffffffffp-512, 0x1p-511, 0},
    {"product below the denormals", Op::MUL, 0x1p-600, 0x1p-600, 0},
    {"product overflow", Op::MUL, 0x1p600, 0x1p600, 0},
    {"one third", Op::DIV, 1.0, 3.0, 0},
    {"quotient of neighbours", Op::DIV, 1.0 + 0x1p-52, 1.0 + 0x1p-51, 0},
    {"large divisor", Op::DIV, 1.0, 0x1.fffffffffffffp0, 0},
    {"quotient into denormals", Op::DIV, MIN_NORMAL, 3.0, 0},
    {"quotient overflow", Op::DIV, MAX, 0.5, 0},
    {"division by zero", Op::DIV, -5.0, 0.0, 0},
    {"root 2", Op::SQRT, 2.0, 0, 0},
    {"root of the smallest denormal", Op::SQRT, MIN_DENORMAL, 0, 0},
    {"root of the largest", Op::SQRT, MAX, 0, 0},
    {"root just below 4", Op::SQRT, 0x1.fffffffffffffp1, 0, 0},
    {"fma exact low part", Op::FMADD, 1.0 + 0x1p-30, -(1.0 + 0x1p-29), 1.0 + 0x1p-30},
    {"fma cancelling to zero", Op::FMADD, 3.0, -6.0, 2.0},
    {"fma tiny addend", Op::FMADD, 1.0, 0x1p-300, 1.0},
    {"fma tiny subtrahend", Op::FMSUB, 1.0, 0x1p-300, 1.0},
    {"fma into denormals", Op::FMADD, 0x1p-1000, -0x1p-1020, 0x1p-30},
    {"fma overflow", Op::FMADD, MAX, MAX, 2.0},
    {"fma 0 * inf", Op::FMADD, 0.0, 1.0, INFINITY},
    {"fma inf - inf", Op::FMSUB, INFINITY, INFINITY, 1.0},
};

TEST(FP160Differential, DoubleEdges)
{
    Report report;
    for (const Edge &e : double_edges) {
        const u128 operands[3] = {d(e.a), d(e.b), d(e.c)};
        const size_t before = report.first.size();
        for (int mode = 0; mode <= 5; mode++)
            fpdiff::check(report, e.op, fpref::DOUBLE, fpref::DOUBLE, operands, mode, true);
        if (report.first.size() > before) report.first.back() += std::string(" [") + e.what + "]";
    }
    expect_clean(report);
}

TEST(FP160Differential, SingleEdges)
{
    Report report;
    const struct {
        Op op;
        float a, b;
    } edges[] = {
        {Op::ADD, 1.0f, 0x1p-24f},
        {Op::ADD, 1.0f + 0x1p-23f, 0x1p-24f},
        {Op::SUB, 0x1.8p-126f, 0x1p-126f},
        {Op::MUL, 0x1p-75f, 0x1p-75f},
        {Op::MUL, 0x1p64f, 0x1p64f},
        {Op::DIV, 1.0f, 3.0f},
        {Op::DIV, 0x1p-126f, 3.0f},
        {Op::SQRT, 2.0f, 0},
        {Op::SQRT, 0x1p-149f, 0},
        {Op::MUL, 0x1.fffffep-64f, 0x1p-63f}, // tiny before rounding, the smallest normal after
    };
    for (const auto &e : edges) {
        const u128 operands[3] = {fpref::bits_of(e.a), fpref::bits_of(e.b), 0};
        for (int mode = 0; mode <= 5; mode++)
            fpdiff::check(report, e.op, fpref::SINGLE, fpref::SINGLE, operands, mode, true);
    }
    expect_clean(report);
}

// Double precision: every operation against the reference in six modes and the host in four.
TEST(FP160Differential, DoubleSweep)
{
    const Op ops[] = {Op::ADD, Op::SUB, Op::MUL, Op::DIV, Op::SQRT, Op::FMADD, Op::FMSUB};
    uint64_t seed = 1;
    for (Op op : ops) {
        Report report;
        fpdiff::sweep(report, op, fpref::DOUBLE, fpref::DOUBLE, SWEEP, seed++, true);
        SCOPED_TRACE(fpdiff::op_name(op));
        expect_clean(report);
    }
}

TEST(FP160Differential, SingleSweep)
{
    const Op ops[] = {Op::ADD, Op::SUB, Op::MUL, Op::DIV, Op::SQRT, Op::FMADD};
    uint64_t seed = 100;
    for (Op op : ops) {
        Report report;
        fpdiff::sweep(report, op, fpref::SINGLE, fpref::SINGLE, SWEEP, seed++, true);
        SCOPED_TRACE(fpdiff::op_name(op));
        expect_clean(report);
    }
}

// Single-precision results of double operands (the single-precision instructions accept double
// inputs), fused ones included: a double rounding on the host would differ, the reference not.
TEST(FP160Differential, DoubleOperandsToSingle)
{
    const Op ops[] = {Op::ADD, Op::MUL, Op::DIV, Op::SQRT, Op::FMADD, Op::FMSUB};
    uint64_t seed = 200;
    for (Op op : ops) {
        Report report;
        fpdiff::sweep(report, op, fpref::DOUBLE, fpref::SINGLE, SWEEP, seed++, false);
        SCOPED_TRACE(fpdiff::op_name(op));
        expect_clean(report);
    }
}

TEST(FP160Differential, HalfSweep)
{
    const Op ops[] = {Op::ADD, Op::MUL, Op::DIV, Op::SQRT};
    uint64_t seed = 300;
    for (Op op : ops) {
        Report report;
        fpdiff::sweep(report, op, fpref::HALF, fpref::HALF, SWEEP / 2, seed++, false);
        SCOPED_TRACE(fpdiff::op_name(op));
        expect_clean(report);
    }
}

// Quad precision: 113-bit operands, the full-width division and square root.
TEST(FP160Differential, QuadSweep)
{
    const Op ops[] = {Op::ADD, Op::SUB, Op::MUL, Op::DIV, Op::SQRT};
    uint64_t seed = 400;
    for (Op op : ops) {
        Report report;
        fpdiff::sweep(report, op, fpref::QUAD, fpref::QUAD, SWEEP, seed++, false);
        SCOPED_TRACE(fpdiff::op_name(op));
        expect_clean(report);
    }
}

} // namespace
