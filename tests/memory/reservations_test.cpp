// Load-and-reserve reservations: set and clear with the chip's list and count, the
// store-conditional test and its options, revoking by address and by range.
#include <gtest/gtest.h>

#include <vector>

#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/axd.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "support/test_machine.h"

namespace
{

constexpr int32_t GRANULE = 128;

class Reservations : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        machine.create_chips();
        chip()->reservation_granule = GRANULE;
        for (int i = 0; i < 3; i++) {
            clients[i] = MemoryClientCreate(&machine.machine, chip(), "client", (uint32_t)i);
            threads[i].processor = &core;
            threads[i].mcm = chip();
            threads[i].memory_client = clients[i];
            threads[i].name = const_cast<char *>("t");
        }
    }
    MCM *chip() { return machine.chip(); }
    MemoryMap *map() { return machine.map(); }
    std::vector<MemoryClient *> listed()
    {
        std::vector<MemoryClient *> list;
        for (MemoryClient *c = map()->reservations; c; c = c->reservation_next)
            list.push_back(c);
        return list;
    }
    // The store-conditional of thread i at a real address with a size.
    int stcx(int i, uint64_t address, int16_t size)
    {
        AXD access = INITIAL_AXD;
        access.pa = address;
        access.size = size;
        access.kind = AXD_KIND_STORE;
        return stcx_has_proper_reservation(&threads[i], &access);
    }

    TestMachine machine;
    ProcessorState core{};
    ThreadState threads[3] = {};
    MemoryClient *clients[3] = {};
};

TEST_F(Reservations, DeletingAClientGivesBackItsReservation)
{
    create_reservation(clients[0], 0x1000, 4);
    create_reservation(clients[1], 0x2000, 4);
    ASSERT_EQ(map()->reservation_count, 2);
    MemoryClientDelete(chip(), clients[0]);
    threads[0].memory_client = clients[0] = nullptr;
    EXPECT_EQ(map()->reservation_count, 1);
    EXPECT_EQ(listed(), std::vector<MemoryClient *>{clients[1]});
}

TEST_F(Reservations, ASecondReserveReplacesTheFirst)
{
    create_reservation(clients[0], 0x1234, 4);
    create_reservation(clients[0], 0x5678, 8);
    EXPECT_EQ(listed(), std::vector<MemoryClient *>{clients[0]});
    EXPECT_EQ(map()->reservation_count, 1);
    EXPECT_EQ(clients[0]->reservation_valid, 1);
    EXPECT_EQ(clients[0]->reservation_address, 0x5600u); // rounded down to the granule
    EXPECT_EQ(clients[0]->reservation_length, 8);

    create_reservation(clients[1], 0x100, 4);
    EXPECT_EQ(listed(), (std::vector<MemoryClient *>{clients[1], clients[0]}));
    EXPECT_EQ(map()->reservation_count, 2);

    // Clearing unlinks and gives the follower; a second clear does nothing.
    EXPECT_EQ(clear_reservation_bit(clients[1]), clients[0]);
    EXPECT_EQ(clear_reservation_bit(clients[1]), nullptr);
    EXPECT_EQ(listed(), std::vector<MemoryClient *>{clients[0]});
    EXPECT_EQ(map()->reservation_count, 1);
    EXPECT_EQ(clients[1]->reservation_next, nullptr);
    EXPECT_EQ(clear_reservation_bit_notrace(clients[0]), nullptr);
    EXPECT_EQ(map()->reservation_count, 0);
    EXPECT_TRUE(listed().empty());
}

TEST_F(Reservations, StoreConditionalConsumesTheReservation)
{
    create_reservation(clients[1], 0x9000, 4); // another client's keeps the count at 1
    EXPECT_EQ(stcx(0, 0x1000, 4), 0);
    EXPECT_EQ(map()->reservation_count, 1);

    create_reservation(clients[0], 0x1000, 4);
    EXPECT_EQ(stcx(0, 0x1000, 4), 1);
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(map()->reservation_count, 1);
    EXPECT_EQ(stcx(0, 0x1000, 4), 0); // consumed

    // A failing store-conditional consumes it too.
    core.options[PO_STWCX_FAILS_IF_ADDRESSES_DIFFER] = 1;
    create_reservation(clients[0], 0x1000, 4);
    EXPECT_EQ(stcx(0, 0x2000, 4), 0);
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(map()->reservation_count, 1);
}

