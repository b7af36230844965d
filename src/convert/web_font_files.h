#pragma once
// The web fonts of one conversion: the glyph sets its pages show text in, each face written
// once as font_fN.woff2 (font_fN_1.woff2, ... for further faces) in the folder of the pages
// when the conversion ends, holding every glyph any page used.
#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qm {

class FontGlyphSet;

class WebFontFiles {
public:
    // Forgets the sets of the conversion before without writing them.
    void clear();
    // Notes that a page in `pageFolder` (ending in '/', or empty for the current folder)
    // shows text in `set`.
    void use(const std::shared_ptr<FontGlyphSet>& set, const std::string& pageFolder);
    bool pending() const { return !sets_.empty(); }

    // Writes every face of every set noted, then forgets them. False when a file could not be
    // written; `error` then names it, and the files of this call written before are removed.
    bool writeAll(std::string& error);

    // What the last writeAll wrote.
    size_t filesWritten() const { return files_; }
    size_t bytesWritten() const { return bytes_; }

private:
    std::string folder_;
    std::vector<std::shared_ptr<FontGlyphSet>> sets_;
    std::set<const FontGlyphSet*> known_;
    size_t files_ = 0, bytes_ = 0;
};

}  // namespace qm
