// The life-cycle callback registrations that Callback_Lists_Init makes at start-up, in its order.
// Declared here, below everything they register; each is defined by the folder of its model or
// engine: the cycle-level core (core), the caches (cache), the interconnect and memory models
// (fabric), the trace-driven models (trace), the functional processor (processor), the
// translator (translator) and the transactional-memory model (mmu).
#pragma once

// priority 1, name "CycleCore".
void Callbacks_register_cycle_core(void);
// L1-L3 cache model, priority 2, name "Cache".
void Callbacks_register_cache(void);
// L4 cache model, priority 3, name "L4Cache".
void Callbacks_register_l4cache(void);
// SMP bus, priority 4, name "Bus".
void Callbacks_register_bus(void);
// memory units and DRAM, priority 5, names "MU" and "DRAM".
void Callbacks_register_memory_unit(void);
// SMP ports, priority 10, names "SPort" and "SPPort".
void Callbacks_register_smp_port(void);
// hub chip, priority 9, name "HubChip".
void Callbacks_register_HubChip(void);
// I/O bridge, priority 11, name "IOBridge".
void Callbacks_register_io_bridge(void);
// trace driver, priority 16, name "Vuxoz".
void Callbacks_register_vuxo(void);
// probability traffic model, priority 17, name "PrbbModel".
void Callbacks_register_probability_model(void);
// trace-driven core framework, priority 18, name "PerfCore".
void Callbacks_register_perfcore_model(void);
// The functional processor's SIMPLE-mode callbacks.
void Callbacks_register_SimpleMode(void);
// Registers the translator's periodic statistics callback (priority 1, name "turbo").
void Callbacks_register_TurboMode(void);
// priority 24, name "HTM".
void Callbacks_register_HTM(void);
// The functional processor's generic callbacks.
void Callbacks_register_ppc_generic(void);
