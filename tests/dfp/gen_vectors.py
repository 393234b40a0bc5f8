#!/usr/bin/env python3
"""Writes vectors.inc: decimal64 operations with their results and FPSCR images, computed with
Python's decimal module as an independent reference. Run from this folder; the output is committed
and the tests do not need Python.

Each line: {op, mode, a, b, result, fpscr}. Operands and results are decimal64 words (results of
dctfix are the integer); fpscr is the full image after the operation from an FPSCR holding only DRN.
"""
import decimal
import random
from decimal import Decimal, Context

ROUNDINGS = [decimal.ROUND_HALF_EVEN, decimal.ROUND_DOWN, decimal.ROUND_CEILING, decimal.ROUND_FLOOR,
             decimal.ROUND_HALF_UP, decimal.ROUND_HALF_DOWN, decimal.ROUND_UP, decimal.ROUND_05UP]
FX, OX, UX, ZX, XX, VX, VXCVI = 0x80000000, 0x10000000, 0x08000000, 0x04000000, 0x02000000, 0x20000000, 0x100
FR, FI = 0x40000, 0x20000


def ctx64(mode, prec=16):
    return Context(prec=prec, rounding=ROUNDINGS[mode], Emax=384 if prec == 16 else 96,
                   Emin=-383 if prec == 16 else -95, clamp=1, traps=[])


def declet(d):
    a, b, c = d // 100, d // 10 % 10, d % 10
    big = (a > 7) << 2 | (b > 7) << 1 | (c > 7)
    p, q, r = (a >> 2) & 1, (a >> 1) & 1, a & 1
    s, t, u = (b >> 2) & 1, (b >> 1) & 1, b & 1
    w, x, y = (c >> 2) & 1, (c >> 1) & 1, c & 1
    bits = {
        0: [p, q, r, s, t, u, 0, w, x, y],
        1: [p, q, r, s, t, u, 1, 0, 0, y],
        2: [p, q, r, w, x, u, 1, 0, 1, y],
        3: [p, q, r, 1, 0, u, 1, 1, 1, y],
        4: [w, x, r, s, t, u, 1, 1, 0, y],
        5: [s, t, r, 0, 1, u, 1, 1, 1, y],
        6: [w, x, r, 0, 0, u, 1, 1, 1, y],
        7: [0, 0, r, 1, 1, u, 1, 1, 1, y],
    }[big]
    v = 0
    for bit in bits:
        v = v << 1 | bit
    return v


