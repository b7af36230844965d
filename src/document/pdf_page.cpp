#include "document/pdf_page.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"

namespace qm {

namespace {
bool isNullArrayOrRef(const PdfObject& o) { return o.isNull() || o.isArray() || o.isRef(); }
}  // namespace

PdfPage::PdfPage(XrefTable* xref, int number, const PdfDict* pageDict, std::unique_ptr<PageAttributes> attributes,
                 int trace)
    : xref_(xref), number_(number), attributes_(std::move(attributes)), trace_(trace) {
    annots_ = pageDict->lookupRaw("Annots");
    if (!isNullArrayOrRef(annots_)) {
        reportError(-1, "Page annotations object (page %d) is wrong type (%s)", number, annots_.kindName());
        annots_ = PdfObject::makeNull();
        contents_ = PdfObject::makeNull();
        ok_ = false;
        return;
    }
    const PdfObject group = pageDict->lookup("Group");
    transparencyGroup_ = group.isDict() && group.dictLookup("S").isName("Transparency");
    contents_ = pageDict->lookupRaw("Contents");
    if (!isNullArrayOrRef(contents_)) {
        reportError(-1, "Page contents object (page %d) is wrong type (%s)", number, contents_.kindName());
        contents_ = PdfObject::makeNull();
        ok_ = false;
    }
}

}  // namespace qm
