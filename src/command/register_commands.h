// The register display and set commands of a thread: GPRs, FPRs, SPRs and extended state
// registers, VMX and VSX registers in element views, the transactional-memory checkpoint, and the
// SLB display.
#pragma once

#include <cstdint>

struct Selector;
struct Tcl_Interp;
struct ThreadState;

// 16 bytes from hexadecimal text (optional "0x"/"0X", digit pairs from the right, at most 32
// digits); bytes[0] is the most significant. 1 on success, 0 for a bad character or too many digits.
int Parse_vmxr_hex(const char *text, uint8_t bytes[16]);
// A 16-byte register (most significant byte first) in elements of `size` bytes joined by ", ";
// each writes into its own static buffer.
const char *Prepare_vmxr(const uint8_t bytes[16], int size);
const char *Prepare_vsxr(const uint8_t bytes[16], int size);
// "dma_u" -> "dmau", "dma_l" -> "dmal", "hid_g" -> "HID2" (case ignored); others unchanged.
const char *Translate_SPR_Name(const char *name);
// The SPR's value as "0x%08X" or "0x%016lX" by its size, in a static buffer; null outside the table.
const char *spr_value(ThreadState *thread, int32_t number);

int PPC_DisplayNGPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayNFPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayGPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayGPRsCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetGPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayFPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayFPRasFPCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayFPRsCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetFPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplaySPRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_SetSPRCmd(Selector *, Tcl_Interp *, int, char **);
int VMX_DisplayVMXRCmd(Selector *, Tcl_Interp *, int, char **);
int VMX_DisplayVMXRasInt8Cmd(Selector *, Tcl_Interp *, int, char **);
int VMX_DisplayVMXRasInt16Cmd(Selector *, Tcl_Interp *, int, char **);
int VMX_DisplayVMXRasInt32Cmd(Selector *, Tcl_Interp *, int, char **);
int VMX_DisplayVMXRasFloatCmd(Selector *, Tcl_Interp *, int, char **);
int VMX_DisplayVMXCmd(Selector *, Tcl_Interp *, int, char **);
int VSX_DisplayVSXRCmd(Selector *, Tcl_Interp *, int, char **);
int VSX_DisplayVSXRasInt8Cmd(Selector *, Tcl_Interp *, int, char **);
int VSX_DisplayVSXRasInt16Cmd(Selector *, Tcl_Interp *, int, char **);
int VSX_DisplayVSXRasInt32Cmd(Selector *, Tcl_Interp *, int, char **);
int VSX_DisplayVSXRasFloatCmd(Selector *, Tcl_Interp *, int, char **);
int VSX_DisplayVSXRasDoubleCmd(Selector *, Tcl_Interp *, int, char **);
int VMX_SetVMXRCmd(Selector *, Tcl_Interp *, int, char **);
int VMX_SetVMXCmd(Selector *, Tcl_Interp *, int, char **);
int VSX_SetVSXRCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplayTMCmd(Selector *, Tcl_Interp *, int, char **);
int PPC_DisplaySLBCmd(Selector *, Tcl_Interp *, int, char **);
