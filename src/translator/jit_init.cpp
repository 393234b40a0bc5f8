// The shared stub area: exit_common, the translation routines, the string stubs and the
// memory-trigger exits; and the host fault hook of translated code.
#include "translator/jit_stubs.h"

#include <sys/mman.h>
#include <ucontext.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "processor/records/thread_state.h"
#include "runtime/utils_mmap.h"
#include "translator/callouts.h"
#include "translator/turbo_reason.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"

uint64_t jit_readers[JIT_ROUTINE_INDEXES];
uint64_t jit_fetchers[JIT_ROUTINE_INDEXES];
uint64_t jit_simple_writers[JIT_ROUTINE_INDEXES];
uint64_t jit_complex_writers[JIT_ROUTINE_INDEXES];
uint64_t jit_pturbo_writers[JIT_ROUTINE_INDEXES];
uint64_t lsw_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
uint64_t lsd_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
uint64_t stsd_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
uint64_t stsw_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
uint64_t ea_memtrigger_stub;
uint64_t pa_memtrigger_stub;
int turbo_host_has_SSSE3 = 0;
uint64_t stcx_junk;
uint64_t jit_stub_area;
uint64_t jit_stub_area_end;
thread_local tsim_fault_hook_fn old_sig11_handler = nullptr;
thread_local ThreadState *turbo_running_thread = nullptr;

namespace
{

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// [REX] op ModRM(mod 10, reg, base) disp32.
void mem_op(sink *s, std::initializer_list<uint8_t> opcode, int reg, int32_t disp, int base, int wide)
{
    insn_template t{};
    int i = 0;
    for (uint8_t b : opcode)
        t.opcode[i++] = b;
    t.last_opcode = i - 1;
    set_modrm_base_disp32(&t, reg, disp, base, wide);
    emit_insn(&t, s);
}

// [REX] op ModRM(mod 00, reg, [base]): a register-indirect access.
void indirect_op(sink *s, uint8_t op, int reg, int base, int wide)
{
    insn_template t{};
    t.opcode[0] = op;
    set_modrm_base_indirect(&t, reg, base, wide);
    emit_insn(&t, s);
}

void gen_exit_common(sink *s)
{
    exit_common = sink_xpc(s);
    emit_mov_store(s, disp_turbo(pc), JIT_THREAD, JIT_PC, 1);
    emit_cmp_field_zero(s, disp_turbo(in_pturbo));
    bytes(s, {0x0F, 0x85, 0, 0, 0, 0}); // jne to the parallel-mode path
    const uint64_t to_pturbo = sink_xpc(s);
    emit_mov_reg(s, HOST_RAX, JIT_TOGO, 0);
    mem_op(s, {0x0F, 0xAE}, 2, disp_turbo(host_mxcsr), JIT_THREAD, 0); // ldmxcsr
    mem_op(s, {0xD9}, 5, disp_turbo(host_fpucw), JIT_THREAD, 0);       // fldcw
    for (int r : {HOST_R15, HOST_R14, HOST_R13, HOST_R12, HOST_RBX, HOST_RBP})
        emit_pop(s, r);
    sink_emit1(s, 0xC3);

    resolve_reference_here(s, to_pturbo);
    emit_mov_store(s, disp_turbo(pturbo_togo), JIT_THREAD, JIT_TOGO, 0);
    emit_mov_imm32(s, HOST_R9, 1, 1);
    jit_callout(s, HOST_R9, reinterpret_cast<const void *>(jit_do_pturbo_return));
    emit_mov_load(s, JIT_TOGO, disp_turbo(pturbo_budget), JIT_THREAD, 0);
    bytes(s, {0x41, 0xFF, 0xE6}); // jmp r14
}

// String stubs. A family moves units of `unit` bytes (4 or 8) between guest bytes at r10 and
// consecutive GPRs. For every register e and remainder k one chain is made: `steps` whole units
// into (or from) registers e - steps ... e - 1, then the k-byte partial unit of register e, then a
// return. Entry [r][q x unit + k] is the chain (r + q, k) entered q steps before its end.
struct StringFamily {
    int unit;
    bool load;
    uint64_t (*table)[JIT_STRING_LENGTHS];
};

void gen_whole_unit(sink *s, const StringFamily &f, int reg)
{
    const int wide = f.unit == 8;
    if (f.load) {
        indirect_op(s, 0x8B, HOST_RAX, HOST_R10, wide); // mov (r|e)ax, [r10]
        emit_bswap(s, HOST_RAX, wide);
        emit_mov_store(s, disp_GPR(reg), JIT_THREAD, HOST_RAX, 1); // zero-extended word or doubleword
    } else {
        emit_mov_load(s, HOST_RAX, disp_GPR(reg), JIT_THREAD, wide);
        emit_bswap(s, HOST_RAX, wide);
        indirect_op(s, 0x89, HOST_RAX, HOST_R10, wide); // mov [r10], (r|e)ax
    }
    emit_add_imm8(s, HOST_R10, (int8_t)f.unit, 1);
}

void gen_partial_unit(sink *s, const StringFamily &f, int reg, int k)
{
    const int wide = f.unit == 8;
    const int bits = f.unit * 8;
    if (f.load) {
        // The k most significant bytes of the unit, left-justified with zeros below.
        indirect_op(s, 0x8B, HOST_RAX, HOST_R10, wide);
        emit_bswap(s, HOST_RAX, wide);
        uint64_t keep = ~0ull << (bits - 8 * k);
        if (!wide) keep &= 0xFFFFFFFFull;
        emit_mov_imm64(s, HOST_RCX, keep);
        emit_and_reg(s, HOST_RAX, HOST_RCX, wide);
        emit_mov_store(s, disp_GPR(reg), JIT_THREAD, HOST_RAX, 1);
    } else {
        // Memory bytes 0 .. k-1 from the register's first k bytes, the rest as they are.
        emit_mov_load(s, HOST_RAX, disp_GPR(reg), JIT_THREAD, wide);
        emit_bswap(s, HOST_RAX, wide);
        indirect_op(s, 0x8B, HOST_RCX, HOST_R10, wide);
        uint64_t low = (1ull << (8 * k)) - 1;
        emit_mov_imm64(s, HOST_RDX, low);
        emit_and_reg(s, HOST_RAX, HOST_RDX, wide);
        emit_not_reg(s, HOST_RDX, wide);
        emit_and_reg(s, HOST_RCX, HOST_RDX, wide);
        emit_or_reg(s, HOST_RAX, HOST_RCX, wide);
        indirect_op(s, 0x89, HOST_RAX, HOST_R10, wide);
    }
}

void gen_string_family(sink *s, const StringFamily &f)
{
    const uint64_t bare_return = sink_xpc(s);
    sink_emit1(s, 0xC3);
    for (int r = 0; r < JIT_STRING_REGISTERS; r++)
        f.table[r][0] = bare_return;
    const int steps = (JIT_STRING_LENGTHS - 1) / f.unit;
    for (int k = 0; k < f.unit; k++) {
        for (int e = 0; e < JIT_STRING_REGISTERS; e++) {
            uint64_t step_start[JIT_STRING_LENGTHS];
            for (int i = 0; i < steps; i++) {
                step_start[i] = sink_xpc(s);
                gen_whole_unit(s, f, (e - steps + i + 64) % 32);
            }
            step_start[steps] = sink_xpc(s);
            if (k) gen_partial_unit(s, f, e, k);
            sink_emit1(s, 0xC3);
            for (int q = 0; q <= steps; q++) {
                int n = q * f.unit + k;
                if (n == 0 || n >= JIT_STRING_LENGTHS) continue;
                int r = (e - q + 64) % 32;
                f.table[r][n] = step_start[steps - q];
            }
        }
    }
}

// A memory-trigger exit: drop `returns` return addresses, store the reason, undo the
// instruction and leave.
uint64_t gen_memtrigger_exit(sink *s, int returns, int32_t reason)
{
    uint64_t start = sink_xpc(s);
    emit_add_imm8(s, HOST_RSP, (int8_t)(8 * returns), 1);
    emit_mov_store_imm32(s, disp_turbo(reason), JIT_THREAD, (uint32_t)reason, 0);
    bytes(s, {0xFF, 0xC7}); // inc edi
    emit_add_imm32(s, JIT_PC, (uint32_t)-4, 1);
    emit_jmp(s, exit_common);
    return start;
}

} // namespace