TEST_F(Reservations, StoreConditionalOptions)
{
    struct Case {
        uint32_t option; // 0: none
        uint64_t address;
        int16_t size;
        int expected;
    } cases[] = {
        {0, 0xFFFF0, 1, 1}, // without options anything succeeds while the reservation holds
        {PO_STWCX_FAILS_IF_ADDRESSES_DIFFER, 0x1010 + 0x60, 8, 1}, // same granule
        {PO_STWCX_FAILS_IF_ADDRESSES_DIFFER, 0x1080, 8, 0},
        {PO_STWCX_FAILS_IF_ON_DIFFERENT_PAGES, 0x1F80, 8, 1}, // another granule of the page
        {PO_STWCX_FAILS_IF_ON_DIFFERENT_PAGES, 0x2000, 8, 0},
        {PO_STWCX_FAILS_IF_LENGTHS_DIFFER, 0x5000, 8, 1},
        {PO_STWCX_FAILS_IF_LENGTHS_DIFFER, 0x1010, 4, 0},
    };
    for (const Case &c : cases) {
        for (uint32_t option : {PO_STWCX_FAILS_IF_ADDRESSES_DIFFER, PO_STWCX_FAILS_IF_ON_DIFFERENT_PAGES,
                                PO_STWCX_FAILS_IF_LENGTHS_DIFFER})
            core.options[option] = option == c.option;
        create_reservation(clients[0], 0x1010, 8);
        EXPECT_EQ(stcx(0, c.address, c.size), c.expected) << c.option << " " << std::hex << c.address;
        EXPECT_EQ(map()->reservation_count, 0);
    }
}

TEST_F(Reservations, RevokingByAddressSparesTheStorer)
{
    int callbacks = 0;
    clients[2]->revoke_callback = [](void *data) { ++*static_cast<int *>(data); };
    clients[2]->revoke_data = &callbacks;
    for (MemoryClient *c : clients)
        create_reservation(c, 0x4000, 4);
    create_reservation(clients[1], 0x4040, 4); // same granule
    revoke_core_reservations(chip(), clients[1], 0x407F);
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(clients[1]->reservation_valid, 1);
    EXPECT_EQ(clients[2]->reservation_valid, 0);
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(listed(), std::vector<MemoryClient *>{clients[1]});
    EXPECT_EQ(map()->reservation_count, 1);

    // Another granule revokes nothing; the storer's own reservation falls to others' stores.
    revoke_core_reservations(chip(), nullptr, 0x4080);
    EXPECT_EQ(clients[1]->reservation_valid, 1);
    MemoryClient *next = clients[0];
    EXPECT_EQ(revoke_reservation(clients[1], 0x3FFF, &next), 0);
    EXPECT_EQ(next, nullptr);
    EXPECT_EQ(revoke_reservation(clients[1], 0x4000, &next), 1);
    EXPECT_EQ(map()->reservation_count, 0);
}

TEST_F(Reservations, RevokingARange)
{
    auto reserve_all = [&] {
        create_reservation(clients[0], 0x1000, 4); // granule 0x1000
        create_reservation(clients[1], 0x1080, 4); // granule 0x1080
        create_reservation(clients[2], 0x1100, 4); // granule 0x1100
    };
    reserve_all();
    revoke_core_reservations_range(chip(), nullptr, 0x107F, 1);
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(clients[1]->reservation_valid, 1);
    EXPECT_EQ(clients[2]->reservation_valid, 1);

    reserve_all();
    revoke_core_reservations_range(chip(), nullptr, 0x107F, 2); // crosses into 0x1080
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(clients[1]->reservation_valid, 0);
    EXPECT_EQ(clients[2]->reservation_valid, 1);

    reserve_all();
    revoke_core_reservations_range(chip(), clients[1], 0x1000, 0x200);
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(clients[1]->reservation_valid, 1);
    EXPECT_EQ(clients[2]->reservation_valid, 0);
    revoke_core_reservations_range(chip(), nullptr, 0x1000, 0); // an empty range touches nothing
    EXPECT_EQ(clients[1]->reservation_valid, 1);
}

TEST_F(Reservations, ARangeEndingAtTheTopOfTheAddressSpaceEnds)
{
    create_reservation(clients[0], 0x1000, 4); // stays: the count never drops to 0
    create_reservation(clients[1], ~0ull, 1);
    revoke_core_reservations_range(chip(), nullptr, ~0ull - 0x1FF, 0x200);
    EXPECT_EQ(clients[1]->reservation_valid, 0);
    revoke_core_reservations_range(chip(), nullptr, ~0ull - 0x1FF, 0x1000); // runs past the top
    EXPECT_EQ(clients[0]->reservation_valid, 1);
    EXPECT_EQ(map()->reservation_count, 1);
}

TEST_F(Reservations, EmbeddingInterfaceSetsAndClearsTheFlag)
{
    LIBSIM__SetReservationBit(&threads[0], 1);
    EXPECT_EQ(clients[0]->reservation_valid, 1);
    EXPECT_EQ(map()->reservation_count, 1);
    LIBSIM__SetReservationBit(&threads[0], 0);
    EXPECT_EQ(clients[0]->reservation_valid, 0);
    EXPECT_EQ(map()->reservation_count, 0);
    LIBSIM__SetReservationBit(nullptr, 1);
    ThreadState no_client{};
    LIBSIM__SetReservationBit(&no_client, 1);
}

TEST_F(Reservations, CycleModesKeepReservationsInTheCacheModel)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    machine.machine.mode = 11;
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            revoke_core_reservations(chip(), nullptr, 0);
        },
        "Assert : RESERVATIONS_CORE_BASED\\(InstanceLink__GetMachine\\(mcm->ilink\\)\\) at line [0-9]+, file "
        ".*reservations");
    machine.machine.mode = MODE_SIMPLE;
}

} // namespace
