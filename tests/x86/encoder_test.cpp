// The code sink and the x86-64 encoder: exact bytes of the fixed emitters and operand builders,
// the jump's reach, the patch of a forward reference and a sink that runs full.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "translator/x86/encoder.h"
#include "x86/emit_buffer.h"

namespace
{

struct Case {
    const char *what;
    std::function<void(sink *, xframe *)> emit;
    Bytes expected;
};

// Emits through the sink or the xframe (machine width 64) and compares the bytes.
void check_cases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        BufferXframe bx;
        c.emit(xframe_sink(bx.get()), bx.get());
        EXPECT_EQ(bx.bytes(), c.expected) << c.what;
    }
}

TEST(Encoder, ImmediateMovesAndAdditions)
{
    const uint64_t sign = 0x8000000000000000ull;
    check_cases({
        {"mov r9, imm64",
         [&](sink *s, xframe *) { emit_mov_imm64(s, HOST_R9, sign); },
         {0x49, 0xB9, 0, 0, 0, 0, 0, 0, 0, 0x80}},
        {"mov rbx, imm64",
         [&](sink *s, xframe *) { emit_mov_imm64(s, HOST_RBX, sign); },
         {0x48, 0xBB, 0, 0, 0, 0, 0, 0, 0, 0x80}},
        {"mov imm64 into register 16", [&](sink *s, xframe *) { emit_mov_imm64(s, 16, sign); }, {}},
        {"mov ecx, imm32",
         [](sink *s, xframe *) { emit_mov_imm32(s, HOST_RCX, 0xFFFFFFFF, 0); },
         {0xB9, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"mov rcx, simm32",
         [](sink *s, xframe *) { emit_mov_imm32(s, HOST_RCX, 0xFFFFFFFF, 1); },
         {0x48, 0xC7, 0xC1, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"mov r9d, imm32",
         [](sink *s, xframe *) { emit_mov_imm32(s, HOST_R9, 0x12345678, 0); },
         {0x41, 0xB9, 0x78, 0x56, 0x34, 0x12}},
        {"mov r10, simm32",
         [](sink *s, xframe *) { emit_mov_imm32(s, HOST_R10, 1, 1); },
         {0x49, 0xC7, 0xC2, 1, 0, 0, 0}},
        {"mov imm32 into register -1", [](sink *s, xframe *) { emit_mov_imm32(s, -1, 1, 1); }, {}},
        {"add rax, imm32",
         [](sink *s, xframe *) { emit_add_imm32(s, HOST_RAX, 0x100, 1); },
         {0x48, 0x05, 0x00, 0x01, 0, 0}},
        {"add eax, imm32", [](sink *s, xframe *) { emit_add_imm32(s, HOST_RAX, 4, 0); }, {0x05, 4, 0, 0, 0}},
        {"add esi, imm32",
         [](sink *s, xframe *) { emit_add_imm32(s, HOST_RSI, 4, 0); },
         {0x81, 0xC6, 4, 0, 0, 0}},
        {"add r10d, imm32",
         [](sink *s, xframe *) { emit_add_imm32(s, HOST_R10, 0x10, 0); },
         {0x41, 0x81, 0xC2, 0x10, 0, 0, 0}},
        {"add r10, imm32",
         [](sink *s, xframe *) { emit_add_imm32(s, HOST_R10, 0x10, 1); },
         {0x49, 0x81, 0xC2, 0x10, 0, 0, 0}},
        {"add imm32 to register 16", [](sink *s, xframe *) { emit_add_imm32(s, 16, 1, 1); }, {}},
        {"add edi, -1", [](sink *s, xframe *) { emit_add_imm8(s, HOST_RDI, -1, 0); }, {0x83, 0xC7, 0xFF}},
        {"add r9, 8", [](sink *s, xframe *) { emit_add_imm8(s, HOST_R9, 8, 1); }, {0x49, 0x83, 0xC1, 8}},
        {"and r11d, imm32",
         [](sink *s, xframe *) { emit_and_imm32(s, HOST_R11, 0xFFF, 0); },
         {0x41, 0x81, 0xE3, 0xFF, 0x0F, 0, 0}},
        {"cmp edi, imm32",
         [](sink *s, xframe *) { emit_cmp_imm32(s, HOST_RDI, 20, 0); },
         {0x81, 0xFF, 20, 0, 0, 0}},
        {"or rdx, uimm16",
         [](sink *, xframe *x) { jit_or_uimm16(x, HOST_RDX, 0x8000); },
         {0x48, 0x81, 0xCA, 0x00, 0x80, 0x00, 0x00}},
        {"or rax, uimm16",
         [](sink *, xframe *x) { jit_or_uimm16(x, HOST_RAX, 0xFFFF); },
         {0x48, 0x0D, 0xFF, 0xFF, 0x00, 0x00}},
        {"or r9, uimm16",
         [](sink *, xframe *x) { jit_or_uimm16(x, HOST_R9, 1); },
         {0x49, 0x81, 0xC9, 1, 0, 0, 0}},
        {"or uimm16 into register 16", [](sink *, xframe *x) { jit_or_uimm16(x, 16, 1); }, {}},
        {"or r9, uimm32 through r10",
         [](sink *, xframe *x) { jit_or_uimm32(x, HOST_R9, 0x80000000, HOST_R10); },
         {0x41, 0xBA, 0, 0, 0, 0x80, 0x4D, 0x09, 0xD1}},
        {"and r9, uimm64",
         [](sink *, xframe *x) { jit_and_uimm64(x, HOST_R9, 0xFFull << 56); },
         {0x48, 0xB8, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x49, 0x21, 0xC1}},
        {"mov r9, simm16",
         [](sink *, xframe *x) { jit_get_simm16(x, HOST_R9, -2); },
         {0x49, 0xC7, 0xC1, 0xFE, 0xFF, 0xFF, 0xFF}},
        {"mov r11, imm64",
         [](sink *, xframe *x) { jit_get_uimm64(x, HOST_R11, 1); },
         {0x49, 0xBB, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"add r9, simm32",
         [](sink *, xframe *x) { jit_add_simm32(x, HOST_R9, -4); },
         {0x49, 0x81, 0xC1, 0xFC, 0xFF, 0xFF, 0xFF}},
    });
}

TEST(Encoder, RegisterFormsBarriersAndStackOperations)
{
    check_cases({
        {"mov r9, r10", [](sink *s, xframe *) { emit_mov_reg(s, HOST_R9, HOST_R10, 1); }, {0x4D, 0x8B, 0xCA}},
        {"mov eax, edi", [](sink *s, xframe *) { emit_mov_reg(s, HOST_RAX, HOST_RDI, 0); }, {0x8B, 0xC7}},
        {"or rax, r9", [](sink *s, xframe *) { emit_or_reg(s, HOST_RAX, HOST_R9, 1); }, {0x4C, 0x09, 0xC8}},
        {"add r10, rcx",
         [](sink *s, xframe *) { emit_add_reg(s, HOST_R10, HOST_RCX, 1); },
         {0x49, 0x01, 0xCA}},
        {"sub ecx, edx", [](sink *s, xframe *) { emit_sub_reg(s, HOST_RCX, HOST_RDX, 0); }, {0x29, 0xD1}},
        {"add r9, r10", [](sink *, xframe *x) { jit_add_temps(x, HOST_R9, HOST_R10); }, {0x4D, 0x01, 0xD1}},
        {"mov r11, r9", [](sink *, xframe *x) { jit_mov(x, HOST_R11, HOST_R9); }, {0x4D, 0x8B, 0xD9}},
        {"xor r9, r9", [](sink *, xframe *x) { jit_get_zero(x, HOST_R9); }, {0x4D, 0x31, 0xC9}},
        {"xor rax, rax", [](sink *, xframe *x) { jit_get_zero(x, HOST_RAX); }, {0x48, 0x31, 0xC0}},
        {"movsxd r9, r9d", [](sink *, xframe *x) { jit_extend_32_to_64(x, HOST_R9); }, {0x4D, 0x63, 0xC9}},
        {"movsxd rax, eax", [](sink *, xframe *x) { jit_extend_32_to_64(x, HOST_RAX); }, {0x48, 0x63, 0xC0}},
        {"rol r10d, 3",
         [](sink *, xframe *x) { jit_rotate_left_imm(x, HOST_R10, 3, 0); },
         {0x41, 0xC1, 0xC2, 3}},
        {"rol rax, 32",
         [](sink *, xframe *x) { jit_rotate_left_imm(x, HOST_RAX, 32, 1); },
         {0x48, 0xC1, 0xC0, 32}},
        {"bswap r9", [](sink *s, xframe *) { emit_bswap(s, HOST_R9, 1); }, {0x49, 0x0F, 0xC9}},
        {"bswap eax", [](sink *s, xframe *) { emit_bswap(s, HOST_RAX, 0); }, {0x0F, 0xC8}},
        {"xchg al, ah", [](sink *s, xframe *) { emit_bswap16(s); }, {0x86, 0xC4}},
        {"push rbp", [](sink *s, xframe *) { emit_push(s, HOST_RBP); }, {0x55}},
        {"push r15", [](sink *s, xframe *) { emit_push(s, HOST_R15); }, {0x41, 0x57}},
        {"pop r12", [](sink *s, xframe *) { emit_pop(s, HOST_R12); }, {0x41, 0x5C}},
        {"pop rbx", [](sink *s, xframe *) { emit_pop(s, HOST_RBX); }, {0x5B}},
        {"push register 16", [](sink *s, xframe *) { emit_push(s, 16); }, {}},
        {"pop register -1", [](sink *s, xframe *) { emit_pop(s, -1); }, {}},
        {"jmp r14", [](sink *, xframe *x) { jit_gotoi(x); }, {0x41, 0xFF, 0xE6}},
        {"mfence", [](sink *, xframe *x) { jit_store_barrier(x); }, {0x0F, 0xAE, 0xF0}},
        {"lfence", [](sink *, xframe *x) { jit_load_barrier(x); }, {0x0F, 0xAE, 0xE8}},
        {"isync", [](sink *, xframe *x) { jit_isync(x); }, {0x0F, 0xAE, 0xE8}},
        {"counter increment while no trace counter is bound",
         [](sink *, xframe *x) { emit_counter_increment(x, 0); },
         {}},
    });
}

TEST(Encoder, MemoryOperands)
{
    check_cases({
        {"mov r9, [rbx + 0x1000]",
         [](sink *s, xframe *) { emit_mov_load(s, HOST_R9, 0x1000, HOST_RBX, 1); },
         {0x4C, 0x8B, 0x8B, 0x00, 0x10, 0x00, 0x00}},
        {"mov eax, [rbx + 0] keeps a 32-bit displacement",
         [](sink *s, xframe *) { emit_mov_load(s, HOST_RAX, 0, HOST_RBX, 0); },
         {0x8B, 0x83, 0, 0, 0, 0}},
        {"mov [rbx - 8], r14",
         [](sink *s, xframe *) { emit_mov_store(s, -8, HOST_RBX, HOST_R14, 1); },
         {0x4C, 0x89, 0xB3, 0xF8, 0xFF, 0xFF, 0xFF}},
        {"mov dword [rbx + 0x40], 27",
         [](sink *s, xframe *) { emit_mov_store_imm32(s, 0x40, HOST_RBX, 27, 0); },
         {0xC7, 0x83, 0x40, 0, 0, 0, 27, 0, 0, 0}},
        {"cmovne r10, [rbx + 0x10]",
         [](sink *s, xframe *) { emit_cmov_load(s, 5, HOST_R10, 0x10, 1); },
         {0x4C, 0x0F, 0x45, 0x93, 0x10, 0, 0, 0}},
        {"mov rax, [r12 + 8]",
         [](sink *s, xframe *) { emit_mov_load(s, HOST_RAX, 8, HOST_R12, 1); },
         {0x49, 0x8B, 0x84, 0x24, 8, 0, 0, 0}},
        {"mov rax, [r13 + 8]",
         [](sink *s, xframe *) { emit_mov_load(s, HOST_RAX, 8, HOST_R13, 1); },
         {0x49, 0x8B, 0x85, 8, 0, 0, 0}},
        {"mov eax, [r13]",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x8B;
             set_modrm_base_indirect(&t, HOST_RAX, HOST_R13, 0);
             emit_insn(&t, s);
         },
         {0x41, 0x8B, 0x45, 0x00}},
        {"mov eax, [r12]",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x8B;
             set_modrm_base_indirect(&t, HOST_RAX, HOST_R12, 0);
             emit_insn(&t, s);
         },
         {0x41, 0x8B, 0x44, 0x24, 0x00}},
        {"mov eax, [r10]",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x8B;
             set_modrm_base_indirect(&t, HOST_RAX, HOST_R10, 0);
             emit_insn(&t, s);
         },
         {0x41, 0x8B, 0x02}},
        {"mov r9, [rax + rcx]",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x8B;
             set_modrm_base_index(&t, HOST_R9, HOST_RAX, HOST_RCX, 1);
             emit_insn(&t, s);
         },
         {0x4C, 0x8B, 0x0C, 0x08}},
        {"mov eax, [r13 + r9]",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x8B;
             set_modrm_base_index(&t, HOST_RAX, HOST_R13, HOST_R9, 0);
             emit_insn(&t, s);
         },
         {0x43, 0x8B, 0x44, 0x0D, 0x00}},
        {"mov rax, [r8 + r11 * 8 + 0x20]",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x8B;
             set_modrm_sib_disp32(&t, HOST_RAX, 0x20, 3, HOST_R11, HOST_R8, 1);
             emit_insn(&t, s);
         },
         {0x4B, 0x8B, 0x84, 0xD8, 0x20, 0, 0, 0}},
        {"prefixed three-byte opcode without ModRM",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x0F;
             t.opcode[1] = 0x01;
             t.opcode[2] = 0xD0;
             t.last_opcode = 2;
             emit_insn(&t, s);
         },
         {0x0F, 0x01, 0xD0}},
        {"no opcode byte at all",
         [](sink *s, xframe *) {
             insn_template t{};
             t.opcode[0] = 0x90;
             t.last_opcode = -1;
             emit_insn(&t, s);
         },
         {}},
    });
}

