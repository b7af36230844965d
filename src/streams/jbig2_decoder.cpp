#include "streams/jbig2_decoder.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/whole_input.h"

// Last: the library's header defines `inline` away when it is not a macro.
#include <stddef.h>
#include <stdint.h>
#include <jbig2.h>
#undef inline

namespace qm {

namespace {

// Encoded bytes taken from the page stream and from the globals stream at most.
constexpr size_t kMaxInput = size_t{64} << 20;
// Everything the library may hold at once for one page: a 1-bit page of about 2 gigapixels,
// or less with symbol dictionaries. Larger claims in a file fail inside the library.
constexpr size_t kMemoryBudget = size_t{256} << 20;
// Library messages passed on per decode; a damaged stream can produce thousands.
constexpr int kMaxMessages = 8;
// A globals stream decoded through a JBIG2 decoder of its own could name itself.
constexpr int kMaxGlobalsDepth = 2;
thread_local int globalsDepth = 0;

// An allocator that refuses what would take the library past its budget. Each block carries
// its size in front, so frees give the budget back.
struct BudgetAllocator {
    Jbig2Allocator base;  // first, so the library's pointer is ours
    size_t used = 0;

    static constexpr size_t kHeader = 16;  // keeps the malloc alignment

    static BudgetAllocator* self(Jbig2Allocator* a) { return reinterpret_cast<BudgetAllocator*>(a); }
    static size_t sizeOf(void* p) {
        size_t n;
        std::memcpy(&n, static_cast<char*>(p) - kHeader, sizeof n);
        return n;
    }
    static void* alloc(Jbig2Allocator* a, size_t size) {
        BudgetAllocator* b = self(a);
        if (size > kMemoryBudget - b->used) return nullptr;
        char* p = static_cast<char*>(std::malloc(size + kHeader));
        if (!p) return nullptr;
        std::memcpy(p, &size, sizeof size);
        b->used += size;
        return p + kHeader;
    }
    static void release(Jbig2Allocator* a, void* p) {
        if (!p) return;
        self(a)->used -= sizeOf(p);
        std::free(static_cast<char*>(p) - kHeader);
    }
    static void* resize(Jbig2Allocator* a, void* p, size_t size) {
        if (!p) return alloc(a, size);
        BudgetAllocator* b = self(a);
        size_t old = sizeOf(p);
        if (size > old && size - old > kMemoryBudget - b->used) return nullptr;
        char* q = static_cast<char*>(std::realloc(static_cast<char*>(p) - kHeader, size + kHeader));
        if (!q) return nullptr;
        std::memcpy(q, &size, sizeof size);
        b->used = b->used - old + size;
        return q + kHeader;
    }

