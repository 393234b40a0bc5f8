// Registration of the interconnect and memory models' life-cycle callbacks.
#pragma once

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
