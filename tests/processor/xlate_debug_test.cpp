// The translation-debug record: its texts for messages sent by hand (start, modes, pause, end,
// fail, flush, the record full), the 10,000-character bound, and the narration of real
// translations through the hashed page table, into a storage interrupt and across a page.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "exec/run_machine.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "mmu/address_translate.h"
#include "mmu/page_table.h"
#include "mmu/xlate_debug.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"

namespace
{

constexpr size_t LIMIT = XLATE_DEBUG_TEXT_SIZE - 1;
const std::string UNEXPECTED_END = "*** SIM_DEBUG_EXXLATE: unexpected message end. ***";

bool ends_with(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct NarrationOn {
    NarrationOn() { set_debug_flag(27, 1); }
    ~NarrationOn() { set_debug_flag(27, 0); }
};

// A bare thread with a record, narration on, the immediate lines captured.
class Record : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Xlate_Debug_Reset(record.get());
        thread.xlate_debug = record.get();
    }
    void send(int type, const AXD *axd, const char *text)
    {
        Record_Xlate_Debug(&thread, const_cast<AXD *>(axd), type, text);
    }
    static AXD access(uint64_t ea, int32_t page_shift = 12)
    {
        AXD axd = INITIAL_AXD;
        axd.ea = ea;
        axd.page_shift = page_shift;
        return axd;
    }
    const char *text(int i) const { return record->texts[i].text; }

    NarrationOn narration;
    SinkCapture sink;
    std::unique_ptr<Xlate_Debug> record = std::make_unique<Xlate_Debug>();
    ThreadState thread{};
};

TEST_F(Record, TranslationThatEndsNamesItsModeAndMovesOn)
{
    AXD a = access(0x10005ABC);
    send(XLAT_DEBUG_START, &a, "\nLoad(4) Mode:# EA=0x0000000010005ABC ");
    send(XLAT_DEBUG_Ervik_HPT, nullptr, "\nEA->VA hit SLB:3 ");
    send(XLAT_DEBUG_Ervik_RealMode, nullptr, "late "); // the mode is set once
    send(XLAT_DEBUG_INFO, nullptr, "PTE[R|C]:00=>10 ");
    a.page_shift = 16;
    send(XLAT_DEBUG_END, &a, " \n ");

    EXPECT_STREQ(text(0),
                 "\n*Instruction_Fetch_Translation: \n*Load(4) Mode: Ervik_HPT EA=0x0000000010005ABC "
                 "\n*EA->VA hit SLB:3 late PTE[R|C]:00=>10  \n ");
    EXPECT_EQ(record->texts[0].ea, 0x10005ABC);
    EXPECT_EQ(record->texts[0].page_shift, 16); // taken again at the end
    EXPECT_EQ(record->texts[0].mode, XLAT_DEBUG_Ervik_HPT);
    EXPECT_EQ(record->texts[0].failed, 0);
    EXPECT_EQ(record->current, 1);
    EXPECT_EQ(sink.lines(), (std::vector<std::string>{
                                "DEBUG: EXXLATE : cmd:Start message:Load(4) Mode:# EA=0x0000000010005ABC ",
                                "DEBUG: EXXLATE : cmd:SetMODE: Ervik_HPT message:EA->VA hit SLB:3 ",
                                "DEBUG: EXXLATE : cmd:SetMODE: Ervik_RealMode message:late ",
                                "DEBUG: EXXLATE : Xlate Mode Update: Ervik_RealMode ",
                                "DEBUG: EXXLATE : cmd:Info message:PTE[R|C]:00=>10 ",
                                "DEBUG: EXXLATE : cmd:End message: ",
                                " ",
                            }));
}

