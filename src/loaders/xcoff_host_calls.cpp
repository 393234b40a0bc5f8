// Host calls of XCOFF programs: the table of library routines the loader turns into host-call
// words, the thread's host-call hook that serves them, and the guest formatting behind printf,
// sprintf and snprintf.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "loaders/loader_support.h"
#include "loaders/xcoff_loader.h"
#include "memory/memory_map.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

// printf and sprintf format at most 511 characters; a %s argument is at most 511 characters.
constexpr size_t FORMAT_BUFFER_SIZE = 512;
constexpr size_t STRING_ARGUMENT_LIMIT = 511;
// snprintf formats at most this many bytes whatever size the guest names.
constexpr size_t SNPRINTF_LIMIT = 1 << 20;
// Flags, width and precision kept of one conversion.
constexpr size_t CONVERSION_LIMIT = 32;

uint64_t gpr(ThreadState *thread, int n)
{
    return n >= 0 && n < NUM_GPRS ? thread->GPR[n].value : 0;
}

uint64_t fpr(ThreadState *thread, int n)
{
    return n >= 0 && n < NUM_GPRS ? thread->VSR[n].value[1] : 0;
}

// Reads a zero-terminated string of at most limit characters from guest physical memory; a
// failed read ends it.
std::string guest_string(MemoryClient *client, uint64_t address, size_t limit)
{
    std::string text;
    for (size_t i = 0; i < limit; i++) {
        uint64_t c = 0;
        if (!Read_Mapped_Memory_Reg(client, address + i, 1, &c, 0, 0) || c == 0) break;
        text += (char)c;
    }
    return text;
}

// The text of printf's format in register format_register with arguments from first_argument,
// at most size - 1 characters.
class GuestFormatter
{
  public:
    GuestFormatter(ThreadState *thread, XcoffImage *image, size_t size, int first_argument)
        : thread_(thread), wide_(image->bits == 64), size_(size), argument_(first_argument)
    {
    }

    std::string run(uint64_t format)
    {
        MemoryClient *client = thread_->memory_client;
        std::string pending; // plain characters, or the conversion being read
        bool converting = false;
        int longs = 0;
        for (uint64_t address = format;; address++) {
            uint64_t c = 0;
            if (!Read_Mapped_Memory_Reg(client, address, 1, &c, 0, 0) || c == 0) break;
            char ch = (char)c;
            if (!converting) {
                if (ch == '%') {
                    append(pending);
                    pending = "%";
                    converting = true;
                    longs = 0;
                } else {
                    pending += ch;
                }
                continue;
            }
            if (strchr("-+ #0123456789.", ch)) {
                if (pending.size() < CONVERSION_LIMIT) pending += ch;
                continue;
            }
            if (ch == 'l') {
                longs++;
                continue;
            }
            convert(pending, longs, ch);
            pending.clear();
            converting = false;
        }
        if (converting) pending += std::string((size_t)longs, 'l');
        append(pending);
        return out_;
    }

  private:
    void append(const std::string &text) { append(text.data(), text.size()); }
    void append(const char *text, size_t length)
    {
        size_t room = size_ ? size_ - 1 - out_.size() : 0;
        out_.append(text, std::min(length, room));
    }

    // Formats one value with the host's bounded formatting; spec is "%" with flags, width,
    // precision, length and the conversion character.
    template <typename T> void host_format(const std::string &spec, T value)
    {
        char small[FORMAT_BUFFER_SIZE];
        int needed = snprintf(small, sizeof small, spec.c_str(), value);
        if (needed < 0) return;
        if ((size_t)needed < sizeof small) {
            append(small, (size_t)needed);
            return;
        }
        size_t room = size_ ? size_ - 1 - out_.size() : 0;
        std::string big(std::min((size_t)needed, room) + 1, '\0');
        snprintf(big.data(), big.size(), spec.c_str(), value);
        append(big.data(), big.size() - 1);
    }

    uint64_t next_argument() { return gpr(thread_, argument_++); }

