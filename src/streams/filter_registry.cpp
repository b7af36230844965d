#include "streams/filter_registry.h"

namespace qm {

// Each decoder adds its line here.
static const FilterEntry kFilters[] = {
    {nullptr, nullptr, nullptr},
};

const FilterEntry* filterEntries() { return kFilters; }

}  // namespace qm