TEST_F(Record, NestedTranslationIsIndentedAndFailureMovesOn)
{
    AXD outer = access(0x1000), inner = access(0x2000);
    send(XLAT_DEBUG_START, &outer, "\nStore(8) Mode:# EA=1000 ");
    send(XLAT_DEBUG_Ervik_HPT, nullptr, "");
    send(XLAT_DEBUG_PAUSE, nullptr, "\nnested\n");
    send(XLAT_DEBUG_START, &inner, "\nLoad(8) Mode:# EA=2000 ");
    EXPECT_EQ(record->saved_ea, 0x1000);
    EXPECT_EQ(record->saved_mode, XLAT_DEBUG_Ervik_HPT);
    send(XLAT_DEBUG_Ervik_RealMode, nullptr, "\nreal");
    send(XLAT_DEBUG_END, &inner, " done");
    EXPECT_EQ(record->paused, 0);
    EXPECT_EQ(record->saved_ea, -1);
    EXPECT_EQ(record->current, 0); // the nested end closes no text
    EXPECT_EQ(record->texts[0].ea, 0x1000);
    EXPECT_EQ(record->texts[0].mode, XLAT_DEBUG_Ervik_HPT);
    send(XLAT_DEBUG_INFO, nullptr, "\nafter");
    send(XLAT_DEBUG_FAIL, nullptr, "\nINTERRUPT: DSI: Page Fault\n");

    EXPECT_STREQ(text(0),
                 "\n*Instruction_Fetch_Translation: \n*Store(8) Mode: Ervik_HPT EA=1000 \n*  nested\n"
                 "*  \n*  Load(8) Mode: Ervik_RealMode EA=2000 \n*  real done\n*after"
                 "\n*INTERRUPT: DSI: Page Fault\n");
    EXPECT_EQ(record->texts[0].failed, 1);
    EXPECT_EQ(record->current, 1);

    // Nothing started in text 1: a message is not recorded.
    send(XLAT_DEBUG_INFO, nullptr, "stray");
    EXPECT_STREQ(text(1), "");
    EXPECT_EQ(sink.lines().back(), "DEBUG: EXXLATE : Flushed(3) cmd Info xdp->flush:0 <stray>");

    // A failure inside a nested translation leaves no saved header behind for a later pause.
    AXD third = access(0x3000), fourth = access(0x7000);
    send(XLAT_DEBUG_START, &third, "\nLoad(4) Mode:# EA=3000 ");
    send(XLAT_DEBUG_PAUSE, nullptr, "");
    send(XLAT_DEBUG_START, &inner, "\nnested");
    send(XLAT_DEBUG_FAIL, nullptr, "\nINTERRUPT: DSI: Page Fault\n");
    EXPECT_EQ(record->texts[1].failed, 1);
    send(XLAT_DEBUG_START, &fourth, "\nLoad(4) Mode:# EA=7000 ");
    send(XLAT_DEBUG_PAUSE, nullptr, "");
    send(XLAT_DEBUG_END, &fourth, "");
    EXPECT_EQ(record->texts[2].ea, 0x7000);
    EXPECT_EQ(record->texts[2].page_shift, 12);
    EXPECT_EQ(record->current, 2);
}

TEST_F(Record, UnexpectedEndAndFullRecord)
{
    record->current = 1; // the fetch's text is done
    AXD first = access(0x2FF8), second = access(0x3000);
    send(XLAT_DEBUG_START, &first, "\nLoad(16) Mode:# EA=2FF8 ");
    send(XLAT_DEBUG_START, &second, "\nLoad(1) Mode:# EA=3000 ");
    send(XLAT_DEBUG_END, &second, " \n ");
    EXPECT_EQ(text(1), "\n*Data_Page_0_Translation: \n*Load(16) Mode:# EA=2FF8 " + UNEXPECTED_END);
    EXPECT_STREQ(text(2), "\n*Data_Page_1_Translation: \n*Load(1) Mode:# EA=3000  \n ");
    EXPECT_EQ(record->current, 3);

    send(XLAT_DEBUG_START, &first, "\nlost");
    EXPECT_TRUE(ends_with(sink.text(), "DEBUG: EXXLATE : Flushed(5) cmd Start xdp->flush:0 <\nlost>\n"));
    EXPECT_EQ(std::string(text(2)).find("lost"), std::string::npos);
}

