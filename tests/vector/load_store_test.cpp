// VMX loads and stores: alignment, element placement under the undefined-bits options, RA = 0,
// storage faults on either piece of a quadword store, element store sizes, round trips and the
// architected element order in both byte orders, the little-endian reversal options, the
// cycle-level core's probe and data placement, bad sizes, lvsl/lvsr and the games-mode forms.
#include <tcl.h>

#include "processor/regs/reg_triggers.h"
#include "decode/semantics.h"
#include "mmu/storage_interrupts.h"
#include "processor/records/processor_identity.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "vec_fixture.h"
#include "vector/vmx_load_store.h"

namespace vec_test
{
namespace
{

class VmxMemory : public VecTest
{
  protected:
    VmxMemory()
    {
        ew.memory();
        for (uint64_t a = 0x1000; a < 0x1020; a++)
            ew.write(a, 1, a & 0xFF); // bytes 00 .. 1F at 0x1000
    }
    ~VmxMemory() override { Start_The_Simulation(); }

    uint64_t mem(uint64_t address, int size) { return ew.read(address, size); }
    // Loads or stores with RA = 0 and RB = address.
    int access(const char *mnemonic, uint32_t vt, uint64_t address)
    {
        gpr(4) = address;
        return run(VX(mnemonic, vt, 0, 4));
    }
};

const Vec128 kBytes00to0F{0x08090A0B0C0D0E0F, 0x0001020304050607};

TEST_F(VmxMemory, QuadwordAddressesAreAlignedDown)
{
    ASSERT_EQ(access("lvx", 1, 0x1007), 1);
    EXPECT_EQ(vr(1), kBytes00to0F);
    set_vr(2, Vec128{0x1111111111111111, 0x2222222222222222});
    ASSERT_EQ(access("stvxl", 2, 0x100F), 1);
    EXPECT_EQ(mem(0x1000, 8), 0x2222222222222222u);
    EXPECT_EQ(mem(0x1008, 8), 0x1111111111111111u);
    EXPECT_EQ(mem(0x1010, 8), 0x1011121314151617u);
    EXPECT_EQ(pc(), 0x1008u);
}

TEST_F(VmxMemory, ElementLoadAndTheUndefinedBits)
{
    struct Case {
        bool from_memory, with_zero;
        Vec128 expected;
    } cases[] = {
        {false, false, words(0xAAAAAAAA, 0x04050607, 0xAAAAAAAA, 0xAAAAAAAA)}, // old VT kept
        {false, true, words(0, 0x04050607, 0, 0)},
        {true, false, kBytes00to0F}, // the whole quadword
    };
    for (const Case &c : cases) {
        ew.option(PO_LOAD_Tc_UNDEFINED_BITS_FROM_MEMORY, c.from_memory);
        ew.option(PO_LOAD_Tc_UNDEFINED_BITS_WITH_ZERO, c.with_zero);
        set_vr(3, words(0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA, 0xAAAAAAAA));
        ASSERT_EQ(access("lvewx", 3, 0x1006), 1);
        EXPECT_EQ(vr(3), c.expected) << c.from_memory << c.with_zero;
    }

    ew.option(PO_LOAD_Tc_UNDEFINED_BITS_FROM_MEMORY, 0);
    set_vr(3, Vec128{0, 0});
    ASSERT_EQ(access("lvehx", 3, 0x100B), 1);
    EXPECT_EQ(vr(3), (Vec128{0x00000A0B00000000, 0}));
}

TEST_F(VmxMemory, RaZeroMeansNoBase)
{
    ew.option(PO_LOAD_Tc_UNDEFINED_BITS_FROM_MEMORY, 0);
    gpr(0) = 0x10;
    gpr(4) = 0x1003;
    set_vr(1, Vec128{0, 0});
    ASSERT_EQ(run(VX("lvebx", 1, 0, 4)), 1);
    EXPECT_EQ(vr(1), (Vec128{0, 0x0000000300000000}));
    gpr(5) = 0x10;
    ASSERT_EQ(run(VX("lvebx", 1, 5, 4)), 1); // 0x1013: byte element 3
    EXPECT_EQ(vr(1), (Vec128{0, 0x0000001300000000}));
}

TEST_F(VmxMemory, ElementStoresWriteTheirSizeOnly)
{
    set_vr(1, Vec128{0x8899AABBCCDDEEFF, 0x0011223344556677});
    ASSERT_EQ(access("stvehx", 1, 0x1015), 1); // halfword element 2 at 0x1014
    EXPECT_EQ(mem(0x1010, 8), 0x1011121344551617u);
    ASSERT_EQ(access("stvebx", 1, 0x100F), 1);
    EXPECT_EQ(mem(0x1008, 8), 0x08090A0B0C0D0EFFu);
    ASSERT_EQ(access("stvewx", 1, 0x1002), 1); // word element 0 at 0x1000
    EXPECT_EQ(mem(0x1000, 8), 0x0011223304050607u);
}

// Supervisor real mode: LPCR[LPES1] clear refuses every data access with a data storage interrupt.
constexpr uint64_t kLpes1 = 0x4;

TEST_F(VmxMemory, StorageFaultOnTheQuadwordLeavesMemoryAlone)
{
    msr() &= ~MSR_HV;
    ew.t->LPCR.value = 0;
    set_vr(1, Vec128{~0ull, ~0ull});
    EXPECT_EQ(access("stvx", 1, 0x1000), 0);
    EXPECT_EQ(raised_type(), EXC_TYPE_DATA_PROTECTION);
    EXPECT_EQ(mem(0x1000, 8), 0x0001020304050607u);
    EXPECT_EQ(mem(0x1008, 8), 0x08090A0B0C0D0E0Fu);
    EXPECT_EQ(pc(), 0x1000u);
}

// The LPCR read trigger's command: withdraws LPES1 while the first doubleword is translated (that
// translation has read LPCR already), so that the second one is refused.
IOPDesc *watched = nullptr;
int drop_lpes1(ClientData, Tcl_Interp *, int, Tcl_Obj *const[])
{
    if (watched && watched->data.ea == 0x1000 && watched->data.size == 8)
        watched->thread->LPCR.value &= ~kLpes1;
    return TCL_OK;
}

TEST_F(VmxMemory, StorageFaultOnTheSecondDoublewordKeepsTheFirst)
{
    TclRecorder tcl;
    Tcl_CreateObjCommand(quarn_common.interpreter, "drop_lpes1", drop_lpes1, nullptr, nullptr);
    msr() &= ~MSR_HV;
    ew.t->LPCR.value = kLpes1;
    Attach_Read_Trigger(&ew.t->LPCR.trigger, "LPCR", "drop_lpes1");
    set_vr(1, Vec128{~0ull, ~0ull});
    gpr(4) = 0x1000;
    watched = ew.prepare(VX("stvx", 1, 0, 4));
    EXPECT_EQ(watched->row->semantic(watched), 0);
    watched = nullptr;
    EXPECT_EQ(raised_type(), EXC_TYPE_DATA_PROTECTION);
    EXPECT_EQ(mem(0x1000, 8), ~0ull);
    EXPECT_EQ(mem(0x1008, 8), 0x08090A0B0C0D0E0Fu);
}

TEST_F(VmxMemory, RoundTripsAndTheArchitectedElementOrder)
{
    const Vec128 v{0xFEDCBA9876543210, 0x0123456789ABCDEF};
    for (bool little : {false, true}) {
        if (little) ew.little_endian();
        set_vr(1, v);
        ASSERT_EQ(access("stvx", 1, 0x1100), 1);
        ASSERT_EQ(access("lvx", 2, 0x1100), 1);
        EXPECT_EQ(vr(2), v) << little;
    }

    // Little-endian data, bytes 00 .. 0F at 0x1000: the order the architecture gives.
    ASSERT_EQ(access("lvx", 3, 0x1000), 1);
    EXPECT_EQ(vr(3), (Vec128{0x0706050403020100, 0x0F0E0D0C0B0A0908}));
    ASSERT_EQ(access("stvx", 3, 0x1200), 1);
    EXPECT_EQ(mem(0x1200, 8), 0x0001020304050607u);
    EXPECT_EQ(mem(0x1208, 8), 0x08090A0B0C0D0E0Fu);

    ASSERT_EQ(run(XX3("lxvd2x", 40, 0, 4) & ~6u), 1); // RA 0, RB 4 (0x1200)
    EXPECT_EQ(vsr(40), (Vec128{0x0F0E0D0C0B0A0908, 0x0706050403020100}));
    gpr(4) = 0x1300;
    ASSERT_EQ(run(XX3("stxvd2x", 35, 0, 4) & ~6u), 1); // VR 3
    EXPECT_EQ(mem(0x1300, 8), 0x08090A0B0C0D0E0Fu);
    EXPECT_EQ(mem(0x1308, 8), 0x0001020304050607u);
}

TEST_F(VmxMemory, ReversalOptionsInLittleEndianMode)
{
    ew.little_endian();
    ew.option(PO_LE_REVERSE_VMX);
    ProcessorState *core = ew.core.core;
    struct Case {
        int chip_version;
        bool reverse_reg;
        Vec128 expected;
    } cases[] = {
        {0x200, false, Vec128{0x0706050403020100, 0x0F0E0D0C0B0A0908}}, // no reversal
        {0x200, true, kBytes00to0F},
        {0x300, false, kBytes00to0F},
    };
    for (const Case &c : cases) {
        core->chip_version =
            const_cast<chip_version_info *>(get_chip_version_info_by_numeric(c.chip_version));
        ASSERT_EQ(PROCESSOR_CHIP_VERSION(core), c.chip_version);
        ew.option(PO_LE_REVERSE_REG, c.reverse_reg);
        ASSERT_EQ(access("lvx", 1, 0x1000), 1);
        EXPECT_EQ(vr(1), c.expected) << c.chip_version << c.reverse_reg;
        ASSERT_EQ(access("stvx", 1, 0x1100), 1); // and back
        EXPECT_EQ(mem(0x1100, 8), 0x0001020304050607u);
    }
    core->chip_version = nullptr;
}

TEST_F(VmxMemory, ProbeRecordsKindAndTranslation)
{
    set_vr(1, Vec128{1, 2});
    for (const char *m : {"lvx", "lvewx", "stvx", "stvebx"}) {
        gpr(4) = 0x1000;
        IOPDesc *iop = ew.prepare(VX(m, 1, 0, 4));
        iop->addr_only = 1;
        iop->core_rec.result = -1;
        EXPECT_EQ(iop->row->semantic(iop), 0) << m;
        EXPECT_EQ(iop->core_rec.kind, m[0] == 'l' ? 1 : 2) << m;
        EXPECT_EQ(iop->core_rec.result, 0) << m;
        EXPECT_EQ(raised(), nullptr) << m;
    }
    EXPECT_EQ(vr(1), (Vec128{1, 2}));
    EXPECT_EQ(mem(0x1000, 8), 0x0001020304050607u);
    EXPECT_EQ(pc(), 0x1000u);
}

TEST_F(VmxMemory, CycleCoreDataPlacement)
{
    const uint8_t bytes[16] = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                               0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
    struct Case {
        int size;
        uint64_t ea;
        Vec128 expected;
    } cases[] = {
        {16, 0x1000, Vec128{0x18191A1B1C1D1E1F, 0x1011121314151617}},
        {8, 0x1008, Vec128{0x1011121314151617, 0}},
        {4, 0x1004, Vec128{0, 0x0000000010111213}},
        {2, 0x100E, Vec128{0x0000000000001011, 0}},
        {1, 0x1001, Vec128{0, 0x0010000000000000}},
    };
    for (const Case &c : cases) {
        set_vr(5, Vec128{~0ull, ~0ull});
        IOPDesc *iop = ew.prepare(VX("lvx", 5, 0, 4));
        iop->data.ea = c.ea;
        EXPECT_EQ(VMX_Load_Data_To_Reg(iop, bytes, c.size), iop->row);
        EXPECT_EQ(vr(5), c.expected) << c.size; // other elements zero

        uint8_t out[16] = {};
        iop->data.ea = c.ea;
        VMX_Prepare_Store_Data(iop, out, c.size);
        EXPECT_EQ(memcmp(out, bytes, (size_t)c.size), 0) << c.size;
    }
}

TEST_F(VmxMemory, BadSizesAreReported)
{
    SinkCapture sink;
    IOPDesc *iop = ew.prepare(VX("lvx", 1, 0, 4));
    gpr(4) = 0x1000;
    EXPECT_EQ(vmx::SIM_load_vector(iop, 3), 0);
    EXPECT_EQ(vmx::SIM_store_vector(iop, 8), 0);
    uint8_t out[4] = {1, 2, 3, 4};
    VMX_Prepare_Store_Data(iop, out, 3);
    EXPECT_EQ(out[0], 1);
    const std::string text = sink.text();
    EXPECT_NE(text.find("2: SIM_load_vector: bad N = 3"), std::string::npos) << text;
    EXPECT_NE(text.find("SIM_store_vector: bad N = 8"), std::string::npos) << text;
    EXPECT_NE(text.find("VMX_Prepare_Store_Data: bad N = 3"), std::string::npos) << text;
    EXPECT_EQ(pc(), 0x1000u);
}

TEST_F(VmxMemory, WrongDeliverySizeEndsTheProgram)
{
    IOPDesc *iop = ew.prepare(VX("lvx", 1, 0, 4));
    const uint8_t bytes[16] = {};
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            VMX_Load_Data_To_Reg(iop, bytes, 3);
        },
        "VMX_Load_Data_To_Reg: wrong size 3");
}

