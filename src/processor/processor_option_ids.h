// Indices of the processor options read by the fixed-point, compare, branch and interrupt code,
// beside those of processor_options.h. The numbered ones are fixed; the four marked provisional
// have no fixed index yet and take free slots until the option table assigns them.
#pragma once

#include "processor/processor_options.h"

enum : uint32_t {
    PO_BCCTR_CAN_DECREMENT_CTR = 19,
    PO_ATTN_STOP = 235,
    PO_ATTN_ADVANCE_NIA = 236,
    PO_ATTN_STALL = 237,
    PO_MERGE_DSISR_UNDEFINED_MASK_FOR_ALL_INTERRUPT_TYPES = 245,
    PO_HYPER_HILE = 307,
    PO_HYPER_EXCEPTIONS_PRESERVE_HYPER = 310,
    PO_MSR_IP_BIT = 315,
    PO_MSR_ILE_BIT = 316,
    PO_LPES_1_REMOVED = 358,
    PO_LPCR_KBV_ENABLE_BIT = 411,
    // Provisional indices.
    PO_INVALID_FORMS_ARE_ILLEGAL = 418,
    PO_FXCC_FIELD_IN_XER = 419,
    PO_FXCC_ALWAYS_SET = 420,
    PO_NO_SIAR_SDAR_UNDEFINED_MASK = 421,
};
static_assert((uint32_t)PO_NO_SIAR_SDAR_UNDEFINED_MASK < (uint32_t)PO_COUNT,
              "option indices lie inside the options array");
