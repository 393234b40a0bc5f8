// The initial access descriptor.
#include "processor/records/axd.h"

namespace
{

constexpr AXD make_initial_axd()
{
    AXD axd{};
    axd.size2 = -1;
    axd.row_size = -1;
    axd.align = -1;
    axd.erat_class = 0xFFFFFFFFu;
    axd.page_shift = 12;
    axd.closing[0] = ~0ull;
    axd.closing[1] = ~0ull;
    return axd;
}

} // namespace

const AXD INITIAL_AXD = make_initial_axd();
