// The line store.
#include "mmu/tm/line_store.h"

#include <cstdio>
#include <cstring>

#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr int32_t NONE = -1;

#define CS_ASSERT(condition, text)                                                                           \
    do {                                                                                                     \
        if (!(condition)) sim_panic("Assert : %s at line %d, file %s", text, __LINE__, __FILE__);            \
    } while (0)

void free_store(cs_CacheStore_s *cs)
{
    if (!cs) return;
    QUARN_FREE(cs->name);
    if (cs->line_info) QUARN_FREE(cs->line_info);
    if (cs->set_info) QUARN_FREE(cs->set_info);
    if (cs->data) QUARN_FREE(cs->data);
    if (cs->tree_set) QUARN_FREE(cs->tree_set);
    if (cs->tree_keep) QUARN_FREE(cs->tree_keep);
    QUARN_FREE(cs);
}

uint32_t set_of_line(const cs_CacheStore_s *cs, int32_t line)
{
    return (uint32_t)line / cs->ways;
}

uint32_t way_of_line(const cs_CacheStore_s *cs, int32_t line)
{
    return (uint32_t)line % cs->ways;
}

void check_line(const cs_CacheStore_s *cs, int32_t line)
{
    CS_ASSERT(line != NONE, "lineIndex != -1");
    CS_ASSERT(line >= 0 && (uint32_t)line < cs->line_count, "lineIndex < cs->line_count");
}

cs_LineInfo_s &way_info(cs_CacheStore_s *cs, uint32_t set, int32_t way)
{
    return cs->line_info[set * cs->ways + (uint32_t)way];
}

// Takes the way out of its set's recency list (nothing when it is not in it).
void unlink(cs_CacheStore_s *cs, uint32_t set, int32_t way)
{
    cs_SetInfo_s &info = cs->set_info[set];
    if (info.newest_slot_ndx == way) {
        info.newest_slot_ndx = way_info(cs, set, way).next_slot_ndx;
    } else {
        for (int32_t w = info.newest_slot_ndx; w != NONE; w = way_info(cs, set, w).next_slot_ndx) {
            cs_LineInfo_s &prev = way_info(cs, set, w);
            if (prev.next_slot_ndx == way) {
                prev.next_slot_ndx = way_info(cs, set, way).next_slot_ndx;
                break;
            }
        }
    }
    way_info(cs, set, way).next_slot_ndx = NONE;
}

// Makes the line its set's most recent.
void touch(cs_CacheStore_s *cs, int32_t line)
{
    const uint32_t set = set_of_line(cs, line);
    const int32_t way = (int32_t)way_of_line(cs, line);
    unlink(cs, set, way);
    way_info(cs, set, way).next_slot_ndx = cs->set_info[set].newest_slot_ndx;
    cs->set_info[set].newest_slot_ndx = way;
}

uint32_t offset_of(const cs_CacheStore_s *cs, uint64_t paddr)
{
    return (uint32_t)(paddr & cs->line_offset_mask);
}

// The partial accesses find the line again and need the same valid line, with the bytes inside it.
cs_LineInfo_s &partial_line(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                            uint32_t length, bool write)
{
    int32_t state = 0;
    const int32_t again = cs_LookupAddr(cs, index_address, paddr, &state);
    if (write) CS_ASSERT(again != NONE, "lineIndex2 != -1");
    check_line(cs, line);
    cs_LineInfo_s &li = cs->line_info[line];
    CS_ASSERT(li.mesi_state != cs_State_Invalid, "li->mesi_state != cs_State_Invalid");
    CS_ASSERT(line == again, "lineIndex == lineIndex2");
    CS_ASSERT(offset_of(cs, paddr) + length <= cs->line_size, "(offset + length) <= cs->line_size");
    return li;
}

} // namespace

