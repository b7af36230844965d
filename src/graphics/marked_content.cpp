#include "graphics/marked_content.h"

namespace qm {

MarkedContentStack& MarkedContentStack::instance() {
    static MarkedContentStack stack;
    return stack;
}

void MarkedContentStack::push(const PdfObject* operands, int count) {
    if (records_.size() >= static_cast<size_t>(kMaxOpen)) {
        ++overflow_;
        return;
    }
    MarkedContentRecord r;
    r.count = count > 8 ? 8 : count;
    for (int i = 0; i < r.count; ++i) r.operands[i] = operands[i];
    records_.push_back(std::move(r));
}

void MarkedContentStack::pop() {
    if (overflow_ > 0) --overflow_;
    else if (!records_.empty()) records_.pop_back();
}

}  // namespace qm
