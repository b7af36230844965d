#pragma once
// The link annotations of a page: a rectangle in user space, a border width and an action.
#include <memory>
#include <vector>

#include "core/pdf_object.h"
#include "document/link_action.h"

namespace qm {

class PdfString;

class PageLink {
public:
    // `dict` is the annotation dictionary; `baseUri` (may be null) resolves relative URIs.
    PageLink(const PdfObject& dict, const PdfString* baseUri);

    bool isOk() const { return ok_; }
    // Normalised: x1 <= x2, y1 <= y2.
    double x1() const { return x1_; }
    double y1() const { return y1_; }
    double x2() const { return x2_; }
    double y2() const { return y2_; }
    double borderWidth() const { return borderWidth_; }
    // Null when the link is not ok.
    const LinkAction* action() const { return action_.get(); }

private:
    double x1_ = 0;
    double y1_ = 0;
    double x2_ = 0;
    double y2_ = 0;
    double borderWidth_ = 0;
    std::unique_ptr<LinkAction> action_;
    bool ok_ = false;
};

class PageLinkList {
public:
    // `annots` is the page's Annots value (resolved); anything but an array gives no links.
    PageLinkList(const PdfObject& annots, const PdfString* baseUri);

    int count() const { return static_cast<int>(links_.size()); }
    // 0-based, in Annots order.
    PageLink& link(int i) const { return *links_[static_cast<size_t>(i)]; }

private:
    std::vector<std::unique_ptr<PageLink>> links_;
};

}  // namespace qm
