#pragma once
// One opened PDF file: header, cross-reference table and catalog with its page list.
#include <memory>

#include "core/pdf_string.h"
#include "streams/stream_ref.h"

namespace qm {

class FileData;
class DocumentFontCache;
class FileStream;
class OutputDevice;
class PageLinkList;
class PdfCatalog;
class XrefTable;
struct SharedFile;

// Why a document could not be opened.
enum class OpenFailure { none, unreadable, notPdf, passwordNeeded, wrongPassword, unsupportedEncryption, damaged };

class PdfDocument {
public:
    // Versions above this draw a warning (the file is read all the same).
    static constexpr const char* kSupportedVersion = "1.5";

    // Opens the file `fileName` (trying the all-lower-case and all-upper-case forms of the
    // name when it cannot be opened as given). The passwords are borrowed and may be null.
    PdfDocument(PdfString fileName, const PdfString* ownerPassword, const PdfString* userPassword, int trace = 0);
    // Reads a document whose bytes are already at hand; `name` only labels it.
    PdfDocument(std::shared_ptr<FileData> data, PdfString name, const PdfString* ownerPassword,
                const PdfString* userPassword, int trace = 0);
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    bool isOk() const { return ok_; }
    OpenFailure openFailure() const { return failure_; }
    // The system's error number when the file could not be read (OpenFailure::unreadable).
    int openErrorNumber() const { return openErrno_; }
    int pageCount() const;
    // The header's version; 0 when there was no header or no number in it.
    double version() const { return version_; }
    XrefTable* xref() const { return xref_.get(); }
    PdfCatalog* catalog() const { return catalog_.get(); }
    const PdfString& fileName() const { return fileName_; }
    int trace() const { return trace_; }

    // Draws page `pageNumber` (1-based) into `device` at `dpi` dots per inch, turned by
    // `rotate` degrees on top of the page's own rotation: the content, then (with
    // `makeLinks`) the page's links, then its annotations. Without `makeLinks` the links of
    // the page drawn before are kept (but not drawn on this page).
    void displayPage(OutputDevice* device, int pageNumber, double dpi, int rotate, bool makeLinks);
    // The links built by the last displayPage with makeLinks, or null.
    const PageLinkList* links() const { return links_.get(); }
    // -1 before any page was drawn.
    int lastPageDrawn() const { return lastPageDrawn_; }
    // The fonts built for the pages drawn so far, shared by every page, form and pattern.
    DocumentFontCache* fonts() const { return fonts_.get(); }

private:
    void open(std::shared_ptr<FileData> data, const PdfString* ownerPassword, const PdfString* userPassword);
    void checkHeader();

    PdfString fileName_;
    std::shared_ptr<SharedFile> file_;
    StreamRef<FileStream> base_;
    double version_ = 0;
    std::unique_ptr<XrefTable> xref_;
    std::unique_ptr<PdfCatalog> catalog_;
    int trace_;
    bool ok_ = false;
    bool headerFound_ = false;
    OpenFailure failure_ = OpenFailure::damaged;
    int openErrno_ = 0;
    std::unique_ptr<PageLinkList> links_;
    int lastPageDrawn_ = -1;
    std::unique_ptr<DocumentFontCache> fonts_;
};

}  // namespace qm
