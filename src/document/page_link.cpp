#include "document/page_link.h"

#include <utility>

#include "core/report_error.h"

namespace qm {

PageLink::PageLink(const PdfObject& dict, const PdfString* baseUri) {
    PdfObject rect = dict.dictLookup("Rect");
    if (!rect.isArray()) {
        reportError(-1, "Annotation rectangle is wrong type");
        return;
    }
    double v[4];
    for (int i = 0; i < 4; ++i) {
        PdfObject n = rect.arrayGet(i);
        if (!n.isNum()) {
            reportError(-1, "Bad annotation rectangle");
            return;
        }
        v[i] = n.getNum();
    }
    x1_ = v[0];
    y1_ = v[1];
    x2_ = v[2];
    y2_ = v[3];
    if (x1_ > x2_) std::swap(x1_, x2_);
    if (y1_ > y2_) std::swap(y1_, y2_);

    PdfObject border = dict.dictLookup("Border");
    if (border.isArray() && border.arrayLength() > 2) {
        PdfObject width = border.arrayGet(2);
        if (width.isNum()) {
            borderWidth_ = width.getNum();
        } else {
            reportError(-1, "Bad annotation border");
        }
    }

    PdfObject dest = dict.dictLookup("Dest");
    if (!dest.isNull()) {
        action_ = std::make_unique<LinkGoTo>(dest);
    } else {
        PdfObject a = dict.dictLookup("A");
        if (!a.isDict()) {
            reportError(-1, "Missing annotation destination/action");
            return;
        }
        PdfObject s = a.dictLookup("S");
        if (!s.isName()) {
            reportError(-1, "Bad annotation action");
            return;
        }
        if (s.isName("GoTo")) {
            action_ = std::make_unique<LinkGoTo>(a.dictLookup("D"));
        } else if (s.isName("GoToR")) {
            action_ = std::make_unique<LinkGoToR>(a.dictLookup("F"), a.dictLookup("D"));
        } else if (s.isName("Launch")) {
            action_ = std::make_unique<LinkLaunch>(a);
        } else if (s.isName("URI")) {
            action_ = std::make_unique<LinkUri>(a.dictLookup("URI"), baseUri);
        } else if (s.isName("Named")) {
            action_ = std::make_unique<LinkNamed>(a.dictLookup("N"));
        } else {
            action_ = std::make_unique<LinkUnknown>(s.getName());
        }
    }
    ok_ = action_ && action_->isOk();
    if (!ok_) action_.reset();
}

PageLinkList::PageLinkList(const PdfObject& annots, const PdfString* baseUri) {
    if (!annots.isArray()) return;
    for (int i = 0; i < annots.arrayLength(); ++i) {
        PdfObject annot = annots.arrayGet(i);
        if (!annot.isDict() || !annot.dictLookup("Subtype").isName("Link")) continue;
        auto link = std::make_unique<PageLink>(annot, baseUri);
        if (!link->isOk()) continue;
        links_.push_back(std::move(link));
    }
}

}  // namespace qm
