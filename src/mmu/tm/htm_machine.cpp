// The machine's transactional-memory record on first use and its release.
#include "mmu/tm/htm_machine.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "mmu/tm/htm_footprint.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"
#include "runtime/alloc.h"
#include "runtime/debug.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"

namespace
{

constexpr int HTM_DEBUG_FIRST = 222;
constexpr int HTM_DEBUG_LAST = 224;
constexpr uint64_t TEXASR_LEVEL = 0xFFF;

int32_t thread_class(GenericMachine *machine)
{
    if (!machine || !machine->device_manager) return -1;
    if (machine->thread_major < 0)
        machine->thread_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
    return machine->thread_major;
}

int32_t log2_of(uint64_t value)
{
    int32_t n = 0;
    while (n < 64 && (1ull << n) < value)
        n++;
    return n;
}

// One footprint entry per thread of the machine.
void alloc_thread_caches(GenericMachine *machine, htm_data *data)
{
    if (data->caches) return;
    int32_t major = thread_class(machine);
    int32_t count = major < 0 ? 0 : DeviceMgr__GetDeviceCount(machine->device_manager, major);
    data->thread_count = count;
    data->caches = QUARN_ZALLOC(count > 0 ? count : 1, htm_cache);
    for (int32_t i = 0; i < count; i++) {
        int32_t minor = DeviceMgr__GetIndexMinor(machine->device_manager, major, i);
        auto *thread =
            static_cast<ThreadState *>(DeviceMgr__GetDevice(machine->device_manager, major, minor));
        htm_cache *cache = &data->caches[i];
        cache->thread_index = i;
        cache->thread = thread;
        if (thread) thread->htm_thread_index = i;
    }
}

// The level field TEXASR implements: written on the thread and read back, then restored.
int32_t implemented_level(ThreadState *thread, int32_t wanted)
{
    const uint64_t saved = thread->TEXASR.value;
    tCOOKED_SET_TEXASR(thread, (saved & ~TEXASR_LEVEL) | ((uint64_t)wanted & TEXASR_LEVEL), 0);
    const int32_t level = (int32_t)(thread->TEXASR.value & TEXASR_LEVEL);
    tCOOKED_SET_TEXASR(thread, saved, 0);
    return level;
}

void initialise(GenericMachine *machine, htm_data *data, IOPDesc *iop)
{
    data->enabled = 1;
    data->lines_log2 = (int32_t)machine->htm_cache_lines_log2;
    data->set_size_log2 = (int32_t)machine->htm_cache_set_size_log2;
    if (data->lines_log2 < data->set_size_log2) {
        sim_warning(
            1,
            "TM Number of lines in a congruence set (%d) reduced to match total number of cache lines (%d)",
            data->set_size_log2, data->lines_log2);
        data->set_size_log2 = data->lines_log2;
    }
    double rate = machine->htm_inject_transaction_fail_rate;
    if (!(rate >= 0.0 && rate <= 1.0)) {
        sim_warning(
            1, "TM specified htm/inject_transaction_fail_rate (%f) out of range [0.0, 1.0] forcing to 0.0",
            rate);
        rate = 0.0;
    }
    data->inject_rate = (float)rate;
    data->line_count = 1u << data->lines_log2;
    const int32_t store_log2 =
        machine->htm_cache_store_lines_log2 ? (int32_t)machine->htm_cache_store_lines_log2 : data->lines_log2;
    data->store_line_limit = 1u << store_log2;
    // The footprint line is the machine's cache block (128 bytes unless configured).
    data->line_size = machine->cache_block_size ? (uint32_t)machine->cache_block_size : 128;
    data->line_size_log2 = log2_of(data->line_size);
    data->line_offset_mask = data->line_size_log2 >= 64 ? ~0ull : data->line_size - 1;
    data->os_supports_tm = machine->htm_os_supports_tm;
    data->texasr_extra_info = machine->htm_texasr_extra_info;
    data->max_nesting_level = (int32_t)machine->htm_max_tbegin_nesting;

    ThreadState *first = htm_thread_at(data, 0);
    if (!first && iop) first = iop->thread;
    if (first) {
        const int32_t level =
            implemented_level(first, (int32_t)(machine->htm_max_tbegin_nesting & TEXASR_LEVEL));
        if (level < data->max_nesting_level) {
            sim_warning(
                1, "Config value htm/max_tbegin_nesting (%d) exceeds max allowed (%d). Using max allowed\n",
                data->max_nesting_level, level);
            data->max_nesting_level = level;
        }
        // The nesting-depth bits of SIM_CTRL take effect now that the record is initialised.
        COOKED_SET_SIM_CTRL(first, first->SIM_CTRL.value, 0);
    }
    for (int32_t i = 0; i < data->thread_count; i++)
        htm_cache_create_stores(data, &data->caches[i]);
    if (iop && iop->thread) {
        data->fxcc = IOP_Option(iop, PO_FXCC_FIELD_IN_XER) &&
                     (Tags_Active(iop) || IOP_Option(iop, PO_HTM_OPS_SET_XER_FXCC_IN_TI_MODE));
    }
}

} // namespace

htm_data *htm_get_machine_state(GenericMachine *machine, IOPDesc *iop)
{
    if (!machine || !machine->htm) return nullptr;
    htm_data *data = machine->htm;
    alloc_thread_caches(machine, data);
    if (!data->enabled) initialise(machine, data, iop);
    return data;
}

htm_data *htm_get_machine_state(IOPDesc *iop)
{
    if (!iop || !iop->thread) return nullptr;
    return htm_get_machine_state(iop->thread->machine, iop);
}

htm_cache *htm_thread_cache(htm_data *data, ThreadState *thread)
{
    if (!data || !data->caches || !thread) return nullptr;
    const int32_t i = thread->htm_thread_index;
    if (i >= 0 && i < data->thread_count && data->caches[i].thread == thread) return &data->caches[i];
    for (int32_t k = 0; k < data->thread_count; k++)
        if (data->caches[k].thread == thread) return &data->caches[k];
    return nullptr;
}

ThreadState *htm_thread_at(htm_data *data, int32_t index)
{
    if (!data || !data->caches || index < 0 || index >= data->thread_count) return nullptr;
    return data->caches[index].thread;
}

void htm_free(htm_data *data)
{
    if (!data) return;
    for (int32_t i = 0; data->caches && i < data->thread_count; i++) {
        release_cache(&data->caches[i]);
        htm_cache_destroy_stores(&data->caches[i]);
    }
    QUARN_FREE(data->caches);
    data->caches = nullptr;
    data->thread_count = 0;
}

bool htm_debug_on()
{
    for (int category = HTM_DEBUG_FIRST; category <= HTM_DEBUG_LAST; category++)
        if (get_debug_flag(category) > 0) return true;
    return false;
}

void htm_debug(ThreadState *thread, const char *format, ...)
{
    for (int category = HTM_DEBUG_FIRST; category <= HTM_DEBUG_LAST; category++) {
        if (get_debug_flag(category) <= 0) continue;
        char text[512];
        va_list arguments;
        va_start(arguments, format);
        vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        sim_do_debug(debug_name[category].name, nullptr, thread, "%s", text);
        return;
    }
}

const char *htm_thread_name(const ThreadState *thread)
{
    return thread && thread->name ? thread->name : "";
}
