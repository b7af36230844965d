#pragma once
// The text styles of the HTML written so far: one CSS class (ft0, ft1, ...) per distinct
// height, face, colour, bold and italic of upright text, numbered in the order met.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "quillmark.h"

namespace qm {

struct FontClass {
    int32_t height = 0;
    std::string face;
    uint32_t colour = 0;
    int32_t bold = 0;
    int32_t italic = 0;
};

class FontClassTable {
public:
    // The class number of the item's style, -1 when the table has none.
    int find(const TextItem& item) const;
    // The class number, appending a class for a style not met before.
    int add(const TextItem& item);
    void clear();

    size_t size() const { return classes_.size(); }
    const FontClass& operator[](size_t i) const { return classes_[i]; }

private:
    static std::string keyOf(const TextItem& item);

    std::vector<FontClass> classes_;
    std::unordered_map<std::string, int> index_;
    // Consecutive glyphs nearly always share a style; the last answer is tried first.
    mutable int lastHit_ = -1;
};

// The face of a text item as a view (an item without a face has an empty one).
inline std::string_view faceOf(const TextItem& item) {
    return item.face ? std::string_view(item.face) : std::string_view();
}

}  // namespace qm
