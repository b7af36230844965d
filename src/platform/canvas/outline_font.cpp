#include "platform/canvas/outline_font.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_TRUETYPE_TABLES_H
#include FT_OUTLINE_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>

#include "platform/canvas/freetype_library.h"

namespace qm {

namespace {

const cairo_user_data_key_t kFaceKey{};

// Glyph space units below this many pixels to the em draw nothing worth seeing; above the
// upper bound cairo's glyph images would be enormous, so large glyphs are filled as paths.
constexpr double kMinDeterminant = 1e-6;
constexpr double kMaxEntry = 1e5;
constexpr double kLargeGlyph = 1024;

constexpr int kAdobePlatform = 7;  // FreeType's own maps of Type 1 and compact font encodings

}  // namespace

struct OutlineFont::Face {
    std::vector<uint8_t> bytes;  // read by FreeType for as long as the face lives
    FT_Face ft = nullptr;
    ~Face() {
        if (ft) {
            std::lock_guard<std::mutex> lock(freeTypeLock());
            FT_Done_Face(ft);
        }
    }
};

namespace {
void destroyFace(void* face) { delete static_cast<OutlineFont::Face*>(face); }
}  // namespace

std::unique_ptr<OutlineFont> OutlineFont::load(std::vector<uint8_t> bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(LONG_MAX)) return nullptr;
    auto face = std::make_unique<Face>();
    face->bytes = std::move(bytes);
    {
        std::lock_guard<std::mutex> lock(freeTypeLock());
        if (!freeTypeLibrary() || FT_New_Memory_Face(freeTypeLibrary(), face->bytes.data(), static_cast<FT_Long>(face->bytes.size()),
                                             0, &face->ft) != 0) {
            face->ft = nullptr;
            return nullptr;
        }
    }
    if (face->ft->num_glyphs <= 0 || !FT_IS_SCALABLE(face->ft)) return nullptr;
    std::unique_ptr<OutlineFont> font(new OutlineFont);
    font->glyphCount_ = static_cast<unsigned>(std::min<FT_Long>(face->ft->num_glyphs, 1 << 20));
    // The name comes from the document: only plain characters are kept.
    for (const char* c = face->ft->family_name; c && *c && font->familyName_.size() < 63; ++c)
        if (*c >= 0x20 && *c < 0x7F) font->familyName_.push_back(*c);
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face->ft, FT_SFNT_OS2))) {
        // PANOSE for Latin text (family kind 2): proportion 9 is monospaced, serif styles
        // 11 to 13 are the sans-serif ones and 2 to 10 have serifs.
        const FT_Byte* p = os2->panose;
        if (p[0] == 2 && p[3] == 9)
            font->generic_ = "monospace";
        else if (p[0] == 2 && p[1] >= 11 && p[1] <= 13)
            font->generic_ = "sans-serif";
        else if (p[0] == 2 && p[1] >= 2 && p[1] <= 10)
            font->generic_ = "serif";
    }
    font->bold_ = (face->ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    font->italic_ = (face->ft->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    font->glyphState_.assign(font->glyphCount_, 0);
    cairo_font_face_t* cf =
        cairo_ft_font_face_create_for_ft_face(face->ft, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    if (cairo_font_face_status(cf) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cf);
        return nullptr;
    }
    // From here cairo owns the face: it may outlive this object in cairo's caches.
    if (cairo_font_face_set_user_data(cf, &kFaceKey, face.get(), destroyFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(cf);
        return nullptr;
    }
    font->face_ = face.release();
    font->cairoFace_ = cf;
    return font;
}

OutlineFont::~OutlineFont() {
    for (Scaled& s : scaled_) cairo_scaled_font_destroy(s.font);
    if (cairoFace_) cairo_font_face_destroy(cairoFace_);
}

bool OutlineFont::hasGlyphNames() const { return FT_HAS_GLYPH_NAMES(face_->ft); }

unsigned OutlineFont::glyphByName(const char* name) const {
    if (!name || !*name || !FT_HAS_GLYPH_NAMES(face_->ft)) return 0;
    return FT_Get_Name_Index(face_->ft, const_cast<FT_String*>(name));
}

bool OutlineFont::hasCharmap(int platform, int encoding) const {
    for (int i = 0; i < face_->ft->num_charmaps; ++i) {
        const FT_CharMap c = face_->ft->charmaps[i];
        if (c->platform_id == platform && c->encoding_id == encoding) return true;
    }
    return false;
}

bool OutlineFont::hasAnyCharmap() const { return face_->ft->num_charmaps > 0; }

unsigned OutlineFont::glyphByCharmap(int platform, int encoding, uint32_t code) const {
    for (int i = 0; i < face_->ft->num_charmaps; ++i) {
        const FT_CharMap c = face_->ft->charmaps[i];
        if (c->platform_id != platform || c->encoding_id != encoding) continue;
        if (FT_Set_Charmap(face_->ft, c) != 0) return 0;
        return FT_Get_Char_Index(face_->ft, code);
    }
    return 0;
}

unsigned OutlineFont::glyphByBuiltinEncoding(uint32_t code) const {
    FT_CharMap chosen = nullptr;
    for (int i = 0; i < face_->ft->num_charmaps && !chosen; ++i)
        if (face_->ft->charmaps[i]->platform_id == kAdobePlatform) chosen = face_->ft->charmaps[i];
    if (!chosen && face_->ft->num_charmaps > 0) chosen = face_->ft->charmaps[0];
    if (!chosen || FT_Set_Charmap(face_->ft, chosen) != 0) return 0;
    return FT_Get_Char_Index(face_->ft, code);
}

bool OutlineFont::glyphLoads(unsigned glyph) {
    if (glyph >= glyphCount_) return false;
    uint8_t& state = glyphState_[glyph];
    if (state == 0)
        state = FT_Load_Glyph(face_->ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 ? 1 : 2;
    return state == 1;
}

namespace {

struct PathSink {
    GlyphPath* path;
    double scale;
    bool full = false;
    void add(GlyphPath::Op op, std::initializer_list<const FT_Vector*> points) {
        if (path->points.size() / 2 + points.size() > OutlineFont::kMaxPathPoints) {
            full = true;
            return;
        }
        path->ops.push_back(op);
        for (const FT_Vector* v : points) {
            path->points.push_back(static_cast<float>(v->x * scale));
            path->points.push_back(static_cast<float>(v->y * scale));
        }
    }
};

PathSink& sinkOf(void* user) { return *static_cast<PathSink*>(user); }

}  // namespace

bool OutlineFont::glyphPath(unsigned glyph, GlyphPath& out) {
    out = GlyphPath{};
    if (!glyphLoads(glyph)) return false;
    FT_Face ft = face_->ft;
    if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return false;
    if (ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    const double unitsPerEm = ft->units_per_EM > 0 ? ft->units_per_EM : 1000;
    PathSink sink{&out, 1.0 / unitsPerEm};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
        sinkOf(user).add(GlyphPath::move, {to});
        return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) {
        sinkOf(user).add(GlyphPath::line, {to});
        return 0;
    };
    funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* user) {
        sinkOf(user).add(GlyphPath::quad, {control, to});
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        sinkOf(user).add(GlyphPath::cubic, {c1, c2, to});
        return 0;
    };
    if (FT_Outline_Decompose(&ft->glyph->outline, &funcs, &sink) != 0 || sink.full) {
        out = GlyphPath{};
        return false;
    }
    return true;
}

cairo_scaled_font_t* OutlineFont::scaledFont(const double m[4]) {
    for (int i = 0; i < 4; ++i)
        if (!std::isfinite(m[i]) || std::fabs(m[i]) > kMaxEntry) return nullptr;
    if (!(std::fabs(m[0] * m[3] - m[1] * m[2]) >= kMinDeterminant)) return nullptr;
    for (auto it = scaled_.begin(); it != scaled_.end(); ++it) {
        if (it->key[0] != m[0] || it->key[1] != m[1] || it->key[2] != m[2] || it->key[3] != m[3]) continue;
        if (it != scaled_.begin()) scaled_.splice(scaled_.begin(), scaled_, it);
        return scaled_.front().font;
    }
    // Font space of cairo has y downwards; glyph space has it upwards.
    cairo_matrix_t fontMatrix, identity;
    cairo_matrix_init(&fontMatrix, m[0], m[1], -m[2], -m[3], 0, 0);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_scaled_font_t* font = cairo_scaled_font_create(cairoFace_, &fontMatrix, &identity, options);
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS) {
        cairo_scaled_font_destroy(font);
        return nullptr;
    }
    if (scaled_.size() >= kScaledFonts) {
        cairo_scaled_font_destroy(scaled_.back().font);
        scaled_.pop_back();
    }
    scaled_.push_front({{m[0], m[1], m[2], m[3]}, font});
    return font;
}

bool drawGlyph(Canvas& canvas, OutlineFont& font, unsigned glyph, const double m[4], double x, double y,
               const GlyphPaint& paint) {
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e7 || std::fabs(y) > 1e7) return false;
    cairo_scaled_font_t* scaled = font.scaledFont(m);
    if (!scaled) return false;
    if (!paint.fill && !paint.stroke) return true;
    cairo_t* cr = canvas.beginCairo();
    if (!cr) return false;
    cairo_set_scaled_font(cr, scaled);
    cairo_glyph_t g{glyph, x, y};
    const bool large = std::fabs(m[0]) + std::fabs(m[1]) > kLargeGlyph || std::fabs(m[2]) + std::fabs(m[3]) > kLargeGlyph;
    if (paint.fill && !paint.stroke && !large) {
        setCairoSource(cr, paint.fillColor, paint.fillOpacity);
        cairo_show_glyphs(cr, &g, 1);
    } else {
        cairo_glyph_path(cr, &g, 1);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        if (paint.fill) {
            setCairoSource(cr, paint.fillColor, paint.fillOpacity);
            cairo_fill_preserve(cr);
        }
        if (paint.stroke) {
            setCairoSource(cr, paint.strokeColor, paint.strokeOpacity);
            cairo_set_line_width(cr, paint.lineWidth > 0 && paint.lineWidth < 1e4 ? paint.lineWidth : 1);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
            cairo_stroke_preserve(cr);
        }
        cairo_new_path(cr);
    }
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS && cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS;
    canvas.endCairo(cr);
    return ok;
}

}  // namespace qm
