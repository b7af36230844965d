#include "convert/web_font_files.h"

#include <cstdio>

#include "convert/web_font_names.h"
#include "convert/web_font_sfnt.h"
#include "platform/system/file_ops.h"
#include "platform/webfont/woff2_compress.h"
#include "render/font_glyph_set.h"

namespace qm {

void WebFontFiles::clear() {
    folder_.clear();
    sets_.clear();
    known_.clear();
}

void WebFontFiles::use(const std::shared_ptr<FontGlyphSet>& set, const std::string& pageFolder) {
    if (!set) return;
    folder_ = pageFolder;
    if (known_.insert(set.get()).second) sets_.push_back(set);
}

bool WebFontFiles::writeAll(std::string& error) {
    files_ = bytes_ = 0;
    // Only fonts this call put where nothing stood are taken back on a failure: one that
    // replaced an earlier conversion's file stays, as a site with a font gone would be worse.
    std::vector<std::string> created;
    std::vector<std::pair<const FontGlyphSet*, size_t>> faces;
    for (const std::shared_ptr<FontGlyphSet>& set : sets_)
        for (size_t face = 0; face < set->faceCount(); ++face) faces.emplace_back(set.get(), face);
    const std::vector<std::optional<std::string>> fonts = compressWoff2Each(faces.size(), [&](size_t i) {
        const auto [set, face] = faces[i];
        return buildWebFontFace(set->face(face), webFontFamily(*set, face), set->kerns(face),
                                face == 0 ? set->ligatures() : std::vector<FontGlyphSet::Ligature>{});
    });
    bool ok = true;
    for (size_t i = 0; i < faces.size(); ++i) {
        const std::optional<std::string>& woff2 = fonts[i];
        // A font the encoder refuses is left out: its text falls back to the page's faces.
        if (!woff2) continue;
        const std::string path = folder_ + webFontFile(*faces[i].first, faces[i].second);
        const bool fresh = !pathExists(path);
        if (!writeWholeFile(path, *woff2, &error)) {
            ok = false;
            break;
        }
        if (fresh) created.push_back(path);
        ++files_;
        bytes_ += woff2->size();
    }
    if (!ok)
        for (const std::string& path : created) std::remove(path.c_str());
    clear();
    return ok;
}

}  // namespace qm
