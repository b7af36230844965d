#pragma once
// Which PDF fonts have a display font: the configuration's display font for the font's name
// (or, for CID fonts, its character collection), else a standard substitute chosen by the
// font's flags. The answer decides how text positions are rounded. Most recently used first,
// at most 64 entries, each keyed by the font and the four entries of its device matrix.
#include <array>
#include <cstdint>
#include <list>
#include <string>

namespace qm {

class PdfFont;

struct DisplayFont {
    std::string name;  // the configured or substitute name that was found
    double matrix[4] = {1, 0, 0, 1};  // the device matrix after the width adjustment
};

class FontCache {
public:
    static constexpr size_t kCapacity = 64;

    // The display font for `font` under the matrix, or null when it has none.
    const DisplayFont* lookup(const PdfFont& font, double m11, double m12, double m21, double m22);
    size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

    // The substitute's index for a font's flags: fixed pitch 8, else serif 4, else 0; plus
    // 2 when bold and 1 when italic.
    static int substituteIndex(bool fixedPitch, bool serif, bool bold, bool italic);
    static const char* substituteName(int index);
    static double substituteMWidth(int index);

private:
    struct Entry {
        int num, gen;
        std::string fontName;  // direct fonts share their numbers, so the name keys them too
        std::array<double, 4> key;
        bool found;
        DisplayFont font;
    };
    Entry make(const PdfFont& font, const std::array<double, 4>& m) const;

    std::list<Entry> entries_;
};

}  // namespace qm
