// The PBIC request FIFO through the embedding interface, on a PBIC record made here.
#include <gtest/gtest.h>

#include <vector>

#include "embed/libsim_units.h"
#include "runtime/alloc.h"

namespace
{

struct PbicRecord {
    PBICState pbic{};
    PbicRecord()
    {
        pbic.fifo.max_count = 8;
    }
    ~PbicRecord()
    {
        while (CRB_Queue *node = pbic.fifo.head) {
            pbic.fifo.head = node->next;
            QUARN_FREE(node->crb);
            QUARN_FREE(node);
        }
    }
};

TEST(LibsimUnits, FifoLimitsAndTheUsedCount)
{
    PbicRecord r;
    r.pbic.fifo.used_count = 3;
    EXPECT_EQ(LIBSIM__PBIC_FIFO_Set(&r.pbic, 0, nullptr, 0), 1);
    EXPECT_EQ(LIBSIM__Get_PBIC_FIFO_Used_Count(&r.pbic), 0);
    std::vector<uint8_t> blocks(128 * 9);
    EXPECT_EQ(LIBSIM__PBIC_FIFO_Set(&r.pbic, 9, blocks.data(), (int32_t)blocks.size()), 0); // above the maximum
    EXPECT_EQ(LIBSIM__PBIC_FIFO_Set(&r.pbic, 2, blocks.data(), 255), 0);                     // buffer too short
    EXPECT_EQ(r.pbic.fifo.head, nullptr);
    EXPECT_EQ(LIBSIM__PBIC_MMIO_reg_count(), 17);
}

TEST(LibsimUnits, RequestBlocksRoundTripThroughTheFifo)
{
    PbicRecord r;
    std::vector<uint8_t> in(256);
    for (size_t i = 0; i < in.size(); i++) in[i] = (uint8_t)(i * 7 + 1);
    ASSERT_EQ(LIBSIM__PBIC_FIFO_Set(&r.pbic, 2, in.data(), (int32_t)in.size()), 1);
    EXPECT_EQ(LIBSIM__Get_PBIC_FIFO_Used_Count(&r.pbic), 2);
    const MMU_CRB *first = r.pbic.fifo.head->crb;
    EXPECT_EQ(first->field2, (uint16_t)(in[2] << 8 | in[3]));
    EXPECT_EQ(first->field8 >> 56, in[8]);
    EXPECT_EQ(first->field8 & 0xFF, in[15]);

    std::vector<uint8_t> out(256, 0xEE);
    EXPECT_EQ(LIBSIM__PBIC_FIFO_Get(&r.pbic, out.data(), 255), 0);
    ASSERT_EQ(LIBSIM__PBIC_FIFO_Get(&r.pbic, out.data(), (int32_t)out.size()), 1);
    for (size_t block = 0; block < 2; block++)
        for (size_t i = 0; i < 128; i++) {
            // Byte 4 and bytes 48-127 are not part of the request.
            uint8_t want = (i == 4 || i >= 48) ? 0 : in[block * 128 + i];
            EXPECT_EQ(out[block * 128 + i], want) << "block " << block << " byte " << i;
        }
}

} // namespace
