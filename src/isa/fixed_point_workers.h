// The workers of the add, subtract and negate instructions (core_<name>), which other families
// (multiply, divide, the cycle-level core's cracked forms) call too, and the member list they are
// generated from.
#pragma once

struct IOPDesc;

// Each member computes RT = x + y + c and writes the XER bits of its kind:
//   X(name, x, y, c, xer, nibbles, record)
//   x       RA, NOT_RA, or RA0 (0 when the RA field is 0, nothing read)
//   y       RB, ZERO, ONES, SI (sign-extended), SI16 (SI shifted left 16, sign-extended from 32 bits)
//   c       C0, C1, or CA (the carry bit, marked read)
//   xer     NONE; OV; CA_OC; OV_CA_OC; CARRY_IN (CA and OC, tags-active CA only); CARRY_IN_OV (OV, CA
//           and OC, tags-active OV and CA only)
//   nibbles the nibble carries are written in tags-active mode
//   record  CR0 is set from RT
#define QUARN_ADD_MEMBERS(X)                                                                                 \
    X(add, RA, RB, C0, NONE, false, false)                                                                   \
    X(add_dot, RA, RB, C0, NONE, false, true)                                                                \
    X(addo, RA, RB, C0, OV, false, false)                                                                    \
    X(addo_dot, RA, RB, C0, OV, false, true)                                                                 \
    X(subf, NOT_RA, RB, C1, NONE, false, false)                                                              \
    X(subf_dot, NOT_RA, RB, C1, NONE, false, true)                                                           \
    X(subfo, NOT_RA, RB, C1, OV, false, false)                                                               \
    X(subfo_dot, NOT_RA, RB, C1, OV, false, true)                                                            \
    X(neg, NOT_RA, ZERO, C1, NONE, false, false)                                                             \
    X(neg_dot, NOT_RA, ZERO, C1, NONE, false, true)                                                          \
    X(nego, NOT_RA, ZERO, C1, OV, false, false)                                                              \
    X(nego_dot, NOT_RA, ZERO, C1, OV, false, true)                                                           \
    X(addc, RA, RB, C0, CA_OC, true, false)                                                                  \
    X(addc_dot, RA, RB, C0, CA_OC, true, true)                                                               \
    X(addco, RA, RB, C0, OV_CA_OC, true, false)                                                              \
    X(addco_dot, RA, RB, C0, OV_CA_OC, true, true)                                                           \
    X(subfc, NOT_RA, RB, C1, CA_OC, true, false)                                                             \
    X(subfc_dot, NOT_RA, RB, C1, CA_OC, true, true)                                                          \
    X(subfco, NOT_RA, RB, C1, OV_CA_OC, true, false)                                                         \
    X(subfco_dot, NOT_RA, RB, C1, OV_CA_OC, true, true)                                                      \
    X(adde, RA, RB, CA, CARRY_IN, false, false)                                                              \
    X(adde_dot, RA, RB, CA, CARRY_IN, false, true)                                                           \
    X(addeo, RA, RB, CA, CARRY_IN_OV, false, false)                                                          \
    X(addeo_dot, RA, RB, CA, CARRY_IN_OV, false, true)                                                       \
    X(subfe, NOT_RA, RB, CA, CARRY_IN, false, false)                                                         \
    X(subfe_dot, NOT_RA, RB, CA, CARRY_IN, false, true)                                                      \
    X(subfeo, NOT_RA, RB, CA, CARRY_IN_OV, false, false)                                                     \
    X(subfeo_dot, NOT_RA, RB, CA, CARRY_IN_OV, false, true)                                                  \
    X(addme, RA, ONES, CA, CARRY_IN, false, false)                                                           \
    X(addme_dot, RA, ONES, CA, CARRY_IN, false, true)                                                        \
    X(addmeo, RA, ONES, CA, CARRY_IN_OV, false, false)                                                       \
    X(addmeo_dot, RA, ONES, CA, CARRY_IN_OV, false, true)                                                    \
    X(subfme, NOT_RA, ONES, CA, CARRY_IN, false, false)                                                      \
    X(subfme_dot, NOT_RA, ONES, CA, CARRY_IN, false, true)                                                   \
    X(subfmeo, NOT_RA, ONES, CA, CARRY_IN_OV, false, false)                                                  \
    X(subfmeo_dot, NOT_RA, ONES, CA, CARRY_IN_OV, false, true)                                               \
    X(addze, RA, ZERO, CA, CARRY_IN, false, false)                                                           \
    X(addze_dot, RA, ZERO, CA, CARRY_IN, false, true)                                                        \
    X(addzeo, RA, ZERO, CA, CARRY_IN_OV, false, false)                                                       \
    X(addzeo_dot, RA, ZERO, CA, CARRY_IN_OV, false, true)                                                    \
    X(subfze, NOT_RA, ZERO, CA, CARRY_IN, false, false)                                                      \
    X(subfze_dot, NOT_RA, ZERO, CA, CARRY_IN, false, true)                                                   \
    X(subfzeo, NOT_RA, ZERO, CA, CARRY_IN_OV, false, false)                                                  \
    X(subfzeo_dot, NOT_RA, ZERO, CA, CARRY_IN_OV, false, true)                                               \
    X(addi, RA0, SI, C0, NONE, false, false)                                                                 \
    X(addis, RA0, SI16, C0, NONE, false, false)                                                              \
    X(addic, RA, SI, C0, CA_OC, false, false)                                                                \
    X(addic_dot, RA, SI, C0, CA_OC, false, true)                                                             \
    X(subfic, NOT_RA, SI, C1, CA_OC, false, false)

#define QUARN_DECLARE_ADD_WORKER(name, x, y, c, xer, nibbles, record) int core_##name(IOPDesc *iop);
QUARN_ADD_MEMBERS(QUARN_DECLARE_ADD_WORKER)
#undef QUARN_DECLARE_ADD_WORKER

// RT := for each nibble, 6 when RA + RB carried nothing out of it, else 0; XER gets the carries.
int core_addg6s(IOPDesc *iop);
// RT := the larger of the low words of RA and RB (signed), sign-extended.
int core_max(IOPDesc *iop);
// The signed word maximum; illegal without option MAX_SUPPORTED. No row names it.
int semantic_max(IOPDesc *iop);
