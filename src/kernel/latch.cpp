// Latches, valves and gate boxes.
#include "kernel/latch.h"

#include "kernel/delay.h"
#include "kernel/waitset.h"

// ---- latches ----

void latch_init(latch_s *latch, tsim_s *tsim, gate_s *gate)
{
    latch->tsim = tsim;
    latch->gate = gate;
    latch->count = 0;
    latch->entering = 0;
    jobq_init(&latch->queue, "latch queue", 0);
}

latch_s *latch_new(tsim_s *tsim, gate_s *gate)
{
    auto *latch = static_cast<latch_s *>(TSIM_GET(tsim, sizeof(latch_s)));
    if (!latch) {
        tsim_error("can't allocate latch");
        return nullptr;
    }
    latch_init(latch, tsim, gate);
    return latch;
}

void latch_cleanup(latch_s *latch)
{
    jobq_drop_all(&latch->queue);
}

void latch_free(latch_s *latch)
{
    if (!latch) return;
    latch_cleanup(latch);
    tsim_put(latch->tsim, latch);
}

void latch_enter(latch_s *latch)
{
    if (latch->count > 0) {
        latch->count++;
        return;
    }
    if (latch->entering && tsim_active_job) {
        // The first user is getting the gate: it counts this one in when it has it.
        current_block(&latch->queue, 0);
        return;
    }
    latch->entering = 1;
    gate_enter(latch->gate);
    latch->entering = 0;
    latch->count++;
    while (proxy_s *waiter = jobq_pop(&latch->queue)) {
        latch->count++;
        tsim_schedule(waiter);
    }
}

int latch_try(latch_s *latch)
{
    if (latch->count > 0) {
        latch->count++;
        return 1;
    }
    if (latch->entering || !gate_try(latch->gate)) return 0;
    latch->count = 1;
    return 1;
}

void latch_leave(latch_s *latch)
{
    if (latch->count <= 0) return;
    if (--latch->count == 0) gate_leave(latch->gate);
}

// ---- valves ----

void valve_init(valve_s *valve, tsim_s *tsim)
{
    valve->tsim = tsim;
    valve->held = nullptr;
}

valve_s *valve_new(tsim_s *tsim)
{
    auto *valve = static_cast<valve_s *>(TSIM_GET(tsim, sizeof(valve_s)));
    if (!valve) {
        tsim_error("can't allocate valve");
        return nullptr;
    }
    valve_init(valve, tsim);
    return valve;
}

void valve_cleanup(valve_s *valve)
{
    valve_leave(valve);
}

void valve_free(valve_s *valve)
{
    if (!valve) return;
    valve_cleanup(valve);
    tsim_put(valve->tsim, valve);
}

void valve_enter(valve_s *valve, gate_s *gate)
{
    if (gate == valve->held) return;
    gate_enter(gate);
    valve_leave(valve);
    valve->held = gate;
}

int valve_try(valve_s *valve, gate_s *gate)
{
    if (gate == valve->held) return 1;
    if (!gate_try(gate)) return 0;
    valve_leave(valve);
    valve->held = gate;
    return 1;
}

void valve_leave(valve_s *valve)
{
    if (valve->held) gate_leave(valve->held);
    valve->held = nullptr;
}

// ---- gate boxes ----

namespace
{

gate_s *new_gates(tsim_s *tsim, int count, int width)
{
    if (count <= 0) return nullptr;
    auto *gates = static_cast<gate_s *>(TSIM_GET(tsim, sizeof(gate_s) * (size_t)count));
    if (gates)
        for (int i = 0; i < count; i++)
            gate_init(&gates[i], tsim, width);
    return gates;
}

bool gate_in_use(const gate_s &gate)
{
    return gate.count > 0 || gate.queue.first;
}

} // namespace

int gatebox_init(gatebox_s *box, tsim_s *tsim, int count, int width, int shared_width)
{
    box->tsim = tsim;
    box->count = count > 0 ? count : 0;
    box->gates = new_gates(tsim, box->count, width);
    gate_init(&box->shared, tsim, shared_width);
    return box->count == 0 || box->gates ? 1 : 0;
}