TEST(Encoder, BaseDisplacementBuilderHandlesTheSpecialBases)
{
    insn_template r12{};
    set_modrm_base_disp32(&r12, HOST_RAX, 4, HOST_R12, 0);
    EXPECT_EQ(r12.modrm, 0x84);
    EXPECT_TRUE(r12.has_sib);
    EXPECT_EQ(r12.sib, 0x24);
    EXPECT_EQ(r12.rex, REX_B);

    insn_template r13{};
    set_modrm_base_disp32(&r13, HOST_RAX, 4, HOST_R13, 0);
    EXPECT_EQ(r13.modrm, 0x85);
    EXPECT_FALSE(r13.has_sib);
    EXPECT_EQ(r13.disp_size, 4);

    insn_template rbx{};
    set_modrm_base_disp32(&rbx, HOST_R15, 0, HOST_RBX, 1);
    EXPECT_EQ(rbx.modrm, 0x83 | (15 & 7) << 3);
    EXPECT_EQ(rbx.rex, REX_W | REX_R);
}

// Emits a jump from a sink at a known address to address + 5 + rel.
Bytes jump_with_displacement(int64_t rel)
{
    BufferSink b;
    uint64_t target = b.s.cursor + 5 + (uint64_t)rel;
    emit_jmp(&b.s, target);
    return b.bytes();
}

