// MSR rules and machine-state text.
#include "processor/regs/msr_rules.h"

#include <cstdio>
#include <cstring>

#include "decode/instr_info.h"
#include "processor/hooks/cycle_core_smt.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"

namespace
{

constexpr int32_t MEDIATED_EXTERNAL = 25;
constexpr uint64_t LPCR_HDICE = 0x1;

bool option(const ProcessorState *core, uint32_t index)
{
    return core && core->options[index] != 0;
}

uint64_t msr_mask(const ProcessorState *core)
{
    return core ? core->msr_mask : ~0ull;
}

bool v2_msr_limits(const ProcessorState *core)
{
    return option(core, PO_POWERPC_V2) && option(core, PO_POWERPC_V2_MSR_LIMITS);
}

// The bits of mask in value replaced by those of source.
uint64_t take(uint64_t value, uint64_t source, uint64_t mask)
{
    return (value & ~mask) | (source & mask);
}

// The returns from interrupt and mtmsrd, which may not leave SLE set in tags-active mode.
bool clears_sle(const IOPDesc *iop)
{
    const InstrInfo *row = iop ? iop->row : nullptr;
    if (!row || !row->mnemonic) return false;
    return !strcmp(row->mnemonic, "hrfid") || !strcmp(row->mnemonic, "mtmsrd") ||
           !strcmp(row->mnemonic, "rfid");
}

// Architecture bit numbers (0 the most significant) and their names.
const char *msr_bit_name(int bit)
{
    switch (bit) {
    case 0:
        return "SF";
    case 1:
        return "TA";
    case 2:
        return "I64";
    case 3:
        return "HV";
    case 4:
        return "BTAE";
    case 5:
        return "SLE";
    case 29:
        return "TM_T";
    case 30:
        return "TM_S";
    case 31:
        return "TMA";
    case 34:
        return "Sim";
    case 38:
        return "VMX";
    case 40:
        return "VSX";
    case 41:
        return "AT";
    case 45:
        return "WE";
    case 46:
        return "CE";
    case 47:
        return "ILE";
    case 48:
        return "EE";
    case 49:
        return "PR";
    case 50:
        return "FP";
    case 51:
        return "ME";
    case 52:
        return "FE0";
    case 53:
        return "SE";
    case 54:
        return "BE";
    case 55:
        return "FE1";
    case 56:
        return "US";
    case 57:
        return "IP";
    case 58:
        return "IR";
    case 59:
        return "DR";
    case 60:
        return "SO";
    case 61:
        return "PMM";
    case 62:
        return "RI";
    case 63:
        return "LE";
    default:
        return nullptr;
    }
}

} // namespace

uint64_t WriteMSR_fixup(IOPDesc *iop, uint64_t, uint64_t value)
{
    ProcessorState *core = iop && iop->thread ? iop->thread->processor : nullptr;
    uint64_t v = value;
    if (option(core, PO_RESERVE_MSR_WE_BIT)) v &= ~MSR_WE;
    if (option(core, PO_TAGS_ACTIVE)) {
        if (v & MSR_LE) v &= ~MSR_TA;
        if (v & MSR_TA) v |= MSR_SF;
    }
    if ((v & MSR_TA) && clears_sle(iop)) v &= ~MSR_SLE;
    return v & msr_mask(core);
}

uint64_t micro_rfid(ProcessorState *core, uint64_t old_msr, uint64_t srr1)
{
    const uint64_t m = msr_mask(core) & 0xEFFFFFFF87C0EFFFull;
    uint64_t v = (srr1 & m) | (old_msr & ~m);
    if (old_msr & MSR_HV) v = take(v, srr1, MSR_HV | MSR_ME);
    if (srr1 & MSR_PR) v |= MSR_EE | MSR_IR | MSR_DR;
    return v;
}

uint64_t micro_mtmsr(ProcessorState *core, uint32_t l, uint64_t old_msr, uint32_t value)
{
    if (l == 1) return take(old_msr, value, MSR_EE | MSR_RI);
    uint64_t c = (old_msr & 0xFFFFFFFF00000000ull) | value;
    if (v2_msr_limits(core)) c = take(c, old_msr, MSR_ME);
    if (c & MSR_PR) c |= MSR_EE | MSR_IR | MSR_DR;
    c = take(c, old_msr, MSR_LE);
    return c & msr_mask(core);
}

uint64_t micro_mtmsrd(ProcessorState *core, uint32_t l, uint64_t old_msr, uint64_t value)
{
    if (!v2_msr_limits(core)) return value;
    uint64_t m = value & ~(MSR_HV | MSR_ME);
    if (l == 1) return take(old_msr, m, MSR_EE | MSR_RI);
    bool akra = option(core, PO_AKRA_PLUS);
    if (akra && (m & (MSR_PR | MSR_EE))) m |= MSR_EE;
    m = take(m, old_msr, MSR_LE);
    if (old_msr & MSR_LE) m &= ~MSR_TA;
    if (m & (MSR_SF | MSR_TA)) m |= MSR_SF;
    if (m & MSR_PR) {
        m |= MSR_IR | MSR_DR;
        if (akra) m |= MSR_EE;
    }
    m |= old_msr & (MSR_HV | MSR_ME);
    return m & msr_mask(core);
}