TEST_F(Record, SecondAccessToDataPage0IsNotNarratedAgain)
{
    record->current = 1;
    AXD a = access(0x2000), same = access(0x2FF0), other = access(0x5000);
    send(XLAT_DEBUG_START, &a, "\nLoad(4) Mode:# EA=2000 ");
    send(XLAT_DEBUG_END, &a, " \n ");
    send(XLAT_DEBUG_START, &same, "\nLoad(4) Mode:# EA=2FF0 ");
    EXPECT_EQ(record->flush, 1);
    EXPECT_TRUE(ends_with(sink.text(),
                          "DEBUG: EXXLATE: Flushed(3) cmd Start xdp->flush:1 <\nLoad(4) Mode:# EA=2FF0 >\n"));
    send(XLAT_DEBUG_INFO, nullptr, "step ");
    EXPECT_EQ(sink.lines().back(), "DEBUG: EXXLATE : Flushed(2) cmd Info xdp->flush:1 <step >");
    send(XLAT_DEBUG_START, &other, "nested");
    EXPECT_EQ(sink.lines().back(), "DEBUG: EXXLATE : Flushed(1) cmd Start xdp->flush:2 <nested>");
    send(XLAT_DEBUG_END, &other, "");
    send(XLAT_DEBUG_END, &same, "");
    EXPECT_EQ(record->flush, 0);
    EXPECT_STREQ(text(2), "");

    send(XLAT_DEBUG_START, &other, "\nLoad(4) Mode:# EA=5000 ");
    EXPECT_STREQ(text(2), "\n*Data_Page_1_Translation: \n*Load(4) Mode:# EA=5000 ");

    // An explicit flush drops messages until a failure ends it; a negative depth keeps everything out.
    send(XLAT_DEBUG_FLUSH, nullptr, "");
    send(XLAT_DEBUG_INFO, nullptr, "dropped");
    send(XLAT_DEBUG_FAIL, nullptr, "dropped");
    EXPECT_EQ(record->flush, 0);
    EXPECT_EQ(record->texts[2].failed, 0);
    record->flush = -1;
    send(XLAT_DEBUG_INFO, nullptr, "off");
    EXPECT_EQ(std::string(text(2)).find("dropped"), std::string::npos);
    EXPECT_EQ(std::string(text(2)).find("off"), std::string::npos);
}

// Every way of growing a text stops at 9,999 characters and its terminator, leaving the next
// text's header untouched.
TEST_F(Record, TextsNeverPassTheirBound)
{
    std::string big(4000, 'x');
    std::string lines = "\n" + std::string(3000, 'y') + "\n";
    AXD a = access(0x1000);
    send(XLAT_DEBUG_START, &a, "\nLoad(4) Mode:# EA=1000 ");
    send(XLAT_DEBUG_PAUSE, nullptr, lines.c_str());
    for (int i = 0; i < 4; i++) {
        send(XLAT_DEBUG_INFO, nullptr, big.c_str());
        send(XLAT_DEBUG_INFO, nullptr, lines.c_str());
        EXPECT_LE(strlen(text(0)), LIMIT);
    }
    EXPECT_EQ(strlen(text(0)), LIMIT);
    send(XLAT_DEBUG_Ervik_TagsActiveSLS, nullptr, ""); // the name goes in, the tail is cut
    EXPECT_EQ(strlen(text(0)), LIMIT);
    EXPECT_EQ(std::string(text(0)).find("Mode: Ervik_TagsActiveSLS EA=1000 "),
              strlen("\n*Instruction_Fetch_Translation: \n*Load(4) "));
    EXPECT_EQ(record->texts[1].ea, -1); // the next text's header is untouched
    EXPECT_EQ(record->texts[1].page_shift, -1);
    AXD b = access(0x9000);
    send(XLAT_DEBUG_END, &b, "end"); // closes the pause only; nothing was saved, the header stays
    EXPECT_EQ(record->texts[0].ea, 0x1000);
    EXPECT_EQ(record->texts[0].mode, XLAT_DEBUG_Ervik_TagsActiveSLS);
    send(XLAT_DEBUG_START, &b, ""); // the unexpected-end mark on a full text
    EXPECT_EQ(strlen(text(0)), LIMIT);
    EXPECT_EQ(record->current, 1);

    // Message buffers are 4096 bytes: the formatted message is cut there, not the text.
    std::string huge(6000, 'z');
    Xlate_Debug_Printf(&thread, XLAT_DEBUG_INFO, nullptr, "%s", huge.c_str());
    EXPECT_EQ(strlen(text(1)), std::string("\n*Data_Page_0_Translation: ").size() + 4095);
}

