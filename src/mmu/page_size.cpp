// Page-size encodings.
#include "mmu/page_size.h"

#include "processor/config/processor_options.h"
#include "processor/regs/iop_registers.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t MAX_LP_INDEX = 3;

constexpr auto make_table(bool generation9)
{
    struct Table {
        int32_t rows[64][2];
    } t{};
    auto set = [&t](int i, int32_t base, int32_t actual) {
        t.rows[i][0] = base;
        t.rows[i][1] = actual;
    };
    set(0, 24, 24);
    set(1, 16, 16);
    if (!generation9) set(2, 20, 20);
    set(3, 34, 34);
    set(7, 12, 16);
    set(8, 16, 24);
    set(17, 16, 16);
    set(33, 16, 16);
    set(49, 16, 16);
    set(23, 12, 16);
    set(39, 12, 16);
    set(55, 12, 16);
    set(56, 12, 24);
    return t;
}

constexpr auto DRAVO = make_table(false);
constexpr auto FOSK = make_table(true);

bool option(IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

bool fixed_sizes(IOPDesc *iop)
{
    return option(iop, PO_DEFINE_PAGE_SIZE_MERIDU_FIXED) || option(iop, PO_DEFINE_PAGE_SIZE_Ervik_FIXED);
}

} // namespace

const int32_t Dravo_base_page_size[64][2] = {
#define ROW(i)                                                                                               \
    {                                                                                                        \
        DRAVO.rows[i][0], DRAVO.rows[i][1]                                                                   \
    }
#define ROWS8(i) ROW(i), ROW(i + 1), ROW(i + 2), ROW(i + 3), ROW(i + 4), ROW(i + 5), ROW(i + 6), ROW(i + 7)
    ROWS8(0), ROWS8(8), ROWS8(16), ROWS8(24), ROWS8(32), ROWS8(40), ROWS8(48), ROWS8(56),
#undef ROW
};
const int32_t Fosk_base_page_size[64][2] = {
#define ROW(i)                                                                                               \
    {                                                                                                        \
        FOSK.rows[i][0], FOSK.rows[i][1]                                                                     \
    }
    ROWS8(0), ROWS8(8), ROWS8(16), ROWS8(24), ROWS8(32), ROWS8(40), ROWS8(48), ROWS8(56),
#undef ROW
#undef ROWS8
};

const int32_t (*Base_Page_Size_Table(IOPDesc *iop))[2]
{
    return option(iop, PO_DEFINE_PAGE_SIZE_Fosk_FIXED) ? Fosk_base_page_size : Dravo_base_page_size;
}

int32_t SLBE_page_size_bits(IOPDesc *iop, uint32_t l, uint32_t lp)
{
    if (lp > MAX_LP_INDEX)
        sim_warning(2, "large page size index (%d) greater than %d", (int)lp, MAX_LP_INDEX);
    if (option(iop, PO_DEFINE_PAGE_SIZE_HID_LB)) return l == 1 ? 24 : 12;
    if (fixed_sizes(iop)) {
        if (l == 0) return 12;
        switch (lp) {
        case 0:
            return 24;
        case 1:
            return 16;
        case 2:
            return 34;
        case 3:
            if (option(iop, PO_SLB_1M)) return 20;
            break;
        }
        sim_warning(2, "illegal SLBE LP field of %d", (int)lp);
        return 24;
    }
    if (l == 0) return 12;
    sim_warning(2, "default SLBE Large Page value of 16 MB");
    return 24;
}

int32_t PTE_page_size_bits(IOPDesc *iop, uint32_t size_index)
{
    if (size_index > MAX_LP_INDEX)
        sim_warning(2, "large page size index (%d) greater than %d", (int)size_index, MAX_LP_INDEX);
    if (option(iop, PO_DEFINE_PAGE_SIZE_HID_LB)) return 24;
    if (!fixed_sizes(iop)) {
        sim_warning(2, "default Large Page value of 16 MB");
        return 24;
    }
    switch (size_index) {
    case 0:
        return 24;
    case 1:
        return 16;
    case 2:
        return 34;
    case 3:
        if (option(iop, PO_SLB_1M)) return 20;
        break;
    }
    sim_warning(2, "illegal PTE LP field of %d", (int)size_index);
    return 24;
}

int32_t PTE_page_size_bits_Fosk(IOPDesc *, uint32_t l, uint32_t lp)
{
    if (l == 0) return 12;
    switch (lp & 0xF) {
    case 0:
        return 24;
    case 1:
        return 16;
    case 3:
        return 34;
    case 7:
        return 12;
    case 8:
        return lp == 8 ? 16 : 12;
    }
    sim_warning(2, "illegal PTE LP field of %d", (int)lp);
    return 24;
}

int32_t MMU_Compute_Size_Index_from_PTE_LP_field(uint32_t lp)
{
    int32_t n = 0;
    while (n < 32 && (lp >> n) & 1)
        n++;
    return n;
}

int32_t TLBIE_page_encoding_bits(IOPDesc *iop, uint32_t l, uint32_t lp, uint32_t, int actual)
{
    if (l == 1) {
        switch (lp) {
        case 0:
            return 24;
        case 1:
        case 10:
            return 16;
        case 2:
            return option(iop, PO_SLB_1M) ? 20 : 34;
        case 3:
            return 34;
        case 8:
            return actual ? 24 : 16;
        }
        sim_warning(2, "illegal SLBE LP field of %d", (int)lp);
        return 24;
    }
    if (!actual) return 12;
    switch (lp) {
    case 4:
        return 24;
    case 5:
        return 16;
    case 0:
    case 6:
        return 12;
    }
    sim_warning(2, "illegal SLBE LP field of %d", (int)lp);
    return 12;
}
