#pragma once
// Ordered, shared container of PdfObjects bound to the table that resolves its references.
#include <vector>

#include "core/pdf_object.h"

namespace qm {

class PdfArray {
public:
    explicit PdfArray(ObjectResolver* xref) : xref_(xref) {}
    PdfArray(const PdfArray&) = delete;
    PdfArray& operator=(const PdfArray&) = delete;

    int length() const { return static_cast<int>(elems_.size()); }
    int capacity() const { return static_cast<int>(elems_.capacity()); }
    void append(PdfObject obj);
    // Element i resolved through the table; null when i is out of range.
    PdfObject get(int i) const;
    // Element i as stored; null when i is out of range.
    PdfObject getRaw(int i) const;
    // Borrowed view of element i as stored (i must be in range).
    const PdfObject& at(int i) const { return elems_[static_cast<size_t>(i)]; }
    ObjectResolver* xref() const { return xref_; }

    int refCount = 1;

private:
    ObjectResolver* xref_;
    std::vector<PdfObject> elems_;
};

}  // namespace qm
