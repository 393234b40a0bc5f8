// The PCI host bridge as the interrupt controller reaches it: the interrupt vector table read.
#pragma once

#include <cstdint>

struct PPCIC_s;
struct PPC_Int_Source_s;

// The bridge state inside a chip's interrupt controller.
struct PHB_State;

// The source of the interrupt made from the bridge's interrupt vector table, or none.
PPC_Int_Source_s *PPC_PHB_IVT_Read(PPCIC_s *controller, int32_t irq);
