// Tag stacks and their sim-support codes.
#include "guest/tag_stacks.h"

#include <cstring>

#include "guest/sim_support.h"
#include "mmu/ea_copy.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"

TStack_Pool *TStack_pool = nullptr;

namespace
{

typedef char TagText[TSTACK_TEXT];

// Copies at most 79 characters and terminates.
void copy_text(char *to, const char *from)
{
    snprintf(to, TSTACK_TEXT, "%s", from ? from : "");
}

// Reallocation by allocate, copy the smaller size and free.
template <typename T> T *resize(T *old, int32_t old_count, int32_t new_count, const char *type_name)
{
    T *fresh = (T *)quarn_zalloc((size_t)new_count * sizeof(T), sizeof(T), type_name, __FILE__, __LINE__);
    if (!fresh) return nullptr;
    if (old) {
        memcpy(fresh, old, (size_t)(old_count < new_count ? old_count : new_count) * sizeof(T));
        QUARN_FREE(old);
    }
    return fresh;
}

bool grow_pool(TStack_Pool *pool)
{
    TStack **slots = resize(pool->slots, pool->slack, pool->slack + TSTACK_GROWTH, "TStack_Pool");
    if (!slots) return false;
    pool->slots = slots;
    pool->slack += TSTACK_GROWTH;
    return true;
}

bool resize_tags(TStack *stack, int32_t slack)
{
    TagText *tags = resize(stack->tags, stack->slack, slack, "char");
    if (!tags) return false;
    stack->tags = tags;
    stack->slack = slack;
    return true;
}

void free_stack(TStack *stack)
{
    if (stack->tags) QUARN_FREE(stack->tags);
    QUARN_FREE(stack);
}

uint64_t arg(IOPDesc *iop, uint32_t n)
{
    return SimSupport_Arg(iop, n);
}

int result(IOPDesc *iop, uint64_t value)
{
    SimSupport_Result(iop, value);
    return 1;
}

// The stack named by GPR4; null (after GPR3 = 0) when none is there.
TStack *named_stack(IOPDesc *iop, int32_t *index)
{
    uint64_t value = arg(iop, 4);
    *index = (int32_t)value;
    TStack *stack = (int64_t)value == (int64_t)*index ? TSPool_Stack(*index) : nullptr;
    if (!stack) result(iop, 0);
    return stack;
}

uint32_t text_capacity(uint64_t length)
{
    return length >= TSTACK_TEXT - 1 ? TSTACK_TEXT : (uint32_t)length + 1;
}

// Copies a tag to the guest with the guest's capacity; 1 when copied.
int give_tag(IOPDesc *iop, uint64_t address, uint64_t capacity, const char *tag)
{
    uint32_t size = capacity > TSTACK_TEXT ? TSTACK_TEXT : (uint32_t)capacity;
    return EA_copy_string_to_memory(iop, address, tag, size);
}

} // namespace

TStack *TSPool_Stack(int32_t index)
{
    TStack_Pool *pool = TStack_pool;
    if (!pool || index < 0 || index >= pool->search_range || !pool->slots) return nullptr;
    return pool->slots[index];
}

int32_t TSPool_NewStack(const char *name)
{
    if (!TStack_pool) {
        TStack_pool = QUARN_ZALLOC(1, TStack_Pool);
        if (!TStack_pool) return -1;
        if (!grow_pool(TStack_pool)) return -1;
    }
    TStack_Pool *pool = TStack_pool;
    int32_t index = -1;
    for (int32_t i = 0; i < pool->search_range; i++)
        if (!pool->slots[i]) {
            index = i;
            break;
        }
    if (index < 0) {
        if (pool->search_range == pool->slack && !grow_pool(pool)) return -1;
        index = pool->search_range++;
    }
    TStack *stack = QUARN_ZALLOC(1, TStack);
    if (!stack) return -1;
    if (name)
        copy_text(stack->name, name);
    else
        snprintf(stack->name, sizeof stack->name, "<%d>", index);
    stack->top = -1;
    stack->slack = 0;
    if (!resize_tags(stack, TSTACK_GROWTH)) {
        free_stack(stack);
        return -1;
    }
    pool->slots[index] = stack;
    return index;
}

void TSPool_DeleteStack(int32_t index)
{
    TStack *stack = TSPool_Stack(index);
    if (!stack) return;
    free_stack(stack);
    TStack_pool->slots[index] = nullptr;
}

void TSPool_Delete(void)
{
    TStack_Pool *pool = TStack_pool;
    if (!pool) return;
    for (int32_t i = 0; i < pool->search_range; i++)
        TSPool_DeleteStack(i);
    if (pool->slots) QUARN_FREE(pool->slots);
    QUARN_FREE(pool);
    TStack_pool = nullptr;
}

int TStack_Push(int32_t index, const char *text)
{
    TStack *stack = TSPool_Stack(index);
    if (!stack) return 0;
    int32_t top = stack->top + 1;
    if (top >= stack->slack - 1 && !resize_tags(stack, stack->slack + TSTACK_GROWTH)) return 0;
    stack->top = top;
    copy_text(stack->tags[top], text);
    return 1;
}

