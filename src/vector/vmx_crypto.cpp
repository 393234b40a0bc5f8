// The vector AES and SHA-2 instructions. Every one passes, in order, the SIM_CTRL crypto-disable
// gate, the level-2.06 test of problem state and the VMX availability check. AES state byte i is
// register byte i (column c is bytes 4c..4c+3).
#include "vector/vmx_crypto.h"

#include "decode/semantics.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/vsu_helpers.h"
#include "processor/regs/reg_accessors.h"
#include "vector/vec_defs.h"
#include "vector/vmx_frame.h"

uint8_t VSU_GFMul02(uint8_t x)
{
    return (uint8_t)((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
}
uint8_t VSU_GFMul03(uint8_t x)
{
    return VSU_GFMul02(x) ^ x;
}
uint8_t VSU_GFMul09(uint8_t x)
{
    return VSU_GFMul02(VSU_GFMul02(VSU_GFMul02(x))) ^ x;
}
uint8_t VSU_GFMul0B(uint8_t x)
{
    const uint8_t x2 = VSU_GFMul02(x);
    return VSU_GFMul02(VSU_GFMul02(x2)) ^ x2 ^ x;
}
uint8_t VSU_GFMul0D(uint8_t x)
{
    const uint8_t x4 = VSU_GFMul02(VSU_GFMul02(x));
    return VSU_GFMul02(x4) ^ x4 ^ x;
}
uint8_t VSU_GFMul0E(uint8_t x)
{
    const uint8_t x2 = VSU_GFMul02(x), x4 = VSU_GFMul02(x2);
    return VSU_GFMul02(x4) ^ x4 ^ x2;
}

uint32_t VSU_SHA256_Sigma(uint32_t x, int selector)
{
    switch (selector & 3) {
    case 0:
        return Bitwise_Difference32(Bitwise_Difference32(Rotate_Right32(x, 7), Rotate_Right32(x, 18)),
                                    x >> 3);
    case 1:
        return Bitwise_Difference32(Bitwise_Difference32(Rotate_Right32(x, 17), Rotate_Right32(x, 19)),
                                    x >> 10);
    case 2:
        return Bitwise_Difference32(Bitwise_Difference32(Rotate_Right32(x, 2), Rotate_Right32(x, 13)),
                                    Rotate_Right32(x, 22));
    default:
        return Bitwise_Difference32(Bitwise_Difference32(Rotate_Right32(x, 6), Rotate_Right32(x, 11)),
                                    Rotate_Right32(x, 25));
    }
}

uint64_t VSU_SHA512_Sigma(uint64_t x, int selector)
{
    switch (selector & 3) {
    case 0:
        return Bitwise_Difference64(Bitwise_Difference64(Rotate_Right64(x, 1), Rotate_Right64(x, 8)), x >> 7);
    case 1:
        return Bitwise_Difference64(Bitwise_Difference64(Rotate_Right64(x, 19), Rotate_Right64(x, 61)),
                                    x >> 6);
    case 2:
        return Bitwise_Difference64(Bitwise_Difference64(Rotate_Right64(x, 28), Rotate_Right64(x, 34)),
                                    Rotate_Right64(x, 39));
    default:
        return Bitwise_Difference64(Bitwise_Difference64(Rotate_Right64(x, 14), Rotate_Right64(x, 18)),
                                    Rotate_Right64(x, 41));
    }
}

namespace
{

using namespace vec;

// The crypto gates, then the frame of vmx_run. The crypto-disable text is the illegal
// instruction's detail (the level-2 warning that goes with it prints nothing).
template <int sources, typename Op> int crypto(IOPDesc *iop, const char *disabled_text, Op op)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_VMX_CRYPTO_DIS) {
        interrupt_IllegalInstruction(iop, disabled_text);
        return 0;
    }
    return vmx_run<Gate::V206, sources>(iop, op);
}

Vec128 mix(Vec128 s, bool inverse)
{
    Bytes16 in = vmx_bytes(s), out;
    for (int c = 0; c < 4; c++) {
        const uint8_t *b = &in.b[4 * c];
        uint8_t *t = &out.b[4 * c];
        if (!inverse) {
            for (int r = 0; r < 4; r++)
                t[r] = Bitwise_Difference8(VSU_GFMul02(b[r]), VSU_GFMul03(b[(r + 1) % 4]), b[(r + 2) % 4],
                                           b[(r + 3) % 4]);
        } else {
            for (int r = 0; r < 4; r++)
                t[r] = Bitwise_Difference8(VSU_GFMul0E(b[r]), VSU_GFMul0B(b[(r + 1) % 4]),
                                           VSU_GFMul0D(b[(r + 2) % 4]), VSU_GFMul09(b[(r + 3) % 4]));
        }
    }
    return vmx_from_bytes(out);
}

Vec128 add_round_key(Vec128 s, Vec128 k)
{
    return Vec128{Bitwise_Difference64(s.low, k.low), Bitwise_Difference64(s.high, k.high)};
}

// The SIX field (instruction bits 17-20) and ST (bit 16).
uint32_t six(const IOPDesc *iop)
{
    return (iop->word >> 11) & 15;
}
int st(const IOPDesc *iop)
{
    return (iop->word >> 15) & 1;
}

} // namespace