    void convert(const std::string &flags, int longs, char conversion)
    {
        switch (conversion) {
        case '%':
            append("%", 1);
            return;
        case 'a':
        case 'A':
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G': {
            uint64_t bits = fpr(thread_, fpr_++);
            argument_ += wide_ ? 1 : 2;
            double value;
            memcpy(&value, &bits, sizeof value);
            host_format(flags + conversion, value);
            return;
        }
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X': {
            uint64_t value = next_argument();
            if (!wide_ && longs >= 2) value = value << 32 | (next_argument() & 0xFFFFFFFFu);
            bool is_signed = conversion == 'd' || conversion == 'i';
            if (longs == 0) {
                if (is_signed)
                    host_format(flags + conversion, (int)(int32_t)value);
                else
                    host_format(flags + conversion, (unsigned)(uint32_t)value);
            } else if (is_signed) {
                host_format(flags + "ll" + conversion, (long long)value);
            } else {
                host_format(flags + "ll" + conversion, (unsigned long long)value);
            }
            return;
        }
        case 'c':
            host_format(flags + 'c', (int)next_argument());
            return;
        case 'p':
            host_format("%#" + flags.substr(1) + "llx", (unsigned long long)next_argument());
            return;
        case 's': {
            std::string text = guest_string(thread_->memory_client, next_argument(), STRING_ARGUMENT_LIMIT);
            host_format(flags + 's', text.c_str());
            return;
        }
        default:
            // Not a conversion this formatter knows: the text stands as written.
            append(flags + std::string((size_t)longs, 'l') + conversion);
            return;
        }
    }

    ThreadState *thread_;
    bool wide_;
    size_t size_;
    int argument_;
    int fpr_ = 1;
    std::string out_;
};

std::string guest_format(ThreadState *thread, XcoffImage *image, size_t size, int format_register,
                         int first_argument)
{
    GuestFormatter formatter(thread, image, size, first_argument);
    return formatter.run(gpr(thread, format_register));
}

int main_returned(ThreadState *, XcoffImage *)
{
    Stop_The_Simulation(STOP_MAIN_RETURNED);
    return 1;
}

int call_exit(ThreadState *, XcoffImage *)
{
    Stop_The_Simulation(STOP_EXIT_SYSCALL);
    return 1;
}

int call_printf(ThreadState *thread, XcoffImage *image)
{
    std::string text = guest_format(thread, image, FORMAT_BUFFER_SIZE, 3, 4);
    SIM_PRINT("%s", text.c_str());
    return 1;
}

int call_sprintf(ThreadState *thread, XcoffImage *image)
{
    std::string text = guest_format(thread, image, FORMAT_BUFFER_SIZE, 4, 5);
    PA_copy_buffer_directly_to_memory(thread->memory_client, thread->GPR[3].value, text.c_str(),
                                      (int64_t)text.size() + 1, 0);
    return 1;
}

// The text and its terminating zero reach the destination; the bytes after them are left as
// they were.
int call_snprintf(ThreadState *thread, XcoffImage *image)
{
    int32_t size = (int32_t)thread->GPR[4].value;
    if (size <= 0) return 1;
    size_t limit = std::min((size_t)size, SNPRINTF_LIMIT);
    std::string text = guest_format(thread, image, limit, 5, 6);
    PA_copy_buffer_directly_to_memory(thread->memory_client, thread->GPR[3].value, text.c_str(),
                                      (int64_t)text.size() + 1, 0);
    return 1;
}

uint64_t round_up_16(uint64_t value)
{
    return (value + 15) & ~15ull;
}

int call_malloc(ThreadState *thread, XcoffImage *image)
{
    uint64_t size = thread->GPR[3].value;
    uint64_t block = round_up_16(image->heap);
    thread->GPR[3].value = block;
    image->heap = block + size;
    return 1;
}

int call_calloc(ThreadState *thread, XcoffImage *image)
{
    uint64_t size = thread->GPR[3].value * thread->GPR[4].value;
    uint64_t block = round_up_16(image->heap);
    thread->GPR[3].value = block;
    image->heap = block + size;
    PA_clear_memory_directly(thread, block, (int64_t)size, 0);
    return 1;
}

int call_free(ThreadState *, XcoffImage *)
{
    return 1;
}

} // namespace

const XcoffHostCall xcoff_host_calls[XCOFF_HOST_CALL_ROWS] = {
    {"*mainret*", XCOFF_CALL_MAIN_RETURN, main_returned}, {".exit", XCOFF_CALL_EXIT, call_exit},
    {".printf", XCOFF_CALL_PRINTF, call_printf},          {".sprintf", XCOFF_CALL_SPRINTF, call_sprintf},
    {".snprintf", XCOFF_CALL_SNPRINTF, call_snprintf},    {".malloc", XCOFF_CALL_MALLOC, call_malloc},
    {".calloc", XCOFF_CALL_CALLOC, call_calloc},          {".free", XCOFF_CALL_FREE, call_free},
    {"*invalid*", XCOFF_CALL_INVALID, nullptr},
};

int xcoff_host_call(ThreadState *thread, uint32_t word)
{
    XcoffImage *image = thread ? static_cast<XcoffImage *>(thread->loader_state) : nullptr;
    if (!image) return 0;
    if (word == XCOFF_CALL_MAIN_RETURN) return xcoff_host_calls[0].handler(thread, image);
    for (int row = 1; xcoff_host_calls[row].handler; row++)
        if (xcoff_host_calls[row].code == word) return xcoff_host_calls[row].handler(thread, image);
    return 0;
}
