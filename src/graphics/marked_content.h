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

    void push(const PdfObject* operands, int count);
    // Drops the top record; nothing happens on an empty stack.
    void pop();
    int depth() const { return static_cast<int>(records_.size()); }
    const MarkedContentRecord& record(int i) const { return records_[static_cast<size_t>(i)]; }
    void clear() { records_.clear(); }

private:
    std::vector<MarkedContentRecord> records_;
};

}  // namespace qm
