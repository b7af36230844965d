#include "browser_support.h"

#include <cstdlib>

#include "../platform/temp_folder.h"

namespace qm::test {

namespace {

bool runChromium(const std::string& page, const std::string& mode, const std::string& profile, int width, int height,
                 const std::string& stdoutFile) {
    const std::string command =
        "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
        "--disable-background-networking --disable-component-update --disable-sync --hide-scrollbars "
        "--force-device-scale-factor=1 --user-data-dir='" + profile + "' --window-size=" + std::to_string(width) +
        "," + std::to_string(height) + " " + mode + " 'file://" + page + "' >'" + stdoutFile + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}

}  // namespace

bool haveChromium() { return std::system("command -v chromium >/dev/null 2>&1") == 0; }

Screenshot::~Screenshot() {
    if (surface_) cairo_surface_destroy(surface_);
}
bool Screenshot::ok() const { return surface_ && cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
int Screenshot::width() const { return ok() ? cairo_image_surface_get_width(surface_) : 0; }
int Screenshot::height() const { return ok() ? cairo_image_surface_get_height(surface_) : 0; }

ColorRef Screenshot::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return kWhite;
    cairo_surface_flush(surface_);
    const unsigned char* row =
        cairo_image_surface_get_data(surface_) + static_cast<size_t>(y) * cairo_image_surface_get_stride(surface_);
    uint32_t w = reinterpret_cast<const uint32_t*>(row)[x];
    return makeColorRef((w >> 16) & 0xFF, (w >> 8) & 0xFF, w & 0xFF);
}

bool Screenshot::dark(int x, int y) const {
    ColorRef c = pixel(x, y);
    return redOf(c) + greenOf(c) + blueOf(c) < 200;
}

Screenshot screenshot(const std::string& htmlPath, const std::string& pngPath, const std::string& profile, int width,
                      int height) {
    if (!runChromium(htmlPath, "--screenshot='" + pngPath + "'", profile, width, height, pngPath + ".log"))
        return Screenshot();
    return Screenshot(cairo_image_surface_create_from_png(pngPath.c_str()));
}

std::string dumpDom(const std::string& htmlPath, const std::string& outPath, const std::string& profile) {
    if (!runChromium(htmlPath, "--dump-dom", profile, 800, 600, outPath)) return "";
    return readFileText(outPath);
}

}  // namespace qm::test
