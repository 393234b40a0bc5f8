// The code of one guest instruction in a page translation: the operand fields of the word and
// the emitters its operation kind calls, guards first. Kinds without an emitter leave the
// instruction to the interpreter with the "unknown" exit.
#pragma once

#include <cstdint>

struct xframe;

// Emits the operation code of the word at the xframe's cursor (after its instruction prologue).
void translate_operation(xframe *x, uint32_t word, uint32_t kind);

// Operand fields of an instruction word (bit 0 the most significant).
inline uint32_t field_RT(uint32_t w)
{
    return (w >> 21) & 31;
}
inline uint32_t field_RA(uint32_t w)
{
    return (w >> 16) & 31;
}
inline uint32_t field_RB(uint32_t w)
{
    return (w >> 11) & 31;
}
inline uint32_t field_RC(uint32_t w)
{
    return (w >> 6) & 31;
}
inline int32_t field_D(uint32_t w)
{
    return (int16_t)(w & 0xFFFF);
}
inline uint32_t field_UI(uint32_t w)
{
    return w & 0xFFFF;
}
inline int32_t field_S16(uint32_t w)
{
    return (int32_t)(w << 16);
}
inline int32_t field_DS(uint32_t w)
{
    return (int16_t)(w & 0xFFFC);
}
inline int32_t field_LI(uint32_t w)
{
    return ((int32_t)((w & 0x03FFFFFC) << 6)) >> 6;
}
