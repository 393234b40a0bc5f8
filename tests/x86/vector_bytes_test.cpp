// Exact bytes of the vector emitters where the layout of registers decides them: the common
// load-operate-store pattern and the element-number conversions of the splats.
#include <gtest/gtest.h>

#include "emit_buffer.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/state_disp.h"
#include "translator/x86/vector_emitters.h"

namespace
{

TEST(VectorBytes, VandLoadsOperatesAndStoresWholeRegisters)
{
    BufferXframe x;
    xmm_next = XMM_POOL_FIRST;
    jit_vand(x.get(), 3, 4, 5);
    EXPECT_EQ(x.bytes(), cat({{0xF3, 0x44, 0x0F, 0x6F, 0xA3}, le32((uint32_t)disp_VR(4)),
                              {0xF3, 0x44, 0x0F, 0x6F, 0xAB}, le32((uint32_t)disp_VR(5)),
                              {0x66, 0x45, 0x0F, 0xDB, 0xE5},
                              {0xF3, 0x44, 0x0F, 0x7F, 0xA3}, le32((uint32_t)disp_VR(3))}));
}

// The immediate of pshufd in vspltw, and the byte shift of vsplth, per UIM.
TEST(VectorBytes, SplatsConvertIsaElementsToLanes)
{
    struct Case {
        int uim;
        uint8_t imm;
    };
    for (Case c : {Case{0, 0xFF}, Case{1, 0xAA}, Case{3, 0x00}}) {
        BufferXframe x;
        xmm_next = XMM_POOL_FIRST;
        jit_vspltw(x.get(), 3, c.uim, 5);
        const Bytes b = x.bytes();
        // movdqu xmm12, VR5; pshufd xmm13, xmm12, imm
        const Bytes pshufd = {0x66, 0x45, 0x0F, 0x70, 0xEC, c.imm};
        EXPECT_EQ(Bytes(b.begin() + 9, b.begin() + 15), pshufd) << c.uim;
    }
    BufferXframe x;
    xmm_next = XMM_POOL_FIRST;
    jit_vsplth(x.get(), 3, 0, 5);
    const Bytes b = x.bytes();
    // movdqu; xorpd xmm14, xmm14; psrldq xmm12, 14
    const Bytes shift = {0x66, 0x41, 0x0F, 0x73, 0xDC, 14};
    EXPECT_EQ(Bytes(b.begin() + 14, b.begin() + 20), shift);
}

} // namespace
