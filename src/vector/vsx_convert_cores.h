// The per-element conversion cores of the VSX conversion and single-precision rounding
// instructions. A core converts element i of the source between integer, single and double
// form on an FP160 working value, stores the result into the positions it owns in *result (the
// rest of the buffer is left alone), records FPSCR status in the instruction's FPSCR cache (which
// the caller has opened; the row's update mask limits it) and returns the FP160 exception flags.
//
// Source and result positions, i the element index:
//   scvuxwdp, scvsxwdp, scvspdp         word 2i       -> doubleword i
//   scvuxddp, scvsxddp                  doubleword i  -> doubleword i
//   scvdpsp, scvuxdsp, scvsxdsp         doubleword i  -> words 2i and 2i+1 (same single)
//   scvuxwsp, scvsxwsp, srspi           word i        -> word i
//   private_scvsp[su]xws                word i        -> word i
//   private_scvdp[su]xws                doubleword i  -> words 2i and 2i+1 (same integer)
//   private_scvsp[su]xds                word 2i       -> doubleword i
//   private_scvdp[su]xds                doubleword i  -> doubleword i
// The floating-to-integer cores truncate and saturate (NaN: the most negative signed value or 0);
// a NaN or a saturation sets VXCVI and returns invalid (kind convert), without inexact.
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

struct IOPDesc;

uint32_t scvuxwdp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvsxwdp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvuxddp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvsxddp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvspdp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvdpsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvuxwsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvsxwsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvuxdsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t scvsxdsp(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
// Word i rounded to an integral single in mode (0..3, 5), then delivered toward zero.
uint32_t srspi(int i, IOPDesc *iop, Vec128 source, int mode, Vec128 *result);

uint32_t private_scvspuxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvspsxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvdpuxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvdpsxws(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvspuxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvspsxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvdpuxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
uint32_t private_scvdpsxds(int i, IOPDesc *iop, Vec128 source, Vec128 *result);
