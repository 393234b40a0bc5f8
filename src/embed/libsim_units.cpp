// PBICs and coprocessors through the embedding interface.
#include "embed/libsim_units.h"

#include <cstring>

#include "embed/libsim.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t BLOCK = 128;

uint64_t big_endian(const uint8_t *bytes, int n)
{
    uint64_t value = 0;
    for (int i = 0; i < n; i++) value = value << 8 | bytes[i];
    return value;
}

void put_big_endian(uint8_t *bytes, uint64_t value, int n)
{
    for (int i = n - 1; i >= 0; i--, value >>= 8) bytes[i] = (uint8_t)value;
}

} // namespace

PBICState *LIBSIM__PBIC_Create(vLIBSIM_data *handle, int32_t chip_number, int32_t ci, uint64_t start, uint64_t stop)
{
    MCM *chip = LSD_MCM(handle);
    return chip ? new_pbic(chip, chip_number, ci, start, stop) : nullptr;
}

uint64_t LIBSIM__PBIC_MMIO_Get(PBICState *pbic, uint64_t offset)
{
    uint64_t value = 0;
    PBIC_read_reg(nullptr, pbic, offset, &value, 8, 0);
    return value;
}

int LIBSIM__PBIC_MMIO_Set(PBICState *pbic, uint64_t offset, uint64_t value)
{
    return PBIC_write_reg(nullptr, pbic, offset, value, 8, 0);
}

int32_t LIBSIM__PBIC_MMIO_reg_count(void)
{
    return PBIC_reg_count();
}

int LIBSIM__PBIC_FIFO_Set(PBICState *pbic, int32_t n, const uint8_t *buffer, int32_t size)
{
    PBIC_FIFO *fifo = &pbic->fifo;
    if (n > fifo->max_count) {
        sim_warning(2, "LIBSIM__PBIC_FIFO_Set(): FIFO used count(%d) > FIFO max count(%d)", n, fifo->max_count);
        return 0;
    }
    if (n < 0 || (int64_t)size < (int64_t)BLOCK * n) {
        sim_warning(2, "LIBSIM__PBIC_FIFO_Set(): val_size(%d) < FIFO size(%d)", size, BLOCK * n);
        return 0;
    }
    for (int32_t i = 0; i < n; i++) {
        const uint8_t *block = buffer + (size_t)BLOCK * i;
        MMU_CRB *crb = QUARN_ZALLOC(1, MMU_CRB);
        CRB_Queue *node = (CRB_Queue *)quarn_zalloc(sizeof(CRB_Queue), sizeof(CRB_Queue), "CRB_Queue", __FILE__,
                                                    __LINE__);
        if (!crb || !node) {
            if (crb) QUARN_FREE(crb);
            if (node) QUARN_FREE(node);
            return 0;
        }
        crb->byte0 = block[0];
        crb->byte1 = block[1];
        crb->field2 = (uint16_t)big_endian(block + 2, 2);
        crb->byte5 = block[5];
        crb->field6 = (uint16_t)big_endian(block + 6, 2);
        crb->field8 = big_endian(block + 8, 8);
        memcpy(crb->words, block + 16, sizeof crb->words);
        node->crb = crb;
        CRB_enqueue(&fifo->head, &fifo->tail, node);
    }
    fifo->used_count = n;
    return 1;
}

int LIBSIM__PBIC_FIFO_Get(PBICState *pbic, uint8_t *buffer, int32_t size)
{
    PBIC_FIFO *fifo = &pbic->fifo;
    if ((int64_t)size < (int64_t)BLOCK * fifo->used_count) {
        sim_warning(2, "LIBSIM__PBIC_FIFO_Get(): val_size(%d) < FIFO size(%d)", size, BLOCK * fifo->used_count);
        return 0;
    }
    int32_t i = 0;
    for (CRB_Queue *node = fifo->head; node && i < fifo->used_count; node = node->next, i++) {
        uint8_t *block = buffer + (size_t)BLOCK * i;
        memset(block, 0, BLOCK);
        const MMU_CRB *crb = node->crb;
        block[0] = crb->byte0;
        block[1] = crb->byte1;
        put_big_endian(block + 2, crb->field2, 2);
        block[5] = crb->byte5;
        put_big_endian(block + 6, crb->field6, 2);
        put_big_endian(block + 8, crb->field8, 8);
        memcpy(block + 16, crb->words, sizeof crb->words);
    }
    return 1;
}

int32_t LIBSIM__Get_PBIC_FIFO_Used_Count(PBICState *pbic)
{
    return pbic->fifo.used_count;
}

int LIBSIM__Cop_Create(vLIBSIM_data *handle, int32_t pbic_ci, int32_t type, int32_t ci, uint64_t unused1,
                       uint64_t unused2, int32_t is_gbif)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return 0;
    return new_pbic_cop(machine, pbic_ci, type, ci, unused1, unused2, is_gbif) ? 1 : 0;
}

GBIF_Client *LIBSIM__GBIF_Connect(vLIBSIM_data *handle, MCM *chip, int32_t ci, const uint64_t *descriptor)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? COP_connect_gbif_client(machine, chip, ci, descriptor) : nullptr;
}

int LIBSIM__GBIF_Decrement_QoS_Counter(GBIF_Client *client, int32_t queue)
{
    if (client && client->cop) Decrement_TCR(client->cop, queue);
    return 0;
}

int LIBSIM__Pervasive_Create(void)
{
    return 0;
}