gatebox_s *gatebox_new(tsim_s *tsim, int count, int width, int shared_width)
{
    auto *box = static_cast<gatebox_s *>(TSIM_GET(tsim, sizeof(gatebox_s)));
    if (!box || !gatebox_init(box, tsim, count, width, shared_width)) {
        tsim_error("can't allocate gatebox");
        if (box) tsim_put(tsim, box);
        return nullptr;
    }
    return box;
}

void gatebox_cleanup(gatebox_s *box)
{
    bool in_use = gate_in_use(box->shared);
    for (int i = 0; i < box->count && box->gates; i++)
        in_use = in_use || gate_in_use(box->gates[i]);
    if (in_use) {
        // Waiting jobs are linked into the gates: the array must stay.
        tsim_error("potential memory leak, can't free");
        return;
    }
    if (box->gates) tsim_put(box->tsim, box->gates);
    box->gates = nullptr;
    box->count = 0;
}

void gatebox_free(gatebox_s *box)
{
    if (!box) return;
    gatebox_cleanup(box);
    if (!box->gates) tsim_put(box->tsim, box);
}

gate_s *gatebox_0(gatebox_s *box, int index)
{
    if (index < 0 || index >= box->count) {
        tsim_error("gatebox: index (%d) out of range (%d)", index, box->count);
        return nullptr;
    }
    return &box->gates[index];
}

gate_s *gatebox_1(gatebox_s *box)
{
    return &box->shared;
}

void gatebox_enter(gatebox_s *box, int index)
{
    gate_s *gate = gatebox_0(box, index);
    if (!gate) return;
    gate_enter(gate);
    gate_enter(&box->shared);
}

int gatebox_try(gatebox_s *box, int index)
{
    gate_s *gate = gatebox_0(box, index);
    if (!gate || !gate_try(gate)) return 0;
    if (gate_try(&box->shared)) return 1;
    gate_leave(gate);
    return 0;
}

void gatebox_leave(gatebox_s *box, int index)
{
    gate_s *gate = gatebox_0(box, index);
    if (!gate) return;
    gate_leave(&box->shared);
    gate_leave(gate);
}

// ---- priority-gate boxes ----

int pgatebox_init(pgatebox_s *box, tsim_s *tsim, int count, int width, int pgate_capacity)
{
    box->tsim = tsim;
    box->count = count > 0 ? count : 0;
    box->gates = new_gates(tsim, box->count, width);
    pgate_init(&box->pgate, tsim, pgate_capacity);
    return box->count == 0 || box->gates ? 1 : 0;
}

pgatebox_s *pgatebox_new(tsim_s *tsim, int count, int width, int pgate_capacity)
{
    auto *box = static_cast<pgatebox_s *>(TSIM_GET(tsim, sizeof(pgatebox_s)));
    if (!box || !pgatebox_init(box, tsim, count, width, pgate_capacity)) {
        tsim_error("can't allocate pgatebox");
        if (box) tsim_put(tsim, box);
        return nullptr;
    }
    return box;
}

void pgatebox_cleanup(pgatebox_s *box)
{
    pgate_cleanup(&box->pgate);
    jobq_drop_all(&box->pgate.queue);
    for (int i = 0; i < box->count && box->gates; i++)
        gate_cleanup(&box->gates[i]);
    if (box->gates) tsim_put(box->tsim, box->gates);
    box->gates = nullptr;
    box->count = 0;
}

void pgatebox_free(pgatebox_s *box)
{
    if (!box) return;
    pgatebox_cleanup(box);
    tsim_put(box->tsim, box);
}

int pgatebox_try(pgatebox_s *box, int index, uint32_t key)
{
    if (index < 0 || index >= box->count) {
        tsim_error("FATAL ERROR: pgatebox: index (%d) out of range (%d)", index, box->count);
        return 0;
    }
    gate_s *gate = &box->gates[index];
    if (!gate_try(gate)) return 0;
    if (pgate_try(&box->pgate, key)) return 1;
    gate_leave(gate);
    return 0;
}

void pgatebox_leave(pgatebox_s *box, int index)
{
    if (index < 0 || index >= box->count) {
        tsim_error("FATAL ERROR: pgatebox: index (%d) out of range (%d)", index, box->count);
        return;
    }
    pgate_leave(&box->pgate);
    gate_leave(&box->gates[index]);
}