TEST(InsertStrInStr, InsertsAndCutsAtTheRoom)
{
    struct Case {
        const char *text;
        size_t at, room;
        const char *insert, *expected;
    } cases[] = {
        {"abcdef", 2, 10, "XY", "abXYcdef"},
        {"abcdef", 2, 5, "XY", "abXYcd"},  // room of 5 from the place: 4 characters
        {"abcdef", 0, 4, "WXYZV", "WXY"},  // the string itself is cut
        {"abcdef", 6, 10, "!", "abcdef!"}, // at the end
        {"abc", 1, 1, "Q", "a"},           // no room beyond the terminator
    };
    for (const Case &c : cases) {
        char buffer[32];
        memset(buffer, '#', sizeof buffer);
        strcpy(buffer, c.text);
        InsertStrInStr(buffer + c.at, c.room, c.insert);
        EXPECT_STREQ(buffer, c.expected) << c.text << " + " << c.insert;
        EXPECT_EQ(buffer[c.at + c.room], c.at + c.room < strlen(c.text) + 1 ? c.text[c.at + c.room] : '#')
            << "written past the room";
    }
}

// A thread made while narration is on gets its record, every text not started.
TEST(NarrationRecord, MadeWithTheThreadWhileNarrationIsOn)
{
    NarrationOn narration;
    RunMachine r;
    ASSERT_TRUE(r.ok());
    const Xlate_Debug *made = r.t->xlate_debug;
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->current, 0);
    EXPECT_EQ(made->flush, 0);
    EXPECT_EQ(made->paused, 0);
    for (const Xlate_Debug_Text &t : made->texts) {
        EXPECT_EQ(t.ea, -1);
        EXPECT_EQ(t.page_shift, -1);
        EXPECT_EQ(t.mode, XLAT_DEBUG_MODE_NOT_SET);
        EXPECT_STREQ(t.text, "");
    }
}

// Real translations narrated into a record, with relocation on through the SLB and the page table.
class Narrated : public ::testing::Test
{
  protected:
    static constexpr uint64_t HTABORG = 0x1000000;
    static constexpr uint64_t VSID = 0x123;
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        iop = r.t->current_iop;
        Xlate_Debug_Reset(record.get());
        record->current = 1; // as after the fetch of the instruction
        r.t->xlate_debug = record.get();
        r.t->MSR.value = 0x9000000000000000ull | MSR_IR | MSR_DR;
        r.t->LPCR.value = 0x2000000000000200ull;                   // ISL and TC
        r.core->HID4.value = 5ull << 59 | 1ull << 30 | 1ull << 55; // RMSC 5, EN_RMSC, DIS_MPSS
        r.core->SDR1.value = HTABORG;
        ERAT_InvalidateAll(r.t, 0, "test");
        SLB *e = &r.t->slb[0];
        e->esid_base = 0x10000000;
        e->valid = 1;
        e->SLBE.value = e->esid_base | 0x8000000;
        SLB_Set_VSID_Word(e, VSID << 12);
        // The 4 KB page 0x10005000 maps to 0x200000, read/write.
        uint64_t group = HTABORG + (((VSID ^ 0x10005) << 7) & 0x3FF80);
        r.write(group, 8, VSID << 12 | ((0x10005000 >> 16) & 0xF80) | PTE_V);
        r.write(group + 8, 8, 0x200000 | 0x2);
    }
    void TearDown() override
    {
        r.t->xlate_debug = nullptr;
        Discard_Instruction_Bound_Exceptions(iop, 0);
    }
    int translate(uint64_t ea, int size)
    {
        iop->row = nullptr;
        axd = INITIAL_AXD;
        axd.ea = axd.orig_ea = ea;
        axd.size = (int16_t)size;
        axd.kind = AXD_KIND_LOAD;
        axd.iop = iop;
        return PPC_MMU_AddressTranslate(0, iop, &axd);
    }
    std::string text(int i) const { return record->texts[i].text; }

    RunMachine r;
    IOPDesc *iop = nullptr;
    AXD axd{};
    std::unique_ptr<Xlate_Debug> record = std::make_unique<Xlate_Debug>();
};

