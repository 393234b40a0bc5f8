// Exact bytes of the guards, exits, branch conditions and the call-out sequence.
#include <gtest/gtest.h>

#include <cstdio>

#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "translator/x86/branches.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "x86/emit_buffer.h"

namespace
{

Bytes d32(int32_t disp)
{
    return le32((uint32_t)disp);
}

Bytes imm64(uint64_t v)
{
    return cat({le32((uint32_t)v), le32((uint32_t)(v >> 32))});
}

// An xframe whose machine has the given settings; its stubs sit at known addresses near the buffer.
class FrameEmitters : public ::testing::Test
{
  public:
    FrameEmitters()
    {
        chip.machine = &machine;
        bx.x->chip = &chip;
        uint64_t base = reinterpret_cast<uint64_t>(bx.buffer.data());
        exit_priv = base + 0x1000;
        exit_fp = base + 0x1100;
        exit_vmx = base + 0x1200;
        exit_vsx = base + 0x1300;
        exit_little_endian = base + 0x1400;
        exit_ta = base + 0x1500;
        exit_unknown = base + 0x1600;
        exit_align = base + 0x1700;
        exit_priority_change = base + 0x1800;
        exit_priority_low_low = base + 0x1900;
        fetch = base + 0x1A00;
    }
    // rel32 of a 6-byte conditional jump that starts `at` bytes into the code.
    Bytes jcc_to(uint8_t cc, uint64_t target, size_t at)
    {
        uint64_t after = reinterpret_cast<uint64_t>(bx.buffer.data()) + at + 6;
        return cat({{0x0F, (uint8_t)(0x80 + cc)}, le32((uint32_t)(target - after))});
    }
    Bytes jmp_to(uint64_t target, size_t at)
    {
        uint64_t after = reinterpret_cast<uint64_t>(bx.buffer.data()) + at + 5;
        return cat({{0xE9}, le32((uint32_t)(target - after))});
    }

