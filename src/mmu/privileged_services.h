// What the privileged instructions ask of the storage subsystem: the TLB invalidations and their
// page-size decoding, the SLB instruction bodies, the segment-register write, and the
// transactional-memory model's instruction operations (begin, end, abort, suspend, resume, check,
// recheckpoint), its MSR-transition check and its CR setter.
#pragma once

#include <cstdint>

struct IOPDesc;
struct TLB;
struct ThreadState;

// ---- TLB

// The tlbie/tlbiel operation on one TLB: invalidates the entries that RB designates, with the
// page shift, IS, partition, LP (or AP) and segment-size (B) fields; name is the mnemonic.
void TLB_tlbie(TLB *tlb, uint64_t rb, int32_t page_shift, uint32_t is, uint32_t lpid, uint32_t lp, uint32_t b,
               const char *name);
// Invalidates every entry (tlbia).
void TLB_Clear(IOPDesc *iop, TLB *tlb);
// Clears the reference bit of every way of a congruence class (tlberrl).
void TLB_Clear_Reference_Bit_For_Set(TLB *tlb, int32_t ignored, int32_t set);
// Clears the reference bit of the entries an RB operand designates (tlberr).
void TLB_Clear_Specific_Reference_Bit(TLB *tlb, uint64_t rb, int32_t page_shift, int32_t ignored, uint32_t lp,
                                      uint32_t b);
// The page shift a tlbie operand names: the base size (actual 0) or the actual size (actual 1) of
// the (L, LP) encoding; 0 when the combination is invalid.
int32_t TLBIE_page_encoding_bits(IOPDesc *iop, uint32_t l, uint32_t lp, uint32_t ignored, int32_t actual);

// ---- SLB and segment registers

// slbie: invalidates the SLB entry RB designates (low 32 bits of RB in 32-bit mode); 1.
int core_slbie(IOPDesc *iop);
// slbfee.: searches the SLB for RB's ESID; sets RT and CR0; 1 done, 0 interrupt raised.
int core_slbfee_dot(IOPDesc *iop);
// slbia with its privilege check and transaction guard; 1 done, 0 interrupt raised.
int core_slbia(IOPDesc *iop);
// Segment register n := value (the SLB entry behind it); rb is mtsrin's RB value, else 0. The
// caller invalidates the ERATs and raises the translation version.
void WriteSR(ThreadState *thread, uint32_t n, uint64_t value, uint64_t rb);

// ---- transactional memory

// Checks the transactional-state change of an MSR write (may rewrite TS in *new_msr); 0 when the
// transition is refused (the caller raises the bad-thing interrupt).
int HTM_check_MSR_Transition(IOPDesc *iop, uint64_t *new_msr, uint64_t old_msr, const char *name);
// CR field := (msr >> 32) & 6, the transaction state as 0 || TS || 0.
void SET_TM_CR_From_MSR(IOPDesc *iop, uint64_t msr, uint32_t field);
void htm_tbegin(IOPDesc *iop, uint64_t msr);
// 0 when the end was refused (its bad-thing interrupt is queued), else 1.
int htm_tend(IOPDesc *iop, uint64_t msr, int32_t outer);
// Fails the running transaction with the 8-bit cause.
void htm_tabort(IOPDesc *iop, uint32_t cause);
void htm_tsuspend(IOPDesc *iop, uint64_t msr);
void htm_tresume(IOPDesc *iop, uint64_t msr);
// CR field bf := the transaction's doomed state.
void htm_tcheck(IOPDesc *iop, uint32_t bf);
// 1 done; otherwise the value trechkpt. returns.
int htm_trechkpt_dot(IOPDesc *iop, uint64_t msr);
// A tlbie seen by the transactional-memory model.
void HTM_tlbie(ThreadState *thread, uint64_t rb, int32_t page_shift, const char *name);

// ---- STAND-IN support: what the stand-ins of this header were asked (the TLB, SLB and
// transactional-memory models are not built). Tests set the *_answer fields to make the model refuse.
struct PrivilegedServicesStandinLog {
    long tlbie_calls;         // TLB_tlbie
    TLB *tlbie_tlb;           // the last TLB
    int32_t tlbie_page_shift; // its page shift
    long tlb_clear_calls;
    int32_t page_encoding_answer; // TLBIE_page_encoding_bits' answer (default 0: invalid)
    long slbie_calls, slbfee_calls, slbia_calls;
    long writesr_calls;
    uint32_t writesr_n;
    uint64_t writesr_value, writesr_rb;
    int transition_answer; // HTM_check_MSR_Transition (default 1)
    const char *tm_last;   // the last transactional operation's name ("tbegin", "tabort", ...)
    long tm_calls;
    uint64_t tm_argument; // its msr, cause or BF
    int tend_answer;      // htm_tend (default 1)
    int trechkpt_answer;  // htm_trechkpt_dot (default 1)
};
extern PrivilegedServicesStandinLog privileged_services_standin_log;
// Back to the defaults.
void Privileged_Services_Standin_Reset();
