// The chip-revision refinement of the little-endian crossing alignment rule, by SIM_CTRL bit and
// instruction row.
#include "exec_word.h"
#include "processor/config/vrill_refine.h"

namespace
{

TEST(AlignmentRefine, SimCtrlBitsRelaxTheRule)
{
    const uint32_t lwz = D_FORM(32, 3, 4, 0), stw = D_FORM(36, 3, 4, 0), lmw = D_FORM(46, 3, 4, 0),
                   stmw = D_FORM(47, 3, 4, 0), lxvd2x = XO_FORM(844, 3, 4, 5);
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t sim_ctrl, ea;
        int16_t size;
        bool fetch;
        int result;
    } cases[] = {
        {"VSX without bit 51", lxvd2x, 0, 0x1F8, 16, false, 1},
        {"lwz with bit 50", lwz, 1ull << 50, 0x1FE, 4, false, 0},
        {"load refine, crossing 128 bytes", lwz, 1ull << 47, 0x7E, 4, false, 1},
        {"load refine, crossing 32 only", lwz, 1ull << 47, 0x3E, 4, false, 0},
        {"load refine, multiple", lmw, 1ull << 47, 0x3E, 4, false, 1},
        {"store refine", stw, 1ull << 46, 0x7E, 4, false, 0},
        {"store refine, multiple", stmw, 1ull << 46, 0x3E, 4, false, 1},
        {"store without its bit", stw, 1ull << 47, 0x3E, 4, false, 1},
        {"fetch has no row", lwz, 1ull << 47, 0x3E, 4, true, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->SIM_CTRL.value = c.sim_ctrl;
        IOPDesc *iop = ew.prepare(c.word);
        AXD *axd = c.fetch ? &iop->fetch : &iop->data;
        if (c.fetch) axd->kind = AXD_KIND_FETCH;
        axd->ea = c.ea;
        axd->size = c.size;
        if (!c.fetch) {
            ASSERT_STRNE(ew.mnemonic(), "INVALID");
        }
        EXPECT_EQ(Vrill_LE_Align_DD2_1_Refine(iop, axd), c.result);
    }
}

} // namespace
