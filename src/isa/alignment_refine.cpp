// The chip-revision refinement of the little-endian 32-byte crossing alignment rule: SIM_CTRL
// bits relax the rule for VSX accesses, for a few loads, and for loads and stores by class.
#include <initializer_list>

#include "decode/instr_info.h"
#include "processor/config/vrill_refine.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/reg_accessors.h"

namespace
{

constexpr uint64_t SIM_CTRL_VSX_LE_ALIGN = 1ull << 51; // VSX accesses proceed
constexpr uint64_t SIM_CTRL_SCALAR_LE_OK = 1ull << 50; // ld, lfd, lwz, lxsdx proceed
constexpr uint64_t SIM_CTRL_LOAD_REFINE =
    1ull << 47; // loads: only multiples, strings, quads and 128-byte crossings
constexpr uint64_t SIM_CTRL_STORE_REFINE = 1ull << 46; // stores: only multiples, strings and quads

bool one_of(uint32_t row, std::initializer_list<uint32_t> rows)
{
    for (uint32_t r : rows)
        if (r == row) return true;
    return false;
}

} // namespace

int Vrill_LE_Align_DD2_1_Refine(IOPDesc *iop, AXD *axd)
{
    const InstrInfo *info = (axd && axd->kind == AXD_KIND_FETCH) ? nullptr : iop->row;
    const uint64_t c = info ? info->class_flags : 0;
    const uint32_t row = info ? (uint32_t)info->id : (uint32_t)ROW_INVALID;
    const uint64_t sim_ctrl = iGET_SIM_CTRL(iop);

    if ((c & II_VSX) && !(sim_ctrl & SIM_CTRL_VSX_LE_ALIGN)) return 1;
    if ((sim_ctrl & SIM_CTRL_SCALAR_LE_OK) && one_of(row, {ROW_LD, ROW_LFD, ROW_LWZ, ROW_LXSDX})) return 0;
    if ((c & II_LOAD) && (sim_ctrl & SIM_CTRL_LOAD_REFINE)) {
        if (one_of(row, {ROW_LMD, ROW_LMW, ROW_LQ, ROW_LSDI, ROW_LSDX, ROW_LSWI, ROW_LSWX, ROW_LTPTR}))
            return 1;
        if (!axd) return 1;
        const uint64_t first = axd->ea, last = axd->ea + (uint64_t)(axd->size > 0 ? axd->size - 1 : 0);
        return (first >> 7) != (last >> 7) ? 1 : 0;
    }
    if ((c & II_STORE) && (sim_ctrl & SIM_CTRL_STORE_REFINE)) {
        if (one_of(row, {ROW_STMD, ROW_STMW, ROW_STQ, ROW_STSDI, ROW_STSDX, ROW_STSWI, ROW_STSWX})) return 1;
        return 0;
    }
    return 1;
}
