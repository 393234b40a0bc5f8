// The named registers of a hardware thread and of a core, in definition order, as X-macro
// lists. Each row is X(member, file name, width, owner, family):
//   member    the name in the slot field and in the accessor names (tRAW_GET_<member>, ...);
//   file name the register's name in the register file and the SPR table;
//   width     32 or 64 (bits);
//   owner     T thread, C core, P partition core (the core until it is split into sub-cores);
//   family    I when the register has the instruction-level members iGET_, iMFGET_, iSET_,
//             N when its instruction-level access is hand-written elsewhere.
// The thread list gives the slot order of ThreadState, the core list that of ProcessorState.
#pragma once

#define QUARN_THREAD_REGISTERS(X)                                                                            \
    X(LR, "LR", 64, T, I)                                                                                    \
    X(CTR, "CTR", 64, T, I)                                                                                  \
    X(XER, "XER", 64, T, I)                                                                                  \
    X(XER_CHANGE, "XER_CHANGE", 64, T, I)                                                                    \
    X(PIR, "PIR", 32, T, I)                                                                                  \
    X(PID, "PID", 64, T, I)                                                                                  \
    X(SRR0, "SRR0", 64, T, I)                                                                                \
    X(SRR1, "SRR1", 64, T, I)                                                                                \
    X(SPRG0, "SPRG0", 64, T, I)                                                                              \
    X(SPRG1, "SPRG1", 64, T, I)                                                                              \
    X(SPRG2, "SPRG2", 64, T, I)                                                                              \
    X(SPRG3, "SPRG3", 64, T, I)                                                                              \
    X(VRSAVE, "VRSAVE", 32, T, I)                                                                            \
    X(HDSISR, "HDSISR", 32, T, I)                                                                            \
    X(HDAR, "HDAR", 64, T, I)                                                                                \
    X(DSISR, "DSISR", 32, T, I)                                                                              \
    X(DAR, "DAR", 64, T, I)                                                                                  \
    X(HSRR0, "HSRR0", 64, T, I)                                                                              \
    X(HSRR1, "HSRR1", 64, T, I)                                                                              \
    X(HSPRG0, "HSPRG0", 64, T, I)                                                                            \
    X(HSPRG1, "HSPRG1", 64, T, I)                                                                            \
    X(LPCR, "LPCR", 64, T, I)                                                                                \
    X(HEIR, "HEIR", 32, T, I)                                                                                \
    X(DAWR0, "DAWR0", 64, T, I)                                                                              \
    X(DAWRX0, "DAWRX0", 64, T, I)                                                                            \
    X(CIABR, "CIABR", 64, T, I)                                                                              \
    X(AMR, "AMR", 64, T, I)                                                                                  \
    X(IAMR, "IAMR", 64, T, I)                                                                                \
    X(UAMOR, "UAMOR", 64, T, I)                                                                              \
    X(DEC, "DEC", 32, T, I)                                                                                  \
    X(SIAR, "SIAR", 64, T, I)                                                                                \
    X(SDAR, "SDAR", 64, T, I)                                                                                \
    X(MMCR0, "MMCR0", 64, T, I)                                                                              \
    X(MMCR1, "MMCR1", 64, T, I)                                                                              \
    X(PMC1, "PMC1", 32, T, I)                                                                                \
    X(PMC2, "PMC2", 32, T, I)                                                                                \
    X(PMC3, "PMC3", 32, T, I)                                                                                \
    X(PMC4, "PMC4", 32, T, I)                                                                                \
    X(MMCRA, "MMCRA", 64, T, I)                                                                              \
    X(PMC5, "PMC5", 32, T, I)                                                                                \
    X(PMC6, "PMC6", 32, T, I)                                                                                \
    X(SIER, "SIER", 64, T, I)                                                                                \
    X(MMCR2, "MMCR2", 64, T, I)                                                                              \
    X(BESCR, "BESCR", 64, T, I)                                                                              \
    X(EBBHR, "EBBHR", 64, T, I)                                                                              \
    X(EBBRR, "EBBRR", 64, T, I)                                                                              \
    X(PURR, "PURR", 64, T, I)                                                                                \
    X(SPURR, "SPURR", 64, T, I)                                                                              \
    X(SCOMC, "SCOMC", 64, T, I)                                                                              \
    X(SCOMD, "SCOMD", 64, T, I)                                                                              \
    X(TFMR, "TFMR", 64, T, I)                                                                                \
    X(DSCR, "DSCR", 64, T, I)                                                                                \
    X(HMER, "HMER", 64, T, I)                                                                                \
    X(CFAR, "CFAR", 64, T, I)                                                                                \
    X(TRIG0, "TRIG0", 64, T, I)                                                                              \
    X(TRIG1, "TRIG1", 64, T, I)                                                                              \
    X(TRIG2, "TRIG2", 64, T, I)                                                                              \
    X(PPR32, "PPR", 64, T, I)                                                                                \
    X(TIR, "TIR", 64, T, I)                                                                                  \
    X(TSRL, "TSRL", 64, T, I)                                                                                \
    X(ACOP, "ACOP", 64, T, I)                                                                                \
    X(HACOP, "HACOP", 64, T, I)                                                                              \
    X(SIM_CTRL, "SIM_CTRL", 64, T, I)                                                                        \
    X(SIM_CTRL1, "SIM_CTRL1", 64, T, I)                                                                      \
    X(IRPT_CTL, "IRPT_CTL", 64, T, I)                                                                        \
    X(IRPT_CTL_MSR, "IRPT_CTL_MSR", 64, T, I)                                                                \
    X(IRPT_CTL_MSR_MASK, "IRPT_CTL_MSR_MASK", 64, T, I)                                                      \
    X(TFHAR, "TFHAR", 64, T, I)                                                                              \
    X(TEXASR, "TEXASR", 64, T, I)                                                                            \
    X(TFIAR, "TFIAR", 64, T, I)                                                                              \
    X(TDOOMED, "TDOOMED", 32, T, I)                                                                          \
    X(APSCR, "APSCR", 64, T, I)                                                                              \
    X(TAR, "TAR", 64, T, I)                                                                                  \
    X(FSCR, "FSCR", 64, T, I)                                                                                \
    X(HFSCR, "HFSCR", 64, T, I)                                                                              \
    X(EPID, "EPID", 64, T, I)                                                                                \
    X(ELPIDR, "ELPIDR", 32, T, I)                                                                            \
    X(PSPB, "PSPB", 32, T, I)                                                                                \
    X(WORT, "WORT", 32, T, I)                                                                                \
    X(ICR, "ICR", 64, T, I)                                                                                  \
    X(MMCRS, "MMCRS", 64, T, I)                                                                              \
    X(SPMC1, "SPMC1", 32, T, I)                                                                              \
    X(SPMC2, "SPMC2", 32, T, I)                                                                              \
    X(TIDR, "TIDR", 64, T, I)                                                                                \
    X(MSR, "MSR", 64, T, N)                                                                                  \
    X(CR, "CR", 32, T, N)                                                                                    \
    X(FPSCR, "FPSCR", 64, T, N)                                                                              \
    X(FPSCR_CHANGE, "FPSCR_CHANGE", 64, T, N)                                                                \
    X(VSCR, "VSCR", 32, T, N)                                                                                \
    X(VSCR_CHANGE, "VSCR_CHANGE", 32, T, N)                                                                  \
    X(FPR_INVALID_MAP, "FPR_INVALID_MAP", 64, T, N)                                                          \
    X(CTRL, "CTRL", 32, T, N)                                                                                \
    X(PC, "PC", 64, T, N)

