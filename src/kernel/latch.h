// Combinations of gates. A latch is a use count over a gate: the first enter enters the gate, the
// last leave leaves it. A valve holds at most one gate: entering a new gate first enters it and
// then leaves the one held. A gate box is an array of gates plus one shared gate (entering takes
// the indexed gate, then the shared one); a priority-gate box pairs the array with a priority
// gate.
#pragma once

#include <cstdint>

#include "kernel/gate.h"
#include "kernel/tsim.h"

struct latch_s {
    tsim_s *tsim;
    gate_s *gate;
    int32_t count;    // users inside
    int32_t entering; // the first user waits for the gate
    jobq_s queue;     // "latch queue": later users waiting for the first one to get in
};

void latch_init(latch_s *latch, tsim_s *tsim, gate_s *gate);
latch_s *latch_new(tsim_s *tsim, gate_s *gate);
// Drops the waiting jobs without waking them.
void latch_cleanup(latch_s *latch);
void latch_free(latch_s *latch);
void latch_enter(latch_s *latch);
int latch_try(latch_s *latch);
void latch_leave(latch_s *latch);

struct valve_s {
    tsim_s *tsim;
    gate_s *held;
};

void valve_init(valve_s *valve, tsim_s *tsim);
valve_s *valve_new(tsim_s *tsim);
// Leaves the gate held.
void valve_cleanup(valve_s *valve);
void valve_free(valve_s *valve);
// Enters the gate (unless it is the one held), then leaves the one held.
void valve_enter(valve_s *valve, gate_s *gate);
// The same without waiting: 1 when the valve now holds the gate.
int valve_try(valve_s *valve, gate_s *gate);
void valve_leave(valve_s *valve);

struct gatebox_s {
    tsim_s *tsim;
    int32_t count;
    gate_s *gates; // count gates
    gate_s shared;
};

// count gates of the given width and a shared gate of shared_width; 0 when they cannot be had.
int gatebox_init(gatebox_s *box, tsim_s *tsim, int count, int width, int shared_width);
gatebox_s *gatebox_new(tsim_s *tsim, int count, int width, int shared_width);
// Frees the gates; while jobs are inside or waiting they are kept ("potential memory leak, can't
// free").
void gatebox_cleanup(gatebox_s *box);
void gatebox_free(gatebox_s *box);
void gatebox_enter(gatebox_s *box, int index);
// 1 when both gates were entered; a full shared gate leaves the indexed gate again.
int gatebox_try(gatebox_s *box, int index);
void gatebox_leave(gatebox_s *box, int index);
// The indexed gate and the shared gate.
gate_s *gatebox_0(gatebox_s *box, int index);
gate_s *gatebox_1(gatebox_s *box);

struct pgatebox_s {
    tsim_s *tsim;
    int32_t count;
    gate_s *gates;
    pgate_s pgate;
};

int pgatebox_init(pgatebox_s *box, tsim_s *tsim, int count, int width, int pgate_capacity);
pgatebox_s *pgatebox_new(tsim_s *tsim, int count, int width, int pgate_capacity);
void pgatebox_cleanup(pgatebox_s *box);
void pgatebox_free(pgatebox_s *box);
// 1 when the indexed gate and then the priority gate (with the key) were entered; a full priority
// gate leaves the indexed gate again.
int pgatebox_try(pgatebox_s *box, int index, uint32_t key);
// Leaves the priority gate and the indexed gate.
void pgatebox_leave(pgatebox_s *box, int index);