TEST_F(Narrated, HashedPageTableTranslation)
{
    NarrationOn narration;
    SinkCapture sink;
    ASSERT_EQ(translate(0x10005ABC, 4), XLATE_OK);
    const std::string t = text(1);
    EXPECT_EQ(t.rfind("\n*Data_Page_0_Translation: \n*Load(4) Mode: Ervik_HPT EA=0x0000000010005ABC "
                      "\n*LPCR[ISL]:1 LPCR[TC]:1 SDR1:0x0000000001000000 HID4[RMSC]:5 HID4[EN_RMSC]:1 "
                      "HID4[DIS_MPSS]:1 HID4[DIS_MPSSX]:0 HID4[SEL_PTE_LPX]:0 \n*EA->VA hit SLB:0 ",
                      0),
              0u)
        << t;
    for (const char *step : {"\n*PTE:0x", "PTE[R|C]:00=>10 ", "\n*WIMG:"})
        EXPECT_NE(t.find(step), std::string::npos) << step;
    EXPECT_TRUE(ends_with(t, " PA:0x0000000000200ABC  \n ")) << t;
    EXPECT_EQ(record->texts[1].mode, XLAT_DEBUG_Ervik_HPT);
    EXPECT_EQ(record->texts[1].failed, 0);
    EXPECT_EQ(record->current, 2);
    EXPECT_NE(sink.text().find("DEBUG: EXXLATE : cmd:SetMODE: Ervik_HPT message:EA->VA hit SLB:0 \n"),
              std::string::npos);
}

TEST_F(Narrated, StorageInterruptFailsTheText)
{
    NarrationOn narration;
    SinkCapture sink;
    ASSERT_EQ(translate(0x10009000, 4), XLATE_EXCEPTION); // no entry for the page
    const std::string t = text(1);
    EXPECT_NE(t.find("\n*PTEG-miss:0x"), std::string::npos) << t;
    EXPECT_NE(t.find("\n*DAR<-0x0000000010009000 DSISR<-0x40000000 "), std::string::npos) << t;
    EXPECT_TRUE(ends_with(t, "\n*INTERRUPT: DSI: Page Fault\n")) << t;
    EXPECT_EQ(record->texts[1].failed, 1);
    EXPECT_EQ(record->current, 2);
    // The next translation of the instruction starts the next text without a mark.
    Discard_Instruction_Bound_Exceptions(iop, 0);
    ASSERT_EQ(translate(0x10005000, 8), XLATE_OK);
    EXPECT_EQ(text(1).find(UNEXPECTED_END), std::string::npos);
    EXPECT_EQ(text(2).rfind("\n*Data_Page_1_Translation: \n*Load(8) Mode: Ervik_HPT", 0), 0u) << text(2);
}

