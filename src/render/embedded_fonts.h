#pragma once
// Page bitmaps drawn with a document's own font programs: for each PDF font, its embedded
// (or external) program loaded once, and the choice of glyph for each character code by
// the rules the font readers use for encodings. Fonts without a usable program have no
// entry and are drawn with installed fonts instead. One cache per open document.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/canvas/outline_font.h"

namespace qm {

class ObjectResolver;
class PdfFont;

// The config.ini switch for drawing with the document's own fonts (on unless set to 0).
inline constexpr const char* kRenderSection = "VELLUMX";
inline constexpr const char* kEmbeddedFontsKey = "EmbeddedFonts";
bool embeddedFontsEnabled();

class EmbeddedFonts {
public:
    // `xref` reads the embedded programs; it must outlive the cache.
    explicit EmbeddedFonts(ObjectResolver* xref) : xref_(xref) {}

    struct Entry {
        std::shared_ptr<OutlineFont> program;
        bool cid = false;
        std::array<uint32_t, 256> glyphs{};  // simple fonts: code -> glyph, 0 for none
    };
    // What draws the characters of `font`; null when it has no program FreeType loads.
    // The entry stays valid until trim() drops it.
    const Entry* entryFor(PdfFont& font);
    // The glyph of a character code (simple fonts) or CID; 0 when there is none.
    static uint32_t glyphOf(const Entry& entry, const PdfFont& font, uint32_t code);

    // Drops everything once many fonts are held; called between pages only.
    void trim();
    size_t size() const { return entries_.size(); }
    static constexpr size_t kMaxEntries = 256;

private:
    std::shared_ptr<OutlineFont> program(PdfFont& font);

    ObjectResolver* xref_;
    std::map<std::string, std::shared_ptr<OutlineFont>> programs_;  // null: refused
    std::map<std::string, std::unique_ptr<Entry>> entries_;        // null: no program
};

}  // namespace qm
