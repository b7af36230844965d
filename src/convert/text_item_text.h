#pragma once
// The characters of a recorded text item, as the page writers read them.
#include <string_view>

#include "quillmark.h"

namespace qm {

inline std::u16string_view textOf(const TextItem& t) {
    if (t.text == nullptr || t.count <= 0) return {};
    return {reinterpret_cast<const char16_t*>(t.text), static_cast<size_t>(t.count)};
}

// Blanks draw nothing: a line's end is its last character that is not one.
inline bool isBlank(const TextItem& t) {
    for (char16_t c : textOf(t))
        if (c != u' ' && c != u'\t' && c != u'\u00A0') return false;
    return true;
}

}  // namespace qm
