// Decode walk over decode_tree_Ervik and decoder selection.
#include "decode/decoder.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <cstring>

DecodeInstrFn DecodeInstr = DecodeInstr_Ervik;
InitDecodeTableFn Init_DecodeTable = Init_DecodeTable_Ervik;

InstrInfo *DecodeInstr_Ervik(InstrInfo *table, uint32_t word) {
    uint32_t offset = 0;
    for (int level = 1;; ++level) {
        const uint32_t *node = &decode_tree_Ervik[offset];
        const uint32_t header = node[0];
        const uint32_t count = header & 0xFFFF;
        int32_t result;
        if ((header >> 24) == DECODE_NODE_MATCH_LIST) {
            const uint32_t m = word & node[1];
            uint32_t i = count;
            for (;;) {
                if (i == 0)
                    return &table[node[2]];
                --i;
                if (node[3 + 2 * i] == m)
                    break;
            }
            result = (int32_t)node[4 + 2 * i];
        } else if ((header >> 24) == DECODE_NODE_BIT_GATHER) {
            uint32_t index = 0;
            for (uint32_t i = 1; i <= count; ++i) {
                const uint32_t field = node[i];
                index |= (field & 0xFFFF) & (word >> ((field >> 16) & 31));
            }
            result = (int32_t)node[1 + count + index];
        } else {
            fputs("Logic error in decoder; unknown tree node type\n", stderr);
            exit(1);
        }
        if (result >= 0)
            return &table[result];
        offset = (uint32_t)-result;
        if (level + 1 > DECODE_MAX_DEPTH) {
            fputs("Max depth exceeded; lookup failed\n", stderr);
            exit(1);
        }
    }
}

DecodeInstrFn SelectDecoder(const char *name) {
    const char *type = name ? name : "";
    if (strlen(type) > 5 && strncmp(name, "PROC_", 5) == 0)
        type += 5;
    if (strcasecmp(type, "Ervik") == 0) {
        Init_DecodeTable = Init_DecodeTable_Ervik;
        DecodeInstr = DecodeInstr_Ervik;
        return DecodeInstr_Ervik;
    }
    fprintf(stderr, "*** ERROR: SelectDecoder() called with unrecognized processor name: %s\n", name ? name : "(null)");
    Init_DecodeTable = nullptr;
    DecodeInstr = nullptr;
    return nullptr;
}

void Init_DecodeTable_Ervik(void) {}