TEST(Encoder, JumpsUseTheShortFormExactlyWithinReach)
{
    EXPECT_EQ(jump_with_displacement(INT32_MAX), cat({{0xE9}, le32(0x7FFFFFFF)}));
    EXPECT_EQ(jump_with_displacement(INT32_MIN), cat({{0xE9}, le32(0x80000000)}));
    EXPECT_EQ(jump_with_displacement(-5), cat({{0xE9}, le32(0xFFFFFFFB)})); // to itself

    for (int64_t rel : {(int64_t)INT32_MAX + 1, (int64_t)INT32_MIN - 1}) {
        BufferSink b;
        uint64_t target = b.s.cursor + 5 + (uint64_t)rel;
        emit_jmp(&b.s, target);
        Bytes expected = {0x48, 0xB8};
        for (int i = 0; i < 8; i++)
            expected.push_back((uint8_t)(target >> (8 * i)));
        expected.push_back(0xFF);
        expected.push_back(0xE0);
        EXPECT_EQ(b.bytes(), expected) << rel;
    }
}

TEST(Encoder, ForwardReferencesArePatchedWithTheDistanceToTheCursor)
{
    BufferSink b;
    emit_jmp(&b.s, b.s.cursor + 5); // placeholder: rel32 of 0
    uint64_t after_branch = sink_xpc(&b.s);
    emit_push(&b.s, HOST_RAX);
    emit_push(&b.s, HOST_R12);
    resolve_reference_here(&b.s, after_branch);
    EXPECT_EQ(b.bytes(), cat({{0xE9}, le32(3), {0x50, 0x41, 0x54}}));

    // At the cursor itself the displacement is 0.
    BufferSink c;
    emit_imm32(&c.s, 0xAAAAAAAA);
    resolve_reference_here(&c.s, sink_xpc(&c.s));
    EXPECT_EQ(c.bytes(), le32(0));
}

TEST(Encoder, AFullSinkReportsEveryDroppedByteAndKeepsItsBytes)
{
    uint8_t area[8] = {};
    sink s;
    sink_init(&s, area, 4);
    SinkCapture capture;
    for (uint32_t b : {1, 2, 3, 4})
        sink_emit1(&s, b);
    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(s.overflow, 0);

    sink_emit1(&s, 5);
    sink_emit1(&s, 6);
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{"FATAL ERROR: sink_emit1 : sink (4) is full",
                                                         "FATAL ERROR: sink_emit1 : sink (4) is full"}));
    EXPECT_EQ(s.overflow, 1);
    EXPECT_EQ(s.remaining, 0u);
    EXPECT_EQ(s.cursor, reinterpret_cast<uint64_t>(area) + 4);
    EXPECT_EQ(Bytes(area, area + 8), (Bytes{1, 2, 3, 4, 0, 0, 0, 0}));
    EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
    Start_The_Simulation();
}

} // namespace
