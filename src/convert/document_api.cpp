// The document functions of libquillmark: open a PDF, count its pages, list its outline,
// record or draw a page, hand out its links, and write a page as BMP. The HTML and SVG
// writers have their own files. Every function checks its handle and its page number; none
// throws or prints.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "convert/page_recording.h"
#include "convert/svg_writer.h"
#include "core/pdf_string.h"
#include "document/outline_file.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/canvas/dib.h"
#include "platform/canvas/packed_dib.h"
#include "quillmark.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"

namespace {

constexpr uint32_t kHandleMagic = 0x3FA66666;

// The engine's configuration is shared by every open document: it is made with the first
// and released with the last, so closing one document never pulls it from under another.
int openDocuments = 0;

void acquireSettings() {
    if (openDocuments++ == 0) qm::createGlobalSettings("config.lst");
}

void releaseSettings() {
    if (openDocuments > 0 && --openDocuments == 0) qm::destroyGlobalSettings();
}

}  // namespace

struct PdfHandle {
    uint32_t magic = kHandleMagic;
    char versionStamp[9] = "20020108";
    std::string fileName;
    std::unique_ptr<qm::PdfDocument> document;
    int zoom = 100;
    std::unique_ptr<qm::ConversionRenderer> renderer;

    ~PdfHandle() {
        magic = 0;  // a stale pointer is refused, not trusted
        renderer.reset();
        document.reset();
    }
};

namespace {

bool isValid(const PdfHandle* handle) { return handle != nullptr && handle->magic == kHandleMagic; }

bool isPage(const PdfHandle* handle, int page) {
    return isValid(handle) && page >= 1 && page <= handle->document->pageCount();
}

}  // namespace

extern "C" {

PdfHandle* PDF_Open(const char* fileName, const char* ownerPassword, const char* userPassword, int zoom) {
    if (fileName == nullptr || *fileName == '\0') return nullptr;
    acquireSettings();
    auto handle = std::make_unique<PdfHandle>();
    handle->fileName = fileName;
    handle->zoom = zoom;
    std::unique_ptr<qm::PdfString> owner, user;
    if (ownerPassword != nullptr && *ownerPassword != '\0') owner = std::make_unique<qm::PdfString>(ownerPassword);
    if (userPassword != nullptr && *userPassword != '\0') user = std::make_unique<qm::PdfString>(userPassword);
    handle->document = std::make_unique<qm::PdfDocument>(qm::PdfString(fileName), owner.get(), user.get());
    if (!handle->document->isOk()) {
        handle.reset();
        releaseSettings();
        return nullptr;
    }
    handle->renderer = std::make_unique<qm::ConversionRenderer>(*handle->document);
    return handle.release();
}

void PDF_Close(PdfHandle* handle) {
    if (!isValid(handle)) return;
    delete handle;
    releaseSettings();
}

int PDF_GetPageCount(PdfHandle* handle) {
    if (!isValid(handle)) return -1;
    return handle->document->pageCount();
}

int PDF_GetBookmark(PdfHandle* handle, char* buffer, int size) {
    if (!isValid(handle) || buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    // A cut path would name another file: refuse a buffer that cannot hold it whole.
    if (qm::outlineFilePath().size() >= static_cast<size_t>(size)) return 0;
    qm::PdfCatalog* catalog = handle->document->catalog();
    if (catalog == nullptr) return 0;
    bool hasItems = catalog->writeOutlines(buffer, size);
    buffer[size - 1] = '\0';
    return hasItems ? 1 : 0;
}

PageObject* PDF_GetPageObject(PdfHandle* handle, int page) {
    if (!isPage(handle, page)) return nullptr;
    return qm::recordPage(*handle->renderer, page, handle->zoom).page.release();
}

void PDF_DestroyPageObject(PageObject* page) { qm::destroyPageObject(page); }

void* PDF_GetPageBmp(PdfHandle* handle, int page) {
    if (!isPage(handle, page)) return nullptr;
    qm::ConversionRenderer& renderer = *handle->renderer;
    renderer.setDisplayList(nullptr);
    if (!renderer.drawPage(page, handle->zoom)) return nullptr;
    return renderer.packedPage();
}

void PDF_DestroyPageBmp(void* block) { qm::freePackedDib(static_cast<uint8_t*>(block)); }

HtmlLinkList* PDF_GetPageHtmLink(PdfHandle* handle, int page) {
    if (!isValid(handle) || page != handle->document->lastPageDrawn()) return nullptr;
    qm::HtmlLinkListPtr list = qm::newHtmlLinkList();
    handle->renderer->copyLinks(*list);
    return list.release();
}

void PDF_DestroyHtmLink(HtmlLinkList* links) { qm::destroyHtmlLinkList(links); }

int PDF_WriteToBMPFile(void* block, const char* path) {
    if (block == nullptr || path == nullptr || *path == '\0') return 0;
    const auto* bytes = static_cast<const uint8_t*>(block);
    const size_t blockSize = qm::packedDibSize(bytes);
    auto header = qm::BitmapInfoHeader::readFrom(bytes, blockSize);
    if (!header || header->size < qm::BitmapInfoHeader::kSize) return 0;  // core headers are refused
    const size_t paletteBytes = static_cast<size_t>(header->paletteEntries()) * 4;
    size_t imageBytes = header->imageSize;
    if (header->compression != 1 && header->compression != 2) {
        imageBytes = qm::BitmapInfoHeader::rowStride(header->width, header->bitCount) *
                     static_cast<size_t>(header->height < 0 ? -static_cast<int64_t>(header->height) : header->height);
    }
    const size_t payload = header->size + paletteBytes + imageBytes;
    if (payload > blockSize || payload > 0xFFFFFFFFu - 14) return 0;

    uint8_t fileHeader[14] = {'B', 'M'};
    qm::storeLe32(fileHeader + 2, static_cast<uint32_t>(14 + payload));
    qm::storeLe32(fileHeader + 10, static_cast<uint32_t>(14 + header->size + paletteBytes));
    // The image size is written into the header as the file carries it.
    uint8_t infoHeader[qm::BitmapInfoHeader::kSize];
    std::memcpy(infoHeader, bytes, sizeof infoHeader);
    qm::storeLe32(infoHeader + 20, static_cast<uint32_t>(imageBytes));

    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    bool ok = std::fwrite(fileHeader, 1, sizeof fileHeader, file) == sizeof fileHeader &&
              std::fwrite(infoHeader, 1, sizeof infoHeader, file) == sizeof infoHeader &&
              std::fwrite(bytes + sizeof infoHeader, 1, payload - sizeof infoHeader, file) == payload - sizeof infoHeader;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) std::remove(path);
    return ok ? 1 : 0;
}

int PDF_WriteToSVGFile(PageObject* page, const char* path) { return qm::writeSvgFile(page, path) ? 1 : 0; }

}  // extern "C"