int TStack_Pop(int32_t index, char *out)
{
    TStack *stack = TSPool_Stack(index);
    if (out) out[0] = '\0';
    if (!stack || stack->top < 0) return 0;
    int32_t old_top = stack->top;
    if (old_top == 0) {
        stack->top = -1;
    } else {
        stack->top = old_top - 1;
        if (stack->slack - old_top + 1 > 15) resize_tags(stack, stack->slack - TSTACK_GROWTH);
    }
    if (out) TStack_TOS(index, out);
    return 1;
}

int TStack_TOS(int32_t index, char *out)
{
    TStack *stack = TSPool_Stack(index);
    out[0] = '\0';
    if (!stack || stack->top < 0) return 0;
    copy_text(out, stack->tags[stack->top]);
    return 1;
}

const char *TStack_GetName(int32_t index)
{
    TStack *stack = TSPool_Stack(index);
    return stack ? stack->name : nullptr;
}

int32_t TStack_GetDepth(int32_t index)
{
    TStack *stack = TSPool_Stack(index);
    return stack ? stack->top + 1 : 0;
}

void TStack_Print(FILE *file, int32_t index)
{
    TStack *stack = TSPool_Stack(index);
    if (!stack || !file) return;
    if (stack->top < 0) {
        fprintf(file, "\tStack[%d]: '%s'- EMPTY, slack = %d\n", index, stack->name, stack->slack);
        return;
    }
    fprintf(file, "\tStack[%d]: top = %d (%d depth), slack = %d\n", index, stack->top, stack->top + 1,
            stack->slack);
    for (int32_t i = stack->top; i >= 1; i--)
        fprintf(file, "\t\ttag[%d]- '%s'\n", i, stack->tags[i]);
    fprintf(file, "\t\ttag[0]- '%s'\n", stack->tags[0]);
}

void TSPool_Print(FILE *file)
{
    if (!file) return;
    TStack_Pool *pool = TStack_pool;
    if (!pool) {
        fprintf(file, "Stack Pool is uninitialized\n");
        return;
    }
    fprintf(file, "Pool: Search range [0..%d]\n", pool->search_range - 1);
    fprintf(file, "Pool: Slack = %d\n", pool->slack);
    if (!pool->slots) return;
    fprintf(file, "Pool: Stacks...\n");
    for (int32_t i = 0; i < pool->search_range; i++) {
        if (pool->slots[i])
            TStack_Print(file, i);
        else
            fprintf(file, "\tSlot[%d]: FREE\n", i);
    }
}

// ---- sim-support codes ----

int SimSupport_TagNew(IOPDesc *iop)
{
    uint64_t address = arg(iop, 4);
    uint64_t length = arg(iop, 5);
    char name[TSTACK_TEXT] = "";
    int32_t index = -1;
    if (!address || EA_copy_string_from_memory(iop, address, name, text_capacity(length)))
        index = TSPool_NewStack(address ? name : nullptr);
    iop->thread->current_tag_stack = index;
    return result(iop, (uint64_t)(int64_t)index);
}

int SimSupport_TagDelete(IOPDesc *iop)
{
    int32_t index;
    if (!named_stack(iop, &index)) return 1;
    TSPool_DeleteStack(index);
    iop->thread->current_tag_stack = -1;
    return result(iop, 1);
}

int SimSupport_TagDeleteAll(IOPDesc *iop)
{
    TSPool_Delete();
    iop->thread->current_tag_stack = -1;
    return result(iop, 1);
}

int SimSupport_TagPush(IOPDesc *iop)
{
    int32_t index;
    if (!named_stack(iop, &index)) return 1;
    uint64_t address = arg(iop, 5);
    uint64_t length = arg(iop, 6);
    iop->thread->current_tag_stack = index;
    char tag[TSTACK_TEXT] = "";
    if (!EA_copy_string_from_memory(iop, address, tag, text_capacity(length))) return result(iop, 0);
    return result(iop, TStack_Push(index, tag) ? 1 : 0);
}

int SimSupport_TagPop(IOPDesc *iop)
{
    int32_t index;
    if (!named_stack(iop, &index)) return 1;
    uint64_t address = arg(iop, 5);
    uint64_t capacity = arg(iop, 6);
    iop->thread->current_tag_stack = index;
    char tag[TSTACK_TEXT];
    if (!TStack_Pop(index, tag)) return result(iop, 0);
    return result(iop, give_tag(iop, address, capacity, tag) ? 1 : 0);
}

int SimSupport_TagTop(IOPDesc *iop)
{
    int32_t index;
    if (!named_stack(iop, &index)) return 1;
    uint64_t address = arg(iop, 5);
    uint64_t capacity = arg(iop, 6);
    iop->thread->current_tag_stack = index;
    char tag[TSTACK_TEXT];
    if (!TStack_TOS(index, tag)) return result(iop, 0);
    return result(iop, give_tag(iop, address, capacity, tag) ? 1 : 0);
}

int SimSupport_TagCurrent(IOPDesc *iop)
{
    return result(iop, (uint64_t)(int64_t)iop->thread->current_tag_stack);
}

int SimSupport_TagDepth(IOPDesc *iop)
{
    int32_t index;
    if (!named_stack(iop, &index)) return 1;
    iop->thread->current_tag_stack = index;
    return result(iop, (uint64_t)(int64_t)TStack_GetDepth(index));
}
