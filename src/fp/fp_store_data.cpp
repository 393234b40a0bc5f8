// Store-data producers of the floating-point stores.
#include "fp/fp_store_data.h"

#include "fp/format_convert.h"
#include "processor/hooks/vsr_access.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"

namespace
{

uint64_t source_fpr(IOPDesc *iop, int frs)
{
    return iop->use_slots ? iop->operand_slot4[1] : READ_FPR_SIMPLE(iop, (uint32_t)frs, "S");
}

} // namespace

uint64_t store_fp_data(IOPDesc *iop, AXD *axd, int frs, int)
{
    uint64_t image = source_fpr(iop, frs);
    if (axd->size == 8) return image;
    return store_single_float(iop, image);
}

uint64_t stfiwx_store_data(IOPDesc *iop, AXD *, int frs, int)
{
    return source_fpr(iop, frs) & 0xFFFFFFFFull;
}
