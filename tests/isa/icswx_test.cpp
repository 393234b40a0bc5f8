// The coprocessor request instruction: the access control of the coprocessor type, the command
// word, the block handed on (beginning with the command word just stored), a transaction's
// refusal and CR0 of the record form.
#include <gtest/gtest.h>

#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/icswx.h"
#include "interrupts/exception_types.h"
#include "mmu/storage_interrupts.h"
#include "runtime/stop.h"

namespace
{

// The coprocessor of this test: records what it was handed and answers as told.
int g_calls = 0, g_answer = 0;
CRB g_request{};

} // namespace

int Signal_Coprocessor(IOPDesc *, CRB *request)
{
    g_calls++;
    g_request = *request;
    return g_answer;
}

namespace
{

constexpr uint32_t kIcswx = 0x7C00032C;

class Icswx : public ::testing::Test
{
  protected:
    Icswx()
    {
        ew.memory();
        ew.option(PO_ICSWX_SUPPORTED);
        ew.option(PO_HACOP_EXISTS);
        for (uint64_t a = 0x2000; a < 0x2080; a++)
            ew.write(a, 1, a & 0xFF);
        ew.gpr(3) = 0x2000;
        ew.gpr(4) = 0;
        g_calls = 0;
        g_answer = 0;
    }
    ~Icswx() override { Start_The_Simulation(); }
    int run(uint64_t rs, bool record = false)
    {
        ew.gpr(5) = rs;
        return ew.run(kIcswx | (5 << 21) | (3 << 16) | (4 << 11) | (record ? 1 : 0));
    }
    ExecWord ew;
};

TEST_F(Icswx, HypervisorRequestAndTheBlockHandedOn)
{
    ew.t->ACOP.value = 0;
    ew.t->HACOP.value = 0; // hypervisor state skips the access control
    EXPECT_EQ(run(0xFFFFFFFFFF3A1234ull), 1);
    ASSERT_EQ(g_calls, 1);
    EXPECT_EQ(g_request.ct, 0x3A);
    EXPECT_EQ(g_request.msb, 0x84); // HV, SF
    EXPECT_EQ(g_request.ccw, 0x843A1234u); // the low 22 bits of RS
    EXPECT_EQ(ew.read(0x2000, 4), 0x843A1234u);
    const uint8_t first[] = {0x84, 0x3A, 0x12, 0x34, 0x04, 0x05};
    EXPECT_EQ(memcmp(g_request.image, first, sizeof first), 0);
    EXPECT_EQ(g_request.image[127], 0x7F);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    ew.option(PO_ICSWX_HAS_8_BIT_CT_FIELD);
    EXPECT_EQ(run(0xFFFFFFFFFFFA1234ull), 1);
    EXPECT_EQ(g_request.ccw, 0x84FA1234u); // 24 bits
}

TEST_F(Icswx, AccessControlOfTheCoprocessorType)
{
    // Access control before translation (which refuses guest real-mode accesses in this fixture).
    ew.option(PO_ICSWX_DELAYS_ADDRESS_TRANSLATION);
    ew.t->MSR.value = MSR_SF | MSR_PR;
    ew.t->HACOP.value = ~0ull;
    struct Case {
        bool dravo;
        uint32_t ct;
        uint64_t acop;
        bool refused;
    } cases[] = {
        {false, 0x3A, 0, true},
        {false, 0x3A, 1ull << (63 - 0x3A), false},
        {true, 55, ~0ull, true}, // outside 56..63
        {true, 56, 1ull << (63 - 56), false},
        {true, 56, 0, true},
    };
    for (const Case &c : cases) {
        ew.option(PO_Dravo_Ervik_ICSWX, c.dravo);
        ew.t->ACOP.value = c.acop;
        run((uint64_t)c.ct << 16);
        const bool icswx_refusal = ew.raised() && ew.raised()->subtype == EST_DSI_ICSWX_UNAVAILABLE;
        EXPECT_EQ(icswx_refusal, c.refused) << c.ct << " " << c.dravo;
    }
    EXPECT_EQ(g_calls, 0); // problem-state stores are refused by translation in this fixture
    EXPECT_EQ(ew.read(0x2000, 4), 0x00010203u);

    // Supervisor state does not test ACOP unless asked; HACOP still applies.
    ew.option(PO_Dravo_Ervik_ICSWX, 0);
    ew.t->MSR.value = MSR_SF;
    ew.t->ACOP.value = 0;
    ew.t->HACOP.value = 0;
    run(0x3Aull << 16);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, EST_DSI_ICSWX_UNAVAILABLE);
    ew.t->HACOP.value = ~0ull;
    run(0x3Aull << 16);
    EXPECT_TRUE(!ew.raised() || ew.raised()->subtype != EST_DSI_ICSWX_UNAVAILABLE);
    ew.option(PO_ICSWX_ALWAYS_TESTS_ACOP);
    run(0x3Aull << 16);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, EST_DSI_ICSWX_UNAVAILABLE);
}

TEST_F(Icswx, TransactionsAndTheRecordForm)
{
    ew.t->MSR.value |= 0x400000000ull; // transactional
    EXPECT_EQ(run(0x3Aull << 16), 1);
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(ew.read(0x2000, 4), 0x00010203u);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    ew.t->CR.value = 0;
    EXPECT_EQ(run(0x3Aull << 16, true), 1);
    EXPECT_EQ(g_calls, 0);
    EXPECT_EQ(ew.t->CR.value >> 28, 0x2u); // shown as rejected

    ew.t->MSR.value &= ~0x400000000ull;
    for (int answer : {0, 1, 2}) {
        g_answer = answer;
        ew.t->CR.value = 0;
        EXPECT_EQ(run(0x3Aull << 16, true), 1);
        EXPECT_EQ(ew.t->CR.value >> 28, 8u >> answer) << answer;
    }
    EXPECT_EQ(g_calls, 3);

    ew.option(PO_ICSWX_SUPPORTED, 0);
    EXPECT_EQ(run(0x3Aull << 16), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, EST_ILLEGAL_INSTRUCTION);
}

} // namespace
