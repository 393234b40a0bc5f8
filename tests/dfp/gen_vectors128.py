#!/usr/bin/env python3
"""Writes vectors128.inc: operations with decimal128 operands or results, with their result words
and FPSCR images, computed with Python's decimal module as an independent reference. Run from
this folder; the output is committed and the tests do not need Python.

Each line: {op, mode, a0, a1, b0, b1, r0, r1, fpscr}. Decimal128 values are two words, most
significant first; a decimal64 operand or result, or an integer, is in the first word with the
second 0. fpscr is the full image after the operation from an FPSCR holding only DRN.
"""
import decimal
import random
from decimal import Decimal, Context

from gen_vectors import ROUNDINGS, FX, OX, UX, XX, VX, VXCVI, FR, FI, declet, encode64, fprf

# Wide enough for any sum or product of two decimal128 numbers.
EXACT = Context(prec=13000, Emax=10**6, Emin=-10**6, traps=[])


def ctx128(mode):
    return Context(prec=34, rounding=ROUNDINGS[mode], Emax=6144, Emin=-6143, clamp=1, traps=[])


def ctx64(mode):
    return Context(prec=16, rounding=ROUNDINGS[mode], Emax=384, Emin=-383, clamp=1, traps=[])


def encode128(d):
    sign = 1 if d.is_signed() else 0
    if d.is_nan():
        return sign << 127 | 0x1F << 122
    if d.is_infinite():
        return sign << 127 | 0x1E << 122
    t = d.as_tuple()
    coef = int(''.join(map(str, t.digits)))
    biased = t.exponent + 6176
    assert 0 <= biased <= 12287 and coef < 10**34, d
    lead = coef // 10**33
    rest = coef % 10**33
    top = biased >> 12
    combo = top << 3 | lead if lead < 8 else 0x18 | top << 1 | (lead & 1)
    w = sign << 127 | combo << 122 | (biased & 0xFFF) << 110
    for k in range(11):
        w |= declet(rest // 10**(3 * k) % 1000) << (10 * k)
    return w


def words(v):
    return v >> 64, v & (2**64 - 1)


def fprf128(d):
    if d.is_nan():
        return 0x11000
    if d.is_infinite():
        return 0x9000 if d.is_signed() else 0x5000
    if d.is_zero():
        return 0x12000 if d.is_signed() else 0x2000
    if d.adjusted() < -6143:
        return 0x18000 if d.is_signed() else 0x14000
    return 0x8000 if d.is_signed() else 0x4000


def status(ctx, r, bigger, classify):
    f = 0
    if ctx.flags[decimal.Inexact]:
        f |= FI | XX
        if bigger:
            f |= FR
    if ctx.flags[decimal.Overflow]:
        f |= OX
    if ctx.flags[decimal.Underflow]:
        f |= UX
    if f & (OX | UX | XX):
        f |= FX
    return f | classify(r)


def rand128(rng, emin=-6176, emax=6111):
    n = rng.choice([1, 2, 5, 17, 33, 34, 34, 34])
    coef = rng.randrange(10**(n - 1) if n > 1 else 0, 10**n)
    if rng.random() < 0.15:
        coef = int('9' * n)
    e = rng.randint(emin, emax)
    return Decimal((1 if rng.random() < 0.4 else 0, tuple(map(int, str(coef))), e))


def rand64(rng):
    n = rng.choice([1, 3, 16])
    coef = rng.randrange(10**(n - 1) if n > 1 else 0, 10**n)
    return Decimal((1 if rng.random() < 0.4 else 0, tuple(map(int, str(coef))), rng.randint(-398, 369)))


def main():
    rng = random.Random(128)
    lines = []

    def emit(op, mode, a, b, r, fpscr):
        a0, a1 = a
        b0, b1 = b
        r0, r1 = r
        lines.append('{"%s", %d, 0x%016XULL, 0x%016XULL, 0x%016XULL, 0x%016XULL, 0x%016XULL, 0x%016XULL, '
                     '0x%016XULL},' % (op, mode, a0, a1, b0, b1, r0, r1, fpscr | mode << 32))

    for i in range(700):
        mode = rng.randrange(8)
        op = rng.choice(['addq', 'subq', 'mulq', 'divq', 'quaq', 'rdpq', 'ctqpq', 'cffixq', 'ctfixq'])
        ctx = ctx128(mode)
        near = rng.random() < 0.5
        a = rand128(rng, -60, 60) if near else rand128(rng)
        ea = a.as_tuple().exponent
        b = rand128(rng, ea - 40, ea + 40) if near else rand128(rng)
        if op in ('addq', 'subq', 'mulq', 'divq'):
            if op == 'divq' and b.is_zero():
                continue
            fn = {'addq': ctx.add, 'subq': ctx.subtract, 'mulq': ctx.multiply, 'divq': ctx.divide}[op]
            r = fn(a, b)
            if op == 'divq':
                bigger = EXACT.multiply(r, b).copy_abs() > a.copy_abs() if r.is_finite() else True
            else:
                ex = {'addq': EXACT.add, 'subq': EXACT.subtract, 'mulq': EXACT.multiply}[op](a, b)
                bigger = r.is_infinite() or r.copy_abs() > ex.copy_abs()
            emit(op, mode, words(encode128(a)), words(encode128(b)), words(encode128(r)),
                 status(ctx, r, bigger, fprf128))
        elif op == 'quaq':
            ref = Decimal((0, (1,), rng.randint(max(-6176, ea - 40), min(6111, ea + 40))))
            r = ctx.quantize(a, ref)
            if ctx.flags[decimal.InvalidOperation]:
                emit(op, mode, words(encode128(ref)), words(encode128(a)), (0x7C00000000000000, 0),
                     FX | VX | VXCVI | 0x11000)
                continue
            ctx.flags[decimal.Underflow] = False
            emit(op, mode, words(encode128(ref)), words(encode128(a)), words(encode128(r)),
                 status(ctx, r, r.copy_abs() > a.copy_abs(), fprf128))
        elif op == 'rdpq':
            c = ctx64(mode)
            src = rand128(rng, -420, 400)
            r = c.plus(src) if not src.is_zero() else c.plus(src).copy_sign(src)
            bigger = r.is_infinite() or r.copy_abs() > src.copy_abs()
            emit(op, mode, words(encode128(src)), (0, 0), (encode64(r), 0), status(c, r, bigger, fprf))
        elif op == 'ctqpq':
            src = rand64(rng)
            emit(op, mode, (encode64(src), 0), (0, 0), words(encode128(src)), fprf128(src))
        elif op == 'cffixq':
            v = rng.choice([rng.randrange(-2**63, 2**63), rng.randrange(-99, 99)])
            r = Decimal(v)
            emit(op, mode, (v & (2**64 - 1), 0), (0, 0), words(encode128(r)), fprf128(r))
        else:  # ctfixq
            src = rand128(rng, -40, 22)
            r = src.to_integral_value(rounding=ROUNDINGS[mode])
            v = int(r)
            if not -2**63 <= v < 2**63:
                emit(op, mode, words(encode128(src)), (0, 0), ((2**63 - 1 if v > 0 else -2**63) & (2**64 - 1), 0),
                     FX | VX | VXCVI)
                continue
            f = 0
            if r != src:
                f |= FI | XX | FX
                if r.copy_abs() > src.copy_abs():
                    f |= FR
            emit(op, mode, words(encode128(src)), (0, 0), (v & (2**64 - 1), 0), f)

    with open('vectors128.inc', 'w') as out:
        out.write('// Generated by gen_vectors128.py with Python\'s decimal module; do not edit.\n')
        out.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