cs_CacheStore_s *cs_CacheStore_init(const char *name, int32_t slices, int32_t size_log2, int32_t line_log2,
                                    int32_t associativity_log2, int32_t physically_indexed, int32_t mode)
{
    cs_CacheStore_s *cs = QUARN_ZALLOC(1, cs_CacheStore_s);
    const size_t length = strlen(name ? name : "") + 1;
    cs->name = QUARN_ZALLOC(length, char);
    memcpy(cs->name, name ? name : "", length);
    cs->line_log2 = line_log2;
    cs->slices = slices > 0 ? slices : 1;
    if (line_log2 >= size_log2 || line_log2 < 0 || size_log2 >= 40) {
        sim_error("ERROR: Cache Size must allow for multiple lines!");
        free_store(cs);
        return nullptr;
    }
    cs->line_size = 1u << line_log2;
    if (mode < 0 || mode > 2) sim_error("Unsupported cache replacement mode specified");
    cs->replacement_mode = mode;
    cs->lines_per_slice_log2 = size_log2 - line_log2;
    if (associativity_log2 < 0) {
        associativity_log2 = cs->lines_per_slice_log2;
    } else if (cs->lines_per_slice_log2 < associativity_log2) {
        sim_error("ERROR: log of line_count_per_slice (%d) is less than log of associativity (%d)",
                  cs->lines_per_slice_log2, associativity_log2);
        free_store(cs);
        return nullptr;
    }
    cs->data_size = (uint64_t)cs->slices << size_log2;
    cs->line_offset_mask = cs->line_size - 1;
    cs->line_address_mask = ~cs->line_offset_mask;
    cs->line_count = (uint32_t)cs->slices << cs->lines_per_slice_log2;
    cs->associativity_log2 = associativity_log2;
    cs->ways = 1u << associativity_log2;
    cs->sets_per_slice_log2 = cs->lines_per_slice_log2 - associativity_log2;
    cs->set_count = (uint32_t)cs->slices << cs->sets_per_slice_log2;
    cs->index_shift = line_log2;
    cs->set_mask = (1ull << cs->sets_per_slice_log2) - 1;
    const int32_t alias_log2 = line_log2 + cs->sets_per_slice_log2 - 12;
    cs->alias_count = alias_log2 > 0 ? 1u << alias_log2 : 1;
    if (mode == 2) {
        // Per way: the tree bits its access sets and keeps, so that the nodes point away from it.
        cs->tree_set = QUARN_ZALLOC(cs->ways, uint32_t);
        cs->tree_keep = QUARN_ZALLOC(cs->ways, uint32_t);
        for (uint32_t w = 0; w < cs->ways; w++) {
            uint32_t node = 1, keep = ~0u;
            for (int32_t d = associativity_log2 - 1; d >= 0; d--) {
                const uint32_t bit = (w >> d) & 1;
                if (node < 32) {
                    if (bit)
                        keep &= ~(1u << node);
                    else
                        cs->tree_set[w] |= 1u << node;
                }
                node = 2 * node + bit;
            }
            cs->tree_keep[w] = keep;
        }
    }
    cs->data = QUARN_ZALLOC((size_t)cs->line_count * cs->line_size, uint8_t);
    cs->set_info = QUARN_ZALLOC(cs->set_count, cs_SetInfo_s);
    for (uint32_t s = 0; s < cs->set_count; s++)
        cs->set_info[s].newest_slot_ndx = NONE;
    cs->line_info = QUARN_ZALLOC(cs->line_count, cs_LineInfo_s);
    for (uint32_t i = 0; i < cs->line_count; i++)
        cs->line_info[i].next_slot_ndx = NONE;
    cs->physically_indexed = physically_indexed;
    return cs;
}

void cs_CacheStore_FREE(cs_CacheStore_s *cs)
{
    free_store(cs);
}

uint32_t cs_GetCongruenceSet(const cs_CacheStore_s *cs, uint64_t index_address, uint64_t paddr)
{
    const uint64_t a = cs->physically_indexed ? paddr : index_address;
    uint64_t slice_part = 0;
    if (cs->slices >= 2)
        slice_part = ((a >> (cs->sets_per_slice_log2 + cs->line_log2)) % (uint64_t)cs->slices)
                     << cs->sets_per_slice_log2;
    return (uint32_t)(slice_part + ((a >> cs->line_log2) & cs->set_mask));
}

int32_t cs_LookupAddr(const cs_CacheStore_s *cs, uint64_t index_address, uint64_t paddr, int32_t *state,
                      int32_t *first)
{
    const uint32_t set = cs_GetCongruenceSet(cs, index_address, paddr);
    const uint64_t block = paddr & cs->line_address_mask;
    const int32_t start = (int32_t)(set * cs->ways);
    if (first) *first = start;
    for (uint32_t w = 0; w < cs->ways; w++) {
        const cs_LineInfo_s &li = cs->line_info[start + (int32_t)w];
        if (li.mesi_state != cs_State_Invalid && li.paddr == block) {
            if (state) *state = li.mesi_state;
            return start + (int32_t)w;
        }
    }
    if (state) *state = 0;
    return NONE;
}

uint64_t cs_AliasForPaddr(const cs_CacheStore_s *, uint32_t alias, uint64_t paddr)
{
    return (paddr & 0xFFF) | ((uint64_t)alias << 12);
}

