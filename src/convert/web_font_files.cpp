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
    // Each font is written as soon as it is made, while the others are still being made.
    struct Written {
        std::string path;
        bool fresh = false, failed = false;
        size_t bytes = 0;  // 0: not written
        std::string error;
    };
    std::vector<Written> written(faces.size());
    compressWoff2Each(
        faces.size(),
        [&](size_t i) {
            const auto [set, face] = faces[i];
            return buildWebFontFace(set->face(face), webFontFamily(*set, face), set->kerns(face),
                                    face == 0 ? set->ligatures() : std::vector<FontGlyphSet::Ligature>{});
        },
        [&](size_t i, std::optional<std::string> woff2) {
            // A font the encoder refuses is left out: its text falls back to the page's faces.
            if (!woff2) return;
            Written& w = written[i];
            w.path = folder_ + webFontFile(*faces[i].first, faces[i].second);
            w.fresh = !pathExists(w.path);
            if (!writeWholeFile(w.path, *woff2, &w.error)) w.failed = true;
            else w.bytes = woff2->size();
        });
    bool ok = true;
    for (const Written& w : written) {
        if (w.failed && ok) {
            ok = false;
            error = w.error;
        }
        if (w.bytes == 0) continue;
        if (w.fresh) created.push_back(w.path);
        ++files_;
        bytes_ += w.bytes;
    }
    if (!ok)
        for (const std::string& path : created) std::remove(path.c_str());
    clear();
    return ok;
}

}  // namespace qm
