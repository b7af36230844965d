#pragma once
// One leaf of the page tree: its number, inherited attributes and the raw Annots and
// Contents entries of its dictionary.
#include <memory>

#include "core/pdf_object.h"
#include "document/page_attributes.h"

namespace qm {

class PdfDict;
class XrefTable;

class PdfPage {
public:
    // Takes over `attributes`.
    PdfPage(XrefTable* xref, int number, const PdfDict* pageDict, std::unique_ptr<PageAttributes> attributes,
            int trace);

    bool isOk() const { return ok_; }
    int number() const { return number_; }
    const PageAttributes& attributes() const { return *attributes_; }
    const PdfRect& mediaBox() const { return attributes_->mediaBox(); }
    const PdfRect& cropBox() const { return attributes_->cropBox(); }
    bool hasCropBox() const { return attributes_->hasCropBox(); }
    bool cropLimitsDrawing() const { return attributes_->cropLimitsDrawing(); }
    const PdfRect& bleedBox() const { return attributes_->bleedBox(); }
    const PdfRect& trimBox() const { return attributes_->trimBox(); }
    const PdfRect& artBox() const { return attributes_->artBox(); }
    int rotate() const { return attributes_->rotate(); }
    PdfDict* resources() const { return attributes_->resources(); }
    // The box drawing is limited to: the crop box when it limits drawing, else the media box.
    const PdfRect& pageBox() const { return cropLimitsDrawing() ? cropBox() : mediaBox(); }
    // Raw entries (null, an array or a reference), resolved by the caller.
    const PdfObject& annots() const { return annots_; }
    const PdfObject& contents() const { return contents_; }
    XrefTable* xref() const { return xref_; }
    int trace() const { return trace_; }
    // Whether the page's content is a transparency group of its own.
    bool isTransparencyGroup() const { return transparencyGroup_; }

private:
    XrefTable* xref_;
    int number_;
    std::unique_ptr<PageAttributes> attributes_;
    PdfObject annots_;
    PdfObject contents_;
    int trace_;
    bool transparencyGroup_ = false;
    bool ok_ = true;
};

}  // namespace qm
