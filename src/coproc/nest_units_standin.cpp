// Stand-ins of the nest units that the unit-creation commands reach.
#include "coproc/nest_units.h"

// STAND-IN: the coprocessor-type table is not built; no engine name is known.
CoprocessorTypeEntry *Coprocessor_Table = nullptr;

// STAND-IN: PBICs, coprocessors, the XSCOM window and the AS unit are not built: creation fails,
// searches find nothing and the list cannot be shown.
__attribute__((weak)) PBICState *new_pbic(MCM *, int32_t, int32_t, uint64_t, uint64_t)
{
    return nullptr;
}
__attribute__((weak)) COProcessorState *new_cop(PBICState *, int32_t, int32_t, int32_t)
{
    return nullptr;
}
__attribute__((weak)) PBICState *search_pbic_by_ci(GenericMachine *, int32_t)
{
    return nullptr;
}
__attribute__((weak)) PBICState *search_pbic_by_index(GenericMachine *, int32_t)
{
    return nullptr;
}
__attribute__((weak)) COProcessorState *search_cop_by_index(PBICState *, int32_t)
{
    return nullptr;
}
__attribute__((weak)) COProcessorState *search_cop_by_type(PBICState *, int32_t, int32_t)
{
    return nullptr;
}
__attribute__((weak)) int show_cop_pbic_list(GenericMachine *)
{
    return 0;
}
__attribute__((weak)) CoprocessorTypeEntry *Search_Coprocessor_Table_by_Name(CoprocessorTypeEntry *,
                                                                             const char *)
{
    return nullptr;
}
__attribute__((weak)) PBICState *PBIC_List_Of_Chip(MCM *)
{
    return nullptr;
}
__attribute__((weak)) int xscom_create(MCM *, uint64_t)
{
    return 0;
}
__attribute__((weak)) int as_create(MCM *, uint64_t, uint64_t)
{
    return 0;
}

// STAND-IN: the PBIC's coprocessors are not built; none is created.
__attribute__((weak)) COProcessorState *new_pbic_cop(GenericMachine *, int32_t, int32_t, int32_t, uint64_t, uint64_t,
                                                     int32_t)
{
    return nullptr;
}

// STAND-IN: the PBIC's MMIO register block is not built; reads give 0 and fail, writes fail.
__attribute__((weak)) int PBIC_read_reg(MMAPI_Access *, PBICState *, uint64_t, uint64_t *value, int32_t, int32_t)
{
    if (value) *value = 0;
    return 0;
}
__attribute__((weak)) int PBIC_write_reg(MMAPI_Access *, PBICState *, uint64_t, uint64_t, int32_t, int32_t)
{
    return 0;
}

int32_t PBIC_reg_count(void)
{
    return 17;
}

// STAND-IN: the request queues of the coprocessor engines are not built; the node is appended to
// the FIFO and nothing serves it.
__attribute__((weak)) void CRB_enqueue(CRB_Queue **head, CRB_Queue **tail, CRB_Queue *node)
{
    node->next = nullptr;
    if (*tail)
        (*tail)->next = node;
    else
        *head = node;
    *tail = node;
}

// STAND-IN: the GBIF attachment of the coprocessors is not built; no client connects.
__attribute__((weak)) GBIF_Client *COP_connect_gbif_client(GenericMachine *, MCM *, int32_t, const uint64_t *)
{
    return nullptr;
}

// STAND-IN: the coprocessors' queue credit registers are not built; nothing is decremented.
__attribute__((weak)) void Decrement_TCR(COProcessorState *, int32_t) {}
