#include "document/page_annotation.h"

#include <cstring>
#include <utility>

#include "core/pdf_dict.h"
#include "core/xref_table.h"
#include "graphics/content_interpreter.h"

namespace qm {

namespace {
constexpr const char* kDrawnSubtypes[] = {"Widget",    "Ink",       "Line",     "Square", "Circle",
                                          "Highlight", "StrikeOut", "Underline", "FreeText", "Text",
                                          "Sound",     "Stamp",     "FileAttachment"};
}  // namespace

PageAnnotation::PageAnnotation(XrefTable* xref, const PdfObject& dict) : xref_(xref) {
    PdfObject ap = dict.dictLookup("AP");
    if (ap.isDict()) {
        PdfObject as = dict.dictLookup("AS");
        if (as.isName()) {
            // A field with states (a checkbox, a radio button): N holds one appearance per
            // state and AS names the current one.
            PdfObject normal = ap.dictLookup("N");
            if (normal.isDict()) {
                PdfObject state = normal.dictLookupRaw(as.getName());
                if (state.isRef()) appearance_ = std::move(state);
            }
        } else {
            PdfObject normal = ap.dictLookupRaw("N");
            if (normal.isRef()) appearance_ = std::move(normal);
        }
    }
    ok_ = appearance_.isRef();

    PdfObject rect = dict.dictLookup("Rect");
    if (rect.isArray() && rect.arrayLength() == 4) {
        double v[4];
        for (int i = 0; i < 4; ++i) {
            PdfObject n = rect.arrayGet(i);
            v[i] = n.isNum() ? n.getNum() : 0;
        }
        x1_ = v[0];
        y1_ = v[1];
        x2_ = v[2];
        y2_ = v[3];
        if (x1_ > x2_) std::swap(x1_, x2_);
        if (y1_ > y2_) std::swap(y1_, y2_);
    }

    PdfObject c = dict.dictLookup("C");
    if (c.isArray() && c.arrayLength() == 3) {
        PdfObject r = c.arrayGet(0), g = c.arrayGet(1), b = c.arrayGet(2);
        r_ = r.isNum() ? r.getNum() : 0;
        g_ = g.isNum() ? g.getNum() : 0;
        b_ = b.isNum() ? b.getNum() : 0;
    }
}

void PageAnnotation::draw(ContentInterpreter& interpreter) const {
    if (!ok_ || !xref_) return;
    PdfObject form = xref_->fetch(appearance_.getRefNum(), appearance_.getRefGen());
    if (form.isStream()) interpreter.runFormInRect(form, x1_, y1_, x2_, y2_);
}

bool AnnotationList::isDrawnSubtype(const char* subtype) {
    for (const char* s : kDrawnSubtypes) {
        if (std::strcmp(s, subtype) == 0) return true;
    }
    return false;
}

AnnotationList::AnnotationList(XrefTable* xref, const PdfObject& annots) {
    if (!annots.isArray()) return;
    for (int i = 0; i < annots.arrayLength(); ++i) {
        PdfObject annot = annots.arrayGet(i);
        if (!annot.isDict()) continue;
        PdfObject subtype = annot.dictLookup("Subtype");
        if (!subtype.isName() || !isDrawnSubtype(subtype.getName())) continue;
        auto a = std::make_unique<PageAnnotation>(xref, annot);
        if (!a->isOk()) continue;
        annotations_.push_back(std::move(a));
    }
}

}  // namespace qm
