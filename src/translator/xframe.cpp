// Page translations: making one (the frame prologue, each slot's prologue and operation code, the
// page end), entering and freeing it, and its accessors.
#include "translator/xframe.h"

#include <sys/mman.h>

#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/utils_mmap.h"
#include "translator/crack.h"
#include "translator/disassembler.h"
#include "translator/emat.h"
#include "translator/frame.h"
#include "translator/hooks/external_decoders.h"
#include "translator/page_dispatch.h"
#include "translator/tt_triggers.h"
#include "translator/x86/branches.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"

int64_t xframe_new_count = 0;
int64_t xframe_free_count = 0;

namespace
{

// Mappings of freed translations kept for later ones, oldest first, so that dropping and making
// translations does not map and unmap host memory every time (and the code written into a reused
// mapping has had time to leave the host's instruction cache).
constexpr int XFRAME_SPARES = 64;
void *xframe_spares[XFRAME_SPARES];
int xframe_spare_first = 0;
int xframe_spare_count = 0;

void *take_mapping(void)
{
    if (xframe_spare_count > 0) {
        void *mapping = xframe_spares[xframe_spare_first];
        xframe_spare_first = (xframe_spare_first + 1) % XFRAME_SPARES;
        xframe_spare_count--;
        return mapping;
    }
    return utils_mmap("xframe_new", XFRAME_MAPPING_SIZE, PROT_READ | PROT_WRITE | PROT_EXEC, 0, nullptr);
}

void give_mapping(void *mapping)
{
    if (xframe_spare_count >= XFRAME_SPARES) {
        utils_unmap(mapping, XFRAME_MAPPING_SIZE);
        return;
    }
    xframe_spares[(xframe_spare_first + xframe_spare_count) % XFRAME_SPARES] = mapping;
    xframe_spare_count++;
}

// Whether an external decoder is registered on the machine's first thread (asked once per page).
bool decoders_registered(GenericMachine *machine)
{
    ThreadState *thread = machine ? GenericMachine__Thread(machine, 0) : nullptr;
    return thread && thread->decoders;
}

constexpr int DEBUG_CATEGORY_LISTING = 107;

GenericMachine *machine_of(const xframe *x)
{
    return x->chip ? x->chip->machine : nullptr;
}

// The whole page, slot by slot; block is the distance between budget tests.
void translate_page(xframe *x, uint32_t block)
{
    sink *s = xframe_sink(x);
    GenericMachine *machine = machine_of(x);
    x->cursor = x->frame->host;
    const uint64_t listing_start = sink_xpc(s);
    const bool decoders = decoders_registered(machine);
    jit_start_frame(x);

    uint32_t c = 1;
    for (int slot = 0; slot < XFRAME_SLOTS; slot++) {
        const uint32_t w = get_ins(x, x->cursor);
        const uint32_t kind = crack_table[crack_index(w)];
        bool block_start = is_basicblock_terminator(x, w, kind) != 0;
        if (!block_start && --c == 0) block_start = true;
        int32_t count = -1;
        if (block_start) {
            count = (int32_t)block;
            c = block;
        }
        x->entry[slot] = sink_xpc(s);
        jit_start_inst(x, w, kind, count);
        if (decoders && external_decoders_exist(machine, w)) {
            jit_exit_mode(x);
        } else {
            MCM *chip = xframe_mcm(x);
            const uint64_t pa = x->frame->pa + 4ull * (uint64_t)slot;
            if (!tt_has_pctriggers(chip, pa) || tt_handle_pctriggers(x, w, (uint32_t)slot))
                translate_operation(x, w, kind);
        }
        jit_end_inst(x, w);
        x->cursor += 4;
    }
    x->entry[XFRAME_SLOTS] = sink_xpc(s);
    jit_end_frame(x);

    if (debug_state[DEBUG_CATEGORY_LISTING] >= 1) {
        jit_show_range(listing_start, x->entry[0]);
        for (int slot = 0; slot < XFRAME_SLOTS; slot++) {
            dis_guest_word(x->frame->host + 4ull * (uint64_t)slot, x->frame->little_endian);
            jit_show_range(x->entry[slot], x->entry[slot + 1]);
        }
    }
}

} // namespace

