// Load/store multiple, string and data-cache-block-zero instructions in translated code: the
// effective address is translated once for the whole block, then the registers move with host
// loads and stores or through the shared string stubs. Forms that do not fit (invalid forms,
// blocks across a page, bit-accurate lswx, unusual block sizes) leave to the interpreter.
#pragma once

#include <cstdint>

struct xframe;

// lmw/lmd RT,D(RA) and stmw/stmd RS,D(RA).
void jit_lmw(xframe *x, int rt, int32_t d, int ra);
void jit_lmd(xframe *x, int rt, int32_t ds, int ra);
void jit_stmw(xframe *x, int rs, int32_t d, int ra);
void jit_stmd(xframe *x, int rs, int32_t ds, int ra);
// lswi RT,RA,NB and stswi RS,RA,NB (NB 0 means 32 bytes).
void jit_lswi(xframe *x, int rt, int ra, int nb);
void jit_stswi(xframe *x, int rs, int ra, int nb);
// The indexed forms, with the byte count from XER at run time.
void jit_lswx(xframe *x, int rt, int ra, int rb);
void jit_lsdx(xframe *x, int rt, int ra, int rb);
void jit_stswx(xframe *x, int rs, int ra, int rb);
void jit_stsdx(xframe *x, int rs, int ra, int rb);
// dcbz RA,RB over the machine's cache block; a block that starts a page leaves with "dcbz".
void jit_dcbz(xframe *x, int bit10, int ra, int rb);
