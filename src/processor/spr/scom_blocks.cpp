// The EX and HCA SCOM register blocks.
#include "processor/spr/scom_blocks.h"

#include <cstring>

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

enum class ExEffect { None, ReadOnlyCopy, CopyTo3, FlushRequest, StatusUpdate };

struct ExScomRow {
    uint32_t first; // SCOM address range [first, last], registers from `reg` upward
    uint32_t last;
    int reg;
    uint64_t mask;
    ExEffect effect;
};

constexpr ExScomRow EX_SCOM_MAP[] = {
    {0x80A, 0x80A, 18, 0xFFFFE00000000000ULL, ExEffect::None},
    {0x814, 0x814, 19, 0x7BBFFFF800000000ULL, ExEffect::None},
    {0x818, 0x818, 0, 0x3FFFFFFF00000000ULL, ExEffect::None},
    {0x819, 0x819, 1, 0xFF80000000000000ULL, ExEffect::None},
    {0x81A, 0x81A, 2, 0xF800000000000000ULL, ExEffect::None},
    {0x81B, 0x81B, 3, 0, ExEffect::ReadOnlyCopy},
    {0x81C, 0x81C, 4, 0xFFE0000000000000ULL, ExEffect::None},
    {0x81D, 0x822, 5, 0x3FFFFFF000000000ULL, ExEffect::None},
    {0x823, 0x828, 11, 0xFFF7000000000000ULL, ExEffect::None},
    {0x832, 0x832, 17, 0xFFFF800000000000ULL, ExEffect::CopyTo3},
    {0x280F, 0x280F, 20, 0xF8007FF800000000ULL, ExEffect::None},
    {0x2810, 0x2810, 21, 0xFF807FF800000000ULL, ExEffect::FlushRequest},
    {0x2811, 0x2811, 22, 0, ExEffect::StatusUpdate},
};

constexpr uint64_t BIT(int n)
{
    return 1ULL << n;
}

constexpr uint64_t HA_COMMAND_GO = BIT(63);
constexpr uint64_t HA_STAT_FLUSH_OVERRUN = BIT(59);
constexpr uint64_t HA_STAT_CLEAR_BITS = 0xF000000000000000ULL;   // bits 60 to 63
constexpr uint64_t HA_STAT_REPLACE_BITS = 0x0E00000000000000ULL; // bits 57 to 59

const ExScomRow *find_ex_row(uint64_t address, int *reg)
{
    for (const ExScomRow &row : EX_SCOM_MAP) {
        if (address >= row.first && address <= row.last) {
            *reg = row.reg + (int)(address - row.first);
            return &row;
        }
    }
    return nullptr;
}

// Each pair of threads has a request bit, from bit 58 for threads 0 and 1 downward. A thread
// asked again before it flushed marks the overrun in HA_STAT.
void flush_request(ProcessorState *core, uint64_t *regs)
{
    uint64_t command = regs[EX_SCOM_HA_COMMAND];
    if (!(command & HA_COMMAND_GO) || !core->threads) return;
    for (uint32_t i = 0; i < core->num_threads && i / 2 <= 58; i++) {
        if (!(command & BIT(58 - (int)(i / 2)))) continue;
        ThreadState *thread = &core->threads[i];
        if (thread->ha_flush_pending == 1) regs[EX_SCOM_HA_STAT] |= HA_STAT_FLUSH_OVERRUN;
        thread->ha_flush_pending = 1;
    }
}

void status_update(uint64_t *regs, uint64_t value)
{
    uint64_t stat = regs[EX_SCOM_HA_STAT];
    uint64_t clear = value & HA_STAT_CLEAR_BITS;
    if ((stat & clear) != clear)
        sim_warning(2, "Attempting to clear HA_STAT_REG bits that are not set! 0x%016lX",
                    (unsigned long)value);
    stat &= ~clear;
    stat = (stat & ~HA_STAT_REPLACE_BITS) | (value & HA_STAT_REPLACE_BITS);
    regs[EX_SCOM_HA_STAT] = stat;
}

struct HcaScomRow {
    uint32_t channel;
    uint64_t mask;
    const char *name; // registers with the enable-mask check
};

constexpr HcaScomRow HCA_SCOM_MAP[HCA_SCOM_REGISTER_COUNT] = {
    {10, 0x3FFFF7F800003ULL, "HCA_EN_BAR"}, {11, 0xFFFFF80001ULL, nullptr},
    {14, 0xFFFFFC0001ULL, nullptr},         {19, 0x3FFFF80000001ULL, nullptr},
    {74, 0x3FFFF7F800003ULL, "HCA_EH_BAR"}, {75, 0xFFFFF80001ULL, nullptr},
    {78, 0xFFFFFC0001ULL, nullptr},         {83, 0x3FFFF80000001ULL, nullptr},
};

int find_hca_register(uint32_t channel)
{
    for (int i = 0; i < HCA_SCOM_REGISTER_COUNT; i++)
        if (HCA_SCOM_MAP[i].channel == channel) return i;
    return -1;
}

} // namespace

void ex_scom_init(ProcessorState *core)
{
    if (core && core->ex_scom_regs) memset(core->ex_scom_regs->regs, 0, sizeof core->ex_scom_regs->regs);
}

int ex_scom_read(ProcessorState *core, uint64_t address, uint64_t *value)
{
    int reg;
    if (!core || !core->ex_scom_regs || !find_ex_row(address, &reg)) return 0;
    *value = core->ex_scom_regs->regs[reg];
    return 1;
}

int ex_scom_write(ProcessorState *core, uint64_t address, uint64_t value)
{
    int reg;
    const ExScomRow *row = core && core->ex_scom_regs ? find_ex_row(address, &reg) : nullptr;
    if (!row) return 0;
    uint64_t *regs = core->ex_scom_regs->regs;
    switch (row->effect) {
    case ExEffect::ReadOnlyCopy:
        break;
    case ExEffect::StatusUpdate:
        status_update(regs, value);
        break;
    case ExEffect::CopyTo3:
        regs[reg] = value & row->mask;
        regs[EX_SCOM_COPY_OF_17] = regs[reg];
        break;
    case ExEffect::FlushRequest:
        regs[reg] = value & row->mask;
        flush_request(core, regs);
        break;
    case ExEffect::None:
        regs[reg] = value & row->mask;
        break;
    }
    return 1;
}

uint64_t ha_dirty_addr_table_bar(ProcessorState *core)
{
    if (!core || !core->ex_scom_regs) return 0;
    return core->ex_scom_regs->regs[EX_SCOM_HA_DIRTY_TABLE_BAR] >> 12;
}

hca_scom_registers_s *hca_scom_init(MCM *)
{
    return QUARN_ZALLOC(1, hca_scom_registers_s);
}

int hca_scom_read(hca_scom_registers_s *block, uint32_t channel, uint64_t *value)
{
    int reg = find_hca_register(channel);
    if (!block || reg < 0) return 0;
    *value = block->regs[reg];
    return 1;
}

int hca_scom_write(hca_scom_registers_s *block, uint32_t channel, uint64_t value)
{
    int reg = find_hca_register(channel);
    if (!block || reg < 0) return 0;
    const HcaScomRow &row = HCA_SCOM_MAP[reg];
    if (row.name) {
        // The enable mask (bits 23 to 30) must be a run of ones from bit 23: 0, 1, 3, ... 255.
        uint64_t enable = (value >> 23) & 0xFF;
        if (enable & (enable + 1))
            sim_warning(2, "HCA_SCOM_REGS : %s mask 0x%016lX is invalid", row.name, (unsigned long)value);
    }
    block->regs[reg] = value & row.mask;
    return 1;
}
