// The subtype codes' texts: why an exception was raised; a record with a subtype is printed with
// its text.
#include "interrupts/exception_names.h"

namespace
{

constexpr int NUM_SUBTYPES = 305;

const char *const est_texts[NUM_SUBTYPES - 1] = {
    "ALIGNMENT: Floating Point: Cache-inhibited: lfdp", // 1
    "ALIGNMENT: Floating Point: Cache-inhibited: stfdp", // 2
    "ALIGNMENT: Cache-inhibited: stmd", // 3
    "ALIGNMENT: Floating Point: load/store not 4-byte aligned", // 4
    "ALIGNMENT: ldawx not 8-byte aligned", // 5
    "ALIGNMENT: load crosses page boundary", // 6
    "ALIGNMENT: store crosses page boundary", // 7
    "ALIGNMENT: Floating Point: load crosses 32-byte boundary", // 8
    "ALIGNMENT: Floating Point: load crosses page boundary", // 9
    "ALIGNMENT: Floating Point: single precision (4-byte) load crosses 32-byte boundary", // 10
    "ALIGNMENT: Floating Point: store not 4-byte aligned & crosses 4K boundary", // 11
    "ALIGNMENT: Floating Point: BookE: load not naturally aligned", // 12
    "ALIGNMENT: Floating Point: BookE: store not naturally aligned", // 13
    "ALIGNMENT: CCR0 FLSTA unaligned address", // 14
    "ALIGNMENT: crosses page boundary", // 15
    "ALIGNMENT: VSX: Little-endian: DABR_DW for stxvd2ux, stxvd2x, stxvw4ux, stxvw4x", // 16
    "ALIGNMENT: VSX: Little-endian: DABR_DW & crosses 8-byte boundary", // 17
    "ALIGNMENT: Floating Point: Little-endian: DABR mode, DABR_DR=1, crosses 8-byte boundary", // 18
    "ALIGNMENT: Floating Point: Little-endian: DABR mode, DABR_DW=1, crosses 8-byte boundary", // 19
    "ALIGNMENT: Floating Point: store crosses page boundary", // 20
    "ALIGNMENT: VMX: Little-endian: load across 32-byte boundary", // 21
    "ALIGNMENT: load multiple from unaligned address.", // 22
    "ALIGNMENT: load multiple spans pages with different Storage Attributes (WIMG)", // 23
    "ALIGNMENT: load crosses page boundary", // 24
    "ALIGNMENT: (forced-alignment) load crosses 32-byte boundary", // 25
    "ALIGNMENT: load spans pages with different Storage Attributes (WIMG)", // 26
    "ALIGNMENT: Little-endian: load/store crosses 32-byte boundary", // 27
    "ALIGNMENT: VOXA unaligned address (Bit 31 = 1)", // 28
    "ALIGNMENT: VOXA unaligned address (Bit 31 = 1)", // 29
    "ALIGNMENT: Cache-inhibited: Reservation access", // 30
    "ALIGNMENT: store multiple from unaligned address.", // 31
    "ALIGNMENT: store multiple spans pages with different Storage Attributes (WIMG)", // 32
    "ALIGNMENT: (forced-alignment) store crosses 4K boundary", // 33
    "ALIGNMENT: Little-endian: store crosses 32-byte boundary", // 34
    "ALIGNMENT: store spans pages with different Storage Attributes (WIMG)", // 35
    "ALIGNMENT: store string crosses 128-byte boundary", // 36
    "ALIGNMENT: Cache-inhibited: Little-endian: store not naturally aligned", // 37
    "ALIGNMENT: load string spans pages with different Storage Attributes (WIMG)", // 38
    "ALIGNMENT: store string spans pages with different Storage Attributes (WIMG)", // 39
    "ALIGNMENT: VSX: store not 4-byte aligned", // 40
    "ALIGNMENT: VSX: Cache-inhibited: (16-byte store) stxvd2ux, stxvd2x, stxvw4ux, stxvw4x not 16-byte aligned", // 41
    "ALIGNMENT: VSX: Cache-inhibited: (4-byte store) stxswux, stxswx not 4-byte aligned", // 42
    "ALIGNMENT: VSX: Cache-inhibited: (8-byte store) stxsdux, stxsdx not 8-byte aligned", // 43
    "ALIGNMENT: VSX: (forced-alignment) ld/st not 16-byte aligned", // 44
    "ALIGNMENT: VSX: ld/st not 4-byte aligned", // 45
    "ALIGNMENT: VSX: load crosses 4-byte boundary", // 46
    "ALIGNMENT: VSX: (forced-alignment) load cross 32-byte boundary", // 47
    "ALIGNMENT: VSX: (forced-alignment) load not 8-byte aligned", // 48
    "ALIGNMENT: VSX: Cache-inhibited: load or force_ali=1", // 49
    "ALIGNMENT: VSX: Cache-inhibited: scalar ld/stx not 4-byte aligned", // 50
    "ALIGNMENT: VSX: Cache-inhibited: scalar ld/stx not naturally aligned", // 51
    "ALIGNMENT: VSX: Little-endian: store on odd-word boundary", // 52
    "ALIGNMENT: VSX: (forced-alignment) store cross 4K boundary", // 53
    "ALIGNMENT: VSX: (forced-alignment) store not 8-byte aligned", // 54
    "ALIGNMENT: VSX: Cache-inhibited: store or force_ali=1", // 55
    "ALIGNMENT: VSX: Little-endian: vector ld/st crosses 32-byte boundary", // 56
    "ALIGNMENT: VSX: Little-endian: vector ld/st in DABR mode", // 57
    "ALIGNMENT: VSX: Little-endian: vector ld/st not 8-byte aligned", // 58
    "ALIGNMENT: VSX: Cache-inhibited: vector ld/stx not 16-byte aligned", // 59
    "ALIGNMENT: VSX: Cache-inhibited: vector ld/stx not 4-byte aligned", // 60
    "ALIGNMENT: VSX: (forced-alignment) load & not 16-byte aligned", // 61
    "ALIGNMENT: VSX: Cache-inhibited: vector load & crosses 16-byte boundary", // 62
    "ALIGNMENT: VSX: (forced-alignment) store & not 16-byte aligned", // 63
    "ALIGNMENT: Cache-inhibited: memory not naturally aligned", // 64
    "ALIGNMENT: Cache-inhibited: dcbz or write-thru", // 65
    "ALIGNMENT: Cache-inhibited(IL1d): dcbz or write-thru(WL1)", // 66
    "ALIGNMENT: Cache-inhibited: dcbz (gharm)", // 67
    "ALIGNMENT: Cache-inhibited: dcbz (cirn)", // 68
    "ALIGNMENT: Cache-inhibited: dcbz (kuvo)", // 69
    "ALIGNMENT: Cache-inhibited: dcbz", // 70
    "ALIGNMENT: dcbz with CCR cache miss", // 71
    "ALIGNMENT: dcbz with SWOA", // 72
    "ALIGNMENT: dcbz with U2 SWOA", // 73
    "ALIGNMENT: Cache-inhibited: dcbz_l or write-thru", // 74
    "ALIGNMENT: dcread not 4-byte aligned", // 75
    "ALIGNMENT: Floating Point: store not 4-byte aligned and crosses 32-byte boundary", // 76
    "ALIGNMENT: icread not 4-byte aligned", // 77
    "ALIGNMENT: icswx not 128-byte aligned", // 78
    "ALIGNMENT: icswx crosses 128-byte boundary.", // 79
    "ALIGNMENT: larx/stcx OR ld/st mult OR ld/st quad not naturally aligned", // 80
    "ALIGNMENT: Cache-inhibited: larx/stcx from/to memory (V2)", // 81
    "ALIGNMENT: Cache-inhibited: larx/stcx from/to memory", // 82
    "ALIGNMENT: Write-thru: larx/stcx", // 83
    "ALIGNMENT: Cache-inhibited: ld... & crosses 8-byte boundary", // 84
    "ALIGNMENT: Cache-inhibited: ld/ldu & crosses 8-byte boundary", // 85
    "ALIGNMENT: Little-endian: ld/st string OR ld/st mult OR ld/st quad", // 86
    "ALIGNMENT: Cache-inhibited: ld/st store not naturally aligned", // 87
    "ALIGNMENT: Floating Point: Cache-inhibited: lfd or lfdu & crosses 8-byte boundary", // 88
    "ALIGNMENT: Floating Point: lfdp crosses 16-byte boundary", // 89
    "ALIGNMENT: Floating Point: lfdp./stfdp. not 16-byte aligned", // 90
    "ALIGNMENT: Floating Point: Cache-inhibited: lfdp./stfdp. or lq/stq", // 91
    "ALIGNMENT: Floating Point: lfdpx address not 16-byte aligned", // 92
    "ALIGNMENT: Floating Point: lfdpx crosses 16-byte boundary", // 93
    "ALIGNMENT: Floating Point: Cache-inhibited: lfdpx", // 94
    "ALIGNMENT: Floating Point: lfdq address not 16-byte aligned", // 95
    "ALIGNMENT: Floating Point: Cache-inhibited: lfdx or lfdux & crosses 8-byte boundary", // 96
    "ALIGNMENT: Floating Point: lfiwax, lfiwzx, lfsux or lfsx in DABR mode, DABR_DR=1 & crosses 8-byte boundary", // 97
    "ALIGNMENT: Floating Point: lfiwax, lfiwzx, lfsux or lfsx crosses 32-byte boundary", // 98
    "ALIGNMENT: Floating Point: lfs or lfsu crosses 32-byte boundary", // 99
    "ALIGNMENT: Floating Point: lfs or lfsu in DABR mode, DABR_DR=1 & crosses 8-byte boundary", // 100
    "ALIGNMENT: Floating Point: Cache-inhibited: lfs or lfsu & crosses 4-byte boundary", // 101
    "ALIGNMENT: Floating Point: lfs./lfiw.x crosses 32-byte boundary", // 102
    "ALIGNMENT: Floating Point: lfs./lfiw.x crosses 8-byte boundary in DABR mode", // 103
    "ALIGNMENT: Floating Point: Cache-inhibited: lfsux, lfsx, lfiwax or lfiwzx & crosses 4-byte boundary", // 104
    "ALIGNMENT: Cache-inhibited: lha,lhz,lhau, lhzu & crosses 2-byte boundary", // 105
    "ALIGNMENT: Cache-inhibited: lha.,lhbrx,lhz. & crosses 2-byte boundary", // 106
    "ALIGNMENT: Little-endian: alignment", // 107
    "ALIGNMENT: Little-endian: crosses 8-byte with DABR", // 108
    "ALIGNMENT: Little-endian: lmw", // 109
    "ALIGNMENT: Little-endian: lq", // 110
    "ALIGNMENT: Little-endian: lsdi", // 111
    "ALIGNMENT: Little-endian: lsdx", // 112
    "ALIGNMENT: Little-endian: stmw", // 113
    "ALIGNMENT: Little-endian: stswi/stswx", // 114
    "ALIGNMENT: lmd crosses 8-byte boundary", // 115
    "ALIGNMENT: Little-endian: lmd", // 116
    "ALIGNMENT: Cache-inhibited: lmd", // 117
    "ALIGNMENT: lmw crosses 4-byte boundary", // 118
    "ALIGNMENT: Cache-inhibited: lmw", // 119
    "ALIGNMENT: Little-endian: lmw or lq", // 120
    "ALIGNMENT: lmw or stmw not naturally aligned", // 121
    "ALIGNMENT: Cache-inhibited: load algebraic", // 122
    "ALIGNMENT: (forced alignment) load crosses 32-byte boundary", // 123
    "ALIGNMENT: Little-endian: load crosses 8-byte boundary in DABR mode or force_ali=1", // 124
    "ALIGNMENT: Floating Point: load double pair", // 125
    "ALIGNMENT: Little-endian: load & crosses 32-byte boundary", // 126
    "ALIGNMENT: (forced-alignment) load string crosses 32-byte boundary", // 127
    "ALIGNMENT: Little-endian: load string crosses 8-byte boundary in DABR mode or force_ali=1", // 128
    "ALIGNMENT: Little-endian: load string", // 129
    "ALIGNMENT: Cache-inhibited: load string", // 130
    "ALIGNMENT: VMX: Cache-inhibited: lvlx, lvlxl, lvrx, lvrxl", // 131
    "ALIGNMENT: Floating Point: Cache-inhibited: load/store double paired from/to", // 132
    "ALIGNMENT: Floating Point: Cache-inhibited: load/store double not 8-byte aligned", // 133
    "ALIGNMENT: Cache-inhibited: store to memory not naturally aligned (C=1)", // 134
    "ALIGNMENT: Cache-inhibited: load/store multiple from/to memory (C=1)", // 135
    "ALIGNMENT: load/store quad", // 136
    "ALIGNMENT: lq address not 8-byte aligned", // 137
    "ALIGNMENT: lq crosses 16-byte boundary", // 138
    "ALIGNMENT: lswi string crosses 128-byte boundary", // 139
    "ALIGNMENT: Little-endian: lswi", // 140
    "ALIGNMENT: lswx string crosses 128-byte boundary", // 141
    "ALIGNMENT: Little-endian: lswx", // 142
    "ALIGNMENT: ltptr address not 8-byte aligned", // 143
    "ALIGNMENT: VMX: Little-endian: lvlx, lvlxl, lvrx, lvrxl", // 144
    "ALIGNMENT: VMX: Cache-inhibited: lvlx[l]", // 145
    "ALIGNMENT: VMX: Cache-inhibited: lvrx[l]", // 146
    "ALIGNMENT: VMX: Little-endian: lvrx[l], stvrx[l], lvlx[l], stvlx[l]", // 147
    "ALIGNMENT: Cache-inhibited: lwa & crosses 4-byte boundary", // 148
    "ALIGNMENT: Cache-inhibited: lwa., lwbrx, lwz. & crosses 4-byte boundary", // 149
    "ALIGNMENT: Cache-inhibited: lwz/lwzu & crosses 4-byte boundary", // 150
    "ALIGNMENT: VSX: Little-endian: lxsdux or lxsdx load & crosses 32-byte boundary", // 151
    "ALIGNMENT: VSX: Cache-inhibited: lxsdux or lxsdx load & crosses 8-byte boundary", // 152
    "ALIGNMENT: VSX: Little-endian: lxswux or lxswx load & crosses 32-byte boundary", // 153
    "ALIGNMENT: VSX: Cache-inhibited: lxswux or lxswx load & crosses 4-byte boundary", // 154
    "ALIGNMENT: VSX: Little-endian: lxvd2ux or lxvd2x load & crosses 32-byte boundary", // 155
    "ALIGNMENT: VSX: Cache-inhibited: lxvdsx load & DABR_RD is set & crosses 8-byte boundary", // 156
    "ALIGNMENT: VSX: lxvdsx load & DABR_RD is set & crosses 8-byte boundary", // 157
    "ALIGNMENT: VSX: Cache-inhibited: lxvdsx not 8-byte aligned", // 158
    "ALIGNMENT: VSX: Cache-inhibited: lxvdsx not 4-byte aligned", // 159
    "ALIGNMENT: VSX: Little-endian: lxvw4ux or lxvw4x load & crosses 32-byte boundary", // 160
    "ALIGNMENT: odd word aligned", // 161
    "ALIGNMENT: Write-thru: stcx", // 162
    "ALIGNMENT: Cache-inhibited: std... & crosses 8-byte boundary", // 163
    "ALIGNMENT: Cache-inhibited: std/stdu & crosses 8-byte boundary", // 164
    "ALIGNMENT: stdcx crosses 8-byte boundary", // 165
    "ALIGNMENT: Floating Point: store crosses 4K boundary & not 4-byte aligned", // 166
    "ALIGNMENT: Floating Point: stfd or stfdu in DABR mode, DABR_DW=1, crosses 8-byte boundary & not 4-byte aligned", // 167
    "ALIGNMENT: Floating Point: Cache-inhibited: stfd or stfdu & crosses 8-byte boundary", // 168
    "ALIGNMENT: Floating Point: stfd. crosses 4-byte boundary in DABR mode", // 169
    "ALIGNMENT: Floating Point: stfdp address not 16-byte aligned", // 170
    "ALIGNMENT: Floating Point: stfdp crosses 16-byte boundary", // 171
    "ALIGNMENT: Floating Point: stfdpx crosses 16-byte boundary", // 172
    "ALIGNMENT: Floating Point: Cache-inhibited: stfdpx", // 173
    "ALIGNMENT: Floating Point: stfdqx address not 16-byte aligned", // 174
    "ALIGNMENT: Floating Point: stfdx or stfdux crosses 4K boundary & not 4-byte aligned", // 175
    "ALIGNMENT: Floating Point: stfdx or stfdux in DABR mode, DABR_DW=1, crosses 8-byte boundary & not 4-byte aligned", // 176
    "ALIGNMENT: Floating Point: Cache-inhibited: stfdx or stfdux & crosses 8-byte boundary", // 177
    "ALIGNMENT: Floating Point: stfiwx store not 4-byte aligned and crosses 32-byte boundary", // 178
    "ALIGNMENT: Floating Point: store crosses 4K boundary", // 179
    "ALIGNMENT: Floating Point: stfiwx, stfsux or stfsx in DABR mode, DABR_DW=1 & crosses 8-byte boundary", // 180
    "ALIGNMENT: Floating Point: stfs or stfsu crosses 4K boundary", // 181
    "ALIGNMENT: Floating Point: stfs or stfsu in DABR mode, DABR_DW=1 & crosses 8-byte boundary", // 182
    "ALIGNMENT: Floating Point: Cache-inhibited: stfs or stfsu & crosses 4-byte boundary", // 183
    "ALIGNMENT: Floating Point: stfs./stfiwx crosses 4K boundary", // 184
    "ALIGNMENT: Floating Point: stfs./stfiwx crosses 8-byte boundary in DABR mode", // 185
    "ALIGNMENT: Floating Point: Cache-inhibited: stfsux, stfsx, stfiwx & crosses 4-byte boundary", // 186
    "ALIGNMENT: Cache-inhibited: sth, sthu & crosses 2-byte boundary", // 187
    "ALIGNMENT: Cache-inhibited: sthux, sthux, sthbrx, sthcix & crosses 2-byte boundary", // 188
    "ALIGNMENT: stmd crosses 8-byte boundary", // 189
    "ALIGNMENT: stmw crosses 4-byte boundary", // 190
    "ALIGNMENT: Little-endian: stmw", // 191
    "ALIGNMENT: Cache-inhibited: stmw", // 192
    "ALIGNMENT: (forced-alignment) store crosses 32-byte boundary", // 193
    "ALIGNMENT: Little-endian: store crosses 8-byte boundary in DABR mode or force_ali=1", // 194
    "ALIGNMENT: Little-endian: store & crosses 32-byte boundary", // 195
    "ALIGNMENT: (forced-alignment) store string crosses 4K boundary", // 196
    "ALIGNMENT: Little-endian: store string crosses 8-byte boundary in DABR mode or force_ali=1", // 197
    "ALIGNMENT: store violates special alignment", // 198
    "ALIGNMENT: stq address not 8-byte aligned", // 199
    "ALIGNMENT: stq crosses 16-byte boundary", // 200
    "ALIGNMENT: Little-endian: stq or stmd", // 201
    "ALIGNMENT: Cache-inhibited: stq", // 202
    "ALIGNMENT: Write-thru: stq", // 203
    "ALIGNMENT: Cache-inhibited: stswi, stswx, stsdi, stsdx string", // 204
    "ALIGNMENT: Little-endian: stsdi, stsdx, stswi or stswx", // 205
    "ALIGNMENT: VMX: Little-endian: stvlx, stvlxl, xtvrx, stvrxl", // 206
    "ALIGNMENT: VMX: Cache-inhibited: stvlx, stvlxl, xtvrx, stvrxl", // 207
    "ALIGNMENT: VMX: Cache-inhibited: stvlx[l]", // 208
    "ALIGNMENT: VMX: Cache-inhibited: stvrx[l]", // 209
    "ALIGNMENT: Cache-inhibited: stw, stwu & crosses 4-byte boundary", // 210
    "ALIGNMENT: stwcx crosses 4-byte boundary", // 211
    "ALIGNMENT: Cache-inhibited: stwux, stwx, stwbrx, stwcix & crosses 4-byte boundary", // 212
    "ALIGNMENT: user generated", // 213
    "ALIGNMENT: VSX: Cache-inhibited: vector load & DABR_RD is set Always considered crosses 8-byte boundary", // 214
    "ALIGNMENT: VSX: vector load & DABR_RD is set Always considered crosses 8-byte boundary", // 215
    "ALIGNMENT: VSX: Cache-inhibited: DABR_DW & (16-byte store) stxvd2ux, stxvd2x, stxvw4ux, stxvw4x", // 216
    "ALIGNMENT: VSX: Little-endian: vector store & crosses 32-byte boundary", // 217
    "PROGRAM: Privileged Instruction", // 218
    "PROGRAM: Trap Instruction", // 219
    "PROGRAM: Unimplemented Instruction", // 220
    "PROGRAM: Illegal Instruction", // 221
    "ISI: G bit is set", // 222
    "ISI: TLB G bit is on", // 223
    "ISI: N bit set", // 224
    "ISI: user generated", // 225
    "DSI: access to non-existent physical address", // 226
    "DSI: Write-thru: Reservation", // 227
    "DSI: Cache-inhibited: Reservation", // 228
    "DSI: DABR match", // 229
    "DSI: Write-thru: lwarx (Fendra)", // 230
    "DSI: Little-endian: Paired-Single", // 231
    "DSI: Direct Store Segment", // 232
    "DSI: W, WL1, or IL1d for atomic op", // 233
    "DSI: Storage Protection Fault", // 234
    "DSI: Write-thru: stq", // 235
    "DSI: Cache-inhibited: stq", // 236
    "DSI: Cache-inhibited: icswx", // 237
    "DSI: unavailable coprocessor: icswx", // 238
    "DSI: Real-Mode Data Storage Protection Fault", // 239
    "DSI: user generated", // 240
    "DSI: Write-thru: Reservation: user generated", // 241
    "ALIGNMENT: Cache-inhibited: lq/stq", // 242
    "PROGRAM: (MELU) - store indicate exception - NAN", // 243
    "PROGRAM: (MELU) - store indicate exception - INFINITY", // 244
    "ALIGNMENT: Little-endian: store multiple crosses 8-byte boundary in DABR mode or force_ali=1", // 245
    "ALIGNMENT: Little-endian: load multiple crosses 8-byte boundary in DABR mode or force_ali=1", // 246
    "DSI: Data Storage Segment Fault", // 247
    "DSI: Page Fault", // 248
    "DSI: Storage Key", // 249
    "ISI: Instruction Storage Segment Fault", // 250
    "ISI: Storage Key", // 251
    "ISI: Page Fault", // 252
    "ISI: IABR match", // 253
    "DSI: ACCR match", // 254
    "DSI: TLBI", // 255
    "DSI: TLB Match with Protection Failure ", // 256
    "DSI: TLB Match needs R/C bit updated", // 257
    "DSI: Cache line locked with UCLEP bit in MSRP", // 258
    "ISI: TLB match, but no execution bit", // 259
    "ISI: TLBI", // 260
    "ALIGNMENT: Little-endian: load algebraic (tesk)", // 261
    "ALIGNMENT: Little-endian: load/store string (tesk)", // 262
    "ALIGNMENT: Little-endian: lswx/stswx and XER[TBC] != 0 (tesk)", // 263
    "ALIGNMENT: Little-endian: load/store multiple (tesk)", // 264
    "ALIGNMENT: Cache-inhibited: load/store from/to memory not naturally aligned (C=0)", // 265
    "ALIGNMENT: Cache-inhibited: VMX store to memory not naturally aligned", // 266
    "ALIGNMENT: Cache-inhibited: load/store multiple from/to memory (C=0)", // 267
    "DSI: Effective Address Overflow (EAO)", // 268
    "DSI: Virtualization Fault", // 269
    "Wolk artificially generated interrupt", // 270
    "Instruction fetch with Guarded (wimG) bit on", // 271
    "Instruction fetch with no-execute bit on", // 272
    "ALIGNMENT: Paired-single quantization load not word-aligned", // 273
    "ALIGNMENT: Paired-single quantization store not word-aligned", // 274
    "ecowx to disabled resource id", // 275
    "ALIGNMENT: ecowx not word-aligned", // 276
    "PROGRAM: TM Bad Thing", // 277
    "DSI: DAWR match", // 278
    "TRACE: CIABR MATCH", // 279
    "DSI: CI op w/DR=1 or to G=0 space", // 280
    "DSI: PBT not updating CR0=2", // 281
    "ALIGNMENT: pbt not 128-byte aligned", // 282
    "DSI: Cache-inhibited: pbt", // 283
    "DSI: Write-thru: pbt", // 284
    "DSI: Effective Address Overflow (EAO) segment cross", // 285
    "HTM: instruction terminated by TM fail", // 286
    "DSI: Write-thru: icswx", // 287
    "TRACE: CIABR MATCH and Single Step or Branch Trace", // 288
    "SOFTPATCH: Normal Softpatch interrupt", // 289
    "SOFTPATCH: DENORM Ucode Store Softpatch interrupt", // 290
    "DSI: Radix Data Storage Protection Fault", // 291
    "ISI: Radix Storage Protection", // 292
    "ISI: Guest Radix Segment Fault", // 293
    "DSI: Radix Host/Guest PTE Storage Attributes do not match", // 294
    "ISI: Radix Host/Guest PTE Storage Attributes do not match", // 295
    "ALIGNMENT: Cache-inhibited: AMO load/store", // 296
    "ALIGNMENT: AMO load/store not naturally aligned", // 297
    "ALIGNMENT: AMO load/store crosses 32-byte boundary", // 298
    "DSI: AMO Load/Store with Invalid function code", // 299
    "DSI: Radix segment fault: invalid EA[0:1] = 0b10 or 0b01 w/HV=0", // 300
    "ISI: Radix segment fault: invalid EA[0:1] = 0b10 or 0b01 w/HV=0", // 301
    "ALIGNMENT: PELK load/store not naturally aligned", // 302
    "PROGRAM: MMU Bad Thing - HR=1 & GR=0", // 303
    "PROGRAM: MMU Bad Thing - LPCR[BoT]=1 &  HR=1 & GR=0", // 304
};

const char *est_table[NUM_SUBTYPES];

} // namespace

void Init_est_table(void)
{
    est_table[0] = nullptr;
    for (int code = 1; code < NUM_SUBTYPES; code++)
        est_table[code] = est_texts[code - 1];
}

const char *est_string(int32_t subtype)
{
    if (subtype <= 0 || subtype >= NUM_SUBTYPES) return nullptr;
    // Served before Init_est_table too, so that early messages name their subtypes.
    return est_table[subtype] ? est_table[subtype] : est_texts[subtype - 1];
}
