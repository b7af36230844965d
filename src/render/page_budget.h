#pragma once
// What drawing one page may cost: pixels decoded from images, points of the paths filled,
// stroked or clipped, and characters drawn. The limits are far above any real page, so they
// only stop crafted or broken content that would otherwise run for minutes; a page past one is
// finished with what was drawn, and a message names the page and what ran out.
namespace qm {

// The fuzzing build, which lowers the interpreter's page work, lowers the pixels too so that
// every input finishes within the fuzzer's timeout.
#if defined(QUILLMARK_PAGE_WORK) && QUILLMARK_PAGE_WORK < 1000000
inline constexpr long long kDefaultPagePixels = 1LL << 25;
#else
inline constexpr long long kDefaultPagePixels = 1LL << 30;
#endif

struct PageLimits {
    long long pixels = kDefaultPagePixels;
    long long pathPoints = 1LL << 26;
    long long glyphs = 1LL << 21;
};

class PageBudget {
public:
    explicit PageBudget(PageLimits limits = {}) : limits_(limits) {}

    void setLimits(const PageLimits& limits) { limits_ = limits; }
    // Starts the count of page `pageNumber` afresh.
    void start(int pageNumber);

    // Each takes `n` units when they fit and says so; the first that does not fit spends the
    // whole budget (reported once) and every later request is refused.
    bool pixels(long long n) { return take(pixels_, limits_.pixels, n, "image pixels"); }
    bool pathPoints(long long n) { return take(points_, limits_.pathPoints, n, "path points"); }
    bool glyphs(long long n) { return take(glyphs_, limits_.glyphs, n, "characters"); }

    bool spent() const { return spent_; }
    long long pixelsUsed() const { return pixels_; }
    long long pathPointsUsed() const { return points_; }
    long long glyphsUsed() const { return glyphs_; }

private:
    bool take(long long& used, long long limit, long long n, const char* what);

    PageLimits limits_;
    int page_ = 0;
    long long pixels_ = 0, points_ = 0, glyphs_ = 0;
    bool spent_ = false;
};

}  // namespace qm
