// The scalar floating-point instructions on a hardware thread: the availability check nearly
// every floating-point routine runs first, and the shared flow of the routines that call an
// emulation core (semantic routine: option gates, then the worker; worker: availability, the
// core, CR1 of a record form, FRT's representation marker, the FPSCR summary with its
// enabled-exception interrupt). The semantic routines themselves are declared with every other
// routine in isa/semantics.h.
#pragma once

#include <cstdint>

struct IOPDesc;

// 1 when the instruction may go on; otherwise it raised its interrupt (illegal without
// FLOATING_POINT_SUPPORTED, hypervisor facility unavailable, floating-point unavailable, soft
// patch) and answers 0. On success the instruction's FPSCR accumulation is started.
int Check_FP_Available(IOPDesc *iop);

// The soft-patch step of the floating-point availability checks (the vector unit's
// FP_Softpatch_Check does the same for its own checks): 0 when the row has no predicate or a
// standalone program runs; otherwise the predicate's answer, and a non-zero answer raises the
// soft-patch interrupt (cause 0x100000) with the instruction's data address.
int FP_Softpatch_Step(IOPDesc *iop);

// FPR representation markers of the VSR slots.
enum : int32_t { FP_MARK_KEEP = 0, FP_MARK_INTEGER = 1, FP_MARK_DOUBLE = 2, FP_MARK_SINGLE = 3 };

// CR field 1 := FPSCR bits 0..3 (FX, FEX, VX, OX) as the instruction sees FPSCR, marked written.
void FP_Set_CR1(IOPDesc *iop);
// FPR n's representation marker (FP_MARK_KEEP changes nothing); a row whose access size
// contradicts it gets a (silent) warning.
void FP_Set_Representation(IOPDesc *iop, uint32_t n, int32_t marker);

// The worker of an instruction that calls an emulation core: availability, the core, CR1 when
// record is set and the core answered non-zero, FRT's marker, the FPSCR summary. Answers 0 when
// an interrupt was raised, else the core's answer.
int FP_Worker(IOPDesc *iop, int (*core)(IOPDesc *), int32_t marker, bool record);

// The workers of the routines (core_<name>, the record forms core_<name>_dot).
#define QUARN_FP_WORKERS(X)                                                                                  \
    X(fadd) X(fadd_dot) X(fsub) X(fsub_dot) X(fmul) X(fmul_dot) X(fdiv) X(fdiv_dot) X(fadds) X(fadds_dot)     \
    X(fsubs) X(fsubs_dot) X(fmuls) X(fmuls_dot) X(fdivs) X(fdivs_dot) X(fmadd) X(fmadd_dot) X(fmsub)         \
    X(fmsub_dot) X(fnmadd) X(fnmadd_dot) X(fnmsub) X(fnmsub_dot) X(fmadds) X(fmadds_dot) X(fmsubs)           \
    X(fmsubs_dot) X(fnmadds) X(fnmadds_dot) X(fnmsubs) X(fnmsubs_dot) X(fsqrt) X(fsqrt_dot) X(fsqrts)        \
    X(fsqrts_dot) X(fre) X(fres) X(fres_dot) X(frsqrte) X(frsqrte_dot) X(frsqrtes) X(frsqrtes_dot)           \
    X(floges) X(fexptes) X(frsp) X(frsp_dot) X(frim) X(frim_dot) X(frin) X(frin_dot) X(frip) X(frip_dot)     \
    X(friz) X(friz_dot) X(fctiw) X(fctiw_dot) X(fctiwz) X(fctiwz_dot) X(fctid) X(fctid_dot) X(fctidz)        \
    X(fctidz_dot) X(fctiwu) X(fctiwu_dot) X(fctiwuz) X(fctiwuz_dot) X(fctidu) X(fctidu_dot) X(fctiduz)      \
    X(fctiduz_dot) X(fcfid) X(fcfid_dot) X(fcfidu) X(fcfidu_dot) X(fcfids) X(fcfids_dot) X(fcfidus)          \
    X(fcfidus_dot) X(compare_fp) X(ftdiv) X(ftsqrt) X(mtfsb0) X(mtfsb1) X(mtfsf) X(mtfsfi) X(mcrfs) X(mffs)      \
    X(fmr) X(fneg) X(fabs) X(fnabs) X(fcpsgn) X(fcpsgn_dot) X(fsel)
#define QUARN_DECLARE_FP_WORKER(name) int core_##name(IOPDesc *iop);
QUARN_FP_WORKERS(QUARN_DECLARE_FP_WORKER)
#undef QUARN_DECLARE_FP_WORKER
