#pragma once
// The text styles of the HTML written so far: one CSS class (ft0, ft1, ...) per distinct
// height, face, colour, bold and italic of text, numbered in the order met. Exactly placed
// text adds its size to a thousandth of a pixel, its web font family and whether it is seen.
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
    // Exactly placed text: the size in thousandths of a pixel (0 for whole-pixel text),
    // the web font family ("" for the browser's own faces) and text never seen.
    int32_t sizeThousandths = 0;
    std::string family;
    bool invisible = false;
};

class FontClassTable {
public:
    // The class number of the item's style, -1 when the table has none.
    int find(const TextItem& item) const;
    int find(const FontClass& style) const;
    // The class number, appending a class for a style not met before.
    int add(const TextItem& item);
    int add(const FontClass& style);
    void clear();

    size_t size() const { return classes_.size(); }
    const FontClass& operator[](size_t i) const { return classes_[i]; }

    // The style of a whole-pixel text item.
    static FontClass styleOf(const TextItem& item);

private:
    static std::string keyOf(const FontClass& style);

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