    GenericMachine machine{};
    MCM chip{};
    BufferXframe bx{0x2000};
    xframe *x = bx.get();
};

TEST_F(FrameEmitters, GuardsTestTheMsrAndJumpToTheirStub)
{
    const Bytes msr = d32(disp_MSR());
    struct Case {
        const char *what;
        void (*emit)(xframe *);
        Bytes test;
        uint8_t cc;
        uint64_t *stub;
    };
    const Case cases[] = {
        {"priv", jit_check_priv, cat({{0xF7, 0x83}, msr, le32(0x4000)}), 0x05, &exit_priv},
        {"ta", jit_check_ta, cat({{0x48, 0xB8}, imm64(0x4000000000000000ull), {0x48, 0x23, 0x83}, msr}), 0x04,
         &exit_ta},
        {"not ta", jit_check_not_ta,
         cat({{0x48, 0xB8},
              imm64(0x4000000000000000ull),
              {0x48, 0x23, 0x83},
              msr,
              {0x48, 0x81, 0xF8, 0, 0, 0, 0}}),
         0x05, &exit_ta},
        {"not le", jit_check_not_le,
         cat({{0x48, 0xB8}, imm64(1), {0x48, 0x23, 0x83}, msr, {0x48, 0x81, 0xF8, 0, 0, 0, 0}}), 0x05,
         &exit_little_endian},
        {"exceptions disabled", jit_check_exceptions_disabled,
         cat({{0x8B, 0x83}, d32(disp_FPSCR()), {0x81, 0xE0, 0xF8, 0, 0, 0}}), 0x05, &exit_vsx},
    };
    for (const Case &c : cases) {
        sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
        c.emit(x);
        EXPECT_EQ(bx.bytes(), cat({c.test, jcc_to(c.cc, *c.stub, c.test.size())})) << c.what;
    }
}

TEST_F(FrameEmitters, FloatingPointAndVectorGuardsFollowTheMachineModes)
{
    const Bytes fp_test = cat({{0xF7, 0x83}, d32(disp_MSR()), le32(0x2000)});
    jit_check_fp(x, 0);
    EXPECT_EQ(bx.bytes(), cat({fp_test, jcc_to(0x04, exit_fp, fp_test.size())}));

    for (auto set :
         {+[](GenericMachine &m) { m.emulate_fp = 1; }, +[](GenericMachine &m) { m.bit_accurate = 1; }}) {
        machine = GenericMachine{};
        set(machine);
        sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
        jit_check_fp(x, 0);
        EXPECT_EQ(bx.bytes(), jmp_to(exit_fp, 0));
        sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
        jit_check_fp(x, 1); // flag 1 always tests the MSR
        EXPECT_EQ(bx.bytes(), cat({fp_test, jcc_to(0x04, exit_fp, fp_test.size())}));
    }

    machine = GenericMachine{};
    machine.bit_accurate = 1;
    sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
    jit_check_vmx(x, 1);
    EXPECT_EQ(bx.bytes(), jmp_to(exit_fp, 0));
    sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
    jit_check_vsx(x, 1);
    const Bytes vsx = cat({{0x48, 0xB8}, imm64(0x800000), {0x48, 0x23, 0x83}, d32(disp_MSR())});
    EXPECT_EQ(bx.bytes(), cat({vsx, jcc_to(0x04, exit_vsx, vsx.size())}));
}

TEST_F(FrameEmitters, ExitsThatEmitNothingOrOneJump)
{
    machine.turbo_fmadd = 1;
    jit_check_fmadd(x);
    jit_smt_priority(x, -1);
    EXPECT_TRUE(bx.bytes().empty());

    machine.turbo_fmadd = 0;
    jit_check_fmadd(x);
    EXPECT_EQ(bx.bytes(), jmp_to(exit_fp, 0));

    sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
    jit_exit_unknown(x, 224, 268);
    EXPECT_EQ(bx.bytes(), cat({{0xC7, 0x83},
                               d32(disp_turbo(unknown_kind)),
                               le32(224),
                               {0xC7, 0x83},
                               d32(disp_turbo(unknown_detail)),
                               le32(268),
                               jmp_to(exit_unknown, 20)}));
}

TEST_F(FrameEmitters, TheAlignmentGuardMasksTheAddress)
{
    jit_align_check(x, HOST_R9, 3);
    Bytes test = {0x49, 0x8B, 0xC1, 0x48, 0x81, 0xE0, 3, 0, 0, 0};
    EXPECT_EQ(bx.bytes(), cat({test, jcc_to(0x05, exit_align, test.size())}));
}

TEST_F(FrameEmitters, BranchConditionsByBo)
{
    const Bytes cr2 = d32(disp_CR_bit(2));
    const Bytes ctr = d32(disp_CTR());
    struct Case {
        uint32_t bo;
        int mode64;
        Bytes code;
        int cc;
    };
    const Case cases[] = {
        {0x14, 1, {}, CC_ALWAYS},
        {0x0C, 1, cat({{0x80, 0xBB}, cr2, {0}}), CC_NE},  // beq: taken when the bit is 1
        {0x04, 1, cat({{0x80, 0xBB}, cr2, {0}}), CC_E},   // bne
        {0x10, 1, cat({{0x48, 0xFF, 0x8B}, ctr}), CC_NE}, // bdnz
        {0x12, 1, cat({{0x48, 0xFF, 0x8B}, ctr}), CC_E},  // bdz
        {0x10, 0, cat({{0x48, 0xFF, 0x8B}, ctr, {0x81, 0xBB}, ctr, le32(0)}), CC_NE},
        {0x08, 1,
         cat({{0x8A, 0x83},
              cr2,
              {0x45, 0x30, 0xC9, 0x48, 0xFF, 0x8B},
              ctr,
              {0x41, 0x0F, 0x95, 0xC1, 0x44, 0x20, 0xC8}}),
         CC_NE}, // bdnzt
        {0x02, 1,
         cat({{0x8A, 0x83},
              cr2,
              {0x20, 0xC0, 0x0F, 0x94, 0xC0, 0x45, 0x30, 0xC9, 0x48, 0xFF, 0x8B},
              ctr,
              {0x41, 0x0F, 0x94, 0xC1, 0x44, 0x20, 0xC8}}),
         CC_NE}, // bdzf
    };
    for (const Case &c : cases) {
        sink_init(&x->code_sink, bx.buffer.data(), 0x2000);
        x->mode64 = c.mode64;
        EXPECT_EQ(jit_bc(x, c.bo, 2, HOST_R9, HOST_R10), c.cc) << c.bo;
        EXPECT_EQ(bx.bytes(), c.code) << c.bo;
    }
}

TEST_F(FrameEmitters, XerBitTests)
{
    jit_test_xer_bit(x, 1);
    jit_test_xer_bit(x, 10);
    EXPECT_EQ(bx.bytes(), cat({{0x80, 0xBB},
                               d32(disp_XER_flag(1)),
                               {0},
                               {0x48, 0xF7, 0x83},
                               d32(disp_XER_copy()),
                               le32(1u << 21)}));
}

TEST_F(FrameEmitters, TheCallOutSequence)
{
    jit_callout(&x->code_sink, HOST_R9, reinterpret_cast<const void *>(0x1122334455667788ull));
    jit_callout(&x->code_sink, -1, reinterpret_cast<const void *>(8));
    const Bytes flag = d32(disp_turbo(in_callout));
    const Bytes head = {0x57, 0x56, 0x41, 0x50, 0x48, 0x8B, 0xFB, 0x4C,
                        0x89, 0xCE, 0x4C, 0x89, 0xD2, 0x4C, 0x89, 0xD9};
    const Bytes tail = {0x41, 0x58, 0x5E, 0x5F};
    EXPECT_EQ(bx.bytes(), cat({head,
                               {0xC7, 0x83},
                               flag,
                               le32(1),
                               {0x48, 0xB8},
                               imm64(0x1122334455667788ull),
                               {0xFF, 0xD0, 0x49, 0x89, 0xC1, 0xC7, 0x83},
                               flag,
                               le32(0),
                               tail,
                               // without a result register nothing leaves rax
                               head,
                               {0xC7, 0x83},
                               flag,
                               le32(1),
                               {0x48, 0xB8},
                               imm64(8),
                               {0xFF, 0xD0, 0xC7, 0x83},
                               flag,
                               le32(0),
                               tail}));
}

TEST_F(FrameEmitters, AConditionalJumpOutOfReachIsReportedAndDropped)
{
    jcc_out_of_reach = 0;
    testing::internal::CaptureStdout();
    emit_jcc(&x->code_sink, CC_E, reinterpret_cast<uint64_t>(bx.buffer.data()) + (1ull << 40));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "emit_jcc: ajhdlasjhdalsjdhlaksjhdlaksjhd\n");
    EXPECT_TRUE(bx.bytes().empty());
    EXPECT_EQ(jcc_out_of_reach, 1);
    jcc_out_of_reach = 0;
}

TEST_F(FrameEmitters, ARelativeBranchInsideThePageIsPatchedAtTheEnd)
{
    for (int slot = 0; slot <= XFRAME_SLOTS; slot++)
        x->entry[slot] = reinterpret_cast<uint64_t>(bx.buffer.data()) + 0x1000 + 16ull * (uint64_t)slot;
    jit_fixups_start();
    jit_relative_branch(x, CC_ALWAYS, 0x40, 0x10); // slot 4 to slot 20
    Bytes code = bx.bytes();
    ASSERT_GE(code.size(), 5u);
    jit_fixups_resolve(x);
    code = bx.bytes();
    uint64_t after = reinterpret_cast<uint64_t>(bx.buffer.data()) + code.size();
    Bytes jump(code.end() - 5, code.end());
    EXPECT_EQ(jump, cat({{0xE9}, le32((uint32_t)(x->entry[20] - after))}));
    EXPECT_EQ(fixup_pending, nullptr);
    ASSERT_NE(fixup_free, nullptr);
    EXPECT_EQ(fixup_free->target_slot, 20u);
    EXPECT_EQ(fixup_free->source_slot, 4u);
}

} // namespace