int32_t cs_LookupPhysicalAddr(const cs_CacheStore_s *cs, uint64_t paddr, int32_t *state,
                              uint64_t *index_address)
{
    if (cs->physically_indexed) {
        if (index_address) *index_address = paddr;
        return cs_LookupAddr(cs, paddr, paddr, state);
    }
    for (uint32_t alias = 0; alias < cs->alias_count; alias++) {
        const uint64_t index = cs_AliasForPaddr(cs, alias, paddr);
        const int32_t line = cs_LookupAddr(cs, index, paddr, state);
        if (line != NONE) {
            if (index_address) *index_address = index;
            return line;
        }
    }
    if (state) *state = 0;
    return NONE;
}

int32_t cs_SelectNewLine(const cs_CacheStore_s *cs, uint64_t index_address, uint64_t paddr, int32_t,
                         int32_t *state)
{
    const uint32_t set = cs_GetCongruenceSet(cs, index_address, paddr);
    const int32_t start = (int32_t)(set * cs->ways);
    for (uint32_t w = 0; w < cs->ways; w++) {
        if (cs->line_info[start + (int32_t)w].mesi_state == cs_State_Invalid) {
            if (state) *state = 0;
            return start + (int32_t)w;
        }
    }
    int32_t way = NONE;
    if (cs->replacement_mode == 0 || cs->replacement_mode == 1) {
        way = cs->set_info[set].newest_slot_ndx;
        CS_ASSERT(way != NONE, "cs->set_info[si].newest_slot_ndx != -1");
        while (cs->line_info[start + way].next_slot_ndx != NONE)
            way = cs->line_info[start + way].next_slot_ndx;
    } else if (cs->replacement_mode == 2) {
        const uint32_t bits = cs->set_info[set].tree_bits;
        uint32_t node = 1;
        way = 0;
        for (int32_t d = 0; d < cs->associativity_log2; d++) {
            const uint32_t bit = node < 32 ? (bits >> node) & 1 : 0;
            way = way << 1 | (int32_t)bit;
            node = 2 * node + bit;
        }
    } else {
        return NONE;
    }
    if (state) *state = cs->line_info[start + way].mesi_state;
    return start + way;
}

int32_t cs_LoadLine(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                    const uint8_t *source, int32_t state)
{
    check_line(cs, line);
    CS_ASSERT(set_of_line(cs, line) == cs_GetCongruenceSet(cs, index_address, paddr), "set_ndx == set_ndx2");
    CS_ASSERT(state != 0, "state != 0");
    cs_LineInfo_s &li = cs->line_info[line];
    const int32_t previous = li.mesi_state;
    if (source) memcpy(cs->data + (size_t)line * cs->line_size, source, cs->line_size);
    li.mesi_state = state;
    li.paddr = paddr & cs->line_address_mask;
    touch(cs, line);
    if (cs->replacement_mode == 2) {
        const uint32_t way = way_of_line(cs, line);
        cs_SetInfo_s &set = cs->set_info[set_of_line(cs, line)];
        set.tree_bits = (set.tree_bits | cs->tree_set[way]) & cs->tree_keep[way];
    }
    return previous;
}

int32_t cs_UnLoadLine(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, uint8_t *destination)
{
    check_line(cs, line);
    cs_LineInfo_s &li = cs->line_info[line];
    CS_ASSERT(li.paddr == (paddr & cs->line_address_mask), "paddr2 == paddr");
    if (destination) memcpy(destination, cs->data + (size_t)line * cs->line_size, cs->line_size);
    if (cs->replacement_mode == 0) touch(cs, line);
    return li.mesi_state;
}

int32_t cs_AbandonLine(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, uint8_t *destination, int32_t state)
{
    check_line(cs, line);
    cs_LineInfo_s &li = cs->line_info[line];
    CS_ASSERT(li.paddr == (paddr & cs->line_address_mask), "paddr == paddr2");
    if (destination) memcpy(destination, cs->data + (size_t)line * cs->line_size, cs->line_size);
    const int32_t previous = li.mesi_state;
    li.mesi_state = state;
    if (state == cs_State_Invalid) unlink(cs, set_of_line(cs, line), (int32_t)way_of_line(cs, line));
    return previous;
}

int32_t cs_SetState(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, int32_t state)
{
    check_line(cs, line);
    cs_LineInfo_s &li = cs->line_info[line];
    CS_ASSERT(li.paddr == (paddr & cs->line_address_mask), "mem_block == mem_block2");
    CS_ASSERT(state != cs_State_Invalid, "new_state != cs_State_Invalid");
    const int32_t previous = li.mesi_state;
    li.mesi_state = state;
    return previous;
}

