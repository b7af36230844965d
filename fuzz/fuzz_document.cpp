// Opens arbitrary bytes as a document and displays every page with its links and annotations
// into a device that draws nothing, then writes the outline file.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/system/data_dir.h"
#include "render/null_device.h"
#include "streams/file_data.h"

namespace {

// Pages beyond this are not drawn: a small file can declare thousands of pages that share
// one heavy content stream, and a run must stay within the time limit.
constexpr int kMaxPages = 64;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Outline files go to a folder of this run, not the user's cache.
    std::string cache = qm::tempDirectory() + "/qm-fuzz-cache-" + std::to_string(::getpid());
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    // The settings live for the whole run, as in the program: fonts reach CMaps, glyph names
    // and cidToUnicode files through them.
    qm::createGlobalSettings("config.lst");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    qm::PdfDocument doc(qm::memoryFileData(bytes), qm::PdfString("fuzz.pdf"), nullptr, nullptr);
    if (!doc.isOk()) return 0;
    qm::NullDevice device;
    for (int n = 1; n <= doc.pageCount() && n <= kMaxPages; ++n) doc.displayPage(&device, n, 72, 0, true);
    char path[260];
    if (doc.catalog()->writeOutlines(path, static_cast<int>(sizeof path))) ::unlink(path);
    return 0;
}