// The core's own CTRL slot is not in this list: it has no accessor members (see ProcessorState).
#define QUARN_CORE_REGISTERS(X)                                                                              \
    X(PVR, "PVR", 32, P, I)                                                                                  \
    X(TB, "TB", 64, P, I)                                                                                    \
    X(TBL, "TBL", 32, P, I)                                                                                  \
    X(TBU, "TBU", 32, P, I)                                                                                  \
    X(HID0, "HID0", 64, C, I)                                                                                \
    X(HID1, "HID1", 64, C, I)                                                                                \
    X(HID4, "HID4", 64, C, I)                                                                                \
    X(HID5, "HID5", 64, C, I)                                                                                \
    X(HMEER, "HMEER", 64, C, I)                                                                              \
    X(MMCRH, "MMCRH", 64, C, I)                                                                              \
    X(RWMR, "RWMR", 64, C, I)                                                                                \
    X(PMCR, "PMCR", 64, P, I)                                                                                \
    X(IMC, "IMC", 64, C, I)                                                                                  \
    X(IMA0, "IMA0", 64, C, I)                                                                                \
    X(IMA1, "IMA1", 64, C, I)                                                                                \
    X(IMA2, "IMA2", 64, C, I)                                                                                \
    X(IMA3, "IMA3", 64, C, I)                                                                                \
    X(IMA4, "IMA4", 64, C, I)                                                                                \
    X(IMA8, "IMA8", 64, C, I)                                                                                \
    X(IMA9, "IMA9", 64, C, I)                                                                                \
    X(IMA10, "IMA10", 64, C, I)                                                                              \
    X(IMA11, "IMA11", 64, C, I)                                                                              \
    X(IMA12, "IMA12", 64, C, I)                                                                              \
    X(SPR_MODEREG, "SPR_MODEREG", 64, C, I)                                                                  \
    X(SDR1, "SDR1", 64, P, I)                                                                                \
    X(HDEC, "HDEC", 32, P, I)                                                                                \
    X(RMOR, "RMOR", 64, P, I)                                                                                \
    X(HRMOR, "HRMOR", 64, C, I)                                                                              \
    X(PCR, "PCR", 64, P, I)                                                                                  \
    X(TST, "TTR", 64, C, I)                                                                                  \
    X(LPIDR, "LPIDR", 32, P, I)                                                                              \
    X(HPMC1, "HPMC1", 64, C, I)                                                                              \
    X(HPMC2, "HPMC2", 64, C, I)                                                                              \
    X(HPMC3, "HPMC3", 64, C, I)                                                                              \
    X(HPMC4, "HPMC4", 64, C, I)                                                                              \
    X(TRACE, "TRACE", 64, C, I)                                                                              \
    X(AMOR, "AMOR", 64, P, I)                                                                                \
    X(CIR, "CIR", 32, C, I)                                                                                  \
    X(DPDES, "DPDES", 64, P, I)                                                                              \
    X(DHDES, "DHDES", 64, C, I)                                                                              \
    X(RPR, "RPR", 64, P, I)                                                                                  \
    X(WORC, "WORC", 32, C, I)                                                                                \
    X(VTB, "VTB", 64, P, I)                                                                                  \
    X(TCSCR, "TCSCR", 64, C, I)                                                                              \
    X(TACR, "TACR", 64, C, I)                                                                                \
    X(LDBAR, "LDBAR", 64, P, I)                                                                              \
    X(PMMAR, "PMMAR", 64, P, I)                                                                              \
    X(PMICR, "PMICR", 64, C, I)                                                                              \
    X(PMSR, "PMSR", 64, C, I)                                                                                \
    X(TSCR, "TSCR", 32, C, I)                                                                                \
    X(CSIGR, "CSIGR", 64, C, I)                                                                              \
    X(MPPR, "MPPR", 64, P, I)                                                                                \
    X(MMCRC, "MMCRC", 64, C, I)                                                                              \
    X(AUTOINCREMENT, "AUTOINCREMENT", 64, C, I)                                                              \
    X(CHECKSTOP, "CHECKSTOP", 64, C, I)                                                                      \
    X(AVP_OUTPUT, "AVP_OUTPUT", 64, C, I)                                                                    \
    X(SCRATCH0, "SCRATCH0", 64, C, I)                                                                        \
    X(SCRATCH1, "SCRATCH1", 64, C, I)                                                                        \
    X(SCRATCH2, "SCRATCH2", 64, C, I)                                                                        \
    X(SCRATCH3, "SCRATCH3", 64, C, I)                                                                        \
    X(SCRATCH4, "SCRATCH4", 64, C, I)                                                                        \
    X(SCRATCH5, "SCRATCH5", 64, C, I)                                                                        \
    X(SCRATCH6, "SCRATCH6", 64, C, I)                                                                        \
    X(SCRATCH7, "SCRATCH7", 64, C, I)                                                                        \
    X(SPATTN0, "SPATTN0", 64, C, I)                                                                          \
    X(SPATTN1, "SPATTN1", 64, C, I)                                                                          \
    X(SPATTN2, "SPATTN2", 64, C, I)                                                                          \
    X(SPATTN3, "SPATTN3", 64, C, I)                                                                          \
    X(SPATTN4, "SPATTN4", 64, C, I)                                                                          \
    X(SPATTN5, "SPATTN5", 64, C, I)                                                                          \
    X(SPATTN6, "SPATTN6", 64, C, I)                                                                          \
    X(SPATTN7, "SPATTN7", 64, C, I)                                                                          \
    X(SDI0, "SDI0", 64, C, I)                                                                                \
    X(SDI1, "SDI1", 64, C, I)                                                                                \
    X(SDI2, "SDI2", 64, C, I)                                                                                \
    X(SDI3, "SDI3", 64, C, I)                                                                                \
    X(SDI4, "SDI4", 64, C, I)                                                                                \
    X(SDI5, "SDI5", 64, C, I)                                                                                \
    X(SDI6, "SDI6", 64, C, I)                                                                                \
    X(SDI7, "SDI7", 64, C, I)                                                                                \
    X(L2HADSR, "L2HADSR", 64, C, I)                                                                          \
    X(L3HARPR, "L3HARPR", 64, C, I)                                                                          \
    X(L3HAWPR, "L3HAWPR", 64, C, I)                                                                          \
    X(L2MVSR0, "L2MVSR0", 64, C, I)                                                                          \
    X(L2MVSR1, "L2MVSR1", 64, C, I)                                                                          \
    X(L2QOSR, "L2QOSR", 64, C, I)

// Value type of a width: QUARN_REG_VALUE(64) is uint64_t.
#define QUARN_REG_VALUE(width) QUARN_REG_VALUE_##width
#define QUARN_REG_VALUE_64 uint64_t
#define QUARN_REG_VALUE_32 uint32_t
