// Characters of Type 3 fonts drawn by their glyph procedures, and the operators that only
// glyph procedures may use.
#include <cstring>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/simple_font.h"
#include "graphics/content_interpreter.h"
#include "render/output_device.h"

namespace qm {

namespace {

// Operators an uncoloured glyph ignores: it is painted in the colour of the text.
bool setsColor(const char* op) {
    static const char* const kOps[] = {"CS", "G", "K", "RG", "SC", "SCN", "cs", "g", "k", "rg", "sc", "scn"};
    for (const char* c : kOps)
        if (std::strcmp(op, c) == 0) return true;
    return false;
}

}  // namespace

bool ContentInterpreter::ignoredInGlyph(const char* op) const { return uncolouredGlyph_ && setsColor(op); }

bool ContentInterpreter::showType3Char(PdfFont& font, uint32_t code, double x, double y) {
    if (font.kind() != FontKind::Type3 || font.isCidFont() || code > 255) return false;
    const auto& simple = static_cast<const SimpleFont&>(font);
    const char* name = simple.encodingName(static_cast<int>(code));
    if (!name || !simple.charProcs().isDict()) return false;
    PdfObject proc = simple.charProcs().getDict()->lookup(name);
    if (!proc.isStream()) return false;
    // Invisible text (render modes 3 and 7) stays invisible, as over scanned pages.
    if ((state_->renderMode() & 3) == 3) return true;
    // From here the character belongs to its procedure, drawn or cut short.
    if (formDepth_ >= kMaxFormDepth || type3Depth_ >= kMaxType3Depth) {
        reportError(position(), "Type 3 glyphs nested too deeply");
        return true;
    }
    if (!spendWork()) return true;

    // Glyph space -> text space (font matrix, size, horizontal scaling) -> user space (the
    // text matrix with its origin moved to the character).
    const double* fm = font.fontMatrix();
    const double* tm = state_->textMatrix();
    const double sx = state_->fontSize() * state_->horizScaling(), sy = state_->fontSize();
    const double g[4] = {fm[0] * sx, fm[1] * sy, fm[2] * sx, fm[3] * sy};
    const double gx = fm[4] * sx, gy = fm[5] * sy;
    const double m[6] = {g[0] * tm[0] + g[1] * tm[2],
                         g[0] * tm[1] + g[1] * tm[3],
                         g[2] * tm[0] + g[3] * tm[2],
                         g[2] * tm[1] + g[3] * tm[3],
                         x + gx * tm[0] + gy * tm[2],
                         y + gx * tm[1] + gy * tm[3]};
    // The procedure's own text and paths must not move the outer text's position.
    const double curX = state_->curX(), curY = state_->curY(), lineX = state_->lineX(), lineY = state_->lineY();
    const bool outerUncoloured = uncolouredGlyph_;

    ++formDepth_;
    ++type3Depth_;
    uncolouredGlyph_ = false;
    pushResources(simple.type3Resources());
    saveState();
    const int outerFloor = saveFloor_;
    saveFloor_ = saveDepth_;
    state_->concatTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
    device_->updateTransform(*state_, m[0], m[1], m[2], m[3], m[4], m[5]);
    state_->clearPath();

    runContents(proc, false);

    while (saveDepth_ > saveFloor_) restoreState();
    saveFloor_ = outerFloor;
    restoreState();
    popResources();
    --type3Depth_;
    --formDepth_;
    uncolouredGlyph_ = outerUncoloured;
    state_->setCurrentPoint(curX, curY);
    state_->setLineOrigin(lineX, lineY);
    if (fontChanged_) {
        device_->updateFont(*state_);
        fontChanged_ = false;
    }
    return true;
}

void ContentInterpreter::opSetCharWidth(PdfObject*, int) {
    if (type3Depth_ == 0) reportError(position(), "Encountered 'd0' operator in content stream");
}

void ContentInterpreter::opSetCacheDevice(PdfObject*, int) {
    if (type3Depth_ == 0)
        reportError(position(), "Encountered 'd1' operator in content stream");
    else
        uncolouredGlyph_ = true;
}

}  // namespace qm
