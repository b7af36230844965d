#pragma once
// Text the renderer placed exactly, written as HTML: runs of glyphs sharing a style and a
// baseline, each an absolutely positioned block whose corner is the start of the baseline,
// turned and skewed as the text is on the page. In a web font every advance is the PDF's, so
// the glyphs the PDF moves (kerning, spacing) are moved back by letter and word spacing on
// the run and small gap elements; in the browser's own faces the run is stretched to its
// PDF width by the page's fitting script instead. A vertical column is one block too.
#include <cstdint>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "convert/font_class_table.h"
#include "quillmark.h"
#include "render/display_list.h"

namespace qm {

struct TextPlacement;
class FontGlyphSet;

class PlacedTextWriter {
public:
    struct Options {
        int64_t top = 0;         // pixels added to every vertical position
        bool insertSpaces = true;
        int runGapLimit = 50;    // largest step between glyphs of one run; 0: one block each
        bool webFonts = true;    // use the document's web fonts where there are any
        // Web faces of one size and colour may share a block, through faces of the page's
        // own that hold just the characters the page shows in them.
        bool mixFaces = true;
    };

    // Adds the style of every placed text item of the page to `classes`; `placements` are
    // the page's items' (null for those written in whole pixels).
    PlacedTextWriter(const PageObject& page, const PagePlacements& placements, FontClassTable& classes,
                     const Options& options);

    bool empty() const { return runs_.empty(); }

    // Appends the blocks of the page's placed text.
    void write(std::string& out) const;

    // The CSS every page needs for the blocks ("r"), vertical columns ("v") and gap elements.
    static const char* blockStyle();

    // The web font faces the page's text uses, each once, in the order met.
    struct Face {
        std::shared_ptr<FontGlyphSet> set;
        size_t face;
    };
    const std::vector<Face>& faces() const { return faces_; }
    // The page's own families for blocks of several faces: a face's file limited to the
    // characters (a CSS unicode-range) that the page shows in that face.
    struct Alias {
        Face face;
        std::string family;
        std::string range;
    };
    const std::vector<Alias>& aliases() const { return aliases_; }

private:
    struct Glyph {
        const TextItem* item;
        const TextPlacement* place;
        int style;
        double size;  // the class's size in pixels
        bool web;
        uint32_t colour;
    };
    struct Run {
        std::vector<Glyph> glyphs;
        int style = 0;
    };
    using FaceKey = std::pair<const FontGlyphSet*, size_t>;

    // The text a glyph is written as (`web`: in its web font).
    static std::u16string writtenText(const TextItem& item, const TextPlacement& place, bool web);
    static std::string unicodeRange(const std::set<char32_t>& characters);
    // Whether glyphs[at] may join a run of `runFaces` in a block of several faces.
    bool canMix(const std::vector<FaceKey>& runFaces, const std::vector<Glyph>& glyphs, size_t at);
    // Whether the browser shows g in its own face (or the same glyph) after `runFaces`.
    bool canShowAfter(const std::vector<FaceKey>& runFaces, const Glyph& g) const;
    void formRuns(const std::vector<Glyph>& glyphs, FontClassTable& classes);
    int mixedClass(FontClassTable& classes, int firstStyle, const std::vector<FaceKey>& faces);
    void writeRun(std::string& out, const std::vector<Glyph>& run, int style) const;
    // A vertical column, one block whose glyphs the browser stacks upright.
    void writeColumn(std::string& out, const std::vector<Glyph>& run, int style) const;

    std::vector<Run> runs_;
    std::vector<Face> faces_;
    std::vector<Alias> aliases_;
    std::map<FaceKey, std::set<char32_t>> pageCharacters_;  // per web face, what the page shows in it
    bool pageCharactersKnown_ = false;
    Options options_;
    double pageWidth_, pageHeight_;
};

}  // namespace qm
