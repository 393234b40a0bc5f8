// The scalar single-precision VSX routines of the extended set (processor option
// EXTENDED_VSX_INSTRUCTIONS_SUPPORTED) that no instruction-table row names: they are reached only
// by name, and need a floating-point VSX row on their instruction record (the FPSCR services read
// its update mask). With the option off each raises the illegal-instruction interrupt with its
// mnemonic.
#pragma once

struct IOPDesc;

int semantic_xscvuxwdp(IOPDesc *iop);
int semantic_xscvsxwsp(IOPDesc *iop);
int semantic_xscvuxwsp(IOPDesc *iop);
int semantic_xscvspsxws(IOPDesc *iop);
int semantic_xscvspuxws(IOPDesc *iop);
int semantic_xscvspsxds(IOPDesc *iop);
int semantic_xscvspuxds(IOPDesc *iop);

int semantic_xscmpusp(IOPDesc *iop);
int semantic_xscmposp(IOPDesc *iop);

int semantic_xsrspi(IOPDesc *iop);
int semantic_xsrspic(IOPDesc *iop);
int semantic_xsrspim(IOPDesc *iop);
int semantic_xsrspip(IOPDesc *iop);
int semantic_xsrspiz(IOPDesc *iop);

int semantic_xstdivsp(IOPDesc *iop);
int semantic_xstsqrtsp(IOPDesc *iop);

int semantic_xsmaxsp(IOPDesc *iop);
int semantic_xsminsp(IOPDesc *iop);

int semantic_xsabssp(IOPDesc *iop);
int semantic_xsnabssp(IOPDesc *iop);
int semantic_xsnegsp(IOPDesc *iop);
int semantic_xscpsgnsp(IOPDesc *iop);
