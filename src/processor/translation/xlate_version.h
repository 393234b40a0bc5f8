// The global translation version: every change of translation state (storage keys, LPCR,
// LPIDR, SDR1, RMOR, HRMOR, HID1, HID4, DAWR0, DAWRX0, PID) adds one, and fetch paths compare it
// with the version they last saw.
#pragma once

#include <cstdint>

extern uint64_t current_xlate_version;
