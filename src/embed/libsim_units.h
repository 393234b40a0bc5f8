// The embedding interface's chip units: the coprocessor bus interface (PBIC) with its MMIO
// registers and request FIFO, and its coprocessors.
#pragma once

#include <cstdint>

#include "coproc/nest_units.h"

struct vLIBSIM_data;

extern "C" {
PBICState *LIBSIM__PBIC_Create(vLIBSIM_data *handle, int32_t chip_number, int32_t ci, uint64_t start,
                               uint64_t stop);
uint64_t LIBSIM__PBIC_MMIO_Get(PBICState *pbic, uint64_t offset);
int LIBSIM__PBIC_MMIO_Set(PBICState *pbic, uint64_t offset, uint64_t value);
int32_t LIBSIM__PBIC_MMIO_reg_count(void);
// Loads n 128-byte request blocks into the FIFO (its used count becomes n); 0 when n is above the
// FIFO's maximum or the buffer is shorter than 128 x n.
int LIBSIM__PBIC_FIFO_Set(PBICState *pbic, int32_t n, const uint8_t *buffer, int32_t size);
// Writes every queued request as a 128-byte big-endian block; 0 when the buffer is too short.
int LIBSIM__PBIC_FIFO_Get(PBICState *pbic, uint8_t *buffer, int32_t size);
int32_t LIBSIM__Get_PBIC_FIFO_Used_Count(PBICState *pbic);
int LIBSIM__Cop_Create(vLIBSIM_data *handle, int32_t pbic_ci, int32_t type, int32_t ci, uint64_t unused1,
                       uint64_t unused2, int32_t is_gbif);
// The GBIF client of the descriptor (three words) on the coprocessor of ci, connected; or null.
GBIF_Client *LIBSIM__GBIF_Connect(vLIBSIM_data *handle, MCM *chip, int32_t ci, const uint64_t *descriptor);
int LIBSIM__GBIF_Decrement_QoS_Counter(GBIF_Client *client, int32_t queue);
int LIBSIM__Pervasive_Create(void);
}
