#include "core/xref_entries.h"

#include <algorithm>

namespace qm {

namespace {
const XrefEntry kEmpty{};
}  // namespace

void XrefEntries::reset(long expected) {
    dense_.assign(static_cast<size_t>(std::clamp<long>(expected, 0, kMaxObjects)), XrefEntry{});
    sparse_.clear();
    size_ = static_cast<int>(dense_.size());
    met_ = 0;
}

const XrefEntry* XrefEntries::find(long n) const {
    if (n < 0 || n >= size_) return nullptr;
    if (n < static_cast<long>(dense_.size())) return &dense_[static_cast<size_t>(n)];
    auto it = sparse_.find(static_cast<int>(n));
    return it == sparse_.end() ? &kEmpty : &it->second;
}

XrefEntry* XrefEntries::slot(long n) {
    if (n < 0 || n >= kMaxObjects) return nullptr;
    ++met_;
    if (n >= size_) size_ = static_cast<int>(n + 1);
    long denseSize = static_cast<long>(dense_.size());
    if (n < denseSize) return &dense_[static_cast<size_t>(n)];
    long bound = std::min<long>(2 * met_ + kDenseSlack, kMaxObjects);
    if (n >= bound) return &sparse_[static_cast<int>(n)];
    long grown = std::min(std::max(n + 1, 2 * denseSize), bound);
    dense_.resize(static_cast<size_t>(grown));
    // Entries kept apart move into the dense part once it covers them.
    while (!sparse_.empty() && sparse_.begin()->first < grown) {
        dense_[static_cast<size_t>(sparse_.begin()->first)] = sparse_.begin()->second;
        sparse_.erase(sparse_.begin());
    }
    return &dense_[static_cast<size_t>(n)];
}

std::vector<int> XrefEntries::usedNumbers() const {
    std::vector<int> numbers;
    for (size_t n = 0; n < dense_.size(); ++n)
        if (dense_[n].used) numbers.push_back(static_cast<int>(n));
    for (const auto& [n, e] : sparse_)
        if (e.used) numbers.push_back(n);
    return numbers;
}

long XrefEntries::memoryBytes() const {
    return static_cast<long>(dense_.capacity() * sizeof(XrefEntry)) +
           static_cast<long>(sparse_.size() * (sizeof(XrefEntry) + 4 * sizeof(void*)));
}

}  // namespace qm
