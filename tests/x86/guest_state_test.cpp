// Guest-state access emitters: their bytes against thread-state positions taken with offsetof, and
// the same code run on a thread state to show which words it touches; the XMM pool; the
// byte-order selection.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "processor/records/thread_state.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/state_disp.h"
#include "x86/emit_buffer.h"

namespace
{

uint32_t disp(size_t offset)
{
    return (uint32_t)offset;
}

std::unique_ptr<ThreadState> blank_thread()
{
    auto t = std::make_unique<ThreadState>();
    memset(static_cast<void *>(t.get()), 0, sizeof(ThreadState));
    return t;
}

TEST(GuestState, RegisterMovesAddressTheValueWordsOfTheThreadState)
{
    const uint32_t gpr31 = disp(offsetof(ThreadState, GPR) + 31 * sizeof(Reg64));
    BufferXframe get_gpr;
    jit_get_GPR(get_gpr.get(), jit_temp0(), 31);
    EXPECT_EQ(get_gpr.bytes(), cat({{0x4C, 0x8B, 0x8B}, le32(gpr31)}));

    BufferXframe get_pc;
    jit_get_PC(get_pc.get(), jit_temp1());
    EXPECT_EQ(get_pc.bytes(), (Bytes{0x4C, 0x8B, 0xD6}));

    BufferXframe get_togo;
    jit_get_TOGO(get_togo.get(), jit_temp2());
    EXPECT_EQ(get_togo.bytes(), (Bytes{0x44, 0x8B, 0xDF}));

    BufferXframe narrow;
    emit_set_GPR(narrow.get(), 0, HOST_RAX, 0);
    EXPECT_EQ(narrow.bytes(), cat({{0x89, 0x83}, le32(disp(offsetof(ThreadState, GPR)))}));

    BufferXframe reload;
    emit_reload_routines(xframe_sink(reload.get()));
    const size_t turbo = offsetof(ThreadState, turbo);
    EXPECT_EQ(reload.bytes(), cat({{0x4C, 0x8B, 0xA3},
                                   le32(disp(turbo + offsetof(turbo_s, reader))),
                                   {0x4C, 0x8B, 0xAB},
                                   le32(disp(turbo + offsetof(turbo_s, writer))),
                                   {0x4C, 0x8B, 0xB3},
                                   le32(disp(turbo + offsetof(turbo_s, fetcher))),
                                   {0x4C, 0x8B, 0xBB},
                                   le32(disp(turbo + offsetof(turbo_s, data_emat)))}));
}

TEST(GuestState, GprLrAndCtrRoundTripThroughHostRegisters)
{
    auto t = blank_thread();
    t->GPR[7].value = 0x1122334455667788ull;
    CallableCode code;
    jit_get_GPR(code.x(), jit_temp1(), 7);
    jit_set_LR(code.x(), jit_temp1());
    jit_get_LR(code.x(), jit_temp2());
    jit_set_CTR(code.x(), jit_temp2());
    jit_set_GPR(code.x(), 30, jit_temp0());
    jit_get_CTR(code.x(), jit_scratch0());
    EXPECT_EQ(code.call(t.get(), 0xABCDull), 0x1122334455667788ull);
    EXPECT_EQ(t->LR.value, 0x1122334455667788ull);
    EXPECT_EQ(t->CTR.value, 0x1122334455667788ull);
    EXPECT_EQ(t->GPR[30].value, 0xABCDull);
    EXPECT_EQ(t->LR.written, 0); // translated code leaves the written flags alone
}

TEST(GuestState, WritingAnFprClearsTheRestOfItsVsr)
{
    BufferXframe bytes;
    jit_set_FPR(bytes.get(), 3, jit_temp0(), 0);
    EXPECT_EQ(bytes.bytes(), cat({{0x4C, 0x89, 0x8B},
                                  le32(disp(offsetof(ThreadState, VSR) + 3 * sizeof(Reg128) + 8)),
                                  {0x48, 0x31, 0xC0},
                                  {0x48, 0x89, 0x83},
                                  le32(disp(offsetof(ThreadState, VSR) + 3 * sizeof(Reg128)))}));

    auto t = blank_thread();
    t->VSR[3].value[0] = 0xDEADBEEFull;
    CallableCode code;
    jit_set_FPR(code.x(), 3, jit_temp0(), 0);
    code.call(t.get(), 0x4000000000000000ull);
    EXPECT_EQ(t->VSR[3].value[1], 0x4000000000000000ull);
    EXPECT_EQ(t->VSR[3].value[0], 0u);
}

TEST(GuestState, FprWriteBackFromXmmWithAndWithoutThePendingRecord)
{
    auto t = blank_thread();
    t->VSR[5].value[1] = 0x3FF8000000000000ull; // FPR 5 = 1.5
    t->VSR[3].value[0] = 0x77;
    t->VSR[4].value[0] = 0x99;
    t->turbo.pending_fprf_register = -1;
    CallableCode code;
    xmm_next = XMM_POOL_FIRST;
    int x = emit_fpr_to_xmm(code.x(), 5);
    EXPECT_EQ(x, 12);
    emit_xmm_to_fpr(code.x(), 4, x);
    emit_set_FPR_from_xmm(code.x(), 3, x, 1);
    code.call(t.get());
    EXPECT_EQ(t->VSR[4].value[1], 0x3FF8000000000000ull);
    EXPECT_EQ(t->VSR[4].value[0], 0x99u); // doubleword 1 untouched
    EXPECT_EQ(t->VSR[3].value[1], 0x3FF8000000000000ull);
    EXPECT_EQ(t->VSR[3].value[0], 0u);
    EXPECT_EQ(t->turbo.pending_fprf_register, 3);
    EXPECT_EQ(t->turbo.pending_fprf_value, 0x3FF8000000000000ull);

    auto u = blank_thread();
    CallableCode gpr;
    jit_set_FPR(gpr.x(), 9, jit_temp0(), 1);
    gpr.call(u.get(), 0xC000000000000000ull);
    EXPECT_EQ(u->turbo.pending_fprf_register, 9);
    EXPECT_EQ(u->turbo.pending_fprf_value, 0xC000000000000000ull);
}

TEST(GuestState, WholeVectorMovesAndDoublewords)
{
    BufferXframe vsx, vr;
    xmm_next = XMM_POOL_FIRST;
    from_VSX(vsx.get(), 40);
    xmm_next = XMM_POOL_FIRST;
    from_VR(vr.get(), 8);
    EXPECT_EQ(vsx.bytes(), vr.bytes()); // VR 8 is VSR 40
    EXPECT_EQ(vsx.bytes(), cat({{0xF3, 0x44, 0x0F, 0x6F, 0xA3},
                                le32(disp(offsetof(ThreadState, VSR) + 40 * sizeof(Reg128)))}));

    auto t = blank_thread();
    t->VSR[40].value[0] = 0x0102030405060708ull;
    t->VSR[40].value[1] = 0x1112131415161718ull;
    t->VSR[33].value[0] = 0xAAull;
    CallableCode code;
    xmm_next = XMM_POOL_FIRST;
    int a = from_VR(code.x(), 8);
    to_VSX(code.x(), 41, a);
    xmm_load(code.x(), 13, 8);
    to_VR(code.x(), 10, 13);
    emit_vsr_load_second(code.x(), jit_temp1(), 8);
    emit_vsr_store_first(code.x(), 11, jit_temp1());
    emit_vsr_load_first(code.x(), jit_temp2(), 8);
    emit_vsr_store_second(code.x(), 11, jit_temp2());
    emit_vsr_set_dw0(code.x(), 33, jit_temp0());
    emit_vsr_get_dw1(code.x(), jit_scratch0(), 33);
    EXPECT_EQ(code.call(t.get(), 0x55ull), 0xAAull);
    EXPECT_EQ(t->VSR[41].value[0], 0x0102030405060708ull);
    EXPECT_EQ(t->VSR[41].value[1], 0x1112131415161718ull);
    EXPECT_EQ(t->VSR[42].value[0], 0x0102030405060708ull);
    EXPECT_EQ(t->VSR[42].value[1], 0x1112131415161718ull);
    EXPECT_EQ(t->VSR[43].value[0], 0x1112131415161718ull); // first: bytes 0 to 7
    EXPECT_EQ(t->VSR[43].value[1], 0x0102030405060708ull);
    EXPECT_EQ(t->VSR[33].value[1], 0x55ull);
}

TEST(GuestState, TheXmmPoolHandsOutFourRegistersPerInstruction)
{
    xmm_next = XMM_POOL_FIRST;
    xmm_exhausted = 0;
    EXPECT_EQ(xmm_reserve(), 12);
    EXPECT_EQ(xmm_reserve(), 13);
    EXPECT_EQ(xmm_reserve(), 14);
    EXPECT_EQ(xmm_reserve(), 15);
    {
        SinkCapture capture;
        EXPECT_EQ(xmm_reserve(), -1);
        EXPECT_EQ(capture.text(), "FATAL ERROR: no XMM registers available\n");
    }
    EXPECT_EQ(xmm_exhausted, 1);
    Start_The_Simulation();
    xmm_exhausted = 0;
    xmm_next = XMM_POOL_FIRST; // the next instruction's prologue
    EXPECT_EQ(xmm_reserve(), 12);

    // The pool is per host thread.
    int other = 0;
    std::thread([&] { other = xmm_reserve(); }).join();
    EXPECT_EQ(other, 12);
    EXPECT_EQ(xmm_reserve(), 13);
}

TEST(GuestState, ByteOrderSelectsTheSwapAndDoublewordEmitters)
{
    jit_init_set_BE_memory();
    EXPECT_EQ(swap_emitter, emit_bswap);
    EXPECT_EQ(swap_emitter_reversed, emit_no_swap);
    EXPECT_EQ(swap16_emitter, emit_bswap16);
    EXPECT_EQ(swap16_emitter_reversed, emit_no_swap16);
    EXPECT_EQ(vr_store_lower_dw, emit_vsr_store_second);
    EXPECT_EQ(vr_store_upper_dw, emit_vsr_store_first);
    EXPECT_EQ(vr_load_lower_dw, emit_vsr_load_second);
    EXPECT_EQ(vr_load_upper_dw, emit_vsr_load_first);

    // Another translating host thread has a selection of its own.
    std::thread([] {
        jit_init_set_LE_memory();
        EXPECT_EQ(swap_emitter, emit_no_swap);
        EXPECT_EQ(swap_emitter_reversed, emit_bswap);
        EXPECT_EQ(swap16_emitter, emit_no_swap16);
        EXPECT_EQ(swap16_emitter_reversed, emit_bswap16);
        EXPECT_EQ(vr_store_lower_dw, emit_vsr_store_first);
        EXPECT_EQ(vr_store_upper_dw, emit_vsr_store_second);
        EXPECT_EQ(vr_load_lower_dw, emit_vsr_load_first);
        EXPECT_EQ(vr_load_upper_dw, emit_vsr_load_second);
    }).join();
    EXPECT_EQ(swap_emitter, emit_bswap);

    // A big-endian 32-bit value is swapped, a reversed access is not; no swap appends nothing.
    BufferSink b;
    swap_emitter(&b.s, HOST_RAX, 0);
    swap_emitter_reversed(&b.s, HOST_RAX, 0);
    swap16_emitter(&b.s);
    EXPECT_EQ(b.bytes(), (Bytes{0x0F, 0xC8, 0x86, 0xC4}));
}

} // namespace
