#pragma once
// Headless Chromium for the tests that look at written pages as a browser shows them.
#include <cairo.h>

#include <string>

#include "platform/canvas/color_ref.h"

namespace qm::test {

bool haveChromium();

// A PNG screenshot held as a cairo image.
class Screenshot {
public:
    Screenshot() = default;
    explicit Screenshot(cairo_surface_t* s) : surface_(s) {}
    ~Screenshot();
    Screenshot(Screenshot&& o) noexcept : surface_(o.surface_) { o.surface_ = nullptr; }
    Screenshot(const Screenshot&) = delete;
    Screenshot& operator=(const Screenshot&) = delete;

    bool ok() const;
    int width() const;
    int height() const;
    ColorRef pixel(int x, int y) const;  // white outside
    bool dark(int x, int y) const;       // red + green + blue below 200

private:
    cairo_surface_t* surface_ = nullptr;
};

// Shows `htmlPath` in a window of width x height and returns what it showed (written to
// `pngPath` on the way). `profile` is an empty folder for the browser's profile.
Screenshot screenshot(const std::string& htmlPath, const std::string& pngPath, const std::string& profile, int width,
                      int height);
// The document's DOM after its scripts ran ("" when the browser failed).
std::string dumpDom(const std::string& htmlPath, const std::string& outPath, const std::string& profile);

}  // namespace qm::test
