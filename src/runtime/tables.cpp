// Rings, slot tables, the mailbox slot function and the credit manager.
#include "runtime/tables.h"

#include "kernel/counter.h"
#include "kernel/mbox.h"
#include "runtime/alloc.h"

void Fifo_Init(FifoQ *queue, int capacity)
{
    queue->capacity = capacity > 0 ? capacity : 0;
    queue->items = queue->capacity ? QUARN_ZALLOC(queue->capacity, void *) : nullptr;
    queue->head = queue->tail = queue->count = 0;
}

FifoQ *Fifo_New(int capacity)
{
    FifoQ *queue = QUARN_MALLOC(1, FifoQ);
    if (queue) Fifo_Init(queue, capacity);
    return queue;
}

void Fifo_Clean(FifoQ *queue)
{
    if (queue->capacity > 0) QUARN_FREE(queue->items);
    queue->items = nullptr;
}

void Fifo_Free(FifoQ *queue)
{
    if (!queue) return;
    Fifo_Clean(queue);
    QUARN_FREE(queue);
}

void TFifo_Init(TFifoQ *queue, int capacity)
{
    queue->capacity = capacity > 0 ? capacity : 0;
    queue->items = queue->capacity ? QUARN_ZALLOC(queue->capacity, TFifoE) : nullptr;
    queue->head = queue->tail = queue->count = 0;
}

TFifoQ *TFifo_New(int capacity)
{
    TFifoQ *queue = QUARN_MALLOC(1, TFifoQ);
    if (queue) TFifo_Init(queue, capacity);
    return queue;
}

void TFifo_Clean(TFifoQ *queue)
{
    if (queue->capacity > 0) QUARN_FREE(queue->items);
    queue->items = nullptr;
}

void TFifo_Free(TFifoQ *queue)
{
    if (!queue) return;
    TFifo_Clean(queue);
    QUARN_FREE(queue);
}

void Table_Init(Table *table, int capacity)
{
    table->capacity = (uint16_t)(capacity > 0 ? (capacity > 0xFFFF ? 0xFFFF : capacity) : 0);
    table->used = 0;
    table->slots = table->capacity ? QUARN_ZALLOC(table->capacity, void *) : nullptr;
    table->free_index = table->capacity ? QUARN_MALLOC(table->capacity, uint16_t) : nullptr;
    for (int i = 0; i < table->capacity; i++)
        table->free_index[i] = (uint16_t)(table->capacity - 1 - i);
}

void Table_Clean(Table *table)
{
    QUARN_FREE(table->free_index);
    QUARN_FREE(table->slots);
    table->free_index = nullptr;
    table->slots = nullptr;
}

int Mbox_index(mbox_s *mailbox, int n)
{
    if (n < 0 || n >= mailbox->count) return -1;
    int slot = mailbox->get_index + n;
    return slot >= mailbox->capacity ? slot - mailbox->capacity : slot;
}

void AssetManager_init(AssetManager *manager, int credits, tsim_s *tsim)
{
    manager->credits = credits;
    counter_init(&manager->counter, tsim, "assetmanager");
}

AssetManager *AssetManager_new(int credits, tsim_s *tsim)
{
    AssetManager *manager = QUARN_MALLOC(1, AssetManager);
    if (manager) AssetManager_init(manager, credits, tsim);
    return manager;
}

void AssetManager_add(AssetManager *manager, int n)
{
    manager->credits += n;
}

void AssetManager_cleanup(AssetManager *manager)
{
    counter_force_cleanup(&manager->counter);
}

void AssetManager_delete(AssetManager *manager)
{
    if (!manager) return;
    AssetManager_cleanup(manager);
    QUARN_FREE(manager);
}
