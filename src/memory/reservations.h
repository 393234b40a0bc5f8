// Load-and-reserve reservations: a memory client's reservation (valid flag, granule address,
// length) and the chip's list and count of clients that hold one; setting, clearing and revoking
// reservations, and the store-conditional test with its processor options.
//
// The valid flag changes only by compare-and-swap and the count only by atomic add, so that set
// and clear of one client each happen once among host threads. The list itself is not locked
// here: callers that run on several host threads serialise list changes (the translator's
// reservation lock).
#pragma once

#include <cstdint>

struct AXD;
struct MCM;
struct MemoryClient;
struct ThreadState;

// Sets the valid flag; a client newly holding a reservation joins the chip's list and count.
void set_reservation_bit(MemoryClient *client);
// Sets the flag, then stores the address rounded down to the chip's granule and the length.
void create_reservation(MemoryClient *client, uint64_t address, int32_t length);
// Clears the flag; a client that held a reservation leaves the list and count. Returns the client
// that followed it on the list (null when it held none).
MemoryClient *clear_reservation_bit_notrace(MemoryClient *client);
MemoryClient *clear_reservation_bit(MemoryClient *client);
// 1 when the thread's store-conditional with this data access may store, else 0. Consumes the
// reservation.
int stcx_has_proper_reservation(ThreadState *thread, AXD *access);
// 1 when the client's reservation covered the address and was revoked (its callback run); *next
// is then the client that followed it. Otherwise 0 and *next null.
int revoke_reservation(MemoryClient *client, uint64_t address, MemoryClient **next);
// Revokes every reservation on the chip that covers the address, sparing one client (or none).
void revoke_core_reservations(MCM *chip, MemoryClient *spared, uint64_t address);
// The same for every granule that the range touches.
void revoke_core_reservations_range(MCM *chip, MemoryClient *spared, uint64_t address, uint64_t length);
// Sets (bit non-zero) or clears the reservation flag of the thread's memory client.
extern "C" void LIBSIM__SetReservationBit(ThreadState *thread, int32_t bit);

// The held-lock list of a thread.
void Record_a_successful_lock(ThreadState *thread, uint64_t address);
void Check_lock_release(ThreadState *thread, uint64_t address);
