#pragma once
// Read-only name -> 16-bit value table built once from a static array (built-in font
// metrics use it). Chained buckets, one bucket per entry, bucket = nameHash mod count.
#include <cstdint>
#include <vector>

namespace qm {

struct StaticNameEntry {
    const char* name;
    uint16_t value;
};

class StaticNameTable {
public:
    StaticNameTable(const StaticNameEntry* entries, int count);
    bool lookup(const char* name, uint16_t* value) const;
    int size() const { return count_; }

private:
    const StaticNameEntry* entries_;
    int count_;
    std::vector<int> heads_;  // first entry of each bucket, -1 when empty
    std::vector<int> next_;   // next entry in the same bucket, -1 at the end
};

}  // namespace qm
