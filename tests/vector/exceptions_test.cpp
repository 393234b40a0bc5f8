// Exception records and interrupt helpers: the time stamp, the Hypervisor Maintenance interrupt
// with and without an instruction, the wrtee/wrteei workers and the mediated-interrupt test.
#include "interrupts/interrupt_queue.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/records/exception_record.h"
#include "processor/time/time_domain.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"
#include "vec_fixture.h"
#include "processor/hooks/hmi.h"
#include "vector/msr_ee.h"

namespace vec_test
{
namespace
{

class Helpers : public VecTest
{
  protected:
    ~Helpers() override
    {
        ew.core.core->core_domain = nullptr;
        Start_The_Simulation();
    }
    tsim_s *kernel() { return ew.core.test_machine.machine.tsim; }
};

TEST_F(Helpers, TimeStampInProcessorCycles)
{
    time_domain domain{};
    domain.ticks_per_cycle = 3;
    ew.core.core->core_domain = &domain;
    kernel()->now = 7;
    PowerPCException *record = ThreadState__New_Exception(ew.t, EXC_HMI, 0);
    EXPECT_EQ(record->schedule_cycle, 3u);
    FreeException(record, __FILE__, __LINE__);
    kernel()->now = 0;
    record = ThreadState__New_Exception(ew.t, EXC_HMI, 0);
    EXPECT_EQ(record->schedule_cycle, 0u);
    FreeException(record, __FILE__, __LINE__);

    SinkCapture sink;
    tsim_s *saved = kernel();
    ew.core.test_machine.machine.tsim = nullptr;
    record = ThreadState__New_Exception(ew.t, EXC_HMI, 0);
    ew.core.test_machine.machine.tsim = saved;
    EXPECT_EQ(record->schedule_cycle, 0u);
    FreeException(record, __FILE__, __LINE__);
    EXPECT_NE(sink.text().find("tsim in machine is NULL!!!!"), std::string::npos) << sink.text();
}

TEST_F(Helpers, HmiFromAPrivilegedInstruction)
{
    SinkCapture sink;
    msr() = MSR_SF | MSR_HV | MSR_EE; // hypervisor state: PR off, HV on
    IOPDesc *iop = ew.prepare(0x7C000000);
    PowerPCException *record = interrupt_HMI(iop, ew.t);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(iop->exceptions, record);
    EXPECT_EQ(record->type, 39);
    EXPECT_EQ(record->save_to, 1);
    EXPECT_EQ(record->hypervisor, 1);
    EXPECT_EQ(record->srr1_clear, 0x783F0000u);
    EXPECT_STREQ(record->detail, "Hypervisor Maintenance");
    const std::string text = sink.text();
    EXPECT_NE(text.find("HMI: Hypervisor Maintenance Interrupt with PR bit of MSR off"), std::string::npos);
    EXPECT_NE(text.find("HMI: Hypervisor Maintenance Interrupt with HV bit of MSR on"), std::string::npos);
    EXPECT_EQ(text.find("EE bit"), std::string::npos);
}

TEST_F(Helpers, HmiWithoutAnInstructionIsQueuedOnTheThread)
{
    SinkCapture sink;
    PowerPCException *record = interrupt_HMI(nullptr, ew.t);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(ew.t->interrupt_queue.head, record);
    EXPECT_STREQ(record->detail, "Hypervisor Maintenance");
    EXPECT_EQ(sink.text(), ""); // no MSR report without an instruction
    UnScheduleException(ew.t, record, "test");
    FreeException(record, __FILE__, __LINE__);
}

TEST_F(Helpers, WrteeAndWrteei)
{
    struct Case {
        bool immediate;
        uint64_t rs;
        uint64_t msr_before;
        bool ee_after;
    } cases[] = {
        {false, 0x8000, MSR_SF | MSR_HV, true},
        {false, 0x7FFF, MSR_SF | MSR_HV | MSR_EE, false},
        {true, 0, MSR_SF | MSR_HV, true},
    };
    for (const Case &c : cases) {
        msr() = c.msr_before;
        gpr(6) = c.rs;
        IOPDesc *iop = ew.prepare(c.immediate ? (0x7C000146 | 0x8000) : (0x7C000106 | (6u << 21)));
        EXPECT_EQ(c.immediate ? core_wrteei(iop) : core_wrtee(iop), 1);
        EXPECT_EQ((msr() & MSR_EE) != 0, c.ee_after) << c.rs;
        EXPECT_EQ(msr() & ~MSR_EE, MSR_SF | MSR_HV);
    }
}

TEST_F(Helpers, MediatedInterruptNotInHypervisorState)
{
    ew.t->LPCR.value = 0x800;
    msr() = MSR_SF | MSR_HV | MSR_EE;
    CheckForMediatedInterrupt(ew.prepare(0x60000000));
    EXPECT_EQ(ew.t->interrupt_queue.head, nullptr);
    CheckForMediatedInterrupt(nullptr);
    msr() = MSR_SF | MSR_EE;
    CheckForMediatedInterrupt(ew.prepare(0x60000000));
    PowerPCException *record = ew.t->interrupt_queue.head;
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->type, EXC_MEDIATED_EXTERNAL);
    UnScheduleException(ew.t, record, "test");
    FreeException(record, __FILE__, __LINE__);
}

} // namespace
} // namespace vec_test
