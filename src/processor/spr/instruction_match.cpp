// The instruction-match decision.
#include "processor/spr/instruction_match.h"

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

void Decide_if_we_want_to_check_IMC(ProcessorState *core, int32_t n, uint64_t)
{
    if (!core) return;
    // The compare mask follows SIM_CTRL bit 4 of the core's first thread (full or partial match).
    uint64_t sim_ctrl = core->num_threads && core->threads ? core->threads[0].SIM_CTRL.value : 0;
    uint64_t compare = (sim_ctrl & 0x10) ? 0xFFFFFFFF0007C000ull : 0xFFFFF003FFFFC000ull;
    uint64_t pair;
    switch (n % 8) {
    case 0:
        pair = core->IMA8.value | core->IMA0.value;
        break;
    case 1:
        pair = core->IMA9.value | core->IMA1.value;
        break;
    case 2:
        pair = core->IMA10.value | core->IMA2.value;
        break;
    case 3:
        pair = core->IMA11.value | core->IMA3.value;
        break;
    case 4:
        pair = core->IMA12.value | core->IMA4.value;
        break;
    default:
        return;
    }
    if (pair & compare) core->check_imc = 1;
}
