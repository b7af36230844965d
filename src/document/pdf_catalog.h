#pragma once
// The document catalog: the page tree flattened into a page list, and the catalog entries
// other parts need (destinations, base URI, metadata, structure tree).
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "core/pdf_object.h"
#include "core/pdf_string.h"
#include "document/pdf_page.h"

namespace qm {

class LinkDest;
class PdfDict;
class XrefTable;

class PdfCatalog {
public:
    PdfCatalog(XrefTable* xref, int trace);
    ~PdfCatalog();
    PdfCatalog(const PdfCatalog&) = delete;
    PdfCatalog& operator=(const PdfCatalog&) = delete;

    bool isOk() const { return ok_; }
    int pageCount() const { return numPages_; }
    // 1-based; null when n is out of range.
    PdfPage* page(int n) const;
    // The reference of page n's object; (-1, -1) when it was not given by reference.
    PdfRef pageRef(int n) const;
    // The 1-based number of the page whose object is (number, generation), or 0.
    int findPage(int number, int generation) const;

    // The destination a name stands for (Dests dictionary first, then the Dests name tree),
    // or null when there is none or it is unusable.
    std::unique_ptr<LinkDest> findDest(const PdfString& name) const;
    // Writes the outline file (one line per outline item) and copies its path into `buffer`
    // (truncated to `bufferLength` bytes with the terminator). True when the document has
    // outline items and the file was written.
    bool writeOutlines(char* buffer, int bufferLength) const;

    const PdfString* baseUri() const { return baseUri_.get(); }
    const PdfObject& dests() const { return dests_; }
    const PdfObject& nameTreeDests() const { return nameTreeDests_; }
    const PdfObject& metadata() const { return metadata_; }
    const PdfObject& structTreeRoot() const { return structTreeRoot_; }
    XrefTable* xref() const { return xref_; }

private:
    int readPageTree(const PdfDict* node, const PageAttributes* parent, int next, int depth);

    XrefTable* xref_;
    int trace_;
    std::vector<std::unique_ptr<PdfPage>> pages_;
    std::vector<PdfRef> pageRefs_;
    int numPages_ = 0;
    // Intermediate nodes already read: a tree that reaches one twice loops or explodes.
    std::set<std::pair<int, int>> visitedNodes_;
    PdfObject dests_ = PdfObject::makeNull();
    PdfObject nameTreeDests_ = PdfObject::makeNull();
    std::unique_ptr<PdfString> baseUri_;
    PdfObject metadata_ = PdfObject::makeNull();
    PdfObject structTreeRoot_ = PdfObject::makeNull();
    bool ok_ = true;
};

}  // namespace qm