xframe *xframe_new(MCM *chip, frame_s *frame, int machine64, int mode64, uint32_t block)
{
    if (!frame) return nullptr;
    void *mapping = take_mapping();
    if (!mapping) return nullptr;
    if (frame->little_endian)
        jit_init_set_LE_memory();
    else
        jit_init_set_BE_memory();

    auto *x = static_cast<xframe *>(mapping);
    x->frame = frame;
    x->chip = chip;
    x->mapping_size = XFRAME_MAPPING_SIZE;
    x->profile = nullptr;
    sink_init(&x->code_sink, reinterpret_cast<void *>(xframe_code(x)), XFRAME_CODE_SIZE);
    x->machine64 = machine64;
    x->mode64 = mode64;
    frame->regtrigger_flush = 0;

    xmm_exhausted = 0;
    jcc_out_of_reach = 0;
    translate_page(x, block ? block : 1);
    xframe_new_count++;
    if (x->code_sink.overflow || xmm_exhausted || jcc_out_of_reach) {
        // The code is wrong (bytes dropped, a jump or a register missing): never enter it.
        xframe_free(x);
        frame->untranslatable = 1;
        return nullptr;
    }
    return x;
}

void xframe_free(xframe *x)
{
    if (!x) return;
    give_mapping(x);
    xframe_free_count++;
}

uint64_t xframe_bias(xframe *x)
{
    return x ? reinterpret_cast<uint64_t>(x) - reinterpret_cast<uint64_t>(EMAT_GET_BIAS()) : 0;
}

xframe *xframe_unbias(uint64_t biased)
{
    return biased ? reinterpret_cast<xframe *>(biased + reinterpret_cast<uint64_t>(EMAT_GET_BIAS()))
                  : nullptr;
}

uint32_t xframe_entry(xframe *x, ThreadState *thread, uint64_t pc, uint32_t budget, void *data_emat,
                      void *bias, void *fetch_emat)
{
    using code_fn = uint32_t (*)(ThreadState *, uint64_t, uint32_t, void *, void *, void *);
    auto code = reinterpret_cast<code_fn>(xframe_code(x));
    return code(thread, x->entry[(pc & 0xFFF) / 4], budget, data_emat, bias, fetch_emat);
}

uint32_t get_ins(xframe *x, uint64_t host_address)
{
    uint32_t stored = *reinterpret_cast<const uint32_t *>(host_address);
    GenericMachine *machine = machine_of(x);
    uint32_t mode = machine ? machine->mode : 0;
    bool translated_mode = mode == MODE_TURBO || mode == MODE_PTURBO || mode == MODE_NAMELESS;
    if (translated_mode && x->frame && x->frame->little_endian) return stored;
    return __builtin_bswap32(stored);
}

int xframe_is_standalone(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    if (!machine || !machine->turbo_standalone) return 0;
    if (machine->memory_alloc_size == 0) return 1;
    static bool warned = false;
    if (!warned) {
        warned = true;
        sim_warning(2, "trying to be turbo standalone when memory_alloc_size = 0x%016lX",
                    (unsigned long)machine->memory_alloc_size);
    }
    return 0;
}

int xframe_is_debug(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    return machine ? machine->turbo_debug : 0;
}

int xframe_is_dynamic_debug(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    return machine ? machine->turbo_dynamic_debug : 0;
}

int xframe_is_mftb(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    return machine ? machine->turbo_mftb : 0;
}

int xframe_is_pturbo(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    return machine && machine->mode == MODE_PTURBO;
}

uint64_t xframe_ma(const xframe *x)
{
    return x->frame ? x->frame->host : 0;
}

void XFRAME_KIPS(void)
{
    SIM_PRINT("===== xframe ======\n");
    if (xframe_new_count) {
        SIM_PRINT("    xframe_new  = %ld\n", (long)xframe_new_count);
        xframe_new_count = 0;
    }
    if (xframe_free_count) {
        SIM_PRINT("    xframe_free (xflush) = %ld\n", (long)xframe_free_count);
        xframe_free_count = 0;
    }
}
