// Path construction and painting operators.
#include "core/report_error.h"
#include "graphics/content_interpreter.h"
#include "render/output_device.h"

namespace qm {

void ContentInterpreter::opMoveTo(PdfObject* args, int) { state_->moveTo(args[0].getNum(), args[1].getNum()); }

void ContentInterpreter::opLineTo(PdfObject* args, int) {
    if (!state_->path().hasCurrentPoint()) {
        reportError(position(), "No current point in lineto");
        return;
    }
    state_->lineTo(args[0].getNum(), args[1].getNum());
}

void ContentInterpreter::opCurveTo(PdfObject* args, int) {
    if (!state_->path().hasCurrentPoint()) {
        reportError(position(), "No current point in curveto");
        return;
    }
    state_->curveTo(args[0].getNum(), args[1].getNum(), args[2].getNum(), args[3].getNum(), args[4].getNum(),
                    args[5].getNum());
}

void ContentInterpreter::opCurveTo1(PdfObject* args, int) {
    if (!state_->path().hasCurrentPoint()) {
        reportError(position(), "No current point in curveto1");
        return;
    }
    state_->curveTo(state_->curX(), state_->curY(), args[0].getNum(), args[1].getNum(), args[2].getNum(),
                    args[3].getNum());
}

void ContentInterpreter::opCurveTo2(PdfObject* args, int) {
    if (!state_->path().hasCurrentPoint()) {
        reportError(position(), "No current point in curveto2");
        return;
    }
    double x3 = args[2].getNum(), y3 = args[3].getNum();
    state_->curveTo(args[0].getNum(), args[1].getNum(), x3, y3, x3, y3);
}

void ContentInterpreter::opRectangle(PdfObject* args, int) {
    double x = args[0].getNum(), y = args[1].getNum(), w = args[2].getNum(), h = args[3].getNum();
    state_->moveTo(x, y);
    state_->lineTo(x + w, y);
    state_->lineTo(x + w, y + h);
    state_->lineTo(x, y + h);
    state_->closePath();
}

void ContentInterpreter::opClosePath(PdfObject*, int) {
    if (!state_->path().hasCurrentPoint()) {
        reportError(position(), "No current point in closepath");
        return;
    }
    state_->closePath();
}

void ContentInterpreter::endPath() {
    if (state_->path().subpathCount() > 0 && pendingClip_) {
        state_->clipToPath();
        if (pendingClip_ == 1)
            device_->clip(*state_);
        else
            device_->eoClip(*state_);
    }
    pendingClip_ = 0;
    state_->clearPath();
}

void ContentInterpreter::doFill(bool evenOdd) {
    if (state_->fillColorSpace().family() == ColorFamily::Pattern) {
        if (state_->fillPattern() && state_->fillPattern()->patternType() == 2)
            doShadingPatternFill(evenOdd);
        else
            doTilingPatternFill(evenOdd);
    } else if (evenOdd) {
        device_->eoFill(*state_);
    } else {
        device_->fill(*state_);
    }
}

// fillMode: 0 none, 1 nonzero, 2 even-odd.
void ContentInterpreter::paint(bool close, int fillMode, bool stroke) {
    if (!state_->path().hasCurrentPoint()) return;
    if (state_->path().subpathCount() > 0) {
        if (close) state_->closePath();
        // Filled and stroked, the path is one object: the stroke covers the fill beneath it.
        const bool both = fillMode && stroke;
        if (both) device_->beginCompound(*state_, true);
        if (fillMode) doFill(fillMode == 2);
        if (stroke) doStroke();
        if (both) device_->endCompound(*state_);
    }
    endPath();
}

void ContentInterpreter::opEndPath(PdfObject*, int) { paint(false, 0, false); }
void ContentInterpreter::opStroke(PdfObject*, int) { paint(false, 0, true); }
void ContentInterpreter::opCloseStroke(PdfObject*, int) { paint(true, 0, true); }
void ContentInterpreter::opFill(PdfObject*, int) { paint(false, 1, false); }
void ContentInterpreter::opEOFill(PdfObject*, int) { paint(false, 2, false); }
void ContentInterpreter::opFillStroke(PdfObject*, int) { paint(false, 1, true); }
void ContentInterpreter::opEOFillStroke(PdfObject*, int) { paint(false, 2, true); }
void ContentInterpreter::opCloseFillStroke(PdfObject*, int) { paint(true, 1, true); }
void ContentInterpreter::opCloseEOFillStroke(PdfObject*, int) { paint(true, 2, true); }
void ContentInterpreter::opClip(PdfObject*, int) { pendingClip_ = 1; }
void ContentInterpreter::opEOClip(PdfObject*, int) { pendingClip_ = 2; }

}  // namespace qm
