#include "machine/devices/phb.h"

// STAND-IN: the PCI host bridge is not built yet, so no chip has one and no interrupt vector
// table can supply a source.
PPC_Int_Source_s *PPC_PHB_IVT_Read(PPCIC_s *, int32_t)
{
    return nullptr;
}
