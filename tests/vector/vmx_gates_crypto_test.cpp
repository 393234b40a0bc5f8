// The gates of the VMX integer and crypto instructions (SIM_CTRL crypto disable, SIM_CTRL1
// quadword enable, the level-2.06 test of problem state, the VMX check) and the AES and SHA-2
// instructions: the GF(2^8) multipliers and SHA sigma functions against host references, the
// S-box, and full AES-128 against the host crypto library.
// The low-level AES calls give the expanded round keys.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/aes.h>

#include <bit>

#include <cstring>

#include "isa/vsu_helpers.h"
#include "processor/regs/reg_triggers.h"
#include "vector/vmx_crypto.h"
#include "vmx_cases.h"

namespace vec_test
{
namespace
{

constexpr uint64_t kSimCtrl1Enable = 0x4000000000000000;
constexpr uint64_t kCryptoDisable = 0x2000000000000000;

class VmxGates : public VmxTest
{
  public:
    // Runs a row with VA = v1, VB = v2, VC = v3 into v4; returns the routine's result.
    int attempt(const char *m)
    {
        return run_case(VmxCase{m, Vec128{1, 2}, Vec128{3, 4}, Vec128{5, 6}, Vec128{0, 0}, false});
    }
    void expect_refused(const char *m, int type, const char *why)
    {
        const Vec128 before{0x5555, 0xAAAA};
        set_vr(4, before);
        const uint64_t pc_before = pc();
        EXPECT_EQ(attempt(m), 0) << m << " " << why;
        EXPECT_EQ(raised_type(), type) << m << " " << why;
        EXPECT_EQ(vr(4), before) << m << " " << why;
        EXPECT_EQ(pc(), pc_before) << m << " " << why;
    }
    void expect_done(const char *m, const char *why)
    {
        EXPECT_EQ(attempt(m), 1) << m << " " << why;
        EXPECT_EQ(raised_type(), -1) << m << " " << why;
    }
};

const char *const kCrypto[] = {"vcipher", "vcipherlast", "vncipher",  "vncipherlast",
                               "vsbox",   "vshasigmaw",  "vshasigmad"};
const char *const kQuadword[] = {"vadduqm", "vaddcuq",  "vaddeuqm", "vaddecuq", "vsubuqm",
                                 "vsubcuq", "vsubeuqm", "vsubecuq", "vbpermq"};
// Rows of level 2.07 (the PCR test), and rows of older levels that never consult PCR bit 0x4.
const char *const kLevel207[] = {"vmuluwm", "vmulesw", "vclzw",   "vpopcntd", "vorc",      "vpermxor",
                                 "vgbbd",   "vpmsumw", "vaddudm", "vcmpgtsd", "vcmpequd.", "vpksdss",
                                 "vupkhsw", "vrld",    "vcipher", "vsbox"};
const char *const kOlder[] = {"vand", "vperm", "vsumsws", "vcmpgtub.", "vmhraddshs", "vslw", "vmaxsw"};

TEST_F(VmxGates, CryptoDisableComesFirst)
{
    ew.t->SIM_CTRL.value = kCryptoDisable;
    msr() &= ~MSR_VMX; // the crypto gate runs before the VMX check
    for (const char *m : kCrypto)
        expect_refused(m, 28, "crypto disabled");
    msr() |= MSR_VMX;
    for (const char *m : kCrypto)
        expect_refused(m, 28, "crypto disabled, VEC on");
    ew.t->SIM_CTRL.value = 0;
    for (const char *m : kCrypto)
        expect_done(m, "crypto enabled");
}

TEST_F(VmxGates, QuadwordEnableComesBeforeEverything)
{
    ew.t->SIM_CTRL1.value = 0x0600000000000000;
    msr() &= ~MSR_VMX;
    for (const char *m : kQuadword)
        expect_refused(m, 28, "SIM_CTRL1 clear");
    ew.t->SIM_CTRL1.value = kSimCtrl1Enable;
    for (const char *m : kQuadword)
        expect_refused(m, EXC_VMX_UNAVAILABLE, "enabled, VEC off");
}

TEST_F(VmxGates, QuadwordEnableIsTestedBeforeThePcr)
{
    // Problem state with PCR bit 0x4 and SIM_CTRL1 clear: refused without reading PCR.
    TclRecorder tcl;
    problem_state();
    pcr(0x4);
    Attach_Read_Trigger(&ew.core.core->PCR.trigger, "PCR", "record");
    ew.t->SIM_CTRL1.value = 0;
    expect_refused("vbpermq", 28, "SIM_CTRL1 first");
    EXPECT_EQ(tcl.count("PCR"), 0);
    ew.t->SIM_CTRL1.value = kSimCtrl1Enable;
    expect_refused("vbpermq", 28, "then the PCR");
    EXPECT_EQ(tcl.count("PCR"), 1);
}

TEST_F(VmxGates, LevelTestOfProblemState)
{
    problem_state();
    pcr(0x4);
    msr() &= ~MSR_VMX; // the level test runs before the VMX check
    for (const char *m : kLevel207)
        expect_refused(m, 28, "problem state, PCR 0x4");
    for (const char *m : kOlder)
        expect_refused(m, EXC_VMX_UNAVAILABLE, "older level, VEC off");
    msr() |= MSR_VMX;
    for (const char *m : kOlder)
        expect_done(m, "older level");
    // Privileged state never consults the PCR.
    msr() &= ~MSR_PR;
    for (const char *m : kLevel207)
        expect_done(m, "privileged");
}

TEST(VmxCryptoHelpers, MultipliersEqualGaloisFieldProducts)
{
    auto product = [](uint8_t a, uint8_t b) {
        uint8_t p = 0;
        for (int i = 0; i < 8; i++) {
            if (b & (1 << i)) p ^= a;
            a = (uint8_t)((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
        }
        return p;
    };
    for (int x = 0; x < 256; x++) {
        const uint8_t b = (uint8_t)x;
        EXPECT_EQ(VSU_GFMul02(b), product(b, 0x02)) << x;
        EXPECT_EQ(VSU_GFMul03(b), product(b, 0x03)) << x;
        EXPECT_EQ(VSU_GFMul09(b), product(b, 0x09)) << x;
        EXPECT_EQ(VSU_GFMul0B(b), product(b, 0x0B)) << x;
        EXPECT_EQ(VSU_GFMul0D(b), product(b, 0x0D)) << x;
        EXPECT_EQ(VSU_GFMul0E(b), product(b, 0x0E)) << x;
    }
}

TEST(VmxCryptoHelpers, ShaSigmasEqualHostFormulas)
{
    uint64_t seed = 0x243F6A8885A308D3;
    for (int i = 0; i < 64; i++) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        const uint32_t w = (uint32_t)(seed >> 17);
        const uint64_t d = seed;
        EXPECT_EQ(VSU_SHA256_Sigma(w, 0), std::rotr(w, 7) ^ std::rotr(w, 18) ^ (w >> 3));
        EXPECT_EQ(VSU_SHA256_Sigma(w, 1), std::rotr(w, 17) ^ std::rotr(w, 19) ^ (w >> 10));
        EXPECT_EQ(VSU_SHA256_Sigma(w, 2), std::rotr(w, 2) ^ std::rotr(w, 13) ^ std::rotr(w, 22));
        EXPECT_EQ(VSU_SHA256_Sigma(w, 3), std::rotr(w, 6) ^ std::rotr(w, 11) ^ std::rotr(w, 25));
        EXPECT_EQ(VSU_SHA512_Sigma(d, 0), std::rotr(d, 1) ^ std::rotr(d, 8) ^ (d >> 7));
        EXPECT_EQ(VSU_SHA512_Sigma(d, 1), std::rotr(d, 19) ^ std::rotr(d, 61) ^ (d >> 6));
        EXPECT_EQ(VSU_SHA512_Sigma(d, 2), std::rotr(d, 28) ^ std::rotr(d, 34) ^ std::rotr(d, 39));
        EXPECT_EQ(VSU_SHA512_Sigma(d, 3), std::rotr(d, 14) ^ std::rotr(d, 18) ^ std::rotr(d, 41));
    }
}

Vec128 from_bytes(const uint8_t *b)
{
    Vec128 v{0, 0};
    for (int i = 0; i < 8; i++) {
        v.high = (v.high << 8) | b[i];
        v.low = (v.low << 8) | b[8 + i];
    }
    return v;
}

class VmxCrypto : public VmxTest
{
  protected:
    Vec128 op(const char *m, Vec128 a, Vec128 b)
    {
        set_vr(1, a);
        set_vr(2, b);
        EXPECT_EQ(run(VX(m, 4, 1, 2)), 1) << m;
        return vr(4);
    }
};

TEST_F(VmxCrypto, SboxOfZero)
{
    EXPECT_EQ(op("vsbox", Vec128{0, 0}, Vec128{0, 0}), dwords(0x6363636363636363, 0x6363636363636363));
    EXPECT_EQ(op("vsbox", dwords(0x5300000000000000, 0xFF), Vec128{0, 0}),
              dwords(0xED63636363636363, 0x6363636363636316));
}

TEST_F(VmxCrypto, LastRoundsUndoEachOther)
{
    const Vec128 s = dwords(0x0123456789ABCDEF, 0xFEDCBA9876543210), zero{0, 0};
    EXPECT_EQ(op("vncipherlast", op("vcipherlast", s, zero), zero), s);
}

// AES-128 encryption and decryption of random blocks with the library's expanded keys, round by
// round: state byte i is register byte i.
TEST_F(VmxCrypto, RoundsMatchTheHostLibrary)
{
    uint8_t key[16], block[16];
    uint64_t seed = 1;
    for (int round_trip = 0; round_trip < 8; round_trip++) {
        for (int i = 0; i < 16; i++) {
            seed = seed * 6364136223846793005ull + 1;
            key[i] = (uint8_t)(seed >> 56);
            block[i] = (uint8_t)(seed >> 40);
        }
        if (round_trip == 0) // FIPS-197 C.1
            for (int i = 0; i < 16; i++) {
                key[i] = (uint8_t)i;
                block[i] = (uint8_t)(0x11 * i);
            }
        AES_KEY enc;
        AES_set_encrypt_key(key, 128, &enc);
        uint8_t expect[16];
        AES_encrypt(block, expect, &enc);

        // The round keys expanded here (any S-box fault shows in the ciphertext the library gives).
        uint8_t w[176];
        memcpy(w, key, 16);
        for (int i = 4; i < 44; i++) {
            uint8_t t[4] = {w[4 * i - 4], w[4 * i - 3], w[4 * i - 2], w[4 * i - 1]};
            if (i % 4 == 0) {
                static const uint8_t rcon[10] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1B, 0x36};
                const uint8_t first = t[0];
                for (int k = 0; k < 3; k++)
                    t[k] = (uint8_t)VSU_AES_SBox[t[k + 1]];
                t[3] = (uint8_t)VSU_AES_SBox[first];
                t[0] ^= rcon[i / 4 - 1];
            }
            for (int k = 0; k < 4; k++)
                w[4 * i + k] = w[4 * i - 16 + k] ^ t[k];
        }
        Vec128 rk[11];
        for (int r = 0; r <= 10; r++)
            rk[r] = from_bytes(&w[16 * r]);
        const Vec128 pt = from_bytes(block);
        Vec128 s{pt.low ^ rk[0].low, pt.high ^ rk[0].high};
        for (int r = 1; r <= 9; r++)
            s = op("vcipher", s, rk[r]);
        s = op("vcipherlast", s, rk[10]);
        EXPECT_EQ(s, from_bytes(expect)) << round_trip;
        if (round_trip == 0) {
            EXPECT_EQ(s, dwords(0x69c4e0d86a7b0430, 0xd8cdb78070b4c55a));
        }

        s = Vec128{s.low ^ rk[10].low, s.high ^ rk[10].high};
        for (int r = 9; r >= 1; r--)
            s = op("vncipher", s, rk[r]);
        s = op("vncipherlast", s, rk[0]);
        EXPECT_EQ(s, pt) << round_trip;
    }
}

TEST_F(VmxCrypto, ShaSigmaSelectors)
{
    const uint32_t w[4] = {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A};
    set_vr(1, words(w[0], w[1], w[2], w[3]));
    // vshasigmaw ST = 1, SIX = 0b0110: selectors 2, 3, 3, 2.
    const uint32_t st_six = (1u << 15) | (0x6u << 11);
    ASSERT_EQ(run(VX("vshasigmaw", 4, 1, 0) | st_six), 1);
    EXPECT_EQ(vr(4), words(VSU_SHA256_Sigma(w[0], 2), VSU_SHA256_Sigma(w[1], 3), VSU_SHA256_Sigma(w[2], 3),
                           VSU_SHA256_Sigma(w[3], 2)));
    // vshasigmad ST = 0, SIX = 0b0101: selector 0 for both doublewords (SIX bits 1 and 3 ignored).
    const Vec128 d = dwords(0x6A09E667F3BCC908, 0xBB67AE8584CAA73B);
    set_vr(1, d);
    ASSERT_EQ(run(VX("vshasigmad", 4, 1, 0) | (0x5u << 11)), 1);
    EXPECT_EQ(vr(4), dwords(VSU_SHA512_Sigma(d.high, 0), VSU_SHA512_Sigma(d.low, 0)));
    // SIX = 0b1010: selector 1 for both.
    ASSERT_EQ(run(VX("vshasigmad", 4, 1, 0) | (0xAu << 11)), 1);
    EXPECT_EQ(vr(4), dwords(VSU_SHA512_Sigma(d.high, 1), VSU_SHA512_Sigma(d.low, 1)));
}

} // namespace
} // namespace vec_test
