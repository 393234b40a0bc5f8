// Instruction records and exception records: hand-out and reuse, blank no-op records, pools,
// names, discarding and lookup; the initial access descriptor.
#include <gtest/gtest.h>

#include "decode/decoder.h"
#include "decode/instr_tables.h"
#include "processor/records/exception_record.h"
#include "register_fixture.h"
#include "support/sink_capture.h"

namespace
{

TEST(InstructionRecords, HandOutNumbersAndReusesRecords)
{
    ThreadState thread{};
    IOPDesc *first = get_Instruction(&thread);
    IOPDesc *second = get_Instruction(&thread);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->sequence_number, first->sequence_number + 1);
    EXPECT_EQ(first->thread, &thread);

    // A new record comes prepared: length 4, descriptors from the initial image owned by it.
    EXPECT_EQ(second->length, 4);
    EXPECT_EQ(second->fetch.kind, AXD_KIND_FETCH);
    EXPECT_EQ(second->fetch.size, 4);
    EXPECT_EQ(second->fetch.iop, second);
    EXPECT_EQ(second->fetch.page_shift, 12);
    EXPECT_EQ(second->data.iop, second);
    EXPECT_EQ(second->data.size2, -1);
    EXPECT_EQ(second->result_gpr2.owner, second);
    EXPECT_EQ(second->core_next, second);

    second->algebraic = 1;
    second->byte_reversed = 1;
    second->word = 0x7C000214;
    return_Instruction(second);
    IOPDesc *again = get_Instruction(nullptr);
    EXPECT_EQ(again, second);
    EXPECT_EQ(again->sequence_number, first->sequence_number + 2);
    EXPECT_EQ(again->thread, nullptr);
    EXPECT_EQ(again->algebraic, 0);
    EXPECT_EQ(again->byte_reversed, 0);
    EXPECT_EQ(again->word, 0x7C000214u); // what the caller did not ask to be reset stays
    return_Instruction(again);
    return_Instruction(first);
}

InstrInfo *(*real_decoder)(InstrInfo *, uint32_t) = nullptr;
int decodes = 0;
InstrInfo *counting_decoder(InstrInfo *table, uint32_t word)
{
    decodes++;
    return real_decoder(table, word);
}

TEST(InstructionRecords, BlankRecordsDecodeTheNoOpOnce)
{
    ASSERT_NE(SelectDecoder("Ervik"), nullptr);
    real_decoder = DecodeInstr;
    DecodeInstr = counting_decoder;
    IOP_Nop_Row = nullptr;
    decodes = 0;

    ThreadState thread{};
    IOPDesc one, two;
    memset(&two, 0xA5, sizeof two);
    INITIAL_IOP(&one, &thread);
    INITIAL_IOP(&two, nullptr);
    EXPECT_EQ(decodes, 1);
    EXPECT_EQ(one.row, two.row);
    EXPECT_EQ(one.row, DecodeInstr_Ervik(instruction_info_table, NOP_INSTRUCTION_WORD));
    EXPECT_EQ(two.word, NOP_INSTRUCTION_WORD);
    EXPECT_EQ(two.thread, nullptr);
    EXPECT_EQ(two.exceptions, nullptr);
    EXPECT_EQ(two.fetch.iop, nullptr); // the descriptors stay zero
    EXPECT_EQ(two.deferred_triggers, 0);
    DecodeInstr = real_decoder;
}

