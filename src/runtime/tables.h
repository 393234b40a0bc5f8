// Rings and tables the timing models use inline: the pointer ring FifoQ (and TFifoQ with
// 16-byte entries), the slot table with its stack of free indexes, the slot of the n-th item of
// a kernel mailbox, and the credit manager.
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct mbox_s;

// A ring of pointers; users push at the tail and pop at the head, wrapping at the capacity.
struct FifoQ {
    void **items; // none for capacity 0
    int32_t capacity;
    int32_t head;
    int32_t tail;
    int32_t count;
};

FifoQ *Fifo_New(int capacity);
void Fifo_Init(FifoQ *queue, int capacity);
void Fifo_Clean(FifoQ *queue);
void Fifo_Free(FifoQ *queue);

struct TFifoE {
    void *item;
    uint64_t tick;
};
static_assert(sizeof(TFifoE) == 16, "a TFifoQ entry is 16 bytes");

struct TFifoQ {
    TFifoE *items;
    int32_t capacity;
    int32_t head;
    int32_t tail;
    int32_t count;
};

TFifoQ *TFifo_New(int capacity);
void TFifo_Init(TFifoQ *queue, int capacity);
void TFifo_Clean(TFifoQ *queue);
void TFifo_Free(TFifoQ *queue);

// Slots handed out by index: the next free index is free_index[capacity - 1 - used].
struct Table {
    void **slots;
    uint16_t capacity;
    uint16_t used;
    uint16_t *free_index; // entry i holds capacity - 1 - i, so index 0 goes first
};

void Table_Init(Table *table, int capacity);
void Table_Clean(Table *table);

// The slot of the n-th item (0 the oldest) of a mailbox ring; -1 when there is no such item.
int Mbox_index(mbox_s *mailbox, int n);

// A credit count with a kernel counter; nothing uses it.
struct AssetManager {
    int32_t credits;
    counter_s counter; // "assetmanager"
};

AssetManager *AssetManager_new(int credits, tsim_s *tsim);
void AssetManager_init(AssetManager *manager, int credits, tsim_s *tsim);
void AssetManager_add(AssetManager *manager, int n);
void AssetManager_cleanup(AssetManager *manager);
void AssetManager_delete(AssetManager *manager);