void Set_New_MSR(ThreadState *thread, uint64_t value)
{
    thread->MSR.value = value;
    thread->MSR.written = 1;
    thread->address_width = (value & MSR_SF) ? 64 : 32;
    thread->data_relocate = (value & MSR_DR) ? 1 : 0;
    thread->problem_state = (value & MSR_PR) ? 1 : 0;
    CycleCore_set_user_mode(thread);
}

uint64_t Stand_Alone_MSR(uint64_t value)
{
    return value | MSR_FP | MSR_VSX | MSR_VMX;
}

void Set_Initial_MSR(ThreadState *thread)
{
    uint64_t c = MSR_SF | MSR_HV;
    if (standalone_mode) c = Stand_Alone_MSR(c);
    if ((thread->MSR.value & MSR_ME) || (thread->SRR0.value & 0x30000)) c |= MSR_ME;
    if (thread->MSR.rfe && thread->MSR.rfe->desc) thread->MSR.rfe->desc->initial = c;
    thread->MSR.value = c;
    thread->MSR.written = 1;
}

void Set_Initial_PC(ThreadState *thread)
{
    uint64_t pc = (thread->MSR.value & MSR_IP) ? 0xFFF00100ull : 0x100ull;
    if (thread->PC.rfe && thread->PC.rfe->desc) thread->PC.rfe->desc->initial = pc;
    thread->pc_initial = pc;
}

int enabled_HDEC_Interrupt(ThreadState *thread)
{
    if (!(thread->LPCR.value & LPCR_HDICE)) return 0;
    uint64_t msr = thread->MSR.value;
    if ((msr & MSR_HV) && !(msr & MSR_EE)) return 0;
    return thread->pending_HDEC ? 1 : 0;
}

int EnabledMediatedExternalInterrupt(ThreadState *thread, PowerPCException *exception)
{
    if (!exception || exception->type != MEDIATED_EXTERNAL) return 0;
    uint64_t msr = thread->MSR.value;
    return (msr & MSR_EE) && !(msr & MSR_HV) ? 1 : 0;
}

uint64_t *SelectImixTable(ThreadState *thread, uint64_t msr)
{
    if (msr & MSR_PR) return thread->turbo.instruction_mix[IMIX_PROBLEM_STATE];
    if (msr & MSR_HV) return thread->turbo.instruction_mix[IMIX_HYPERVISOR];
    return thread->turbo.instruction_mix[IMIX_PRIVILEGED];
}

char *Prepare_MSR(char *buffer, uint64_t value)
{
    static thread_local char own[MSR_TEXT_SIZE];
    char *text = buffer ? buffer : own;
    int n = snprintf(text, MSR_TEXT_SIZE, "0x%016lX  ", (unsigned long)value);
    auto append = [&](const char *piece) {
        if (n < MSR_TEXT_SIZE) n += snprintf(text + n, (size_t)(MSR_TEXT_SIZE - n), "%s,", piece);
    };
    if (!(value & MSR_SF)) append("32");
    if (!(value & MSR_PR)) append("OS");
    for (int bit = 0; bit < 64; bit++) {
        if (!((value >> (63 - bit)) & 1)) continue;
        if (const char *name = msr_bit_name(bit)) {
            append(name);
        } else {
            char unnamed[8];
            snprintf(unnamed, sizeof unnamed, "?%d", bit);
            append(unnamed);
        }
    }
    if (n > 0 && n <= MSR_TEXT_SIZE && text[n - 1] == ',') text[n - 1] = '\0';
    return text;
}

const char *Prepare_CR(uint32_t value)
{
    static const char field_chars[] = ".S=X>XXX<XXXXXXX";
    static thread_local char text[24];
    int n = snprintf(text, sizeof text, "0x%08X  ", value);
    for (int field = 0; field < 8; field++)
        text[n++] = field_chars[(value >> (28 - 4 * field)) & 0xF];
    text[n] = '\0';
    return text;
}

const char *Prepare_WIMG(uint32_t wimg)
{
    static thread_local char text[80];
    int n = snprintf(text, sizeof text, "0x%02X", wimg);
    static const struct {
        uint32_t bit;
        const char *name;
    } names[] = {
        {0x8, " Write-Through,"}, {0x4, " Cache-Inhibited,"}, {0x2, " Coherent-Memory,"}, {0x1, " Guarded,"}};
    for (const auto &entry : names)
        if ((wimg & entry.bit) && n < (int)sizeof text)
            n += snprintf(text + n, sizeof text - (size_t)n, "%s", entry.name);
    if (n > 0 && n <= (int)sizeof text && text[n - 1] == ',') text[n - 1] = '\0';
    return text;
}

const char *WIMG_String(uint32_t wimg)
{
    static thread_local char text[8];
    if (wimg == 0x80000000u) return "SAO";
    text[0] = (wimg & 0x8) ? '1' : '0';
    text[1] = (wimg & 0x4) ? '1' : '0';
    text[2] = (wimg & 0x2) ? '1' : '0';
    text[3] = (wimg & 0x1) ? '1' : '0';
    text[4] = '\0';
    return text;
}
