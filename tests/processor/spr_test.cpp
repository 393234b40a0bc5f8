// SPR table, mfspr/mtspr and the SPR routines on an Ervik core: crafted move words on a thread
// whose MSR sets the privilege state, with the raised interrupts read from the instruction record.
#include <gtest/gtest.h>

#include <strings.h>

#include <string>
#include <vector>

#include "interrupts/interrupt_raisers.h"
#include "processor/hooks/emat_zap.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/run/smt.h"
#include "processor/spr/pmc_groups.h"
#include "processor/spr/scom_blocks.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_services.h"
#include "processor/spr/spr_table.h"
#include "processor/translation/xlate_version.h"
#include "runtime/common.h"
#include "runtime/psv.h"
#include "support/sink_capture.h"
#include "translator/emat.h"

#include "register_fixture.h"
#include "support/htm_record.h"

namespace
{

constexpr uint64_t SF = 0x8000000000000000ull;
constexpr uint64_t HV = 0x1000000000000000ull;
constexpr uint64_t PR = 0x4000;
constexpr uint64_t TRANSACTIONAL = 0x400000000ull;
constexpr uint64_t SUSPENDED = 0x200000000ull;

enum State { PROBLEM, SUPERVISOR, HYPERVISOR };

uint32_t spr_field(int spr)
{
    return (uint32_t)(((spr & 0x1F) << 16) | ((spr >> 5) << 11));
}
uint32_t mfspr_word(int rt, int spr)
{
    return 0x7C0002A6u | (uint32_t)rt << 21 | spr_field(spr);
}
uint32_t mtspr_word(int spr, int rs)
{
    return 0x7C0003A6u | (uint32_t)rs << 21 | spr_field(spr);
}

// The options the SPR code reads, by name.
struct NamedOption {
    const char *name;
    uint32_t index;
};
const NamedOption spr_options[] = {
    {"USPRG3_RO", PO_USPRG3_RO},
    {"SPRG3_USER_RO", PO_SPRG3_USER_RO},
    {"HACOP_EXISTS", PO_HACOP_EXISTS},
    {"IAR", PO_IAR},
    {"EPID_EXISTS", PO_EPID_EXISTS},
    {"ELPIDR_EXISTS", PO_ELPIDR_EXISTS},
    {"USER_CAN_READ_TB", PO_USER_CAN_READ_TB},
    {"WRITE_ONLY_SPR_IGNORE", PO_WRITE_ONLY_SPR_IGNORE},
    {"PIR_IS_WRITABLE", PO_PIR_IS_WRITABLE},
    {"UNKNOWN_SPR_IGNORE", PO_UNKNOWN_SPR_IGNORE},
    {"UNKNOWN_SPR_ERROR", PO_UNKNOWN_SPR_ERROR},
    {"INVALID_SPR_0_4_5_6", PO_INVALID_SPR_0_4_5_6},
    {"VALID_SPR_284_285", PO_VALID_SPR_284_285},
    {"INVALID_SPR_1010", PO_INVALID_SPR_1010},
    {"VALID_SPR_808_811", PO_VALID_SPR_808_811},
    {"VALID_SPR_912_927", PO_VALID_SPR_912_927},
    {"TOP_HALF_SPRS_PRIVILEGED", PO_TOP_HALF_SPRS_PRIVILEGED},
    {"UNKNOWN_SPR_BIT10", PO_UNKNOWN_SPR_BIT10},
    {"USER_WRITE_TO_READ_ONLY_SPR_IS_INVALID", PO_USER_WRITE_TO_READ_ONLY_SPR_IS_INVALID},
    {"UNKNOWN_SPR_BASE_CASE_DEPENDS_ON_USER_MODE", PO_UNKNOWN_SPR_BASE_CASE_DEPENDS_ON_USER_MODE},
    {"UNKNOWN_SPR_BIT08", PO_UNKNOWN_SPR_BIT08},
    {"GLENT_PMCC_GATED_ACCESSIBLITY", PO_GLENT_PMCC_GATED_ACCESSIBLITY},
    {"GLENT_EN_4_LPAR_SYSTEM", PO_GLENT_EN_4_LPAR_SYSTEM},
    {"GLENT_STYLE_CTRL", PO_GLENT_STYLE_CTRL},
    {"TAGS_ACTIVE", PO_TAGS_ACTIVE},
    {"FXCC_FIELD_IN_XER", PO_FXCC_FIELD_IN_XER},
    {"FXCC_ALWAYS_SET", PO_FXCC_ALWAYS_SET},
    {"Ervik_SPR_IMPLEMENTED_MASK", PO_Ervik_SPR_IMPLEMENTED_MASK},
    {"WOLK_FREEZE_PMCS", PO_WOLK_FREEZE_PMCS},
    {"AMR_16KEYS", PO_AMR_16KEYS},
    {"HYPER_RESOURCE_HID0", PO_HYPER_RESOURCE_HID0},
    {"HID1_READ_ONLY", PO_HID1_READ_ONLY},
    {"MF_IMC_RETURNS_VALUE", PO_MF_IMC_RETURNS_VALUE},
    {"MT_IMC_SETS_ARRAY", PO_MT_IMC_SETS_ARRAY},
    {"TSCR_DOES_NOT_CONTROL_PRIORITY", PO_TSCR_DOES_NOT_CONTROL_PRIORITY},
    {"SERVER_PPR32", PO_SERVER_PPR32},
    {"NO_64BIT_OPS_IN_32BIT_MODE", PO_NO_64BIT_OPS_IN_32BIT_MODE},
};

// An Ervik core of four threads with its SPR table; every facility enabled in HFSCR and FSCR.
class SprTest : public ::testing::Test
{
  protected:
    SprTest() : tc(4)
    {
        if (!PSV_List) Init_PSV_Table();
        tc.set("processor/type", "Ervik");
        PSV_Add_Default_Values(plist(), "");
        tc.build();
        core()->ex_scom_regs = &scom;
        for (const NamedOption &o : spr_options) {
            std::string key = std::string("processor_option/") + o.name;
            const char *text = PropertyList__GetString(plist(), key.c_str());
            core()->options[o.index] = text && (strcasecmp(text, "TRUE") == 0 || strcmp(text, "1") == 0);
        }
        core()->srr1_mask = 0xFFFFFFFFFFFFFFFEull;
        core()->hsrr1_mask = 0xFFFFFFFFFFFFFFFEull;
        core()->pcr_mask = ~0ull;
        Set_Chip_Version(core(), "DD1.0");
        for (int i = 0; i < 4; i++) {
            tc.thread(i)->HFSCR.value = ~0ull;
            tc.thread(i)->FSCR.value = ~0ull;
        }
        INIT_SPR_Table(core(), plist());
    }
    ~SprTest() override { QUIT_SPR_Table(core()); }

