#include "platform/canvas/text_drawing.h"

#include <cmath>

#include "platform/canvas/device_font.h"
#include "platform/canvas/text_runs.h"

namespace qm {

namespace {

// Puts every run's glyphs where they belong (turned by the escapement, upright characters
// turned back) and hands them to `emit` with the context transformed for them.
template <typename Emit>
void placeRuns(cairo_t* cr, const DeviceFont& font, int x, int y, std::u16string_view text, Emit emit) {
    cairo_set_scaled_font(cr, font.scaledFont());
    cairo_translate(cr, x, y);
    cairo_rotate(cr, -font.angleRadians());
    forEachTextRun(font, text, [&](const TextRun& run) {
        if (run.glyphs.empty()) return;
        cairo_save(cr);
        if (run.upright) {
            cairo_translate(cr, run.start + font.ascent(), run.glyphWidth / 2);
            cairo_rotate(cr, -M_PI / 2);
        } else {
            cairo_translate(cr, run.start, 0);
        }
        emit(run);
        cairo_restore(cr);
    });
}

cairo_pattern_t* horizontalHatch(ColorRef color, uint8_t opacity) {
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_t* cr = cairo_create(tile);
    setCairoSource(cr, color, opacity);
    cairo_rectangle(cr, 0, 0, 8, 1);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
    cairo_surface_destroy(tile);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    return pattern;
}

}  // namespace

void drawText(Canvas& canvas, const DeviceFont& font, int x, int y, std::u16string_view text, ColorRef color,
              uint8_t opacity) {
    if (text.empty() || opacity == 0) return;
    cairo_t* cr = canvas.beginCairo();
    if (!cr) return;
    setCairoSource(cr, color, opacity);
    placeRuns(cr, font, x, y, text, [cr](const TextRun& run) {
        cairo_show_glyphs(cr, run.glyphs.data(), static_cast<int>(run.glyphs.size()));
    });
    canvas.endCairo(cr);
}

void drawOutlinedText(Canvas& canvas, const DeviceFont& font, int x, int y, std::u16string_view text,
                      const TextOutline& outline) {
    if (text.empty()) return;
    cairo_t* cr = canvas.beginCairo();
    if (!cr) return;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    placeRuns(cr, font, x, y, text, [cr](const TextRun& run) {
        cairo_glyph_path(cr, run.glyphs.data(), static_cast<int>(run.glyphs.size()));
    });
    // Brush and pen work in device space so the hatch lines stay on fixed rows.
    cairo_identity_matrix(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    if (outline.brush == TextOutline::Brush::hatched) {
        cairo_pattern_t* hatch = horizontalHatch(outline.brushColor, outline.brushOpacity);
        cairo_set_source(cr, hatch);
        cairo_pattern_destroy(hatch);
    } else {
        setCairoSource(cr, outline.brushColor, outline.brushOpacity);
    }
    cairo_fill_preserve(cr);
    setCairoSource(cr, outline.penColor, outline.penOpacity);
    cairo_set_line_width(cr, outline.penWidth < 1 ? 1 : outline.penWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_stroke(cr);
    canvas.endCairo(cr);
}

}  // namespace qm
