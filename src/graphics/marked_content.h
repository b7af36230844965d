#pragma once
// Open marked-content sequences (BMC/BDC ... EMC), shared by every interpreter of the
// process: the page renderer consults the tags when it chooses fonts.
#include <vector>

#include "core/pdf_object.h"

namespace qm {

struct MarkedContentRecord {
    PdfObject operands[8];
    int count = 0;
};

class MarkedContentStack {
public:
    static MarkedContentStack& instance();

    // An unbalanced content stream could push forever: past this many open sequences the
    // pushes are only counted, so the matching pops still close the right ones.
    static constexpr int kMaxOpen = 4096;

    void push(const PdfObject* operands, int count);
    // Closes the innermost sequence; nothing happens on an empty stack.
    void pop();
    // Sequences with a record (at most kMaxOpen), outermost first.
    int depth() const { return static_cast<int>(records_.size()); }
    // Open sequences including those past the cap.
    long openCount() const { return static_cast<long>(records_.size()) + overflow_; }
    const MarkedContentRecord& record(int i) const { return records_[static_cast<size_t>(i)]; }
    void clear() {
        records_.clear();
        overflow_ = 0;
    }

private:
    std::vector<MarkedContentRecord> records_;
    long overflow_ = 0;
};

}  // namespace qm
