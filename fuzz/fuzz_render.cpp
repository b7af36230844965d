// Opens arbitrary bytes as a document and draws its first pages into page bitmaps at a low
// resolution, then records them as display lists and writes their HTML into memory: the
// path every converted page takes, with images, masks, shadings, fonts and text runs.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/page_html_writer.h"
#include "convert/page_recording.h"
#include "render/replay.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/canvas.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/system/data_dir.h"
#include "platform/system/file_ops.h"
#include "render/conversion_renderer.h"
#include "streams/file_data.h"

namespace {

std::string htmlPath, imagePath;

// A handful of pages at a low resolution keeps each run within the time limit.
constexpr int kMaxPages = 4;
constexpr int kDpi = 18;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string cache = qm::tempDirectory() + "/qm-fuzz-cache-" + std::to_string(::getpid());
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    qm::createGlobalSettings("config.lst");
    const std::string folder = qm::tempDirectory() + "/qm-fuzz-render-" + std::to_string(::getpid());
    qm::makeDirectoryPath(folder);
    htmlPath = folder + "/pg_0001.htm";
    imagePath = folder + "/pg_0001.jpg";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    qm::PdfDocument doc(qm::memoryFileData(bytes), qm::PdfString("fuzz.pdf"), nullptr, nullptr);
    if (!doc.isOk()) return 0;
    qm::ConversionRenderer renderer(doc);
    for (int n = 1; n <= doc.pageCount() && n <= kMaxPages; ++n) {
        renderer.drawPage(n, kDpi);
        qm::RecordedPage recorded = qm::recordPage(renderer, n, kDpi);
        if (!recorded.page) continue;
        // The page's background is the recorded graphics replayed onto a bitmap.
        qm::Bitmap background(recorded.page->width, recorded.page->height);
        if (background.isOk()) {
            qm::Canvas canvas(background);
            qm::replayDisplayList(canvas, *recorded.page);
        }
        qm::writePageHtml(*recorded.page, recorded.links.get(), htmlPath, imagePath);
    }
    return 0;
}
