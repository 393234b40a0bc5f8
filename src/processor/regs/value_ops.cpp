// Value and access operations.
#include "processor/regs/value_ops.h"

#include "processor/records/axd.h"
#include "runtime/message.h"

uint32_t Test_Bit_128(const uint64_t value[2], uint32_t b)
{
    if (b < 64) return (uint32_t)((value[1] >> (63 - b)) & 1);
    if (b < 128) return (uint32_t)((value[0] >> (127 - b)) & 1);
    return 0;
}

void Add_128_With_Carry(uint32_t *carry_out, uint64_t result[2], uint64_t a_low, uint64_t a_high,
                        uint64_t b_low, uint64_t b_high, uint64_t carry_in)
{
    constexpr uint64_t top = 1ull << 63;
    uint64_t low = a_low + b_low + carry_in;
    // Carry from the top bits: both set, or exactly one set and the sum's top bit clear.
    auto carry = [](uint64_t x, uint64_t y, uint64_t sum) -> uint64_t {
        if ((x & top) && (y & top)) return 1;
        return ((x ^ y) & top) && !(sum & top) ? 1 : 0;
    };
    uint64_t high = a_high + b_high + carry(a_low, b_low, low);
    result[0] = low;
    result[1] = high;
    if (carry_out) *carry_out = (uint32_t)carry(a_high, b_high, high);
}

uint64_t Extract_bits(uint64_t value, uint32_t first, uint32_t last)
{
    if (last > 63 || first > last) return 0;
    uint32_t width = last - first + 1;
    uint64_t mask = width >= 64 ? ~0ull : (1ull << width) - 1;
    return (value >> (63 - last)) & mask;
}

uint64_t Reverse_RegValue(uint64_t value, int32_t length)
{
    switch (length) {
    case 1:
        return value & 0xFF;
    case 2:
        return __builtin_bswap16((uint16_t)value);
    case 4:
        return __builtin_bswap32((uint32_t)value);
    case 8:
        return __builtin_bswap64(value);
    default:
        sim_error("Reverse_RegValue: Unknown length: %d\n", length);
        return value;
    }
}

int TEST_BIT_XUCR0_FLSTA_AFLSTA(void)
{
    return 1;
}

int TEST_BIT_XUCR0_L2SIW(void)
{
    return 1;
}

int TEST_BIT_XUCR0_DC_DIS(void)
{
    return 0;
}

void REPORT_READ_BITS_XUCR0(void) {}
void REPORT_WRITTEN_BITS_XUCR0(void) {}
void SET_BIT_XUCR0_CUL(void) {}

int Microcoded_byte_by_byte(const AXD *access)
{
    if (access->kind == AXD_KIND_FETCH) return 0;
    uint64_t first = access->ea;
    uint64_t last = first + (uint64_t)(access->size > 0 ? access->size - 1 : 0);
    if ((first >> 5) != (last >> 5)) return 1;
    if ((first >> 4) == (last >> 4)) return 0;
    // Crossing a 16-byte boundary within a 32-byte block.
    switch (access->kind) {
    case AXD_KIND_STORE:
        return TEST_BIT_XUCR0_L2SIW() ? 0 : 1;
    case AXD_KIND_LOAD:
        return (access->wimg & AXD_WIMG_I) ? 1 : 0;
    default:
        return 0;
    }
}

void INIT_dcr_table(void) {}
void compute_isig(void) {}
