#pragma once
// A font program handed over as bytes (Type 1, compact font, TrueType or OpenType), loaded
// by FreeType from memory and drawn one glyph at a time from its outlines. The bytes live
// as long as the face that reads them. Drawing goes through cairo scaled fonts kept per
// device matrix, so a glyph drawn again at the same size comes from cairo's glyph cache.
#include <cairo.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas/canvas.h"
#include "platform/canvas/glyph_path.h"

namespace qm {

class OutlineFont {
public:
    // Null when FreeType does not recognise the program or it has no glyphs.
    static std::unique_ptr<OutlineFont> load(std::vector<uint8_t> bytes);
    ~OutlineFont();
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    // Glyph ids run from 0 to glyphCount() - 1 (CID-keyed compact fonts: CIDs, which
    // FreeType turns into glyphs through the font's charset).
    unsigned glyphCount() const { return glyphCount_; }
    // The family the program names itself, printable ASCII only and at most 63 characters;
    // empty when it names none.
    const std::string& familyName() const { return familyName_; }
    // "serif", "sans-serif" or "monospace" as the program's classification (its PANOSE
    // digits) says; empty when it says nothing.
    const char* genericFamily() const { return generic_; }
    bool isBold() const { return bold_; }
    bool isItalic() const { return italic_; }
    bool hasGlyphNames() const;
    // 0 when the program names no glyph so.
    unsigned glyphByName(const char* name) const;
    bool hasCharmap(int platform, int encoding) const;
    bool hasAnyCharmap() const;
    // Through the character map (platform, encoding); 0 when it maps nothing to `code`.
    unsigned glyphByCharmap(int platform, int encoding, uint32_t code) const;
    // Through the program's own encoding (Type 1 and compact fonts), else its first map.
    unsigned glyphByBuiltinEncoding(uint32_t code) const;
    // Whether the glyph's outline loads; checked once per glyph and remembered. Glyphs that
    // fail are better drawn some other way than not at all.
    bool glyphLoads(unsigned glyph);
    // The glyph's outline in ems, unhinted; false when it does not load or is too complex
    // (more than kMaxPathPoints points). A blank glyph gives an empty path.
    bool glyphPath(unsigned glyph, GlyphPath& out);
    static constexpr size_t kMaxPathPoints = 20000;

    // The scaled font for a device matrix: glyph space units of one em map to device pixels
    // by (x, y) -> (x m0 + y m2, x m1 + y m3), y of the glyph upwards. Null for a matrix
    // that is degenerate, not finite or huge.
    cairo_scaled_font_t* scaledFont(const double m[4]);

    // Scaled fonts kept, most recently used first.
    static constexpr size_t kScaledFonts = 24;

    // The FreeType face with its bytes; owned by cairo's font face, freed when cairo
    // lets go of it.
    struct Face;

private:
    OutlineFont() = default;
    struct Scaled {
        double key[4];
        cairo_scaled_font_t* font;
    };

    Face* face_ = nullptr;                 // owned by cairoFace_
    cairo_font_face_t* cairoFace_ = nullptr;
    unsigned glyphCount_ = 0;
    std::string familyName_;
    const char* generic_ = "";
    bool bold_ = false;
    bool italic_ = false;
    std::vector<uint8_t> glyphState_;      // per glyph: 0 unknown, 1 loads, 2 fails
    std::list<Scaled> scaled_;
};

// How a glyph is painted: fill, stroke or both (the text render modes), antialiased, each
// laid over the page by its opacity (255 covers it).
struct GlyphPaint {
    bool fill = true;
    ColorRef fillColor = kBlack;
    bool stroke = false;
    ColorRef strokeColor = kBlack;
    uint8_t fillOpacity = 255;
    uint8_t strokeOpacity = 255;
    double lineWidth = 1;  // device pixels
};

// Draws `glyph` with its origin at (x, y) in device pixels under the matrix (see
// scaledFont). False when nothing could be drawn (no scaled font, or cairo failed).
bool drawGlyph(Canvas& canvas, OutlineFont& font, unsigned glyph, const double m[4], double x, double y,
               const GlyphPaint& paint);

}  // namespace qm
