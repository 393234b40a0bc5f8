// Side-effect-free translation for tools, guest services and plug-ins: the translation of an
// effective address as the thread sees it now, raising nothing, touching no R/C bit and filling no
// translation cache; the wait for a guest process before translating one of its addresses; the
// address swizzle of the first little-endian convention; and the embedding interface's translation.
#pragma once

#include <cstdint>

struct AXD;
struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// 1 with pa (and page_shift on the page-table path) filled, 0 when the address has no translation
// or the access would be refused. The caller fills ea and kind (and vrma, normally 0).
int Straight_EA2PA(IOPDesc *iop, AXD *axd);
// Waits (in simulated time) until the machine's first thread runs process pid in problem state,
// then translates ea: 1 with *pa, 0 when it has none. In standalone mode *pa is ea.
int Translate_EA2PA(GenericMachine *machine, uint64_t ea, uint64_t *pa, int32_t pid);
// The physical address of a 1-, 2- or 4-byte access XORed with 7, 6 or 4; others unchanged.
uint64_t Version1_LE_Address_Munge(IOPDesc *iop, AXD *axd, uint64_t pa);

// Request kinds of LIBSIM__ThreadTranslate.
enum : int32_t { LIBSIM_LOAD = 0, LIBSIM_STORE = 1, LIBSIM_IFETCH = 2 };
// Translates with the tool mode (7) on a blank instruction: 1 with *pa, 0 otherwise (*pa is set
// also on failure).
extern "C" int32_t LIBSIM__ThreadTranslate(ThreadState *thread, uint64_t ea, uint64_t *pa, int32_t func);