TEST_F(VmxMemory, PermuteControlVectors)
{
    struct Case {
        const char *mnemonic;
        uint64_t address;
        Vec128 expected;
    } cases[] = {
        {"lvsl", 0x2005, Vec128{0x0D0E0F1011121314, 0x05060708090A0B0C}},
        {"lvsr", 0x2005, Vec128{0x131415161718191A, 0x0B0C0D0E0F101112}},
        {"lvsr", 0x2000, Vec128{0x18191A1B1C1D1E1F, 0x1011121314151617}},
        {"lvsl", 0x2000, Vec128{0x08090A0B0C0D0E0F, 0x0001020304050607}},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(access(c.mnemonic, 1, c.address), 1);
        EXPECT_EQ(vr(1), c.expected) << c.mnemonic << " " << c.address;
    }
}

TEST_F(VmxMemory, GamesModePartialAccesses)
{
    // The Ervik type makes them illegal.
    gpr(4) = 0x1003;
    IOPDesc *iop = ew.prepare(VX("lvx", 1, 0, 4));
    EXPECT_EQ(semantic_lvlx(iop), 0);
    EXPECT_EQ(raised_type(), 28);

    ew.option(PO_VRLX_LOAD_STORE_IN_GAMES_ONLY, 0);
    struct Case {
        int (*routine)(IOPDesc *);
        uint64_t address;
        Vec128 expected;
    } loads[] = {
        {semantic_lvlx, 0x1003, Vec128{0x0B0C0D0E0F000000, 0x030405060708090A}},
        {semantic_lvlx, 0x100A, Vec128{0, 0x0A0B0C0D0E0F0000}},
        {semantic_lvrx, 0x1003, Vec128{0x0000000000000102, 0}},
        {semantic_lvrx, 0x100A, Vec128{0x0203040506070809, 0x0000000000000001}},
        {semantic_lvrx, 0x7FFF0, Vec128{0, 0}}, // aligned: no access (beyond the RAM)
    };
    for (const Case &c : loads) {
        set_vr(1, Vec128{~0ull, ~0ull});
        gpr(4) = c.address;
        iop = ew.prepare(VX("lvx", 1, 0, 4));
        EXPECT_EQ(c.routine(iop), 1) << c.address;
        EXPECT_EQ(raised(), nullptr) << c.address;
        EXPECT_EQ(vr(1), c.expected) << c.address;
    }

    set_vr(2, kBytes00to0F);
    gpr(4) = 0x1013;
    iop = ew.prepare(VX("stvx", 2, 0, 4));
    EXPECT_EQ(semantic_stvlx(iop), 1); // bytes 00..0C to 0x1013..0x101F
    EXPECT_EQ(mem(0x1010, 8), 0x1011120001020304u);
    EXPECT_EQ(mem(0x1018, 8), 0x05060708090A0B0Cu);
    for (bool dravo : {true, false}) {
        ew.option(PO_Dravo_VMX, dravo);
        gpr(4) = 0x100B;
        iop = ew.prepare(VX("stvx", 2, 0, 4));
        EXPECT_EQ(semantic_stvrx(iop), 1); // bytes 05..0F to 0x1000..0x100A
        EXPECT_EQ(mem(0x1000, 8), 0x05060708090A0B0Cu) << dravo;
        EXPECT_EQ(mem(0x1008, 8), 0x0D0E0F0B0C0D0E0Fu) << dravo;
    }
}

} // namespace
} // namespace vec_test