    BudgetAllocator() : base{alloc, release, resize} {}
};

void onMessage(void* data, const char* msg, Jbig2Severity severity, uint32_t) {
    if (severity == JBIG2_SEVERITY_WARNING || severity == JBIG2_SEVERITY_FATAL)
        static_cast<Jbig2Decoder*>(data)->libraryMessage(msg, severity == JBIG2_SEVERITY_FATAL);
}

uint32_t be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Whether the last segment of embedded data is whole. The library waits for more data when
// it is not and says nothing, so the cut is found here by walking the segment headers.
bool segmentsComplete(const std::vector<uint8_t>& d) {
    size_t at = 0;
    while (at < d.size()) {
        if (d.size() - at < 6) return false;
        const uint32_t number = be32(&d[at]);
        const bool longPage = d[at + 4] & 0x40;
        size_t pos = at + 5;
        uint32_t referred = d[pos] >> 5;
        if (referred == 7) {
            if (d.size() - pos < 4) return false;
            referred = be32(&d[pos]) & 0x1FFFFFFF;
            pos += 4 + (referred + 8) / 8;
        } else {
            pos += 1;
        }
        const size_t numberSize = number <= 256 ? 1 : number <= 65536 ? 2 : 4;
        pos += static_cast<size_t>(referred) * numberSize + (longPage ? 4 : 1);
        if (pos > d.size() || d.size() - pos < 4) return false;
        const uint32_t length = be32(&d[pos]);
        pos += 4;
        // An unknown length (immediate generic regions only) ends at a marker the library finds.
        if (length == 0xFFFFFFFFu) return true;
        if (d.size() - pos < length) return false;
        at = pos + length;
    }
    return true;
}

struct ContextFree {
    void operator()(Jbig2Ctx* c) const { jbig2_ctx_free(c); }
};
struct GlobalsFree {
    void operator()(Jbig2GlobalCtx* c) const { jbig2_global_ctx_free(c); }
};

}  // namespace

Jbig2Decoder::Jbig2Decoder(Stream* below, PdfObject globals) : WholeImageDecoder(below), globals_(std::move(globals)) {}

void Jbig2Decoder::reset() {
    below_->reset();
    out_.clear();
    next_ = 0;
    width_ = height_ = 0;
    messages_ = 0;
    if (!decode()) out_.clear();
}

void Jbig2Decoder::close() {
    release();
    FilterStream::close();
}

void Jbig2Decoder::libraryMessage(const char* text, bool fatal) {
    if (messages_++ >= kMaxMessages) return;
    reportError(below_->position(), fatal ? "JBIG2 error: %s" : "JBIG2 warning: %s", text);
}

bool Jbig2Decoder::readGlobals(std::vector<uint8_t>* bytes) {
    if (!globals_.isStream()) return true;
    if (globalsDepth >= kMaxGlobalsDepth) {
        reportError(below_->position(), "JBIG2 globals stream refers to itself");
        return false;
    }
    ++globalsDepth;
    Stream* s = globals_.getStream();
    s->reset();
    bool fits = readWholeInput(s, kMaxInput, bytes);
    s->close();
    --globalsDepth;
    if (!fits) reportError(below_->position(), "JBIG2 globals stream too large");
    return fits;
}

bool Jbig2Decoder::decode() {
    std::vector<uint8_t> page, globals;
    if (!readWholeInput(below_.get(), kMaxInput, &page)) {
        reportError(below_->position(), "JBIG2 stream too large");
        return false;
    }
    if (!readGlobals(&globals)) return false;

    BudgetAllocator allocator;
    std::unique_ptr<Jbig2GlobalCtx, GlobalsFree> globalContext;
    if (!globals.empty()) {
        Jbig2Ctx* g = jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, nullptr, onMessage, this);
        if (!g) {
            reportError(below_->position(), "JBIG2 error: out of memory");
            return false;
        }
        jbig2_data_in(g, globals.data(), globals.size());
        globalContext.reset(jbig2_make_global_ctx(g));
    }
    std::unique_ptr<Jbig2Ctx, ContextFree> context(
        jbig2_ctx_new(&allocator.base, JBIG2_OPTIONS_EMBEDDED, globalContext.get(), onMessage, this));
    if (!context) {
        reportError(below_->position(), "JBIG2 error: out of memory");
        return false;
    }
    // A failure part-way still leaves the regions decoded before it on the page.
    jbig2_data_in(context.get(), page.data(), page.size());
    if (!segmentsComplete(page)) reportError(below_->position(), "JBIG2 data ends inside a segment");
    jbig2_complete_page(context.get());
    Jbig2Image* image = jbig2_page_out(context.get());
    if (!image) {
        reportError(below_->position(), "JBIG2 stream holds no page");
        return false;
    }
    bool ok = image->width > 0 && image->height > 0 && image->width <= 0x7FFFFFF8u && image->height <= 0x7FFFFFFFu;
    if (!ok) reportError(below_->position(), "JBIG2 page size out of range");
    if (ok) {
        const size_t rowBytes = (static_cast<size_t>(image->width) + 7) / 8;
        width_ = static_cast<int>(image->width);
        height_ = static_cast<int>(image->height);
        out_.resize(rowBytes * image->height);
        // The library marks black with 1; image samples here have 0 for black. The bits
        // after the last pixel of a row are 0, as the fax decoder leaves them.
        const uint8_t lastMask = static_cast<uint8_t>(0xFF00u >> ((image->width - 1) % 8 + 1));
        for (uint32_t y = 0; y < image->height; ++y) {
            const uint8_t* src = image->data + static_cast<size_t>(y) * image->stride;
            uint8_t* dst = out_.data() + static_cast<size_t>(y) * rowBytes;
            for (size_t i = 0; i < rowBytes; ++i) dst[i] = static_cast<uint8_t>(~src[i]);
            dst[rowBytes - 1] &= lastMask;
        }
    }
    jbig2_release_page(context.get(), image);
    return ok;
}

Stream* makeJbig2Decoder(Stream* below, const PdfDict* params) {
    PdfObject globals = params ? params->lookup("JBIG2Globals") : PdfObject::makeNull();
    return new Jbig2Decoder(below, std::move(globals));
}

}  // namespace qm
