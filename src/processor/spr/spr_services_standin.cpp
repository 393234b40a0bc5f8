// Stand-ins of the processor-state services the SPR routines call.
#include "processor/spr/spr_services.h"

#include <cstring>

#include "decode/instr_info.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"

namespace
{
struct chip_version_row {
    const char *name;
    int32_t number;
};
const chip_version_row standin_chip_versions[] = {
    {"DD1.0", 0x100}, {"DD1.1", 0x101}, {"DD2.0", 0x200}, {"DD2.1", 0x201},
    {"DD3.0", 0x300}, {"DD3.1", 0x301}, {nullptr, 0},
};
} // namespace
