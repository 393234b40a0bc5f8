// The chip record (MCM): one chip of a machine with its number, name, device path, memory bus,
// command table, coprocessor words and SCOM register blocks. Its life cycle is
// machine/mcm_lifecycle.h.
#pragma once

#include <cstdint>

struct InstanceLink;
struct GenericMachine;
struct IntHandler;
struct MBUS;
struct PPCIC_s;
struct SimCmdTable;
struct time_domain;
struct nx_scom_registers_s;
struct as_scom_registers_s;
struct phb_scom_registers_s;
struct pcie_scom_registers_s;
struct icp_scom_registers_s;
struct hca_scom_registers_s;
struct ha_dirty_table_entry_s;

struct MCM {
    InstanceLink *link;      // the chip's own instance link
    GenericMachine *machine; // owning machine
    int32_t object_id;       // object-registry entry (kind 3)
    char *name;              // interned
    int32_t number;          // chip number within the machine
    uint32_t cores_per_chip; // the machine's cores / its chips
    char *path;              // "/MCM/%d", interned
    char *path_copy;         // a second interned copy of path
    SimCmdTable *command_table;
    time_domain *domain;         // cleared by undeclare_MCM_time_domains
    int32_t reservation_granule; // bytes
    MBUS *mbus;
    IntHandler *int_handler;    // the device interrupt hook (the controller's incoming hook)
    IntHandler *processor_hook; // "Processor": raises and lowers the threads' external interrupt
    PPCIC_s *ppcic;             // the chip's interrupt presentation controller, or none
    int32_t fix_done;
    void *cop_units[5]; // coprocessor and nest unit words, 0 at creation
    nx_scom_registers_s *nx_scom_regs;
    as_scom_registers_s *as_scom_regs;
    phb_scom_registers_s *phb_scom_regs;
    pcie_scom_registers_s *pcie_scom_regs;
    icp_scom_registers_s *icp_scom_regs;
    hca_scom_registers_s *hca_scom_regs;
    void *last_word;                // 0 at creation
    ha_dirty_table_entry_s *ha_dirty_table; // HA dirty table, filled by the storage path
};
