// Test helpers for the emitters: a sink over a plain buffer, an xframe whose sink writes into such
// a buffer, and a read-write-execute area in which emitted code is wrapped into a callable function.
#pragma once

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "translator/x86/encoder.h"
#include "translator/x86/sink.h"
#include "translator/xframe.h"

using Bytes = std::vector<uint8_t>;

// Little-endian bytes of a 32-bit value.
inline Bytes le32(uint32_t v)
{
    return {(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)};
}

inline Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A sink over a zeroed buffer; bytes() is what was appended.
struct BufferSink {
    explicit BufferSink(size_t size = 4096) : buffer(size) { sink_init(&s, buffer.data(), size); }
    Bytes bytes() const
    {
        size_t n = s.cursor - reinterpret_cast<uint64_t>(buffer.data());
        return Bytes(buffer.begin(), buffer.begin() + (long)n);
    }
    Bytes buffer;
    sink s;
};

// An xframe for a 64-bit machine whose sink writes into a buffer.
struct BufferXframe {
    explicit BufferXframe(size_t size = 4096) : buffer(size), x(std::make_unique<xframe>())
    {
        memset(x.get(), 0, sizeof(xframe));
        sink_init(&x->code_sink, buffer.data(), size);
        x->machine64 = 1;
        x->mode64 = 1;
    }
    Bytes bytes() const
    {
        size_t n = x->code_sink.cursor - reinterpret_cast<uint64_t>(buffer.data());
        return Bytes(buffer.begin(), buffer.begin() + (long)n);
    }
    xframe *get() { return x.get(); }
    Bytes buffer;
    std::unique_ptr<xframe> x;
};

// Emitted code wrapped as uint64_t f(void *state, uint64_t value): rbx = state and r9 = value on
// entry, rax is the result. Only rax, r9 to r11 and xmm12 to xmm15 may be clobbered by the body.
class CallableCode
{
  public:
    CallableCode()
    {
        area_ = mmap(nullptr, kSize, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        memset(x_.get(), 0, sizeof(xframe));
        sink_init(&x_->code_sink, area_, kSize);
        x_->machine64 = 1;
        x_->mode64 = 1;
        sink *s = &x_->code_sink;
        emit_push(s, HOST_RBX);
        emit_mov_reg(s, HOST_RBX, HOST_RDI, 1);
        emit_mov_reg(s, HOST_R9, HOST_RSI, 1);
    }
    ~CallableCode() { munmap(area_, kSize); }
    CallableCode(const CallableCode &) = delete;
    CallableCode &operator=(const CallableCode &) = delete;

    xframe *x() { return x_.get(); }
    uint64_t call(void *state, uint64_t value = 0)
    {
        if (!finished_) {
            emit_pop(&x_->code_sink, HOST_RBX);
            sink_emit1(&x_->code_sink, 0xC3);
            finished_ = true;
        }
        auto fn = reinterpret_cast<uint64_t (*)(void *, uint64_t)>(area_);
        return fn(state, value);
    }

  private:
    static constexpr size_t kSize = 4096;
    void *area_;
    std::unique_ptr<xframe> x_ = std::make_unique<xframe>();
    bool finished_ = false;
};
