// The cycle-level core's IOPDesc hand-out and the machine-wide reservation reset.
#include <gtest/gtest.h>

#include "core/processor_unit_services.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "support/test_machine.h"

namespace
{

TEST(ProcessorUnit, ResetClearsEveryReservationOfEveryChip)
{
    TestMachine machine("m", 2);
    machine.create_chips();
    MemoryClient *clients[4];
    for (int i = 0; i < 4; i++) {
        MCM *chip = machine.machine.mcms[i / 2];
        chip->reservation_granule = 128;
        clients[i] = MemoryClientCreate(&machine.machine, chip, "client", (uint32_t)i);
        create_reservation(clients[i], 0x1000 * (uint64_t)(i + 1), 4);
    }
    for (MemoryClient *client : clients)
        ASSERT_EQ(client->reservation_valid, 1);
    reset_core_reservations(&machine.machine);
    for (int c = 0; c < 2; c++) {
        EXPECT_EQ(machine.machine.mcms[c]->mbus->memory_map->reservations, nullptr);
        EXPECT_EQ(machine.machine.mcms[c]->mbus->memory_map->reservation_count, 0);
    }
    for (MemoryClient *client : clients)
        EXPECT_EQ(client->reservation_valid, 0);
    reset_core_reservations(&machine.machine); // nothing left: no effect
}

TEST(ProcessorUnit, CycleRecordsArePreparedOnceAndClearedEveryTime)
{
    ThreadState thread{};
    IOPDesc *iop = get_Instruction_Cycle(&thread);
    ASSERT_NE(iop, nullptr);
    EXPECT_EQ(iop->thread, &thread);
    EXPECT_EQ(iop->fetch.kind, AXD_KIND_FETCH);
    EXPECT_EQ(iop->fetch.size, 4);
    EXPECT_EQ(iop->fetch.iop, iop);
    EXPECT_EQ(iop->data.iop, iop);

    iop->deferred_triggers = 6;
    iop->finished = 1;
    iop->exceptions = reinterpret_cast<PowerPCException *>(iop); // any non-null list
    iop->fetch.size = 2;
    return_Instruction(iop);
    ThreadState other{};
    IOPDesc *again = get_Instruction_Cycle(&other);
    EXPECT_EQ(again, iop); // from the free list
    EXPECT_EQ(again->thread, &other);
    EXPECT_EQ(again->deferred_triggers, 0);
    EXPECT_EQ(again->finished, 0);
    EXPECT_EQ(again->exceptions, nullptr);
    EXPECT_EQ(again->fetch.size, 2); // prepared once only
    return_Instruction(again);
}

} // namespace
