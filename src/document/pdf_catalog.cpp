#include "document/pdf_catalog.h"

#include <algorithm>

#include "core/pdf_array.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/xref_table.h"

namespace qm {

namespace {
// A Count larger than this only reserves this much; the list grows if there are more pages.
constexpr int kMaxInitialPages = 1 << 16;
constexpr int kGrowth = 32;
// Real page trees are a handful of levels deep; deeper nesting is damage.
constexpr int kMaxTreeDepth = 256;
}  // namespace

PdfCatalog::PdfCatalog(XrefTable* xref, int trace) : xref_(xref), trace_(trace) {
    PdfObject catalog = xref->fetch(xref->rootNumber(), xref->rootGeneration());
    if (!catalog.isDict()) {
        reportError(-1, "Catalog object is wrong type (%s)", catalog.kindName());
        ok_ = false;
        return;
    }
    PdfObject pages = catalog.dictLookup("Pages");
    if (!pages.isDict()) {
        reportError(-1, "Top-level pages object is wrong type (%s)", pages.kindName());
        ok_ = false;
        return;
    }
    PdfObject count = pages.dictLookup("Count");
    if (!count.isInt()) {
        reportError(-1, "Page count in top-level pages object is wrong type (%s)", count.kindName());
        ok_ = false;
        return;
    }
    int places = std::clamp(count.getInt(), 0, kMaxInitialPages);
    pages_.resize(static_cast<size_t>(places));
    pageRefs_.assign(static_cast<size_t>(places), PdfRef{-1, -1});
    PdfObject pagesRef = catalog.dictLookupRaw("Pages");
    if (pagesRef.isRef()) visitedNodes_.insert({pagesRef.getRefNum(), pagesRef.getRefGen()});

    int read = readPageTree(pages.getDict(), nullptr, 0, 0);
    if (read < 0) {
        ok_ = false;
        return;
    }
    numPages_ = read;
    if (read != count.getInt()) reportError(-1, "Page count in top-level pages object is incorrect");

    dests_ = catalog.dictLookup("Dests");
    PdfObject names = catalog.dictLookup("Names");
    if (names.isDict()) nameTreeDests_ = names.dictLookup("Dests");
    PdfObject uri = catalog.dictLookup("URI");
    if (uri.isDict()) {
        PdfObject base = uri.dictLookup("Base");
        if (base.isString()) baseUri_ = std::make_unique<PdfString>(*base.getString());
    }
    metadata_ = catalog.dictLookup("Metadata");
    structTreeRoot_ = catalog.dictLookup("StructTreeRoot");
}

PdfCatalog::~PdfCatalog() = default;

int PdfCatalog::readPageTree(const PdfDict* node, const PageAttributes* parent, int next, int depth) {
    PageAttributes attrs(parent, node);
    PdfObject kids = node->lookup("Kids");
    if (!kids.isArray()) {
        reportError(-1, "Kids object (page %d) is wrong type (%s)", next + 1, kids.kindName());
        return -1;
    }
    for (int i = 0; i < kids.arrayLength(); ++i) {
        PdfObject kid = kids.arrayGet(i);
        if (!kid.isDict()) {
            reportError(-1, "Kid object (page %d) is wrong type (%s)", next + 1, kid.kindName());
            return -1;
        }
        PdfObject raw = kids.arrayGetRaw(i);
        if (kid.getDict()->hasType("Page")) {
            auto page = std::make_unique<PdfPage>(xref_, next + 1, kid.getDict(),
                                                  std::make_unique<PageAttributes>(&attrs, kid.getDict()), trace_);
            if (!page->isOk()) return -1;
            if (next >= static_cast<int>(pages_.size())) {
                pages_.resize(pages_.size() + kGrowth);
                pageRefs_.resize(pageRefs_.size() + kGrowth, PdfRef{-1, -1});
            }
            pages_[static_cast<size_t>(next)] = std::move(page);
            if (raw.isRef()) pageRefs_[static_cast<size_t>(next)] = raw.getRef();
            ++next;
            continue;
        }
        if (raw.isRef() && !visitedNodes_.insert({raw.getRefNum(), raw.getRefGen()}).second) {
            // Reading it again would loop forever (or multiply its pages); its pages are
            // already in the list or on the way there.
            reportError(-1, "Page tree node %d %d (page %d) is reached twice; skipped", raw.getRefNum(),
                        raw.getRefGen(), next + 1);
            continue;
        }
        if (depth + 1 >= kMaxTreeDepth) {
            reportError(-1, "Page tree too deep (page %d); node skipped", next + 1);
            continue;
        }
        next = readPageTree(kid.getDict(), &attrs, next, depth + 1);
        if (next < 0) return -1;
    }
    return next;
}

PdfPage* PdfCatalog::page(int n) const {
    if (n < 1 || n > numPages_) return nullptr;
    return pages_[static_cast<size_t>(n - 1)].get();
}

PdfRef PdfCatalog::pageRef(int n) const {
    if (n < 1 || n > numPages_) return PdfRef{-1, -1};
    return pageRefs_[static_cast<size_t>(n - 1)];
}

int PdfCatalog::findPage(int number, int generation) const {
    for (int i = 0; i < numPages_; ++i) {
        const PdfRef& r = pageRefs_[static_cast<size_t>(i)];
        if (r.num == number && r.gen == generation) return i + 1;
    }
    return 0;
}

}  // namespace qm
