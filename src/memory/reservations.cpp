// Load-and-reserve reservations.
#include "memory/reservations.h"

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{

constexpr int HTM_DEBUG_FIRST = 222;
constexpr int HTM_DEBUG_LAST = 224;
constexpr uint64_t PAGE_4K_MASK = ~0xFFFull;

MemoryMap *reservation_map(MCM *chip)
{
    return chip && chip->mbus ? chip->mbus->memory_map : nullptr;
}

// The address bits that name a granule of the chip (a granule below one byte counts as one).
uint64_t granule_mask(MCM *chip)
{
    uint64_t granule = chip && chip->reservation_granule > 0 ? (uint64_t)chip->reservation_granule : 1;
    return ~(granule - 1);
}

uint64_t granule_size(MCM *chip)
{
    return ~granule_mask(chip) + 1;
}

bool option(const ThreadState *thread, uint32_t index)
{
    return thread->processor && thread->processor->options[index] != 0;
}

void assert_core_based(MCM *chip, int line)
{
    GenericMachine *machine = chip ? chip->machine : nullptr;
    if (machine && machine->mode > MODE_NAMELESS)
        sim_panic("Assert : %s at line %d, file %s",
                  "RESERVATIONS_CORE_BASED(InstanceLink__GetMachine(mcm->ilink))", line, __FILE__);
}

int32_t reservation_count(MemoryMap *map)
{
    return __atomic_load_n(&map->reservation_count, __ATOMIC_ACQUIRE);
}

bool htm_debug_on()
{
    for (int category = HTM_DEBUG_FIRST; category <= HTM_DEBUG_LAST; category++)
        if (get_debug_flag(category) > 0) return true;
    return false;
}

} // namespace

void set_reservation_bit(MemoryClient *client)
{
    int32_t expected = 0;
    if (!__atomic_compare_exchange_n(&client->reservation_valid, &expected, 1, false, __ATOMIC_ACQ_REL,
                                     __ATOMIC_ACQUIRE))
        return; // already held: on the list and counted
    MemoryMap *map = reservation_map(client->mcm);
    if (!map) return;
    if (!client->reservation_next) {
        client->reservation_next = map->reservations;
        map->reservations = client;
    }
    __atomic_add_fetch(&map->reservation_count, 1, __ATOMIC_ACQ_REL);
}

void create_reservation(MemoryClient *client, uint64_t address, int32_t length)
{
    set_reservation_bit(client);
    client->reservation_address = address & granule_mask(client->mcm);
    client->reservation_length = length;
}

MemoryClient *clear_reservation_bit_notrace(MemoryClient *client)
{
    int32_t expected = 1;
    if (!__atomic_compare_exchange_n(&client->reservation_valid, &expected, 0, false, __ATOMIC_ACQ_REL,
                                     __ATOMIC_ACQUIRE))
        return nullptr;
    MemoryMap *map = reservation_map(client->mcm);
    if (!map) return nullptr;
    __atomic_sub_fetch(&map->reservation_count, 1, __ATOMIC_ACQ_REL);
    MemoryClient *next = client->reservation_next;
    for (MemoryClient **link = &map->reservations; *link; link = &(*link)->reservation_next) {
        if (*link == client) {
            *link = next;
            break;
        }
    }
    client->reservation_next = nullptr;
    return next;
}

MemoryClient *clear_reservation_bit(MemoryClient *client)
{
    return clear_reservation_bit_notrace(client);
}

int stcx_has_proper_reservation(ThreadState *thread, AXD *access)
{
    MemoryClient *client = thread->memory_client;
    if (!client || !__atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE)) return 0;
    if (htm_check_S_with_reservation_in_T(thread)) {
        if (htm_debug_on())
            sim_do_debug(debug_name[HTM_DEBUG_LAST].name, nullptr, thread,
                         "Thread %s, HTMTID_%08X. 'stcx' in Suspended mode with reservation taken in "
                         "Transactional mode.",
                         thread->name, htm_transaction_id(thread));
        return 0;
    }
    uint64_t reserved = client->reservation_address;
    int32_t reserved_length = client->reservation_length;
    clear_reservation_bit(client); // a store-conditional always consumes the reservation
    uint64_t address = access->pa;
    if (option(thread, PO_STWCX_FAILS_IF_ADDRESSES_DIFFER) &&
        (address & granule_mask(client->mcm)) != reserved)
        return 0;
    if (option(thread, PO_STWCX_FAILS_IF_ON_DIFFERENT_PAGES) &&
        (address & PAGE_4K_MASK) != (reserved & PAGE_4K_MASK))
        return 0;
    if (option(thread, PO_STWCX_FAILS_IF_LENGTHS_DIFFER) && access->size != reserved_length) return 0;
    return 1;
}

int revoke_reservation(MemoryClient *client, uint64_t address, MemoryClient **next)
{
    *next = nullptr;
    if (!__atomic_load_n(&client->reservation_valid, __ATOMIC_ACQUIRE)) return 0;
    if ((address & granule_mask(client->mcm)) != client->reservation_address) return 0;
    *next = client->reservation_next;
    clear_reservation_bit(client);
    if (client->revoke_callback) client->revoke_callback(client->revoke_data);
    return 1;
}

void revoke_core_reservations(MCM *chip, MemoryClient *spared, uint64_t address)
{
    assert_core_based(chip, __LINE__);
    MemoryMap *map = reservation_map(chip);
    if (!map || reservation_count(map) <= 0) return;
    MemoryClient *client = map->reservations;
    while (client) {
        MemoryClient *next = nullptr;
        if (client != spared && revoke_reservation(client, address, &next)) {
            client = next;
        } else {
            client = client->reservation_next;
        }
    }
}

void revoke_core_reservations_range(MCM *chip, MemoryClient *spared, uint64_t address, uint64_t length)
{
    assert_core_based(chip, __LINE__);
    MemoryMap *map = reservation_map(chip);
    if (!map || reservation_count(map) <= 0 || length == 0) return;
    uint64_t mask = granule_mask(chip);
    uint64_t step = granule_size(chip);
    uint64_t last = address + (length - 1);
    if (last < address) last = ~0ull; // the range runs to the top of the address space
    uint64_t end = last & mask;
    for (uint64_t g = address & mask;; g += step) {
        revoke_core_reservations(chip, spared, g);
        if (reservation_count(map) <= 0) break;
        if (g >= end || g + step < g) break; // last granule, or the next one would wrap to 0
    }
}

extern "C" void LIBSIM__SetReservationBit(ThreadState *thread, int32_t bit)
{
    if (!thread || !thread->memory_client) return;
    if (bit)
        set_reservation_bit(thread->memory_client);
    else
        clear_reservation_bit(thread->memory_client);
}

void Record_a_successful_lock(ThreadState *thread, uint64_t address)
{
    if (thread->held_lock_count >= MAX_HELD_LOCKS) return;
    thread->held_locks[thread->held_lock_count++] = address;
}

void Check_lock_release(ThreadState *thread, uint64_t address)
{
    uint16_t count = thread->held_lock_count;
    for (uint16_t i = 0; i < count; i++) {
        if (thread->held_locks[i] != address) continue;
        for (uint16_t j = i + 1; j < count; j++)
            thread->held_locks[j - 1] = thread->held_locks[j];
        thread->held_lock_count = count - 1;
        return;
    }
}
