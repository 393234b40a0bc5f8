// The core's EX SCOM register block (23 registers, among them the HA dirty-table base, the HA
// command and the HA status registers) and the chip's HCA SCOM block (8 registers by channel),
// with their address maps, write masks and side effects.
#pragma once

#include <cstdint>

struct MCM;
struct ProcessorState;

constexpr int EX_SCOM_REGISTER_COUNT = 23;
constexpr int HCA_SCOM_REGISTER_COUNT = 8;

struct ex_scom_registers_s {
    uint64_t regs[EX_SCOM_REGISTER_COUNT];
};

struct hca_scom_registers_s {
    uint64_t regs[HCA_SCOM_REGISTER_COUNT];
};

// Register numbers with a meaning of their own.
enum : int {
    EX_SCOM_HA_DIRTY_TABLE_BAR = 0,
    EX_SCOM_COPY_OF_17 = 3,
    EX_SCOM_HA_COMMAND = 21,
    EX_SCOM_HA_STAT = 22,
};

// All 23 registers := 0 (nothing without a core or block).
void ex_scom_init(ProcessorState *core);
// 1 and the register for a mapped SCOM address; 0 for no core or an unmapped address.
int ex_scom_read(ProcessorState *core, uint64_t address, uint64_t *value);
// 1 for a mapped address, after its mask and effect; 0 for no core or an unmapped address.
int ex_scom_write(ProcessorState *core, uint64_t address, uint64_t value);
// Register 0 (HA dirty-table base) shifted right by 12.
uint64_t ha_dirty_addr_table_bar(ProcessorState *core);

// A new zeroed HCA block for the chip.
hca_scom_registers_s *hca_scom_init(MCM *chip);
// 1 and the register for a mapped channel; 0 otherwise (also for no block).
int hca_scom_read(hca_scom_registers_s *block, uint32_t channel, uint64_t *value);
// 1 for a mapped channel (the masked value stored); 0 otherwise.
int hca_scom_write(hca_scom_registers_s *block, uint32_t channel, uint64_t value);
