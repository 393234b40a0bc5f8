// The thread-level accessor layers: raw, cooked, move-from, guess and force over the register's
// owner, with the registers whose members depart from the plain rules.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <functional>

#include "processor/translation/xlate_version.h"
#include "register_fixture.h"

namespace
{

// One register seen through its raw and cooked members, widened to 64 bits.
struct Layers {
    const char *name;
    std::function<void(ThreadState *, uint64_t)> raw_set;
    std::function<uint64_t(ThreadState *)> raw_get;
    std::function<uint64_t(ThreadState *, uint64_t)> cooked_set;
    std::function<uint64_t(ThreadState *)> cooked_get;
    std::function<uint64_t(ThreadState *, uint64_t)> force;
    std::function<uint64_t(ThreadState *)> guess;
    std::function<int32_t *(ThreadState *)> written;
};

#define LAYERS(R, owner_expr)                                                                                \
    Layers                                                                                                   \
    {                                                                                                        \
#R, [](ThreadState *t, uint64_t v) { tRAW_SET_##R(t, (decltype(tRAW_GET_##R(t)))v); },         \
            [](ThreadState *t) -> uint64_t { return tRAW_GET_##R(t); },                                \
            [](ThreadState *t, uint64_t v) -> uint64_t {                                               \
                return tCOOKED_SET_##R(t, (decltype(tRAW_GET_##R(t)))v, 7);                            \
            },                                                                                         \
            [](ThreadState *t) -> uint64_t { return tCOOKED_GET_##R(t, 7); },                          \
            [](ThreadState *t, uint64_t v) -> uint64_t { return tFORCE_##R(t, (decltype(tRAW_GET_##R(t)))v, 7); }, \
            [](ThreadState *t) -> uint64_t { return tGUESS_##R(t, 7); },                               \
            [](ThreadState *t) -> int32_t * { return &(owner_expr)->R.written; }             \
    }

TEST(RegisterAccessorLayers, RawKeepsUnimplementedBitsCookedAndForceStripThem)
{
    TestCore fixture(2);
    for (const char *name : {"LR", "PIR", "HID1", "SDR1", "LPIDR"}) {
        std::string key = std::string("processor/mask/") + name;
        fixture.set(key.c_str(), "0x0000FFFF");
    }
    fixture.build();
    const Layers cases[] = {
        LAYERS(LR, t),
        LAYERS(PIR, t),
        LAYERS(HID1, t->processor),
        LAYERS(SDR1, t->shared_processor),
        LAYERS(LPIDR, t->shared_processor),
    };
    for (const Layers &reg : cases) {
        SCOPED_TRACE(reg.name);
        ThreadState *t = fixture.thread(1);
        reg.raw_set(t, 0x12345678);
        EXPECT_EQ(reg.raw_get(t), 0x12345678u);
        EXPECT_EQ(reg.cooked_get(t), 0x12345678u);
        EXPECT_EQ(reg.guess(t), 0x12345678u);
        EXPECT_EQ(*reg.written(t), 1);

        *reg.written(t) = 0;
        EXPECT_EQ(reg.cooked_set(t, 0x12345678), 0x5678u);
        EXPECT_EQ(reg.raw_get(t), 0x5678u);
        EXPECT_EQ(*reg.written(t), 1);

        *reg.written(t) = 0;
        EXPECT_EQ(reg.force(t, 0xABCDEF), 0xCDEFu);
        EXPECT_EQ(reg.cooked_get(t), 0xCDEFu);
        EXPECT_EQ(*reg.written(t), 1);
    }
}

TEST(RegisterAccessorLayers, RawLayerOfACoreRegisterWithoutCore)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState loose{};
    EXPECT_EQ(tRAW_GET_HID1(&loose), 0u);
    EXPECT_EQ(tRAW_GET_SDR1(&loose), 0u);
    EXPECT_EQ(tRAW_GET_TB(&loose), 0u);
    EXPECT_EQ(tRAW_GET_HDEC(&loose), 0u);
    tRAW_SET_HID1(&loose, 5); // nothing to write: must not touch memory
    tRAW_SET_SDR1(&loose, 5);
    tRAW_SET_IMA3(&loose, 5);
    tRAW_SET_PVR(&loose, 5);
    tRAW_SET_TB(&loose, 5);
    EXPECT_EQ(fixture.core->HID1.value, 0u);
}

TEST(RegisterAccessorLayers, PartitionRegistersOfASplitCore)
{
    TestCore fixture(2, 1);
    fixture.build();
    ThreadState *t = fixture.thread(1);
    tRAW_SET_SDR1(t, 0x1000);
    EXPECT_EQ(tCOOKED_GET_SDR1(t, 7), 0x1000u); // before the split: one slot
    EXPECT_EQ(tGUESS_SDR1(t, 7), 0x1000u);

    fixture.split(1, 1);
    fixture.view(1)->SDR1.value = 0x2000;
    EXPECT_EQ(tRAW_GET_SDR1(t), 0x1000u);
    EXPECT_EQ(tRAW_MFGET_SDR1(t), 0x1000u);
    EXPECT_EQ(tCOOKED_GET_SDR1(t, 7), 0x2000u);
    EXPECT_EQ(tCOOKED_MFGET_SDR1(t, 7), 0x2000u);
    EXPECT_EQ(tGUESS_SDR1(t, 7), 0x2000u);
    tCOOKED_SET_SDR1(t, 0x3000, 7);
    EXPECT_EQ(fixture.view(1)->SDR1.value, 0x3000u);
    EXPECT_EQ(fixture.core->SDR1.value, 0x1000u);
    // The other thread still sees the core.
    EXPECT_EQ(tCOOKED_GET_SDR1(fixture.thread(0), 7), 0x1000u);

    // Time registers follow the same split: raw on the core, cooked on the partition view.
    tRAW_SET_TB(t, 100);
    EXPECT_EQ(tFORCE_TB(t, 200, 7), 200u);
    EXPECT_EQ(tRAW_GET_TB(t), 100u);
    EXPECT_EQ(tCOOKED_GET_TB(t, 7), 200u);
    EXPECT_EQ(tGUESS_TBL(t, 7), 200u);
}

TEST(RegisterAccessorLayers, ThirtyTwoBitCookedSetUsesTheLowHalfOfTheMask)
{
    TestCore fixture(1);
    fixture.set("processor/mask/PIR", "0xFFFFFFFF000000FF");
    fixture.set("processor/mask/DSISR", "0xFFFFFFFF00000000");
    fixture.build();
    ThreadState *t = fixture.thread();
    EXPECT_EQ(tCOOKED_SET_PIR(t, 0x1234, 7), 0x34u);
    EXPECT_EQ(t->PIR.value, 0x34u);
    tFORCE_DSISR(t, 0xFFFFFFFF, 7);
    EXPECT_EQ(t->DSISR.value, 0u);
}

TEST(RegisterAccessorLayers, PidKeepsThirtyTwoBitsAndAdvancesTheTranslationVersion)
{
    TestCore fixture(1);
    fixture.set("processor/mask/PID", "0xFFFFFFFFFFFF0FFF");
    fixture.build();
    ThreadState *t = fixture.thread();
    uint64_t version = current_xlate_version;
    EXPECT_EQ(tCOOKED_SET_PID(t, 0xAB12345678ull, 7), 0x12340678u);
    EXPECT_EQ(t->PID.value, 0x12340678u);
    EXPECT_EQ(t->PID.written, 1);
    EXPECT_EQ(current_xlate_version, version + 1);
    tFORCE_PID(t, 0xAB12345678ull, 7); // the same value again still counts
    EXPECT_EQ(current_xlate_version, version + 2);
    tRAW_SET_PID(t, 0xAB12345678ull); // the raw layer is plain
    EXPECT_EQ(t->PID.value, 0xAB12345678ull);
    EXPECT_EQ(current_xlate_version, version + 2);
}

TEST(RegisterAccessorLayers, SettersThatLeaveTheWrittenFlag)
{
    TestCore fixture(1);
    fixture.set("processor/mask/IMA3", "0xFFFF");
    fixture.set("processor/mask/CR", "0x0FFFFFFF");
    fixture.build();
    ThreadState *t = fixture.thread();
    ProcessorState *core = fixture.core;

    tRAW_SET_IMA3(t, 0x123456); // the raw layer masks here
    EXPECT_EQ(core->IMA3.value, 0x3456u);
    EXPECT_EQ(core->IMA3.written, 0);
    tCOOKED_SET_IMA3(t, 0x1111, 7);
    EXPECT_EQ(core->IMA3.written, 0);

    tCOOKED_SET_CR(t, 0xF0000001, 7);
    EXPECT_EQ(t->CR.value, 0x00000001u);
    EXPECT_EQ(t->CR.written, 0);
    tFORCE_FPSCR(t, 0x80, 7);
    EXPECT_EQ(t->FPSCR.written, 0);
    tFORCE_FPR_INVALID_MAP(t, ~0ull, 7);
    EXPECT_EQ(t->FPR_INVALID_MAP.value, ~0ull);
    EXPECT_EQ(t->FPR_INVALID_MAP.written, 0);
}

TEST(RegisterAccessorLayers, InstructionMatchWritesArmTheCheck)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    tCOOKED_SET_IMA2(t, 0x3000, 7); // outside the partial compare mask 0xFFFFF003FFFFC000
    EXPECT_EQ(fixture.core->check_imc, 0);
    tCOOKED_SET_IMA10(t, 0x4000, 7); // the pair (IMA10 | IMA2) now has a compare bit
    EXPECT_EQ(fixture.core->check_imc, 1);
}

TEST(RegisterAccessorLayers, ForcedTirChangesTheSlotNotTheReads)
{
    TestCore fixture(3);
    fixture.build();
    ThreadState *t = fixture.thread(2);
    EXPECT_EQ(tFORCE_TIR(t, 7, 7), 2u);
    EXPECT_EQ(tRAW_GET_TIR(t), 7u);
    EXPECT_EQ(tCOOKED_GET_TIR(t, 7), 2u);
    EXPECT_EQ(tCOOKED_MFGET_TIR(t, 7), 2u);
    EXPECT_EQ(tGUESS_TIR(t, 7), 2u);
    EXPECT_EQ(iGET_TIR(fixture.iop(2)), 2u);
    EXPECT_EQ(iMFGET_TIR(fixture.iop(2)), 2u);
}

TEST(RegisterAccessorLayers, MoveFromMembersEqualTheGetMembers)
{
    TestCore fixture(2);
    fixture.build();
    ThreadState *t = fixture.thread(1);
    tRAW_SET_LR(t, 0x1111);
    tRAW_SET_TFMR(t, 0xFF00000000000045ull);
    fixture.core->tb_value = 0x123456789ull;
    tRAW_SET_HDEC(t, 77);
    t->decrementer->value = 9;
    EXPECT_EQ(tRAW_MFGET_LR(t), tRAW_GET_LR(t));
    EXPECT_EQ(tCOOKED_MFGET_LR(t, 1), tCOOKED_GET_LR(t, 1));
    EXPECT_EQ(tRAW_MFGET_TFMR(t), tRAW_GET_TFMR(t));
    EXPECT_EQ(tCOOKED_MFGET_TFMR(t, 1), 0xFF00000000000045ull);
    EXPECT_EQ(tRAW_MFGET_TB(t), 0x123456789ull);
    EXPECT_EQ(tCOOKED_MFGET_TBU(t, 1), 0x1u);
    EXPECT_EQ(tCOOKED_MFGET_HDEC(t, 1), 77u);
    EXPECT_EQ(tRAW_MFGET_DEC(t), 9u);
    EXPECT_EQ(tCOOKED_MFGET_DEC(t, 1), tGUESS_DEC(t, 1));
}

TEST(RegisterAccessorLayers, ForcedPcAlsoSetsTheUnmaskedNextAddress)
{
    TestCore fixture(1);
    fixture.set("processor/mask/PC", "0xFFFFFFFFFFFFFFFC");
    fixture.build();
    ThreadState *t = fixture.thread();
    tFORCE_PC(t, 0x1003, 7);
    EXPECT_EQ(t->next_pc, 0x1003u);
    EXPECT_EQ(t->PC.value, 0x1000u);
    EXPECT_EQ(t->PC.written, 1);
    tCOOKED_SET_PC(t, 0x2003, 7); // the cooked set leaves the next address alone
    EXPECT_EQ(t->next_pc, 0x1003u);
    EXPECT_EQ(t->PC.value, 0x2000u);
}

TEST(RegisterAccessorLayers, MembersWithTheirOwnWriteBehaviour)
{
    TestCore fixture(2);
    fixture.set("processor/mask/HID0", "0xFF");
    fixture.set("processor/mask/MSR", "0xF000000000000FFF");
    fixture.set("processor/mask/DEC", "0xFFFF");
    fixture.build();
    ThreadState *t = fixture.thread(1);

    EXPECT_EQ(tCOOKED_SET_HID0(t, 0x1234, 7), 0x34u);
    EXPECT_EQ(fixture.core->HID0.written, 1);
    EXPECT_EQ(tGUESS_HID0(fixture.thread(0), 7), 0x34u);

    tFORCE_MSR(t, 0x9000000000012345ull, 7);
    EXPECT_EQ(t->MSR.value, 0x9000000000000345ull);
    EXPECT_EQ(tGUESS_MSR(t, 7), 0x9000000000000345ull);

    EXPECT_EQ(tFORCE_DEC(t, 0x123456, 7), 0x3456u);

    tCOOKED_SET_PVR(t, 0x004E1200, 7);
    EXPECT_EQ(fixture.core->PVR.value, 0x004E1200u);
    EXPECT_EQ(fixture.core->PVR.written, 1);

    t->x_smt_enable = 1;
    EXPECT_EQ(tFORCE_TSRL(t, 2ull << 50, 7), 2ull << 50);
    EXPECT_EQ(t->x_smt_priority, 2);
    EXPECT_EQ(tFORCE_TSRL(t, 0, 7), 2ull << 50); // priority field 0: nothing changes
    t->x_smt_enable = 0;
    EXPECT_EQ(tGUESS_TSRL(t, 7), 0u);
    EXPECT_EQ(tRAW_GET_TSRL(t), 2ull << 50);
}

TEST(RegisterAccessorLayers, MembersAreExportedUnderTheirNames)
{
    for (const char *name : {"tRAW_GET_LR", "tRAW_SET_L2QOSR", "tRAW_MFGET_PVR", "tCOOKED_GET_TSRL",
                             "tCOOKED_SET_PPR32", "tCOOKED_MFGET_TST", "tGUESS_SRR1", "tFORCE_SPURR",
                             "iGET_CTR", "iMFGET_HDEC", "iSET_TIDR", "iGET_NEXT_PC", "iSET_PC", "iGET_MSR"})
        EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
    for (const char *name : {"iSET_MSR", "iGET_CR", "iGET_CTRL", "iSET_FPSCR", "iMFGET_PC"})
        EXPECT_EQ(dlsym(RTLD_DEFAULT, name), nullptr) << name;
}

} // namespace
