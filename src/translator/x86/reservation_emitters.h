// Load-and-reserve and store-conditional in translated code: the address is translated in line,
// the reservation is taken or tested by a call-out, and a failed store-conditional stores into a
// junk word instead of guest memory. Misaligned forms and standalone translations are left to the
// interpreter.
#pragma once

#include <cstdint>

struct xframe;

// lwarx/ldarx RT,RA,RB.
void jit_lwarx(xframe *x, int rt, int ra, int rb);
void jit_ldarx(xframe *x, int rt, int ra, int rb);
// stwcx./stdcx. RS,RA,RB.
void jit_stwcx_dot(xframe *x, int rs, int ra, int rb);
void jit_stdcx_dot(xframe *x, int rs, int ra, int rb);
