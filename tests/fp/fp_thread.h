// A hardware thread for the tests of FPSCR handling and result delivery: a core with one thread
// and its registers (tests/processor/register_fixture.h), instruction records decoded as a named
// row with the instruction's FPSCR accumulation started, and the processor options set by hand.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <initializer_list>

#include "fp/fpscr.h"
#include "decode/instr_info.h"
#include "processor/records/exception_record.h"
#include "processor/config/processor_options.h"
#include "processor/register_fixture.h"

class FPThread
{
  public:
    explicit FPThread(std::initializer_list<int> options = {})
    {
        core.set("processor/mask/FPSCR", "0x00000007FFFFF7FF"); // the Ervik processor's
        core.build();
        for (int option : options)
            core.core->options[option] = 1;
    }
    ~FPThread()
    {
        for (IOPDesc *record : made)
            Discard_Instruction_Bound_Exceptions(record, 0);
        Quit_ExceptionPool(&core.thread()->exception_pool);
    }
    FPThread(const FPThread &) = delete;
    FPThread &operator=(const FPThread &) = delete;

    // A record of the thread for the row of that mnemonic, its FPSCR accumulation started.
    IOPDesc *iop(const char *mnemonic)
    {
        IOPDesc *record = core.iop();
        record->row = Search_II_Table(instruction_info_table, mnemonic);
        EXPECT_NE(record->row, nullptr) << mnemonic;
        FPSCR_Start_Instruction(record);
        made.push_back(record);
        return record;
    }
    // The record made again for another instruction of that row (for long sweeps).
    IOPDesc *reuse(IOPDesc *record, const char *mnemonic)
    {
        Discard_Instruction_Bound_Exceptions(record, 0);
        memset(record, 0, sizeof *record);
        record->thread = core.thread();
        record->length = 4;
        record->row = Search_II_Table(instruction_info_table, mnemonic);
        FPSCR_Start_Instruction(record);
        return record;
    }
    ThreadState *thread() { return core.thread(); }
    uint64_t &fpscr() { return core.thread()->FPSCR.value; }
    void option(int option, bool on) { core.core->options[option] = on ? 1 : 0; }

    TestCore core{1};

  private:
    std::deque<IOPDesc *> made;
};
