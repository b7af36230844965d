#include "platform/webfont/woff2_compress.h"

#include <woff2/decode.h>
#include <woff2/encode.h>
#include <woff2/output.h>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace qm {

namespace {

// The encoder reports every font it compresses on standard error, which would fill the
// command line's output; standard error points at nothing while it runs.
class QuietStandardError {
public:
    QuietStandardError() : hold_(lock()) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    static std::mutex& lock() {
        static std::mutex m;
        return m;
    }
    std::lock_guard<std::mutex> hold_;
    int saved_ = -1;
};

// Brotli's top qualities cost about 20 ms per font of a document (a second for a long
// LaTeX file, all of it after the last page, when no other work is left to share) for 6 %
// fewer font bytes, a fraction of a percent of a site; from quality 5 up to 8 the fonts come
// out almost the same size.
constexpr int kBrotliQuality = 5;

// With standard error already quieted.
std::optional<std::string> compressQuietly(const std::string& sfnt) {
    if (sfnt.empty()) return std::nullopt;
    const auto* data = reinterpret_cast<const uint8_t*>(sfnt.data());
    size_t size = woff2::MaxWOFF2CompressedSize(data, sfnt.size());
    std::vector<uint8_t> out(size);
    woff2::WOFF2Params params;
    params.brotli_quality = kBrotliQuality;
    const bool ok = woff2::ConvertTTFToWOFF2(data, sfnt.size(), out.data(), &size, params);
    if (!ok || size > out.size()) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(out.data()), size);
}

// The fonts of a long document are made after its last page, when nothing else is left
// to share the cores with.
constexpr unsigned kMostThreads = 4;

}  // namespace

std::optional<std::string> compressWoff2(const std::string& sfnt) {
    QuietStandardError quiet;
    return compressQuietly(sfnt);
}

void compressWoff2Each(size_t count, const std::function<std::string(size_t)>& sfntOf,
                       const std::function<void(size_t, std::optional<std::string>)>& take) {
    if (count == 0) return;
    QuietStandardError quiet;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;) take(i, compressQuietly(sfntOf(i)));
    };
    const unsigned cores = std::max(1u, std::min(std::thread::hardware_concurrency(), kMostThreads));
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < std::min<size_t>(cores, count); ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
}

std::optional<std::string> decompressWoff2(const std::string& woff2) {
    const auto* data = reinterpret_cast<const uint8_t*>(woff2.data());
    const size_t size = woff2::ComputeWOFF2FinalSize(data, woff2.size());
    // A font the writer made is small; a header that says otherwise is not trusted.
    if (size == 0 || size > (size_t{64} << 20)) return std::nullopt;
    std::string out;
    woff2::WOFF2StringOut sink(&out);
    sink.SetMaxSize(size);
    if (!woff2::ConvertWOFF2ToTTF(data, woff2.size(), &sink)) return std::nullopt;
    return out;
}

}  // namespace qm