TEST(ExceptionRecords, PoolsResetAndNames)
{
    ThreadState thread{};
    PowerPCException *record = GetException(&thread);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->thread, &thread);
    EXPECT_EQ(record->instruction_address, ~0ull);
    EXPECT_EQ(record->msr_at_instruction, ~0ull);
    record->type = 8;
    record->subtype = 0;
    EXPECT_STREQ(Exception_Name(record), "DATA_STORAGE");
    record->detail = "stwcx. to I=1";
    EXPECT_STREQ(Exception_Name(record), "DATA_STORAGE (stwcx. to I=1)");
    record->type = 99;
    record->detail = nullptr;
    EXPECT_STREQ(Exception_Name(record), "unknown");

    // Freed to its thread's list, taken from there first, then from the global list.
    record->dar = 5;
    FreeException(record, __FILE__, __LINE__);
    EXPECT_EQ(thread.exception_pool, record);
    EXPECT_EQ(record->detail, nullptr);
    PowerPCException *loose = GetException(nullptr);
    EXPECT_NE(loose, record);
    FreeException(loose, __FILE__, __LINE__);
    EXPECT_EQ(Free_Exception_Pool_Head, loose);
    PowerPCException *again = GetException(&thread);
    EXPECT_EQ(again, record);
    EXPECT_EQ(again->dar, 0u);
    EXPECT_EQ(again->type, 99); // the caller sets type and subtype
    EXPECT_EQ(GetException(&thread), loose);
    EXPECT_EQ(Free_Exception_Pool_Head, nullptr);
    FreeException(again, __FILE__, __LINE__);
    FreeException(loose, __FILE__, __LINE__);
    Quit_ExceptionPool(&thread.exception_pool);
    EXPECT_EQ(thread.exception_pool, nullptr);
    Quit_GlobalExceptionPool();
    EXPECT_EQ(Free_Exception_Pool_Head, nullptr);
}

TEST(ExceptionRecords, DiscardingAndLookup)
{
    TestCore fixture(1);
    fixture.build();
    ThreadState *t = fixture.thread();
    IOPDesc *iop = fixture.iop();
    const int types[] = {28, 8, 17};
    for (int type : types) {
        PowerPCException *e = GetException(t);
        e->type = type;
        e->next = iop->exceptions;
        if (iop->exceptions) iop->exceptions->prev = e;
        iop->exceptions = e;
    }
    iop->exceptions->detail = "spurious";
    {
        SinkCapture capture;
        Discard_Instruction_Bound_Exceptions(iop, 1);
        EXPECT_EQ(capture.text(), "INFO: instruction discarded exception of type EXTERNAL (spurious)\n"
                                  "INFO: instruction discarded exception of type DATA_STORAGE\n"
                                  "INFO: instruction discarded exception of type HEA\n");
    }
    EXPECT_EQ(iop->exceptions, nullptr);
    int pooled = 0;
    for (PowerPCException *e = t->exception_pool; e; e = e->next) {
        EXPECT_EQ(e->prev, nullptr);
        pooled++;
    }
    EXPECT_EQ(pooled, 3);
    {
        SinkCapture capture;
        PowerPCException *e = GetException(t);
        e->type = 4;
        iop->exceptions = e;
        Discard_Instruction_Bound_Exceptions(iop, 0);
        EXPECT_EQ(capture.text(), "");
    }

    PowerPCException *queued[2];
    for (int i = 0; i < 2; i++) {
        queued[i] = GetException(t);
        queued[i]->type = 18;
    }
    queued[0]->next = queued[1];
    queued[1]->prev = queued[0];
    t->interrupt_queue.head = queued[0];
    EXPECT_EQ(FindException_ByType(t, 18), queued[0]);
    EXPECT_EQ(FindException_ByType(t, 17), nullptr);
    t->turbo.in_pturbo = 1; // under the parallel translator the walk takes the thread's lock
    EXPECT_EQ(FindException_ByType(t, 18), queued[0]);
    t->interrupt_queue.head = nullptr;
    for (PowerPCException *e : queued)
        FreeException(e, __FILE__, __LINE__);
    Quit_ExceptionPool(&t->exception_pool);
}

TEST(AccessDescriptor, InitialImage)
{
    EXPECT_EQ(sizeof(AXD), 136u);
    EXPECT_EQ(INITIAL_AXD.ea, 0u);
    EXPECT_EQ(INITIAL_AXD.size, 0);
    EXPECT_EQ(INITIAL_AXD.size2, -1);
    EXPECT_EQ(INITIAL_AXD.row_size, -1);
    EXPECT_EQ(INITIAL_AXD.align, -1);
    EXPECT_EQ(INITIAL_AXD.erat_class, 0xFFFFFFFFu);
    EXPECT_EQ(INITIAL_AXD.page_shift, 12);
    EXPECT_EQ(INITIAL_AXD.closing[0], ~0ull);
    EXPECT_EQ(INITIAL_AXD.closing[1], ~0ull);
    EXPECT_EQ(INITIAL_AXD.iop, nullptr);
    EXPECT_EQ(INITIAL_AXD.pa, 0u);
}

} // namespace
