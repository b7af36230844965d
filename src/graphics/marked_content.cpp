#include "graphics/marked_content.h"

namespace qm {

namespace {
// An unbalanced content stream could push forever; the renderer only needs what is open.
constexpr int kMaxOpen = 4096;
}

MarkedContentStack& MarkedContentStack::instance() {
    static MarkedContentStack stack;
    return stack;
}

void MarkedContentStack::push(const PdfObject* operands, int count) {
    if (records_.size() >= static_cast<size_t>(kMaxOpen)) records_.erase(records_.begin());
    MarkedContentRecord r;
    r.count = count > 8 ? 8 : count;
    for (int i = 0; i < r.count; ++i) r.operands[i] = operands[i];
    records_.push_back(std::move(r));
}

void MarkedContentStack::pop() {
    if (!records_.empty()) records_.pop_back();
}

}  // namespace qm
