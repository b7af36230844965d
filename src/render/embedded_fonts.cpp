#include "render/embedded_fonts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fonts/cid_font.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/global_settings.h"
#include "fonts/simple_font.h"
#include "platform/system/profile_file.h"

namespace qm {

namespace {

// Character maps of TrueType programs by (platform, encoding).
constexpr int kWindows = 3, kMac = 1;
constexpr int kWinSymbol = 0, kWinUnicode = 1, kMacRoman = 0;
// Symbol fonts put their one-byte codes at one of these pages of the private use area.
constexpr uint32_t kSymbolPages[] = {0xF000, 0xF100, 0xF200};
// Programs larger than this are not worth a page bitmap.
constexpr size_t kMaxProgram = 64u << 20;

bool isTrueTypeKind(FontKind k) { return k == FontKind::TrueType || k == FontKind::CidType2; }

// The Unicode value a glyph name stands for: the standard names, then uniXXXX and uXXXX[XX].
uint32_t unicodeOfName(const char* name) {
    if (!name || !*name) return 0;
    if (globalSettings)
        if (uint16_t u = globalSettings->mapNameToUnicode(name)) return u;
    const bool uni = std::strncmp(name, "uni", 3) == 0, u = !uni && name[0] == 'u';
    if (!uni && !u) return 0;
    const char* hex = name + (uni ? 3 : 1);
    const size_t n = std::strlen(hex);
    if (n < 4 || n > 6 || (uni && n != 4)) return 0;
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) {
        const char c = hex[i];
        const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return 0;
        v = v << 4 | static_cast<uint32_t>(d);
    }
    return v <= 0x10FFFF ? v : 0;
}

// Glyphs of a one-byte TrueType font: names through the Unicode map of non-symbolic
// fonts, the symbol map with its private-use pages, the Macintosh map, the program's own
// names, the first map; a program with no map at all numbers its glyphs by code.
uint32_t trueTypeGlyph(const OutlineFont& f, const SimpleFont& font, int code) {
    const char* name = font.encodingName(code);
    const bool symbolic = font.flags() & 0x4;
    const bool winUnicode = f.hasCharmap(kWindows, kWinUnicode), winSymbol = f.hasCharmap(kWindows, kWinSymbol);
    if (winUnicode && (!symbolic || !winSymbol)) {
        uint32_t u = unicodeOfName(name);
        if (!u) {
            uint16_t tu[8];
            if (CodeToUnicodeMap* map = font.getToUnicode()) {
                if (map->lookup(static_cast<uint32_t>(code), tu, 8) == 1) u = tu[0];
                map->release();
            }
        }
        if (u)
            if (uint32_t g = f.glyphByCharmap(kWindows, kWinUnicode, u)) return g;
    }
    if (winSymbol) {
        if (uint32_t g = f.glyphByCharmap(kWindows, kWinSymbol, static_cast<uint32_t>(code))) return g;
        for (uint32_t page : kSymbolPages)
            if (uint32_t g = f.glyphByCharmap(kWindows, kWinSymbol, page + static_cast<uint32_t>(code))) return g;
    }
    if (f.hasCharmap(kMac, kMacRoman))
        if (uint32_t g = f.glyphByCharmap(kMac, kMacRoman, static_cast<uint32_t>(code))) return g;
    if (uint32_t g = f.glyphByName(name)) return g;
    if (!f.hasAnyCharmap()) return static_cast<uint32_t>(code) < f.glyphCount() ? static_cast<uint32_t>(code) : 0;
    if (winUnicode && symbolic)
        if (uint32_t g = f.glyphByCharmap(kWindows, kWinUnicode, static_cast<uint32_t>(code))) return g;
    return f.glyphByBuiltinEncoding(static_cast<uint32_t>(code));
}

// Glyphs of Type 1 and compact fonts: by the encoding's glyph name, else the program's own
// encoding.
uint32_t namedGlyph(const OutlineFont& f, const SimpleFont& font, int code) {
    const char* name = font.encodingName(code);
    if (uint32_t g = f.glyphByName(name)) return g;
    if (name) {
        // OpenType programs may name nothing but map Unicode.
        if (uint32_t u = unicodeOfName(name))
            if (uint32_t g = f.glyphByCharmap(kWindows, kWinUnicode, u)) return g;
    }
    return f.glyphByBuiltinEncoding(static_cast<uint32_t>(code));
}

std::vector<uint8_t> readFile(const char* path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return bytes;
    uint8_t chunk[65536];
    for (size_t n; bytes.size() < kMaxProgram && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

// A TrueType display font the configuration names for a font without a program.
const DisplayFontRecord* configuredTrueType(const PdfFont& font) {
    if (!globalSettings || font.isCidFont() || !font.name()) return nullptr;
    const DisplayFontRecord* r = globalSettings->getDisplayFont(font.name()->text());
    return r && r->kind == DisplayFontRecord::TrueTypeFile && r->file.length() > 0 ? r : nullptr;
}

}  // namespace

bool embeddedFontsEnabled() { return readProfileInt(configIniPath(), kRenderSection, kEmbeddedFontsKey, 1) != 0; }

std::shared_ptr<OutlineFont> EmbeddedFonts::program(PdfFont& font) {
    std::string key;
    const DisplayFontRecord* configured = nullptr;
    if (font.externalFile()) {
        key = "file:" + std::string(font.externalFile()->text(), font.externalFile()->length());
    } else if (font.hasEmbeddedProgram()) {
        key = "obj:" + std::to_string(font.embeddedId().num) + ":" + std::to_string(font.embeddedId().gen);
    } else if ((configured = configuredTrueType(font))) {
        key = "file:" + std::string(configured->file.text(), configured->file.length());
    } else {
        return nullptr;
    }
    auto found = programs_.find(key);
    if (found != programs_.end()) return found->second;
    std::vector<uint8_t> bytes;
    if (configured) bytes = readFile(configured->file.text());
    else font.readFontProgram(xref_, bytes);
    std::shared_ptr<OutlineFont> loaded;
    if (!bytes.empty() && bytes.size() <= kMaxProgram) loaded = OutlineFont::load(std::move(bytes));
    programs_.emplace(key, loaded);
    return loaded;
}

const EmbeddedFonts::Entry* EmbeddedFonts::entryFor(PdfFont& font) {
    if (font.kind() == FontKind::Type3 || font.kind() == FontKind::Unknown) return nullptr;
    std::string key = std::to_string(font.id().num) + ":" + std::to_string(font.id().gen) + ":" +
                      std::to_string(font.embeddedId().num) + ":" + std::to_string(font.embeddedId().gen) + ":" +
                      std::to_string(static_cast<int>(font.kind())) + ":";
    if (font.name()) key.append(font.name()->text(), font.name()->length());
    auto found = entries_.find(key);
    if (found != entries_.end()) return found->second.get();

    std::unique_ptr<Entry> entry;
    if (std::shared_ptr<OutlineFont> f = program(font)) {
        entry = std::make_unique<Entry>();
        entry->program = f;
        entry->cid = font.isCidFont();
        if (!entry->cid) {
            const auto& simple = static_cast<const SimpleFont&>(font);
            const bool trueType = isTrueTypeKind(font.kind()) || (!font.hasEmbeddedProgram() && !font.externalFile());
            for (int code = 0; code < 256; ++code)
                entry->glyphs[code] = trueType ? trueTypeGlyph(*f, simple, code) : namedGlyph(*f, simple, code);
        }
    }
    const Entry* result = entry.get();
    entries_.emplace(std::move(key), std::move(entry));
    return result;
}

uint32_t EmbeddedFonts::glyphOf(const Entry& entry, const PdfFont& font, uint32_t code) {
    if (!entry.cid) return code < 256 ? entry.glyphs[code] : 0;
    // CID-keyed compact fonts are looked up by CID (FreeType goes through the charset);
    // TrueType ones through the CIDToGIDMap, the identity without one.
    const auto& cid = static_cast<const CidFont&>(font);
    const std::vector<uint16_t>& map = cid.cidToGid();
    if (font.kind() == FontKind::CidType2 && !map.empty()) return code < map.size() ? map[code] : 0;
    return code;
}

void EmbeddedFonts::trim() {
    if (entries_.size() <= kMaxEntries && programs_.size() <= kMaxEntries) return;
    entries_.clear();
    programs_.clear();
}

}  // namespace qm
