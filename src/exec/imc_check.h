// The instruction-match check of the interpreter (check_for_imc_match, declared in
// exec/instruction_hooks.h) and the facility test it uses: whether an instruction word's
// facilities are available under MSR, HFSCR, FSCR and MMCR0.
#pragma once

#include <cstdint>

struct IOPDesc;

// 0 when the facilities of the record's word are available (also for a word of no row); 1 when
// one is not: an MSR enable is clear (nothing raised; the instruction's own routine raises its
// unavailable interrupt) or a (hypervisor) facility-unavailable interrupt was raised here.
uint32_t InstructionAvailableInterrupt(IOPDesc *iop);