    PropertyList *plist() { return tc.test_machine.machine.property_list; }
    ProcessorState *core() { return tc.core; }
    ThreadState *thread(int i = 0) { return tc.thread(i); }
    void option(uint32_t index, bool on) { core()->options[index] = on ? 1 : 0; }
    void rebuild_table()
    {
        QUIT_SPR_Table(core());
        INIT_SPR_Table(core(), plist());
    }
    void state(State s, uint64_t extra = 0, int t = 0)
    {
        uint64_t msr = SF | extra;
        if (s == PROBLEM) msr |= PR;
        if (s == HYPERVISOR) msr |= HV;
        thread(t)->MSR.value = msr;
    }

    // Runs mfspr spr into GPR 5 (preset to a marker) on thread t; the record stays for inspection.
    IOPDesc *mfspr(int spr, State s, int t = 0, uint64_t msr_extra = 0)
    {
        state(s, msr_extra, t);
        last = tc.iop(t);
        last->word = mfspr_word(5, spr);
        thread(t)->GPR[5].value = MARKER;
        last_result = core_mfspr(last);
        return last;
    }
    // Runs mtspr spr from GPR 6 holding the value on thread t.
    IOPDesc *mtspr(int spr, uint64_t value, State s, int t = 0, uint64_t msr_extra = 0)
    {
        state(s, msr_extra, t);
        last = tc.iop(t);
        last->word = mtspr_word(spr, 6);
        thread(t)->GPR[6].value = value;
        last_result = core_mtspr(last);
        return last;
    }
    uint64_t rt(int t = 0) { return thread(t)->GPR[5].value; }

    // The interrupt the last move raised, as "type/subtype" (with the facility causes); "" when none.
    std::string raised()
    {
        PowerPCException *e = last ? last->exceptions : nullptr;
        if (!e) return "";
        std::string text = std::to_string(e->type) + "/" + std::to_string(e->subtype);
        if (e->type == 43) text += " facility " + std::to_string(e->fscr_cause);
        if (e->type == 44) text += " hyper facility " + std::to_string(e->hfscr_cause);
        return text;
    }

