// Instruction support routines: page zeroing, external decoders, the icswx gate, the SPR field.
#include "command/instruction_support.h"

#include <cstdio>
#include <cstring>

#include "isa/hooks/coprocessor.h"
#include "memory/memory_map.h"
#include "mmu/address_translate.h"
#include "mmu/hooks/pc_triggers.h"
#include "processor/hooks/disassembler.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/spr/spr_table.h"

uint32_t total_pages_cleared = 0;

namespace
{
constexpr uint64_t PAGE = 4096;
}

uint32_t EA_zero_page_exception(ThreadState *thread, uint64_t ea, int32_t count, int flag)
{
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = axd.orig_ea = ea;
    axd.pa = 0;
    axd.size = 1;
    axd.kind = AXD_KIND_STORE;
    axd.wimg = 0xDEADBEEF;
    axd.iop = &iop;

    uint32_t done = 0;
    if (count <= 0) return 0;
    for (;;) {
        int status;
        if (flag == 0) {
            status = PPC_MMU_AddressTranslate(ADDRESS_TRANSLATE_DATA_NOEXCEPTION, &iop, &axd);
            Discard_Instruction_Bound_Exceptions(&iop, 1);
        } else {
            status = PPC_MMU_AddressTranslate(0, &iop, &axd);
        }
        // A failed translation leaves the counter as it was.
        if (status != XLATE_OK) return done;
        uint8_t *host = Resolve_Mapped_Memory(thread->memory_client, axd.pa);
        if (!host) break;
        // A matching memory trigger fires and ends the zeroing before its page.
        if (Trigger_Memory__Check_Addr(thread->machine, thread, axd.pa, (int64_t)PAGE, 0, AXD_KIND_STORE,
                                       thread->object_id, thread->Instruction_Number, 0)) {
            Trigger_Memory__Check_Addr(thread->machine, thread, axd.pa, (int64_t)PAGE, 0, AXD_KIND_STORE,
                                       thread->object_id, thread->Instruction_Number, 1);
            break;
        }
        memset(host, 0, PAGE);
        if (++done == (uint32_t)count) break;
        axd.ea += PAGE;
        axd.orig_ea = axd.ea;
        axd.pa = 0;
    }
    total_pages_cleared += done;
    return done;
}

int signal_cop(IOPDesc *iop, CRB *request)
{
    ProcessorState *processor = iop->thread->processor;
    if (processor->options[PO_WOLK_ICSWX_MODE]) {
        if (iGET_SIM_CTRL(iop) & 0x4000000000ull) return 2;
        // The request group is the top of the directive; the flag byte is the state byte.
        unsigned group = (request->ccw & 0xC000u) >> 14;
        uint8_t b = request->msb;
        if (group < 2) {
            static const int answers[4] = {0, 1, 2, 1};
            return answers[b >> 6];
        }
        if (group == 2) {
            static const int answers[4] = {0, 1, 2, 0};
            return answers[((b & 0x08) ? 1 : 0) + ((b & 0x20) ? 2 : 0)];
        }
        static const int answers[8] = {1, 2, 3, 3, 0, 1, 2, 3};
        return answers[((b & 0x02) ? 1 : 0) + ((b & 0x10) ? 2 : 0) + ((b & 0x04) ? 4 : 0)];
    }
    if (processor->options[PO_ICSWX_REQUIRES_HYPERVISOR_MODE]) {
        uint64_t msr = iGET_MSR(iop);
        if (!(msr & MSR_HV) || (msr & MSR_PR)) return 2;
    }
    return Signal_Coprocessor(iop, request);
}

void disassemble_spr_field(char *out, size_t size, IOPDesc *iop)
{
    if (!size) return;
    int32_t spr = -1;
    if (iop) spr = (int32_t)(((iop->word >> 16) & 0x1F) | ((iop->word >> 6) & 0x3E0));
    const char *name = nullptr;
    if (iop && iop->thread && iop->thread->processor) name = Find_SPR_Name(iop->thread->processor, spr);
    // The name is cut to the buffer like the number.
    if (name)
        snprintf(out, size, "%s", name);
    else
        snprintf(out, size, "spr%d", spr);
}
