// The document functions of libquillmark: open a PDF, count its pages, list its outline,
// record or draw a page, hand out its links, and write a page as BMP. The HTML and SVG
// writers have their own files. Every function checks its handle and its page number; none
// throws or prints.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "convert/document_open.h"
#include "convert/handle_title.h"
#include "convert/html_writer_state.h"
#include "convert/page_recording.h"
#include "convert/settings.h"
#include "convert/svg_writer.h"
#include "core/pdf_string.h"
#include "core/report_error.h"
#include "document/document_title.h"
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

// The engine's configuration is shared by every open document: it is made with the first
// and released with the last, so closing one document never pulls it from under another.
std::mutex liveMutex;
int openDocuments = 0;

void acquireSettings() {
    std::lock_guard lock(liveMutex);
    if (openDocuments++ == 0) qm::createGlobalSettings("config.lst");
}

void releaseSettings() {
    std::lock_guard lock(liveMutex);
    if (openDocuments > 0 && --openDocuments == 0) qm::destroyGlobalSettings();
}

struct OpenDocument {
    std::string fileName;
    std::unique_ptr<qm::PdfDocument> document;
    int zoom = 100;
    std::unique_ptr<qm::ConversionRenderer> renderer;

    ~OpenDocument() {
        renderer.reset();
        document.reset();
    }
};

// A handle is a token, never dereferenced: an address inside a reserved block that is never
// touched, handed out in turn. The table of live tokens decides what a caller's pointer is,
// so anything PDF_Open did not return, or that was closed since, is refused without being
// read, and a closed handle does not come back as another document's for a million opens.
constexpr size_t kTokens = size_t{1} << 20;
alignas(64) char tokenSpace[kTokens];
size_t nextToken = 0;

std::unordered_map<const PdfHandle*, std::unique_ptr<OpenDocument>>& liveHandles() {
    static std::unordered_map<const PdfHandle*, std::unique_ptr<OpenDocument>> handles;
    return handles;
}

PdfHandle* addLive(std::unique_ptr<OpenDocument> document) {
    std::lock_guard lock(liveMutex);
    for (;;) {
        auto* token = reinterpret_cast<PdfHandle*>(tokenSpace + nextToken++ % kTokens);
        if (liveHandles().count(token) != 0) continue;
        liveHandles().emplace(token, std::move(document));
        return token;
    }
}

OpenDocument* find(const PdfHandle* handle) {
    if (handle == nullptr) return nullptr;
    std::lock_guard lock(liveMutex);
    auto it = liveHandles().find(handle);
    return it == liveHandles().end() ? nullptr : it->second.get();
}

OpenDocument* findWithPage(const PdfHandle* handle, int page) {
    OpenDocument* open = find(handle);
    return open != nullptr && page >= 1 && page <= open->document->pageCount() ? open : nullptr;
}

}  // namespace