    static constexpr uint64_t MARKER = 0x5A5A5A5A5A5A5A5Aull;
    TestCore tc;
    ex_scom_registers_s scom{};
    IOPDesc *last = nullptr;
    int last_result = -1;
};

const std::string PRIVILEGED = "2/218";
// The illegal-instruction interrupt; the raiser does not keep the reason, which names the rule
// for the reader only.
std::string illegal(const char *)
{
    return "28/221";
}

// ---- the table ----

TEST_F(SprTest, LookupsByNameAndNumber)
{
    EXPECT_EQ(Find_SPR_Number(core(), "dscr"), 3);
    EXPECT_EQ(Find_SPR_Number(core(), "SIER"), 768);
    EXPECT_EQ(Find_SPR_Number(core(), "MMCR2"), 769);
    EXPECT_EQ(Find_SPR_Number(core(), "PPR"), 896);
    EXPECT_EQ(Find_SPR_Number(core(), "BESCR"), 800);
    EXPECT_EQ(Find_SPR_Number(core(), "NOSUCHSPR"), SPR_NONE);
    EXPECT_STREQ(Find_SPR_Name(core(), 898), "PPR");
    EXPECT_STREQ(Find_SPR_Name(core(), 768), "SIER");
    EXPECT_STREQ(Find_SPR_Name(core(), 136), "CTRL_ro");
    EXPECT_EQ(Find_SPR_Name(core(), 2), nullptr);
    EXPECT_EQ(SPR_size(core(), 18), 4);
    EXPECT_EQ(SPR_size(core(), 19), 8);
    EXPECT_EQ(SPR_size(core(), 2), 0);
    EXPECT_EQ(Valid_SPR(core(), SPR_NONE), 0u);
    EXPECT_EQ(Valid_SPR(core(), 1024), 0u);
    EXPECT_EQ(Valid_SPR(core(), -1), 0u);
    EXPECT_EQ(Index_SPR_Table(core(), 1024), nullptr);
    // Aliases of one register share its identity.
    EXPECT_EQ(Find_SPR_IDX(core(), 768), Find_SPR_IDX(core(), 784));
    EXPECT_EQ(Find_SPR_IDX(core(), 3), Find_SPR_IDX(core(), 17));
    EXPECT_NE(Find_SPR_IDX(core(), 136), Find_SPR_IDX(core(), 152));
}

TEST_F(SprTest, ErvikDefaultsDefine150SprsAtTheConfiguredNumbers)
{
    int count = 0;
    for (int spr = 0; spr < SPR_TABLE_SIZE; spr++)
        count += Valid_SPR(core(), spr) ? 1 : 0;
    EXPECT_EQ(count, 150);
    EXPECT_EQ(Valid_SPR(core(), 259), 1u);  // SPRG3_ro
    EXPECT_EQ(Valid_SPR(core(), 351), 0u);  // HACOP
    EXPECT_EQ(Valid_SPR(core(), 49), 0u);   // EPID
    EXPECT_EQ(Valid_SPR(core(), 350), 1u);  // ELPIDR
    EXPECT_STREQ(Find_SPR_Name(core(), 48), "PID");
    EXPECT_STREQ(Find_SPR_Name(core(), 1023), "PIR");
    EXPECT_STREQ(Find_SPR_Name(core(), 780), "USIAR");
    EXPECT_STREQ(Find_SPR_Name(core(), 882), "TRIG2");
    EXPECT_EQ(core()->pir_spr_number, 1023u);
    EXPECT_EQ(Index_SPR_Table(core(), 275)->read_level, SPR_LEVEL_PRIVILEGED);
}

TEST_F(SprTest, OptionsChangeTheDefinitions)
{
    option(PO_USER_CAN_READ_TB, false);
    option(PO_WRITE_ONLY_SPR_IGNORE, false);
    option(PO_IAR, true);
    option(PO_HACOP_EXISTS, true);
    option(PO_SPRG3_USER_RO, true);
    rebuild_table();
    for (int spr : {268, 269}) {
        spr_table_entry *row = Index_SPR_Table(core(), spr);
        EXPECT_NE(row->write, nullptr) << spr;
        EXPECT_EQ(row->write_level, SPR_LEVEL_HYPERVISOR) << spr;
        EXPECT_EQ(row->read_level, SPR_LEVEL_PRIVILEGED) << spr;
    }
    EXPECT_EQ(Index_SPR_Table(core(), 287)->write, nullptr);
    EXPECT_EQ(Index_SPR_Table(core(), 1023)->write, nullptr);
    EXPECT_STREQ(Find_SPR_Name(core(), 882), "TRIG2"); // the first definition of 882 stays
    EXPECT_EQ(Valid_SPR(core(), 351), 1u);
    EXPECT_EQ(Index_SPR_Table(core(), 275)->read_level, SPR_LEVEL_ANY);

    option(PO_USER_CAN_READ_TB, true);
    option(PO_PIR_IS_WRITABLE, true);
    rebuild_table();
    for (int spr : {268, 269}) {
        EXPECT_EQ(Index_SPR_Table(core(), spr)->write, nullptr) << spr;
        EXPECT_EQ(Index_SPR_Table(core(), spr)->read_level, SPR_LEVEL_ANY) << spr;
    }
    EXPECT_NE(Index_SPR_Table(core(), 1023)->write, nullptr);
    EXPECT_EQ(Index_SPR_Table(core(), 287)->write, nullptr);
}

TEST_F(SprTest, ConfiguredNumbersMoveTheirSprs)
{
    tc.set("processor/siar_spr_number", "700");
    tc.set("processor/trig0_spr_number", "900");
    rebuild_table();
    EXPECT_STREQ(Find_SPR_Name(core(), 700), "SIAR");
    EXPECT_STREQ(Find_SPR_Name(core(), 684), "USIAR");
    EXPECT_STREQ(Find_SPR_Name(core(), 902), "TRIG2");
    EXPECT_EQ(Valid_SPR(core(), 796), 0u);
}

TEST_F(SprTest, SecondDefinitionOfANumberIsRefused)
{
    EXPECT_EQ(Define_SPR64(core(), 1, SPR_ID_NONE, "OTHER", nullptr, 3, nullptr, 3, nullptr, nullptr), nullptr);
    EXPECT_STREQ(Find_SPR_Name(core(), 1), "XER");
    EXPECT_EQ(Define_SPR(core(), 1024, SPR_ID_NONE, "OUT", 8, nullptr, 3, nullptr, 3, nullptr, nullptr), nullptr);
}

TEST_F(SprTest, AfterQuitEveryLookupIsOutOfRange)
{
    QUIT_SPR_Table(core());
    EXPECT_EQ(core()->spr_count, 0);
    EXPECT_EQ(Index_SPR_Table(core(), 1), nullptr);
    EXPECT_EQ(Valid_SPR(core(), 1), 0u);
    EXPECT_EQ(Find_SPR_Number(core(), "XER"), SPR_NONE);
    EXPECT_EQ(SPR_size(core(), 19), 0);
    EXPECT_EQ(valid_spr_number(core(), 0), 0);
}

// ---- the moves ----

TEST_F(SprTest, UndefinedSprTwoDependsOnTheStateAndIsPrintedOnce)
{
    int saved = sim_warning_level;
    sim_warning_level = 1;
    SinkCapture capture;
    mfspr(2, PROBLEM);
    EXPECT_EQ(last_result, 0);
    EXPECT_EQ(raised(), illegal("mfspr bit 5=0 and user mode"));
    EXPECT_EQ(rt(), MARKER);
    mfspr(2, SUPERVISOR);
    EXPECT_EQ(last_result, 1);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(rt(), MARKER);
    sim_warning_level = saved;
    EXPECT_EQ(capture.lines().size(), 1u);
    EXPECT_NE(capture.text().find(" : "), std::string::npos);
}

TEST_F(SprTest, UndefinedSprRulesTable)
{
    struct Case {
        const char *what;
        bool move_to;
        int spr;
        State state;
        std::vector<std::pair<uint32_t, bool>> options;
        bool strict;
        uint64_t pcr;
        std::string interrupt;
        uint64_t rt; // for mfspr: MARKER for no change
    };
    const std::vector<Case> cases = {
        {"mf 0 strict", false, 0, SUPERVISOR, {}, true, 0, illegal("mfspr 0,4,5, or 6"), MARKER},
        {"mf 0", false, 0, SUPERVISOR, {}, false, 0, "", MARKER},
        {"mf 284 problem", false, 284, PROBLEM, {}, false, 0, PRIVILEGED, MARKER},
        {"mf bit 0x10 set problem", false, 49, PROBLEM, {}, false, 0, PRIVILEGED, MARKER},
        {"mf ignore", false, 2, PROBLEM, {{PO_UNKNOWN_SPR_IGNORE, true}}, false, 0, "", 0},
        {"mf error strict", false, 2, SUPERVISOR, {{PO_UNKNOWN_SPR_ERROR, true}}, true, 0, illegal("mfspr unknown spr"), MARKER},
        {"mf 912 supervisor", false, 912, SUPERVISOR, {{PO_VALID_SPR_912_927, true}}, false, 0, "", ~0ull},
        {"mf top half user", false, 100, PROBLEM, {{PO_TOP_HALF_SPRS_PRIVILEGED, true}}, false, 0,
         illegal("mfspr < 512 in user mode"), MARKER},
        {"mt 808 supervisor", true, 808, SUPERVISOR, {}, false, 0, "", 0},
        {"mt 808 user pcr", true, 808, PROBLEM, {}, false, 0x4, illegal("mtspr of invalid spr with bit 0x10=0"), 0},
        {"mt 808 user", true, 808, PROBLEM, {}, false, 0, "", 0},
        {"mt bit 0x10 user", true, 0x30, PROBLEM, {}, false, 0, PRIVILEGED, 0},
        {"mt 2 user", true, 2, PROBLEM, {}, false, 0, illegal("mtspr of invalid spr with bit 0x10=0"), 0},
        {"mt 5 strict", true, 5, SUPERVISOR, {}, true, 0, illegal("mtspr 0, 4, 5 or 6"), 0},
        {"mt bit08", true, 2, SUPERVISOR, {{PO_UNKNOWN_SPR_BIT08, true}}, false, 0, illegal("mtspr bit 5=1, bit 4=0"), 0},
        {"mt read-only user", true, 446, PROBLEM, {{PO_USER_WRITE_TO_READ_ONLY_SPR_IS_INVALID, true}}, false, 0,
         PRIVILEGED, 0},
    };
    for (const Case &c : cases) {
        for (auto [index, on] : c.options)
            option(index, on);
        tc.test_machine.machine.machine_options[MO_STRICT] = c.strict;
        core()->PCR.value = c.pcr;
        if (c.move_to) {
            mtspr(c.spr, 7, c.state);
        } else {
            mfspr(c.spr, c.state);
            EXPECT_EQ(rt(), c.rt) << c.what;
        }
        EXPECT_EQ(raised(), c.interrupt) << c.what;
        EXPECT_EQ(last_result, c.interrupt.empty() ? 1 : 0) << c.what;
        for (auto [index, on] : c.options)
            option(index, !on);
    }
    tc.test_machine.machine.machine_options[MO_STRICT] = 0;
}

int mf_events = 0;
void count_mf_event(ThreadState *, int32_t)
{
    mf_events++;
}

TEST_F(SprTest, LevelCheckFollowsTheMoveFromEvent)
{
    mf_events = 0;
    Request_MFSPR_Event(core(), 26, count_mf_event);
    EXPECT_EQ(Index_SPR_Table(core(), 26)->rdte->special, 1);
    thread()->SRR0.value = 0x1234;
    mfspr(26, PROBLEM);
    EXPECT_EQ(mf_events, 1);
    EXPECT_EQ(raised(), PRIVILEGED);
    EXPECT_EQ(rt(), MARKER);
    mfspr(26, SUPERVISOR);
    EXPECT_EQ(mf_events, 2);
    EXPECT_EQ(rt(), 0x1234u);
    // Level 1 outside hypervisor state.
    mfspr(25, SUPERVISOR);
    EXPECT_EQ(raised(), PRIVILEGED);
}

TEST_F(SprTest, TransactionFailsOnCheckedSprWrite)
{
    HTM_Clear_Failure(thread());
    thread()->SRR0.value = 0x100;
    mtspr(26, 0x200, SUPERVISOR, 0, TRANSACTIONAL);
    EXPECT_EQ(last_result, 1);
    EXPECT_EQ(thread()->SRR0.value, 0x100u);
    EXPECT_EQ(HTM_Recorded_Cause(thread()), 0x1800000u);
    // Suspended state does not fail it.
    HTM_Clear_Failure(thread());
    mtspr(26, 0x200, SUPERVISOR, 0, SUSPENDED);
    EXPECT_EQ(thread()->SRR0.value, 0x200u);
    EXPECT_FALSE(HTM_Failure_Recorded(thread()));
}

void raise_in_event(ThreadState *thread, int32_t, uint64_t)
{
    interrupt_PrivilegedInstruction(thread->current_iop);
}

TEST_F(SprTest, PidWriteSetsWakeSendPendingEvenWhenItRaised)
{
    Request_MTSPR_Event(core(), 48, raise_in_event);
    thread()->PID.value = 3;
    state(SUPERVISOR);
    IOPDesc *iop = tc.iop(0);
    thread()->current_iop = iop;
    iop->word = mtspr_word(48, 6);
    thread()->GPR[6].value = 9;
    thread()->wake_send_pending = 0;
    EXPECT_EQ(core_mtspr(iop), 1);
    EXPECT_EQ(thread()->PID.value, 3u);
    EXPECT_EQ(thread()->wake_send_pending, 1u);
    thread()->current_iop = nullptr;
}

uint64_t wide_value(IOPDesc *, int32_t *)
{
    return 0x123456789ull;
}

TEST_F(SprTest, ThirtyTwoBitSprDeliversTheLowWord)
{
    ASSERT_NE(Define_SPR32(core(), 2, SPR_ID_NONE, "WIDE32", wide_value, 3, nullptr, 0, nullptr, nullptr), nullptr);
    mfspr(2, PROBLEM);
    EXPECT_EQ(rt(), 0x23456789u);
    EXPECT_EQ(SPR_size(core(), 2), 4);
}

TEST_F(SprTest, OperandSlotModeOnlyFillsTheResultSlot)
{
    thread()->SPRG0.value = 1;
    state(SUPERVISOR);
    IOPDesc *iop = tc.iop(0);
    iop->word = mtspr_word(272, 6);
    iop->use_slots = 1;
    iop->operand_slot4[0] = 0x77;
    iop->result_gpr2.pending = 1;
    EXPECT_EQ(core_mtspr(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x77u);
    EXPECT_EQ(iop->result_gpr2.pending, 0);
    EXPECT_EQ(thread()->SPRG0.value, 1u);
    // The commit writes it.
    iop->use_slots = 0;
    SET_spr(iop, 272, 0x77);
    EXPECT_EQ(thread()->SPRG0.value, 0x77u);
}

TEST_F(SprTest, Hid5WriteStartsHaFlushes)
{
    SinkCapture capture;
    scom.regs[EX_SCOM_HA_STAT] = 0x8000000000000000ull;
    mtspr(1014, 0x8000, HYPERVISOR);
    EXPECT_NE(capture.text().find("Starting new HA flush but HA_STAT_TPID_DONE bits are asserted already! "
                                  "0x8000000000000000"),
              std::string::npos);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(thread(i)->ha_flush_pending, 1) << i;
    EXPECT_EQ(core()->HID5.value & 0x8000, 0x8000u);
    // A new flush while one is pending marks the status register.
    scom.regs[EX_SCOM_HA_STAT] = 0;
    mtspr(1014, 0x8000, HYPERVISOR);
    EXPECT_EQ(scom.regs[EX_SCOM_HA_STAT], 0x0800000000000000ull);
}

TEST_F(SprTest, ToolAccessCutsThirtyTwoBitRegisters)
{
    FORCE_spr(thread(), 18, 0x100000005ull, 0);
    EXPECT_EQ(thread()->DSISR.value, 5u);
    EXPECT_EQ(GUESS_spr(thread(), 18, 0), 5u);
    EXPECT_EQ(GUESS_spr(thread(), 1024, 0), 0u);
    EXPECT_EQ(GUESS_spr(thread(), 2, 0), 0u);
}

// ---- base, time-base and control ----

TEST_F(SprTest, XerReadAndWriteMasks)
{
    thread()->XER.value = ~0ull;
    mfspr(1, PROBLEM);
    EXPECT_EQ(rt() & ~0xE00FFFFFull, 0u);
    option(PO_FXCC_FIELD_IN_XER, false);
    thread()->XER.value = 0x05000000;
    mtspr(1, 0x0A000000, PROBLEM);
    EXPECT_EQ(thread()->XER.value & 0x0F000000, 0x05000000u);
    EXPECT_EQ(thread()->XER.bits_written.mask, ~0ull);
}

TEST_F(SprTest, Tb40ReadRaisesOnlyInProblemState)
{
    mfspr(286, SUPERVISOR);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(rt(), MARKER);
    mfspr(286, PROBLEM);
    EXPECT_EQ(raised(), PRIVILEGED);
}

TEST_F(SprTest, PirWriteOnErvikIsIgnored)
{
    thread()->PIR.value = 0x21;
    mtspr(1023, 0x99, HYPERVISOR);
    EXPECT_EQ(last_result, 1);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(thread()->PIR.value, 0x21u);
}

TEST_F(SprTest, Srr1BitOneFollowsTheChipVersion)
{
    thread()->SRR1.value = 0x8000000000000003ull;
    mfspr(27, SUPERVISOR);
    EXPECT_EQ(rt(), 0x8000000000000002ull);
    Set_Chip_Version(core(), "DD3.0");
    mfspr(27, SUPERVISOR);
    EXPECT_EQ(rt(), 0x8000000000000003ull);
}

TEST_F(SprTest, TirInFourPartitionModeIsTheThreadInItsSubcore)
{
    core()->HID0.value = HID0_FOUR_PARTITIONS;
    for (int t = 0; t < 4; t++) {
        mfspr(446, SUPERVISOR, t);
        EXPECT_EQ(rt(t), (uint64_t)(t & 1)) << t;
    }
    mfspr(446, HYPERVISOR, 3);
    EXPECT_EQ(rt(3), 3u);
}

TEST_F(SprTest, CtrlReadOnlyShowsTheThreadsOwnRunLatch)
{
    core()->CTRL.value = 0x1000;
    mfspr(136, PROBLEM, 3);
    EXPECT_EQ(rt(3), 0x8001u);
    mfspr(136, PROBLEM, 2);
    EXPECT_EQ(rt(2), 0u);
    mfspr(136, HYPERVISOR, 3);
    EXPECT_EQ(rt(3), 0x1001u);
}

// ---- performance monitor ----

class PmuTest : public SprTest
{
  protected:
    // Counters of group 56 (PMC1 counts nothing, PMC5 instructions) with no watchers.
    PmuTest()
    {
        PMC_init_tables("zolt");
        info.thread = thread();
        info.group = PMC_INITIAL_GROUP;
        info.delta = PMC_INITIAL_DELTA;
        for (int n = 0; n < PMC_COUNTERS; n++)
            info.counters[n] = {&info, 0, PMC_OVERFLOW_POINT, nullptr, n};
        thread()->pmc_info = &info;
    }
    ~PmuTest() override { thread()->pmc_info = nullptr; }
    PMCInfo info{};
    void pmcc(uint64_t value) { thread()->MMCR0.value = value << 18; }
};

TEST_F(PmuTest, ProblemStateAccessByPmcc)
{
    thread()->PMC1.value = 5;
    PMC_set_counter(thread(), 1, 1005); // the live count
    thread()->PMC5.value = 7;
    pmcc(0);
    mfspr(771, PROBLEM);
    EXPECT_EQ(rt(), 1005u);
    mtspr(771, 1, PROBLEM);
    EXPECT_EQ(raised(), illegal("mtpmc1 and MSR/PR=1"));
    EXPECT_EQ(thread()->PMC1.value, 5u);

    pmcc(3);
    mfspr(775, PROBLEM);
    EXPECT_EQ(raised(), "43/0 facility 3");
    EXPECT_EQ(rt(), MARKER);
    mfspr(771, PROBLEM);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(rt(), 1005u);

    pmcc(2);
    thread()->MMCR0.value |= 0x12345678;
    uint64_t before = thread()->MMCR0.value;
    mtspr(779, ~0ull, PROBLEM);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(thread()->MMCR0.value & 0x7BFFFF7F, before & 0x7BFFFF7F);
}

TEST_F(PmuTest, UngatedSupervisorAliasWriteDoesNothing)
{
    option(PO_GLENT_PMCC_GATED_ACCESSIBLITY, false);
    thread()->PMC1.value = 5;
    mtspr(771, 99, SUPERVISOR);
    EXPECT_EQ(last_result, 1);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(thread()->PMC1.value, 5u);
}

TEST_F(PmuTest, FrozenCountersReadTheStoredValue)
{
    thread()->PMC5.value = 7;
    PMC_set_counter(thread(), 5, 7);
    thread()->Instruction_Number += 1000;
    thread()->MMCR0.value = 0x80000000;
    mfspr(791, SUPERVISOR);
    EXPECT_EQ(rt(), 7u);
    thread()->MMCR0.value = 0;
    mfspr(791, SUPERVISOR);
    EXPECT_EQ(rt(), 1007u);
}

TEST_F(PmuTest, CounterWriteInATransactionFailsIt)
{
    HTM_Clear_Failure(thread());
    thread()->PMC3.value = 4;
    mtspr(789, 9, SUPERVISOR, 0, TRANSACTIONAL);
    EXPECT_EQ(thread()->PMC3.value, 4u);
    EXPECT_EQ(HTM_Recorded_Cause(thread()), 0x1800000u);
    mtspr(789, 9, SUPERVISOR);
    EXPECT_EQ(thread()->PMC3.value, 9u);
}

TEST_F(PmuTest, Hid0GateDropsSupervisorCounterWrites)
{
    core()->HID0.value = 0x0400000000000000ull;
    mtspr(892, 3, SUPERVISOR);
    EXPECT_EQ(thread()->SPMC1.value, 0u);
    mtspr(892, 3, HYPERVISOR);
    EXPECT_EQ(thread()->SPMC1.value, 3u);
}

TEST_F(PmuTest, MissingHfscrBitRaisesHypervisorFacilityUnavailable)
{
    thread()->HFSCR.value = ~0x8ull;
    mfspr(787, SUPERVISOR);
    EXPECT_EQ(raised(), "44/0 hyper facility 3");
    mfspr(787, HYPERVISOR);
    EXPECT_EQ(raised(), "");
}

// ---- partition, storage keys, translation ----

TEST_F(SprTest, StorageKeyWrites)
{
    uint64_t version = current_xlate_version;
    thread()->AMR.value = 0x1111;
    thread()->UAMOR.value = 0;
    mtspr(13, ~0ull, PROBLEM);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(thread()->AMR.value, 0x1111u);
    EXPECT_EQ(current_xlate_version, version + 1);

    core()->AMOR.value = 0;
    mtspr(29, 0xF0F0F0F0F0F0F0F0ull, HYPERVISOR);
    EXPECT_EQ(thread()->AMR.value, 0xF0F0F0F0F0F0F0F0ull & Register_Entry_Mask(thread()->AMR.rfe));
    mtspr(29, 0, SUPERVISOR); // merged under AMOR 0: unchanged
    EXPECT_EQ(thread()->AMR.value, 0xF0F0F0F0F0F0F0F0ull & Register_Entry_Mask(thread()->AMR.rfe));
    mtspr(29, 0, PROBLEM);
    EXPECT_EQ(raised(), PRIVILEGED);
}

TEST_F(SprTest, LpcrWriteDropsTheUnsupportedBits)
{
    thread()->LPCR.value = 0;
    mtspr(318, 0x402 | 0x1000, HYPERVISOR);
    EXPECT_EQ(thread()->LPCR.value, 0x1000u & Register_Entry_Mask(thread()->LPCR.rfe));
}

TEST_F(SprTest, WatchpointRewriteAdvancesTheVersionWithoutAFlush)
{
    tc.test_machine.machine.mode = MODE_TURBO;
    thread()->DAWR0.value = 0x1000;
    uint64_t version = current_xlate_version;
    long long zaps = emat_zaps;
    mtspr(180, 0x1000, HYPERVISOR);
    EXPECT_EQ(current_xlate_version, version + 1);
    EXPECT_EQ(emat_zaps, zaps);
    mtspr(180, 0x2000, HYPERVISOR);
    EXPECT_EQ(emat_zaps, zaps + 1);
    tc.test_machine.machine.mode = MODE_SIMPLE;
}

TEST_F(SprTest, Hid1ReadOnlyIgnoresWrites)
{
    option(PO_HID1_READ_ONLY, true);
    core()->HID1.value = 0x5;
    mtspr(1009, ~0ull, HYPERVISOR);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(core()->HID1.value, 0x5u);
}

TEST_F(SprTest, DoorbellsInTwoPartitionMode)
{
    core()->DPDES.value = 0xFF;
    core()->HID0.value = HID0_TWO_PARTITIONS;
    mfspr(176, SUPERVISOR);
    EXPECT_EQ(rt(), 0x3u);
    core()->HID0.value = 0;
    mfspr(176, SUPERVISOR);
    EXPECT_EQ(rt(), 0xFFu);
}

// ---- transactional memory, event-based branches, facilities ----

TEST_F(SprTest, SimCtrlDisablesTransactionalSprs)
{
    thread()->SIM_CTRL.value = 0x100000000ull;
    thread()->TEXASR.value = 0x42;
    mfspr(130, SUPERVISOR);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(rt(), MARKER);
    mfspr(130, PROBLEM);
    EXPECT_EQ(raised(), illegal("SIM_CTRL_TM_disable and user mode"));
    mtspr(130, 1, SUPERVISOR);
    EXPECT_EQ(raised(), illegal("TM op is disabled by SIM_CTRL_TM_disable"));
    EXPECT_EQ(thread()->TEXASR.value, 0x42u);
}

TEST_F(SprTest, TfharWriteInSuspendedState)
{
    // The machine's operating system does not support transactions: the Bad Thing is taken by the
    // transactional-memory model, which fails the transaction with the exception cause instead.
    constexpr uint32_t EXCEPTION_CAUSE = 0x1600000, CAUSE_BITS = 0x1FFFFFF;
    HTM_Clear_Failure(thread());
    mtspr(128, 0x100, SUPERVISOR, 0, SUSPENDED);
    EXPECT_EQ(raised(), "");
    EXPECT_EQ(HTM_Recorded_Cause(thread()) & CAUSE_BITS, EXCEPTION_CAUSE);
    EXPECT_EQ(thread()->TFHAR.value, 0u);
    HTM_Clear_Failure(thread());
    thread()->SIM_CTRL1.value = 0x0200000000000000ull;
    mtspr(128, 0x100, SUPERVISOR, 0, SUSPENDED);
    EXPECT_EQ(raised(), "");
    EXPECT_FALSE(HTM_Failure_Recorded(thread()));
    EXPECT_EQ(thread()->TFHAR.value, 0x100u & Register_Entry_Mask(thread()->TFHAR.rfe));
    mtspr(128, 0x200, SUPERVISOR, 0, TRANSACTIONAL);
    EXPECT_EQ(HTM_Recorded_Cause(thread()) & CAUSE_BITS, EXCEPTION_CAUSE);
}

TEST_F(SprTest, EventBasedBranchRegisters)
{
    thread()->BESCR.value = 0;
    mtspr(801, 1, PROBLEM);
    EXPECT_EQ(thread()->BESCR.value, 0x100000000ull);
    mtspr(800, 0xC0000001, PROBLEM);
    mtspr(802, 0x40000000, PROBLEM);
    EXPECT_EQ(thread()->BESCR.value, 0x180000001ull);
    mtspr(803, 1, PROBLEM);
    EXPECT_EQ(thread()->BESCR.value, 0x80000001ull);

    HTM_Clear_Failure(thread());
    mtspr(804, 0x500, PROBLEM, 0, TRANSACTIONAL);
    EXPECT_EQ(thread()->EBBHR.value, 0u);
    EXPECT_EQ(HTM_Recorded_Cause(thread()), 0x1800000u);

    thread()->FSCR.value = ~0x80ull;
    mfspr(804, PROBLEM);
    EXPECT_EQ(raised(), "43/0 facility 7");
}

TEST_F(SprTest, TfiarAndTarInProblemState)
{
    thread()->TFIAR.value = 0x1000;
    mfspr(129, PROBLEM);
    EXPECT_EQ(rt(), 0u);
    thread()->TFIAR.value = 0x1001;
    mfspr(129, PROBLEM);
    EXPECT_EQ(rt(), 0x1001u & Register_Entry_Mask(thread()->TFIAR.rfe));

    thread()->FSCR.value = ~0x100ull;
    mfspr(815, PROBLEM);
    EXPECT_EQ(raised(), "43/0 facility 8");
}

// ---- core control, nest, debug ----

TEST_F(SprTest, HmerIsAndWritten)
{
    thread()->HMER.value = 0x8000000000000001ull;
    mtspr(336, ~0ull, HYPERVISOR);
    EXPECT_EQ(thread()->HMER.value, 0x8000000000000001ull & Register_Entry_Mask(thread()->HMER.rfe));
    mtspr(336, 0, HYPERVISOR);
    EXPECT_EQ(thread()->HMER.value, 0u);
}

TEST_F(SprTest, ScomdReadAutoIncrementsTheAddressWithWrap)
{
    // The auto-increment flag (0x400) lies inside the address field (0x7F8): field 0xFF wraps to 0.
    thread()->SCOMC.value = 0x800 | (0xFFull << 3);
    mfspr(277, HYPERVISOR);
    EXPECT_EQ(thread()->SCOMC.value, 0x800u);
    thread()->SCOMC.value = 0x400 | (0x10ull << 3);
    mtspr(277, 5, HYPERVISOR);
    EXPECT_EQ(thread()->SCOMC.value, 0x400u | (0x11u << 3));
}

TEST_F(SprTest, ThreadMatchedRegisters)
{
    core()->CSIGR.value = 0x77;
    core()->MMCRC.value = 0x20000 | (1ull << 18);
    mfspr(890, SUPERVISOR, 0);
    EXPECT_EQ(rt(0), 0u);
    mfspr(890, SUPERVISOR, 1);
    EXPECT_EQ(rt(1), 0x77u);
}

TEST_F(SprTest, PmcrRequestsAreClampedIntoPmsr)
{
    core()->PMSR.value = (0xF0ull << 40) | (0x7Full << 32);
    mtspr(884, 0x8000000000000000ull, HYPERVISOR);
    EXPECT_EQ(core()->PMSR.value >> 56, 0xF0u);
    mtspr(884, 0x0580000000000000ull, HYPERVISOR);
    EXPECT_EQ(core()->PMSR.value >> 56, 0x05u);
    EXPECT_EQ((core()->PMSR.value >> 48) & 0xFF, 0xF0u);
}

TEST_F(SprTest, InstructionMatchAndL2Registers)
{
    core()->IMC.value = 0x33;
    core()->IMA0.value = 0x44;
    mtspr(799, 0xABC5, HYPERVISOR);
    EXPECT_EQ(core()->IMC.value, 0x33u);
    EXPECT_EQ(core()->IMA0.value, 0x44u);

    core()->L2MVSR0.value = 0x300;
    mtspr(859, 0x100, HYPERVISOR);
    EXPECT_EQ(core()->L2MVSR0.value, 0x200u);

    core()->L2HADSR.value = 0x1234;
    mfspr(856, HYPERVISOR);
    EXPECT_EQ(rt(), 0u);
}

// ---- thread priority ----

class PriorityTest : public SprTest
{
  protected:
    PriorityTest()
    {
        thread()->x_smt_enable = 1;
        smt_SetPriority(thread(), 3);
    }
    uint32_t priority() { return (uint32_t)((COOKED_GET_TSRL(thread(), 0) >> 50) & 7); }
    void request(uint32_t p, State s) { mtspr(896, (uint64_t)p << 50, s); }
};

TEST_F(PriorityTest, ProblemStateRequests)
{
    option(PO_TSCR_DOES_NOT_CONTROL_PRIORITY, false);
    core()->TSCR.value = 0x8000;
    thread()->PSPB.value = 0;
    request(5, PROBLEM);
    EXPECT_EQ(priority(), 4u);
    thread()->PSPB.value = 1;
    request(5, PROBLEM);
    EXPECT_EQ(priority(), 5u);
    request(6, PROBLEM);
    EXPECT_EQ(priority(), 5u);
    core()->HID1.value = 1ull << 52;
    request(1, PROBLEM);
    EXPECT_EQ(priority(), 5u);
    core()->HID1.value = 0;
    request(1, PROBLEM);
    EXPECT_EQ(priority(), 1u);
}

TEST_F(PriorityTest, SupervisorWithoutTscrWritesNothing)
{
    option(PO_TSCR_DOES_NOT_CONTROL_PRIORITY, false);
    core()->TSCR.value = 0;
    thread()->TSRL.bits_written = RegBits64{};
    request(2, SUPERVISOR);
    EXPECT_EQ(priority(), 3u);
    EXPECT_EQ(thread()->TSRL.bits_written.valid, 0);
    core()->TSCR.value = 0x10000;
    request(6, SUPERVISOR);
    EXPECT_EQ(priority(), 6u);
    EXPECT_EQ(thread()->TSRL.bits_written.valid, 1);
}

TEST_F(PriorityTest, HypervisorRequests)
{
    request(7, HYPERVISOR);
    EXPECT_EQ(priority(), 7u);
    request(0, HYPERVISOR);
    EXPECT_EQ(priority(), 7u);
}

TEST_F(PriorityTest, ThirtyTwoBitViewReadsTheUpperWord)
{
    mfspr(898, PROBLEM);
    EXPECT_EQ(rt(), (3ull << 50) >> 32);
    mtspr(898, 2ull << 18, SUPERVISOR);
    EXPECT_EQ(priority(), 2u);
}

} // namespace
