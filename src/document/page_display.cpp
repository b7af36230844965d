// Drawing one page: content, then links, then annotations, each step followed by a
// checkpoint of the device.
#include <cstdio>
#include <memory>

#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/page_annotation.h"
#include "document/page_link.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "fonts/document_font_cache.h"
#include "graphics/content_interpreter.h"
#include "render/output_device.h"

namespace qm {

namespace {

PageBox toPageBox(const PdfRect& r) { return PageBox{r.x1, r.y1, r.x2, r.y2}; }

// Any pair of ints lands in 0..359 (one wrap is enough for sane values, not for hostile ones).
int effectiveRotation(int extraRotation, int pageRotate) {
    long long r = (static_cast<long long>(extraRotation) + pageRotate) % 360;
    return static_cast<int>(r < 0 ? r + 360 : r);
}

}  // namespace

void PdfDocument::displayPage(OutputDevice* device, int pageNumber, double dpi, int rotate, bool makeLinks) {
    PdfPage* page = catalog_ ? catalog_->page(pageNumber) : nullptr;
    if (!page || !device) {
        reportError(-1, "Page %d is not in the document", pageNumber);
        return;
    }
    if (trace_) std::printf("***** page %d *****\n", pageNumber);
    lastPageDrawn_ = pageNumber;
    PdfObject annots = page->annots().resolve(xref_.get());
    if (makeLinks) links_ = std::make_unique<PageLinkList>(annots, catalog_->baseUri());

    const PdfRect& box = page->pageBox();
    if (trace_) {
        std::printf("***** MediaBox = ll:%g,%g ur:%g,%g\n", box.x1, box.y1, box.x2, box.y2);
        if (page->hasCropBox()) {
            const PdfRect& c = page->cropBox();
            std::printf("***** CropBox = ll:%g,%g ur:%g,%g\n", c.x1, c.y1, c.x2, c.y2);
        }
        std::printf("***** Rotate = %d\n", page->rotate());
    }
    if (!fonts_) fonts_ = std::make_unique<DocumentFontCache>();
    ContentInterpreter interpreter(xref_.get(), device, pageNumber, page->resources(), dpi, toPageBox(box),
                                   page->hasCropBox(), toPageBox(page->cropBox()),
                                   effectiveRotation(rotate, page->rotate()), trace_ != 0, fonts_.get());
    PdfObject contents = page->contents().resolve(xref_.get());
    // A page that is a transparency group blends with nothing beneath it, not with the white
    // of the paper it is laid on.
    GroupInfo pageGroup;
    pageGroup.isolated = true;
    const double far = 1e9;
    pageGroup.box[0] = pageGroup.box[1] = -far;
    pageGroup.box[2] = pageGroup.box[3] = far;
    if (page->isTransparencyGroup()) device->beginGroup(interpreter.state(), pageGroup);
    if (!contents.isNull()) interpreter.run(contents);
    if (page->isTransparencyGroup()) device->endGroup(interpreter.state());

    // Only a list built for this page is drawn on it; a kept list belongs to an earlier page.
    if (makeLinks) {
        for (int i = 0; i < links_->count(); ++i) device->drawLink(links_->link(i), *catalog_);
        device->checkpoint();
    }

    AnnotationList annotations(xref_.get(), annots);
    if (trace_ && annotations.count() > 0) std::printf("***** AcroForm widgets\n");
    for (int i = 0; i < annotations.count(); ++i) annotations.annotation(i).draw(interpreter);
    if (annotations.count() > 0) device->checkpoint();
}

}  // namespace qm