namespace qm {

std::string documentTitleOf(PdfHandle* handle) {
    const OpenDocument* open = find(handle);
    return open != nullptr ? documentTitle(*open->document) : std::string();
}

OpenResult openPdf(const char* fileName, const char* ownerPassword, const char* userPassword, int zoom) {
    OpenResult result;
    if (fileName == nullptr || *fileName == '\0') {
        result.failure = OpenFailure::unreadable;
        result.errorNumber = ENOENT;
        return result;
    }
    acquireSettings();
    auto handle = std::make_unique<OpenDocument>();
    handle->fileName = fileName;
    handle->zoom = zoom;
    std::unique_ptr<qm::PdfString> owner, user;
    if (ownerPassword != nullptr && *ownerPassword != '\0') owner = std::make_unique<qm::PdfString>(ownerPassword);
    if (userPassword != nullptr && *userPassword != '\0') user = std::make_unique<qm::PdfString>(userPassword);
    handle->document = std::make_unique<qm::PdfDocument>(qm::PdfString(fileName), owner.get(), user.get());
    if (!handle->document->isOk()) {
        result.failure = handle->document->openFailure();
        result.errorNumber = handle->document->openErrorNumber();
        handle.reset();
        releaseSettings();
        reportError(-1, "%s", openFailureText(fileName, result.failure, result.errorNumber).c_str());
        return result;
    }
    handle->renderer = std::make_unique<qm::ConversionRenderer>(*handle->document);
    // A document opened is a new file for the page writer: its styles, the offset of the
    // next continuous page and the mode start afresh.
    qm::htmlWriterState().startFile();
    result.handle = addLive(std::move(handle));
    return result;
}

bool setWebFontJournal(PdfHandle* handle, WebFontJournal* journal) {
    OpenDocument* open = find(handle);
    if (open == nullptr) return false;
    open->renderer->setWebFontJournal(journal);
    return true;
}

std::string openFailureText(const std::string& fileName, OpenFailure failure, int errorNumber) {
    const std::string name = "'" + fileName + "'";
    switch (failure) {
    case OpenFailure::none: return "";
    case OpenFailure::unreadable:
        return "Couldn't read " + name + ": " + std::strerror(errorNumber != 0 ? errorNumber : ENOENT);
    case OpenFailure::notPdf: return name + " is not a PDF file";
    case OpenFailure::passwordNeeded: return name + " is protected by a password; give it with -u (or -w)";
    case OpenFailure::wrongPassword: return "The password does not open " + name;
    case OpenFailure::unsupportedEncryption: return name + " is encrypted in a way this program cannot read";
    case OpenFailure::damaged: return name + " is damaged beyond repair";
    }
    return name + " could not be opened";
}

}  // namespace qm

extern "C" {

PdfHandle* PDF_Open(const char* fileName, const char* ownerPassword, const char* userPassword, int zoom) {
    return qm::openPdf(fileName, ownerPassword, userPassword, zoom).handle;
}

void PDF_Close(PdfHandle* handle) {
    std::unique_ptr<OpenDocument> closing;
    {
        // Taken out of the table first: a second close of the same handle finds nothing.
        std::lock_guard lock(liveMutex);
        auto it = handle != nullptr ? liveHandles().find(handle) : liveHandles().end();
        if (it == liveHandles().end()) return;
        closing = std::move(it->second);
        liveHandles().erase(it);
    }
    // The pages written from the document are complete once their web fonts are.
    qm::htmlWriterState().finishFile();
    closing.reset();
    releaseSettings();
}

int PDF_GetPageCount(PdfHandle* handle) {
    OpenDocument* open = find(handle);
    return open != nullptr ? open->document->pageCount() : -1;
}

int PDF_GetBookmark(PdfHandle* handle, char* buffer, int size) {
    OpenDocument* open = find(handle);
    if (open == nullptr || buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    // A cut path would name another file: refuse a buffer that cannot hold it whole.
    if (qm::outlineFilePath().size() >= static_cast<size_t>(size)) return 0;
    qm::PdfCatalog* catalog = open->document->catalog();
    if (catalog == nullptr) return 0;
    bool hasItems = catalog->writeOutlines(buffer, size);
    buffer[size - 1] = '\0';
    return hasItems ? 1 : 0;
}

PageObject* PDF_GetPageObject(PdfHandle* handle, int page) {
    OpenDocument* open = findWithPage(handle, page);
    if (open == nullptr) return nullptr;
    return qm::recordPage(*open->renderer, page, open->zoom).page.release();
}

void PDF_DestroyPageObject(PageObject* page) { qm::destroyPageObject(page); }

void* PDF_GetPageBmp(PdfHandle* handle, int page) {
    OpenDocument* open = findWithPage(handle, page);
    if (open == nullptr) return nullptr;
    qm::ConversionRenderer& renderer = *open->renderer;
    renderer.setDisplayList(nullptr);
    renderer.setAntialias(qm::Settings::readFlag(qm::Setting::antialias));
    if (!renderer.drawPage(page, open->zoom)) return nullptr;
    return renderer.packedPage();
}

void PDF_DestroyPageBmp(void* block) { qm::freePackedDib(static_cast<uint8_t*>(block)); }

HtmlLinkList* PDF_GetPageHtmLink(PdfHandle* handle, int page) {
    OpenDocument* open = find(handle);
    if (open == nullptr || page != open->document->lastPageDrawn()) return nullptr;
    qm::HtmlLinkListPtr list = qm::newHtmlLinkList();
    open->renderer->copyLinks(*list);
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
