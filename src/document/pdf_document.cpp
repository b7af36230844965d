#include "document/pdf_document.h"

#include <cerrno>
#include <cstring>

#include "core/pdf_object.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/page_link.h"
#include "document/pdf_catalog.h"
#include "fonts/document_font_cache.h"
#include "streams/file_data.h"
#include "streams/file_stream.h"

namespace qm {

namespace {

constexpr int kHeaderSearch = 1024;
constexpr double kSupportedVersionValue = 1.5001;

// Digits, optionally a point and more digits; what follows is ignored.
double parseVersion(const char* text) {
    double value = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) value = value * 10 + (*p - '0');
    if (*p == '.') {
        double scale = 0.1;
        for (++p; *p >= '0' && *p <= '9'; ++p, scale *= 0.1) value += (*p - '0') * scale;
    }
    return value;
}

}  // namespace

PdfDocument::PdfDocument(PdfString fileName, const PdfString* ownerPassword, const PdfString* userPassword,
                         int trace)
    : fileName_(std::move(fileName)), trace_(trace) {
    std::shared_ptr<FileData> data = openFileData(fileName_.text());
    const int firstErrno = data ? 0 : errno;
    if (!data) {
        PdfString lower(fileName_);
        data = openFileData(lower.toLower().text());
    }
    if (!data) {
        PdfString upper(fileName_);
        data = openFileData(upper.toUpper().text());
    }
    if (!data) {
        reportError(-1, "Couldn't open file '%s'", fileName_.text());
        failure_ = OpenFailure::unreadable;
        openErrno_ = firstErrno != 0 ? firstErrno : ENOENT;
        return;
    }
    open(std::move(data), ownerPassword, userPassword);
}

PdfDocument::PdfDocument(std::shared_ptr<FileData> data, PdfString name, const PdfString* ownerPassword,
                         const PdfString* userPassword, int trace)
    : fileName_(std::move(name)), trace_(trace) {
    open(std::move(data), ownerPassword, userPassword);
}

PdfDocument::~PdfDocument() {
    // Fonts hold objects of the document, so they go before its table.
    fonts_.reset();
    catalog_.reset();
    xref_.reset();
    base_ = StreamRef<FileStream>();
    file_.reset();
}

void PdfDocument::open(std::shared_ptr<FileData> data, const PdfString* ownerPassword,
                       const PdfString* userPassword) {
    file_ = std::make_shared<SharedFile>();
    file_->data = std::move(data);
    base_ = StreamRef<FileStream>(new FileStream(file_, 0, -1, PdfObject::makeNull()));
    checkHeader();

    xref_ = std::make_unique<XrefTable>(base_.get(), ownerPassword, userPassword);
    if (!xref_->isOk()) {
        reportError(-1, "Couldn't read xref table");
        switch (xref_->lockFailure()) {
        case XrefTable::LockFailure::passwordNeeded: failure_ = OpenFailure::passwordNeeded; break;
        case XrefTable::LockFailure::wrongPassword: failure_ = OpenFailure::wrongPassword; break;
        case XrefTable::LockFailure::unsupported: failure_ = OpenFailure::unsupportedEncryption; break;
        case XrefTable::LockFailure::none: failure_ = headerFound_ ? OpenFailure::damaged : OpenFailure::notPdf; break;
        }
        return;
    }
    catalog_ = std::make_unique<PdfCatalog>(xref_.get(), trace_);
    if (!catalog_->isOk()) {
        reportError(-1, "Couldn't read page catalog");
        return;
    }
    ok_ = true;
    failure_ = OpenFailure::none;
}

void PdfDocument::checkHeader() {
    unsigned char head[kHeaderSearch + 1];
    long got = file_->data->readAt(0, head, kHeaderSearch);
    if (got < 0) got = 0;
    std::memset(head + got, 0xFF, static_cast<size_t>(kHeaderSearch - got));
    head[kHeaderSearch] = 0;
    int at = -1;
    for (int i = 0; i <= kHeaderSearch - 6; ++i) {
        if (std::memcmp(head + i, "%PDF-", 5) == 0) {
            at = i;
            break;
        }
    }
    if (at < 0) {
        reportError(-1, "May not be a PDF file (continuing anyway)");
        return;
    }
    headerFound_ = true;
    // Every offset in the file counts from the header from now on.
    base_->moveStart(at);
    char text[kHeaderSearch];
    int n = 0;
    for (int i = at + 5; i < kHeaderSearch; ++i) {
        unsigned char c = head[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') break;
        text[n++] = static_cast<char>(c);
    }
    text[n] = '\0';
    bool numeric = n > 0 && text[0] >= '0' && text[0] <= '9';
    version_ = numeric ? parseVersion(text) : 0;
    if (!numeric || version_ > kSupportedVersionValue)
        reportError(-1, "PDF version %s -- current supports version %s (continuing anyway)", text,
                    kSupportedVersion);
}

int PdfDocument::pageCount() const { return catalog_ && catalog_->isOk() ? catalog_->pageCount() : 0; }

}  // namespace qm
