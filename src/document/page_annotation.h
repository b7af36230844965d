#pragma once
// The annotations of a page that are drawn from their appearance streams: form fields,
// stamps, notes and markup. Links are handled by PageLinkList and are not in this list.
#include <memory>
#include <vector>

#include "core/pdf_object.h"

namespace qm {

class ContentInterpreter;
class XrefTable;

class PageAnnotation {
public:
    PageAnnotation(XrefTable* xref, const PdfObject& dict);

    // An appearance was found.
    bool isOk() const { return ok_; }
    // The reference of the appearance stream (null when not ok).
    const PdfObject& appearance() const { return appearance_; }
    double x1() const { return x1_; }
    double y1() const { return y1_; }
    double x2() const { return x2_; }
    double y2() const { return y2_; }
    double red() const { return r_; }
    double green() const { return g_; }
    double blue() const { return b_; }
    XrefTable* xref() const { return xref_; }
    // Draws the appearance stream into the rectangle; anything else draws nothing.
    void draw(ContentInterpreter& interpreter) const;

private:
    XrefTable* xref_;
    PdfObject appearance_ = PdfObject::makeNull();
    double x1_ = 0;
    double y1_ = 0;
    double x2_ = 1;
    double y2_ = 1;
    double r_ = 0;
    double g_ = 0;
    double b_ = 0;
    bool ok_ = false;
};

class AnnotationList {
public:
    // `annots` is the page's Annots value (resolved); anything but an array gives none.
    AnnotationList(XrefTable* xref, const PdfObject& annots);

    int count() const { return static_cast<int>(annotations_.size()); }
    const PageAnnotation& annotation(int i) const { return *annotations_[static_cast<size_t>(i)]; }

    // Whether annotations of this Subtype are drawn.
    static bool isDrawnSubtype(const char* subtype);

private:
    std::vector<std::unique_ptr<PageAnnotation>> annotations_;
};

}  // namespace qm
