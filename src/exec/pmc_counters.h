// The performance-monitor counters PMC1 to PMC6 over event sources the simulator already keeps:
// a counter reads as its value at the last write plus the events of its source since then, and a
// watcher job per counter sleeps until the counter is due to overflow and then raises the
// performance-monitor interrupt. PMC_get_counter, PMC_set_counter (processor/hooks/
// spr_interrupt_standins.h) and PMC_reset_counters (processor/hooks/pmc_counters.h) are defined
// here too.
#pragma once

#include <cstdint>

struct PMCCounter;
struct ProcessorState;
struct ThreadState;

// MMCR0[PMAE]: the alert bit used when the processor names no alert mask of its own.
constexpr uint64_t MMCR0_PMAE = 0x4000000;

// The current value of an event source: events 2 and 3 the processor's current cycle, 15 the
// thread's instruction count, every other event 0.
uint64_t PMC_get_stat(ThreadState *thread, int32_t event);
// The processor's MMCR0 alert bits.
uint64_t PMC_alert_mask(const ProcessorState *processor);
// The body of a counter's watcher job ("pmcwatcher"); the argument is the counter.
void PMC_watcher(void *entry);
