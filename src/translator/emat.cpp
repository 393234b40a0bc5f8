// Effective-address map records, their names and the bias region.
#include "translator/emat.h"

#include <sys/mman.h>

#include "runtime/alloc.h"
#include "runtime/message.h"
#include "runtime/utils_mmap.h"

emat_s *all_emats = nullptr;

namespace
{

constexpr uint64_t EMAT_TOP_BYTES = EMAT_TOP_ENTRIES * sizeof(uint64_t);

const char *const emat_names[] = {"user_xlate", "user_real",   "super_xlate", "super_real",
                                  "super_real", "hyper_xlate", "hyper_real"};

} // namespace

emat_s *emat_new(int32_t kind, MCM *chip)
{
    emat_s *map = QUARN_ZALLOC(1, emat_s);
    map->chip = chip;
    map->kind = kind;
    map->next = all_emats;
    all_emats = map;
    return map;
}

void emat_prep(emat_s *map)
{
    if (!map->top)
        map->top =
            static_cast<uint64_t *>(utils_mmap("emat", EMAT_TOP_BYTES, PROT_READ | PROT_WRITE, 0, nullptr));
}

void emat_clear(emat_s *map)
{
    utils_unmap(map->top, EMAT_TOP_BYTES);
    map->top = nullptr;
}

void emat_free(emat_s *map)
{
    if (!map) return;
    for (emat_s **link = &all_emats; *link; link = &(*link)->next) {
        if (*link == map) {
            *link = map->next;
            break;
        }
    }
    emat_clear(map);
    QUARN_FREE(map);
}

const char *emat_name(const emat_s *map)
{
    if (map->kind < 0 || map->kind >= (int32_t)(sizeof emat_names / sizeof emat_names[0])) return "?";
    return emat_names[map->kind];
}

int emat_num(const emat_s *map)
{
    return map->kind == EMAT_SUPER_REAL_VRM ? 1 : 0;
}

// STAND-IN: maps hold no regions yet (they come with the installation of translations), so the
// listing is the map's name and number alone.
void emat_dump(const emat_s *map, int indent)
{
    SIM_PRINT("\n|%*s%s#%d:", indent, "", emat_name(map), emat_num(map));
}

void *EMAT_GET_BIAS(void)
{
    static void *bias = utils_mmap("emat_bias", EMAT_BIAS_SIZE, PROT_NONE, 0, nullptr);
    return bias;
}