int jit_read_ssse3_flag(const char *path)
{
    FILE *file = fopen(path, "r");
    if (!file) return 0;
    char line[8192];
    int found = 0;
    while (fgets(line, sizeof line, file)) {
        if (strncmp(line, "flags", 5) != 0) continue;
        found = strstr(line, "ssse3") != nullptr;
        break;
    }
    fclose(file);
    return found;
}

int jit_init(int machine64)
{
    static int result = -1;
    if (jit_stub_area) return result;
    (void)machine64; // every translation is for a 64-bit machine
    void *area = utils_mmap("jit_init", JIT_STUB_AREA_SIZE, PROT_READ | PROT_WRITE | PROT_EXEC, 1, nullptr);
    if (!area) return -1;
    jit_stub_area = reinterpret_cast<uint64_t>(area);
    sink s;
    sink_init(&s, area, JIT_STUB_AREA_SIZE);

    turbo_host_has_SSSE3 = jit_read_ssse3_flag("/proc/cpuinfo");
    gen_exit_common(&s);
    gen_xlate_routines(&s, 1, 0);
    gen_string_family(&s, {4, true, lsw_stubs});
    gen_string_family(&s, {8, true, lsd_stubs});
    gen_string_family(&s, {8, false, stsd_stubs});
    gen_string_family(&s, {4, false, stsw_stubs});
    ea_memtrigger_stub = gen_memtrigger_exit(&s, 1, EXIT_EA_MEMTRIGGER);
    pa_memtrigger_stub = gen_memtrigger_exit(&s, 2, EXIT_PA_MEMTRIGGER);
    jit_stub_area_end = sink_xpc(&s);

    // Kept readable as well, so that listings and tests can read the generated code.
    result = mprotect(area, JIT_STUB_AREA_SIZE, PROT_READ | PROT_EXEC);
    return result;
}

int turbo_handler(int signal, siginfo_t *information, void *context)
{
    return jit_handler(signal, information, context);
}

int jit_handler(int signal, siginfo_t *, void *context)
{
    auto *uc = static_cast<ucontext_t *>(context);
    greg_t *saved = uc->uc_mcontext.gregs;
    auto *thread = reinterpret_cast<ThreadState *>(saved[REG_RBX]);
    if (!thread || thread != turbo_running_thread) return 0;
    turbo_s &turbo = thread->turbo;
    if (turbo.in_callout) return 0;
    tsim_set_handler(old_sig11_handler);
    if (signal == SIGFPE) {
        saved[REG_RSI] -= 4;
        saved[REG_RDI] += 1;
        turbo.reason = EXIT_SIGFPE;
    } else if (signal == SIGSEGV) {
        if (turbo.reason != EXIT_FETCH) {
            saved[REG_RSI] -= 4;
            saved[REG_RDI] += 1;
        }
    } else {
        turbo.reason = EXIT_SIGNAL;
        return 0;
    }
    saved[REG_RSP] = (greg_t)turbo.host_sp;
    saved[REG_RIP] = (greg_t)exit_common;
    return 1;
}