TEST_F(Narrated, PageCrossingLeavesTheFirstTextUnended)
{
    NarrationOn narration;
    SinkCapture sink;
    r.core->options[PO_POWERPC_V2] = 1;
    r.core->options[PO_PAGE_CROSS_ALIGNMENT] = 0;
    r.t->MSR.value = 0x9000000000000000ull; // hypervisor real mode
    ASSERT_EQ(translate(0x2FFC, 8), XLATE_CROSSES_PAGE);
    EXPECT_EQ(text(1).rfind(
                  "\n*Data_Page_0_Translation: \n*Load(8) Mode: Ervik_HypvRealMode EA=0x0000000000002FFC", 0),
              0u)
        << text(1);
    EXPECT_TRUE(ends_with(text(1), UNEXPECTED_END)) << text(1);
    EXPECT_EQ(text(2).rfind(
                  "\n*Data_Page_1_Translation: \n*Load(1) Mode: Ervik_HypvRealMode EA=0x0000000000003000", 0),
              0u)
        << text(2);
    EXPECT_EQ(record->current, 3);
}

// Each path of the translation names its mode in place of the "#"; the paths that start from the
// segments first record the register summary line.
TEST_F(Narrated, ModesNamedByEachPath)
{
    NarrationOn narration;
    SinkCapture sink;
    constexpr uint64_t SF = 0x8000000000000000ull, HV = SF | MSR_HV, RELOCATED = MSR_IR | MSR_DR;
    constexpr uint64_t LPES1 = 0x4, RMLS_256M = 4ull << 26, VPM0 = 0x8000000000000000ull;
    struct Case {
        const char *name;
        uint64_t msr, lpcr;
        uint32_t tags_active;
        uint64_t ea;
        int mode;
        bool registers;
    };
    for (const Case &c : {
             Case{"hypervisor real mode", HV, 0, 0, 0x1000, XLAT_DEBUG_Ervik_HypvRealMode, false},
             Case{"hypervisor, address bit 63", HV, 0, 0, 0x8000000000001000ull, XLAT_DEBUG_Ervik_RealMode,
                  false},
             Case{"partition real mode", SF, LPES1 | RMLS_256M, 0, 0x1000, XLAT_DEBUG_Ervik_RealMode, false},
             Case{"virtual real mode", SF, LPES1 | VPM0, 0, 0x1000, XLAT_DEBUG_Ervik_VirtualRealMode, true},
             Case{"page table", HV | RELOCATED, 0, 0, 0x10005000, XLAT_DEBUG_Ervik_HPT, true},
             Case{"tags active, SLB storage", HV | RELOCATED | MSR_TA, 0, 1, 0x10005000,
                  XLAT_DEBUG_Ervik_TagsActivePLS, true},
             Case{"tags active, single-level storage", HV | RELOCATED | MSR_TA, 0, 1, 0x0001000000000000ull,
                  XLAT_DEBUG_Ervik_TagsActiveSLS, true},
         }) {
        SCOPED_TRACE(c.name);
        Discard_Instruction_Bound_Exceptions(iop, 0);
        Xlate_Debug_Reset(record.get());
        record->current = 1;
        r.t->MSR.value = c.msr;
        r.t->LPCR.value = c.lpcr;
        r.core->options[PO_TAGS_ACTIVE] = c.tags_active;
        r.core->options[PO_LPES_1_REMOVED] = 0;
        translate(c.ea, 4);
        EXPECT_EQ(record->texts[1].mode, c.mode);
        const std::string start = std::string("\n*Data_Page_0_Translation: \n*Load(4) Mode: ") +
                                  Xlate_Debug_Type_Name[c.mode] + " EA=";
        EXPECT_EQ(text(1).rfind(start, 0), 0u) << text(1);
        EXPECT_EQ(text(1).find("\n*LPCR[ISL]:") != std::string::npos, c.registers) << text(1);
    }
    r.core->options[PO_TAGS_ACTIVE] = 0;
}

TEST_F(Narrated, NothingWithNarrationOff)
{
    SinkCapture sink;
    ASSERT_EQ(translate(0x10005ABC, 4), XLATE_OK);
    ASSERT_EQ(translate(0x10009000, 4), XLATE_EXCEPTION);
    EXPECT_EQ(text(1), "");
    EXPECT_EQ(text(2), "");
    EXPECT_EQ(record->current, 1);
    EXPECT_EQ(sink.text(), "");
}

} // namespace
