#include "platform/canvas/device_font.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>

#include "core/report_error.h"
#include "platform/canvas/font_match.h"
#include "platform/canvas/freetype_library.h"
#include "platform/canvas/text_runs.h"

namespace qm {

namespace {

constexpr double kDefaultCellHeight = 16;
constexpr double kMaxEm = 32767;
const cairo_user_data_key_t kFaceKey{};

void releaseFace(void* face) {
    std::lock_guard<std::mutex> lock(freeTypeLock());
    FT_Done_Face(static_cast<FT_Face>(face));
}

// The average character width the way older font tables define it: lower-case letters and
// the space weighted by their frequency in English text. Newer tables average all glyphs
// instead, which makes metric-compatible fonts disagree with the fonts they stand in for.
// 0 when a letter is missing.
double weightedAverageWidth(FT_Face face) {
    static const int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                     56, 17, 4,  49, 56,  71, 31, 10, 18, 3,  18, 2, 166};
    double sum = 0;
    for (int i = 0; i < 27; ++i) {
        const FT_ULong c = i < 26 ? 'a' + i : ' ';
        const FT_UInt glyph = FT_Get_Char_Index(face, c);
        FT_Fixed advance = 0;
        if (glyph == 0 || FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) != 0) return 0;
        sum += static_cast<double>(advance) * kWeights[i];
    }
    return sum / 1000;
}

}  // namespace

bool isUprightInVerticalText(char32_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           (c >= 0x20000 && c <= 0x3FFFF);
}

std::unique_ptr<DeviceFont> DeviceFont::create(const LogicalFont& logical) {
    std::unique_ptr<DeviceFont> font(new DeviceFont);
    font->logical_ = logical;
    std::string face = logical.face;
    if (!face.empty() && face[0] == '@') {
        font->vertical_ = true;
        face.erase(0, 1);
    }
    const bool bold = logical.weight >= 600;
    FontFile file;
    FT_Face ftFace = nullptr;
    if (!freeTypeLibrary() || !findFontFile(face, bold, logical.italic, logical.charset, file) ||
        [&] {
            std::lock_guard<std::mutex> lock(freeTypeLock());
            return FT_New_Face(freeTypeLibrary(), file.path.c_str(), file.index, &ftFace) != 0;
        }()) {
        reportError(-1, "Couldn't find a font for face '%s'", logical.face.c_str());
        return nullptr;
    }
    font->family_ = file.family;

    // Vertical extent and average width in font units, from the OS/2 table when there is one.
    const double units = ftFace->units_per_EM > 0 ? ftFace->units_per_EM : 1000;
    double up = ftFace->ascender, down = -ftFace->descender, average = units / 2;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2))) {
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            up = os2->usWinAscent;
            down = os2->usWinDescent;
        }
        if (os2->xAvgCharWidth > 0) average = os2->xAvgCharWidth;
    }
    if (up + down <= 0) {
        up = units * 0.8;
        down = units * 0.2;
    }
    if (logical.height < 0)
        font->em_ = -static_cast<double>(logical.height);
    else
        font->em_ = (logical.height > 0 ? logical.height : kDefaultCellHeight) * units / (up + down);
    // Sizes beyond any page are held at the largest bitmap side instead of failing.
    font->em_ = std::min(font->em_, kMaxEm);
    font->ascent_ = up * font->em_ / units;
    font->descent_ = down * font->em_ / units;
    double across = font->em_;  // horizontal size of the em
    if (logical.width > 0) {
        const double weighted = weightedAverageWidth(ftFace);
        across = logical.width * units / (weighted > 0 ? weighted : average);
    }
    across = std::clamp(across, 1.0 / 64, kMaxEm);

    font->face_ = cairo_ft_font_face_create_for_ft_face(ftFace, 0);
    if (cairo_font_face_set_user_data(font->face_, &kFaceKey, ftFace, releaseFace) != CAIRO_STATUS_SUCCESS) {
        cairo_font_face_destroy(font->face_);
        font->face_ = nullptr;
        FT_Done_Face(ftFace);
        reportError(-1, "Couldn't find a font for face '%s'", logical.face.c_str());
        return nullptr;
    }
    // Bold or italic asked of a family that has no such member is made up from the regular one.
    unsigned synth = 0;
    if (bold && !file.isBold) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
    if (logical.italic && !file.isItalic) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
    cairo_ft_font_face_set_synthesize(font->face_, synth);

    cairo_matrix_t fontMatrix, identity;
    cairo_matrix_init_scale(&fontMatrix, across, font->em_);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    font->scaled_ = cairo_scaled_font_create(font->face_, &fontMatrix, &identity, options);
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(font->scaled_) != CAIRO_STATUS_SUCCESS) {
        reportError(-1, "Couldn't find a font for face '%s'", logical.face.c_str());
        return nullptr;
    }
    return font;
}

DeviceFont::~DeviceFont() {
    if (scaled_) cairo_scaled_font_destroy(scaled_);
    if (face_) cairo_font_face_destroy(face_);
}

double DeviceFont::angleRadians() const { return logical_.escapement * M_PI / 1800.0; }

double DeviceFont::advance(std::u16string_view text) const {
    double total = 0;
    forEachTextRun(*this, text, [&](const TextRun& run) { total += run.advance; });
    return total;
}

}  // namespace qm
