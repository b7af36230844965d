#pragma once
// The entries of a cross-reference table by object number. Numbers come from the file, so
// a single hostile "8388000 0 obj" must not claim memory for all the numbers below it: the
// dense part grows (geometrically) only as far as the entries met so far justify, and
// numbers beyond it are kept apart until the dense part reaches them.
#include <map>
#include <vector>

namespace qm {

struct XrefEntry {
    // Relative to the header; -1 = empty. For an object inside an object stream: its index
    // in that stream.
    long offset = -1;
    int generation = 0;
    bool used = false;
    int streamNumber = -1;  // the object stream holding the object, or -1
};

class XrefEntries {
public:
    // Object numbers beyond this come only from damaged or hostile files.
    static constexpr int kMaxObjects = 1 << 23;

    // Empties the table; `expected` entries (already bounded by the caller) are made room for.
    void reset(long expected);
    // One past the highest number met (or reserved by reset).
    int size() const { return size_; }
    // Entry n, an empty entry for a number not met below size(), null outside the table.
    const XrefEntry* find(long n) const;
    // The entry for n, made empty when new; null for a number outside 0..kMaxObjects-1.
    // Valid until the next call.
    XrefEntry* slot(long n);
    // The numbers of every entry in use, ascending.
    std::vector<int> usedNumbers() const;
    // Bytes the table holds, for tests of hostile inputs.
    long memoryBytes() const;

private:
    // The dense part may reach this far beyond twice the count of entries met.
    static constexpr long kDenseSlack = 4096;

    std::vector<XrefEntry> dense_;
    std::map<int, XrefEntry> sparse_;
    int size_ = 0;
    long met_ = 0;
};

}  // namespace qm