def encode64(d):
    sign = 1 if d.is_signed() else 0
    if d.is_nan():
        return sign << 63 | 0x1F << 58
    if d.is_infinite():
        return sign << 63 | 0x1E << 58
    t = d.as_tuple()
    coef = int(''.join(map(str, t.digits)))
    biased = t.exponent + 398
    assert 0 <= biased <= 767 and coef < 10**16, d
    lead = coef // 10**15
    rest = coef % 10**15
    top = biased >> 8
    combo = top << 3 | lead if lead < 8 else 0x18 | top << 1 | (lead & 1)
    w = sign << 63 | combo << 58 | (biased & 0xFF) << 50
    for k in range(5):
        w |= declet(rest // 10**(3 * k) % 1000) << (10 * k)
    return w


def fprf(d):
    if d.is_nan():
        return 0x11000
    if d.is_infinite():
        return 0x9000 if d.is_signed() else 0x5000
    if d.is_zero():
        return 0x12000 if d.is_signed() else 0x2000
    if d.adjusted() < -383:
        return 0x18000 if d.is_signed() else 0x14000
    return 0x8000 if d.is_signed() else 0x4000


def status_bits(ctx, r, bigger):
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
    return f | fprf(r)


EXACT = Context(prec=2000, Emax=10**6, Emin=-10**6, traps=[])


def rand64(rng, digits=None, emin=-398, emax=369):
    n = digits or rng.choice([1, 2, 3, 8, 15, 16, 16, 16])
    coef = rng.randrange(10**(n - 1) if n > 1 else 0, 10**n)
    if rng.random() < 0.15:
        coef = int('9' * n)
    e = rng.randint(emin, emax)
    s = rng.random() < 0.4
    return Decimal((1 if s else 0, tuple(map(int, str(coef))), e))


def main():
    rng = random.Random(64)
    lines = []

    def emit(op, mode, a, b, word, fpscr):
        lines.append('{"%s", %d, 0x%016XULL, 0x%016XULL, 0x%016XULL, 0x%016XULL},' %
                     (op, mode, encode64(a), encode64(b) if b is not None else 0, word & (2**64 - 1), fpscr | mode << 32))

    for i in range(1400):
        mode = rng.randrange(8)
        op = rng.choice(['add', 'sub', 'mul', 'div', 'qua', 'rin', 'rsp', 'fix', 'ffx'])
        ctx = ctx64(mode)
        near = rng.random() < 0.5
        a = rand64(rng, emin=-30 if near else -398, emax=30 if near else 369)
        b = rand64(rng, emin=a.as_tuple().exponent - 20, emax=a.as_tuple().exponent + 20) if near else rand64(rng)
        if op in ('add', 'sub', 'mul', 'div'):
            if op == 'div' and b.is_zero():
                continue
            exact_b = -b if op == 'sub' else b
            fn = {'add': ctx.add, 'sub': ctx.subtract, 'mul': ctx.multiply, 'div': ctx.divide}[op]
            r = fn(a, b)
            if op == 'div':
                bigger = EXACT.multiply(r, b).copy_abs() > a.copy_abs() if r.is_finite() else True
            else:
                ex = {'add': EXACT.add, 'sub': EXACT.subtract, 'mul': EXACT.multiply}[op](a, b)
                bigger = r.is_infinite() or r.copy_abs() > ex.copy_abs()
            emit(op, mode, a, b, encode64(r), status_bits(ctx, r, bigger))
        elif op == 'qua':
            ref = Decimal((0, (1,), rng.randint(max(-398, a.as_tuple().exponent - 20), min(369, a.as_tuple().exponent + 20))))
            r = ctx.quantize(a, ref)
            if ctx.flags[decimal.InvalidOperation]:
                emit(op, mode, ref, a, 0x7C00000000000000, FX | VX | VXCVI | 0x11000)
                continue
            ctx.flags[decimal.Underflow] = False
            emit(op, mode, ref, a, encode64(r), status_bits(ctx, r, r.copy_abs() > a.copy_abs()))
        elif op == 'rin':
            r = a.to_integral_exact(context=ctx)
            emit(op, mode, a, None, encode64(r), status_bits(ctx, r, r.copy_abs() > a.copy_abs()))
        elif op == 'rsp':
            c32 = ctx64(mode, 7)
            r = c32.plus(a) if not a.is_zero() else c32.plus(a).copy_sign(a)
            if c32.flags[decimal.Overflow] or c32.flags[decimal.Underflow] or not r.is_finite():
                # keep the cases whose decimal32 result is representable
                pass
            bigger = r.is_infinite() or r.copy_abs() > a.copy_abs()
            f = status_bits(c32, r, bigger)
            if r.is_finite():
                f = f & ~0x1F000 | (fprf32(r))
            emit(op, mode, a, None, encode32(r), f)
        elif op == 'fix':
            r = a.to_integral_value(rounding=ROUNDINGS[mode])
            v = int(r)
            if not -2**63 <= v < 2**63:
                emit(op, mode, a, None, 2**63 - 1 if v > 0 else -2**63, FX | VX | VXCVI)
                continue
            f = 0
            if r != a:
                f |= FI | XX | FX
                if r.copy_abs() > a.copy_abs():
                    f |= FR
            emit(op, mode, a, None, v, f)
        else:  # ffx: from a signed 64-bit integer
            v = rng.choice([rng.randrange(-2**63, 2**63), rng.randrange(-10**17, 10**17), rng.randrange(-99, 99)])
            r = ctx.create_decimal(v)
            bigger = r.copy_abs() > Decimal(abs(v))
            f = status_bits(ctx, r, bigger)
            lines.append('{"ffx", %d, 0x%016XULL, 0, 0x%016XULL, 0x%016XULL},' % (mode, v & (2**64 - 1), encode64(r), f | mode << 32))

    with open('vectors.inc', 'w') as out:
        out.write('// Generated by gen_vectors.py with Python\'s decimal module; do not edit.\n')
        out.write('\n'.join(lines) + '\n')


def fprf32(d):
    if d.is_zero():
        return 0x12000 if d.is_signed() else 0x2000
    if d.adjusted() < -95:
        return 0x18000 if d.is_signed() else 0x14000
    return 0x8000 if d.is_signed() else 0x4000


def encode32(d):
    sign = 1 if d.is_signed() else 0
    if d.is_infinite():
        return sign << 31 | 0x1E << 26
    t = d.as_tuple()
    coef = int(''.join(map(str, t.digits)))
    biased = t.exponent + 101
    assert 0 <= biased <= 191 and coef < 10**7, d
    lead = coef // 10**6
    rest = coef % 10**6
    top = biased >> 6
    combo = top << 3 | lead if lead < 8 else 0x18 | top << 1 | (lead & 1)
    w = sign << 31 | combo << 26 | (biased & 0x3F) << 20
    for k in range(2):
        w |= declet(rest // 10**(3 * k) % 1000) << (10 * k)
    return w


if __name__ == '__main__':
    main()
