#pragma once
// A logical font (the description callers build) made real from an installed font file,
// sized and turned as font descriptions expect: a positive height is the cell height
// (ascent plus descent), a negative one the em height, 0 a default cell of 16 pixels; a
// non-zero width stretches the font so its average character is that wide; the escapement
// turns the baseline counter-clockwise in tenths of a degree. A face beginning with '@' is
// the vertical form: wide (CJK) characters stand upright when the baseline runs downwards.
#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>

namespace qm {

struct LogicalFont {
    std::string face;  // in the output code page (UTF-8)
    int height = 0;
    int width = 0;
    int weight = 0;  // 0 or below 600: regular; 600 and above: bold
    bool italic = false;
    int charset = 1;
    int escapement = 0;
};

class DeviceFont {
public:
    // Null, with "Couldn't find a font for face '%s'" reported, when the face resolves to no
    // installed font or the font file cannot be loaded; callers fall back to another face.
    static std::unique_ptr<DeviceFont> create(const LogicalFont& font);
    ~DeviceFont();
    DeviceFont(const DeviceFont&) = delete;
    DeviceFont& operator=(const DeviceFont&) = delete;

    const LogicalFont& logical() const { return logical_; }
    const std::string& family() const { return family_; }  // the installed family used
    bool isVertical() const { return vertical_; }
    double emSize() const { return em_; }
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }
    // Length of the text along its baseline, in pixels (integer glyph advances, as the text
    // is laid out when drawn).
    double advance(std::u16string_view text) const;

    // For text drawing: an unturned scaled font (escapement is applied by the caller).
    cairo_scaled_font_t* scaledFont() const { return scaled_; }
    double angleRadians() const;

private:
    DeviceFont() = default;
    LogicalFont logical_;
    std::string family_;
    bool vertical_ = false;
    double em_ = 0, ascent_ = 0, descent_ = 0;
    cairo_font_face_t* face_ = nullptr;
    cairo_scaled_font_t* scaled_ = nullptr;
};

// True for characters the vertical form draws upright: CJK ideographs, kana, Hangul,
// CJK punctuation and the full-width forms.
bool isUprightInVerticalText(char32_t c);

}  // namespace qm
