// Set-up of the chip's plain SCOM register sets.
#include "coproc/scom_sets.h"

#include <cstring>

#include "processor/records/mcm.h"

namespace
{

template <typename Set> void reset_set(Set *set)
{
    if (!set) return;
    memset(set, 0, sizeof *set);
    set->header = SCOM_SET_HEADER_BYTES;
}

} // namespace

void nx_scom_init(MCM *chip)
{
    if (chip) reset_set(chip->nx_scom_regs);
}

void as_scom_init(MCM *chip)
{
    if (chip) reset_set(chip->as_scom_regs);
}

void phb_scom_init(MCM *chip)
{
    if (chip) reset_set(chip->phb_scom_regs);
}

void pcie_scom_init(MCM *chip)
{
    if (chip) reset_set(chip->pcie_scom_regs);
}

void icp_scom_init(MCM *chip)
{
    if (chip) reset_set(chip->icp_scom_regs);
}