void cs_ReadPartial(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                    uint8_t *buffer, uint32_t length)
{
    partial_line(cs, line, index_address, paddr, length, false);
    memcpy(buffer, cs->data + (size_t)line * cs->line_size + offset_of(cs, paddr), length);
    if (cs->replacement_mode == 0) touch(cs, line);
}

void cs_WritePartial(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                     const uint8_t *buffer, uint32_t length)
{
    partial_line(cs, line, index_address, paddr, length, true);
    memcpy(cs->data + (size_t)line * cs->line_size + offset_of(cs, paddr), buffer, length);
    if (cs->replacement_mode == 0) touch(cs, line);
}

uint64_t cs_ReadPartialReg(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                           uint32_t length)
{
    CS_ASSERT(length <= 8, "length<=8");
    uint8_t bytes[8] = {};
    cs_ReadPartial(cs, line, index_address, paddr, bytes, length);
    if (length != 1 && length != 2 && length != 4 && length != 8) return 0;
    uint64_t value = 0;
    for (uint32_t i = 0; i < length; i++)
        value = value << 8 | bytes[i];
    return value;
}

void cs_WritePartialReg(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                        uint64_t value, uint32_t length)
{
    CS_ASSERT(length <= 8, "length<=8");
    uint8_t bytes[8];
    for (uint32_t i = 0; i < length; i++)
        bytes[i] = (uint8_t)(value >> (8 * (length - 1 - i)));
    cs_WritePartial(cs, line, index_address, paddr, bytes, length);
}

int32_t cs_GetLineInfo(const cs_CacheStore_s *cs, int32_t line, uint64_t *paddr)
{
    if (line < 0 || (uint32_t)line >= cs->line_count) return cs_State_Invalid;
    const cs_LineInfo_s &li = cs->line_info[line];
    if (li.mesi_state != cs_State_Invalid && paddr) *paddr = li.paddr;
    return li.mesi_state;
}

int32_t cs_GetLineState(const cs_CacheStore_s *cs, int32_t line)
{
    return cs_GetLineInfo(cs, line, nullptr);
}

uint32_t cs_GetLineSize(const cs_CacheStore_s *cs)
{
    return cs->line_size;
}

uint32_t cs_GetLineCount(const cs_CacheStore_s *cs)
{
    return cs->line_count;
}

uint32_t cs_GetCongruenceSetCount(const cs_CacheStore_s *cs)
{
    return cs->set_count;
}

uint32_t cs_GetAliasCount(const cs_CacheStore_s *cs)
{
    return cs->alias_count;
}

uint64_t cs_MaskToMemoryBlockAddr(const cs_CacheStore_s *cs, uint64_t address)
{
    return address & cs->line_address_mask;
}

const char *cs_Prepare(int32_t state)
{
    static constexpr const char *NAMES[] = {
        "cs_State_Invalid",
        "cs_State_M",
        "cs_State_E",
        "cs_State_S",
        "cs_State_T",
        "cs_State_Mu",
        "cs_State_SL",
        "TRANSITION_NO_CHANGE",
        "TRANSITION_INVALID",
        "TRANSITION_WRITE_2_INVALID",
        "TRANSITION_WRITE_2_SAME",
        "TRANSITION_WRITE_2_T",
        "TRANSITION_WRITE_2_S",
        "TRANSITION_PUSH_2_INVALID",
        "TRANSITION_PUSH_2_S",
        "TRANSITION_PUSH_2_E",
    };
    if (state < 0 || state >= (int32_t)(sizeof NAMES / sizeof NAMES[0])) return "Unknown cs_CacheState";
    return NAMES[state];
}

void dumpline(const uint8_t *bytes, uint32_t count)
{
    for (uint32_t i = 0; i < count; i++) {
        fprintf(stderr, "%2.2X", bytes[i]);
        if ((i + 1) % 16 == 0) fputc(' ', stderr);
    }
}

void cs_DumpCache(const cs_CacheStore_s *cs)
{
    static constexpr const char *TAGS[] = {"??", "M ", "E ", "S ", "T ", "Mu", "SL"};
    fprintf(stderr, "Dump of valid lines for cache %s:\n", cs->name);
    for (uint32_t i = 0; i < cs->line_count; i++) {
        const cs_LineInfo_s &li = cs->line_info[i];
        if (li.mesi_state == cs_State_Invalid) continue;
        const char *tag = li.mesi_state > 0 && li.mesi_state <= 6 ? TAGS[li.mesi_state] : TAGS[0];
        fprintf(stderr, "[%d]<%s> <0x%016lX> ", (int)i, tag, (unsigned long)li.paddr);
        dumpline(cs->data + (size_t)i * cs->line_size, cs->line_size);
        fputc('\n', stderr);
    }
}