int semantic_vcipher(IOPDesc *iop)
{
    return crypto<SRC_AB>(iop, "vcipher SIM_CTRL_VMX_CRYPTO_DIS = 1", [](Vec128 s, Vec128 k, Vec128, bool &) {
        return add_round_key(mix(VSU_ShiftRows(VSU_SubBytes(s)), false), k);
    });
}
int semantic_vcipherlast(IOPDesc *iop)
{
    return crypto<SRC_AB>(
        iop, "vcipherlast SIM_CTRL_VMX_CRYPTO_DIS = 1",
        [](Vec128 s, Vec128 k, Vec128, bool &) { return add_round_key(VSU_ShiftRows(VSU_SubBytes(s)), k); });
}
int semantic_vncipher(IOPDesc *iop)
{
    return crypto<SRC_AB>(iop, "vncipher SIM_CTRL_VMX_CRYPTO_DIS = 1",
                          [](Vec128 s, Vec128 k, Vec128, bool &) {
                              return mix(add_round_key(VSU_InvSubBytes(VSU_InvShiftRows(s)), k), true);
                          });
}
int semantic_vncipherlast(IOPDesc *iop)
{
    return crypto<SRC_AB>(iop, "vncipherlast SIM_CTRL_VMX_CRYPTO_DIS = 1",
                          [](Vec128 s, Vec128 k, Vec128, bool &) {
                              return add_round_key(VSU_InvSubBytes(VSU_InvShiftRows(s)), k);
                          });
}
int semantic_vsbox(IOPDesc *iop)
{
    return crypto<SRC_A>(iop, "vsbox SIM_CTRL_VMX_CRYPTO_DIS = 1",
                         [](Vec128 s, Vec128, Vec128, bool &) { return VSU_SubBytes(s); });
}

int semantic_vshasigmaw(IOPDesc *iop)
{
    const uint32_t fields = six(iop);
    const int base = 2 * st(iop);
    return crypto<SRC_A>(iop, "vshasigmaw SIM_CTRL_VMX_CRYPTO_DIS = 1",
                         [&](Vec128 a, Vec128, Vec128, bool &) {
                             Vec128 t{0, 0};
                             for (int i = 0; i < 4; i++) {
                                 const int selector = base + (int)((fields >> (3 - i)) & 1);
                                 Vec_Set_Word(&t, i, VSU_SHA256_Sigma(Vec_Word(a, i), selector));
                             }
                             return t;
                         });
}
int semantic_vshasigmad(IOPDesc *iop)
{
    const uint32_t fields = six(iop);
    const int base = 2 * st(iop);
    return crypto<SRC_A>(iop, "vshasigmad SIM_CTRL_VMX_CRYPTO_DIS = 1",
                         [&](Vec128 a, Vec128, Vec128, bool &) {
                             const uint64_t d0 = VSU_SHA512_Sigma(a.high, base + (int)((fields >> 3) & 1));
                             const uint64_t d1 = VSU_SHA512_Sigma(a.low, base + (int)((fields >> 1) & 1));
                             return Vec128{d1, d0};
                         });
}
