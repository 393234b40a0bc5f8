// NAT: units busy until a tick.
#include "kernel/nat.h"

#include <cstring>

#include "kernel/delay.h"

namespace
{

uint64_t *new_units(tsim_s *tsim, int units)
{
    size_t bytes = sizeof(uint64_t) * (size_t)units;
    auto *array = static_cast<uint64_t *>(TSIM_GET(tsim, bytes));
    if (!array) {
        tsim_error("Can't allocate %d bytes for NAT", (int)bytes);
        return nullptr;
    }
    memset(array, 0, bytes);
    return array;
}

} // namespace

int nat_initv(nat_s *nat, tsim_s *tsim, int units, const uint64_t *busy_until)
{
    nat->tsim = tsim;
    nat->units = 0;
    nat->busy_until = nullptr;
    if (units <= 0) return 1;
    nat->busy_until = new_units(tsim, units);
    if (!nat->busy_until) return 0;
    nat->units = units;
    if (busy_until) memcpy(nat->busy_until, busy_until, sizeof(uint64_t) * (size_t)units);
    return 1;
}

int nat_init(nat_s *nat, tsim_s *tsim, int units)
{
    return nat_initv(nat, tsim, units, nullptr);
}

nat_s *nat_newv(tsim_s *tsim, int units, const uint64_t *busy_until)
{
    auto *nat = static_cast<nat_s *>(TSIM_GET(tsim, sizeof(nat_s)));
    if (!nat || !nat_initv(nat, tsim, units, busy_until)) {
        tsim_error("can't allocate nat");
        if (nat) tsim_put(tsim, nat);
        return nullptr;
    }
    return nat;
}

nat_s *nat_new(tsim_s *tsim, int units)
{
    return nat_newv(tsim, units, nullptr);
}

int nat_reset_width(nat_s *nat, int units)
{
    if (units < 0) units = 0;
    uint64_t *array = units ? new_units(nat->tsim, units) : nullptr;
    if (units && !array) {
        tsim_error("Can't resize NAT from %d to %d", nat->units, units);
        return 0;
    }
    int kept = units < nat->units ? units : nat->units;
    if (kept) memcpy(array, nat->busy_until, sizeof(uint64_t) * (size_t)kept);
    if (nat->busy_until) tsim_put(nat->tsim, nat->busy_until);
    nat->busy_until = array;
    nat->units = units;
    return 1;
}

int nat_consume_ticks(nat_s *nat, uint64_t ticks)
{
    tsim_s *tsim = nat->tsim;
    if (nat->units <= 0) {
        current_delay_ticks(ticks);
        return -1;
    }
    uint64_t now = tsim->now;
    int unit = 0;
    uint64_t start = ~uint64_t(0);
    for (int i = 0; i < nat->units; i++) {
        uint64_t free_at = nat->busy_until[i] > now ? nat->busy_until[i] : now;
        if (free_at < start) {
            start = free_at;
            unit = i;
        }
    }
    uint64_t end = start + ticks;
    if (end < start) end = ~uint64_t(0);
    nat->busy_until[unit] = end;
    if (end > now) current_delay_to_tick(end);
    return unit;
}

void nat_cleanup(nat_s *nat)
{
    if (nat->busy_until) tsim_put(nat->tsim, nat->busy_until);
    nat->busy_until = nullptr;
    nat->units = 0;
}

void nat_free(nat_s *nat)
{
    if (!nat) return;
    nat_cleanup(nat);
    tsim_put(nat->tsim, nat);
}
